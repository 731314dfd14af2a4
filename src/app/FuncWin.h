// Window-side helpers every window unit shares: the OK/Cancel pair of a
// button panel, placing a dialog over a control, a message box at a control,
// keeping a control at its distance from the right and bottom edges, a
// labelled edit, the application title and the debug message box.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QString>

class QPushButton;
class QWidget;

// The caption of message boxes raised by the program ("Платформа Velmora").
QString ApplicationTitle();

// Keeps AControl at its current distance from the right edge (ARight) and/or
// the bottom edge (ABottom) of its parent whenever the parent is resized.
void AnchorControl(QWidget* AControl, bool ARight, bool ABottom);

// Creates "ОК" and "Отмена" (75 by 25) on APanel: "ОК" at client width - 166,
// "Отмена" at client width - 83, both at client height - 33, both anchored to
// the right and bottom edges. "Отмена" is the cancel button: clicking it
// rejects the dialog it sits in (Esc does the same, as for every dialog).
// Nothing is attached to "ОК"; the caller connects its handler.
void CreateOkCancelButtons(QWidget* APanel, QPushButton*& AOk, QPushButton*& ACancel);

// Centres AForm (a top-level window) over AControl and keeps it inside the
// available area of the control's screen. Without a control the form is
// centred on the window of its parent (or on the screen when it has none).
void PlaceFormAtControl(QWidget* AControl, QWidget* AForm);

// A standard message box (icon AType, buttons AButtons) placed over AControl
// with PlaceFormAtControl and shown modally. Answers the button chosen
// (a QMessageBox::StandardButton value).
int MessageDlgAtControl(const QString& AMessage, QMessageBox::Icon AType, QMessageBox::StandardButtons AButtons,
                        QWidget* AControl);

// The window a message box belongs over: the active modal dialog, else the
// active window, else the visible main window.
QWidget* DialogOwner();

// A simple modal message box with the application title as caption, over the
// active window.
void ShowMessage(const QString& AMessage);

// Points DebugMessageHandler (func.h) at ShowMessage, so that debug output
// appears as a simple modal message box.
void InstallDebugMessageHandler();

// An edit with its caption label above it: the label sits at the edit's
// left, 3 pixels above its top edge, and follows the edit when it moves.
class TLabeledEdit : public QLineEdit {
    Q_OBJECT
public:
    TLabeledEdit(const QString& ACaption, QWidget* AParent);
    ~TLabeledEdit() override;
    QLabel* EditLabel() const { return FLabel; }

protected:
    void moveEvent(QMoveEvent* AEvent) override;
    void resizeEvent(QResizeEvent* AEvent) override;
    void changeEvent(QEvent* AEvent) override;
    void showEvent(QShowEvent* AEvent) override;
    void hideEvent(QHideEvent* AEvent) override;

private:
    void PlaceLabel();
    QPointer<QLabel> FLabel;
};
