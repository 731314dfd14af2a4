// The value picker: a small modal window in which the user picks one record
// of an object from a grid window over its table view (and may add, change
// and delete records there, unless the object is a system-catalogue object
// and developer mode is off). The answer is the chosen record's id.
#pragma once

#include "WinTbl.h"

#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <memory>

class QWidget;
class TObj;

class TSelectValue {
public:
    // Creates the window (owned by AOwner, freed by the destructor); it will
    // be centred on AParentPosition. Enter anywhere in it chooses.
    TSelectValue(QWidget* AOwner, QWidget* AParentPosition);
    // Frees the grid window and the window.
    ~TSelectValue();
    TSelectValue(const TSelectValue&) = delete;
    TSelectValue& operator=(const TSelectValue&) = delete;

    // Builds the contents for AObj: its view named ATblName (the user's view
    // when empty), captioned ACapt (the object's caption when empty).
    void Init(TObj* AObj, const QString& ATblName, const QString& ACapt);
    // Opens the grid and shows the window modally; true when a record was chosen.
    bool Execute();
    // The focused record becomes Value and the window closes with OK; with
    // no focused record nothing happens.
    void ChooseValue();

    QDialog* GetForm() const { return Form; }

    Variant Value;  // id of the chosen record; unassigned until one is chosen
    std::unique_ptr<TWinTbl> WinTbl;

private:
    QPointer<QDialog> Form;
    QPointer<QWidget> Panel;
    QPointer<QPushButton> btOk;
    QPointer<QPushButton> btCancel;
    QPointer<QWidget> ParentPosition;
};
