#include "WinToolBar.h"

#include <QAction>
#include <QToolBar>
#include <QToolButton>

TWinToolBtn::TWinToolBtn(TWinToolBar* AWinToolBar)
{
    if (AWinToolBar->FToolBar) FAction = AWinToolBar->FToolBar->addAction(QString());
}

bool TWinToolBtn::Enabled() const { return FAction && FEnabled; }

void TWinToolBtn::SetEnabled(bool AValue)
{
    if (AlwaysDisable || !FAction) return;
    FEnabled = AValue;
    FAction->setEnabled(AValue);
}

bool TWinToolBtn::Visible() const { return FAction && FAction->isVisible(); }

void TWinToolBtn::SetVisible(bool AValue)
{
    if (!FAction) return;
    FAction->setVisible(AValue);
    // A hidden action is disabled as well; the button keeps its own state.
    if (AValue) FAction->setEnabled(FEnabled);
}

QString TWinToolBtn::Caption() const { return FAction ? FAction->text() : QString(); }

QToolButton* TWinToolBtn::Btn() const
{
    if (!FAction) return nullptr;
    auto* bar = qobject_cast<QToolBar*>(FAction->parent());
    return bar ? qobject_cast<QToolButton*>(bar->widgetForAction(FAction)) : nullptr;
}

void TWinToolBtn::Click()
{
    if (FAction && FEnabled && FAction->isVisible()) FAction->trigger();
}

TWinToolBar::TWinToolBar(QWidget* AOwner, QWidget* AParent)
{
    FToolBar = new QToolBar(AParent ? AParent : AOwner);
    FToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    FToolBar->setMovable(false);
    FToolBar->setFloatable(false);
    FToolBar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

TWinToolBar::~TWinToolBar()
{
    FItems.clear();
    delete FToolBar.data();
}

TWinToolBtn* TWinToolBar::AddBtn(TBtnType ABtnType, const QString& ACapt, TToolBtnClick AOnClick)
{
    auto btn = std::make_unique<TWinToolBtn>(this);
    btn->FBtnType = ABtnType;
    if (QAction* action = btn->FAction) {
        action->setText(ACapt);
        action->setToolTip(ACapt);
        if (AOnClick) {
            QAction* sender = action;
            QObject::connect(action, &QAction::triggered, action, [sender, AOnClick](bool) {
                QObject* control = sender;
                if (auto* bar = qobject_cast<QToolBar*>(sender->parent()))
                    if (QWidget* w = bar->widgetForAction(sender)) control = w;
                AOnClick(control);
            });
        }
    }
    FItems.push_back(std::move(btn));
    return FItems.back().get();
}

TWinToolBtn* TWinToolBar::GetByBtnType(TBtnType ABtnType) const
{
    for (const auto& btn : FItems)
        if (btn->FBtnType == ABtnType) return btn.get();
    return nullptr;
}
