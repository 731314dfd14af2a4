#include "Tbl.h"

#include "app/func.h"
#include "records/Atr.h"

#include <functional>

// ------------------------------------------------------------------ TTblTree

TTblTree* TTblTree::Add(std::unique_ptr<TTblTree> AItem)
{
    AItem->Parent = this;
    FItems.push_back(std::move(AItem));
    return FItems.back().get();
}

int TTblTree::IndexOf(const TTblTree* AItem) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[i].get() == AItem) return i;
    return -1;
}

// ---------------------------------------------------------------------- TTbl

namespace {
// "where T.DEP_ID = <link>" for a link view, else "where T.OBJ_ID = <object>".
QString WhereLine(const QString& AOperation, TObj* AObj, TObjLink* AObjLink)
{
    if (AObjLink) return QStringLiteral("where T.DEP_ID = ") + QString::number(AObjLink->Id);
    if (AObj) return QStringLiteral("where T.OBJ_ID = ") + QString::number(AObj->Id);
    throw Exception(Format(QStringLiteral("%s: Не указаны ни объект, ни связь таблицы"), {AOperation}));
}

QString DevOrderLine()
{
    return DevMode ? QStringLiteral("order by T.TBL_DEV desc") : QStringLiteral("order by T.TBL_DEV");
}
}  // namespace

TTbl::TTbl() : IBSQL(NewIBSQL()) {}

TTbl::~TTbl()
{
    IBSQL.reset();
    TblTree.reset();
}

TObj* TTbl::GetObj() const
{
    if (Obj) return Obj;
    if (ObjLink) return ObjLink->ChildFld->Obj;
    throw Exception(Format(QStringLiteral("TTbl.GetObj: Для таблицы \"%s\" не указаны ни объект, ни связь"), {Capt}));
}

bool TTbl::ReadFound()
{
    {
        TIBSQLCloser closer{*IBSQL};
        IBSQL->ExecQuery();
        if (IBSQL->Eof()) return false;
        const int id = IBSQL->FieldByName(QStringLiteral("TBL_ID")).AsInteger();
        const QString capt = IBSQL->FieldByName(QStringLiteral("TBL_CAPT")).AsString();
        const bool def = IBSQL->FieldByName(QStringLiteral("TBL_DEFAULT")).AsInteger() == 1;
        const QString name = IBSQL->FieldByName(QStringLiteral("TBL_NAME")).AsString();
        const bool dev = IBSQL->FieldByName(QStringLiteral("TBL_DEV")).AsInteger() == 1;
        const TIBField& objId = IBSQL->FieldByName(QStringLiteral("OBJ_ID"));
        const TIBField& depId = IBSQL->FieldByName(QStringLiteral("DEP_ID"));
        // Resolve before assigning anything, so an unknown id changes nothing.
        TObj* obj = objId.IsNull() ? nullptr : ObjList->GetObjById(objId.AsInteger());
        TObjLink* link = depId.IsNull() ? nullptr : ObjList->GetObjLinkById(depId.AsInteger());
        Id = id;
        Capt = capt;
        Default = def;
        Name = name;
        Dev = dev;
        // Both are taken from this row: a reused TTbl must not keep the
        // object or link of the view it held before.
        Obj = obj;
        ObjLink = link;
    }
    LoadTree();
    return true;
}

bool TTbl::NotFound(TObj* AObj)
{
    if (RaiseLoad) {
        if (AObj) throw Exception(Format(QStringLiteral("Для объекта \"%s\" не создана таблица"), {AObj->Capt}));
        throw Exception(QStringLiteral("Таблица не найдена"));
    }
    return false;
}

bool TTbl::LoadCurrent(TObj* AObj, TObjLink* AObjLink, int AUserId)
{
    const QString where = WhereLine(QStringLiteral("TTbl.LoadCurrent"), AObj, AObjLink);
    IBSQL->SQL = QStringList{QStringLiteral("select T.*"),
                             QStringLiteral("from USRTBL U"),
                             QStringLiteral("join TBL T on T.TBL_ID = U.TBL_ID"),
                             where,
                             QStringLiteral("and U.USR_ID = ") + QString::number(AUserId)};
    if (ReadFound()) return true;
    IBSQL->SQL = QStringList{QStringLiteral("select T.*"), QStringLiteral("from TBL T"), where,
                             QStringLiteral("and T.TBL_DEFAULT = 1"), DevOrderLine()};
    if (ReadFound()) return true;
    return NotFound(AObj);
}

bool TTbl::LoadById(int AId)
{
    IBSQL->SQL = QStringList{QStringLiteral("select T.*"), QStringLiteral("from TBL T"),
                             QStringLiteral("where T.TBL_ID = ") + QString::number(AId)};
    if (ReadFound()) return true;
    return NotFound(nullptr);
}

bool TTbl::LoadByName(TObj* AObj, TObjLink* AObjLink, const QString& AName)
{
    IBSQL->SQL = QStringList{QStringLiteral("select T.*"), QStringLiteral("from TBL T"),
                             WhereLine(QStringLiteral("TTbl.LoadByName"), AObj, AObjLink),
                             QStringLiteral("and T.TBL_NAME = :TBL_NAME"), DevOrderLine()};
    IBSQL->ParamByName(QStringLiteral("TBL_NAME")).SetAsString(AName);
    if (ReadFound()) return true;
    return NotFound(AObj);
}

void TTbl::LoadTree()
{
    TblTree.reset();
    {
        IBSQL->SQL = QStringList{QStringLiteral("select *"), QStringLiteral("from TBLTREE"),
                                 QStringLiteral("where TBL_ID = :TBL_ID"), QStringLiteral("order by TBLTREE_LFT")};
        IBSQL->ParamByName(QStringLiteral("TBL_ID")).SetAsInteger(Id);
        TIBSQLCloser closer{*IBSQL};
        IBSQL->ExecQuery();
        while (!IBSQL->Eof()) {
            auto node = std::make_unique<TTblTree>();
            node->Lft = IBSQL->FieldByName(QStringLiteral("TBLTREE_LFT")).AsInteger();
            node->Rgt = IBSQL->FieldByName(QStringLiteral("TBLTREE_RGT")).AsInteger();
            node->Fld = ObjList->GetFldById(IBSQL->FieldByName(QStringLiteral("FLD_ID")).AsInteger());
            if (!TblTree) {
                TblTree = std::move(node);
            } else if (TTblTree* parent = NestedSetParent<TTblTree>(TblTree.get(), nullptr, node->Lft)) {
                parent->Add(std::move(node));
            } else {
                throw Exception(
                    Format(QStringLiteral("Обнаружено нарушение структуры дерева для таблицы \"%s\" (объект: \"%s\")"),
                           {Capt, GetObj()->Capt}));
            }
            IBSQL->Next();
        }
    }
    ComputeLongCapts();
}

void TTbl::ComputeLongCapts()
{
    std::function<void(TTblTree*)> walk = [&](TTblTree* ANode) {
        QString capt = ANode->Fld ? ANode->Fld->Capt : QString();
        // Ancestors up to, not including, the root.
        for (TTblTree* p = ANode->Parent; p && p->Parent; p = p->Parent)
            capt = (p->Fld ? p->Fld->Capt : QString()) + QStringLiteral(">") + capt;
        ANode->LongCapt = capt;
        for (const auto& c : *ANode) walk(c.get());
    };
    if (TblTree) walk(TblTree.get());
}

void TTbl::SaveTree()
{
    IBSQL->SQL = QStringList{Format(QStringLiteral("delete from TBLTREE where TBL_ID = %d"), {Id})};
    {
        TIBSQLCloser closer{*IBSQL};
        IBSQL->ExecQuery();
    }

    // Pre-order, renumbered 1..2n.
    std::vector<TTblTree*> order;
    int counter = 0;
    std::function<void(TTblTree*)> number = [&](TTblTree* ANode) {
        order.push_back(ANode);
        ANode->Lft = ++counter;
        for (const auto& c : *ANode) number(c.get());
        ANode->Rgt = ++counter;
    };
    if (TblTree) number(TblTree.get());

    TAtr atr;
    atr.Obj = ObjList->GetObjByTable(QStringLiteral("TBLTREE"));
    for (TTblTree* node : order) {
        atr.New = true;
        atr.SetDefaultValues(nullptr, Variant::Null());
        atr.GetByFldName(QStringLiteral("TBLTREE_ID"))->SetValue(Variant::Null());
        atr.GetByFldName(QStringLiteral("FLD_ID"))->SetValue(node->Fld->Id);
        atr.GetByFldName(QStringLiteral("TBLTREE_LFT"))->SetValue(node->Lft);
        atr.GetByFldName(QStringLiteral("TBLTREE_RGT"))->SetValue(node->Rgt);
        atr.GetByFldName(QStringLiteral("TBL_ID"))->SetValue(Id);
        atr.Post();
    }
    ComputeLongCapts();
}
