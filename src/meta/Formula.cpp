#include "Formula.h"

#include "app/func.h"

#include <QStringList>
#include <algorithm>

TFormulaItem::TFormulaItem() : Path(std::make_unique<TFldList>()) {}

TFormulaItem::~TFormulaItem() = default;

TFormulaItem* TFormulaItem::Add(std::unique_ptr<TFormulaItem> AItem)
{
    FItems.push_back(std::move(AItem));
    return FItems.back().get();
}

std::unique_ptr<TFormulaItem> TFormulaItem::Extract(TFormulaItem* AItem)
{
    auto it = std::find_if(FItems.begin(), FItems.end(), [&](const auto& p) { return p.get() == AItem; });
    if (it == FItems.end()) return nullptr;
    std::unique_ptr<TFormulaItem> res = std::move(*it);
    FItems.erase(it);
    return res;
}

int TFormulaItem::IndexOf(const TFormulaItem* AItem) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[i].get() == AItem) return i;
    return -1;
}

namespace {
bool IsAddOrDed(const TFormulaItem* AItem)
{
    return AItem->Fld == nullptr && (AItem->Func == ffAdd || AItem->Func == ffDed);
}

QString JoinChildren(const TFormulaItem& AItem, const QString& ASep, bool AParenAddDed)
{
    QStringList parts;
    for (const auto& c : AItem) {
        QString t = c->Text(true);
        if (AParenAddDed && IsAddOrDed(c.get())) t = Format(QStringLiteral("(%s)"), {t});
        parts << t;
    }
    return parts.join(ASep);
}
}  // namespace

QString TFormulaItem::Text(bool AFull) const
{
    if (Func == ffNone) {
        if (Fld) {
            QString s;
            for (TFld* f : *Path) s += f->Capt + QStringLiteral(">");
            return s + Fld->Capt;
        }
        return Value.ToString();
    }
    if (!AFull || Count() == 0) return FormulaFuncToCapt(Func);
    switch (Func) {
    case ffAdd: return JoinChildren(*this, QStringLiteral(" + "), false);
    case ffDed: return JoinChildren(*this, QStringLiteral(" - "), false);
    case ffMul: return JoinChildren(*this, QStringLiteral(" * "), true);
    case ffDiv: return JoinChildren(*this, QStringLiteral(" / "), true);
    case ffRate:
        return FormulaFuncToCapt(Func) + QStringLiteral("(") + JoinChildren(*this, QStringLiteral(";"), false) +
               QStringLiteral(")");
    default:
        throw Exception(Format(QStringLiteral("TFormulaItem.Text: Неизвестная функция \"%d\""), {int(Func)}));
    }
}

namespace {
std::unique_ptr<TFormulaItem> CopyItem(const TFormulaItem& ASource)
{
    auto item = std::make_unique<TFormulaItem>();
    item->Lft = ASource.Lft;
    item->Rgt = ASource.Rgt;
    item->Fld = ASource.Fld;
    item->Func = ASource.Func;
    item->Value = ASource.Value;
    item->PathHave = ASource.PathHave;
    ASource.Path->Assign(item->Path.get());
    for (const auto& c : ASource) item->Add(CopyItem(*c));
    return item;
}
}  // namespace

void TFormula::Assign(TFormula* AFormula) const
{
    if (AFormula == this) return;
    AFormula->Clear();
    if (FormulaItemRoot) AFormula->FormulaItemRoot = CopyItem(*FormulaItemRoot);
}

void TFormula::Clear()
{
    FormulaItemRoot.reset();
}

QString TFormula::Text() const
{
    return FormulaItemRoot ? FormulaItemRoot->Text(true) : QString();
}

bool AddToTree(TFormulaItem* P, std::unique_ptr<TFormulaItem>& X)
{
    if (P->Lft + 1 == X->Lft || P->Rgt - 1 == X->Rgt) {
        P->Add(std::move(X));
        return true;
    }
    for (int i = 0; i < P->Count(); ++i) {
        TFormulaItem* c = P->Items(i);
        if (c->Rgt + 1 == X->Lft) {
            P->Add(std::move(X));
            return true;
        }
        if (AddToTree(c, X)) return true;
    }
    return false;
}

// Loads the formulas of the object's fields that have one. Field references
// are resolved across the whole catalogue, so this runs after every object's
// fields are loaded.
void TObj::LoadFormuls()
{
    auto pathSql = NewIBSQL();
    pathSql->SQL = QStringList{QStringLiteral(
        "select FLD_ID from FRMLTRPT where FRMLTREE_ID = :FRMLTREE_ID order by FRMLTRPT_ID")};
    IBSQL->SQL = QStringList{QStringLiteral("select * from FRMLTREE where FLD_ID = :FLD_ID order by FRMLTREE_LFT")};
    for (TFld* fld : *FldList) {
        if (!fld->FormulaHave) continue;
        TIBSQLCloser closer{*IBSQL};
        IBSQL->ParamByName(QStringLiteral("FLD_ID")).SetAsInteger(fld->Id);
        IBSQL->ExecQuery();
        fld->Formula->Clear();
        while (!IBSQL->Eof()) {
            auto item = std::make_unique<TFormulaItem>();
            item->Lft = IBSQL->FieldByName(QStringLiteral("FRMLTREE_LFT")).AsInteger();
            item->Rgt = IBSQL->FieldByName(QStringLiteral("FRMLTREE_RGT")).AsInteger();
            if (!IBSQL->FieldByName(QStringLiteral("FLD_ID_VALUE")).IsNull()) {
                item->Fld = ObjList->GetFldById(IBSQL->FieldByName(QStringLiteral("FLD_ID_VALUE")).AsInteger());
                if ((IBSQL->FieldByName(QStringLiteral("FRMLTREE_PATHHAVE")).AsInteger() & 0xFF) != 0) {
                    item->PathHave = true;
                    TIBSQLCloser pathCloser{*pathSql};
                    pathSql->ParamByName(QStringLiteral("FRMLTREE_ID"))
                        .SetAsInteger(IBSQL->FieldByName(QStringLiteral("FRMLTREE_ID")).AsInteger());
                    pathSql->ExecQuery();
                    while (!pathSql->Eof()) {
                        item->Path->Add(ObjList->GetFldById(pathSql->Fields(0).AsInteger()));
                        pathSql->Next();
                    }
                }
            }
            if (!IBSQL->FieldByName(QStringLiteral("FRMLFUNC_ID")).IsNull())
                item->Func = CodeToFormulaFunc(IBSQL->FieldByName(QStringLiteral("FRMLFUNC_ID")).AsInteger());
            const TIBField& value = IBSQL->FieldByName(QStringLiteral("FRMLTREE_VALUE"));
            if (!value.IsNull()) item->Value = value.AsVariant();
            if (!fld->Formula->FormulaItemRoot) {
                fld->Formula->FormulaItemRoot = std::move(item);
            } else if (!AddToTree(fld->Formula->FormulaItemRoot.get(), item)) {
                throw Exception(Format(
                    QStringLiteral("TObj.LoadFormuls: Нарушение структуры дерева формулы для поля \"%s\""),
                    {fld->Capt}));
            }
            IBSQL->Next();
        }
    }
}
