// A strip of push buttons at the bottom of a dialog (OK and Cancel of the
// field picker and the formula editor). A button whose handler fails keeps
// its dialog open.
#pragma once

#include <QPointer>
#include <QPushButton>
#include <QString>
#include <functional>
#include <vector>

class QWidget;

// The role of a bottom button.
enum TButtonType { btNone, btOk, btCancel };

// A handler of a bottom button; the sender is the button.
using TBotBtnClick = std::function<void(QObject* ASender)>;

class TWinBotBtn : public QPushButton {
    Q_OBJECT
public:
    TWinBotBtn(const QString& ACaption, QWidget* AParent);

    // Result the dialog closes with after a successful click: QDialog::Accepted
    // for the OK role, QDialog::Rejected for Cancel; -1 leaves it open.
    int ModalResult = -1;
    TBotBtnClick OnClick;

    // The click: the handler runs, then the dialog closes with ModalResult.
    // When the handler raises, the dialog's result is reset and it stays
    // open; the error goes on to whoever delivered the click.
    void DoClick();
};

// Does not own its buttons: they belong to the strip's widget tree.
class TWinBotBtns {
public:
    // Creates the strip panel at the bottom of AParent: no bevel, 41 high.
    TWinBotBtns(QWidget* AOwner, QWidget* AParent);
    TWinBotBtns(const TWinBotBtns&) = delete;
    TWinBotBtns& operator=(const TWinBotBtns&) = delete;

    // Adds a button (75 x 25, 8 from the top) left of those already there,
    // anchored to the right edge.
    TWinBotBtn* AddButton(const QString& ACaption, TBotBtnClick AOnClick, TButtonType AButtonType);
    // "Отмена" (cancel role), then "ОК" (OK role) left of it.
    void AddOkCancelBtns(TBotBtnClick AOkNotifyEvent, TBotBtnClick ACancelNotifyEvent);

    int Count() const { return static_cast<int>(FItems.size()); }
    TWinBotBtn* Items(int AIndex) const { return FItems.at(AIndex); }
    QWidget* Panel() const { return FPanel; }

private:
    QPointer<QWidget> FPanel;
    QWidget* Owner;
    std::vector<TWinBotBtn*> FItems;
};
