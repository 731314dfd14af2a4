#include "SqlTrace.h"
#include "TablesFixture.h"
#include "tables/Filter.h"
#include "tables/FilterList.h"
#include "tables/Tbl.h"

#include <algorithm>

namespace {

using FilterTest = TablesTest;

TEST_F(FilterTest, NodeKindCodesComeFromTheDatabaseOnce)
{
    // A row with a name the program does not know is ignored.
    S.Exec(QStringLiteral("insert into FLTRTRTP (FLTRTRTP_ID, FLTRTRTP_NAME) values (gen_id(FLTRTRTP_ID, 1), 'Like')"));
    const int like = C.FltrTrTpId(QStringLiteral("Like"));
    const QList<QPair<QString, TFilterTreeType>> kinds{
        {"And", ftAnd},     {"Or", ftOr},       {"Equal", ftEqual},           {"Greater", ftGreater},
        {"Less", ftLess},   {"Empty", ftEmpty}, {"Containing", ftContaining}, {"Between", ftBetween},
        {"In", ftIn},       {"Exist", ftExist}};
    TSqlTrace trace;
    for (const auto& k : kinds) EXPECT_EQ(CodeToFilterTreeType(C.FltrTrTpId(k.first)), k.second) << k.first.toStdString();
    EXPECT_EQ(trace.Count(QStringLiteral("select * from FLTRTRTP")), 1);
    EXPECT_EQ(ErrorOf([&] { CodeToFilterTreeType(like); }),
              QStringLiteral("CodeToFilterTreeType: Тип узла фильтра с кодом %1 не найден").arg(like));
}

TEST_F(FilterTest, NameDifferingOnlyInCaseFillsNoEntry)
{
    TSales t(C);
    const int andCode = C.FltrTrTpId(QStringLiteral("And"));
    int f = C.AddFltr(QStringLiteral("Ф"), QStringLiteral("F"), true, 0, 0, 0, t.Deal);
    C.AddFltrNode(f, 1, 2, QStringLiteral("And"));
    S.Exec(QStringLiteral("update FLTRTRTP set FLTRTRTP_NAME = 'and' where FLTRTRTP_ID = %1").arg(andCode));
    LoadObjList();

    EXPECT_EQ(CodeToFilterTreeType(C.FltrTrTpId(QStringLiteral("Equal"))), ftEqual);
    TFilter filter;
    EXPECT_EQ(ErrorOf([&] { filter.LoadById(f); }),
              QStringLiteral("CodeToFilterTreeType: Тип узла фильтра с кодом %1 не найден").arg(andCode));
}

TEST_F(FilterTest, LoadsTreeWithValuesFieldsLinksAndPaths)
{
    TSales t(C);
    int f = C.AddFltr(QStringLiteral("Открытые"), QStringLiteral("Open"), true, 0, 0, 0, t.Deal);
    // Root (1,10) -> A (2,3), B (4,7), C (8,9); B -> D (5,6); inserted out of order.
    int c = C.AddFltrNode(f, 8, 9, QStringLiteral("Empty"), t.CityName, {}, false, QStringLiteral("Dup"),
                          t.DepCityClient);
    int a = C.AddFltrNode(f, 2, 3, QStringLiteral("Equal"), t.DealNum, QStringLiteral("D-1"), true,
                          QStringLiteral("Num"));
    int root = C.AddFltrNode(f, 1, 10, QStringLiteral("And"), 0, {}, false, QStringLiteral("Root"));
    int d = C.AddFltrNode(f, 5, 6, QStringLiteral("Containing"), t.ClientName, {}, false, QStringLiteral("Dup"));
    int b = C.AddFltrNode(f, 4, 7, QStringLiteral("And"), 0, {}, false, QStringLiteral("Group"));
    // Path steps are ordered by their own id, not by insertion.
    C.AddFltrPath(c, t.ClientCity, 900);
    C.AddFltrPath(c, t.DealClient, 800);
    C.AddFltrPath(d, t.DealClient);
    LoadObjList();

    TFilter filter;
    ASSERT_TRUE(filter.LoadById(f));
    EXPECT_EQ(filter.Id, f);
    EXPECT_EQ(filter.Capt, "Открытые");
    EXPECT_EQ(filter.Name, "Open");
    TFilterTreeItem* r = filter.FilterTree.get();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Id, root);
    EXPECT_EQ(r->FilterTreeType, ftAnd);
    ASSERT_EQ(r->Count(), 3);
    EXPECT_EQ(r->Items(0)->Id, a);
    EXPECT_EQ(r->Items(1)->Id, b);
    EXPECT_EQ(r->Items(2)->Id, c);
    ASSERT_EQ(r->Items(1)->Count(), 1);
    EXPECT_EQ(r->Items(1)->Items(0)->Id, d);

    TFilterTreeItem* na = r->Items(0);
    EXPECT_EQ(na->FilterTreeType, ftEqual);
    EXPECT_TRUE(na->No);
    EXPECT_EQ(na->Value.Type(), VarType::String);
    EXPECT_EQ(na->Value.ToString(), "D-1");
    EXPECT_EQ(na->Fld, ObjList->GetFldById(t.DealNum));
    EXPECT_EQ(na->FldList->Count(), 0);
    EXPECT_EQ(na->Lft, 2);
    EXPECT_EQ(na->Rgt, 3);

    TFilterTreeItem* nc = r->Items(2);
    EXPECT_EQ(nc->FilterTreeType, ftEmpty);
    EXPECT_FALSE(nc->No);
    EXPECT_TRUE(nc->Value.IsEmpty());  // null column: unassigned, not Null
    EXPECT_EQ(nc->ObjLink, ObjList->GetObjLinkById(t.DepCityClient));
    ASSERT_EQ(nc->FldList->Count(), 2);
    EXPECT_EQ(nc->FldList->Items(0)->Id, t.DealClient);
    EXPECT_EQ(nc->FldList->Items(1)->Id, t.ClientCity);
    EXPECT_TRUE(nc->ParamIndex.IsEmpty());

    TFilterTreeItem* nd = r->Items(1)->Items(0);
    EXPECT_EQ(nd->FilterTreeType, ftContaining);
    ASSERT_EQ(nd->FldList->Count(), 1);
    EXPECT_EQ(nd->FldList->Items(0)->Id, t.DealClient);

    // Pre-order: D (inside B) comes before C.
    EXPECT_EQ(filter.GetFilterTreeItemByName(QStringLiteral("Dup")), nd);
    EXPECT_EQ(filter.GetFilterTreeItemByName(QStringLiteral("Root")), r);
    EXPECT_EQ(filter.GetFilterTreeItemByName(QStringLiteral("Group")), r->Items(1));
    EXPECT_EQ(filter.GetFilterTreeItemByName(QStringLiteral("dup")), nullptr);
}

TEST_F(FilterTest, MissingFilterEmptyTreeAndBrokenTree)
{
    TSales t(C);
    int empty = C.AddFltr(QStringLiteral("Пустой"), QStringLiteral("Empty"), true, 0, 0, 0, t.Deal);
    int broken = C.AddFltr(QStringLiteral("Сломанный"), QStringLiteral("Broken"), true, 0, 0, 0, t.Deal);
    C.AddFltrNode(broken, 1, 4, QStringLiteral("And"));
    C.AddFltrNode(broken, 2, 3, QStringLiteral("Equal"), t.DealNum);
    C.AddFltrNode(broken, 7, 8, QStringLiteral("Equal"), t.DealSum);
    LoadObjList();

    TFilter filter;
    ASSERT_TRUE(filter.LoadById(empty));
    EXPECT_EQ(filter.FilterTree, nullptr);
    EXPECT_FALSE(filter.LoadById(999999));
    EXPECT_EQ(filter.Id, empty);
    filter.RaiseLoad = true;
    EXPECT_EQ(ErrorOf([&] { filter.LoadById(999999); }), "Фильтр не найден");

    EXPECT_EQ(ErrorOf([&] { filter.LoadById(broken); }), "Дерево фильтра испорчено");
    ASSERT_NE(filter.FilterTree, nullptr);
    ASSERT_EQ(filter.FilterTree->Count(), 1);
    EXPECT_EQ(filter.FilterTree->Items(0)->Fld->Id, t.DealNum);
}

TEST_F(FilterTest, AlwaysOnFiltersOfViewLinkAndObjectWithDeveloperRule)
{
    TSales t(C);
    int objView = C.AddTbl(QStringLiteral("Сделки"), t.Deal, 0, true);
    int linkView = C.AddTbl(QStringLiteral("Сделки клиента"), 0, t.DepClientDeal, true);
    int agentView = C.AddTbl(QStringLiteral("Сделки агента"), 0, t.DepAgentDeal, true);
    int clientView = C.AddTbl(QStringLiteral("Клиенты"), t.Client, 0, true);
    for (int v : {objView, linkView, agentView}) C.AddTblTree(v, t.DealId, 1, 2);
    C.AddTblTree(clientView, t.ClientId, 1, 2);
    C.AddFltr(QStringLiteral("вид"), QStringLiteral("View"), true, 0, objView);
    C.AddFltr(QStringLiteral("связь"), QStringLiteral("Link"), true, 0, 0, t.DepClientDeal);
    C.AddFltr(QStringLiteral("объект"), QStringLiteral("Obj"), true, 0, 0, 0, t.Deal);
    C.AddFltr(QStringLiteral("другой объект"), QStringLiteral("Other"), true, 0, 0, 0, t.Client);
    C.AddFltr(QStringLiteral("другой вид"), QStringLiteral("OtherView"), true, 0, clientView);
    C.AddFltr(QStringLiteral("не всегда"), QStringLiteral("NotAlways"), false, 0, 0, 0, t.Deal);
    C.AddFltr(QStringLiteral("dev null"), QStringLiteral("DevNull"), true, -1, 0, 0, t.Deal);
    C.AddFltr(QStringLiteral("dev 1"), QStringLiteral("Dev1"), true, 1, 0, 0, t.Deal);
    LoadObjList();

    struct Case {
        int View;
        bool Dev;
        QStringList Names;
    } cases[] = {
        {objView, false, {"Dev1", "DevNull", "Obj", "View"}},
        {objView, true, {"Obj", "View"}},
        {linkView, false, {"Dev1", "DevNull", "Link", "Obj"}},
        {linkView, true, {"Link", "Obj"}},
        {agentView, false, {"Dev1", "DevNull", "Obj"}},
        {clientView, false, {"Other", "OtherView"}},
    };
    TFilterList list;
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("view %1, developer mode %2").arg(c.View).arg(c.Dev).toStdString());
        TDevModeScope dev(c.Dev);
        TTbl tbl;
        ASSERT_TRUE(tbl.LoadById(c.View));
        list.Load(&tbl);  // replaces what the list held
        QStringList names;
        for (const auto& f : list) {
            EXPECT_TRUE(f->RaiseLoad);
            names << f->Name;
        }
        names.sort();
        EXPECT_EQ(names, c.Names);
    }
    EXPECT_EQ(list.GetByName(QStringLiteral("Other"))->Capt, "другой объект");
    EXPECT_EQ(list.GetByName(QStringLiteral("other")), nullptr);
}

TEST_F(FilterTest, FilterThatFailsToLoadStopsTheList)
{
    TSales t(C);
    int view = C.AddTbl(QStringLiteral("Сделки"), t.Deal, 0, true);
    C.AddTblTree(view, t.DealId, 1, 2);
    int f = C.AddFltr(QStringLiteral("Сломанный"), QStringLiteral("Broken"), true, 0, view);
    C.AddFltrNode(f, 1, 2, QStringLiteral("And"));
    C.AddFltrNode(f, 5, 6, QStringLiteral("And"));
    LoadObjList();

    TTbl tbl;
    ASSERT_TRUE(tbl.LoadById(view));
    TFilterList list;
    EXPECT_EQ(ErrorOf([&] { list.Load(&tbl); }), "Дерево фильтра испорчено");
    EXPECT_EQ(list.Count(), 0);
}

}  // namespace
