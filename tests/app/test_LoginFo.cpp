#include "MainTest.h"
#include "TestDb.h"
#include "TestSession.h"
#include "app/FuncWin.h"
#include "app/func.h"
#include "meta/Obj.h"

#include <QApplication>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

using LoginDialog = MainWindowTest;

QString TormelName()
{
    return TAppFixture::StrValue(QStringLiteral("select USR_NAME from USR where USR_LOGIN = 'tormel'"));
}

TEST_F(LoginDialog, DefaultLoginStartsTheSession)
{
    MakeDatabase([] {
        for (int i = 1; i <= 5; ++i)
            TAppFixture::AddObj(900000 + i, QStringLiteral("T_OBJ%1").arg(i), QStringLiteral("Объект %1").arg(i),
                                false, false);
    });
    Form = std::make_unique<TMainForm>();
    QList<int> positions;
    int maximum = 0;
    QString initialLogin;
    TModalScript script({[&](QWidget* AModal) {
        auto* form = qobject_cast<TLoginForm*>(AModal);
        if (!form) return false;
        initialLogin = form->leLogin->text();
        EXPECT_EQ(form->windowTitle(), "Авторизация");
        EXPECT_EQ(form->size(), QSize(284, 161));
        EXPECT_EQ(form->minimumSize(), form->maximumSize());
        EXPECT_EQ(form->leLogin->EditLabel()->text(), "Логин");
        const QRect label = form->leLogin->EditLabel()->geometry();
        EXPECT_EQ(label.left(), 24);
        EXPECT_EQ(label.bottom() + 1 + 3, 29);
        EXPECT_FALSE(form->lePass->isEnabled());
        EXPECT_EQ(form->lePass->echoMode(), QLineEdit::Password);
        EXPECT_TRUE(form->btOk->isDefault());
        QObject::connect(form->pb, &QProgressBar::valueChanged, [&, form](int AValue) {
            positions << AValue;
            maximum = form->pb->maximum();
        });
        PostClick(form->btOk);
        return true;
    }});
    Form->show();
    ASSERT_TRUE(script.Wait());
    ASSERT_TRUE(WaitUntil([] { return !QApplication::activeModalWidget(); }));

    EXPECT_EQ(initialLogin, "tormel");
    ASSERT_TRUE(Connected);
    ASSERT_TRUE(ObjListLoaded);
    EXPECT_EQ(UserName, TormelName());
    EXPECT_EQ(UserId, TAppFixture::IntValue(QStringLiteral("select USR_ID from USR where USR_LOGIN = 'tormel'")));
    EXPECT_EQ(Form->StatusText(), QStringLiteral("Пользователь: ") + TormelName());
    EXPECT_EQ(VisibleMenus(Form->menuBar()), (QStringList{"Файл", "Данные", "Настройки", "Справка"}));
    EXPECT_FALSE(VisibleItems(Form->miData).isEmpty());
    // The catalogue load drove the progress bar forward, up to the object count.
    ASSERT_FALSE(positions.isEmpty());
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(maximum, ObjList->Count());
    EXPECT_FALSE(OnLoadProgress);
}

// One failed attempt: what is set up before, the login typed, what the
// message must hold, and what the user fixes before pressing OK again.
struct TFailure {
    const char* Name;
    std::function<void(const QString& AGoodDb)> Setup;
    QString Login;
    std::function<bool(const QString&)> MessageOk;
    std::function<void(const QString& AGoodDb)> Fix;
    QString NextLogin;
};

TEST_F(LoginDialog, AFailedAttemptKeepsTheDialogOpenWithNothingConnected)
{
    const QString wrong = QStringLiteral("Неверный логин или пароль");
    QStringList savedParams;
    const TFailure cases[] = {
        {"unknown login", {}, QStringLiteral("nobody"), [&](const QString& M) { return M == wrong; }, {},
         QStringLiteral("tormel")},
        {"missing database",
         [](const QString& AGoodDb) { WriteClientIni(AGoodDb + QStringLiteral(".missing")); },
         QStringLiteral("tormel"), [](const QString& M) { return M.contains(QStringLiteral(".missing")); },
         [](const QString& AGoodDb) { WriteClientIni(AGoodDb); }, QStringLiteral("tormel")},
        {"no USR table",
         [](const QString&) {
             TTestSession broken;
             TAppFixture::DropUsr();
             WriteClientIni(broken.DatabasePath);
         },
         QStringLiteral("tormel"), [](const QString& M) { return M.contains(QStringLiteral("USR")); },
         [](const QString& AGoodDb) { WriteClientIni(AGoodDb); }, QStringLiteral("tormel")},
        {"transaction does not start",
         [&](const QString&) {
             savedParams = IBTransaction->Params;
             IBTransaction->Params = QStringList{QStringLiteral("no_such_option")};
         },
         QStringLiteral("tormel"), [](const QString& M) { return !M.isEmpty(); },
         [&](const QString&) { IBTransaction->Params = savedParams; }, QStringLiteral("tormel")},
    };
    for (const TFailure& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString good = MakeDatabase();
        if (c.Setup) c.Setup(good);
        Form = std::make_unique<TMainForm>();

        QString message;
        QString loginAfter;
        bool sameDialog = false;
        bool cleanAfter = false;
        QPointer<TLoginForm> dialog;
        TModalScript script({
            LoginWith(c.Login, [&](TLoginForm* AForm) { dialog = AForm; }),
            CloseBox(&message),
            [&](QWidget* AModal) {
                auto* form = qobject_cast<TLoginForm*>(AModal);
                if (!form) return false;
                sameDialog = form == dialog.data() && form->isVisible();
                loginAfter = form->leLogin->text();
                cleanAfter = !Connected && !IBDatabase->Connected() && !ObjListLoaded && !ObjList && !OnLoadProgress;
                if (c.Fix) c.Fix(good);
                form->leLogin->setText(c.NextLogin);
                PostClick(form->btOk);
                return true;
            },
        });
        Form->show();
        ASSERT_TRUE(script.Wait());
        ASSERT_TRUE(WaitUntil([] { return !QApplication::activeModalWidget(); }));

        EXPECT_TRUE(c.MessageOk(message)) << message.toStdString();
        EXPECT_TRUE(sameDialog);
        EXPECT_EQ(loginAfter, c.Login);
        EXPECT_TRUE(cleanAfter);
        // The next attempt started clean and logged in to the database the
        // file names now.
        EXPECT_TRUE(Connected);
        EXPECT_TRUE(Form->InitedMainForm());
        EXPECT_EQ(IBDatabase->DatabaseName, good);
        EXPECT_EQ(Form->StatusText(), QStringLiteral("Пользователь: ") + TormelName());
        TearDown();
    }
}

TEST_F(LoginDialog, CancelLeavesOnlyFileAndHelp)
{
    MakeDatabase();
    Form = std::make_unique<TMainForm>();
    TModalScript script({CancelLogin()});
    Form->show();
    ASSERT_TRUE(script.Wait());
    ASSERT_TRUE(WaitUntil([] { return !QApplication::activeModalWidget(); }));

    EXPECT_EQ(VisibleMenus(Form->menuBar()), (QStringList{"Файл", "Справка"}));
    EXPECT_EQ(Form->StatusText(), "");
    EXPECT_EQ(Form->MDIList(), nullptr);
    EXPECT_FALSE(Connected);
    EXPECT_FALSE(ObjListLoaded);
}

}  // namespace
