#include "DetBook.h"

#include "app/func.h"

namespace {
QString DevOrderLine()
{
    return DevMode ? QStringLiteral("order by D.DETBOOK_DEV desc") : QStringLiteral("order by D.DETBOOK_DEV");
}
}  // namespace

TDetBook::TDetBook() : IBSQL(NewIBSQL()) {}

TDetBook::~TDetBook() = default;

int TDetBook::IndexOf(const TObjLink* AObjLink) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[i] == AObjLink) return i;
    return -1;
}

bool TDetBook::ReadFound()
{
    {
        TIBSQLCloser closer{*IBSQL};
        IBSQL->ExecQuery();
        if (IBSQL->Eof()) return false;
        const int id = IBSQL->FieldByName(QStringLiteral("DETBOOK_ID")).AsInteger();
        const QString capt = IBSQL->FieldByName(QStringLiteral("DETBOOK_CAPT")).AsString();
        const bool def = IBSQL->FieldByName(QStringLiteral("DETBOOK_DEFAULT")).AsInteger() == 1;
        const QString name = IBSQL->FieldByName(QStringLiteral("DETBOOK_NAME")).AsString();
        const bool dev = IBSQL->FieldByName(QStringLiteral("DETBOOK_DEV")).AsInteger() == 1;
        TObj* obj = ObjList->GetObjById(IBSQL->FieldByName(QStringLiteral("OBJ_ID")).AsInteger());
        Id = id;
        Capt = capt;
        Default = def;
        Name = name;
        Dev = dev;
        Obj = obj;
    }
    LoadLinks();
    return true;
}

void TDetBook::LoadLinks()
{
    // The order of the tabs is the order of the rows: ordered by their key,
    // so that it stays the order in which the links were added to the set.
    IBSQL->SQL = QStringList{QStringLiteral("select *"), QStringLiteral("from DETDEP D"),
                             QStringLiteral("where D.DETBOOK_ID = ") + QString::number(Id),
                             QStringLiteral("order by D.DETDEP_ID")};
    // A set loaded again replaces its links instead of listing them twice.
    FItems.clear();
    TIBSQLCloser closer{*IBSQL};
    IBSQL->ExecQuery();
    while (!IBSQL->Eof()) {
        const int depId = IBSQL->FieldByName(QStringLiteral("DEP_ID")).AsInteger();
        TObjLink* link = Obj->ChildList->GetById(depId);
        if (!link)
            throw Exception(Format(
                QStringLiteral("TDetBook.Load: Для объекта \"%s\" в наборе деталей (%d) не найдена деталь с кодом %d"),
                {Obj->Capt, Id, depId}));
        FItems.push_back(link);
        IBSQL->Next();
    }
}

bool TDetBook::NotFound(TObj* AObj)
{
    if (RaiseLoad) {
        if (AObj) throw Exception(Format(QStringLiteral("Для объекта \"%s\" набор деталей не создан"), {AObj->Capt}));
        throw Exception(QStringLiteral("Набор деталей не найден"));
    }
    return false;
}

bool TDetBook::LoadCurrent(TObj* AObj, int AUserId)
{
    IBSQL->SQL = QStringList{QStringLiteral("select D.*"), QStringLiteral("from USRDET U"),
                             QStringLiteral("join DETBOOK D on D.DETBOOK_ID = U.DETBOOK_ID"),
                             QStringLiteral("where D.OBJ_ID = ") + QString::number(AObj->Id),
                             QStringLiteral("and U.USR_ID = ") + QString::number(AUserId)};
    if (ReadFound()) return true;
    IBSQL->SQL = QStringList{QStringLiteral("select D.*"), QStringLiteral("from DETBOOK D"),
                             QStringLiteral("where D.OBJ_ID = ") + QString::number(AObj->Id),
                             QStringLiteral("and D.DETBOOK_DEFAULT = 1"), DevOrderLine()};
    if (ReadFound()) return true;
    return NotFound(AObj);
}

bool TDetBook::LoadById(int AId)
{
    IBSQL->SQL = QStringList{QStringLiteral("select D.*"), QStringLiteral("from DETBOOK D"),
                             QStringLiteral("where D.DETBOOK_ID = ") + QString::number(AId)};
    if (ReadFound()) return true;
    return NotFound(nullptr);
}

bool TDetBook::LoadByName(TObj* AObj, const QString& AName)
{
    IBSQL->SQL = QStringList{QStringLiteral("select D.*"), QStringLiteral("from DETBOOK D"),
                             QStringLiteral("where D.OBJ_ID = ") + QString::number(AObj->Id),
                             QStringLiteral("and D.DETBOOK_NAME = :DETBOOK_NAME"), DevOrderLine()};
    IBSQL->ParamByName(QStringLiteral("DETBOOK_NAME")).SetAsString(AName);
    if (ReadFound()) return true;
    return NotFound(AObj);
}
