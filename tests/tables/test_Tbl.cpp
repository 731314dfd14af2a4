#include "TablesFixture.h"
#include "tables/Tbl.h"

namespace {

class TblTest : public TablesTest {
protected:
    // "<Capt>: (Lft,Rgt) <LongCapt> [children]" for the whole tree.
    static QString Shape(const TTblTree* ANode)
    {
        QString s = QStringLiteral("%1(%2,%3)").arg(ANode->LongCapt).arg(ANode->Lft).arg(ANode->Rgt);
        if (ANode->Count()) {
            QStringList kids;
            for (const auto& c : *ANode) {
                EXPECT_EQ(c->Parent, ANode);
                kids << Shape(c.get());
            }
            s += QStringLiteral("[") + kids.join(QStringLiteral(" ")) + QStringLiteral("]");
        }
        return s;
    }
};

// Views of deals for three users, inserted so that the database's own row
// order never gives the right answer for both modes.
struct TViews {
    int DevDefault, UserDefault, Personal, OtherPersonal, LinkDefault, LinkPersonal, ClientView;
    int Anna, Boris, Carl;

    TViews(TCatalogFixture& C, const TSales& T)
    {
        DevDefault = C.AddTbl(QStringLiteral("Сделки разработчика"), T.Deal, 0, true, QStringLiteral("Main"), 1);
        UserDefault = C.AddTbl(QStringLiteral("Сделки"), T.Deal, 0, true, QStringLiteral("Main"), 0);
        Personal = C.AddTbl(QStringLiteral("Мои сделки"), T.Deal, 0, false, QStringLiteral("Д'Артаньян"), 0);
        OtherPersonal = C.AddTbl(QStringLiteral("Сделки Бориса"), T.Deal, 0, false, {}, -1);
        LinkDefault = C.AddTbl(QStringLiteral("Сделки клиента"), 0, T.DepClientDeal, true, QStringLiteral("Main"), 0);
        LinkPersonal = C.AddTbl(QStringLiteral("Мои сделки клиента"), 0, T.DepClientDeal, false, {}, 0);
        ClientView = C.AddTbl(QStringLiteral("Клиенты"), T.Client, 0, true, QStringLiteral("Main"), 0);
        for (int v : {DevDefault, UserDefault, Personal, OtherPersonal, LinkDefault, LinkPersonal})
            C.AddTblTree(v, T.DealId, 1, 2);
        C.AddTblTree(ClientView, T.ClientId, 1, 2);
        Anna = C.AddUsr(QStringLiteral("anna"));
        Boris = C.AddUsr(QStringLiteral("boris"));
        Carl = C.AddUsr(QStringLiteral("carl"));
        C.AddUsrTbl(Anna, Personal);
        C.AddUsrTbl(Anna, LinkPersonal);
        C.AddUsrTbl(Boris, OtherPersonal);
    }
};

TEST_F(TblTest, PersonalViewWinsThenDefaultOrderedByDeveloperFlag)
{
    TSales t(C);
    TViews v(C, t);
    LoadObjList();
    TObj* deal = ObjList->GetObjById(t.Deal);
    TObjLink* link = ObjList->GetObjLinkById(t.DepClientDeal);

    struct Case {
        const char* What;
        int User;
        bool Dev;
        bool Link;
        int Expected;
    } cases[] = {
        {"personal, normal mode", v.Anna, false, false, v.Personal},
        {"personal, developer mode", v.Anna, true, false, v.Personal},
        {"another user's personal", v.Boris, false, false, v.OtherPersonal},
        {"no personal, normal mode: non-developer default", v.Carl, false, false, v.UserDefault},
        {"no personal, developer mode: developer default", v.Carl, true, false, v.DevDefault},
        {"link, personal", v.Anna, false, true, v.LinkPersonal},
        {"link, default in developer mode", v.Carl, true, true, v.LinkDefault},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TDevModeScope dev(c.Dev);
        TTbl tbl;
        ASSERT_TRUE(tbl.LoadCurrent(deal, c.Link ? link : nullptr, c.User));
        EXPECT_EQ(tbl.Id, c.Expected);
        EXPECT_EQ(tbl.Obj, c.Link ? nullptr : deal);
        EXPECT_EQ(tbl.ObjLink, c.Link ? link : nullptr);
        EXPECT_EQ(tbl.GetObj(), deal);
        ASSERT_NE(tbl.TblTree, nullptr);
        EXPECT_EQ(tbl.TblTree->Fld->Id, t.DealId);
    }

    TTbl tbl;
    ASSERT_TRUE(tbl.LoadCurrent(deal, nullptr, v.Carl));
    EXPECT_EQ(tbl.Capt, "Сделки");
    EXPECT_TRUE(tbl.Default);
    EXPECT_EQ(tbl.Name, "Main");
    EXPECT_FALSE(tbl.Dev);
}

TEST_F(TblTest, ByNameAndById)
{
    TSales t(C);
    TViews v(C, t);
    LoadObjList();
    TObj* deal = ObjList->GetObjById(t.Deal);
    TObjLink* link = ObjList->GetObjLinkById(t.DepClientDeal);

    TTbl tbl;
    EXPECT_TRUE(tbl.LoadByName(deal, nullptr, QStringLiteral("Main")));
    EXPECT_EQ(tbl.Id, v.UserDefault);
    {
        TDevModeScope dev(true);
        EXPECT_TRUE(tbl.LoadByName(deal, nullptr, QStringLiteral("Main")));
        EXPECT_EQ(tbl.Id, v.DevDefault);
        EXPECT_TRUE(tbl.Dev);
    }
    EXPECT_TRUE(tbl.LoadByName(deal, nullptr, QStringLiteral("Д'Артаньян")));  // bound, not spliced
    EXPECT_EQ(tbl.Id, v.Personal);
    EXPECT_FALSE(tbl.LoadByName(deal, nullptr, QStringLiteral("main")));      // case-sensitive
    EXPECT_TRUE(tbl.LoadByName(nullptr, link, QStringLiteral("Main")));
    EXPECT_EQ(tbl.Id, v.LinkDefault);

    EXPECT_TRUE(tbl.LoadById(v.OtherPersonal));
    EXPECT_EQ(tbl.Capt, "Сделки Бориса");
    EXPECT_FALSE(tbl.Default);
    EXPECT_EQ(tbl.Name, "");
}

TEST_F(TblTest, MissingViewAnswersFalseOrRaises)
{
    TSales t(C);
    TViews v(C, t);
    LoadObjList();
    TObj* city = ObjList->GetObjById(t.City);
    TObj* client = ObjList->GetObjById(t.Client);
    TObjLink* cityLink = ObjList->GetObjLinkById(t.DepCityClient);  // a link without views

    TTbl tbl;
    ASSERT_TRUE(tbl.LoadById(v.UserDefault));
    EXPECT_FALSE(tbl.LoadCurrent(city, nullptr, v.Anna));
    EXPECT_FALSE(tbl.LoadById(999999));
    EXPECT_FALSE(tbl.LoadByName(city, nullptr, QStringLiteral("Main")));
    EXPECT_EQ(tbl.Id, v.UserDefault);  // a load that finds nothing changes nothing
    EXPECT_EQ(tbl.Capt, "Сделки");
    ASSERT_NE(tbl.TblTree, nullptr);

    tbl.RaiseLoad = true;
    struct Case {
        std::function<void()> Load;
        QString Message;
    } cases[] = {
        {[&] { tbl.LoadCurrent(city, nullptr, v.Anna); }, "Для объекта \"Города\" не создана таблица"},
        {[&] { tbl.LoadCurrent(client, cityLink, v.Anna); }, "Для объекта \"Клиенты\" не создана таблица"},
        {[&] { tbl.LoadCurrent(nullptr, cityLink, v.Anna); }, "Таблица не найдена"},
        {[&] { tbl.LoadById(999999); }, "Таблица не найдена"},
        {[&] { tbl.LoadByName(city, nullptr, QStringLiteral("Main")); }, "Для объекта \"Города\" не создана таблица"},
        {[&] { tbl.LoadByName(nullptr, nullptr, QStringLiteral("Main")); },
         "TTbl.LoadByName: Не указаны ни объект, ни связь таблицы"},
    };
    for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.Load), c.Message);
}

TEST_F(TblTest, ColumnTreeLoadsAsNestedSetWithCaptionPaths)
{
    TSales t(C);
    int view = C.AddTbl(QStringLiteral("Сделки"), t.Deal, 0, true);
    // Rows inserted out of order: the loader orders them by the left bound.
    C.AddTblTree(view, t.CityName, 8, 9);
    C.AddTblTree(view, t.DealNum, 2, 3);
    C.AddTblTree(view, t.DealId, 1, 12);
    C.AddTblTree(view, t.ClientCity, 7, 10);
    C.AddTblTree(view, t.DealClient, 4, 11);
    C.AddTblTree(view, t.ClientName, 5, 6);
    int rootOnly = C.AddTbl(QStringLiteral("Только ключ"), t.Deal);
    C.AddTblTree(rootOnly, t.DealId, 1, 2);
    int empty = C.AddTbl(QStringLiteral("Пустая"), t.Deal);
    LoadObjList();

    TTbl tbl;
    ASSERT_TRUE(tbl.LoadById(view));
    ASSERT_NE(tbl.TblTree, nullptr);
    EXPECT_EQ(tbl.TblTree->Parent, nullptr);
    EXPECT_EQ(Shape(tbl.TblTree.get()),
              "Код(1,12)[Номер(2,3) Клиент(4,11)[Клиент>Наименование(5,6) Клиент>Город(7,10)"
              "[Клиент>Город>Название(8,9)]]]");
    EXPECT_EQ(tbl.TblTree->Items(1)->Items(1)->Items(0)->Fld, ObjList->GetFldById(t.CityName));

    ASSERT_TRUE(tbl.LoadById(rootOnly));
    EXPECT_EQ(Shape(tbl.TblTree.get()), "Код(1,2)");
    ASSERT_TRUE(tbl.LoadById(empty));
    EXPECT_EQ(tbl.TblTree, nullptr);
}

TEST_F(TblTest, RowOutsideTheNestedSetStopsTheLoadKeepingWhatWasAttached)
{
    TSales t(C);
    int bad = C.AddTbl(QStringLiteral("Сломанная"), t.Deal);
    C.AddTblTree(bad, t.DealId, 1, 8);
    C.AddTblTree(bad, t.DealNum, 2, 3);
    C.AddTblTree(bad, t.DealSum, 10, 11);
    int sibling = C.AddTbl(QStringLiteral("Два корня"), 0, t.DepClientDeal);
    C.AddTblTree(sibling, t.DealId, 1, 2);
    C.AddTblTree(sibling, t.DealNum, 3, 4);  // next to the root: no parent
    LoadObjList();

    TTbl tbl;
    EXPECT_EQ(ErrorOf([&] { tbl.LoadById(bad); }),
              "Обнаружено нарушение структуры дерева для таблицы \"Сломанная\" (объект: \"Сделки\")");
    ASSERT_NE(tbl.TblTree, nullptr);
    ASSERT_EQ(tbl.TblTree->Count(), 1);
    EXPECT_EQ(tbl.TblTree->Items(0)->Fld->Id, t.DealNum);

    EXPECT_EQ(ErrorOf([&] { tbl.LoadById(sibling); }),
              "Обнаружено нарушение структуры дерева для таблицы \"Два корня\" (объект: \"Сделки\")");
}

TEST_F(TblTest, ReusedViewTakesObjectAndLinkFromTheRowItLoads)
{
    TSales t(C);
    int clients = C.AddTbl(QStringLiteral("Клиенты"), t.Client);
    C.AddTblTree(clients, t.ClientId, 1, 2);
    int clientDeals = C.AddTbl(QStringLiteral("Сделки клиента"), 0, t.DepClientDeal);
    C.AddTblTree(clientDeals, t.DealId, 1, 2);
    LoadObjList();

    TTbl tbl;
    ASSERT_TRUE(tbl.LoadById(clients));
    EXPECT_EQ(tbl.GetObj(), ObjList->GetObjById(t.Client));
    ASSERT_TRUE(tbl.LoadById(clientDeals));
    EXPECT_EQ(tbl.Obj, nullptr);
    EXPECT_EQ(tbl.ObjLink, ObjList->GetObjLinkById(t.DepClientDeal));
    EXPECT_EQ(tbl.GetObj(), ObjList->GetObjById(t.Deal));
    ASSERT_TRUE(tbl.LoadById(clients));
    EXPECT_EQ(tbl.ObjLink, nullptr);
}

TEST_F(TblTest, SaveTreeRewritesRowsInPreOrderNumbered1To2n)
{
    TSales t(C);
    // The catalogue's description of TBLTREE, through which rows are written.
    int tblTree = C.ObjOfTable(QStringLiteral("TBLTREE"), QStringLiteral("Столбцы"));
    C.FldOfObj(tblTree, QStringLiteral("TBL_ID"), QStringLiteral("int"), QStringLiteral("Таблица"));
    C.FldOfObj(tblTree, QStringLiteral("FLD_ID"), QStringLiteral("int"), QStringLiteral("Поле"));
    C.FldOfObj(tblTree, QStringLiteral("TBLTREE_LFT"), QStringLiteral("int"), QStringLiteral("Левая"));
    C.FldOfObj(tblTree, QStringLiteral("TBLTREE_RGT"), QStringLiteral("int"), QStringLiteral("Правая"));
    int view = C.AddTbl(QStringLiteral("Сделки"), t.Deal);
    C.AddTblTree(view, t.DealId, 1, 20);
    C.AddTblTree(view, t.DealSum, 2, 3);
    int other = C.AddTbl(QStringLiteral("Другая"), t.Deal);
    C.AddTblTree(other, t.DealId, 1, 4);
    C.AddTblTree(other, t.DealDate, 2, 3);
    CommitRetaining();
    LoadObjList();

    TTbl tbl;
    ASSERT_TRUE(tbl.LoadById(view));
    // As the column tree editor does: replace the root's children.
    TTblTree* root = tbl.TblTree.get();
    root->Clear();
    auto node = [](TFld* AFld) {
        auto n = std::make_unique<TTblTree>();
        n->Fld = AFld;
        n->Lft = n->Rgt = 77;
        return n;
    };
    root->Add(node(ObjList->GetFldById(t.DealNum)));
    TTblTree* b = root->Add(node(ObjList->GetFldById(t.DealClient)));
    b->Add(node(ObjList->GetFldById(t.ClientName)));
    const int idBefore = S.Value(QStringLiteral("select max(TBLTREE_ID) from TBLTREE")).ToInt();

    tbl.SaveTree();

    EXPECT_EQ(Shape(root), "Код(1,8)[Номер(2,3) Клиент(4,7)[Клиент>Наименование(5,6)]]");
    auto rows = [&](int ATbl) {
        auto q = NewIBSQL();
        q->SQL = QStringList{QStringLiteral("select FLD_ID, TBLTREE_LFT, TBLTREE_RGT, TBLTREE_ID from TBLTREE "
                                            "where TBL_ID = %1 order by TBLTREE_LFT")
                                 .arg(ATbl)};
        q->ExecQuery();
        QStringList r;
        while (!q->Eof()) {
            r << QStringLiteral("%1:%2-%3").arg(q->Fields(0).AsInteger()).arg(q->Fields(1).AsInteger()).arg(
                q->Fields(2).AsInteger());
            EXPECT_GT(q->Fields(3).AsInteger(), idBefore);  // new keys drawn from the sequence
            q->Next();
        }
        q->Close();
        return r;
    };
    const QStringList expected{QStringLiteral("%1:1-8").arg(t.DealId), QStringLiteral("%1:2-3").arg(t.DealNum),
                               QStringLiteral("%1:4-7").arg(t.DealClient), QStringLiteral("%1:5-6").arg(t.ClientName)};
    auto otherRows = [&] {
        return S.Value(QStringLiteral("select count(*) from TBLTREE where TBL_ID = %1").arg(other)).ToInt();
    };
    EXPECT_EQ(rows(view), expected);
    EXPECT_EQ(otherRows(), 2);

    TTbl again;
    ASSERT_TRUE(again.LoadById(view));
    EXPECT_EQ(Shape(again.TblTree.get()), Shape(root));

    // Saving neither commits nor rolls back: the caller's rollback restores the old rows.
    RollbackRetaining();
    EXPECT_EQ(S.Value(QStringLiteral("select count(*) from TBLTREE where TBL_ID = %1").arg(view)).ToInt(), 2);
}

}  // namespace
