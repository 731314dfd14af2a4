#include "DbScript.h"
#include "DbTestConn.h"
#include "TestDb.h"

#include "core/SysUtils.h"

#include <gtest/gtest.h>

namespace {

struct TSplitCase {
    const char* Name;
    const char* Script;
    QStringList Texts;
    QList<int> Lines;
};

}  // namespace

TEST(SplitSqlScript, StatementsEndOnlyAtTheTerminatorOutsideQuotesAndComments)
{
    const TSplitCase cases[] = {
        {"two statements", "create table A (X integer);\ncreate table B (Y integer);",
         {"create table A (X integer)", "create table B (Y integer)"}, {1, 2}},
        {"terminator inside a string", "insert into T values ('a;b');\nselect 1 from T;",
         {"insert into T values ('a;b')", "select 1 from T"}, {1, 2}},
        {"doubled quote stays inside the string", "insert into T values ('it''s; ok', '--', '/*');",
         {"insert into T values ('it''s; ok', '--', '/*')"}, {1}},
        {"terminator inside a quoted name", "select 1 from \"A;B\";", {"select 1 from \"A;B\""}, {1}},
        {"comments are dropped", "-- intro; still a comment\nselect 1 from X; /* ; */ select 2 from Y",
         {"select 1 from X", "select 2 from Y"}, {2, 2}},
        {"comment inside a statement", "select /* a;b */ 1 from X;", {"select   1 from X"}, {1}},
        {"empty statements vanish", " ; ;\n-- only a comment ;\n", {}, {}},
        {"set term switches the terminator",
         "set term ^ ;\ncreate trigger T1 for T as\nbegin\n  x = 1;\n  y = 2;\nend^\nset term ; ^\nselect 1 from T;",
         {"create trigger T1 for T as\nbegin\n  x = 1;\n  y = 2;\nend", "select 1 from T"}, {2, 8}},
        {"set term in any case, multi-character", "SET TERM !! ;\na; b!!\nSet Term ; !!\nc;",
         {"a; b", "c"}, {2, 4}},
    };
    for (const TSplitCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const QList<TSqlStatement> got = SplitSqlScript(QString::fromUtf8(c.Script));
        QStringList texts;
        QList<int> lines;
        for (const TSqlStatement& s : got) {
            texts.append(s.Text);
            lines.append(s.Line);
        }
        EXPECT_EQ(texts, c.Texts);
        EXPECT_EQ(lines, c.Lines);
    }
}

TEST(SplitSqlScript, UnclosedStringOrCommentIsRefusedNamingItsLine)
{
    const struct {
        const char* Script;
        const char* Message;
    } cases[] = {
        {"select 1 from X;\ninsert into T values ('abc);", "Строка или имя в кавычках, начатые в строке 2, не закрыты"},
        {"select 1 from X;\n\n/* open; select 2 from Y;", "Комментарий, начатый в строке 3, не закрыт"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Script);
        try {
            SplitSqlScript(QString::fromUtf8(c.Script));
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), QString::fromUtf8(c.Message));
        }
    }
}

TEST(RunSqlScript, RunsEachStatementCommittedAndStopsAtTheFirstFailure)
{
    const QString path = FreshDatabase();
    {
        TDbTestConn conn(path);
        const QString script = QStringLiteral(
            "create table T1 (A integer);\n"
            "insert into T1 values (1);\n"
            "-- the next one fails\n"
            "insert into NO_SUCH_TABLE values (2);\n"
            "create table T2 (B integer);\n");
        try {
            RunSqlScript(&conn.Db, script, QStringLiteral("test.sql"));
            FAIL() << "no exception";
        } catch (const Exception& e) {
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("test.sql, строка 4: insert into NO_SUCH_TABLE")))
                << e.Message().toStdString();
            EXPECT_TRUE(e.Message().contains(QStringLiteral("NO_SUCH_TABLE"), Qt::CaseInsensitive));
        }
    }
    TDbTestConn check(path);
    EXPECT_EQ(check.Int(QStringLiteral("select count(*) from T1")), 1);
    EXPECT_EQ(check.Int(QStringLiteral("select count(*) from RDB$RELATIONS where RDB$RELATION_NAME = 'T2'")), 0);
}

TEST(RunSqlScript, StatementWithParameterIsRefusedBeforeItRuns)
{
    const QString path = FreshDatabase();
    TDbTestConn conn(path);
    try {
        RunSqlScript(&conn.Db, QStringLiteral("create table T3 (A integer);\ninsert into T3 values (:A);"),
                     QStringLiteral("p.sql"));
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("p.sql, строка 2: оператор принимает параметр :A, а сценарий выполняется без параметров"));
    }
    EXPECT_EQ(conn.Int(QStringLiteral("select count(*) from T3")), 0);
}
