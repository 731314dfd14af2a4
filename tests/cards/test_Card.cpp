#include "CardsFixture.h"
#include "cards/Card.h"

namespace {

// Kinds of the tree in pre-order with their bounds: "Root(1,10)[PageControl(2,7)[...] ...]".
std::string Shape(const TCtrl* ANode)
{
    std::string s = CtrlTypeTable[ANode->CtrlType].Name.toStdString() + "(" + std::to_string(ANode->Lft) + "," +
                    std::to_string(ANode->Rgt) + ")";
    if (ANode->Count() > 0) {
        s += "[";
        for (int i = 0; i < ANode->Count(); ++i) {
            if (i) s += " ";
            s += Shape(ANode->Items(i));
        }
        s += "]";
    }
    return s;
}

class CardTest : public CardsTest {
protected:
    // XDEAL (number, date, done flag) with a card of the example tree:
    // root -> PageControl -> TabSheet -> EditStr, and a CheckBox on the root.
    int Deal = 0, DealNum = 0, DealDate = 0, DealDone = 0, Card = 0;

    void MakeDeal()
    {
        Deal = AddTable(QStringLiteral("XDEAL"), QStringLiteral("Сделки"),
                        QStringLiteral("XDEAL_NUM varchar(20), XDEAL_DATE date, XDEAL_DONE integer"));
        DealNum = C.AddFld(Deal, QStringLiteral("XDEAL_NUM"), QStringLiteral("string"), QStringLiteral("Номер"), 20);
        DealDate = C.AddFld(Deal, QStringLiteral("XDEAL_DATE"), QStringLiteral("date"), QStringLiteral("Дата"));
        DealDone = C.AddFld(Deal, QStringLiteral("XDEAL_DONE"), QStringLiteral("boolean"), QStringLiteral("Закрыта"));
        Card = AddCard(Deal, QStringLiteral("Карточка сделки"), true, QStringLiteral("Main"), 360, 200, 0);
        AddCardTree(Card, RootSpec({PageSpec(QRect(8, 40, 300, 150),
                                             {TabSpec(QStringLiteral("Общее"),
                                                      {FieldSpec(QStringLiteral("EditStr"), DealNum,
                                                                 QRect(96, 8, 120, 33), QPoint(8, 10), true, false)})}),
                                    FieldSpec(QStringLiteral("CheckBox"), DealDone, QRect(96, 8, 16, 17), QPoint(8, 10),
                                              false, true)}));
    }
};

// ------------------------------------------------------------- code table

TEST_F(CardTest, CodeTableMapsTheStoredCodesBothWays)
{
    for (const TCtrlTypeRec& r : CtrlTypeTable) {
        const int code = CtrlTrTpId(r.Name);
        ASSERT_NE(code, 0) << r.Name.toStdString();
        EXPECT_EQ(CtrlTypeToCode(r.CtrlType), code);
        EXPECT_EQ(CodeToCtrlType(code), r.CtrlType);
    }
    EXPECT_EQ(CtrlTypeTable[ctBoolean].Name, "CheckBox");
    EXPECT_EQ(ErrorOf([] { CodeToCtrlType(99999); }), "CtrlType with code 99999 not found");
    EXPECT_EQ(ErrorOf([] { CtrlTypeToCode(static_cast<TCtrlType>(12)); }), "CtrlType \"12\" not found");
}

TEST_F(CardTest, UnknownNameFailsEveryLookupUntilTheTableLoads)
{
    S.Exec(
        QStringLiteral("insert into CTRLTRTP (CTRLTRTP_ID, CTRLTRTP_NAME) values (gen_id(CTRLTRTP_ID, 1), 'Slider')"));
    const QString message = QStringLiteral("Тип контрола с именем \"Slider\" не известен системе");
    EXPECT_EQ(ErrorOf([] { CtrlTypeToCode(ctRoot); }), message);
    EXPECT_EQ(ErrorOf([] { CodeToCtrlType(1); }), message);

    S.Exec(QStringLiteral("delete from CTRLTRTP where CTRLTRTP_NAME = 'Slider'"));
    EXPECT_EQ(CtrlTypeToCode(ctEditObj), CtrlTrTpId(QStringLiteral("EditObj")));
}

TEST_F(CardTest, KindMissingFromTheTableKeepsCodeZero)
{
    S.Exec(QStringLiteral("delete from CTRLTRTP where CTRLTRTP_NAME in ('EditNum183', 'Formula')"));
    EXPECT_EQ(CtrlTypeToCode(ctFormula), 0);
    EXPECT_EQ(CodeToCtrlType(0), ctEditNum183);  // the first such kind in table order
}

// ----------------------------------------------------------- card choice

TEST_F(CardTest, PersonalCardWinsOverTheDefaultInEitherMode)
{
    MakeDeal();
    int personal = AddCard(Deal, QStringLiteral("Своя"), false);
    int other = AddCard(Deal, QStringLiteral("Чужая"), false);
    int usr = C.AddUsr(QStringLiteral("ivan"));
    int usr2 = C.AddUsr(QStringLiteral("petr"));
    AddUsrCard(usr, personal);
    AddUsrCard(usr2, other);
    CommitRetaining();
    LoadObjList();

    for (bool dev : {false, true}) {
        DevMode = dev;
        TCard card;
        ASSERT_TRUE(card.LoadCurrent(Obj(Deal), usr));
        EXPECT_EQ(card.Id, personal) << "dev " << dev;
        TCard plain;
        ASSERT_TRUE(plain.LoadCurrent(Obj(Deal), C.AddUsr(dev ? QStringLiteral("u1") : QStringLiteral("u0"))));
        EXPECT_EQ(plain.Id, Card) << "dev " << dev;
    }
}

TEST_F(CardTest, AmongDefaultCardsTheDeveloperCardComesFirstOnlyInDeveloperMode)
{
    MakeDeal();
    S.Exec(QStringLiteral("delete from CARD where CARD_ID = %1").arg(Card));
    int devCard = AddCard(Deal, QStringLiteral("Разработчика"), true, QStringLiteral("Main"), 320, 120, 0, 1);
    int userCard = AddCard(Deal, QStringLiteral("Пользователя"), true, QStringLiteral("Main"), 320, 120, 0, 0);
    CommitRetaining();
    LoadObjList();

    const struct {
        bool Dev;
        int Expected;
    } cases[] = {{true, devCard}, {false, userCard}};
    for (const auto& c : cases) {
        DevMode = c.Dev;
        TCard current;
        ASSERT_TRUE(current.LoadCurrent(Obj(Deal), 0));
        EXPECT_EQ(current.Id, c.Expected) << "dev " << c.Dev;
        TCard byName;
        ASSERT_TRUE(byName.LoadByName(Obj(Deal), QStringLiteral("Main")));
        EXPECT_EQ(byName.Id, c.Expected) << "dev " << c.Dev;
    }
}

TEST_F(CardTest, LoadReadsTheRowAndAFailedLoadChangesNothing)
{
    MakeDeal();
    int client = AddTable(QStringLiteral("XCLIENT"), QStringLiteral("Клиенты"), {});
    AddCard(client, QStringLiteral("Клиент"), true, QStringLiteral("Other"));
    CommitRetaining();
    LoadObjList();

    TCard card;
    ASSERT_TRUE(card.LoadById(Card));
    EXPECT_EQ(card.Capt, "Карточка сделки");
    EXPECT_TRUE(card.Default);
    EXPECT_EQ(card.Name, "Main");
    EXPECT_EQ(card.Width, 360);
    EXPECT_EQ(card.HeightAtr, 200);
    EXPECT_EQ(card.HeightDet, 0);
    EXPECT_EQ(card.Obj, Obj(Deal));

    // A name of another object's card is not found; nothing changes.
    EXPECT_FALSE(card.LoadByName(Obj(Deal), QStringLiteral("Other")));
    EXPECT_FALSE(card.LoadById(Card + 1000));
    EXPECT_EQ(card.Id, Card);
    EXPECT_EQ(card.Capt, "Карточка сделки");
    ASSERT_NE(card.RootCtrl, nullptr);
    EXPECT_EQ(card.RootCtrl->Count(), 2);

    card.RaiseLoad = true;
    EXPECT_EQ(ErrorOf([&] { card.LoadById(Card + 1000); }), "Карточка не найдена");
    EXPECT_EQ(ErrorOf([&] { card.LoadByName(Obj(Deal), QStringLiteral("Other")); }),
              "Для объекта \"Сделки\" не создана карточка");
    EXPECT_EQ(ErrorOf([&] { card.LoadCurrent(Obj(client), 0); }), "<no error>");
    S.Exec(QStringLiteral("delete from CARD where OBJ_ID = %1").arg(client));
    EXPECT_EQ(ErrorOf([&] { card.LoadCurrent(Obj(client), 0); }), "Для объекта \"Клиенты\" не создана карточка");
}

// ---------------------------------------------------------- tree loading

TEST_F(CardTest, TreeLoadsAsNestedSetWithGeometryFlagsAndFields)
{
    MakeDeal();
    CommitRetaining();
    LoadObjList();

    TCard card;
    ASSERT_TRUE(card.LoadById(Card));
    const TCtrl* root = card.RootCtrl.get();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(Shape(root), "Root(1,10)[PageControl(2,7)[TabSheet(3,6)[EditStr(4,5)]] CheckBox(8,9)]");
    EXPECT_EQ(root->Parent, nullptr);
    const TCtrl* page = root->Items(0);
    const TCtrl* tab = page->Items(0);
    const TCtrl* edit = tab->Items(0);
    const TCtrl* check = root->Items(1);
    EXPECT_EQ(edit->Parent, tab);
    EXPECT_EQ(tab->Parent, page);
    EXPECT_EQ(page->Parent, root);

    EXPECT_EQ(QRect(page->CLeft, page->CTop, page->CWidth, page->CHeight), QRect(8, 40, 300, 150));
    EXPECT_EQ(tab->GetCapt(), "Общее");
    EXPECT_EQ(tab->Fld, nullptr);
    EXPECT_EQ(edit->Fld, Fld(DealNum));
    EXPECT_EQ(edit->GetCapt(), "Номер");
    EXPECT_EQ(QPoint(edit->LLeft, edit->LTop), QPoint(8, 10));
    EXPECT_TRUE(edit->ROAdd);
    EXPECT_FALSE(edit->ROEdt);
    EXPECT_FALSE(check->ROAdd);
    EXPECT_TRUE(check->ROEdt);
    EXPECT_EQ(check->CtrlType, ctBoolean);
    // Label sizes are read (here NULL, read as 0).
    EXPECT_EQ(check->LWidth, 0);
}

TEST_F(CardTest, TreeOfOnlyTheRootAndEmptyTree)
{
    MakeDeal();
    int bare = AddCard(Deal, QStringLiteral("Пустая"), false);
    AddCardTree(bare, RootSpec());
    int none = AddCard(Deal, QStringLiteral("Без дерева"), false);
    CommitRetaining();
    LoadObjList();

    TCard card;
    ASSERT_TRUE(card.LoadById(bare));
    ASSERT_NE(card.RootCtrl, nullptr);
    EXPECT_EQ(card.RootCtrl->Count(), 0);
    ASSERT_TRUE(card.LoadById(none));
    EXPECT_EQ(card.RootCtrl, nullptr);
}

TEST_F(CardTest, RowThatFitsNowhereRaisesTheStructureMessageAndKeepsEarlierNodes)
{
    MakeDeal();
    int bad = AddCard(Deal, QStringLiteral("Кривая"), false);
    AddCtrlRow(bad, 1, 10, QStringLiteral("Root"), 0, {}, {}, {}, false, false);
    AddCtrlRow(bad, 2, 3, QStringLiteral("EditStr"), DealNum, QRect(96, 8, 100, 0), QPoint(8, 10), {}, false, false);
    AddCtrlRow(bad, 12, 13, QStringLiteral("CheckBox"), DealDone, QRect(96, 30, 16, 17), QPoint(8, 32), {}, false,
               false);
    CommitRetaining();
    LoadObjList();

    TCard card;
    EXPECT_EQ(ErrorOf([&] { card.LoadById(bad); }),
              "Обнаружено нарушение структуры дерева для карточки \"Кривая\" (объект: \"Сделки\")");
    ASSERT_NE(card.RootCtrl, nullptr);
    EXPECT_EQ(Shape(card.RootCtrl.get()), "Root(1,10)[EditStr(2,3)]");
}

TEST_F(CardTest, FieldOfAnotherObjectIsKeptOnlyForEditAndReferenceKinds)
{
    MakeDeal();
    int client =
        AddTable(QStringLiteral("XCLIENT"), QStringLiteral("Клиенты"), QStringLiteral("XCLIENT_NAME varchar(80)"));
    int clientName =
        C.AddFld(client, QStringLiteral("XCLIENT_NAME"), QStringLiteral("string"), QStringLiteral("Имя"), 80);
    int clientDate = C.AddFld(client, QStringLiteral("XCLIENT_DATE"), QStringLiteral("date"), QStringLiteral("С"));
    int card = AddCard(Deal, QStringLiteral("Смешанная"), false);
    AddCardTree(card,
                RootSpec({FieldSpec(QStringLiteral("EditStr"), clientName, QRect(96, 8, 100, 0), QPoint(8, 10)),
                          FieldSpec(QStringLiteral("DateEdit"), clientDate, QRect(96, 30, 100, 21), QPoint(8, 32)),
                          FieldSpec(QStringLiteral("EditInt"), 0, QRect(96, 52, 100, 0), QPoint(8, 54))}));
    int gone = C.AddFld(client, QStringLiteral("XCLIENT_GONE"), QStringLiteral("string"), QStringLiteral("Нет"), 10);
    int lost = AddCard(Deal, QStringLiteral("Потерянная"), false);
    AddCardTree(lost, RootSpec({FieldSpec(QStringLiteral("EditStr"), gone, QRect(96, 8, 100, 0), QPoint(8, 10))}));
    CommitRetaining();
    LoadObjList();
    Obj(client)->FldList->Remove(Fld(gone));  // a field the loaded catalogue does not know

    TCard c;
    ASSERT_TRUE(c.LoadById(card));
    EXPECT_EQ(c.RootCtrl->Items(0)->Fld, Fld(clientName));
    EXPECT_EQ(c.RootCtrl->Items(1)->Fld, nullptr);
    EXPECT_EQ(c.RootCtrl->Items(2)->Fld, nullptr);  // no field id stored
    EXPECT_EQ(ErrorOf([&] { c.LoadById(lost); }),
              QStringLiteral("Поле с кодом \"%1\" среди объектов не найдено").arg(gone));
}

// ------------------------------------------------------------ deleting

TEST_F(CardTest, DeleteCtrlRemovesTheIdenticalNodeWithItsSubtree)
{
    MakeDeal();
    CommitRetaining();
    LoadObjList();
    TCard card;
    ASSERT_TRUE(card.LoadById(Card));
    TCtrl stranger;
    stranger.CtrlType = ctTabSheet;
    card.DeleteCtrl(&stranger);
    EXPECT_EQ(card.RootCtrl->Count(), 2);

    card.DeleteCtrl(card.RootCtrl->Items(0)->Items(0));  // the tab sheet with its edit
    EXPECT_EQ(Shape(card.RootCtrl.get()), "Root(1,10)[PageControl(2,7) CheckBox(8,9)]");
}

// ------------------------------------------------------------- writing

TEST_F(CardTest, SaveTreeWritesEachKindsColumnsRenumberedInPreOrder)
{
    MakeDeal();
    DescribeCardTables();
    int other = AddCard(Deal, QStringLiteral("Другая"), false);
    AddCardTree(other, RootSpec({FieldSpec(QStringLiteral("EditStr"), DealNum, QRect(1, 2, 3, 4), QPoint(5, 6))}));
    CommitRetaining();
    LoadObjList();

    TCard card;
    ASSERT_TRUE(card.LoadById(Card));
    card.DeleteCtrl(card.RootCtrl->Items(1));  // the check box
    const int idBefore = S.Value(QStringLiteral("select max(CTRLTREE_ID) from CTRLTREE")).ToInt();
    card.SaveTree();

    EXPECT_EQ(Shape(card.RootCtrl.get()), "Root(1,8)[PageControl(2,7)[TabSheet(3,6)[EditStr(4,5)]]]");
    auto q = NewIBSQL();
    q->SQL = QStringList{
        QStringLiteral(
            "select CTRLTREE_ID, CTRLTREE_LFT, CTRLTREE_RGT, CTRLTRTP_ID, FLD_ID, CTRLTREE_CLEFT, CTRLTREE_CTOP, "
            "CTRLTREE_CWIDTH, CTRLTREE_CHEIGHT, CTRLTREE_LLEFT, CTRLTREE_LTOP, CTRLTREE_CAPT, CTRLTREE_ROADD, "
            "CTRLTREE_ROEDT from CTRLTREE where CARD_ID = %1 order by CTRLTREE_LFT")
            .arg(Card)};
    q->ExecQuery();
    QStringList rows;
    while (!q->Eof()) {
        EXPECT_GT(q->Fields(0).AsInteger(), idBefore);
        QStringList cols;
        for (int i = 1; i < q->FieldCount(); ++i)
            cols << (q->Fields(i).IsNull() ? QStringLiteral("-") : q->Fields(i).AsString());
        rows << cols.join(u' ');
        q->Next();
    }
    q->Close();
    auto code = [&](const char* AKind) { return QString::number(CtrlTrTpId(QString::fromLatin1(AKind))); };
    const QStringList expected{
        // lft rgt kind fld cleft ctop cwidth cheight lleft ltop capt roadd roedt
        QStringLiteral("1 8 %1 - - - - - - - - 0 0").arg(code("Root")),
        QStringLiteral("2 7 %1 - 8 40 300 150 - - - 0 0").arg(code("PageControl")),
        QStringLiteral("3 6 %1 - - - - - - - Общее 0 0").arg(code("TabSheet")),
        QStringLiteral("4 5 %1 %2 96 8 120 - 8 10 - 1 0").arg(code("EditStr")).arg(DealNum),
    };
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(S.Value(QStringLiteral("select count(*) from CTRLTREE where CARD_ID = %1").arg(other)).ToInt(), 2);

    TCard again;
    ASSERT_TRUE(again.LoadById(Card));
    EXPECT_EQ(Shape(again.RootCtrl.get()), Shape(card.RootCtrl.get()));

    // Saving neither commits nor rolls back: the caller's rollback restores the old rows.
    RollbackRetaining();
    EXPECT_EQ(S.Value(QStringLiteral("select count(*) from CTRLTREE where CARD_ID = %1").arg(Card)).ToInt(), 5);
}

TEST_F(CardTest, SaveTreeKeepsHeightsOfDateAndCheckBoxAndOwnCaptionsOfVirtualFields)
{
    MakeDeal();
    DescribeCardTables();
    int virt = C.AddFld(Deal, QStringLiteral("XDEAL_V"), QStringLiteral("string"), QStringLiteral("Вирт"), 20);
    SetFld(virt, QStringLiteral("FLD_VIRT = 1"));
    CommitRetaining();
    LoadObjList();

    TCard card;
    ASSERT_TRUE(card.LoadById(Card));
    auto add = [&](TCtrlType AType, TFld* AFld, const QString& ACapt) {
        auto n = std::make_unique<TCtrl>();
        n->CtrlType = AType;
        n->Fld = AFld;
        n->Capt = ACapt;
        n->CLeft = 10;
        n->CTop = 20;
        n->CWidth = 30;
        n->CHeight = 40;
        n->LLeft = 50;
        n->LTop = 60;
        card.RootCtrl->Add(std::move(n));
    };
    add(ctDateEdit, Fld(DealDate), QStringLiteral("не пишется"));
    add(ctEditStr, Fld(virt), QStringLiteral("Своя подпись"));
    card.SaveTree();

    auto row = [&](int ALft) {
        auto q = NewIBSQL();
        q->SQL = QStringList{QStringLiteral("select CTRLTREE_CHEIGHT, CTRLTREE_CAPT from CTRLTREE where CARD_ID = %1 "
                                            "and CTRLTREE_LFT = %2")
                                 .arg(Card)
                                 .arg(ALft)};
        q->ExecQuery();
        QString r = (q->Fields(0).IsNull() ? QStringLiteral("-") : q->Fields(0).AsString()) + u' ' +
                    (q->Fields(1).IsNull() ? QStringLiteral("-") : q->Fields(1).AsString());
        q->Close();
        return r;
    };
    EXPECT_EQ(row(8), "17 -");             // the check box keeps its height
    EXPECT_EQ(row(10), "40 -");            // the date editor too; a real field's caption is not written
    EXPECT_EQ(row(12), "- Своя подпись");  // an edit has no height; a virtual field keeps its caption
}

TEST_F(CardTest, SaveCardWritesTheSizesWithoutCommitting)
{
    MakeDeal();
    DescribeCardTables();
    CommitRetaining();
    LoadObjList();

    TCard card;
    ASSERT_TRUE(card.LoadById(Card));
    card.Width = 400;
    card.HeightAtr = 256;
    card.HeightDet = 168;
    card.SaveCard();
    auto q = NewIBSQL();
    q->SQL = QStringList{
        QStringLiteral("select CARD_WIDTH, CARD_HEIGHTATR, CARD_HEIGHTDET, CARD_CAPT from CARD where CARD_ID = %1")
            .arg(Card)};
    q->ExecQuery();
    EXPECT_EQ(q->Fields(0).AsInteger(), 400);
    EXPECT_EQ(q->Fields(1).AsInteger(), 256);
    EXPECT_EQ(q->Fields(2).AsInteger(), 168);
    EXPECT_EQ(q->Fields(3).AsString(), "Карточка сделки");
    q->Close();
    RollbackRetaining();
    EXPECT_EQ(S.Value(QStringLiteral("select CARD_WIDTH from CARD where CARD_ID = %1").arg(Card)).ToInt(), 360);
}

}  // namespace
