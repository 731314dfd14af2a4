#include "AtrItem.h"

#include "app/func.h"

QString SqlLinesText(const QStringList& ALines)
{
    QString s;
    for (const QString& line : ALines) s += line + QStringLiteral("\r\n");
    return s;
}

// ---------------------------------------------------------------- TFldPath

TFldValue* TFldPath::GetFldValue(const TFld* AFld) const
{
    for (const auto& v : FldValueList)
        if (v->Fld == AFld) return v.get();
    return nullptr;
}

// --------------------------------------------------------------- TPathList

namespace {
bool SamePath(const TFldList& A, const TFldList& B)
{
    if (A.Count() != B.Count()) return false;
    for (int i = 0; i < A.Count(); ++i)
        if (A[i] != B[i]) return false;
    return true;
}
}  // namespace

void TPathList::AddPath(TFormulaItem* AFormulaItem)
{
    TFldPath* path = nullptr;
    for (const auto& p : FItems)
        if (SamePath(*p->Path, *AFormulaItem->Path)) {
            path = p.get();
            break;
        }
    if (!path) {
        auto p = std::make_unique<TFldPath>();
        p->Path = AFormulaItem->Path.get();
        FItems.push_back(std::move(p));
        path = FItems.back().get();
    }
    TFldValue* value = path->GetFldValue(AFormulaItem->Fld);
    if (!value) {
        auto v = std::make_unique<TFldValue>();
        v->Fld = AFormulaItem->Fld;
        path->FldValueList.push_back(std::move(v));
        value = path->FldValueList.back().get();
    }
    // Preparing the formulas again registers the same nodes again; one entry is enough.
    for (TFormulaItem* n : value->FormulaItemList)
        if (n == AFormulaItem) return;
    value->FormulaItemList.push_back(AFormulaItem);
}

Variant TPathList::GetValue(const TFormulaItem* AFormulaItem) const
{
    for (const auto& p : FItems)
        for (const auto& v : p->FldValueList)
            for (const TFormulaItem* n : v->FormulaItemList)
                if (n == AFormulaItem) return v->Value;
    throw Exception(QStringLiteral("TPathList.GetValue: Не найден элемент формулы"));
}

// ---------------------------------------------------------------- TAtrItem

TAtrItem::TAtrItem() : PathList(std::make_unique<TPathList>()), Formula(std::make_unique<TFormula>()) {}

TAtrItem::~TAtrItem() = default;

void TAtrItem::SetValue(const Variant& AValue)
{
    int digits = -1;
    switch (Fld->FldType) {
    case ftNum182: digits = 2; break;
    case ftNum183: digits = 3; break;
    case ftNum184: digits = 4; break;
    default: break;
    }
    if (digits >= 0 && !AValue.IsNull())
        FValue = Variant(RoundTo(AValue.ToDouble(), digits));  // a failed conversion changes nothing
    else
        FValue = AValue;

    if (!PathList->IsEmpty()) RefreshPathValues();

    if (ChangeType != ctInit) {
        Modified = true;
        if (!Fld->Virt && Fld->AgrObjLink == nullptr) ForInsert = true;
        if (OnChange) OnChange(this);
    }
    if (OnChangeForWinCtrl && ChangeType != ctWinCtrl) OnChangeForWinCtrl(this);
}

QString TAtrItem::AsString() const
{
    return FValue.AsText();
}

int TAtrItem::AsInteger() const
{
    if (FValue.IsNull()) return 0;
    return FValue.ToInt();
}

void TAtrItem::InitValue(const Variant& AValue, bool AForInsert)
{
    ChangeType = ctInit;
    ForInsert = AForInsert;
    try {
        SetValue(AValue);
    } catch (...) {
        ChangeType = ctNone;
        throw;
    }
    ChangeType = ctNone;
}

bool TAtrItem::ForSelect() const
{
    return !Fld->Virt;
}

bool TAtrItem::ForUpdate() const
{
    return Modified && !Fld->Virt && Fld->AgrObjLink == nullptr;
}

namespace {
// The object a link field of a path refers to; a path through a field that
// refers to nothing cannot be read.
TObj* PathObj(const TFld* AFld)
{
    if (!AFld->FKObj)
        throw Exception(Format(QStringLiteral("TAtrItem.RefreshPathValues: Поле \"%s\" не ссылается на объект"),
                               {AFld->Capt}));
    return AFld->FKObj;
}

QString KeyFieldName(TObj* AObj)
{
    TFld* pk = AObj->FldList->GetPKFld();
    if (!pk)
        throw Exception(Format(QStringLiteral("TAtrItem.RefreshPathValues: У объекта \"%s\" нет ключевого поля"),
                               {AObj->Capt}));
    return pk->Field;
}
}  // namespace

void TAtrItem::RefreshPathValues()
{
    auto q = NewIBSQL();
    const QString keyField = KeyFieldName(PathObj(Fld));
    for (const auto& p : *PathList) {
        const TFldList& path = *p->Path;
        const int n = path.Count();
        QString cols;
        for (const auto& v : p->FldValueList)
            AddStr(cols, Format(QStringLiteral("T%d.%s"), {n - 1, v->Fld->Field}));
        QStringList lines;
        lines << QStringLiteral("select") << cols
              << Format(QStringLiteral("from %s T%d"), {PathObj(path[0])->Table, 0});
        for (int k = 1; k < n; ++k) {
            TObj* obj = PathObj(path[k]);
            lines << Format(QStringLiteral("join %s T%d on T%d.%s = T%d.%s"),
                            {obj->Table, k, k, KeyFieldName(obj), k - 1, path[k]->Field});
        }
        lines << Format(QStringLiteral("where T0.%s = :%s"), {keyField, keyField});
        q->SQL = lines;
        DebugMessage(SqlLinesText(lines));

        TIBSQLCloser closer{*q};
        q->ParamByName(keyField).SetAsVariant(FValue);
        q->ExecQuery();
        for (int l = 0; l < static_cast<int>(p->FldValueList.size()); ++l)
            p->FldValueList[l]->Value = q->Eof() ? Variant::Null() : q->Fields(l).AsVariant();
    }
}
