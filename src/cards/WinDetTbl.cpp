#include "WinDetTbl.h"

TWinDetTbl::TWinDetTbl(QWidget* AOwner, QWidget* AParent) : Owner(AOwner), Parent(AParent) {}

TWinDetTbl::~TWinDetTbl()
{
    WinTbl.reset();
}

void TWinDetTbl::Init(TObjLink* AObjLink, int AUserId)
{
    ObjLink = AObjLink;
    UserId = AUserId;
    WinTbl = CreateWinTblByLinkName(AObjLink->Name, Owner, Parent);
    if (WinTbl->InitByUser(AObjLink->ChildFld->Obj, AObjLink, UserId, false)) {
        WinTbl->SetAlign(alClient);
        WinTbl->CreateSQL();
        WinTbl->OnAddClick = [this](TWinTbl*) {
            if (OnNewRecord) OnNewRecord(this);
        };
        WinTbl->OnAfterChange = [this](TWinTbl*) {
            if (OnAfterChange) OnAfterChange(this);
        };
    } else {
        // No view of the link for this user: the tab stays empty.
        QPointer<QWidget> panel = WinTbl->GetPanel();
        WinTbl.reset();
        delete panel.data();
    }
}

void TWinDetTbl::SetParentId(int Value)
{
    if (WinTbl) WinTbl->SetParentId(Value);
}

void TWinDetTbl::Open()
{
    if (WinTbl) WinTbl->Open();
}

void TWinDetTbl::Close()
{
    if (WinTbl) WinTbl->Close();
}

void TWinDetTbl::EnableAddBtn()
{
    if (WinTbl) WinTbl->EnableAddBtn();
}
