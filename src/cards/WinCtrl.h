// Card controls: the window-side twin (TWinCtrl) of one control-tree node.
// It creates the node's control (an editor with its caption label, a page
// control, a tab sheet, or nothing for the root), moves values between the
// editor and the record item bound to it, applies the read-only state and,
// for reference editors, picks the referenced record and shows it by its
// main field.
#pragma once

#include "Ctrl.h"
#include "core/IBX.h"
#include "core/Variant.h"
#include "records/AtrItem.h"

#include <QCheckBox>
#include <QDate>
#include <QLineEdit>
#include <QPointer>
#include <QTabWidget>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QDateEdit;
class QLabel;
class TSelectValue;
class TWinCtrl;

// A single-line edit with a right-hand button (hidden unless shown).
class TButtonEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TButtonEdit(QWidget* AParent);
    QAction* Button() const { return FButton; }
    bool ButtonVisible() const;
    void SetButtonVisible(bool AVisible);
    void SetButtonIcon(const QIcon& AIcon);

private:
    QAction* FButton;
};

// A date editor with a check box on its left; unchecked means no value (the
// date part is then disabled). Changed is raised once per change, by the
// user or by SetCheckedDate.
class TDateCheckEdit : public QWidget {
    Q_OBJECT
public:
    explicit TDateCheckEdit(QWidget* AParent);
    QCheckBox* CheckBox() const { return FCheckBox; }
    QDateEdit* DateEdit() const { return FDateEdit; }
    bool Checked() const;
    QDate Date() const;
    void SetCheckedDate(bool AChecked, const QDate& ADate);

signals:
    void Changed();

protected:
    void resizeEvent(QResizeEvent* AEvent) override;

private:
    void UpdateState();
    QCheckBox* FCheckBox;
    QDateEdit* FDateEdit;
    bool FSetting = false;
};

// A check box that starts grayed (no value) and, once the user clicks it,
// only toggles between checked and unchecked: a click never brings the
// grayed state back.
class TGrayCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TGrayCheckBox(QWidget* AParent);

protected:
    void nextCheckState() override;
};

// Runs the handler of a user action that a control's signal or event
// started: an error stops the action and is shown to the user as soon as the
// event has been delivered, instead of escaping into the toolkit.
void RunUserAction(const std::function<void()>& AAction);

// Day number of a date and back (no time of day).
TDateTime QDateToDateTime(const QDate& ADate);
QDate DateTimeToQDate(TDateTime ADate);

class TWinCtrl {
public:
    // Creates the controls of ACtrl as children of AParent. Qt owns them
    // through their parent, so AOwner only names the owner the picker and
    // subclasses use; the controls are destroyed with their parent widget.
    TWinCtrl(QWidget* AOwner, QWidget* AParent, TCtrl* ACtrl);
    // Frees the lookup statement and the child nodes (not the controls) and
    // unbinds the record item.
    virtual ~TWinCtrl();
    TWinCtrl(const TWinCtrl&) = delete;
    TWinCtrl& operator=(const TWinCtrl&) = delete;

    TCtrl* Ctrl;
    // The editor, page control or tab sheet; for the root the container it
    // was created in (the card's attribute panel).
    QPointer<QWidget> WinControl;
    QPointer<QLabel> LabelCtrl;  // nil for page controls and tab sheets
    QString FieldName;           // column of the edited field, set by the attribute area
    TWinCtrl* ParentWinCtrl = nullptr;
    TObj* SelectObj = nullptr;                        // object the picker offers
    std::function<void(TWinCtrl* ASender)> OnChange;  // a typed change reached the item
    TAtrItem* AtrItem = nullptr;                      // the bound record item; nil for nodes without a field

    // The child nodes (owned).
    int Count() const { return static_cast<int>(FItems.size()); }
    TWinCtrl* Items(int AIndex) const { return FItems.at(AIndex).get(); }
    TWinCtrl* operator[](int AIndex) const { return FItems.at(AIndex).get(); }
    TWinCtrl* Add(std::unique_ptr<TWinCtrl> AItem);
    int IndexOf(const TWinCtrl* AItem) const;
    bool Remove(TWinCtrl* AItem);  // frees the node and its subtree
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

    // Virtual operations, in slot order.
    // Text a reference editor shows for a record id: the main field of
    // SelectObj's record (empty when there is no such record).
    virtual QString GetObjText(int AId);
    // Name of the view the picker uses; empty: the user's default view.
    virtual QString GetTblName();
    // Runs after the picker is initialised, before it is shown.
    virtual void BeforeSelect();
    // The right button's action (and F2's): picks a record.
    virtual void RightButtonClick(QObject* Sender);

    // The editor's value by kind (see the .cpp); Null for no value.
    Variant Value() const;
    void SetValue(const Variant& AValue);
    // Tab caption of a tab sheet, label text of the other kinds.
    QString Caption() const;
    void SetCaption(const QString& AValue);
    bool ShowButton() const;
    void SetShowButton(bool AValue);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool AValue);

    // The editor changed: its value goes to the record item (unless the item
    // is being initialised or this very change is being applied).
    void OnWinControlChange(QObject* Sender);
    // The item changed (not through this editor): the editor shows it.
    void AtrItemChange(TAtrItem* AAtrItem);
    // Numeric editors: "." and "," become the decimal separator.
    void OnKeyPress(QObject* Sender, QChar& Key);
    // Activates every tab on the way to the control and focuses it.
    void SetFocus();

    // The editors of the kinds (nil for other kinds).
    TButtonEdit* Edit() const;
    TDateCheckEdit* DateEdit() const;
    TGrayCheckBox* CheckBox() const;
    QTabWidget* PageControl() const;

protected:
    std::unique_ptr<TIBSQL> GetValueIBSQL;
    TSelectValue* SelectValue = nullptr;  // the picker while it is open
    QWidget* Owner;

    // F2 in a writable reference or formula editor runs RightButtonClick.
    void EditKeyDown(QObject* Sender, int AKey);

private:
    class TEvents;
    friend class TEvents;

    std::vector<std::unique_ptr<TWinCtrl>> FItems;
    Variant ObjRecId = Variant::Null();
    bool FReadOnly = false;
    std::unique_ptr<TEvents> FEvents;      // context of the control's connections and key filter
    QPointer<QTabWidget> FTabPageControl;  // a tab sheet's page control

    void ActivateTabs();
    void SetEditorColor(QWidget* AWidget, bool AButtonFace);
};
