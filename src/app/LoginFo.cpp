#include "LoginFo.h"

#include "FuncWin.h"
#include "func.h"

#include <QFontDatabase>
#include <QProgressBar>
#include <QPushButton>

TLoginForm::TLoginForm(QWidget* AOwner) : QDialog(AOwner)
{
    setWindowTitle(QStringLiteral("Авторизация"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(284, 161);
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive))
        setFont(QFont(QStringLiteral("Tahoma"), 8));

    leLogin = new TLabeledEdit(QStringLiteral("Логин"), this);
    leLogin->setObjectName(QStringLiteral("leLogin"));
    leLogin->setGeometry(24, 29, 233, 21);
    leLogin->setText(QStringLiteral("tormel"));

    lePass = new TLabeledEdit(QStringLiteral("Пароль"), this);
    lePass->setObjectName(QStringLiteral("lePass"));
    lePass->setGeometry(24, 77, 233, 21);
    lePass->setEchoMode(QLineEdit::Password);
    lePass->setEnabled(false);

    pb = new QProgressBar(this);
    pb->setObjectName(QStringLiteral("pb"));
    pb->setGeometry(24, 112, 233, 2);
    pb->setTextVisible(false);
    pb->setRange(0, 100);
    pb->setValue(0);

    btOk = new QPushButton(QStringLiteral("ОК"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    btOk->setGeometry(101, 123, 75, 25);
    btOk->setDefault(true);
    connect(btOk, &QPushButton::clicked, this, &TLoginForm::btOkClick);

    btCancel = new QPushButton(QStringLiteral("Отмена"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    btCancel->setGeometry(182, 123, 75, 25);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);

    IBSQL = NewIBSQL();
    IBSQL->SQL = QStringList{QStringLiteral("select USR_ID, USR_LOGIN, USR_NAME from USR where USR_LOGIN = :USR_LOGIN")};

    leLogin->setFocus();
}

TLoginForm::~TLoginForm() = default;

void TLoginForm::btOkClick()
{
    setResult(QDialog::Rejected);  // stays open unless the login completes
    pb->setValue(0);

    try {
        ConnectDatabase();
        IBSQL->ParamByName(QStringLiteral("USR_LOGIN")).SetAsString(leLogin->text());
        IBSQL->ExecQuery();
        if (IBSQL->Eof()) throw Exception(QStringLiteral("Неверный логин или пароль"));
        OnLoadProgress = [this](int APosition, int AMax) {
            pb->setMaximum(AMax);
            pb->setValue(APosition);
        };
        LoadObjList();
        UserId = IBSQL->FieldByName(QStringLiteral("USR_ID")).AsInteger();
        UserName = IBSQL->FieldByName(QStringLiteral("USR_NAME")).AsString();
    } catch (...) {
        // Nothing of a failed attempt stays behind: the partly loaded
        // catalogue is freed and the connection closed (also when it was the
        // login statement itself or the start of the transaction that
        // failed), so the next attempt starts clean.
        OnLoadProgress = nullptr;
        try {
            IBSQL->Close();
        } catch (...) {
            // the connection is going away anyway; the original error counts
        }
        if (ObjListLoaded || ObjList) FreeObjList();
        if (Connected || IBDatabase->Connected()) DisconnectDatabase();
        throw;
    }
    OnLoadProgress = nullptr;
    IBSQL->Close();
    accept();
}
