#include "WinBotBtns.h"

#include "app/FuncWin.h"

#include <QBoxLayout>
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>
#include <QResizeEvent>

namespace {

constexpr int kStripHeight = 41;

// Keeps a panel along the bottom edge of its parent, full width.
class TBottomAlign : public QObject {
public:
    explicit TBottomAlign(QWidget* APanel) : QObject(APanel), FPanel(APanel)
    {
        APanel->parentWidget()->installEventFilter(this);
        Place();
    }
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override
    {
        if (AWatched == FPanel->parentWidget() && AEvent->type() == QEvent::Resize) Place();
        return false;
    }

private:
    void Place()
    {
        const QRect r = FPanel->parentWidget()->contentsRect();
        FPanel->setGeometry(r.left(), r.bottom() + 1 - kStripHeight, r.width(), kStripHeight);
    }
    QWidget* FPanel;
};

// Esc anywhere in the window clicks its cancel button (and nothing else
// sees the key), so the button's handler runs as for a mouse click.
class TEscClicks : public QObject {
public:
    TEscClicks(TWinBotBtn* AButton, QWidget* AWindow) : QObject(AButton), FButton(AButton), FWindow(AWindow)
    {
        AWindow->installEventFilter(this);
    }
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override
    {
        if (AWatched == FWindow && AEvent->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(AEvent);
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && FButton->isEnabled()) {
                FButton->click();
                return true;
            }
        }
        return false;
    }

private:
    TWinBotBtn* FButton;
    QPointer<QWidget> FWindow;
};

}  // namespace

TWinBotBtn::TWinBotBtn(const QString& ACaption, QWidget* AParent) : QPushButton(ACaption, AParent)
{
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] { DoClick(); });
}

void TWinBotBtn::DoClick()
{
    auto* dialog = qobject_cast<QDialog*>(window());
    QPointer<QDialog> guard = dialog;
    if (dialog && ModalResult >= 0) dialog->setResult(ModalResult);
    try {
        if (OnClick) OnClick(this);
    } catch (...) {
        if (guard && ModalResult >= 0) guard->setResult(0);
        throw;
    }
    if (!guard || ModalResult < 0) return;
    if (ModalResult == QDialog::Rejected)
        guard->reject();
    else
        guard->done(ModalResult);
}

TWinBotBtns::TWinBotBtns(QWidget* AOwner, QWidget* AParent) : Owner(AOwner)
{
    QWidget* parent = AParent ? AParent : AOwner;
    FPanel = new QWidget(parent);
    FPanel->setFixedHeight(kStripHeight);
    if (auto* box = qobject_cast<QBoxLayout*>(parent->layout())) {
        box->addWidget(FPanel);
        // The layout gives the strip its final width later; a width now
        // lets the first buttons find their place from the right edge.
        FPanel->resize(parent->contentsRect().width(), kStripHeight);
    } else {
        new TBottomAlign(FPanel);
    }
    FPanel->show();
}

TWinBotBtn* TWinBotBtns::AddButton(const QString& ACaption, TBotBtnClick AOnClick, TButtonType AButtonType)
{
    auto* btn = new TWinBotBtn(ACaption, FPanel);
    const int left = FPanel->contentsRect().width() - 83 * Count() - 83;
    btn->setGeometry(left, 8, 75, 25);
    AnchorControl(btn, true, false);
    btn->OnClick = std::move(AOnClick);
    switch (AButtonType) {
    case btOk:
        btn->ModalResult = QDialog::Accepted;
        btn->setDefault(true);
        btn->setAutoDefault(true);
        break;
    case btCancel:
        btn->ModalResult = QDialog::Rejected;
        new TEscClicks(btn, btn->window());
        break;
    case btNone:
        break;
    }
    btn->show();
    FItems.push_back(btn);
    return btn;
}

void TWinBotBtns::AddOkCancelBtns(TBotBtnClick AOkNotifyEvent, TBotBtnClick ACancelNotifyEvent)
{
    AddButton(QStringLiteral("Отмена"), std::move(ACancelNotifyEvent), btCancel);
    AddButton(QStringLiteral("ОК"), std::move(AOkNotifyEvent), btOk);
}
