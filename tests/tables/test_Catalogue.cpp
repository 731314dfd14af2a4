// The views and filters stored in the shipped database: every one loads,
// compiles through the query builder, and its three statements are accepted
// by the server.
#include "TablesFixture.h"
#include "tables/Sql.h"
#include "tables/Tbl.h"

#include <set>

namespace {

QList<int> Ids(const QString& ASql)
{
    auto q = NewIBSQL();
    q->SQL = QStringList{ASql};
    q->ExecQuery();
    QList<int> ids;
    while (!q->Eof()) {
        ids << q->Fields(0).AsInteger();
        q->Next();
    }
    q->Close();
    return ids;
}

QString Prepared(const QStringList& AText)
{
    auto q = NewIBSQL();
    q->SQL = AText;
    return ErrorOf([&] { q->Prepare(); });
}

struct TCatalogueCase {
    const char* Title;
    TDbSetupOptions Options;
};

}  // namespace

TEST(ShippedCatalogue, EveryViewAndFilterCompilesIntoStatementsTheServerPrepares)
{
    const TCatalogueCase cases[] = {
        {"shipped catalogue", TDbSetupOptions{}},
        {"demo company with the large list", TDbSetupOptions{.Demo = true, .Large = 3}},
    };
    for (const TCatalogueCase& c : cases) {
        SCOPED_TRACE(c.Title);
        // The demo database must be there: a set-up that cannot make it fails here.
        TTestSession session(c.Options);
        ResetFilterTreeTypeTable();
        LoadObjList();
        const QList<int> views = Ids(QStringLiteral("select TBL_ID from TBL order by TBL_ID"));
        const QList<int> filters = Ids(QStringLiteral("select FLTR_ID from FLTR order by FLTR_ID"));
        EXPECT_FALSE(views.isEmpty());
        if (c.Options.Demo) {
            EXPECT_FALSE(filters.isEmpty());
        }

        std::set<int> compiledFilters;
        for (bool dev : {false, true}) {
            TDevModeScope mode(dev);
            for (int id : views) {
                SCOPED_TRACE(QStringLiteral("view %1%2").arg(id).arg(dev ? " (developer mode)" : "").toStdString());
                TTbl tbl;
                tbl.RaiseLoad = true;
                TTblSql sql;
                QStringList select, refresh, del;
                const QString error = ErrorOf([&] {
                    tbl.LoadById(id);
                    sql.Clear();
                    sql.CreateBaseSQL(&tbl);
                    sql.LoadFilters();
                    sql.AddFilters();
                    sql.SetSQL(select, refresh, del);
                });
                ASSERT_EQ(error, "<no error>") << tbl.Capt.toStdString();
                for (const auto& f : *sql.FilterList)
                    if (f.get() != sql.ParentFilter) compiledFilters.insert(f->Id);
                for (const QStringList* text : {&select, &refresh, &del})
                    EXPECT_EQ(Prepared(*text), "<no error>") << text->join(QLatin1Char('\n')).toStdString();
            }
        }
        // Every filter loads on its own and takes part in some view.
        for (int id : filters) {
            SCOPED_TRACE(QStringLiteral("filter %1").arg(id).toStdString());
            TFilter filter;
            filter.RaiseLoad = true;
            EXPECT_EQ(ErrorOf([&] { filter.LoadById(id); }), "<no error>");
            EXPECT_TRUE(compiledFilters.count(id)) << "\"" << filter.Capt.toStdString()
                                                   << "\" is not attached to a view, a link or an object with a view";
        }
        FreeObjList();
    }
}
