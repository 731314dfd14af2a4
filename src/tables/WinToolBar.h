// A row of text buttons above a grid or a tree (Add, Edit, Delete, Refresh,
// Close, Save ...), found again by their kind.
#pragma once

#include <QAction>
#include <QPointer>
#include <QToolBar>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QObject;
class QToolButton;
class QWidget;
class TWinToolBar;

// The kind of a toolbar button; btOther marks buttons no generic code looks up.
enum TBtnType { btAdd, btEdit, btDel, btReopen, btClose, btSave, btOther };

// A button's click handler; the sender is the button's control.
using TToolBtnClick = std::function<void(QObject* ASender)>;

class TWinToolBtn {
public:
    // Creates the control at the right end of the bar (called by AddBtn).
    explicit TWinToolBtn(TWinToolBar* AWinToolBar);
    TWinToolBtn(const TWinToolBtn&) = delete;
    TWinToolBtn& operator=(const TWinToolBtn&) = delete;

    // When true, setting Enabled changes nothing: the button keeps its state.
    bool AlwaysDisable = false;

    bool Enabled() const;
    void SetEnabled(bool AValue);
    bool Visible() const;
    void SetVisible(bool AValue);
    QString Caption() const;
    TBtnType BtnType() const { return FBtnType; }
    // The control; owned by the toolbar control (nil once that is gone).
    QToolButton* Btn() const;
    // What a click runs: the handler when the button is enabled and visible.
    void Click();

private:
    friend class TWinToolBar;
    QPointer<QAction> FAction;  // the bar shows the button through its action
    TBtnType FBtnType = btOther;
    bool FEnabled = true;  // the state set; a hidden action reads as disabled
};

// Owns its buttons.
class TWinToolBar {
public:
    // Creates the toolbar control in AParent: text buttons, no wrapping,
    // sized to its buttons. The control belongs to AParent's widget tree
    // (AOwner, when given, is the widget that must outlive it: its parent).
    TWinToolBar(QWidget* AOwner, QWidget* AParent);
    // Frees the toolbar control and the button objects.
    ~TWinToolBar();
    TWinToolBar(const TWinToolBar&) = delete;
    TWinToolBar& operator=(const TWinToolBar&) = delete;

    // Appends a text button after those already there.
    TWinToolBtn* AddBtn(TBtnType ABtnType, const QString& ACapt, TToolBtnClick AOnClick);
    // First button of that kind in creation order, or nil.
    TWinToolBtn* GetByBtnType(TBtnType ABtnType) const;

    int Count() const { return static_cast<int>(FItems.size()); }
    TWinToolBtn* Items(int AIndex) const { return FItems.at(AIndex).get(); }
    QToolBar* ToolBar() const { return FToolBar; }

private:
    friend class TWinToolBtn;
    QPointer<QToolBar> FToolBar;
    std::vector<std::unique_ptr<TWinToolBtn>> FItems;
};
