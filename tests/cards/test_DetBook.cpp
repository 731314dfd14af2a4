// Detail sets: the choice of the set a user gets, its links in a stable
// order, and the detail area with one grid tab per link.
#include "CardsFixture.h"
#include "CardsGui.h"
#include "cards/DetBook.h"
#include "cards/WinDetBook.h"
#include "cards/WinDetTbl.h"

#include <QTabWidget>

namespace {

class DetBookTest : public DealsTest {
protected:
    int Pay = 0, PayDeal = 0, PaySum = 0, DepDealPay = 0, Note = 0, NoteDeal = 0, DepDealNote = 0;

    // Two more children of a deal: payments (with a view) and notes (without).
    void MakeMoreChildren()
    {
        Pay = AddTable(QStringLiteral("XPAY"), QStringLiteral("Платежи"),
                       QStringLiteral("XDEAL_ID integer references XDEAL, XPAY_SUM numeric(18,2)"));
        PayDeal = C.AddFld(Pay, QStringLiteral("XDEAL_ID"), QStringLiteral("fk"), QStringLiteral("Сделка"));
        PaySum = C.AddFld(Pay, QStringLiteral("XPAY_SUM"), QStringLiteral("num182"), QStringLiteral("Сумма"));
        DepDealPay = C.AddDep(D.Deal, PayDeal, QStringLiteral("XDealPay"));
        int view = C.AddTbl(QStringLiteral("Платежи"), 0, DepDealPay, true);
        C.AddTblTree(view, C.PkFld(Pay), 1, 4);
        C.AddTblTree(view, PaySum, 2, 3);
        Note = AddTable(QStringLiteral("XNOTE"), QStringLiteral("Заметки"),
                        QStringLiteral("XDEAL_ID integer references XDEAL, XNOTE_TEXT varchar(80)"));
        NoteDeal = C.AddFld(Note, QStringLiteral("XDEAL_ID"), QStringLiteral("fk"), QStringLiteral("Сделка"));
        DepDealNote = C.AddDep(D.Deal, NoteDeal, QStringLiteral("XDealNote"));
        S.Exec(QStringLiteral("insert into XDEAL (XDEAL_ID, XDEAL_NUM) values (20, 'D-20')"));
        S.Exec(QStringLiteral("insert into XPROD values (21, 20, 1, 1, 1)"));
        S.Exec(QStringLiteral("insert into XPAY values (1, 10, 5)"));
        S.Exec(QStringLiteral("insert into XPAY values (2, 10, 6)"));
        S.Exec(QStringLiteral("insert into XPAY values (3, 20, 7)"));
    }
};

TEST_F(DetBookTest, PersonalSetWinsAndAmongDefaultsTheDeveloperSetOnlyInDeveloperMode)
{
    MakeDeals(false);
    int devBook = AddDetBook(D.Deal, QStringLiteral("Разработчика"), true, QStringLiteral("Main"), 1);
    int userBook = AddDetBook(D.Deal, QStringLiteral("Пользователя"), true, QStringLiteral("Main"), 0);
    int own = AddDetBook(D.Deal, QStringLiteral("Своя"), false);
    int usr = C.AddUsr(QStringLiteral("ivan"));
    AddUsrDet(usr, own);
    CommitRetaining();

    const struct {
        bool Dev;
        int User;
        int Expected;
    } cases[] = {{true, 0, devBook}, {false, 0, userBook}, {true, usr, own}, {false, usr, own}};
    for (const auto& c : cases) {
        DevMode = c.Dev;
        TDetBook book;
        ASSERT_TRUE(book.LoadCurrent(Obj(D.Deal), c.User));
        EXPECT_EQ(book.Id, c.Expected) << "dev " << c.Dev << " user " << c.User;
    }
    DevMode = false;
    TDetBook byName;
    ASSERT_TRUE(byName.LoadByName(Obj(D.Deal), QStringLiteral("Main")));
    EXPECT_EQ(byName.Id, userBook);
    EXPECT_EQ(byName.Capt, "Пользователя");
    EXPECT_TRUE(byName.Default);
    EXPECT_FALSE(byName.Dev);
    EXPECT_EQ(byName.Obj, Obj(D.Deal));
}

TEST_F(DetBookTest, MissingSetIsNoErrorUnlessAsked)
{
    MakeDeals(false);
    TDetBook book;
    EXPECT_FALSE(book.LoadCurrent(Obj(D.Deal), 0));
    EXPECT_EQ(book.Count(), 0);
    book.RaiseLoad = true;
    EXPECT_EQ(ErrorOf([&] { book.LoadCurrent(Obj(D.Deal), 0); }), "Для объекта \"Сделка\" набор деталей не создан");
    EXPECT_EQ(ErrorOf([&] { book.LoadByName(Obj(D.Deal), QStringLiteral("X")); }),
              "Для объекта \"Сделка\" набор деталей не создан");
    EXPECT_EQ(ErrorOf([&] { book.LoadById(-1); }), "Набор деталей не найден");
}

TEST_F(DetBookTest, LinksKeepTheOrderTheyWereAddedInAndForeignLinksAreRefused)
{
    MakeDeals(false);
    MakeMoreChildren();
    int book = AddDetBook(D.Deal, QStringLiteral("Все"));
    AddDetDep(book, DepDealNote, 900);
    AddDetDep(book, D.DepDealProd, 901);
    AddDetDep(book, DepDealPay, 902);
    int bad = AddDetBook(D.Deal, QStringLiteral("Чужая"), false);
    AddDetDep(bad, D.DepDealClient);  // a link whose parent is the client, not the deal
    CommitRetaining();
    LoadObjList();

    TDetBook b;
    ASSERT_TRUE(b.LoadById(book));
    ASSERT_EQ(b.Count(), 3);
    EXPECT_EQ(b[0]->Id, DepDealNote);
    EXPECT_EQ(b[1]->Id, D.DepDealProd);
    EXPECT_EQ(b[2]->Id, DepDealPay);
    ASSERT_TRUE(b.LoadById(book));  // loading again does not list the links twice
    EXPECT_EQ(b.Count(), 3);

    TDetBook f;
    EXPECT_EQ(ErrorOf([&] { f.LoadById(bad); }),
              QStringLiteral("TDetBook.Load: Для объекта \"Сделка\" в наборе деталей (%1) не найдена деталь с кодом %2")
                  .arg(bad)
                  .arg(D.DepDealClient));
}

TEST_F(DetBookTest, DetailAreaHasOneTabPerLinkListingOnlyTheParentsChildren)
{
    MakeDeals(false);
    MakeMoreChildren();
    int book = AddDetBook(D.Deal, QStringLiteral("Все"));
    AddDetDep(book, D.DepDealProd);
    AddDetDep(book, DepDealPay);
    AddDetDep(book, DepDealNote);
    CommitRetaining();
    LoadObjList();

    QWidget host;
    host.resize(600, 400);
    host.show();
    auto* panel = new QWidget(&host);
    panel->setGeometry(0, 0, 400, 200);
    panel->show();
    TWinDetBook area(&host, panel);
    std::vector<TWinDet*> added, changed;
    area.Init(Obj(D.Deal), 0);
    area.OnNewRecord = [&](TWinDet* ASender) { added.push_back(ASender); };
    area.OnAfterChange = [&](TWinDet* ASender) { changed.push_back(ASender); };
    ASSERT_EQ(area.Count(), 3);
    QTabWidget* pc = area.PageControl();
    ASSERT_NE(pc, nullptr);
    EXPECT_EQ(pc->count(), 3);
    EXPECT_EQ(pc->tabText(0), "Товары сделки");
    EXPECT_EQ(pc->tabText(1), "Платежи");
    EXPECT_EQ(pc->tabText(2), "Заметки");
    EXPECT_EQ(pc->geometry(), QRect(8, 8, 384, 184));
    panel->resize(500, 300);
    EXPECT_EQ(pc->geometry(), QRect(8, 8, 484, 284));

    auto* prods = dynamic_cast<TWinDetTbl*>(area[0]);
    auto* pays = dynamic_cast<TWinDetTbl*>(area[1]);
    auto* notes = dynamic_cast<TWinDetTbl*>(area[2]);
    ASSERT_NE(prods->WinTbl, nullptr);
    ASSERT_NE(pays->WinTbl, nullptr);
    EXPECT_EQ(notes->WinTbl, nullptr);  // no view of that link: an empty tab

    area.EnableAddBtn();
    area.SetParentId(10);
    area.Open();
    prods->WinTbl->GotoEnd();
    pays->WinTbl->GotoEnd();
    EXPECT_EQ(prods->WinTbl->Count(), 2);
    EXPECT_EQ(pays->WinTbl->Count(), 2);
    area.Close();
    area.SetParentId(20);
    area.Open();
    prods->WinTbl->GotoEnd();
    pays->WinTbl->GotoEnd();
    EXPECT_EQ(prods->WinTbl->Count(), 1);
    EXPECT_EQ(pays->WinTbl->Count(), 1);

    // A grid's events reach the area with the tab as sender.
    pays->WinTbl->OnAfterChange(pays->WinTbl.get());
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0], pays);
    prods->WinTbl->OnAddClick(prods->WinTbl.get());
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0], prods);

    area.SetEnabled(false);
    EXPECT_FALSE(pc->isEnabled());
}

TEST_F(DetBookTest, ObjectWithoutSetGetsNoDetailArea)
{
    MakeDeals(false);
    QWidget panel;
    TWinDetBook area(&panel, &panel);
    area.Init(Obj(D.Deal), 0);
    EXPECT_EQ(area.Count(), 0);
    EXPECT_EQ(area.PageControl(), nullptr);
    area.SetParentId(10);
    area.Open();  // nothing to open
}

}  // namespace
