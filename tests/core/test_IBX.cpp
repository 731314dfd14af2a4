// The Firebird access layer against real databases made with CreateDatabase
// in a scratch directory (embedded engine).
#include "core/IBX.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <clocale>
#include <memory>
#include <utility>

namespace {

using TParamList = std::vector<std::pair<QString, Variant>>;

QStringList Lines(const QString& AText) { return AText.split(QLatin1Char('\n')); }

// ---------------------------------------------------------------------------
// Parameter parsing

struct TParseCase {
    const char* Title;
    QString Sql;
    QString Sent;
    QStringList Names;
};

TEST(ParseSqlParams, SplitsParametersOutsideQuotesAndComments)
{
    const TParseCase Cases[] = {
        {"plain", "select * from T where A = :A", "select * from T where A = ?", {"A"}},
        {"adjacent text", "where (a=:A) and b=:b_2,c", "where (a=?) and b=?,c", {"A", "B_2"}},
        {"lower case upper-cased", "x = :name$1", "x = ?", {"NAME$1"}},
        {"repeated name", ":A + :a + :B", "? + ? + ?", {"A", "A", "B"}},
        {"numbered", "values (:0, :1, :0)", "values (?, ?, ?)", {"0", "1", "0"}},
        {"inside string", "x = ':NOT' and y = :P", "x = ':NOT' and y = ?", {"P"}},
        {"escaped quote", "x = 'it''s :NOT' || :Y", "x = 'it''s :NOT' || ?", {"Y"}},
        {"double-quoted identifier", "\"A:B\"\"C:D\" = :F", "\"A:B\"\"C:D\" = ?", {"F"}},
        {"line comment", "-- :C\r\nselect :D", "-- :C\r\nselect ?", {"D"}},
        {"line comment ends at LF", "select 1 -- :C\n, :D", "select 1 -- :C\n, ?", {"D"}},
        {"line comment ends at CR", "a, -- :C\r:D", "a, -- :C\r?", {"D"}},
        {"block comment", "/* :C\r\n :E */ :F /**/", "/* :C\r\n :E */ ? /**/", {"F"}},
        {"comment marks inside string", "'--' || :A || '/*' || :B", "'--' || ? || '/*' || ?", {"A", "B"}},
        {"q-string", "q'{:X}' || Q'!:Y!' || :Z", "q'{:X}' || Q'!:Y!' || ?", {"Z"}},
        {"time literal", "time '10:30:00'", "time '10:30:00'", {}},
        {"lone colon", "a : b :", "a : b :", {}},
        {"unterminated string", "x = 'abc :X", "x = 'abc :X", {}},
        {"unterminated comment", "x /* :X", "x /* :X", {}},
    };
    for (const TParseCase& C : Cases) {
        SCOPED_TRACE(C.Title);
        const TParsedSql P = ParseSqlParams(C.Sql);
        EXPECT_EQ(P.Text, C.Sent);
        EXPECT_EQ(P.Names, C.Names);
    }
}

// ---------------------------------------------------------------------------
// Databases

constexpr const char* kUser = "SYSDBA";
constexpr const char* kPassword = "any";

class IBXTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Firebird maps file names through the process locale (read once, at
        // its first use), which QCoreApplication sets from the environment;
        // non-ASCII paths need a UTF-8 one.
        Utf8Locale = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
        TmpDir = new QTemporaryDir();
        ASSERT_TRUE(TmpDir->isValid());
        // A quote in the path checks the quoting of CREATE DATABASE.
        ASSERT_TRUE(QDir(TmpDir->path()).mkdir(QStringLiteral("it's")));
        Path = TmpDir->filePath(QStringLiteral("it's/ibx.fdb"));
        TIBDatabase::CreateDatabase(Path, kUser, kPassword);

        TIBDatabase Db;
        Connect(Db);
        TIBTransaction Tr(&Db);
        Tr.StartTransaction();
        const char* Ddl[] = {
            "create table T_TYPES (ID integer not null primary key, I integer, SI smallint, BI bigint,"
            " N2 numeric(18,2), N4 numeric(18,4), N92 numeric(9,2), N6 numeric(18,6),"
            " D double precision, F float, DT date, TS timestamp, TM time, B boolean,"
            " VC varchar(50), VW varchar(20) character set WIN1251, CH char(5),"
            " TX blob sub_type text, BN blob sub_type binary)",
            "create table T_ROWS (ID integer not null primary key, NAME varchar(30))",
            "create sequence SEQ_ROWS",
            "create procedure P_DOUBLE (X integer) returns (Y integer) as\n"
            "declare variable V integer;\n"
            "begin\n  V = :X * 2;\n  Y = :V;\n  suspend;\nend",
        };
        for (const char* Text : Ddl) {
            TIBSQL Stmt(&Db, &Tr);
            Stmt.SQL = Lines(QString::fromUtf8(Text));
            Stmt.ExecQuery();
        }
        Tr.Commit();
        Db.Close();
    }
    static void TearDownTestSuite()
    {
        delete TmpDir;
        TmpDir = nullptr;
    }

    static void Connect(TIBDatabase& ADb)
    {
        ADb.DatabaseName = Path;
        ADb.Params = QStringList{QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=any"),
                                 QStringLiteral("lc_ctype=UTF8")};
        ADb.Open();
    }

    void SetUp() override
    {
        Connect(Db);
        Tr.Params = QStringList{"read_committed", "rec_version", "nowait"};
        Tr.StartTransaction();
    }

    std::unique_ptr<TIBSQL> Sql(const QString& AText, const TParamList& AParams = {}, TIBTransaction* ATr = nullptr)
    {
        auto Q = std::make_unique<TIBSQL>(&Db, ATr ? ATr : &Tr);
        Q->SQL = Lines(AText);
        for (const auto& [Name, Value] : AParams)
            Q->ParamByName(Name).SetAsVariant(Value);
        return Q;
    }
    std::unique_ptr<TIBSQL> Exec(const QString& AText, const TParamList& AParams = {}, TIBTransaction* ATr = nullptr)
    {
        auto Q = Sql(AText, AParams, ATr);
        Q->ExecQuery();
        return Q;
    }
    int Count(const QString& ATable, TIBTransaction* ATr = nullptr)
    {
        return Exec(QStringLiteral("select count(*) from %1").arg(ATable), {}, ATr)->Fields(0).AsInteger();
    }

    static QTemporaryDir* TmpDir;
    static QString Path;
    static bool Utf8Locale;
    TIBDatabase Db;
    TIBTransaction Tr{&Db};
};

QTemporaryDir* IBXTest::TmpDir = nullptr;
QString IBXTest::Path;
bool IBXTest::Utf8Locale = false;

// ---------------------------------------------------------------------------
// Values

struct TRoundTrip {
    const char* Column;
    Variant Sent;
    VarType Type;  // type read back
    Variant Read;
};

TEST_F(IBXTest, EveryMappedTypeRoundTrips)
{
    const QString LongText = QString(QStringLiteral("Длинный текст ")).repeated(5000);
    const TDateTime Day = EncodeDate(2024, 2, 29);
    const TRoundTrip Cases[] = {
        {"I", Variant(-123456), VarType::Integer, Variant(-123456)},
        {"SI", Variant(-12), VarType::Integer, Variant(-12)},
        {"BI", Variant(77), VarType::Integer, Variant(77)},
        {"BI", Variant(5.0e9), VarType::Double, Variant(5.0e9)},
        {"N2", Variant(Currency::FromRaw(123400)), VarType::Currency, Variant(Currency::FromRaw(123400))},
        {"N2", Variant(Currency::FromRaw(-5)), VarType::Currency, Variant(Currency::FromRaw(0))},
        {"N4", Variant(Currency::FromRaw(-12345)), VarType::Currency, Variant(Currency::FromRaw(-12345))},
        {"N92", Variant(Currency::FromRaw(55000)), VarType::Currency, Variant(Currency::FromRaw(55000))},
        // Beyond the currency range a numeric reads as a double.
        {"N2", Variant("1000000000000000"), VarType::Double, Variant(1.0e15)},
        {"N6", Variant(1.234567), VarType::Double, Variant(1.234567)},
        {"D", Variant(-2.5e-3), VarType::Double, Variant(-2.5e-3)},
        {"F", Variant(0.25), VarType::Double, Variant(0.25)},
        {"DT", Variant::FromDate(Day), VarType::Date, Variant::FromDate(Day)},
        {"DT", Variant::FromDate(Day + 0.75), VarType::Date, Variant::FromDate(Day)},
        {"TS", Variant::FromDate(Day + 0.75), VarType::Date, Variant::FromDate(Day + 0.75)},
        {"TS", Variant::FromDate(Day), VarType::Date, Variant::FromDate(Day)},
        // Before 1899-12-30 the time stays a positive fraction: -1.25 is 1899-12-29 06:00.
        {"TS", Variant::FromDate(-1.25), VarType::Date, Variant::FromDate(-1.25)},
        {"TM", Variant::FromDate(Day + 0.5), VarType::Date, Variant::FromDate(0.5)},
        {"B", Variant(true), VarType::Boolean, Variant(true)},
        {"B", Variant(false), VarType::Boolean, Variant(false)},
        {"VC", Variant(QStringLiteral("Привет, мир ✓")), VarType::String, Variant(QStringLiteral("Привет, мир ✓"))},
        {"VC", Variant(QString()), VarType::String, Variant(QString())},
        {"VW", Variant(QStringLiteral("Ёлка")), VarType::String, Variant(QStringLiteral("Ёлка"))},
        {"CH", Variant(QStringLiteral("Яб")), VarType::String, Variant(QStringLiteral("Яб   "))},
        {"TX", Variant(LongText), VarType::String, Variant(LongText)},
        {"TX", Variant(QStringLiteral("короткий")), VarType::String, Variant(QStringLiteral("короткий"))},
        {"BN", Variant(QString::fromLatin1("\x01\xff\x00z", 4)), VarType::String, Variant(QString::fromLatin1("\x01\xff\x00z", 4))},
        // The server converts the variant's own type to the column's type.
        {"I", Variant("15"), VarType::Integer, Variant(15)},
        {"VC", Variant(15), VarType::String, Variant("15")},
        {"SI", Variant(true), VarType::Integer, Variant(1)},
        {"D", Variant(Currency::FromRaw(15000)), VarType::Double, Variant(1.5)},
        // Unassigned and Null are NULL for every type.
        {"I", Variant(), VarType::Null, Variant::Null()},
        {"N2", Variant::Null(), VarType::Null, Variant::Null()},
        {"TS", Variant::Null(), VarType::Null, Variant::Null()},
        {"B", Variant(), VarType::Null, Variant::Null()},
        {"VC", Variant::Null(), VarType::Null, Variant::Null()},
        {"TX", Variant::Null(), VarType::Null, Variant::Null()},
    };
    int Id = 0;
    for (const TRoundTrip& C : Cases) {
        SCOPED_TRACE(QStringLiteral("%1 <- %2").arg(C.Column, C.Sent.AsText()).toStdString());
        ++Id;
        Exec(QStringLiteral("insert into T_TYPES (ID, %1) values (:ID, :V)").arg(C.Column),
             {{"ID", Id}, {"V", C.Sent}});
        auto Q = Exec(QStringLiteral("select %1 from T_TYPES where ID = :ID").arg(C.Column), {{"ID", Id}});
        ASSERT_FALSE(Q->Eof());
        const Variant Got = Q->Fields(0).AsVariant();
        EXPECT_EQ(Got.Type(), C.Type) << Variant::TypeName(Got.Type()).toStdString();
        EXPECT_TRUE(Got == C.Read) << Got.AsText().toStdString();
        EXPECT_EQ(Q->Fields(0).IsNull(), C.Read.IsNull());
        Q->Next();
        EXPECT_TRUE(Q->Eof());
    }
}

TEST_F(IBXTest, TypedReadersConvertAndReadNullAsZero)
{
    Exec("insert into T_TYPES (ID, I, N2, N4, VC, DT) values (1, 7, 12.34, -0.0001, '42', '2020-01-02')");
    Exec("insert into T_TYPES (ID) values (2)");
    auto Q = Exec("select I, N2, N4, VC, DT from T_TYPES order by ID");
    EXPECT_EQ(Q->FieldByName("i").AsInteger(), 7);
    EXPECT_EQ(Q->FieldByName("I").AsString(), "7");
    EXPECT_EQ(Q->FieldByName("n2").AsCurrency(), Currency::FromRaw(123400));
    EXPECT_EQ(Q->FieldByName("N4").AsCurrency(), Currency::FromRaw(-1));
    EXPECT_DOUBLE_EQ(Q->FieldByName("N2").AsDouble(), 12.34);
    EXPECT_EQ(Q->FieldByName("VC").AsInteger(), 42);
    EXPECT_EQ(Q->FieldByName("DT").AsDate(), EncodeDate(2020, 1, 2));
    Q->Next();
    ASSERT_FALSE(Q->Eof());
    for (int I = 0; I < Q->FieldCount(); ++I) {
        const TIBField& F = Q->Fields(I);
        SCOPED_TRACE(F.Name().toStdString());
        EXPECT_TRUE(F.IsNull());
        EXPECT_TRUE(F.AsVariant().IsNull());
        EXPECT_EQ(F.AsInteger(), 0);
        EXPECT_EQ(F.AsString(), QString());
        EXPECT_EQ(F.AsCurrency(), Currency());
    }
    Q->Next();
    EXPECT_TRUE(Q->Eof());
    EXPECT_THROW(Q->Fields(0).AsInteger(), EIBError);  // no current row
}

TEST_F(IBXTest, FieldsByIndexAndCaseInsensitiveAlias)
{
    auto Q = Exec("select 1 as \"Mixed\", 'x' as PLAIN, 2 from RDB$DATABASE");
    ASSERT_EQ(Q->FieldCount(), 3);
    EXPECT_EQ(Q->Fields(0).Name(), "Mixed");
    EXPECT_EQ(Q->FieldIndex("mixed"), 0);
    EXPECT_EQ(Q->FieldByName("plain").AsString(), "x");
    EXPECT_EQ(Q->FieldIndex("nope"), -1);
    try {
        Q->FieldByName("nope");
        FAIL() << "no exception";
    } catch (const EIBError& E) {
        EXPECT_EQ(E.Message(), "Field \"nope\" not found");
    }
    EXPECT_THROW(Q->Fields(3), EIBError);
}

// ---------------------------------------------------------------------------
// Parameters

TEST_F(IBXTest, NamedParametersSetEveryOccurrence)
{
    // "-- :D" ends at the lone carriage return, as the server reads it.
    auto Q = Sql("select cast(:A as integer) + cast(:b as integer) * cast(:a as integer),"
                 " ':A' || '/* :C */' -- :D\r, cast(:E as integer)\n from RDB$DATABASE");
    EXPECT_EQ(Q->ParamNames(), QStringList({"A", "B", "E"}));
    EXPECT_EQ(Q->ParamCount(), 3);
    Q->ParamByName("a").SetAsInteger(10);
    Q->ParamByName("B").SetAsInteger(3);
    Q->ParamByName("e").SetAsInteger(-1);
    EXPECT_THROW(Q->ParamByName("C"), EIBError);
    EXPECT_THROW(Q->ParamByName("D"), EIBError);
    Q->ExecQuery();
    EXPECT_EQ(Q->Fields(0).AsInteger(), 40);
    EXPECT_EQ(Q->Fields(1).AsString(), ":A/* :C */");
    EXPECT_EQ(Q->Fields(2).AsInteger(), -1);
}

TEST_F(IBXTest, NumberedParameters)
{
    auto Q = Sql("select cast(:1 as integer) - cast(:0 as integer), cast(:0 as integer) from RDB$DATABASE");
    EXPECT_EQ(Q->ParamNames(), QStringList({"1", "0"}));
    Q->ParamByName("0").SetAsInteger(5);
    Q->Params(0).SetAsInteger(8);  // ":1", the first to occur
    Q->ExecQuery();
    EXPECT_EQ(Q->Fields(0).AsInteger(), 3);
    EXPECT_EQ(Q->Fields(1).AsInteger(), 5);
}

TEST_F(IBXTest, ValuesSurviveANewTextWhenTheNameRemains)
{
    auto Q = Sql("select cast(:X as integer) from RDB$DATABASE");
    Q->ParamByName("X").SetAsInteger(5);
    Q->ExecQuery();
    EXPECT_EQ(Q->Fields(0).AsInteger(), 5);
    Q->Close();

    Q->SQL = QStringList{"select cast(:x as integer) + cast(:Y as integer)", "from RDB$DATABASE"};
    EXPECT_EQ(Q->ParamNames(), QStringList({"X", "Y"}));
    Q->ParamByName("Y").SetAsInteger(1);
    Q->ExecQuery();  // prepared again: the new text is used
    EXPECT_EQ(Q->Fields(0).AsInteger(), 6);

    Q->SQL = QStringList{"select cast(:Y as integer) from RDB$DATABASE"};
    EXPECT_THROW(Q->ParamByName("X"), EIBError);
    Q->ExecQuery();
    EXPECT_EQ(Q->Fields(0).AsInteger(), 1);
}

TEST_F(IBXTest, ProcedureBodiesKeepTheirLocalVariables)
{
    // P_DOUBLE was created from a text with ":X" and ":V" in its body.
    auto Q = Exec("select Y from P_DOUBLE(:A)", {{"A", 21}});
    EXPECT_EQ(Q->FieldByName("Y").AsInteger(), 42);
    auto P = Exec("execute procedure P_DOUBLE :A", {{"A", 4}});
    ASSERT_FALSE(P->Eof());
    EXPECT_EQ(P->Fields(0).AsInteger(), 8);

    // Without parameter checking the text goes to the server as it is.
    auto B = Sql("execute block returns (R integer) as declare I integer = 3; begin R = :I * 2; suspend; end");
    B->ParamCheck = false;
    EXPECT_EQ(B->ParamCount(), 0);
    B->ExecQuery();
    EXPECT_EQ(B->Fields(0).AsInteger(), 6);
    B->ParamCheck = true;
    EXPECT_EQ(B->ParamNames(), QStringList{"I"});
}

TEST_F(IBXTest, SingletonResultsAndRowsAffected)
{
    auto Ins = Exec("insert into T_ROWS (ID, NAME) values (next value for SEQ_ROWS, :N) returning ID, NAME",
                    {{"N", "первый"}});
    ASSERT_FALSE(Ins->Eof());
    EXPECT_GT(Ins->FieldByName("ID").AsInteger(), 0);
    EXPECT_EQ(Ins->FieldByName("NAME").AsString(), "первый");
    EXPECT_EQ(Ins->RowsAffected(), 1);
    for (int I = 0; I < 3; ++I)
        Exec("insert into T_ROWS (ID, NAME) values (next value for SEQ_ROWS, 'x')");
    EXPECT_EQ(Exec("update T_ROWS set NAME = 'y' where NAME = 'x'")->RowsAffected(), 3);
    EXPECT_EQ(Exec("delete from T_ROWS")->RowsAffected(), 4);
}

TEST_F(IBXTest, OnExecuteSeesEveryStatementText)
{
    QStringList Seen;
    TIBSQL::OnExecute = [&Seen](const QString& AText) { Seen << AText; };
    struct TReset {
        ~TReset() { TIBSQL::OnExecute = nullptr; }
    } Reset;
    Exec("select 1 from RDB$DATABASE");
    auto Q = Sql("select cast(:P as integer)\nfrom RDB$DATABASE", {{"P", 1}});
    Q->ExecQuery();
    Q->ExecQuery();
    TIBSQL::OnExecute = nullptr;
    Exec("select 2 from RDB$DATABASE");
    EXPECT_EQ(Seen, QStringList({"select 1 from RDB$DATABASE", "select cast(:P as integer)\r\nfrom RDB$DATABASE",
                                 "select cast(:P as integer)\r\nfrom RDB$DATABASE"}));
}

// ---------------------------------------------------------------------------
// Errors

TEST_F(IBXTest, ErrorsCarryEveryFirebirdMessage)
{
    try {
        Exec("select * from NO_SUCH_TABLE");
        FAIL() << "no exception";
    } catch (const EIBError& E) {
        EXPECT_TRUE(E.Message().contains("Table unknown")) << E.what();
        EXPECT_TRUE(E.Message().contains("NO_SUCH_TABLE")) << E.what();
        EXPECT_GT(E.Message().count('\n'), 1) << E.what();
        EXPECT_EQ(E.SQLCode, -204);
        EXPECT_EQ(E.IBErrorCode, 335544569L);  // isc_dsql_error
    }
    // Cyrillic text inside a message comes back as UTF-8.
    try {
        Exec("select * from \"ТАБЛИЦА\"");
        FAIL() << "no exception";
    } catch (const EIBError& E) {
        EXPECT_TRUE(E.Message().contains(QStringLiteral("ТАБЛИЦА"))) << E.what();
    }
    // A constraint violation at execution time, then the transaction goes on.
    Exec("insert into T_ROWS (ID) values (1)");
    try {
        Exec("insert into T_ROWS (ID) values (1)");
        FAIL() << "no exception";
    } catch (const EIBError& E) {
        EXPECT_TRUE(E.Message().contains("PRIMARY or UNIQUE KEY")) << E.what();
        EXPECT_EQ(E.SQLCode, -803);
    }
    EXPECT_EQ(Count("T_ROWS"), 1);
}

TEST_F(IBXTest, ParameterListsRejectUnknownEntries)
{
    TIBDatabase Other;
    Other.DatabaseName = Path;
    Other.Params = QStringList{"user_name=SYSDBA", "password=x", "lc_ctype=UTF8", "sql_role_name=RDB$ADMIN"};
    Other.Open();
    EXPECT_TRUE(Other.Connected());
    Other.Close();
    EXPECT_FALSE(Other.Connected());
    Other.Params = QStringList{"user_name=SYSDBA", "no_such_option=1"};
    try {
        Other.Open();
        FAIL() << "no exception";
    } catch (const EIBError& E) {
        EXPECT_TRUE(E.Message().contains("no_such_option=1")) << E.what();
    }
    EXPECT_FALSE(Other.Connected());

    TIBTransaction T(&Db);
    T.Params = QStringList{"read_committed", "fast"};
    try {
        T.StartTransaction();
        FAIL() << "no exception";
    } catch (const EIBError& E) {
        EXPECT_TRUE(E.Message().contains("\"fast\"")) << E.what();
    }
    EXPECT_FALSE(T.InTransaction());
}

TEST_F(IBXTest, OpeningAMissingDatabaseRaisesFirebirdsMessage)
{
    TIBDatabase Other;
    Other.DatabaseName = TmpDir->filePath("missing.fdb");
    Other.Params = QStringList{"user_name=SYSDBA", "password=x"};
    try {
        Other.Open();
        FAIL() << "no exception";
    } catch (const EIBError& E) {
        EXPECT_TRUE(E.Message().contains("missing.fdb")) << E.what();
        EXPECT_TRUE(E.Message().contains("No such file or directory")) << E.what();
        EXPECT_NE(E.IBErrorCode, 0);
    }
    EXPECT_FALSE(Other.Connected());
    EXPECT_FALSE(QFile::exists(Other.DatabaseName));
}

TEST_F(IBXTest, CreateDatabaseRefusesAnExistingFile)
{
    try {
        TIBDatabase::CreateDatabase(Path, kUser, kPassword);
        FAIL() << "no exception";
    } catch (const EIBError& E) {
        EXPECT_TRUE(E.Message().contains("already exists")) << E.what();
    }
    EXPECT_EQ(Count("T_TYPES"), 0);  // the existing database is intact

    if (!Utf8Locale)
        GTEST_SKIP() << "no UTF-8 locale";
    const QString Fresh = TmpDir->filePath(QStringLiteral("новая.fdb"));
    TIBDatabase::CreateDatabase(Fresh, kUser, kPassword);
    EXPECT_TRUE(QFile::exists(Fresh));
    TIBDatabase Other;
    Other.DatabaseName = Fresh;
    Other.Open();  // no parameters at all: the connection still speaks UTF-8
    TIBTransaction T(&Other);
    T.StartTransaction();
    TIBSQL Q(&Other, &T);
    Q.SQL = QStringList{"select D.RDB$CHARACTER_SET_NAME, A.MON$CHARACTER_SET_ID",
                        "from RDB$DATABASE D, MON$ATTACHMENTS A",
                        "where A.MON$ATTACHMENT_ID = current_connection"};
    Q.ExecQuery();
    EXPECT_EQ(Q.Fields(0).AsString().trimmed(), "UTF8");
    EXPECT_EQ(Q.Fields(1).AsInteger(), 4);  // UTF8
}

// ---------------------------------------------------------------------------
// Transactions

TEST_F(IBXTest, RollbackRetainingUndoesAndKeepsTheTransaction)
{
    Exec("insert into T_ROWS (ID, NAME) values (1, 'kept')");
    Tr.CommitRetaining();
    Exec("insert into T_ROWS (ID, NAME) values (2, 'undone')");
    EXPECT_EQ(Count("T_ROWS"), 2);
    Tr.RollbackRetaining();
    EXPECT_TRUE(Tr.InTransaction());
    EXPECT_EQ(Count("T_ROWS"), 1);
    Exec("insert into T_ROWS (ID, NAME) values (3, 'later')");
    Tr.CommitRetaining();

    // What was committed is seen by another transaction.
    TIBTransaction Other(&Db);
    Other.Params = QStringList{"read_committed", "rec_version", "nowait"};
    Other.StartTransaction();
    auto Q = Exec("select list(ID) from (select ID from T_ROWS order by ID)", {}, &Other);
    EXPECT_EQ(Q->Fields(0).AsString(), "1,3");
    Exec("delete from T_ROWS");
    Tr.CommitRetaining();
}

TEST_F(IBXTest, CommitRetainingKeepsAnOpenCursor)
{
    for (int I = 1; I <= 10; ++I)
        Exec("insert into T_ROWS (ID) values (:ID)", {{"ID", I}});
    Tr.CommitRetaining();
    auto Q = Exec("select ID from T_ROWS order by ID");
    int Sum = 0;
    int Rows = 0;
    for (; !Q->Eof(); Q->Next()) {
        Sum += Q->Fields(0).AsInteger();
        if (++Rows == 3) {
            Exec("update T_ROWS set NAME = 'touched' where ID = 1");
            Tr.CommitRetaining();
        }
    }
    EXPECT_EQ(Rows, 10);
    EXPECT_EQ(Sum, 55);
    EXPECT_TRUE(Q->Open());
    Q->Close();
    EXPECT_FALSE(Q->Open());
    Exec("delete from T_ROWS");
    Tr.CommitRetaining();
}

TEST_F(IBXTest, HardCommitClosesCursorsAndStatementsStayUsable)
{
    Exec("insert into T_ROWS (ID) values (1)");
    Exec("insert into T_ROWS (ID) values (2)");
    auto Q = Exec("select ID from T_ROWS order by ID");
    ASSERT_TRUE(Q->Open());
    Tr.Commit();
    EXPECT_FALSE(Q->Open());
    EXPECT_TRUE(Q->Eof());
    EXPECT_THROW(Q->ExecQuery(), EIBError);  // no active transaction
    Tr.StartTransaction();
    Q->ExecQuery();
    EXPECT_EQ(Q->Fields(0).AsInteger(), 1);
    Q->Close();
    Exec("delete from T_ROWS");
    Tr.Commit();
    Tr.StartTransaction();
}

struct TCloseCase {
    TTransactionAction Action;
    int Expected;
};

TEST_F(IBXTest, ClosingTheConnectionEndsTransactionsByDefaultAction)
{
    for (const TCloseCase C : {TCloseCase{TTransactionAction::taCommit, 1}, TCloseCase{TTransactionAction::taRollback, 0}}) {
        SCOPED_TRACE(C.Expected);
        TIBDatabase Other;
        Connect(Other);
        TIBTransaction T(&Other);
        T.DefaultAction = C.Action;
        T.StartTransaction();
        TIBSQL Q(&Other, &T);
        Q.SQL = QStringList{"insert into T_ROWS (ID) values (100)"};
        Q.ExecQuery();
        TIBSQL Open(&Other, &T);
        Open.SQL = QStringList{"select ID from T_ROWS"};
        Open.ExecQuery();
        Other.Close();
        EXPECT_FALSE(T.InTransaction());
        EXPECT_FALSE(Open.Open());

        Tr.CommitRetaining();  // a fresh view for read committed
        EXPECT_EQ(Count("T_ROWS"), C.Expected);

        // The statements of the closed connection work again after reconnecting.
        Other.Open();
        T.StartTransaction();
        Q.SQL = QStringList{"delete from T_ROWS"};
        Q.ExecQuery();
        T.Commit();
    }
}

TEST_F(IBXTest, StatementsOutliveTheirTransactionAndConnection)
{
    // Connection first, then transaction, then statements with open cursors.
    {
        auto D = std::make_unique<TIBDatabase>();
        Connect(*D);
        auto T = std::make_unique<TIBTransaction>(D.get());
        T->StartTransaction();
        auto Q = std::make_unique<TIBSQL>(D.get(), T.get());
        Q->SQL = QStringList{"select RDB$RELATION_NAME from RDB$RELATIONS"};
        Q->ExecQuery();
        D.reset();
        EXPECT_EQ(T->DefaultDatabase, nullptr);
        EXPECT_EQ(Q->Database, nullptr);
        EXPECT_FALSE(T->InTransaction());
        EXPECT_THROW(Q->ExecQuery(), EIBError);
        T.reset();
        EXPECT_EQ(Q->Transaction, nullptr);
        Q.reset();
    }
    // Transaction first, with the connection still open.
    {
        auto D = std::make_unique<TIBDatabase>();
        Connect(*D);
        auto T = std::make_unique<TIBTransaction>(D.get());
        T->StartTransaction();
        auto Q = std::make_unique<TIBSQL>(D.get(), T.get());
        Q->SQL = QStringList{"select RDB$RELATION_NAME from RDB$RELATIONS"};
        Q->ExecQuery();
        T.reset();
        EXPECT_FALSE(Q->Open());
        Q.reset();
        D->Close();
    }
}

}  // namespace
