#include "GridTest.h"
#include "tables/WinBotBtns.h"

#include <QDialog>
#include <QLineEdit>

TEST(WinBotBtns, OkAndCancelFromTheRightEdge)
{
    QDialog dialog;
    dialog.resize(400, 200);
    TWinBotBtns strip(&dialog, &dialog);
    strip.AddOkCancelBtns({}, {});
    ASSERT_EQ(strip.Count(), 2);
    TWinBotBtn* cancel = strip.Items(0);
    TWinBotBtn* ok = strip.Items(1);
    EXPECT_EQ(cancel->text(), "Отмена");
    EXPECT_EQ(ok->text(), QString::fromUtf8("\xD0\x9E\xD0\x9A"));  // Cyrillic О and К
    EXPECT_EQ(strip.Panel()->geometry(), QRect(0, 159, 400, 41));
    EXPECT_EQ(cancel->geometry(), QRect(317, 8, 75, 25));
    EXPECT_EQ(ok->geometry(), QRect(234, 8, 75, 25));
    EXPECT_TRUE(ok->isDefault());

    // The strip follows the dialog's bottom edge, the buttons its right edge.
    dialog.show();
    dialog.resize(500, 300);
    Settle();
    EXPECT_EQ(strip.Panel()->geometry(), QRect(0, 259, 500, 41));
    EXPECT_EQ(cancel->geometry().topLeft(), QPoint(417, 8));
    EXPECT_EQ(ok->geometry().topLeft(), QPoint(334, 8));
}

TEST(WinBotBtns, FailingOkKeepsTheDialogOpenWithTheInput)
{
    QDialog dialog;
    dialog.resize(400, 200);
    auto* edit = new QLineEdit(&dialog);
    TWinBotBtns strip(&dialog, &dialog);
    int cancels = 0;
    strip.AddOkCancelBtns(
        [&](QObject*) {
            if (edit->text().isEmpty()) throw Exception(QStringLiteral("Поле \"Имя\" не заполнено"));
        },
        [&](QObject*) { ++cancels; });
    TWinBotBtn* cancel = strip.Items(0);
    TWinBotBtn* ok = strip.Items(1);

    int result = -1;
    QString error;
    QTimer::singleShot(0, [&] {
        edit->setText(QString());
        try {
            ok->DoClick();
        } catch (const Exception& e) {
            error = e.Message();
        }
        EXPECT_TRUE(dialog.isVisible()) << "still open after the failed OK";
        EXPECT_EQ(dialog.result(), 0);
        edit->setText(QStringLiteral("Иван"));
        ok->click();
    });
    result = dialog.exec();
    EXPECT_EQ(error, "Поле \"Имя\" не заполнено");
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(edit->text(), "Иван");

    // Esc clicks Cancel: its handler runs and the dialog closes.
    QTimer::singleShot(0, [&] { PressKey(&dialog, Qt::Key_Escape); });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(cancels, 1);
    (void)cancel;
}
