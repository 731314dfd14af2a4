#include "WinAtr.h"

#include <QLabel>
#include <functional>

TWinAtr::TWinAtr(QWidget* AOwner, QWidget* AParent) : Owner(AOwner), Parent(AParent) {}

TWinAtr::~TWinAtr()
{
    RootWinCtrl.reset();
    Atr.reset();
}

void TWinAtr::CreateAtr()
{
    Atr = std::make_unique<TAtr>();
}

void TWinAtr::Init(TCard* ACard)
{
    if (!Atr) CreateAtr();
    Card = ACard;
    Atr->Obj = ACard->Obj;
    if (!ACard->RootCtrl)
        throw Exception(Format(QStringLiteral("TWinAtr.Init: У карточки \"%s\" (объект: \"%s\") нет дерева контролов"),
                               {ACard->Capt, ACard->Obj ? ACard->Obj->Capt : QString()}));
    RootWinCtrl = CreateWinCtrl(nullptr, Parent, ACard->RootCtrl.get());
    for (const auto& child : *ACard->RootCtrl) CreateControls(RootWinCtrl.get(), child.get());
}

TWinCtrl* TWinAtr::CreateControls(TWinCtrl* AParentWinCtrl, TCtrl* ACtrl)
{
    TWinCtrl* node = AParentWinCtrl->Add(CreateWinCtrl(Owner, AParentWinCtrl->WinControl, ACtrl));
    if (ACtrl->Fld) {
        TAtrItem* item = Atr->GetByFld(ACtrl->Fld);
        item->OnChangeForWinCtrl = [node](TAtrItem* AAtrItem) { node->AtrItemChange(AAtrItem); };
        node->AtrItem = item;
        node->FieldName = ACtrl->Fld->Field;
    }
    if (ACtrl->CtrlType == ctPageControl || ACtrl->CtrlType == ctTabSheet)
        for (const auto& child : *ACtrl) CreateControls(node, child.get());
    return node;
}

void TWinAtr::DeleteWinCtrl(TWinCtrl* AWinCtrl)
{
    if (!AWinCtrl || !AWinCtrl->ParentWinCtrl) return;
    // A page control takes its tabs and their editors with it.
    delete AWinCtrl->LabelCtrl.data();
    delete AWinCtrl->WinControl.data();
    AWinCtrl->ParentWinCtrl->Remove(AWinCtrl);
}

namespace {
TWinCtrl* FindWinCtrl(TWinCtrl* ANode, const std::function<bool(TWinCtrl*)>& AMatch)
{
    if (!ANode) return nullptr;
    if (AMatch(ANode)) return ANode;
    for (const auto& child : *ANode)
        if (TWinCtrl* found = FindWinCtrl(child.get(), AMatch)) return found;
    return nullptr;
}
}  // namespace

TWinCtrl* TWinAtr::GetWinCtrlByCtrl(const TCtrl* ACtrl) const
{
    return FindWinCtrl(RootWinCtrl.get(), [ACtrl](TWinCtrl* N) { return N->Ctrl == ACtrl; });
}

TWinCtrl* TWinAtr::GetWinCtrlByFld(const TFld* AFld) const
{
    if (!AFld) return nullptr;
    return FindWinCtrl(RootWinCtrl.get(), [AFld](TWinCtrl* N) { return N->Ctrl->Fld == AFld; });
}

TWinCtrl* TWinAtr::GetWinCtrlByFldName(const QString& AName) const
{
    return FindWinCtrl(RootWinCtrl.get(),
                       [&AName](TWinCtrl* N) { return N->Ctrl->Fld && N->Ctrl->Fld->Field == AName; });
}

void TWinAtr::UpdateArgFlieds()
{
    Atr->RefreshArgFlieds();
}

void TWinAtr::ApplyReadOnly()
{
    const bool isNew = Atr->New;
    std::function<void(TWinCtrl*)> walk = [&](TWinCtrl* ANode) {
        for (const auto& child : *ANode) {
            child->SetReadOnly(isNew ? child->Ctrl->ROAdd : child->Ctrl->ROEdt);
            walk(child.get());
        }
    };
    if (RootWinCtrl) walk(RootWinCtrl.get());
}

// ------------------------------------------------------ virtual operations

void TWinAtr::SetRecId(const Variant& Value)
{
    Atr->SetRecId(Value);
    ApplyReadOnly();
}

void TWinAtr::SetInfo(const TInfo& Value)
{
    FInfo.ParentObj = Value.ParentObj;
    FInfo.ObjLink = Value.ObjLink;
    FInfo.DealId = Value.DealId;
}

std::unique_ptr<TWinCtrl> TWinAtr::CreateWinCtrl(QWidget* AOwner, QWidget* AParent, TCtrl* ACtrl)
{
    return std::make_unique<TWinCtrl>(AOwner, AParent, ACtrl);
}

void TWinAtr::Post()
{
    try {
        Atr->Post();
    } catch (const ECheckFldException& E) {
        if (E.AtrItem)
            if (TWinCtrl* node = GetWinCtrlByFld(E.AtrItem->Fld)) node->SetFocus();
        throw;
    }
}

void TWinAtr::InitDefaultValues(TObjLink* AObjLink, const Variant& AParentId)
{
    Atr->SetDefaultValues(AObjLink, AParentId);
    ApplyReadOnly();
}
