#include "DbData.h"
#include "DbTestConn.h"
#include "TestDb.h"

#include "core/SysUtils.h"

#include <gtest/gtest.h>

namespace {

class DbDataTest : public ::testing::Test {
protected:
    DbDataTest() : Conn(FreshDatabase()), Loader(&Conn.Db, &Conn.Tr) {}

    // Loads the data with a loader of its own in a transaction that is then
    // rolled back; answers the error message ("" when none).
    QString LoadError(const char* AJson)
    {
        QString message;
        Conn.Tr.Rollback();
        Conn.Tr.StartTransaction();
        try {
            TDbDataLoader loader(&Conn.Db, &Conn.Tr);
            loader.Load(QByteArray(AJson), QStringLiteral("t.json"));
        } catch (const Exception& e) {
            message = e.Message();
        }
        Conn.Tr.Rollback();
        Conn.Tr.StartTransaction();
        return message;
    }

    TDbTestConn Conn;
    TDbDataLoader Loader;
};

}  // namespace

TEST_F(DbDataTest, LabelsLookupsAndValueKindsAreResolved)
{
    const char* json = R"({"tables": [
      {"table": "OBJ", "columns": ["@", "OBJ_TABLE", "OBJ_CAPT", "OBJ_REF"],
       "rows": [["o.deal", "DEAL", "@@Сделка", true], ["o.cli", "CLIENT", "##1", false]]},
      {"table": "FLD", "columns": ["@", "OBJ_ID", "FLD_FIELD", "FLDTYPE_ID", "FLD_SIZE", "FLD_CAPT"],
       "rows": [["f.id", "@o.deal", "DEAL_ID", "#FLDTYPE.FLDTYPE_NAME=pk", 0, null],
                ["f.name", "@o.cli", "NAME", "#FLDTYPE.FLDTYPE_NAME=string", 80, "Имя"]]},
      {"table": "CURR", "columns": ["@", "CURR_BASE"], "rows": [["c.usd", 0]]},
      {"table": "CURRATE", "columns": ["CURR_ID", "CURRATE_DATE", "CURRATE_VALUE"],
       "rows": [["@c.usd", "2024-03-01", 92.5], ["@c.usd", "2024-03-02", 0.0001]]}
    ]})";
    Loader.Load(QByteArray(json), QStringLiteral("t.json"));

    const int deal = Loader.IdOf(QStringLiteral("o.deal"));
    const int cli = Loader.IdOf(QStringLiteral("o.cli"));
    EXPECT_EQ(Conn.Column(QStringLiteral("select OBJ_CAPT || '|' || OBJ_REF from OBJ where OBJ_ID = %1").arg(deal)),
              QStringList{QStringLiteral("@Сделка|1")});
    EXPECT_EQ(Conn.Column(QStringLiteral("select OBJ_CAPT || '|' || OBJ_REF from OBJ where OBJ_ID = %1").arg(cli)),
              QStringList{QStringLiteral("#1|0")});
    EXPECT_EQ(Conn.Column(QStringLiteral("select F.FLD_FIELD || '|' || T.FLDTYPE_NAME || '|' || F.FLD_SIZE || '|' || "
                                         "coalesce(F.FLD_CAPT, 'NULL') from FLD F "
                                         "join FLDTYPE T on T.FLDTYPE_ID = F.FLDTYPE_ID where F.OBJ_ID in (%1, %2) "
                                         "order by F.FLD_ID")
                              .arg(deal)
                              .arg(cli)),
              (QStringList{QStringLiteral("DEAL_ID|pk|0|NULL"), QStringLiteral("NAME|string|80|Имя")}));
    EXPECT_EQ(Conn.Column(QStringLiteral("select CURRATE_DATE || '=' || CURRATE_VALUE from CURRATE order by CURRATE_ID")),
              (QStringList{QStringLiteral("2024-03-01=92.5000"), QStringLiteral("2024-03-02=0.0001")}));
}

TEST_F(DbDataTest, KeysComeFromTheSequencesAndUpdateBlocksCompleteRows)
{
    const int before = Conn.Int(QStringLiteral("select gen_id(OBJ_ID, 0) from RDB$DATABASE"));
    const char* json = R"({"tables": [
      {"table": "OBJ", "columns": ["@", "OBJ_TABLE"], "rows": [["a", "TA"], ["b", "TB"]]},
      {"table": "OBJ", "update": true, "columns": ["@", "OBJ_CAPT"], "rows": [["a", "Первый"]]}
    ]})";
    Loader.Load(QByteArray(json), QStringLiteral("t.json"));
    EXPECT_EQ(Loader.IdOf(QStringLiteral("a")), before + 1);
    EXPECT_EQ(Loader.IdOf(QStringLiteral("b")), before + 2);
    EXPECT_EQ(Conn.Int(QStringLiteral("select gen_id(OBJ_ID, 0) from RDB$DATABASE")), before + 2);
    EXPECT_EQ(Conn.Column(QStringLiteral("select coalesce(OBJ_CAPT, 'NULL') from OBJ where OBJ_ID >= %1 order by OBJ_ID")
                              .arg(before + 1)),
              (QStringList{QStringLiteral("Первый"), QStringLiteral("NULL")}));
}

TEST_F(DbDataTest, BadDataIsRefusedNamingSourceTableAndRow)
{
    const struct {
        const char* Json;
        const char* Message;  // expected start of the message
    } cases[] = {
        {R"({"tables": 1})", "t.json: ожидается объект с массивом \"tables\""},
        {R"({"tables": [{"table": "obj", "columns": [], "rows": []}]})",
         "t.json: таблица obj (блок 1): имя таблицы должно быть идентификатором"},
        {R"({"tables": [{"table": "OBJ", "columns": ["OBJ_ID"], "rows": [[1]]}]})",
         "t.json: таблица OBJ (блок 1): ключ OBJ_ID выдаётся последовательностью и не задаётся"},
        {R"({"tables": [{"table": "OBJ", "columns": ["OBJ_TABLE; drop"], "rows": []}]})",
         "t.json: таблица OBJ (блок 1): недопустимое имя колонки \"OBJ_TABLE; drop\""},
        {R"({"tables": [{"table": "OBJ", "columns": ["OBJ_TABLE"], "rows": [["A"], ["B", "C"]]}]})",
         "t.json: таблица OBJ (блок 1), строка 2: ожидается значений: 1, дано: 2"},
        {R"({"tables": [{"table": "FLD", "columns": ["OBJ_ID"], "rows": [["@nobody"]]}]})",
         "t.json: таблица FLD (блок 1), строка 1: Неизвестная метка \"nobody\""},
        {R"({"tables": [{"table": "FLD", "columns": ["FLDTYPE_ID"], "rows": [["#FLDTYPE.FLDTYPE_NAME=PK"]]}]})",
         "t.json: таблица FLD (блок 1), строка 1: ссылка \"#FLDTYPE.FLDTYPE_NAME=PK\": строка не найдена"},
        {R"({"tables": [{"table": "CURR", "columns": ["CURR_BASE"], "rows": [[1], [1]]},
                        {"table": "CURRATE", "columns": ["CURR_ID"], "rows": [["#CURR.CURR_BASE=1"]]}]})",
         "t.json: таблица CURRATE (блок 2), строка 1: ссылка \"#CURR.CURR_BASE=1\": найдено несколько строк"},
        {R"({"tables": [{"table": "OBJ", "columns": ["@", "OBJ_TABLE"], "rows": [["x", "A"], ["x", "B"]]}]})",
         "t.json: таблица OBJ (блок 1), строка 2: метка \"x\" уже использована"},
        {R"({"tables": [{"table": "OBJ", "columns": ["OBJ_TABLE", "OBJ_SYS"], "rows": [["A", 2]]}]})",
         "t.json: таблица OBJ (блок 1), строка 1: "},
        {R"({"tables": [{"table": "OBJ", "update": true, "columns": ["OBJ_CAPT"], "rows": []}]})",
         "t.json: таблица OBJ (блок 1): блок изменения строк требует колонку \"@\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Json);
        const QString message = LoadError(c.Json);
        EXPECT_TRUE(message.startsWith(QString::fromUtf8(c.Message))) << message.toStdString();
    }
    // The server's own refusal (a flag is 0 or 1) comes through.
    EXPECT_TRUE(LoadError(R"({"tables": [{"table": "OBJ", "columns": ["OBJ_TABLE", "OBJ_SYS"], "rows": [["Z", 2]]}]})")
                    .contains(QStringLiteral("OBJ_SYS")));
}
