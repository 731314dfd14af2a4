#include "TestSession.h"
#include "app/Ini.h"
#include "app/func.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString WriteFile(const QTemporaryDir& ADir, const QString& AText)
{
    QString path = ADir.filePath(QStringLiteral("client.ini"));
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(AText.toUtf8());
    return path;
}

TEST(ClientIni, ParameterListFollowsTheFile)
{
    struct Case {
        const char* Ini;
        const char* DatabaseName;
        QStringList Params;
    } cases[] = {
        {nullptr, "base.fdb", {"user_name=SYSDBA", "password=plumvexor", "lc_ctype=UTF8"}},
        {"", "base.fdb", {"user_name=SYSDBA", "password=plumvexor", "lc_ctype=UTF8"}},
        {"[DataBase]\nDataBaseName=srv:/data/x.fdb\nuser_name=IVAN\npassword=secret\n", "srv:/data/x.fdb",
         {"user_name=IVAN", "password=secret", "lc_ctype=UTF8"}},
        {"[database]\ndatabasename = /tmp/a b.fdb \nUSER_NAME=petr\n", "/tmp/a b.fdb",
         {"user_name=petr", "password=plumvexor", "lc_ctype=UTF8"}},
        {"[DataBase]\nuser_name=IVAN\ncrypt_user_name=zzz\n", "base.fdb", {"password=plumvexor", "lc_ctype=UTF8"}},
        {"[DataBase]\ncrypt_password=\npassword=secret\n", "base.fdb", {"user_name=SYSDBA", "lc_ctype=UTF8"}},
        {"[DataBase]\ncrypt_user_name=1\ncrypt_password=2\n", "base.fdb", {"lc_ctype=UTF8"}},
        {"[Other]\nDataBaseName=x.fdb\n[DataBase]\n; comment\nDataBaseName=y.fdb\n", "y.fdb",
         {"user_name=SYSDBA", "password=plumvexor", "lc_ctype=UTF8"}},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        QString path = c.Ini ? WriteFile(dir, QString::fromUtf8(c.Ini)) : dir.filePath(QStringLiteral("client.ini"));
        TIBDatabase db;
        db.Params << QStringLiteral("sql_role_name=OLD");
        ReadClientIni(&db, path, QStringLiteral("base.fdb"), QStringLiteral("UTF8"));
        EXPECT_EQ(db.DatabaseName, QString::fromUtf8(c.DatabaseName)) << (c.Ini ? c.Ini : "<no file>");
        EXPECT_EQ(db.Params, c.Params) << (c.Ini ? c.Ini : "<no file>");
    }
}

TEST(Helpers, AddStrAndVariantChecks)
{
    QString s;
    AddStr(s, QStringLiteral("A"));
    EXPECT_EQ(s, "A");
    AddStr(s, QStringLiteral("B"));
    EXPECT_EQ(s, "A,\rB");

    EXPECT_EQ(VarToIntNotNull(Variant(5)), 5);
    try {
        VarToIntNotNull(Variant::Null());
        ADD_FAILURE() << "no error";
    } catch (const EVariantError& e) {
        EXPECT_EQ(e.Message(), "Variant is null");
    }
    EXPECT_THROW(VarNotNull(Variant()), EVariantError);
}

TEST(Helpers, DebugMessagesOnlyWhenSwitchedOn)
{
    QStringList shown;
    DebugMessageHandler = [&](const QString& AText) { shown << AText; };
    ShowDebugMessages = false;
    DebugMessage(QStringLiteral("x"));
    DebugMessageFmt(QStringLiteral("%d"), {QStringLiteral("not a number")});  // formats nothing when off
    ShowDebugMessages = true;
    DebugMessageFmt(QStringLiteral("select %s /* %d */"), {QStringLiteral("A"), 2});
    ShowDebugMessages = false;
    DebugMessageHandler = nullptr;
    EXPECT_EQ(shown, QStringList{QStringLiteral("select A /* 2 */")});
}

class Session : public ::testing::Test {
protected:
    TTestSession S;
};

TEST_F(Session, ConnectUsesTheFixedTransactionParametersAndRereadsTheFile)
{
    EXPECT_TRUE(Connected);
    EXPECT_EQ(IBTransaction->Params, (QStringList{"read_committed", "rec_version", "nowait"}));
    EXPECT_EQ(IBTransaction->DefaultAction, TTransactionAction::taRollback);
    EXPECT_TRUE(IBTransaction->InTransaction());
    DisconnectDatabase();
    EXPECT_FALSE(Connected);

    // A changed file takes effect at the next connect.
    WriteClientIni(S.DatabasePath + QStringLiteral(".missing"));
    EXPECT_THROW(ConnectDatabase(), EIBError);
    EXPECT_FALSE(Connected);
    WriteClientIni(S.DatabasePath);
    ConnectDatabase();
    EXPECT_TRUE(Connected);
    EXPECT_EQ(IBDatabase->DatabaseName, S.DatabasePath);
}

TEST_F(Session, GenIdCountsUpAndSurvivesReconnect)
{
    S.Exec(QStringLiteral("create sequence VELMORA_TEST_SEQ"));
    CommitRetaining();
    EXPECT_EQ(GenId(QStringLiteral("VELMORA_TEST_SEQ")), 1);
    EXPECT_EQ(GenId(QStringLiteral("VELMORA_TEST_SEQ")), 2);
    DisconnectDatabase();
    ConnectDatabase();
    EXPECT_EQ(GenId(QStringLiteral("VELMORA_TEST_SEQ")), 3);
    EXPECT_THROW(GenId(QStringLiteral("NO_SUCH_SEQ")), EIBError);
    EXPECT_EQ(GenId(QStringLiteral("VELMORA_TEST_SEQ")), 4);  // the statement stays usable after a failure
}

TEST_F(Session, RetainingCommitAndRollbackKeepTheTransaction)
{
    S.Exec(QStringLiteral("create table T_RET (A integer)"));
    CommitRetaining();
    S.Exec(QStringLiteral("insert into T_RET values (1)"));
    RollbackRetaining();
    EXPECT_TRUE(IBTransaction->InTransaction());
    EXPECT_EQ(S.Value(QStringLiteral("select count(*) from T_RET")).ToInt(), 0);
    S.Exec(QStringLiteral("insert into T_RET values (2)"));
    CommitRetaining();
    // Durable: the row survives the connection ending by rollback.
    DisconnectDatabase();
    ConnectDatabase();
    EXPECT_EQ(S.Value(QStringLiteral("select sum(A) from T_RET")).ToInt(), 2);
}

}  // namespace
