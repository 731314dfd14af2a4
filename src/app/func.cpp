#include "func.h"

#include "Ini.h"
#include "meta/Obj.h"

#include <QCoreApplication>
#include <QDir>

TIBDatabase* IBDatabase = nullptr;
TIBTransaction* IBTransaction = nullptr;
bool Connected = false;
TObjList* ObjList = nullptr;
bool ObjListLoaded = false;
int UserId = 0;
QString UserName;
bool DevMode = false;
bool ShowDebugMessages = false;
TProgressProc OnLoadProgress;
std::function<void(const QString&)> DebugMessageHandler;
QString ClientIniDir;

namespace {
// Process-wide owners of the globals above.
std::unique_ptr<TIBDatabase> GDatabase;
std::unique_ptr<TIBTransaction> GTransaction;
std::unique_ptr<TObjList> GObjList;
std::unique_ptr<TIBSQL> GGenIdSql;
}  // namespace

void InitProcess()
{
    if (GDatabase) return;
    GDatabase = NewIBDatabase();
    IBDatabase = GDatabase.get();
    GTransaction = NewIBTransaction();
    IBTransaction = GTransaction.get();
}

void DoneProcess()
{
    GGenIdSql.reset();
    if (ObjListLoaded || GObjList) FreeObjList();
    if (GDatabase && GDatabase->Connected()) GDatabase->Close();
    Connected = false;
    GTransaction.reset();
    IBTransaction = nullptr;
    GDatabase.reset();
    IBDatabase = nullptr;
    UserName.clear();
}

std::unique_ptr<TIBDatabase> NewIBDatabase()
{
    auto db = std::make_unique<TIBDatabase>();
    db->LoginPrompt = false;
    return db;
}

std::unique_ptr<TIBTransaction> NewIBTransaction(TIBDatabase* ADatabase)
{
    auto tr = std::make_unique<TIBTransaction>(ADatabase ? ADatabase : IBDatabase);
    tr->DefaultAction = TTransactionAction::taRollback;
    tr->Params.clear();
    tr->Params << QStringLiteral("read_committed") << QStringLiteral("rec_version") << QStringLiteral("nowait");
    return tr;
}

std::unique_ptr<TIBSQL> NewIBSQL()
{
    return std::make_unique<TIBSQL>(IBDatabase, IBTransaction);
}

QString ClientIniFileName()
{
    QString dir = ClientIniDir.isEmpty() ? QCoreApplication::applicationDirPath() : ClientIniDir;
    return QDir(dir).filePath(QStringLiteral("client.ini"));
}

void ConnectDatabase()
{
    ReadClientIni(IBDatabase, ClientIniFileName(), QStringLiteral("base.fdb"), QStringLiteral("UTF8"));
    IBDatabase->Open();
    IBTransaction->StartTransaction();
    Connected = true;
}

void DisconnectDatabase()
{
    // Statements prepared on this connection die with it.
    GGenIdSql.reset();
    IBDatabase->Close();
    Connected = false;
}

void LoadObjList()
{
    GObjList = std::make_unique<TObjList>();
    ObjList = GObjList.get();
    ObjList->Load();
    ObjListLoaded = true;
}

void FreeObjList()
{
    ObjList = nullptr;
    GObjList.reset();
    ObjListLoaded = false;
}

void CommitRetaining()
{
    IBTransaction->CommitRetaining();
}

void RollbackRetaining()
{
    IBTransaction->RollbackRetaining();
}

int GenId(const QString& AGenName)
{
    if (!GGenIdSql) GGenIdSql = NewIBSQL();
    TIBSQL& q = *GGenIdSql;
    q.SQL = QStringList{Format(QStringLiteral("select gen_id(%s, 1) from RDB$DATABASE"), {AGenName})};
    TIBSQLCloser closer{q};
    q.ExecQuery();
    return q.Fields(0).AsInteger();
}

void DebugMessage(const QString& AMessage)
{
    if (!ShowDebugMessages) return;
    if (DebugMessageHandler) DebugMessageHandler(AMessage);
}

void DebugMessageFmt(const QString& AFormat, const QList<Variant>& AArgs)
{
    if (!ShowDebugMessages) return;
    DebugMessage(Format(AFormat, AArgs));
}

void AddStr(QString& S, const QString& T)
{
    if (S.isEmpty())
        S = T;
    else
        S = S + QStringLiteral(",\r") + T;
}
