// The login dialog: connects, looks the login name up in USR, loads the
// catalogue while its progress bar advances, and stores the session's user.
#pragma once

#include "FuncWin.h"
#include "core/IBX.h"

#include <QDialog>
#include <memory>

class QProgressBar;
class QPushButton;

class TLoginForm : public QDialog {
    Q_OBJECT
public:
    explicit TLoginForm(QWidget* AOwner);
    ~TLoginForm() override;

    TLabeledEdit* leLogin;
    TLabeledEdit* lePass;
    QProgressBar* pb;
    QPushButton* btOk;
    QPushButton* btCancel;

    // "ОК": the login. Closes the dialog with OK on success; any failure
    // propagates with the dialog left open and nothing connected.
    void btOkClick();

private:
    std::unique_ptr<TIBSQL> IBSQL;  // the login statement
};
