#include "TestSession.h"

#include "meta/Obj.h"

TTestSession::TTestSession(const TDbSetupOptions& AOptions)
{
    InitProcess();
    ResetCodeTables();
    DatabasePath = FreshDatabase(AOptions);
    WriteClientIni(DatabasePath);
    ConnectDatabase();
}

TTestSession::~TTestSession()
{
    if (ObjListLoaded || ObjList) FreeObjList();
    if (Connected) DisconnectDatabase();
    ResetCodeTables();
}

void TTestSession::Exec(const QString& ASql)
{
    auto q = NewIBSQL();
    q->SQL = QStringList{ASql};
    q->ExecQuery();
    q->Close();
}

Variant TTestSession::Value(const QString& ASql)
{
    auto q = NewIBSQL();
    q->SQL = QStringList{ASql};
    q->ExecQuery();
    Variant v = q->Eof() ? Variant::Null() : q->Fields(0).AsVariant();
    q->Close();
    return v;
}

namespace {
int CodeId(const QString& ATable, const QString& AName)
{
    auto q = NewIBSQL();
    q->SQL = QStringList{QStringLiteral("select %1_ID from %1 where %1_NAME = :N").arg(ATable)};
    q->ParamByName(QStringLiteral("N")).SetAsString(AName);
    q->ExecQuery();
    int id = q->Eof() ? 0 : q->Fields(0).AsInteger();
    q->Close();
    return id;
}
}  // namespace

int FldTypeId(const QString& AName) { return CodeId(QStringLiteral("FLDTYPE"), AName); }
int FKRuleId(const QString& AName) { return CodeId(QStringLiteral("FKRULE"), AName); }
int FrmlFuncId(const QString& AName) { return CodeId(QStringLiteral("FRMLFUNC"), AName); }
