#include "AppTest.h"
#include "app/Application.h"
#include "core/SysUtils.h"

#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

TEST(ExceptionHandler, ShowsTheTextOnceAndTheWindowStaysUsable)
{
    struct Case {
        const char* Name;
        std::function<void()> Raise;
        QString Expected;
    } cases[] = {
        {"Exception", [] { throw Exception(QStringLiteral("Неверный логин или пароль")); },
         QStringLiteral("Неверный логин или пароль")},
        {"std::exception", [] { throw std::runtime_error("disk full"); }, QStringLiteral("disk full")},
        {"anything else", [] { throw 42; }, QStringLiteral("Неизвестная ошибка")},
    };
    for (const Case& c : cases) {
        QWidget window;
        auto* button = new QPushButton(QStringLiteral("Сделать"), &window);
        button->setGeometry(10, 10, 100, 25);
        int clicks = 0;
        QObject::connect(button, &QPushButton::clicked, [&] {
            ++clicks;
            c.Raise();
        });
        window.show();

        // Two clicks, one after the other: the window still answers after
        // the first failure.
        QString first;
        QString second;
        int icon = 0;
        QString caption;
        {
            TModalScript script({CloseBox(&first, &icon, &caption)});
            PostClick(button);
            EXPECT_TRUE(script.Wait()) << c.Name;
        }
        {
            TModalScript script({CloseBox(&second)});
            PostClick(button);
            EXPECT_TRUE(script.Wait()) << c.Name;
        }
        EXPECT_TRUE(WaitUntil([&] { return clicks == 2 && !QApplication::activeModalWidget(); })) << c.Name;
        EXPECT_EQ(first, c.Expected) << c.Name;
        EXPECT_EQ(second, c.Expected) << c.Name;
        EXPECT_EQ(icon, int(QMessageBox::Critical)) << c.Name;
        EXPECT_EQ(caption, "Платформа Velmora") << c.Name;
        EXPECT_TRUE(window.isVisible()) << c.Name;
    }
}

TEST(ExceptionHandler, AFailureInsideAModalDialogKeepsItOpen)
{
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* ok = new QPushButton(QStringLiteral("ОК"));
    layout->addWidget(ok);
    int attempts = 0;
    QObject::connect(ok, &QPushButton::clicked, [&] {
        if (++attempts == 1) throw Exception(QStringLiteral("Первая попытка не удалась"));
        dialog.accept();
    });

    QString text;
    bool stillOpen = false;
    TModalScript script({
        [&](QWidget* AModal) {
            if (AModal != &dialog) return false;
            PostClick(ok);
            return true;
        },
        CloseBox(&text),
        [&](QWidget* AModal) {
            if (AModal != &dialog) return false;
            stillOpen = dialog.isVisible();
            PostClick(ok);
            return true;
        },
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_TRUE(script.Wait());
    EXPECT_EQ(text, "Первая попытка не удалась");
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(attempts, 2);
}

}  // namespace
