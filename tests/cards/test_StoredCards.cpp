// The shipped database: every stored card and detail set loads and builds as
// a window, for a new record and for a stored one, and every object gets a
// card for the demo user. Runs on the demo database; when it cannot be made
// the test fails (it does not skip).
#include "CardsGui.h"
#include "TestSession.h"
#include "cards/WinCard.h"
#include "cards/WinDetTbl.h"

#include "app/func.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableView>
#include <gtest/gtest.h>

#include <functional>

namespace {

struct TCardRow {
    int Id;
    QString Capt;
    QString Table;
};

// A detail area that shows one stored set, chosen by its id.
class TDetBookById : public TWinDetBook {
public:
    TDetBookById(QWidget* AParent, int AId) : TWinDetBook(AParent, AParent), FId(AId) {}
    void LoadDetBook(TObj*, int) override
    {
        DetBook->RaiseLoad = true;
        DetBook->LoadById(FId);
    }

private:
    int FId;
};

class StoredCardsTest : public ::testing::Test {
protected:
    StoredCardsTest() { ResetCtrlTypeTable(); }
    ~StoredCardsTest() override
    {
        ::UserId = FSavedUser;
        ResetCtrlTypeTable();
    }

    // The demo company: made by the project's own set-up code.
    TTestSession S{TDbSetupOptions{.Demo = true}};
    int FSavedUser = ::UserId;

    QList<QList<Variant>> Rows(const QString& ASql)
    {
        auto q = NewIBSQL();
        q->SQL = QStringList{ASql};
        q->ExecQuery();
        QList<QList<Variant>> rows;
        while (!q->Eof()) {
            QList<Variant> row;
            for (int i = 0; i < q->FieldCount(); ++i) row << q->Fields(i).AsVariant();
            rows << row;
            q->Next();
        }
        q->Close();
        return rows;
    }

    static int FieldControls(const TCtrl* ANode)
    {
        int n = IsFieldCtrlType(ANode->CtrlType) ? 1 : 0;
        for (const auto& c : *ANode) n += FieldControls(c.get());
        return n;
    }
    static int EditorNodes(const TWinCtrl* ANode)
    {
        int n = ANode->AtrItem ? 1 : 0;
        for (const auto& c : *ANode) n += EditorNodes(c.get());
        return n;
    }
};

TEST_F(StoredCardsTest, EveryStoredCardBuildsForANewAndAStoredRecord)
{
    LoadObjList();
    ::UserId = S.Value(QStringLiteral("select USR_ID from USR where USR_LOGIN = 'tormel'")).ToInt();
    ASSERT_GT(::UserId, 0);
    QList<TCardRow> cards;
    for (const QList<Variant>& r :
         Rows(QStringLiteral("select C.CARD_ID, C.CARD_CAPT, O.OBJ_TABLE from CARD C join OBJ O on O.OBJ_ID = C.OBJ_ID "
                             "order by C.CARD_ID")))
        cards << TCardRow{r[0].ToInt(), r[1].AsText(), r[2].AsText()};
    ASSERT_GT(cards.size(), 20) << "the shipped database holds the catalogue's own cards and the demo's";

    for (const TCardRow& row : cards) {
        SCOPED_TRACE(QStringLiteral("card %1 \"%2\" of %3").arg(row.Id).arg(row.Capt, row.Table).toStdString());
        {
            TWinCard card(nullptr, nullptr, nullptr);
            ASSERT_NO_THROW(card.InitById(row.Id));
            ASSERT_NE(card.Card->RootCtrl, nullptr);
            EXPECT_EQ(EditorNodes(card.WinAtr->GetRootWinCtrl()), FieldControls(card.Card->RootCtrl.get()));
            EXPECT_EQ(card.Width(), card.Card->Width);
            const int det = card.WinDetBook ? TCardSplitter::BarHeight + card.Card->HeightDet : 0;
            EXPECT_EQ(card.Height(), card.Card->HeightAtr + det + 40);
            EXPECT_NO_THROW(card.WinAtr->InitDefaultValues(nullptr, Variant::Null()));
            EXPECT_FALSE(card.WinAtr->Atr->Modified());
        }
        TObj* obj = ObjList->GetObjByTable(row.Table);
        TFld* pk = obj->FldList->GetPKFld();
        ASSERT_NE(pk, nullptr);
        const Variant first =
            S.Value(QStringLiteral("select first 1 %1 from %2 order by 1").arg(pk->Field, obj->Table));
        if (first.IsNull()) continue;
        TWinCard card(nullptr, nullptr, nullptr);
        ASSERT_NO_THROW(card.InitById(row.Id));
        EXPECT_NO_THROW(card.SetRecId(first)) << "record " << first.AsText().toStdString();
        EXPECT_FALSE(card.WinAtr->Atr->Modified());
    }
    RollbackRetaining();
}

TEST_F(StoredCardsTest, EveryObjectHasACardForTheDemoUser)
{
    LoadObjList();
    ::UserId = S.Value(QStringLiteral("select USR_ID from USR where USR_LOGIN = 'tormel'")).ToInt();
    for (TObj* obj : *ObjList) {
        SCOPED_TRACE(obj->Table.toStdString());
        TWinCard card(nullptr, nullptr, nullptr);
        EXPECT_NO_THROW(card.InitByUser(obj, ::UserId));
    }
}

TEST_F(StoredCardsTest, EveryStoredDetailSetBuildsItsTabsAndListsChildren)
{
    LoadObjList();
    ::UserId = S.Value(QStringLiteral("select USR_ID from USR where USR_LOGIN = 'tormel'")).ToInt();
    const QList<QList<Variant>> books =
        Rows(QStringLiteral("select DETBOOK_ID, OBJ_ID from DETBOOK order by DETBOOK_ID"));
    ASSERT_FALSE(books.isEmpty()) << "the demo company has detail sets";
    for (const QList<Variant>& b : books) {
        const int id = b[0].ToInt();
        SCOPED_TRACE(QStringLiteral("detail set %1").arg(id).toStdString());
        TObj* obj = ObjList->GetObjById(b[1].ToInt());
        QWidget panel;
        panel.resize(400, 200);
        TDetBookById book(&panel, id);
        ASSERT_NO_THROW(book.Init(obj, ::UserId));
        const int links = S.Value(QStringLiteral("select count(*) from DETDEP where DETBOOK_ID = %1").arg(id)).ToInt();
        EXPECT_EQ(book.Count(), links);
        if (links == 0) continue;
        ASSERT_NE(book.PageControl(), nullptr);
        for (int i = 0; i < book.Count(); ++i) {
            EXPECT_EQ(book.PageControl()->tabText(i), book.DetBook->Items(i)->ChildFld->Obj->Capt2);
            auto* tab = dynamic_cast<TWinDetTbl*>(book.Items(i));
            ASSERT_NE(tab, nullptr);
            EXPECT_NE(tab->WinTbl, nullptr) << "the shipped catalogue has a view for every detail link";
        }
        const Variant parent = S.Value(
            QStringLiteral("select first 1 %1 from %2 order by 1").arg(obj->FldList->GetPKFld()->Field, obj->Table));
        if (parent.IsNull()) continue;
        book.SetParentId(parent.ToInt());
        EXPECT_NO_THROW(book.Open());
        book.Close();
    }
}

// The editor captioned ACapt on a card's form.
QLineEdit* EditByLabel(QWidget* AForm, const QString& ACapt)
{
    for (QLabel* label : AForm->findChildren<QLabel*>())
        if (label->text() == ACapt) return qobject_cast<QLineEdit*>(label->buddy());
    return nullptr;
}

void PostOk(QWidget* AForm)
{
    for (QPushButton* b : AForm->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("ОК")) PostClick(b);
}

// One product line through the deal card's products grid: the line's card,
// the product chosen with F2 in the picker (row ARow), the quantity typed, OK.
std::vector<TModalScript::TStep> ProductLine(int ARow, const QString& ACount, std::function<void()> AOnCardShown)
{
    auto line = [](QWidget* AModal) {
        return qobject_cast<QDialog*>(AModal) && AModal->windowTitle() == QStringLiteral("Продукт сделки");
    };
    return {[=](QWidget* AModal) {
                if (!line(AModal)) return false;
                if (AOnCardShown) AOnCardShown();
                QLineEdit* product = EditByLabel(AModal, QStringLiteral("Товар"));
                if (!product) return false;
                QCoreApplication::postEvent(product, new QKeyEvent(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier));
                return true;
            },
            [=](QWidget* AModal) {
                auto* grid = AModal->findChild<QTableView*>();
                if (AModal->windowTitle() != QStringLiteral("Товар") || !grid || grid->model()->rowCount() <= ARow)
                    return false;
                grid->setCurrentIndex(grid->model()->index(ARow, 0));
                PostOk(AModal);
                return true;
            },
            [=](QWidget* AModal) {
                if (!line(AModal)) return false;
                QLineEdit* product = EditByLabel(AModal, QStringLiteral("Товар"));
                if (!product || product->text().isEmpty()) return false;  // the choice is shown
                EditByLabel(AModal, QStringLiteral("Количество"))->setText(ACount);
                PostOk(AModal);
                return true;
            }};
}

TEST_F(StoredCardsTest, DemoDealWithTwoProductLinesThroughItsCard)
{
    LoadObjList();
    ::UserId = S.Value(QStringLiteral("select USR_ID from USR where USR_LOGIN = 'tormel'")).ToInt();
    TObj* deal = ObjList->GetObjByTable(QStringLiteral("DEAL"));
    const int client = S.Value(QStringLiteral("select first 1 CLIENT_ID from CLIENT order by 1")).ToInt();

    auto card = std::make_unique<TWinCard>(nullptr, nullptr, nullptr);
    card->InitByUser(deal, ::UserId);
    card->WinAtr->InitDefaultValues(nullptr, Variant::Null());
    card->WinAtr->GetWinCtrlByFldName(QStringLiteral("DEAL_NUM"))->Edit()->setText(QStringLiteral("Т-001"));
    card->WinAtr->GetWinCtrlByFldName(QStringLiteral("CLIENT_ID"))->SetValue(client);
    ASSERT_NE(card->WinDetBook, nullptr);
    TWinDetTbl* prods = nullptr;
    for (int i = 0; i < card->WinDetBook->Count(); ++i)
        if (card->WinDetBook->DetBook->Items(i)->Name == QStringLiteral("DealProd"))
            prods = dynamic_cast<TWinDetTbl*>(card->WinDetBook->Items(i));
    ASSERT_NE(prods, nullptr);
    ASSERT_NE(prods->WinTbl, nullptr);

    int savedBeforeFirstLine = -1;
    {
        TModalScript script(ProductLine(0, QStringLiteral("2"), [&] {
            savedBeforeFirstLine = CommittedValue(QStringLiteral("select count(*) from DEAL where DEAL_NUM = 'Т-001'"));
        }));
        prods->WinTbl->Add();
        ASSERT_TRUE(script.Wait());
    }
    {
        TModalScript script(ProductLine(1, QStringLiteral("3"), {}));
        prods->WinTbl->Add();
        ASSERT_TRUE(script.Wait());
    }
    EXPECT_EQ(savedBeforeFirstLine, 1);
    const int id = card->RecId().ToInt();
    EXPECT_EQ(S.Value(QStringLiteral("select count(*) from DEALPROD where DEAL_ID = %1").arg(id)).ToInt(), 2);
    const Variant total = S.Value(QStringLiteral("select sum(DEALPROD_PAY) from DEALPROD where DEAL_ID = %1").arg(id));
    EXPECT_GT(total.ToDouble(), 0);
    EXPECT_EQ(S.Value(QStringLiteral("select DEAL_SUM from DEAL where DEAL_ID = %1").arg(id)), total);
    TWinCtrl* sum = card->WinAtr->GetWinCtrlByFldName(QStringLiteral("DEAL_SUM"));
    EXPECT_EQ(sum->Edit()->text(), VarToStrByFldType(total, ftNum182));
    card->OkClick(nullptr);
    card.reset();

    // Reopened: everything as saved.
    RollbackRetaining();
    TWinCard again(nullptr, nullptr, nullptr);
    again.InitByUser(deal, ::UserId);
    again.SetRecId(id);
    EXPECT_EQ(again.WinAtr->GetWinCtrlByFldName(QStringLiteral("DEAL_NUM"))->Edit()->text(), "Т-001");
    EXPECT_EQ(again.WinAtr->GetWinCtrlByFldName(QStringLiteral("CLIENT_ID"))->Value(), Variant(client));
    EXPECT_EQ(again.WinAtr->GetWinCtrlByFldName(QStringLiteral("DEAL_SUM"))->Edit()->text(),
              VarToStrByFldType(total, ftNum182));
    for (int i = 0; i < again.WinDetBook->Count(); ++i)
        if (again.WinDetBook->DetBook->Items(i)->Name == QStringLiteral("DealProd")) {
            auto* tab = dynamic_cast<TWinDetTbl*>(again.WinDetBook->Items(i));
            tab->WinTbl->GotoEnd();
            EXPECT_EQ(tab->WinTbl->Count(), 2);
        }
}

}  // namespace
