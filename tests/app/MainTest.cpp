#include "MainTest.h"

#include "TestSession.h"
#include "app/func.h"
#include "meta/Obj.h"

#include <QApplication>
#include <QPushButton>
#include <gtest/gtest.h>

void MainWindowTest::SetUp()
{
    ResetCodeTables();
    DevMode = false;
    ShowDebugMessages = false;
}

void MainWindowTest::TearDown()
{
    Form.reset();
    if (ObjListLoaded || ObjList) FreeObjList();
    if (Connected) DisconnectDatabase();
    DevMode = false;
    ShowDebugMessages = false;
    ResetCodeTables();
}

QString MainWindowTest::MakeDatabase(const std::function<void()>& AFixture)
{
    QString path;
    {
        TTestSession session;
        if (AFixture) AFixture();
        CommitRetaining();
        path = session.DatabasePath;
    }
    WriteClientIni(path);
    return path;
}

bool MainWindowTest::ShowAndLogin(const QString& ALogin)
{
    Form = std::make_unique<TMainForm>();
    TModalScript script({LoginWith(ALogin)});
    Form->show();
    return script.Wait() && WaitUntil([] { return !QApplication::activeModalWidget(); });
}

bool MainWindowTest::ReLogin(const QString& ALogin)
{
    TModalScript script({ALogin.isEmpty() ? CancelLogin() : LoginWith(ALogin)});
    PostTrigger(Form->miLogin);
    return script.Wait() && WaitUntil([] { return !QApplication::activeModalWidget(); });
}

TModalScript::TStep LoginWith(const QString& ALogin, std::function<void(TLoginForm*)> ABefore)
{
    return [=](QWidget* AModal) {
        auto* form = qobject_cast<TLoginForm*>(AModal);
        if (!form) return false;
        if (ABefore) ABefore(form);
        form->leLogin->setText(ALogin);
        PostClick(form->btOk);
        return true;
    };
}

TModalScript::TStep CancelLogin()
{
    return [](QWidget* AModal) {
        auto* form = qobject_cast<TLoginForm*>(AModal);
        if (!form) return false;
        PostClick(form->btCancel);
        return true;
    };
}
