#include "TablesFixture.h"
#include "tables/Sql.h"
#include "tables/Tbl.h"

#include <algorithm>

namespace {

// The three statement texts of one compiled view.
struct TTexts {
    QStringList Select, Refresh, Delete;
};

class SqlTest : public TablesTest {
protected:
    // Compiles a view as the grid window does.
    static TTexts Compile(TTbl& ATbl, TTblSql& ASql)
    {
        ASql.Clear();
        ASql.CreateBaseSQL(&ATbl);
        ASql.LoadFilters();
        ASql.AddFilters();
        TTexts t;
        ASql.SetSQL(t.Select, t.Refresh, t.Delete);
        return t;
    }

    // Every generated statement must be accepted by the server.
    static void PrepareAll(const TTexts& ATexts)
    {
        for (const QStringList* text : {&ATexts.Select, &ATexts.Refresh, &ATexts.Delete}) {
            auto q = NewIBSQL();
            q->SQL = *text;
            EXPECT_EQ(ErrorOf([&] { q->Prepare(); }), "<no error>") << text->join(QLatin1Char('\n')).toStdString();
        }
    }

    // Runs a statement with the builder's bindings; answers the first column of every row.
    static QList<int> Run(const QStringList& AText, const TTblSql& ASql, TSQLType AType, QList<QStringList>* ARows = nullptr)
    {
        auto q = NewIBSQL();
        q->SQL = AText;
        ASql.SetParams(q.get(), AType);
        q->ExecQuery();
        QList<int> ids;
        while (!q->Eof()) {
            ids << q->Fields(0).AsInteger();
            if (ARows) {
                QStringList row;
                for (int i = 0; i < q->FieldCount(); ++i) row << q->Fields(i).AsVariant().AsText();
                *ARows << row;
            }
            q->Next();
        }
        q->Close();
        return ids;
    }

    QString Capt(int AFldId) { return S.Value(QStringLiteral("select FLD_CAPT from FLD where FLD_ID = %1").arg(AFldId)).ToString(); }
};

TEST_F(SqlTest, LinkViewOfFieldsUnderAnObject)
{
    // The catalogue's own tables: FLD rows listed under their OBJ row.
    int obj = C.ObjOfTable(QStringLiteral("OBJ"), QStringLiteral("Объекты"));
    int objCapt = C.FldOfObj(obj, QStringLiteral("OBJ_CAPT"), QStringLiteral("string"), QStringLiteral("Объект"), 250);
    int fld = C.ObjOfTable(QStringLiteral("FLD"), QStringLiteral("Поля"));
    int fldId = C.PkFld(fld);
    int fldCapt = C.FldOfObj(fld, QStringLiteral("FLD_CAPT"), QStringLiteral("string"), QStringLiteral("Поле"), 250);
    int fldObj = C.FldOfObj(fld, QStringLiteral("OBJ_ID"), QStringLiteral("fk"), QStringLiteral("Объект"));
    int dep = C.DepOfChild(obj, fldObj, QStringLiteral("ObjFld"));
    int view = C.AddTbl(QStringLiteral("Поля объекта"), 0, dep, true);
    C.AddTblTree(view, fldId, 1, 8);
    C.AddTblTree(view, fldCapt, 2, 3);
    C.AddTblTree(view, fldObj, 4, 7);
    C.AddTblTree(view, objCapt, 5, 6);
    S.Exec(QStringLiteral("delete from FLTR where OBJ_ID = %1 or DEP_ID = %2").arg(fld).arg(dep));
    LoadObjList();

    TTbl tbl;
    ASSERT_TRUE(tbl.LoadById(view));
    TTblSql sql;
    TTexts t = Compile(tbl, sql);

    const QStringList head{QStringLiteral("select"),
                           QStringLiteral("  T0.FLD_ID as T0FLD_ID /* %1 */,").arg(Capt(fldId)),
                           QStringLiteral("  T0.FLD_CAPT as T0FLD_CAPT /* %1 */,").arg(Capt(fldCapt)),
                           QStringLiteral("  T1.OBJ_CAPT as T1OBJ_CAPT /* %1 */").arg(Capt(objCapt)),
                           QStringLiteral("from"),
                           QStringLiteral("  FLD T0"),
                           QStringLiteral("  left join OBJ T1 on T1.OBJ_ID = T0.OBJ_ID")};
    EXPECT_EQ(t.Select, (head + QStringList{"where", "  T0.OBJ_ID = :0"}));
    EXPECT_EQ(t.Refresh, (head + QStringList{"where", "  T0.FLD_ID = :1"}));
    EXPECT_EQ(t.Delete, (QStringList{"delete", "from", "  FLD T0", "where", "  T0.FLD_ID = :2"}));
    EXPECT_FALSE(sql.ShowPKCol);
    PrepareAll(t);

    // The select lists exactly the fields of the parent object.
    ASSERT_NE(sql.ParentFilter, nullptr);
    sql.ParentFilter->FilterTree->Value = obj;
    QList<int> ids = Run(t.Select, sql, stSelect);
    std::sort(ids.begin(), ids.end());
    QList<int> expected;
    {
        auto q = NewIBSQL();
        q->SQL = QStringList{QStringLiteral("select FLD_ID from FLD where OBJ_ID = %1 order by FLD_ID").arg(obj)};
        q->ExecQuery();
        while (!q->Eof()) {
            expected << q->Fields(0).AsInteger();
            q->Next();
        }
        q->Close();
    }
    EXPECT_EQ(ids, expected);
    sql.RefreshFilter->FilterTree->Value = fldCapt;
    QList<QStringList> rows;
    EXPECT_EQ(Run(t.Refresh, sql, stRefresh, &rows), QList<int>{fldCapt});
    EXPECT_EQ(rows.value(0).value(1), Capt(fldCapt));
}

// Deals with the client's name and city, the agent's name and the sum,
// under three always-on filters whose paths reuse the column joins.
struct TDealView {
    int View;
    TDealView(TCatalogFixture& C, const TSales& T)
    {
        View = C.AddTbl(QStringLiteral("Сделки"), T.Deal, 0, true);
        C.AddTblTree(View, T.DealId, 1, 18);
        C.AddTblTree(View, T.DealNum, 2, 3);
        C.AddTblTree(View, T.DealClient, 4, 11);
        C.AddTblTree(View, T.ClientName, 5, 6);
        C.AddTblTree(View, T.ClientCity, 7, 10);
        C.AddTblTree(View, T.CityName, 8, 9);
        C.AddTblTree(View, T.DealAgent, 12, 15);
        C.AddTblTree(View, T.ClientName, 13, 14);
        C.AddTblTree(View, T.DealSum, 16, 17);

        // Open deals of clients whose name contains "льф" (path = the client column's join).
        int f1 = C.AddFltr(QStringLiteral("Открытые"), QStringLiteral("Open"), true, 0, 0, 0, T.Deal);
        C.AddFltrNode(f1, 1, 6, QStringLiteral("And"));
        C.AddFltrNode(f1, 2, 3, QStringLiteral("Equal"), T.DealDone, {}, true);
        int n = C.AddFltrNode(f1, 4, 5, QStringLiteral("Containing"), T.ClientName, QStringLiteral("льф"));
        C.AddFltrPath(n, T.DealClient);
        // The agent's city: the agent join is reused, its city join is new.
        int f2 = C.AddFltr(QStringLiteral("Город агента"), QStringLiteral("AgentCity"), true, 0, View);
        n = C.AddFltrNode(f2, 1, 2, QStringLiteral("Equal"), T.CityName, QStringLiteral("Москва"), false,
                          QStringLiteral("City"));
        C.AddFltrPath(n, T.DealAgent);
        C.AddFltrPath(n, T.ClientCity);
        // Dated deals with a given number: the Empty node takes no parameter.
        int f3 = C.AddFltr(QStringLiteral("Номер"), QStringLiteral("Num"), true, 0, 0, 0, T.Deal);
        C.AddFltrNode(f3, 1, 6, QStringLiteral("And"));
        C.AddFltrNode(f3, 2, 3, QStringLiteral("Empty"), T.DealDate, {}, true);
        C.AddFltrNode(f3, 4, 5, QStringLiteral("Equal"), T.DealNum, {}, false, QStringLiteral("Num"));
    }
};

TEST_F(SqlTest, ObjectViewWithJoinsAndFilters)
{
    TSales t(C);
    TDealView v(C, t);
    LoadObjList();

    TTbl tbl;
    ASSERT_TRUE(tbl.LoadById(v.View));
    TTblSql sql;
    TTexts x = Compile(tbl, sql);
    ASSERT_EQ(sql.FilterList->Count(), 3);
    ASSERT_EQ(sql.FilterList->Items(0)->Name, "Open");  // database order of FLTR
    ASSERT_EQ(sql.FilterList->Items(1)->Name, "AgentCity");

    const QStringList columns{
        QStringLiteral("select"),
        QStringLiteral("  T0.XDEAL_ID as T0XDEAL_ID /* Код */,"),
        QStringLiteral("  T0.XDEAL_NUM as T0XDEAL_NUM /* Номер */,"),
        QStringLiteral("  T1.XCLIENT_NAME as T1XCLIENT_NAME /* Наименование */,"),
        QStringLiteral("  T2.XCITY_NAME as T2XCITY_NAME /* Название */,"),
        QStringLiteral("  T3.XCLIENT_NAME as T3XCLIENT_NAME /* Наименование */,"),
        QStringLiteral("  T0.XDEAL_SUM as T0XDEAL_SUM /* Сумма */"),
        QStringLiteral("from"),
        QStringLiteral("  XDEAL T0"),
    };
    const QStringList columnJoins{
        QStringLiteral("  left join XCLIENT T1 on T1.XCLIENT_ID = T0.XCLIENT_ID"),
        QStringLiteral("  left join XCITY T2 on T2.XCITY_ID = T1.XCITY_ID"),
        QStringLiteral("  left join XCLIENT T3 on T3.XCLIENT_ID = T0.XAGENT_ID"),
    };
    EXPECT_EQ(x.Select, (columns + columnJoins +
                            QStringList{
                                "  join XCITY T4 on T4.XCITY_ID = T3.XCITY_ID",
                                "where",
                                "  (",
                                "  T0.XDEAL_DONE <> 1",
                                "  and",
                                "  T1.XCLIENT_NAME containing :0",
                                "  )",
                                "and",
                                "  T4.XCITY_NAME = :1",
                                "and",
                                "  (",
                                "  T0.XDEAL_DATE is not null",
                                "  and",
                                "  T0.XDEAL_NUM = :2",
                                "  )",
                            }));
    // The refresh statement re-reads by key alone: no filter-path join, no select filter.
    EXPECT_EQ(x.Refresh, (columns + columnJoins + QStringList{"where", "  T0.XDEAL_ID = :3"}));
    EXPECT_EQ(x.Delete, (QStringList{"delete", "from", "  XDEAL T0", "where", "  T0.XDEAL_ID = :4"}));
    EXPECT_FALSE(sql.ShowPKCol);
    PrepareAll(x);

    EXPECT_EQ(sql.GetSelectFldByFld(ObjList->GetFldById(t.ClientName)), sql.SelectFldList[2].get());
    EXPECT_EQ(sql.GetSelectFldByFld(ObjList->GetFldById(t.DealDate)), nullptr);
    EXPECT_EQ(sql.SelectFldList[4]->TblTree->LongCapt, "Агент>Наименование");

    // Values: code fills the named node that has none stored.
    TFilter* num = sql.FilterList->GetByName(QStringLiteral("Num"));
    EXPECT_EQ(ErrorOf([&] { Run(x.Select, sql, stSelect); }), "Variant is empty");
    num->GetFilterTreeItemByName(QStringLiteral("Num"))->Value = Variant::Null();
    EXPECT_EQ(ErrorOf([&] { Run(x.Select, sql, stSelect); }), "Variant is null");
    num->GetFilterTreeItemByName(QStringLiteral("Num"))->Value = QStringLiteral("D-4");
    QList<QStringList> rows;
    EXPECT_EQ(Run(x.Select, sql, stSelect, &rows), QList<int>{4});
    EXPECT_EQ(rows.value(0), (QStringList{"4", "D-4", "Альфа", "Москва", "Альфа", "7"}));

    // Deal 2 is hidden by the select's filters but is still re-read by key.
    sql.RefreshFilter->FilterTree->Value = 2;
    rows.clear();
    EXPECT_EQ(Run(x.Refresh, sql, stRefresh, &rows), QList<int>{2});
    EXPECT_EQ(rows.value(0), (QStringList{"2", "D-2", "Бета", "Тверь", "Альфа", "20"}));

    sql.DeleteFilter->FilterTree->Value = 3;
    Run(x.Delete, sql, stDelete);
    EXPECT_EQ(S.Value(QStringLiteral("select count(*) from XDEAL where XDEAL_ID = 3")).ToInt(), 0);
    EXPECT_EQ(S.Value(QStringLiteral("select count(*) from XDEAL")).ToInt(), 3);
}

TEST_F(SqlTest, ColumnsAndJoinsFromTheTreeShape)
{
    TSales t(C);
    struct Case {
        const char* What;
        QList<QList<int>> Rows;  // field id, left, right
        QStringList Aliases;     // result column names in order
        QStringList Joins;       // from and join lines of the select
        bool ShowPKCol;
    } cases[] = {
        {"root only", {{t.DealId, 1, 2}}, {"T0XDEAL_ID"}, {"  XDEAL T0"}, false},
        {"key before a reference: folded into column 0",
         {{t.DealId, 1, 8}, {t.DealId, 2, 3}, {t.DealClient, 4, 7}, {t.ClientName, 5, 6}},
         {"T0XDEAL_ID", "T1XCLIENT_NAME"},
         {"  XDEAL T0", "  left join XCLIENT T1 on T1.XCLIENT_ID = T0.XCLIENT_ID"},
         true},
        {"key after a reference: selected again",
         {{t.DealId, 1, 8}, {t.DealClient, 2, 5}, {t.ClientName, 3, 4}, {t.DealId, 6, 7}},
         {"T0XDEAL_ID", "T1XCLIENT_NAME", "T0XDEAL_ID"},
         {"  XDEAL T0", "  left join XCLIENT T1 on T1.XCLIENT_ID = T0.XCLIENT_ID"},
         false},
        {"reference without children: a join, no column",
         {{t.DealId, 1, 6}, {t.DealClient, 2, 3}, {t.DealNum, 4, 5}},
         {"T0XDEAL_ID", "T0XDEAL_NUM"},
         {"  XDEAL T0", "  left join XCLIENT T1 on T1.XCLIENT_ID = T0.XCLIENT_ID"},
         false},
        {"two references to one object: two aliases",
         {{t.DealId, 1, 10}, {t.DealAgent, 2, 5}, {t.ClientVip, 3, 4}, {t.DealClient, 6, 9}, {t.ClientId, 7, 8}},
         {"T0XDEAL_ID", "T1XCLIENT_VIP", "T2XCLIENT_ID"},
         {"  XDEAL T0", "  left join XCLIENT T1 on T1.XCLIENT_ID = T0.XAGENT_ID",
          "  left join XCLIENT T2 on T2.XCLIENT_ID = T0.XCLIENT_ID"},
         false},
    };
    QList<int> views;
    for (const Case& c : cases) {
        int v = C.AddTbl(QString::fromUtf8(c.What), t.Deal);
        for (const auto& r : c.Rows) C.AddTblTree(v, r[0], r[1], r[2]);
        views << v;
    }
    LoadObjList();

    for (int i = 0; i < views.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.What);
        TTbl tbl;
        ASSERT_TRUE(tbl.LoadById(views[i]));
        TTblSql sql;
        TTexts x = Compile(tbl, sql);
        QStringList aliases;
        for (const auto& f : sql.SelectFldList) aliases << QStringLiteral("T%1%2").arg(f->Index).arg(f->TblTree->Fld->Field);
        EXPECT_EQ(aliases, c.Aliases);
        EXPECT_EQ(sql.ShowPKCol, c.ShowPKCol);
        const int from = x.Select.indexOf(QStringLiteral("from"));
        EXPECT_EQ(x.Select.mid(from + 1), c.Joins);  // no always-on filters: no where clause
        EXPECT_EQ(x.Refresh.mid(from + 1), (c.Joins + QStringList{"where", "  T0.XDEAL_ID = :0"}));
        EXPECT_EQ(x.Delete.last(), "  T0.XDEAL_ID = :1");
        PrepareAll(x);
        auto q = NewIBSQL();
        q->SQL = x.Select;
        q->ExecQuery();
        EXPECT_EQ(q->FieldCount(), c.Aliases.size());
        q->Close();
    }
}

TEST_F(SqlTest, FilterPathsReuseJoinsByFieldAndParentAlias)
{
    TSales t(C);
    int view = C.AddTbl(QStringLiteral("Сделки"), t.Deal);
    C.AddTblTree(view, t.DealId, 1, 6);
    C.AddTblTree(view, t.DealClient, 2, 5);
    C.AddTblTree(view, t.ClientName, 3, 4);
    struct PathCase {
        QList<int> Path;
        int Fld;
        QString Line;
    } paths[] = {
        // The agent's name: no column joins through XAGENT_ID yet, so a new inner join.
        {{t.DealAgent}, t.ClientName, "  T2.XCLIENT_NAME = :0"},
        // The same path again: the filter-path join is reused.
        {{t.DealAgent}, t.ClientVip, "  T2.XCLIENT_VIP = 1"},
        // Through the client column's join, then a new join to the client's city.
        {{t.DealClient, t.ClientCity}, t.CityName, "  T3.XCITY_NAME = :1"},
        // The agent's city: XCITY_ID joined from T1 does not serve T2.
        {{t.DealAgent, t.ClientCity}, t.CityName, "  T4.XCITY_NAME = :2"},
        // Empty path: the main table.
        {{}, t.DealSum, "  T0.XDEAL_SUM = :3"},
    };
    for (const PathCase& p : paths) {
        int f = C.AddFltr(QStringLiteral("ф"), {}, true, 0, view);
        int n = C.AddFltrNode(f, 1, 2, QStringLiteral("Equal"), p.Fld, QStringLiteral("1"));
        for (int step : p.Path) C.AddFltrPath(n, step);
    }
    LoadObjList();

    TTbl tbl;
    ASSERT_TRUE(tbl.LoadById(view));
    TTblSql sql;
    TTexts x = Compile(tbl, sql);
    const int from = x.Select.indexOf(QStringLiteral("from"));
    const int where = x.Select.indexOf(QStringLiteral("where"));
    EXPECT_EQ(x.Select.mid(from + 1, where - from - 1),
              (QStringList{"  XDEAL T0", "  left join XCLIENT T1 on T1.XCLIENT_ID = T0.XCLIENT_ID",
                           "  join XCLIENT T2 on T2.XCLIENT_ID = T0.XAGENT_ID",
                           "  join XCITY T3 on T3.XCITY_ID = T1.XCITY_ID",
                           "  join XCITY T4 on T4.XCITY_ID = T2.XCITY_ID"}));
    QStringList conditions;
    for (const PathCase& p : paths) conditions << p.Line;
    EXPECT_EQ(x.Select.mid(where + 1).filter(QStringLiteral("  T")), conditions);
    EXPECT_EQ(x.Select.mid(where + 1).count(QStringLiteral("and")), 4);
    EXPECT_EQ(x.Refresh.filter(QStringLiteral("join")),
              QStringList{"  left join XCLIENT T1 on T1.XCLIENT_ID = T0.XCLIENT_ID"});
    PrepareAll(x);
}

TEST_F(SqlTest, ParameterNumbersRunAcrossStatementsOfALinkView)
{
    TSales t(C);
    int view = C.AddTbl(QStringLiteral("Сделки клиента"), 0, t.DepClientDeal, true);
    C.AddTblTree(view, t.DealId, 1, 4);
    C.AddTblTree(view, t.DealNum, 2, 3);
    int f = C.AddFltr(QStringLiteral("ф"), QStringLiteral("F"), true, 0, 0, t.DepClientDeal);
    C.AddFltrNode(f, 1, 8, QStringLiteral("And"));
    C.AddFltrNode(f, 2, 3, QStringLiteral("Empty"), t.DealSum, {}, false, QStringLiteral("Empty"));
    C.AddFltrNode(f, 4, 5, QStringLiteral("Equal"), t.DealDone, {}, false, QStringLiteral("Bool"));
    C.AddFltrNode(f, 6, 7, QStringLiteral("Equal"), t.DealNum, QStringLiteral("D-2"), true, QStringLiteral("Num"));
    LoadObjList();

    TTbl tbl;
    ASSERT_TRUE(tbl.LoadById(view));
    TTblSql sql;
    TTexts x = Compile(tbl, sql);
    const int where = x.Select.indexOf(QStringLiteral("where"));
    EXPECT_EQ(x.Select.mid(where), (QStringList{"where", "  (", "  T0.XDEAL_SUM is null", "  and",
                                                "  T0.XDEAL_DONE = 1", "  and", "  T0.XDEAL_NUM <> :0", "  )", "and",
                                                "  T0.XCLIENT_ID = :1"}));
    EXPECT_EQ(x.Refresh.last(), "  T0.XDEAL_ID = :2");
    EXPECT_EQ(x.Delete.last(), "  T0.XDEAL_ID = :3");
    TFilter* filter = sql.FilterList->GetByName(QStringLiteral("F"));
    EXPECT_TRUE(filter->GetFilterTreeItemByName(QStringLiteral("Empty"))->ParamIndex.IsEmpty());
    EXPECT_TRUE(filter->GetFilterTreeItemByName(QStringLiteral("Bool"))->ParamIndex.IsEmpty());
    EXPECT_EQ(filter->GetFilterTreeItemByName(QStringLiteral("Num"))->ParamIndex, Variant(0));
    ASSERT_EQ(sql.FilterList->Count(), 2);
    EXPECT_EQ(sql.FilterList->Items(1), sql.ParentFilter);  // after the loaded filters
    EXPECT_EQ(sql.ParentFilter->FilterTree->ParamIndex, Variant(1));
    EXPECT_EQ(sql.ParentFilter->FilterTree->Fld, ObjList->GetFldById(t.DealClient));
    PrepareAll(x);

    // A link view cannot be listed before its parent id is set.
    EXPECT_EQ(ErrorOf([&] { Run(x.Select, sql, stSelect); }), "Variant is empty");
    sql.ParentFilter->FilterTree->Value = Variant::Null();
    EXPECT_EQ(ErrorOf([&] { Run(x.Select, sql, stSelect); }), "Variant is null");
    EXPECT_EQ(ErrorOf([&] { Run(x.Refresh, sql, stRefresh); }), "Variant is empty");
    auto q = NewIBSQL();
    sql.SetParams(q.get(), stUpdate);  // binds nothing, so nothing can fail
    EXPECT_EQ(q->ParamCount(), 0);

    // The parent's deals without a sum, closed, and not numbered D-2.
    S.Exec(QStringLiteral("update XDEAL set XDEAL_SUM = null where XDEAL_ID in (1, 2)"));
    sql.ParentFilter->FilterTree->Value = 2;
    EXPECT_EQ(Run(x.Select, sql, stSelect), QList<int>{});  // client 2's only deal is D-2
    S.Exec(QStringLiteral("update XDEAL set XDEAL_DONE = 1 where XDEAL_ID = 1"));
    sql.ParentFilter->FilterTree->Value = 1;
    EXPECT_EQ(Run(x.Select, sql, stSelect), QList<int>{1});
}

TEST_F(SqlTest, ClearStartsAgainFromAliasAndParameterZero)
{
    TSales t(C);
    int linkView = C.AddTbl(QStringLiteral("Сделки клиента"), 0, t.DepClientDeal);
    C.AddTblTree(linkView, t.DealId, 1, 6);
    C.AddTblTree(linkView, t.DealAgent, 2, 5);
    C.AddTblTree(linkView, t.ClientName, 3, 4);
    int clients = C.AddTbl(QStringLiteral("Клиенты"), t.Client);
    C.AddTblTree(clients, t.ClientId, 1, 4);
    C.AddTblTree(clients, t.ClientId, 2, 3);
    LoadObjList();

    TTbl tbl;
    ASSERT_TRUE(tbl.LoadById(linkView));
    TTblSql sql;
    Compile(tbl, sql);
    ASSERT_NE(sql.ParentFilter, nullptr);

    TTbl other;
    ASSERT_TRUE(other.LoadById(clients));
    TTexts x = Compile(other, sql);
    EXPECT_EQ(sql.GetTbl(), &other);
    EXPECT_EQ(sql.ParentFilter, nullptr);
    EXPECT_EQ(sql.FilterList->Count(), 0);
    EXPECT_EQ(sql.JoinList.size(), 1u);
    EXPECT_TRUE(sql.ShowPKCol);  // folded again: the counter started at 0
    EXPECT_EQ(x.Select, (QStringList{"select", "  T0.XCLIENT_ID as T0XCLIENT_ID /* Код */", "from", "  XCLIENT T0"}));
    EXPECT_EQ(x.Refresh.last(), "  T0.XCLIENT_ID = :0");
    EXPECT_EQ(x.Delete.last(), "  T0.XCLIENT_ID = :1");

    sql.Clear();
    EXPECT_EQ(sql.GetTbl(), nullptr);
    EXPECT_EQ(sql.RefreshFilter, nullptr);
    EXPECT_EQ(sql.DeleteFilter, nullptr);
    EXPECT_TRUE(sql.SelectFldList.empty());
    EXPECT_TRUE(sql.WhereRefreshList.empty());
    EXPECT_FALSE(sql.ShowPKCol);
}

// Where the stored data would make the statements unsound, the builder
// refuses with a message instead.
TEST_F(SqlTest, UnsafeOrUnsupportedInputIsRefusedOrNeutralised)
{
    TSales t(C);
    // A caption that would close the column comment and inject SQL.
    S.Exec(QStringLiteral("update FLD set FLD_CAPT = 'Номер */, (select 1 from RDB$DATABASE) as X /*' where FLD_ID = %1")
               .arg(t.DealNum));
    int view = C.AddTbl(QStringLiteral("Сделки"), t.Deal);
    C.AddTblTree(view, t.DealId, 1, 4);
    C.AddTblTree(view, t.DealNum, 2, 3);
    int between = C.AddTbl(QStringLiteral("Между"), t.Deal);
    C.AddTblTree(between, t.DealId, 1, 2);
    int f = C.AddFltr(QStringLiteral("Диапазон"), {}, true, 0, between);
    C.AddFltrNode(f, 1, 2, QStringLiteral("Between"), t.DealSum, QStringLiteral("1"));
    int noField = C.AddTbl(QStringLiteral("Без поля"), t.Deal);
    C.AddTblTree(noField, t.DealId, 1, 2);
    f = C.AddFltr(QStringLiteral("Пустой узел"), {}, true, 0, noField);
    C.AddFltrNode(f, 1, 2, QStringLiteral("Equal"));
    int emptyGroup = C.AddTbl(QStringLiteral("Пустая группа"), t.Deal);
    C.AddTblTree(emptyGroup, t.DealId, 1, 2);
    f = C.AddFltr(QStringLiteral("Группа"), {}, true, 0, emptyGroup);
    C.AddFltrNode(f, 1, 4, QStringLiteral("And"));
    C.AddFltrNode(f, 2, 3, QStringLiteral("Or"));
    int noTree = C.AddTbl(QStringLiteral("Без дерева"), t.Deal);
    LoadObjList();

    TTbl tbl;
    TTblSql sql;
    ASSERT_TRUE(tbl.LoadById(view));
    TTexts x = Compile(tbl, sql);
    EXPECT_EQ(x.Select[2], "  T0.XDEAL_NUM as T0XDEAL_NUM /* Номер * /, (select 1 from RDB$DATABASE) as X /* */");
    PrepareAll(x);
    auto q = NewIBSQL();
    q->SQL = x.Select;
    q->ExecQuery();
    EXPECT_EQ(q->FieldCount(), 2);
    q->Close();

    ASSERT_TRUE(tbl.LoadById(between));
    EXPECT_EQ(ErrorOf([&] { Compile(tbl, sql); }),
              "TTblSql.AddFilters: Условие вида \"Between\" фильтра \"Диапазон\" для поля \"Сумма\" не поддерживается");
    ASSERT_TRUE(tbl.LoadById(noField));
    EXPECT_EQ(ErrorOf([&] { Compile(tbl, sql); }),
              "TTblSql.AddFilters: В фильтре \"Пустой узел\" у условия вида \"Equal\" не указано поле");
    ASSERT_TRUE(tbl.LoadById(emptyGroup));
    x = Compile(tbl, sql);  // a group without conditions imposes none
    EXPECT_EQ(x.Select, (QStringList{"select", "  T0.XDEAL_ID as T0XDEAL_ID /* Код */", "from", "  XDEAL T0"}));
    ASSERT_TRUE(tbl.LoadById(noTree));
    EXPECT_EQ(ErrorOf([&] { Compile(tbl, sql); }),
              "TTblSql.CreateBaseSQL: Дерево столбцов таблицы \"Без дерева\" должно начинаться с ключевого поля");

    // Texts are never written without the key conditions (a delete would empty the table).
    sql.Clear();
    ASSERT_TRUE(tbl.LoadById(view));
    sql.CreateBaseSQL(&tbl);
    QStringList a{"old"}, b{"old"}, c{"old"};
    EXPECT_EQ(ErrorOf([&] { sql.SetSQL(a, b, c); }), "TTblSql.SetSQL: Запрос таблицы не построен");
    EXPECT_EQ(c, QStringList{"old"});
}

TEST_F(SqlTest, OrGreaterAndLessRenderAndBind)
{
    TSales t(C);
    int view = C.AddTbl(QStringLiteral("Сделки"), t.Deal);
    C.AddTblTree(view, t.DealId, 1, 2);
    int f = C.AddFltr(QStringLiteral("Крайние суммы"), {}, true, 0, view);
    C.AddFltrNode(f, 1, 6, QStringLiteral("Or"));
    C.AddFltrNode(f, 2, 3, QStringLiteral("Greater"), t.DealSum, QStringLiteral("50"));
    C.AddFltrNode(f, 4, 5, QStringLiteral("Less"), t.DealSum, QStringLiteral("10"));
    LoadObjList();

    TTbl tbl;
    ASSERT_TRUE(tbl.LoadById(view));
    TTblSql sql;
    TTexts x = Compile(tbl, sql);
    const int where = x.Select.indexOf(QStringLiteral("where"));
    EXPECT_EQ(x.Select.mid(where),
              (QStringList{"where", "  (", "  T0.XDEAL_SUM > :0", "  or", "  T0.XDEAL_SUM < :1", "  )"}));
    PrepareAll(x);
    QList<int> ids = Run(x.Select, sql, stSelect);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (QList<int>{1, 4}));
}

}  // namespace
