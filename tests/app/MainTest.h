// Fixture of the main window tests: databases prepared with SQL, the main
// window shown and logged in through the login dialog.
#pragma once

#include "AppTest.h"
#include "app/LoginFo.h"
#include "app/MainFo.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>

class MainWindowTest : public ::testing::Test {
public:
    void SetUp() override;
    void TearDown() override;

    // A fresh database; AFixture runs on a connection to it (committed).
    // client.ini is pointed at it.
    QString MakeDatabase(const std::function<void()>& AFixture = {});
    // Shows the main window; the login dialog that opens is answered with
    // ALogin. True when the dialog has gone.
    bool ShowAndLogin(const QString& ALogin = QStringLiteral("tormel"));
    // Runs "Авторизация" again and answers with ALogin (empty: Cancel).
    bool ReLogin(const QString& ALogin);

    std::unique_ptr<TMainForm> Form;
};

// A login dialog step: types ALogin (after ABefore, when given) and presses OK.
TModalScript::TStep LoginWith(const QString& ALogin, std::function<void(TLoginForm*)> ABefore = {});
// A login dialog step that presses Cancel.
TModalScript::TStep CancelLogin();
