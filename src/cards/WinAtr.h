// The attribute area of a card window: the record being edited and the tree
// of editor controls built from the card's control tree, each field control
// bound to its record item.
#pragma once

#include "Card.h"
#include "WinCtrl.h"
#include "meta/Obj.h"
#include "records/Atr.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

class TWinAtr {
public:
    // Stores the arguments. The record is created by CreateAtr when the
    // area is initialised (Init), so that a subclass's CreateAtr is the one
    // that runs.
    TWinAtr(QWidget* AOwner, QWidget* AParent);
    // Frees the editor tree, then the record.
    virtual ~TWinAtr();
    TWinAtr(const TWinAtr&) = delete;
    TWinAtr& operator=(const TWinAtr&) = delete;

    std::unique_ptr<TAtr> Atr;  // the record being edited

    // Builds the editor tree of ACard (creating the record first when there is none).
    void Init(TCard* ACard);
    // Builds one subtree under AParentWinCtrl (also used by the card designer).
    TWinCtrl* CreateControls(TWinCtrl* AParentWinCtrl, TCtrl* ACtrl);
    // Removes one node with its controls; the control tree is not touched.
    void DeleteWinCtrl(TWinCtrl* AWinCtrl);
    // Depth-first lookups from the root; nil when nothing matches.
    TWinCtrl* GetWinCtrlByCtrl(const TCtrl* ACtrl) const;
    TWinCtrl* GetWinCtrlByFld(const TFld* AFld) const;
    TWinCtrl* GetWinCtrlByFldName(const QString& AName) const;
    TWinCtrl* GetRootWinCtrl() const { return RootWinCtrl.get(); }
    // Re-reads the summing fields of the loaded record and shows them.
    void UpdateArgFlieds();
    // Read-only states of every editor: ROEdt for a loaded record, ROAdd for a new one.
    void ApplyReadOnly();

    const TInfo& Info() const { return FInfo; }
    Variant RecId() const { return Atr ? Atr->RecId() : Variant(); }

    // Virtual operations, in slot order.
    // Loads the record (every editor shows its value), then the read-only states.
    virtual void SetRecId(const Variant& Value);
    virtual void SetInfo(const TInfo& Value);
    virtual std::unique_ptr<TWinCtrl> CreateWinCtrl(QWidget* AOwner, QWidget* AParent, TCtrl* ACtrl);
    virtual void CreateAtr();
    // Posts the record; a failed field check focuses that field's editor
    // (activating the tabs on its way) and propagates.
    virtual void Post();
    // Defaults of a new record (the link's field takes AParentId), then the
    // read-only states.
    virtual void InitDefaultValues(TObjLink* AObjLink, const Variant& AParentId);

protected:
    TCard* Card = nullptr;  // not owned

private:
    QPointer<QWidget> Owner;
    QPointer<QWidget> Parent;
    std::unique_ptr<TWinCtrl> RootWinCtrl;
    TInfo FInfo;
};
