#include "AppTest.h"
#include "app/FuncWin.h"
#include "app/func.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

TEST(OkCancelButtons, PlacedFromTheRightAndBottomAndFollowResizing)
{
    QDialog dialog;
    dialog.resize(500, 300);
    auto* panel = new QWidget(&dialog);
    panel->setGeometry(0, 259, 300, 41);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    CreateOkCancelButtons(panel, ok, cancel);
    dialog.show();

    EXPECT_EQ(ok->text(), "ОК");
    EXPECT_EQ(cancel->text(), "Отмена");
    EXPECT_EQ(ok->geometry(), QRect(134, 8, 75, 25));
    EXPECT_EQ(cancel->geometry(), QRect(217, 8, 75, 25));

    panel->resize(420, 60);
    EXPECT_EQ(ok->geometry(), QRect(254, 27, 75, 25));
    EXPECT_EQ(cancel->geometry(), QRect(337, 27, 75, 25));
    dialog.hide();
}

TEST(OkCancelButtons, CancelRejectsTheDialogAndOkLeavesItOpen)
{
    QDialog dialog;
    dialog.resize(300, 100);
    auto* panel = new QWidget(&dialog);
    panel->setGeometry(0, 59, 300, 41);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    CreateOkCancelButtons(panel, ok, cancel);
    int okClicks = 0;
    QObject::connect(ok, &QPushButton::clicked, [&] { ++okClicks; });

    bool openAfterOk = false;
    TModalScript script({[&](QWidget* AModal) {
        if (AModal != &dialog) return false;
        PostClick(ok);
        Later([&] { openAfterOk = dialog.isVisible(); });
        PostClick(cancel);
        return true;
    }});
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_TRUE(script.Wait());
    EXPECT_EQ(okClicks, 1);
    EXPECT_TRUE(openAfterOk);
}

// A window hosting one control at a screen position.
struct THost {
    QWidget Window;
    QWidget* Control;
    THost(QPoint AScreenPos, QSize AControlSize)
    {
        Window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        Window.setGeometry(QRect(AScreenPos - QPoint(10, 10), AControlSize + QSize(20, 20)));
        Control = new QWidget(&Window);
        Control->setGeometry(10, 10, AControlSize.width(), AControlSize.height());
    }
};

TEST(PlaceFormAtControl, CentresOverTheControlInsideTheWorkArea)
{
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize form(200, 100);
    const QSize control(60, 20);
    struct Case {
        const char* Name;
        QPoint ControlPos;  // screen position of the control's top-left corner
        QPoint Expected;    // form's top-left corner
    } cases[] = {
        {"middle", work.center(),
         QPoint(work.center().x() + 30 - 100, work.center().y() + 10 - 50)},
        {"near the right edge", QPoint(work.right() - 40, work.top() + 200),
         QPoint(work.left() + work.width() - 200, work.top() + 200 + 10 - 50)},
        {"near the bottom edge", QPoint(work.left() + 300, work.bottom() - 10),
         QPoint(work.left() + 300 + 30 - 100, work.top() + work.height() - 100)},
        {"at the top-left corner", work.topLeft(), work.topLeft()},
    };
    for (const Case& c : cases) {
        THost host(c.ControlPos, control);
        QWidget dialog(&host.Window, Qt::Dialog);
        dialog.resize(form);
        PlaceFormAtControl(host.Control, &dialog);
        EXPECT_EQ(dialog.pos(), c.Expected) << c.Name;
    }
}

TEST(PlaceFormAtControl, WithoutControlCentresOnTheOwner)
{
    QWidget owner;
    owner.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    owner.setGeometry(100, 120, 400, 300);
    QWidget dialog(&owner, Qt::Dialog);
    dialog.resize(200, 100);
    PlaceFormAtControl(nullptr, &dialog);
    EXPECT_EQ(dialog.pos(), QPoint(100 + 200 - 100, 120 + 150 - 50));
}

TEST(MessageDlgAtControl, AnswersTheChosenButtonAndSitsOverTheControl)
{
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    THost host(work.center() - QPoint(40, 10), QSize(80, 20));
    host.Window.show();
    for (int answer : {int(QMessageBox::Yes), int(QMessageBox::No)}) {
        QString text;
        QStringList captions;
        QPoint centre;
        TModalScript script({[&](QWidget* AModal) {
            auto* box = qobject_cast<QMessageBox*>(AModal);
            if (!box || !box->isVisible()) return false;
            centre = box->frameGeometry().center();
            for (QAbstractButton* b : box->buttons()) captions << b->text();
            return AnswerBox(answer, &text)(AModal);
        }});
        int result = MessageDlgAtControl(QStringLiteral("Удалить запись?"), QMessageBox::Question,
                                         QMessageBox::Yes | QMessageBox::No, host.Control);
        EXPECT_TRUE(script.Wait());
        EXPECT_EQ(result, answer);
        EXPECT_EQ(text, "Удалить запись?");
        EXPECT_TRUE(captions.contains("Да") && captions.contains("Нет")) << captions.join(',').toStdString();
        const QPoint controlCentre = host.Control->mapToGlobal(host.Control->rect().center());
        EXPECT_LE((centre - controlCentre).manhattanLength(), 2);
    }
}

TEST(DebugMessages, AppearInAMessageBox)
{
    QString text;
    QString caption;
    InstallDebugMessageHandler();
    TModalScript script({CloseBox(&text, nullptr, &caption)});
    ShowDebugMessages = true;
    DebugMessage(QStringLiteral("select 1 from RDB$DATABASE"));
    ShowDebugMessages = false;
    EXPECT_TRUE(script.Wait());
    EXPECT_EQ(text, "select 1 from RDB$DATABASE");
    EXPECT_EQ(caption, "Платформа Velmora");
}

}  // namespace
