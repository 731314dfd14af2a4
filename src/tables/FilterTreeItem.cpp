#include "FilterTreeItem.h"

#include "app/func.h"

TFilterTreeItem::TFilterTreeItem() : FldList(std::make_unique<TFldList>()), IBSQL(NewIBSQL()) {}

TFilterTreeItem::~TFilterTreeItem()
{
    IBSQL.reset();
    FldList.reset();
    FItems.clear();
}

TFilterTreeItem* TFilterTreeItem::Add(std::unique_ptr<TFilterTreeItem> AItem)
{
    FItems.push_back(std::move(AItem));
    return FItems.back().get();
}

void TFilterTreeItem::LoadPath()
{
    FldList->Clear();
    IBSQL->SQL = QStringList{
        QStringLiteral("select FLD_ID from FLTRTRPT where FLTRTREE_ID = :FLTRTREE_ID order by FLTRTRPT_ID")};
    IBSQL->ParamByName(QStringLiteral("FLTRTREE_ID")).SetAsInteger(Id);
    TIBSQLCloser closer{*IBSQL};
    IBSQL->ExecQuery();
    while (!IBSQL->Eof()) {
        FldList->Add(ObjList->GetFldById(IBSQL->Fields(0).AsInteger()));
        IBSQL->Next();
    }
}
