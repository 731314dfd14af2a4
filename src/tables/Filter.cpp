#include "Filter.h"

#include "FilterList.h"
#include "Tbl.h"
#include "app/func.h"

#include <functional>

TFilter::TFilter() : IBSQL(NewIBSQL()) {}

TFilter::~TFilter()
{
    IBSQL.reset();
    FilterTree.reset();
}

bool TFilter::LoadById(int AId)
{
    IBSQL->SQL = QStringList{QStringLiteral("select F.*"), QStringLiteral("from FLTR F"),
                             QStringLiteral("where F.FLTR_ID = ") + QString::number(AId)};
    {
        TIBSQLCloser closer{*IBSQL};
        IBSQL->ExecQuery();
        if (IBSQL->Eof()) {
            if (RaiseLoad) throw Exception(QStringLiteral("Фильтр не найден"));
            return false;
        }
        Id = IBSQL->FieldByName(QStringLiteral("FLTR_ID")).AsInteger();
        Capt = IBSQL->FieldByName(QStringLiteral("FLTR_CAPT")).AsString();
        Name = IBSQL->FieldByName(QStringLiteral("FLTR_NAME")).AsString();
    }
    LoadTree();
    return true;
}

void TFilter::LoadTree()
{
    FilterTree.reset();
    IBSQL->SQL = QStringList{
        Format(QStringLiteral("select * from FLTRTREE F where F.FLTR_ID = %d order by F.FLTRTREE_LFT"), {Id})};
    TIBSQLCloser closer{*IBSQL};
    IBSQL->ExecQuery();
    while (!IBSQL->Eof()) {
        auto node = std::make_unique<TFilterTreeItem>();
        node->Id = IBSQL->FieldByName(QStringLiteral("FLTRTREE_ID")).AsInteger();
        node->Lft = IBSQL->FieldByName(QStringLiteral("FLTRTREE_LFT")).AsInteger();
        node->Rgt = IBSQL->FieldByName(QStringLiteral("FLTRTREE_RGT")).AsInteger();
        node->No = IBSQL->FieldByName(QStringLiteral("FLTRTREE_NOT")).AsInteger() == 1;
        const TIBField& value = IBSQL->FieldByName(QStringLiteral("FLTRTREE_VALUE"));
        if (!value.IsNull()) node->Value = value.AsVariant();
        node->FilterTreeType = CodeToFilterTreeType(IBSQL->FieldByName(QStringLiteral("FLTRTRTP_ID")).AsInteger());
        const TIBField& fld = IBSQL->FieldByName(QStringLiteral("FLD_ID"));
        if (!fld.IsNull()) node->Fld = ObjList->GetFldById(fld.AsInteger());
        const TIBField& dep = IBSQL->FieldByName(QStringLiteral("DEP_ID"));
        if (!dep.IsNull()) node->ObjLink = ObjList->GetObjLinkById(dep.AsInteger());
        if (node->Fld || node->ObjLink) node->LoadPath();
        node->Name = IBSQL->FieldByName(QStringLiteral("FLTRTREE_NAME")).AsString();

        if (!FilterTree) {
            FilterTree = std::move(node);
        } else if (TFilterTreeItem* parent = NestedSetParent<TFilterTreeItem>(FilterTree.get(), nullptr, node->Lft)) {
            parent->Add(std::move(node));
        } else {
            throw Exception(QStringLiteral("Дерево фильтра испорчено"));
        }
        IBSQL->Next();
    }
}

TFilterTreeItem* TFilter::GetFilterTreeItemByName(const QString& AName) const
{
    std::function<TFilterTreeItem*(TFilterTreeItem*)> find = [&](TFilterTreeItem* ANode) -> TFilterTreeItem* {
        if (ANode->Name == AName) return ANode;
        for (const auto& c : *ANode)
            if (TFilterTreeItem* r = find(c.get())) return r;
        return nullptr;
    };
    return FilterTree ? find(FilterTree.get()) : nullptr;
}
