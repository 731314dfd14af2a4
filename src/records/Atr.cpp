#include "Atr.h"

#include "app/func.h"
#include "meta/Formula.h"

#include <QHash>
#include <algorithm>
#include <deque>

// ------------------------------------------------------ ECheckFldException

ECheckFldException ECheckFldException::CreateAtrItem(const QString& AMsg, TAtrItem* AAtrItem)
{
    return ECheckFldException(AMsg, AAtrItem);
}

ECheckFldException ECheckFldException::CreateFmtAtrItem(const QString& AFormat, TAtrItem* AAtrItem,
                                                        const QList<Variant>& AArgs)
{
    return ECheckFldException(Format(AFormat, AArgs), AAtrItem);
}

// -------------------------------------------------------------------- TAtr

namespace {
// A caption inside an SQL comment: "*/" would end the comment early.
QString CommentText(const QString& ACapt)
{
    QString s = ACapt;
    return s.replace(QStringLiteral("*/"), QStringLiteral("* /"));
}

QString ColumnWithCaption(const TFld* AFld)
{
    return Format(QStringLiteral("%s /* %s */"), {AFld->Field, CommentText(AFld->Capt)});
}

// A string cut to its first ASize characters (whole characters, not halves
// of a surrogate pair).
QString CutToSize(const QString& AText, int ASize)
{
    const QList<uint> chars = AText.toUcs4();
    if (chars.size() <= ASize) return AText;
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData()), ASize);
}

// A field reference reads through a link path when it has one.
bool HasPath(const TFormulaItem* ANode)
{
    return ANode->PathHave && ANode->Path->Count() > 0;
}

// An item is computed when it carries a formula. A formula-valued field
// (ftFormula, the formula editor's field) holds a formula of another field
// as its value; it is never computed in this record.
bool Computed(const TAtrItem* AAtrItem)
{
    return !AAtrItem->Formula->IsEmpty() && AAtrItem->Fld->FldType != ftFormula;
}

// Depth-first walk: node before children, children in order.
template <class F>
void WalkFormula(TFormulaItem* ANode, const F& AVisit)
{
    if (!ANode) return;
    AVisit(ANode);
    for (int i = 0; i < ANode->Count(); ++i) WalkFormula(ANode->Items(i), AVisit);
}
}  // namespace

TAtr::TAtr() : IBSQL(NewIBSQL()), FCurrRateTable(std::make_unique<TCurrRateTable>()) {}

TAtr::~TAtr() = default;

int TAtr::IndexOf(const TAtrItem* AAtrItem) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[i].get() == AAtrItem) return i;
    return -1;
}

TAtrItem* TAtr::GetByFld(TFld* AFld)
{
    if (!AFld) throw Exception(Format(QStringLiteral("TAtr.GetByFld: Поле для объекта \"%s\" не указано"), {Obj->Capt}));
    for (const auto& item : FItems)
        if (item->Fld == AFld) return item.get();
    if (Obj->FldList->IndexOf(AFld) < 0)
        throw Exception(Format(QStringLiteral("TAtr.GetByFld: Поле \"%s\" не принадлежит объекту \"%s\""),
                               {AFld->Capt, Obj->Capt}));
    auto item = std::make_unique<TAtrItem>();
    item->Fld = AFld;
    AFld->Formula->Assign(item->Formula.get());
    item->OnChange = [this](TAtrItem* AAtrItem) { AtrItemChange(AAtrItem); };
    FItems.push_back(std::move(item));
    return FItems.back().get();
}

TAtrItem* TAtr::GetByFldName(const QString& AFldName)
{
    TFld* fld = Obj->FldList->GetFldByFldName(AFldName);
    if (!fld)
        throw Exception(Format(QStringLiteral("TAtr.GetByFldName: В объекте \"%s\" не найдено поле \"%s\""),
                               {Obj->Capt, AFldName}));
    return GetByFld(fld);
}

void TAtr::InitValueByName(const QString& AFldName, const Variant& AValue, bool AForInsert)
{
    GetByFldName(AFldName)->InitValue(AValue, AForInsert);
}

namespace {
TFld* PKFld(TObj* AObj)
{
    TFld* pk = AObj->FldList->GetPKFld();
    if (!pk) throw Exception(Format(QStringLiteral("TAtr: У объекта \"%s\" нет ключевого поля"), {AObj->Capt}));
    return pk;
}

QString NotFoundMessage(TObj* AObj, const Variant& ARecId)
{
    return Format(QStringLiteral("Запись объекта \"%s\" с кодом \"%s\" не найдена (возможно, она удалена)"),
                  {AObj->Capt, ARecId.AsText()});
}
}  // namespace

// ------------------------------------------------------------- statements

bool TAtr::MakeSelectSql(bool AAgrOnly)
{
    QString cols;
    int n = 0;
    for (const auto& item : FItems) {
        if (!item->ForSelect()) continue;
        if (AAgrOnly && item->Fld->AgrObjLink == nullptr) continue;
        AddStr(cols, ColumnWithCaption(item->Fld));
        ++n;
    }
    IBSQL->SQL = QStringList{QStringLiteral("select"), cols, Format(QStringLiteral("from %s"), {Obj->Table}),
                             QStringLiteral("where"), Format(QStringLiteral("%s = :%0:s"), {PKFld(Obj)->Field})};
    DebugMessageFmt(QStringLiteral("select SQL для карточки \"%s\"\r\r%s"), {Obj->Capt, SqlLinesText(IBSQL->SQL)});
    return n > 0;
}

void TAtr::MakeInsertSql()
{
    GetByFld(PKFld(Obj));
    QString cols;
    QString vals;
    for (const auto& item : FItems) {
        if (!item->ForInsert) continue;
        AddStr(cols, ColumnWithCaption(item->Fld));
        AddStr(vals, QStringLiteral(":") + item->Fld->Field);
    }
    IBSQL->SQL = QStringList{Format(QStringLiteral("insert into %s ("), {Obj->Table}), cols,
                             QStringLiteral(") values ("), vals, QStringLiteral(")")};
    DebugMessageFmt(QStringLiteral("insert SQL для карточки \"%s\"\r\r%s"), {Obj->Capt, SqlLinesText(IBSQL->SQL)});
}

bool TAtr::MakeUpdateSql()
{
    QString sets;
    int n = 0;
    for (const auto& item : FItems) {
        if (!item->ForUpdate()) continue;
        AddStr(sets, Format(QStringLiteral("%s = :%0:s /* %s */"), {item->Fld->Field, CommentText(item->Fld->Capt)}));
        ++n;
    }
    IBSQL->SQL = QStringList{Format(QStringLiteral("update %s set"), {Obj->Table}), sets, QStringLiteral("where"),
                             Format(QStringLiteral("%s = :PKFIELD"), {PKFld(Obj)->Field})};
    DebugMessageFmt(QStringLiteral("update SQL для карточки \"%s\"\r\r%s"), {Obj->Capt, SqlLinesText(IBSQL->SQL)});
    return n > 0;
}

void TAtr::SetParam(TAtrItem* AAtrItem)
{
    TIBParam& param = IBSQL->ParamByName(AAtrItem->Fld->Field);
    const Variant& v = AAtrItem->Value();
    if (v.IsEmptyOrNull()) {
        param.Clear();
        return;
    }
    switch (AAtrItem->Fld->FldType) {
    case ftString: {
        const QString text = v.ToString();
        if (text.isEmpty())
            param.Clear();
        else if (AAtrItem->Fld->Size > 0 && text.size() > AAtrItem->Fld->Size)
            param.SetAsString(CutToSize(text, AAtrItem->Fld->Size));
        else
            param.SetAsVariant(v);
        break;
    }
    case ftDate:
        param.SetAsDate(v.ToDate());
        break;
    default:
        param.SetAsVariant(v);
        break;
    }
}

// ------------------------------------------------------- virtual operations

void TAtr::SetInsertValues()
{
    TFld* pk = PKFld(Obj);
    TAtrItem* key = GetByFld(pk);
    if (key->Value().IsEmptyOrNull()) InitValueByName(pk->Field, Obj->GetNewId(), true);
}

void TAtr::AtrItemChange(TAtrItem* AAtrItem)
{
    const std::vector<TAtrItem*> dependents = AAtrItem->FormulaAtrItemList;
    for (TAtrItem* d : dependents) d->NeedCalc = true;
    for (TAtrItem* d : dependents) CalcAtrItem(d);
}

void TAtr::AfterLoad(const Variant& ARecId) {}

namespace {
// Null, or for a string field the empty string (which is written as NULL).
bool NoValue(const TAtrItem* AAtrItem)
{
    const Variant& v = AAtrItem->Value();
    if (v.IsNull()) return true;
    return AAtrItem->Fld->FldType == ftString && v.Type() == VarType::String && v.ToString().isEmpty();
}
}  // namespace

void TAtr::CheckInsert()
{
    for (TFld* fld : *Obj->FldList) {
        if (!fld->NotNull) continue;
        TAtrItem* item = GetByFld(fld);
        if (item->ForInsert && NoValue(item))
            throw ECheckFldException::CreateFmtAtrItem(
                QStringLiteral("Невозможно добавить запись для объекта \"%s\", т.к. для поля \"%s\" не указано значение"),
                item, {Obj->Capt, fld->Capt});
    }
}

void TAtr::CheckUpdate()
{
    for (const auto& item : FItems) {
        if (!item->Modified || !item->Fld->NotNull) continue;
        if (NoValue(item.get()))
            throw ECheckFldException::CreateFmtAtrItem(
                QStringLiteral("Невозможно изменить запись для объекта \"%s\", т.к. для поля \"%s\" не указано значение"),
                item.get(), {Obj->Capt, item->Fld->Capt});
    }
}

void TAtr::DoAfterCommit()
{
    if (OnAfterCommit) OnAfterCommit(this);
}

void TAtr::SetRecId(const Variant& Value)
{
    InitFormulas(nullptr);
    if (MakeSelectSql(false)) {
        TIBSQLCloser closer{*IBSQL};
        IBSQL->ParamByName(PKFld(Obj)->Field).SetAsInteger(Value.ToInt());
        IBSQL->ExecQuery();
        if (IBSQL->Eof()) throw Exception(NotFoundMessage(Obj, Value));
        for (int i = 0; i < Count(); ++i) {
            TAtrItem* item = Items(i);
            if (item->Fld->Virt) continue;
            item->InitValue(IBSQL->FieldByName(item->Fld->Field).AsVariant(), false);
        }
    }
    AfterLoad(Value);
    FRecId = Value;
    New = false;
    NewForEvent = false;
}

void TAtr::Post()
{
    if (New) {
        SetInsertValues();
        CheckInsert();
        MakeInsertSql();
        for (const auto& item : FItems)
            if (item->ForInsert) SetParam(item.get());
        {
            TIBSQLCloser closer{*IBSQL};
            IBSQL->ExecQuery();
        }
        New = false;
        ClearModified();
        FRecId = GetByFld(PKFld(Obj))->Value();
    } else {
        CheckUpdate();
        if (!MakeUpdateSql()) return;
        for (const auto& item : FItems)
            if (item->ForUpdate()) SetParam(item.get());
        IBSQL->ParamByName(QStringLiteral("PKFIELD")).SetAsInteger(FRecId.ToInt());
        {
            TIBSQLCloser closer{*IBSQL};
            IBSQL->ExecQuery();
            // An update that found no row saved nothing: say so instead of
            // letting the edit vanish.
            if (IBSQL->RowsAffected() == 0) throw Exception(NotFoundMessage(Obj, FRecId));
        }
        ClearModified();
    }
}

void TAtr::SetDefaultValues(TObjLink* AObjLink, const Variant& AParentId)
{
    InitFormulas(AObjLink);
    ApplyDefaults(AObjLink, AParentId);
}

void TAtr::ApplyDefaults(TObjLink* AObjLink, const Variant& AParentId)
{
    for (const auto& item : FItems)
        if (Computed(item.get())) item->NeedCalc = true;
    for (const auto& item : FItems)
        if (item->Fld->Def0) item->InitValue(Variant(0), false);
    for (int i = 0; i < Count(); ++i) {
        TAtrItem* item = Items(i);
        if (Computed(item) && item->NeedCalc) CalcAtrItem(item);
    }
    if (AObjLink) GetByFld(AObjLink->ChildFld)->SetValue(AParentId);
    ClearModified();
}

// -------------------------------------------------------------- the rest

void TAtr::Commit()
{
    CommitRetaining();
    try {
        DoAfterCommit();
    } catch (...) {
        NewForEvent = false;
        throw;
    }
    NewForEvent = false;
}

bool TAtr::Modified() const
{
    for (const auto& item : FItems)
        if (item->Modified) return true;
    return false;
}

void TAtr::ClearModified()
{
    for (const auto& item : FItems) item->Modified = false;
}

void TAtr::RefreshArgFlieds()
{
    if (!MakeSelectSql(true)) return;
    // A record that was never saved has no summing values to read yet.
    if (FRecId.IsEmptyOrNull()) return;
    {
        TIBSQLCloser closer{*IBSQL};
        IBSQL->ParamByName(PKFld(Obj)->Field).SetAsInteger(FRecId.ToInt());
        IBSQL->ExecQuery();
        if (IBSQL->Eof()) throw Exception(NotFoundMessage(Obj, FRecId));
        for (int i = 0; i < Count(); ++i) {
            TAtrItem* item = Items(i);
            if (item->ForSelect() && item->Fld->AgrObjLink)
                item->InitValue(IBSQL->FieldByName(item->Fld->Field).AsVariant(), false);
        }
    }
    DebugMessage(QStringLiteral("Обновили суммирующие поля"));
}

// ---------------------------------------------------------------- formulas

void TAtr::InitFormulas(TObjLink* AObjLink)
{
    // 1. Items of formula fields and of the fields their formulas read.
    for (int f = 0; f < Obj->FldList->Count(); ++f) {
        TFld* fld = Obj->FldList->Items(f);
        if (fld->Formula->IsEmpty() || fld->FldType == ftFormula) continue;
        GetByFld(fld);
        WalkFormula(fld->Formula->FormulaItemRoot.get(), [this](TFormulaItem* ANode) {
            if (!ANode->Fld) return;
            GetByFld(HasPath(ANode) ? ANode->Path->Items(0) : ANode->Fld);
        });
    }

    // 2. Parent-key formulas: resolved through the link of the new record to
    // its parent, otherwise the field is an ordinary one here.
    for (int i = 0; i < Count(); ++i) {
        TAtrItem* item = Items(i);
        TFormulaItem* root = item->Formula->FormulaItemRoot.get();
        if (!root || root->Func != ffParId || !Computed(item)) continue;
        if (!AObjLink) {
            item->Formula->Clear();
            continue;
        }
        TObjLink* link = nullptr;
        for (TObjLink* l : *AObjLink->ParentObj->ParentList)
            if (l->ParentObj == item->Fld->FKObj && l->Det && l->Main) {
                link = l;
                break;
            }
        if (!link) {
            item->Formula->Clear();
            continue;
        }
        root->Func = ffNone;
        root->Fld = link->ChildFld;
        root->PathHave = true;
        root->Path->Add(AObjLink->ChildFld);
    }

    // 3. Dependencies: who reads whom, and the values read through paths.
    for (int i = 0; i < Count(); ++i) {
        TAtrItem* item = Items(i);
        if (!Computed(item)) continue;
        WalkFormula(item->Formula->FormulaItemRoot.get(), [this, item](TFormulaItem* ANode) {
            if (!ANode->Fld) return;
            const bool path = HasPath(ANode);
            TAtrItem* source = GetByFld(path ? ANode->Path->Items(0) : ANode->Fld);
            if (path) source->PathList->AddPath(ANode);
            auto& deps = source->FormulaAtrItemList;
            if (std::find(deps.begin(), deps.end(), item) == deps.end()) deps.push_back(item);
        });
    }

    FindCycles();
}

// An item that depends on itself, directly or through other formulas, would
// recalculate without end; such items are noted with the chain that closes
// the circle, and their calculation stops with that message.
void TAtr::FindCycles()
{
    FCycles.clear();
    for (const auto& start : FItems) {
        // Breadth-first from the dependents of start, back to start.
        QHash<TAtrItem*, TAtrItem*> cameFrom;
        std::deque<TAtrItem*> queue;
        TAtrItem* closing = nullptr;
        for (TAtrItem* d : start->FormulaAtrItemList) {
            if (d == start.get()) {
                closing = start.get();
                break;
            }
            if (!cameFrom.contains(d)) {
                cameFrom.insert(d, start.get());
                queue.push_back(d);
            }
        }
        while (!closing && !queue.empty()) {
            TAtrItem* x = queue.front();
            queue.pop_front();
            for (TAtrItem* d : x->FormulaAtrItemList) {
                if (d == start.get()) {
                    closing = x;
                    break;
                }
                if (!cameFrom.contains(d)) {
                    cameFrom.insert(d, x);
                    queue.push_back(d);
                }
            }
        }
        if (!closing) continue;
        QStringList chain;
        chain << start->Fld->Capt;
        for (TAtrItem* x = closing; x != start.get(); x = cameFrom.value(x)) chain.insert(1, x->Fld->Capt);
        chain << start->Fld->Capt;
        // The chain runs in the direction of the values: from start through
        // its dependents back to start.
        FCycles.push_back({start.get(), Format(QStringLiteral("Формула поля \"%s\" зависит от значения самого поля: %s"),
                                               {start->Fld->Capt, chain.join(QStringLiteral(" → "))})});
    }
}

void TAtr::CalcAtrItem(TAtrItem* AAtrItem)
{
    for (const TCycle& c : FCycles)
        if (c.AtrItem == AAtrItem) throw Exception(c.Message);
    AAtrItem->NeedCalc = false;
    if (!Computed(AAtrItem)) return;
    Variant value = CalcItem(AAtrItem->Formula->FormulaItemRoot.get());
    AAtrItem->SetValue(value);
}

namespace {
[[noreturn]] void NoOperand(TFormulaFunc AFunc, int AIndex)
{
    throw Exception(Format(QStringLiteral("CalcItem: У функции с кодом \"%d\" нет аргумента номер %d"),
                           {int(AFunc), AIndex + 1}));
}
}  // namespace

Variant TAtr::CalcItem(TFormulaItem* AFormulaItem)
{
    TFormulaItem* n = AFormulaItem;
    if (n->Func != ffNone) {
        auto operand = [&](int AIndex) {
            if (AIndex >= n->Count()) NoOperand(n->Func, AIndex);
            return CalcItem(n->Items(AIndex));
        };
        switch (n->Func) {
        case ffAdd:
        case ffDed:
        case ffMul:
        case ffDiv: {
            Variant r = operand(0);
            for (int i = 1; i < n->Count(); ++i) {
                Variant v = CalcItem(n->Items(i));
                switch (n->Func) {
                case ffAdd: r = r + v; break;
                case ffDed: r = r - v; break;
                case ffMul: r = r * v; break;
                default: r = r / v; break;
                }
            }
            return r;
        }
        case ffRate: {
            Variant date = operand(1);
            Variant curr = operand(0);
            return FCurrRateTable->GetRate(curr, date);
        }
        case ffCurD:
            return Variant::FromDate(Date());
        case ffCurU:
            return Variant(UserId);
        default:
            throw Exception(
                Format(QStringLiteral("CalcItem: Функция с кодом \"%d\" не известна системе"), {int(n->Func)}));
        }
    }
    if (n->Fld) {
        const bool path = HasPath(n);
        TAtrItem* source = GetByFld(path ? n->Path->Items(0) : n->Fld);
        if (source->NeedCalc) CalcAtrItem(source);
        return path ? source->PathList->GetValue(n) : source->Value();
    }
    return n->Value;
}
