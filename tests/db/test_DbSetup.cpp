#include "DbData.h"
#include "DbSetup.h"
#include "DbTestConn.h"
#include "TestDb.h"

#include "core/SysUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

// Every system table with exactly its columns.
struct TExpectedTable {
    const char* Table;
    QStringList Columns;
};

const TExpectedTable kSystemTables[] = {
    {"USR", {"USR_ID", "USR_LOGIN", "USR_NAME"}},
    {"OBJ", {"OBJ_ID", "OBJ_TABLE", "OBJ_CAPT", "OBJ_CAPT2", "OBJ_REF", "OBJ_META", "OBJ_SYS"}},
    {"FLD", {"FLD_ID", "OBJ_ID", "FLD_FIELD", "FLDTYPE_ID", "FLD_SIZE", "FLD_NOTNULL", "FLD_CAPT", "UNIQFLD_ID",
             "FLD_MAIN", "DEP_ID_AGR", "FLD_ID_AGR", "FLD_VIRT", "FLD_SYS", "FLD_FRMLHAVE", "FLD_DEF0"}},
    {"DEP", {"DEP_ID", "FLD_ID_PAR", "FLD_ID_CHI", "FKRULE_ID", "DEP_MAIN", "DEP_DET", "DEP_CAPT", "DEP_SYS",
             "DEP_NAME"}},
    {"UNIQFLD", {"UNIQFLD_ID"}},
    {"FLDTYPE", {"FLDTYPE_ID", "FLDTYPE_NAME"}},
    {"FKRULE", {"FKRULE_ID", "FKRULE_NAME"}},
    {"FRMLFUNC", {"FRMLFUNC_ID", "FRMLFUNC_NAME", "FRMLFUNC_CAPT"}},
    {"CTRLTRTP", {"CTRLTRTP_ID", "CTRLTRTP_NAME"}},
    {"FLTRTRTP", {"FLTRTRTP_ID", "FLTRTRTP_NAME"}},
    {"FRMLTREE", {"FRMLTREE_ID", "FLD_ID", "FRMLTREE_LFT", "FRMLTREE_RGT", "FRMLFUNC_ID", "FLD_ID_VALUE",
                  "FRMLTREE_PATHHAVE", "FRMLTREE_VALUE"}},
    {"FRMLTRPT", {"FRMLTRPT_ID", "FRMLTREE_ID", "FLD_ID"}},
    {"TBL", {"TBL_ID", "TBL_CAPT", "TBL_DEFAULT", "TBL_NAME", "OBJ_ID", "DEP_ID", "TBL_DEV"}},
    {"TBLTREE", {"TBLTREE_ID", "TBL_ID", "FLD_ID", "TBLTREE_LFT", "TBLTREE_RGT"}},
    {"USRTBL", {"USRTBL_ID", "USR_ID", "TBL_ID"}},
    {"CARD", {"CARD_ID", "CARD_CAPT", "CARD_DEFAULT", "CARD_NAME", "OBJ_ID", "CARD_WIDTH", "CARD_HEIGHTATR",
              "CARD_HEIGHTDET", "CARD_DEV"}},
    {"CTRLTREE", {"CTRLTREE_ID", "CARD_ID", "CTRLTREE_LFT", "CTRLTREE_RGT", "CTRLTRTP_ID", "FLD_ID",
                  "CTRLTREE_CLEFT", "CTRLTREE_CTOP", "CTRLTREE_CWIDTH", "CTRLTREE_CHEIGHT", "CTRLTREE_LLEFT",
                  "CTRLTREE_LTOP", "CTRLTREE_LWIDTH", "CTRLTREE_LHEIGHT", "CTRLTREE_CAPT", "CTRLTREE_ROADD",
                  "CTRLTREE_ROEDT"}},
    {"USRCARD", {"USRCARD_ID", "USR_ID", "CARD_ID"}},
    {"DETBOOK", {"DETBOOK_ID", "DETBOOK_CAPT", "DETBOOK_DEFAULT", "DETBOOK_NAME", "OBJ_ID", "DETBOOK_DEV"}},
    {"DETDEP", {"DETDEP_ID", "DETBOOK_ID", "DEP_ID"}},
    {"USRDET", {"USRDET_ID", "USR_ID", "DETBOOK_ID"}},
    {"FLTR", {"FLTR_ID", "FLTR_CAPT", "FLTR_NAME", "FLTR_ALWAYS", "FLTR_DEV", "TBL_ID", "DEP_ID", "OBJ_ID"}},
    {"FLTRTREE", {"FLTRTREE_ID", "FLTR_ID", "FLTRTREE_LFT", "FLTRTREE_RGT", "FLTRTRTP_ID", "FLTRTREE_NOT",
                  "FLTRTREE_VALUE", "FLD_ID", "DEP_ID", "FLTRTREE_NAME"}},
    {"FLTRTRPT", {"FLTRTRPT_ID", "FLTRTREE_ID", "FLD_ID"}},
    {"CURR", {"CURR_ID", "CURR_CODE", "CURR_NAME", "CURR_BASE"}},
    {"CURRATE", {"CURRATE_ID", "CURR_ID", "CURRATE_DATE", "CURRATE_VALUE"}},
};

// Flag columns (domain BOOL); every other non-text column is a plain
// integer except the few named in kNotInteger.
const QStringList kFlagColumns = {
    "OBJ.OBJ_REF", "OBJ.OBJ_META", "OBJ.OBJ_SYS", "FLD.FLD_NOTNULL", "FLD.FLD_MAIN", "FLD.FLD_VIRT",
    "FLD.FLD_SYS", "FLD.FLD_FRMLHAVE", "FLD.FLD_DEF0", "DEP.DEP_MAIN", "DEP.DEP_DET", "DEP.DEP_SYS",
    "FRMLTREE.FRMLTREE_PATHHAVE", "TBL.TBL_DEFAULT", "TBL.TBL_DEV", "CARD.CARD_DEFAULT", "CARD.CARD_DEV",
    "CTRLTREE.CTRLTREE_ROADD", "CTRLTREE.CTRLTREE_ROEDT", "DETBOOK.DETBOOK_DEFAULT", "DETBOOK.DETBOOK_DEV",
    "FLTR.FLTR_ALWAYS", "FLTR.FLTR_DEV", "FLTRTREE.FLTRTREE_NOT", "CURR.CURR_BASE"};
const QStringList kNotInteger = {"FRMLTREE.FRMLTREE_VALUE=NUM184", "CURRATE.CURRATE_VALUE=NUM184",
                                 "CURRATE.CURRATE_DATE=DATEONLY"};

QStringList Sorted(QStringList AList)
{
    std::sort(AList.begin(), AList.end());
    return AList;
}

QByteArray ReadAll(const QString& APath)
{
    QFile f(APath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& APath, const QByteArray& AData)
{
    QFile f(APath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(AData);
}

int g_fileNo = 0;
QString NewPath(const char* ASuffix)
{
    return QStringLiteral("%1/setup-%2%3").arg(TestTmpDir()).arg(++g_fileNo).arg(QLatin1String(ASuffix));
}

// One database made by the set-up code, shared by the read-only checks.
class CreatedDatabase : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Path = new QString(FreshDatabase()); }
    static void TearDownTestSuite()
    {
        delete Path;
        Path = nullptr;
    }
    CreatedDatabase() : Conn(*Path) {}

    static QString* Path;
    TDbTestConn Conn;
};
QString* CreatedDatabase::Path = nullptr;

}  // namespace

TEST_F(CreatedDatabase, HasEverySystemTableWithExactlyItsColumns)
{
    QStringList expectedTables;
    for (const TExpectedTable& t : kSystemTables) {
        const QString table = QLatin1String(t.Table);
        expectedTables.append(table);
        SCOPED_TRACE(t.Table);
        EXPECT_EQ(Sorted(Conn.Column(QStringLiteral("select trim(RDB$FIELD_NAME) from RDB$RELATION_FIELDS "
                                                    "where RDB$RELATION_NAME = '%1'")
                                         .arg(table))),
                  Sorted(t.Columns));
    }
    EXPECT_EQ(Sorted(Conn.Column(QStringLiteral("select trim(RDB$RELATION_NAME) from RDB$RELATIONS "
                                                "where coalesce(RDB$SYSTEM_FLAG, 0) = 0"))),
              Sorted(expectedTables));
}

TEST_F(CreatedDatabase, EveryTableHasItsIntegerKeyConstraintAndSequence)
{
    QStringList keys;
    for (const TExpectedTable& t : kSystemTables) {
        const QString table = QLatin1String(t.Table);
        const QString key = table + QStringLiteral("_ID");
        keys.append(key);
        SCOPED_TRACE(t.Table);
        EXPECT_EQ(Conn.Column(QStringLiteral("select trim(C.RDB$CONSTRAINT_NAME) || ':' || trim(S.RDB$FIELD_NAME) "
                                             "from RDB$RELATION_CONSTRAINTS C "
                                             "join RDB$INDEX_SEGMENTS S on S.RDB$INDEX_NAME = C.RDB$INDEX_NAME "
                                             "where C.RDB$RELATION_NAME = '%1' and C.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'")
                                  .arg(table)),
                  QStringList{QStringLiteral("PK_%1:%1").arg(key)});
        EXPECT_EQ(Conn.Int(QStringLiteral("select F.RDB$FIELD_TYPE from RDB$RELATION_FIELDS R "
                                          "join RDB$FIELDS F on F.RDB$FIELD_NAME = R.RDB$FIELD_SOURCE "
                                          "where R.RDB$RELATION_NAME = '%1' and R.RDB$FIELD_NAME = '%2'")
                               .arg(table, key)),
                  8);  // INTEGER
        // The sequence is at least at the highest key already used.
        EXPECT_GE(Conn.Int(QStringLiteral("select gen_id(%1, 0) - (select coalesce(max(%1), 0) from %2) "
                                          "from RDB$DATABASE")
                               .arg(key, table)),
                  0);
    }
    EXPECT_EQ(Sorted(Conn.Column(QStringLiteral("select trim(RDB$GENERATOR_NAME) from RDB$GENERATORS "
                                                "where coalesce(RDB$SYSTEM_FLAG, 0) = 0"))),
              Sorted(keys));
}

TEST_F(CreatedDatabase, ColumnTypesFollowTheConventions)
{
    // Text: UTF8 with the binary collation (logins and names match exactly).
    EXPECT_EQ(Conn.Column(QStringLiteral("select distinct F.RDB$CHARACTER_SET_ID || '/' || "
                                         "coalesce(R.RDB$COLLATION_ID, F.RDB$COLLATION_ID, 0) "
                                         "from RDB$RELATION_FIELDS R "
                                         "join RDB$RELATIONS T on T.RDB$RELATION_NAME = R.RDB$RELATION_NAME "
                                         "join RDB$FIELDS F on F.RDB$FIELD_NAME = R.RDB$FIELD_SOURCE "
                                         "where coalesce(T.RDB$SYSTEM_FLAG, 0) = 0 and F.RDB$FIELD_TYPE = 37")),
              QStringList{QStringLiteral("4/0")});
    EXPECT_EQ(Sorted(Conn.Column(QStringLiteral("select trim(RDB$RELATION_NAME) || '.' || trim(RDB$FIELD_NAME) "
                                                "from RDB$RELATION_FIELDS where RDB$FIELD_SOURCE = 'BOOL'"))),
              Sorted(kFlagColumns));
    EXPECT_EQ(Sorted(Conn.Column(
                  QStringLiteral("select trim(R.RDB$RELATION_NAME) || '.' || trim(R.RDB$FIELD_NAME) || '=' || "
                                 "trim(R.RDB$FIELD_SOURCE) from RDB$RELATION_FIELDS R "
                                 "join RDB$RELATIONS T on T.RDB$RELATION_NAME = R.RDB$RELATION_NAME "
                                 "join RDB$FIELDS F on F.RDB$FIELD_NAME = R.RDB$FIELD_SOURCE "
                                 "where coalesce(T.RDB$SYSTEM_FLAG, 0) = 0 and F.RDB$FIELD_TYPE not in (8, 37)"))),
              Sorted(kNotInteger));
}

TEST_F(CreatedDatabase, DomainsHaveTheirTypes)
{
    // name, field type, scale, precision (8 integer, 16 int64, 12 date)
    const char* expected[] = {"PK 8 0 0", "FK 8 0 0", "INTEG 8 0 0", "BOOL 8 0 0", "NUM182 16 -2 18",
                              "NUM183 16 -3 18", "NUM184 16 -4 18", "DATEONLY 12 0 0"};
    for (const char* e : expected) {
        const QString name = QString::fromLatin1(e).section(u' ', 0, 0);
        SCOPED_TRACE(e);
        EXPECT_EQ(Conn.Column(QStringLiteral("select trim(RDB$FIELD_NAME) || ' ' || RDB$FIELD_TYPE || ' ' || "
                                             "coalesce(RDB$FIELD_SCALE, 0) || ' ' || coalesce(RDB$FIELD_PRECISION, 0) "
                                             "from RDB$FIELDS where RDB$FIELD_NAME = '%1'")
                                  .arg(name)),
                  QStringList{QString::fromLatin1(e)});
    }
}

TEST_F(CreatedDatabase, CodeTablesHoldExactlyTheNamesTheClientMaps)
{
    const struct {
        const char* Table;
        QStringList Names;
    } cases[] = {
        {"FLDTYPE", {"pk", "string", "fk", "int", "boolean", "num182", "num183", "num184", "date", "Formula"}},
        {"FKRULE", {"NoAction", "Cascade", "SetNull"}},
        {"FRMLFUNC", {"Add", "Ded", "Mul", "Div", "Rate", "CurD", "CurU", "ParId"}},
        {"CTRLTRTP", {"Root", "PageControl", "TabSheet", "EditStr", "EditInt", "EditNum182", "EditNum183",
                      "EditNum184", "EditObj", "DateEdit", "CheckBox", "Formula"}},
        {"FLTRTRTP", {"And", "Or", "Equal", "Greater", "Less", "Empty", "Containing", "Between", "In", "Exist"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Table);
        EXPECT_EQ(Conn.Column(QStringLiteral("select %1_NAME from %1 order by %1_ID").arg(QLatin1String(c.Table))),
                  c.Names);
    }
    // Every function has a caption of its own (shown in formula texts).
    const QStringList capts = Conn.Column(QStringLiteral("select coalesce(FRMLFUNC_CAPT, '') from FRMLFUNC"));
    EXPECT_EQ(QSet<QString>(capts.begin(), capts.end()).size(), 8);
    EXPECT_FALSE(capts.contains(QString()));
}

TEST_F(CreatedDatabase, UserTormelLogsInByExactLogin)
{
    EXPECT_EQ(Conn.Column(QStringLiteral("select USR_NAME from USR where USR_LOGIN = 'tormel'")),
              QStringList{QStringLiteral("Тормель")});
    EXPECT_EQ(Conn.Int(QStringLiteral("select count(*) from USR where USR_LOGIN = 'TORMEL'")), 0);
}

// The statements the configurator generates for a new object and its fields
// work on the domains and the collation the database provides.
TEST(DbSetup, ConfiguratorDdlWorksOnTheDomainsAndUnicodeCi)
{
    const QString path = FreshDatabase();
    {
        TDbTestConn conn(path);
        const char* ddl[] = {
            "create table TBL12 (FLD40 PK NOT NULL)",
            "alter table TBL12 add constraint PK_FLD40 primary key (FLD40)",
            "create sequence FLD40",
            "alter table TBL12 add FLD41 varchar(50) character set UTF8 not null collate UNICODE_CI",
            "alter table TBL12 add FLD42 INTEG DEFAULT 0 not null",
            "alter table TBL12 add FLD43 BOOL DEFAULT 0 ",
            "alter table TBL12 add FLD44 NUM182 DEFAULT 0 not null",
            "alter table TBL12 add FLD45 NUM183 DEFAULT 0 ",
            "alter table TBL12 add FLD46 NUM184  ",
            "alter table TBL12 add FLD47 DATEONLY ",
            "alter table TBL12 add FLD48 FK ",
        };
        for (const char* s : ddl) {
            conn.Exec(QString::fromLatin1(s));
            conn.Tr.Commit();
            conn.Tr.StartTransaction();
        }
        conn.Exec(QStringLiteral("insert into TBL12 (FLD40, FLD41, FLD44, FLD45, FLD46, FLD47) "
                                 "values (1, 'Привет', 1.239, 2.0005, 3.12345, '2024-02-29')"));
        conn.Exec(QStringLiteral("insert into TBL12 (FLD40, FLD41, FLD43) values (2, 'мир', null)"));
        conn.Tr.Commit();
        conn.Tr.StartTransaction();
        EXPECT_EQ(conn.Column(QStringLiteral("select FLD42 || '|' || FLD43 || '|' || FLD44 || '|' || FLD45 || '|' || "
                                             "FLD46 || '|' || FLD47 from TBL12 where FLD40 = 1")),
                  QStringList{QStringLiteral("0|0|1.24|2.001|3.1235|2024-02-29")});
        EXPECT_EQ(conn.Int(QStringLiteral("select count(*) from TBL12 where FLD40 = 2 and FLD43 is null")), 1);
        // UNICODE_CI: Cyrillic compares without regard to case.
        EXPECT_EQ(conn.Int(QStringLiteral("select FLD40 from TBL12 where FLD41 = 'ПРИВЕТ'")), 1);
        EXPECT_EQ(conn.Int(QStringLiteral("select FLD40 from TBL12 where FLD41 = 'Мир'")), 2);
    }
    // A flag holds 0 or 1 only.
    TDbTestConn conn(path);
    EXPECT_THROW(conn.Exec(QStringLiteral("insert into TBL12 (FLD40, FLD41, FLD43) values (3, 'x', 2)")), Exception);
}

TEST(DbSetup, RefusesAnExistingFileWithoutTouchingIt)
{
    const QString path = NewPath(".fdb");
    const QByteArray content("not a database, keep me");
    WriteFile(path, content);
    try {
        CreateVelmoraDatabase(path, TDbSetupOptions{});
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Файл базы данных уже существует: %1").arg(QFileInfo(path).absoluteFilePath()));
    }
    EXPECT_EQ(ReadAll(path), content);
}

TEST(DbSetup, FailureRemovesTheHalfMadeFileAndReportsTheCause)
{
    const QString goodSql = NewPath(".sql");
    WriteFile(goodSql, "create table A (A_ID integer not null primary key, X varchar(10));\ncreate sequence A_ID;\n");
    const QString badSql = NewPath(".sql");
    WriteFile(badSql, "create table A (A_ID integer);\n\ncreate tabel B (Y integer);\n");
    const QString badJson = NewPath(".json");
    WriteFile(badJson, R"({"tables": [{"table": "A", "columns": ["X"], "rows": [["0123456789abc"]]}]})");
    const QString missing = NewPath(".json");

    const struct {
        const char* Name;
        QStringList Files;
        QStringList MessageParts;
    } cases[] = {
        {"bad statement", {badSql}, {QStringLiteral("%1, строка 3: create tabel").arg(badSql), "tabel"}},
        {"server refuses a row", {goodSql, badJson},
         {QStringLiteral("%1: таблица A (блок 1), строка 1").arg(badJson), "truncation"}},
        {"missing set-up file", {goodSql, missing}, {QStringLiteral("Не удалось прочитать файл %1").arg(missing)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString path = NewPath(".fdb");
        try {
            CreateDatabaseFromFiles(path, c.Files);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            for (const QString& part : c.MessageParts)
                EXPECT_TRUE(e.Message().contains(part, Qt::CaseInsensitive)) << e.Message().toStdString();
        }
        EXPECT_FALSE(QFileInfo::exists(path));
    }
}

TEST(DbSetup, ImpossibleOptionsAreRefusedBeforeAnyFile)
{
    const struct {
        TDbSetupOptions Options;
        const char* Message;
    } cases[] = {
        {{.Large = -1}, "Число записей большого списка не может быть отрицательным: -1"},
        {{.Demo = true, .Catalogue = false},
         "Демонстрационная компания и большой список описываются в каталоге: база без каталога их не получает"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Message);
        const QString path = NewPath(".fdb");
        try {
            CreateVelmoraDatabase(path, c.Options);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), QString::fromUtf8(c.Message));
        }
        EXPECT_FALSE(QFileInfo::exists(path));
    }
}

TEST(DbSetup, LogReportsEveryStep)
{
    const QString path = NewPath(".fdb");
    QStringList log;
    CreateVelmoraDatabase(path, TDbSetupOptions{}, [&](const QString& ALine) { log.append(ALine); });
    const QString abs = QFileInfo(path).absoluteFilePath();
    ASSERT_GE(log.size(), 3);
    EXPECT_EQ(log.first(), QStringLiteral("Создан файл базы данных: %1").arg(abs));
    EXPECT_TRUE(log[1].startsWith(QStringLiteral("db/system.sql: выполнено операторов: "))) << log[1].toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("db/system.json: USR — добавлено строк: 1")));
    EXPECT_EQ(log.last(), QStringLiteral("База данных готова: %1").arg(abs));
}

// ----------------------------------------------------------------- cascades

namespace {

// A small catalogue: A (deals) <- B (lines) <- R (references to lines),
// A <- S (payments); a summing field of A over B, formulas (one through a
// path), views, cards, a detail set, filters, personal choices, currencies.
const char* kCatalogue = R"({"tables": [
  {"table": "OBJ", "columns": ["@", "OBJ_TABLE", "OBJ_CAPT"],
   "rows": [["A", "TA", "Сделки"], ["B", "TB", "Строки"], ["R", "TR", "Ссылки"], ["S", "TS", "Платежи"]]},
  {"table": "UNIQFLD", "columns": ["@"], "rows": [["u1"]]},
  {"table": "FLD", "columns": ["@", "OBJ_ID", "FLD_FIELD", "FLDTYPE_ID", "FLD_CAPT", "UNIQFLD_ID"],
   "rows": [
     ["a.id", "@A", "TA_ID", "#FLDTYPE.FLDTYPE_NAME=pk", "Код", null],
     ["a.name", "@A", "NAME", "#FLDTYPE.FLDTYPE_NAME=string", "Название", "@u1"],
     ["a.sum", "@A", "SUMMA", "#FLDTYPE.FLDTYPE_NAME=num182", "Сумма", null],
     ["b.id", "@B", "TB_ID", "#FLDTYPE.FLDTYPE_NAME=pk", "Код", null],
     ["b.a", "@B", "TA_ID", "#FLDTYPE.FLDTYPE_NAME=fk", "Сделка", null],
     ["b.amount", "@B", "AMOUNT", "#FLDTYPE.FLDTYPE_NAME=num182", "Количество", null],
     ["b.price", "@B", "PRICE", "#FLDTYPE.FLDTYPE_NAME=num182", "Цена", null],
     ["b.total", "@B", "TOTAL", "#FLDTYPE.FLDTYPE_NAME=num182", "Итого", null],
     ["b.note", "@B", "NOTE", "#FLDTYPE.FLDTYPE_NAME=string", "Примечание", null],
     ["b.capt", "@B", "CAPT", "#FLDTYPE.FLDTYPE_NAME=string", "Подпись", null],
     ["r.id", "@R", "TR_ID", "#FLDTYPE.FLDTYPE_NAME=pk", "Код", null],
     ["r.b", "@R", "TB_ID", "#FLDTYPE.FLDTYPE_NAME=fk", "Строка", null],
     ["r.val", "@R", "VAL", "#FLDTYPE.FLDTYPE_NAME=num182", "Цена строки", null],
     ["s.id", "@S", "TS_ID", "#FLDTYPE.FLDTYPE_NAME=pk", "Код", null],
     ["s.a", "@S", "TA_ID", "#FLDTYPE.FLDTYPE_NAME=fk", "Сделка", null]]},
  {"table": "DEP", "columns": ["@", "FLD_ID_PAR", "FLD_ID_CHI", "FKRULE_ID", "DEP_NAME"],
   "rows": [["l.ab", "@a.id", "@b.a", "#FKRULE.FKRULE_NAME=Cascade", "DealProd"],
            ["l.rb", "@b.id", "@r.b", "#FKRULE.FKRULE_NAME=NoAction", "RB"],
            ["l.as", "@a.id", "@s.a", "#FKRULE.FKRULE_NAME=Cascade", "DealPaym"]]},
  {"table": "FLD", "update": true, "columns": ["@", "DEP_ID_AGR", "FLD_ID_AGR"], "rows": [["a.sum", "@l.ab", "@b.amount"]]},
  {"table": "FRMLTREE", "columns": ["@", "FLD_ID", "FRMLTREE_LFT", "FRMLTREE_RGT", "FRMLFUNC_ID", "FLD_ID_VALUE",
                                    "FRMLTREE_PATHHAVE", "FRMLTREE_VALUE"],
   "rows": [["ft.mul", "@b.total", 1, 8, "#FRMLFUNC.FRMLFUNC_NAME=Mul", null, 0, null],
            ["ft.price", "@b.total", 2, 3, null, "@b.price", 0, null],
            ["ft.amount", "@b.total", 4, 5, null, "@b.amount", 0, null],
            ["ft.const", "@b.total", 6, 7, null, null, 0, 1.2],
            ["fr.val", "@r.val", 1, 2, null, "@b.price", 1, null]]},
  {"table": "FRMLTRPT", "columns": ["FRMLTREE_ID", "FLD_ID"], "rows": [["@fr.val", "@r.b"]]},
  {"table": "TBL", "columns": ["@", "TBL_NAME", "TBL_CAPT", "OBJ_ID", "DEP_ID"],
   "rows": [["t.a", "A", "Сделки", "@A", null], ["t.b", "B", "Строки", "@B", null],
            ["t.ab", "AB", "Строки сделки", null, "@l.ab"], ["t.rb", "RB", "Ссылки строки", null, "@l.rb"],
            ["t.s", "S", "Платежи", "@S", null]]},
  {"table": "TBLTREE", "columns": ["TBL_ID", "FLD_ID", "TBLTREE_LFT", "TBLTREE_RGT"],
   "rows": [["@t.a", "@a.id", 1, 4], ["@t.a", "@a.name", 2, 3],
            ["@t.b", "@b.id", 1, 8], ["@t.b", "@b.a", 2, 5], ["@t.b", "@a.name", 3, 4], ["@t.b", "@b.amount", 6, 7],
            ["@t.ab", "@b.id", 1, 4], ["@t.ab", "@b.amount", 2, 3],
            ["@t.rb", "@r.id", 1, 4], ["@t.rb", "@r.b", 2, 3],
            ["@t.s", "@s.id", 1, 4], ["@t.s", "@s.a", 2, 3]]},
  {"table": "USRTBL", "columns": ["USR_ID", "TBL_ID"],
   "rows": [["#USR.USR_LOGIN=tormel", "@t.a"], ["#USR.USR_LOGIN=tormel", "@t.ab"]]},
  {"table": "CARD", "columns": ["@", "CARD_NAME", "CARD_CAPT", "OBJ_ID"],
   "rows": [["c.a", "A", "Сделка", "@A"], ["c.b", "B", "Строка", "@B"]]},
  {"table": "CTRLTREE", "columns": ["CARD_ID", "CTRLTREE_LFT", "CTRLTREE_RGT", "CTRLTRTP_ID", "FLD_ID"],
   "rows": [["@c.a", 1, 4, "#CTRLTRTP.CTRLTRTP_NAME=Root", null],
            ["@c.a", 2, 3, "#CTRLTRTP.CTRLTRTP_NAME=EditStr", "@a.name"],
            ["@c.b", 1, 6, "#CTRLTRTP.CTRLTRTP_NAME=Root", null],
            ["@c.b", 2, 3, "#CTRLTRTP.CTRLTRTP_NAME=EditNum182", "@b.amount"],
            ["@c.b", 4, 5, "#CTRLTRTP.CTRLTRTP_NAME=EditStr", "@b.note"]]},
  {"table": "USRCARD", "columns": ["USR_ID", "CARD_ID"], "rows": [["#USR.USR_LOGIN=tormel", "@c.b"]]},
  {"table": "DETBOOK", "columns": ["@", "DETBOOK_NAME", "OBJ_ID"], "rows": [["d.a", "A", "@A"]]},
  {"table": "DETDEP", "columns": ["DETBOOK_ID", "DEP_ID"], "rows": [["@d.a", "@l.ab"], ["@d.a", "@l.as"]]},
  {"table": "USRDET", "columns": ["USR_ID", "DETBOOK_ID"], "rows": [["#USR.USR_LOGIN=tormel", "@d.a"]]},
  {"table": "FLTR", "columns": ["@", "FLTR_NAME", "FLTR_CAPT", "TBL_ID", "DEP_ID", "OBJ_ID"],
   "rows": [["f.b", "B", "Фильтр строк", "@t.b", null, null],
            ["f.lab", "AB", "Фильтр связи", null, "@l.ab", null],
            ["f.rb", "RB", "Фильтр ссылок", "@t.rb", null, null],
            ["f.s", "S", "Фильтр платежей", null, null, "@S"]]},
  {"table": "FLTRTREE", "columns": ["@", "FLTR_ID", "FLTRTREE_LFT", "FLTRTREE_RGT", "FLTRTRTP_ID", "FLD_ID", "DEP_ID",
                                    "FLTRTREE_VALUE"],
   "rows": [["n.b", "@f.b", 1, 6, "#FLTRTRTP.FLTRTRTP_NAME=And", null, null, null],
            ["n.b.amount", "@f.b", 2, 3, "#FLTRTRTP.FLTRTRTP_NAME=Equal", "@b.amount", null, "5"],
            ["n.b.name", "@f.b", 4, 5, "#FLTRTRTP.FLTRTRTP_NAME=Containing", "@a.name", null, "ООО"],
            ["n.lab", "@f.lab", 1, 2, "#FLTRTRTP.FLTRTRTP_NAME=Equal", "@b.capt", null, "x"],
            ["n.rb", "@f.rb", 1, 2, "#FLTRTRTP.FLTRTRTP_NAME=Exist", null, "@l.rb", null],
            ["n.s", "@f.s", 1, 2, "#FLTRTRTP.FLTRTRTP_NAME=Equal", "@s.a", "@l.as", "1"]]},
  {"table": "FLTRTRPT", "columns": ["FLTRTREE_ID", "FLD_ID"], "rows": [["@n.b.name", "@b.a"]]},
  {"table": "CURR", "columns": ["@", "CURR_BASE"], "rows": [["cur.rub", 1], ["cur.usd", 0]]},
  {"table": "CURRATE", "columns": ["CURR_ID", "CURRATE_DATE", "CURRATE_VALUE"],
   "rows": [["@cur.usd", "2024-01-01", 90.5], ["@cur.usd", "2024-02-01", 91.25]]}
]})";

struct TCascadeCase {
    const char* Name;
    QStringList Statements;  // "{label}" stands for the key of a catalogue row
    const char* Error;       // the last statement is refused with this text; nullptr: all succeed
    QList<QPair<const char*, int>> Counts;  // checked afterwards
};

class Cascades : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The schema and code tables only: the counts below are of the
        // fixture's own rows, without the catalogue describing itself.
        Path = new QString(NewPath(".fdb"));
        CreateDatabaseFromFiles(*Path, VelmoraSetupFiles());
        TDbTestConn conn(*Path);
        Loader = new TDbDataLoader(&conn.Db, &conn.Tr);
        Loader->Load(QByteArray(kCatalogue), QStringLiteral("catalogue"));
        conn.Tr.Commit();
    }
    static void TearDownTestSuite()
    {
        delete Loader;
        delete Path;
    }

    static QString Resolve(QString ASql)
    {
        static const QRegularExpression re(QStringLiteral("\\{([^}]+)\\}"));
        QRegularExpressionMatch m;
        while ((m = re.match(ASql)).hasMatch())
            ASql.replace(m.capturedStart(), m.capturedLength(), QString::number(Loader->IdOf(m.captured(1))));
        return ASql;
    }

    static QString* Path;
    static TDbDataLoader* Loader;  // keeps the labels; its connection is gone
};
QString* Cascades::Path = nullptr;
TDbDataLoader* Cascades::Loader = nullptr;

}  // namespace

TEST_F(Cascades, DeletesTakeTheirPartsAndRefuseWhileUsedElsewhere)
{
    const TCascadeCase cases[] = {
        // Parts go with their whole.
        {"field takes its formula", {"delete from FLD where FLD_ID = {b.total}"}, nullptr,
         {{"select count(*) from FRMLTREE where FLD_ID = {b.total}", 0},
          {"select count(*) from FRMLTREE where FLD_ID = {r.val}", 1}}},
        {"formula node takes its path", {"delete from FRMLTREE where FRMLTREE_ID = {fr.val}"}, nullptr,
         {{"select count(*) from FRMLTRPT", 0}}},
        {"field takes its formula with the path", {"delete from FLD where FLD_ID = {r.val}"}, nullptr,
         {{"select count(*) from FRMLTREE where FLD_ID = {r.val}", 0}, {"select count(*) from FRMLTRPT", 0}}},
        {"view takes its columns and its filters", {"delete from TBL where TBL_ID = {t.b}"}, nullptr,
         {{"select count(*) from TBLTREE where TBL_ID = {t.b}", 0},
          {"select count(*) from FLTR where FLTR_ID = {f.b}", 0},
          {"select count(*) from FLTRTREE where FLTR_ID = {f.b}", 0},
          {"select count(*) from FLTRTRPT", 0},
          {"select count(*) from TBLTREE where TBL_ID = {t.a}", 2}}},
        {"view takes the personal choices", {"delete from TBL where TBL_ID = {t.a}"}, nullptr,
         {{"select count(*) from USRTBL where TBL_ID = {t.a}", 0}, {"select count(*) from USRTBL", 1}}},
        {"card takes its controls and personal choices", {"delete from CARD where CARD_ID = {c.b}"}, nullptr,
         {{"select count(*) from CTRLTREE where CARD_ID = {c.b}", 0},
          {"select count(*) from USRCARD", 0},
          {"select count(*) from CTRLTREE where CARD_ID = {c.a}", 2}}},
        {"detail set takes its composition and personal choices", {"delete from DETBOOK where DETBOOK_ID = {d.a}"},
         nullptr, {{"select count(*) from DETDEP", 0}, {"select count(*) from USRDET", 0}}},
        {"filter takes its nodes and their paths", {"delete from FLTR where FLTR_ID = {f.b}"}, nullptr,
         {{"select count(*) from FLTRTREE where FLTR_ID = {f.b}", 0},
          {"select count(*) from FLTRTRPT", 0},
          {"select count(*) from FLTRTREE", 3}}},
        {"filter node takes its path", {"delete from FLTRTREE where FLTRTREE_ID = {n.b.name}"}, nullptr,
         {{"select count(*) from FLTRTRPT", 0}}},
        {"user takes the personal choices", {"delete from USR where USR_LOGIN = 'tormel'"}, nullptr,
         {{"select count(*) from USRTBL", 0}, {"select count(*) from USRCARD", 0}, {"select count(*) from USRDET", 0}}},
        {"currency takes its rates", {"delete from CURR where CURR_ID = {cur.usd}"}, nullptr,
         {{"select count(*) from CURRATE", 0}}},
        {"unique set leaves its fields", {"delete from UNIQFLD where UNIQFLD_ID = {u1}"}, nullptr,
         {{"select count(*) from FLD where FLD_ID = {a.name} and UNIQFLD_ID is null", 1}}},
        {"link takes its views, their filters and its detail tabs", {"delete from DEP where DEP_ID = {l.rb}"}, nullptr,
         {{"select count(*) from TBL where TBL_ID = {t.rb}", 0},
          {"select count(*) from FLTR where FLTR_ID = {f.rb}", 0},
          {"select count(*) from FLD where FLD_ID = {r.b}", 1}}},
        {"object takes everything describing it", {"delete from OBJ where OBJ_ID = {S}"}, nullptr,
         {{"select count(*) from FLD where OBJ_ID = {S}", 0},
          {"select count(*) from DEP where DEP_ID = {l.as}", 0},
          {"select count(*) from TBL where TBL_ID = {t.s}", 0},
          {"select count(*) from FLTR where FLTR_ID = {f.s}", 0},
          {"select count(*) from DETDEP", 1},
          {"select count(*) from FLD where OBJ_ID = {A}", 3}}},
        {"object with a path formula", {"delete from OBJ where OBJ_ID = {R}"}, nullptr,
         {{"select count(*) from FLD where OBJ_ID = {R}", 0},
          {"select count(*) from FRMLTRPT", 0},
          {"select count(*) from DEP where DEP_ID = {l.rb}", 0},
          {"select count(*) from TBL where TBL_ID = {t.rb}", 0},
          {"select count(*) from FLTR where FLTR_ID = {f.rb}", 0}}},
        {"object with its own formulas, views, cards and filters once nothing uses it",
         {"delete from OBJ where OBJ_ID = {R}", "delete from FLD where FLD_ID = {a.sum}",
          "delete from OBJ where OBJ_ID = {B}"},
         nullptr,
         {{"select count(*) from FLD where OBJ_ID = {B}", 0},
          {"select count(*) from FRMLTREE", 0},
          {"select count(*) from TBL where TBL_ID in ({t.b}, {t.ab})", 0},
          {"select count(*) from CARD where CARD_ID = {c.b}", 0},
          {"select count(*) from FLTR where FLTR_ID in ({f.b}, {f.lab})", 0},
          {"select count(*) from DETDEP", 1},
          {"select count(*) from TBLTREE where TBL_ID = {t.a}", 2},
          {"select count(*) from FLD where OBJ_ID = {A}", 2}}},
        // Uses from elsewhere are refused, and nothing is half done.
        {"summed field", {"delete from FLD where FLD_ID = {b.amount}"},
         "Поле \"Количество\" нельзя удалить: его суммирует поле \"Сумма\"",
         {{"select count(*) from FLD where FLD_ID = {b.amount}", 1}}},
        {"field in another field's formula", {"delete from FLD where FLD_ID = {b.price}"},
         "Поле \"Цена\" нельзя удалить: оно используется в формуле поля \"Итого\"", {}},
        {"field in a view", {"delete from FLD where FLD_ID = {a.name}"},
         "Поле \"Название\" нельзя удалить: оно показано в представлении \"Сделки\"", {}},
        {"field on a card", {"delete from FLD where FLD_ID = {b.note}"},
         "Поле \"Примечание\" нельзя удалить: оно показано в карточке \"Строка\"", {}},
        {"field in a filter", {"delete from FLD where FLD_ID = {b.capt}"},
         "Поле \"Подпись\" нельзя удалить: оно используется в фильтре \"Фильтр связи\"", {}},
        {"link field on a formula path", {"delete from FLD where FLD_ID = {r.b}"},
         "Поле \"Строка\" нельзя удалить: оно используется в формуле поля \"Цена строки\"",
         {{"select count(*) from DEP where DEP_ID = {l.rb}", 1}, {"select count(*) from TBL where TBL_ID = {t.rb}", 1}}},
        {"link field of a summed link", {"delete from FLD where FLD_ID = {b.a}"},
         "нельзя удалить: по ней считается суммирующее поле \"Сумма\"",
         {{"select count(*) from DEP where DEP_ID = {l.ab}", 1}, {"select count(*) from TBL where TBL_ID = {t.ab}", 1}}},
        {"summed link", {"delete from DEP where DEP_ID = {l.ab}"},
         "Связь \"DealProd\" нельзя удалить: по ней считается суммирующее поле \"Сумма\"",
         {{"select count(*) from DETDEP", 2}, {"select count(*) from FLTR where FLTR_ID = {f.lab}", 1}}},
        {"link used by a filter of something else", {"delete from DEP where DEP_ID = {l.as}"},
         "Связь \"DealPaym\" нельзя удалить: она используется в фильтре \"Фильтр платежей\"", {}},
        {"object others refer to", {"delete from OBJ where OBJ_ID = {B}"},
         "Объект \"Строки\" нельзя удалить: на него ссылается объект \"Ссылки\"",
         {{"select count(*) from FLD where OBJ_ID = {B}", 7}, {"select count(*) from FRMLTREE", 5}}},
    };

    TDbTestConn conn(*Path);
    for (const TCascadeCase& c : cases) {
        SCOPED_TRACE(c.Name);
        QString error;
        for (int i = 0; i < c.Statements.size(); ++i) {
            try {
                conn.Exec(Resolve(c.Statements[i]));
            } catch (const Exception& e) {
                error = e.Message();
                EXPECT_EQ(i, c.Statements.size() - 1) << "refused early: " << error.toStdString();
                break;
            }
        }
        if (c.Error)
            EXPECT_TRUE(error.contains(QString::fromUtf8(c.Error))) << "got: " << error.toStdString();
        else
            EXPECT_EQ(error, QString());
        for (const auto& [sql, count] : c.Counts)
            EXPECT_EQ(conn.Int(Resolve(QString::fromUtf8(sql))), count) << sql;
        conn.Tr.Rollback();
        conn.Tr.StartTransaction();
    }
}

// ---------------------------------------------------------------- the tool

namespace {

QString ToolPath()
{
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath() +
           QStringLiteral("/velmora-initdb");
}

struct TToolRun {
    int ExitCode = -1;
    QString Out;
    QString Err;
};

TToolRun RunTool(const QStringList& AArgs)
{
    QProcess p;
    p.start(ToolPath(), AArgs);
    TToolRun r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.ExitCode = p.exitCode();
    r.Out = QString::fromUtf8(p.readAllStandardOutput());
    r.Err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

}  // namespace

TEST(InitDbTool, CreatesTheDatabaseAndReportsTheSteps)
{
    ASSERT_TRUE(QFileInfo::exists(ToolPath())) << ToolPath().toStdString();
    const QString path = NewPath(".fdb");
    const TToolRun r = RunTool({path});
    EXPECT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.startsWith(QStringLiteral("Создан файл базы данных: %1\n").arg(path))) << r.Out.toStdString();
    EXPECT_TRUE(r.Out.endsWith(QStringLiteral("База данных готова: %1\n").arg(path))) << r.Out.toStdString();
    TDbTestConn conn(path);
    EXPECT_EQ(conn.Int(QStringLiteral("select count(*) from FLDTYPE")), 10);
}

TEST(InitDbTool, ExitCodesForFailureAndBadArguments)
{
    ASSERT_TRUE(QFileInfo::exists(ToolPath())) << ToolPath().toStdString();
    const QString existing = NewPath(".fdb");
    WriteFile(existing, "keep");
    const QString fresh = NewPath(".fdb");
    const struct {
        const char* Name;
        QStringList Args;
        int ExitCode;
        QString ErrPart;
    } cases[] = {
        {"existing file", {existing}, 1, QStringLiteral("Файл базы данных уже существует: %1").arg(existing)},
        {"no path", {}, 2, QStringLiteral("Использование: velmora-initdb [--demo] [--large N] PATH")},
        {"two paths", {fresh, fresh}, 2, QStringLiteral("неверные аргументы")},
        {"unknown option", {QStringLiteral("--bogus"), fresh}, 2, QStringLiteral("неизвестный параметр: --bogus")},
        {"large without count", {fresh, QStringLiteral("--large")}, 2,
         QStringLiteral("после --large не указано число записей")},
        {"large zero", {QStringLiteral("--large"), QStringLiteral("0"), fresh}, 2,
         QStringLiteral("должно быть целым от 1 до 10000000: 0")},
        {"large not a number", {QStringLiteral("--large"), QStringLiteral("5x"), fresh}, 2,
         QStringLiteral("должно быть целым от 1 до 10000000: 5x")},
        {"demo twice", {QStringLiteral("--demo"), QStringLiteral("--demo"), fresh}, 2,
         QStringLiteral("параметр --demo указан дважды")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TToolRun r = RunTool(c.Args);
        EXPECT_EQ(r.ExitCode, c.ExitCode);
        EXPECT_TRUE(r.Err.contains(c.ErrPart)) << r.Err.toStdString();
    }
    EXPECT_EQ(ReadAll(existing), QByteArray("keep"));
    EXPECT_FALSE(QFileInfo::exists(fresh));
}
