#include "CardsGui.h"

#include "app/Application.h"
#include "app/FuncWin.h"
#include "app/func.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace {

constexpr int SafetyLimitMs = 120000;

class TGuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "test_cards";
        static char* argv[] = {name, nullptr};
        FApp = new TApplication(argc, argv);
        TApplication::setApplicationName(QStringLiteral("Платформа Velmora"));
    }
    void TearDown() override
    {
        delete FApp;
        FApp = nullptr;
    }

private:
    TApplication* FApp = nullptr;
};

::testing::Environment* const GGuiEnvironment = ::testing::AddGlobalTestEnvironment(new TGuiEnvironment);

void PostMouse(QWidget* AWidget, QEvent::Type AType)
{
    const QPointF local = QRectF(AWidget->rect()).center();
    const QPointF global = AWidget->mapToGlobal(local);
    const Qt::MouseButtons buttons = AType == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QCoreApplication::postEvent(AWidget,
                                new QMouseEvent(AType, local, global, Qt::LeftButton, buttons, Qt::NoModifier));
}

}  // namespace

bool WaitUntil(const std::function<bool()>& ACondition)
{
    QDeadlineTimer deadline(SafetyLimitMs);
    while (!ACondition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void ProcessEvents()
{
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

TModalScript::TModalScript(std::vector<TStep> ASteps) : FSteps(std::move(ASteps))
{
    connect(&FTimer, &QTimer::timeout, this, &TModalScript::Tick);
    FTimer.start(5);
}

void TModalScript::Tick()
{
    if (FBusy || Done()) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    FBusy = true;
    if (FSteps[FNext](modal)) ++FNext;
    FBusy = false;
}

bool TModalScript::Wait()
{
    if (WaitUntil([this] { return Done(); })) return true;
    ADD_FAILURE() << "modal step " << FNext << " never ran";
    FSteps.clear();
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
    return false;
}

TModalScript::TStep AnswerBox(int AButton, QString* AText)
{
    return [=](QWidget* AModal) {
        auto* box = qobject_cast<QMessageBox*>(AModal);
        if (!box) return false;
        if (AText) *AText = box->text();
        QAbstractButton* button = box->button(static_cast<QMessageBox::StandardButton>(AButton));
        if (!button) return false;
        PostClick(button);
        return true;
    };
}

TModalScript::TStep Act(const std::function<bool(QWidget* AModal)>& AStep)
{
    return AStep;
}

void SendKey(QWidget* AWidget, int AKey, const QString& AText, Qt::KeyboardModifiers AMods)
{
    QKeyEvent press(QEvent::KeyPress, AKey, AMods, AText);
    QApplication::sendEvent(AWidget, &press);
    QKeyEvent release(QEvent::KeyRelease, AKey, AMods, AText);
    QApplication::sendEvent(AWidget, &release);
}

void TypeText(QWidget* AWidget, const QString& AText)
{
    for (const QChar ch : AText) {
        int key = ch.toUpper().unicode();
        if (ch == u'.') key = Qt::Key_Period;
        if (ch == u',') key = Qt::Key_Comma;
        SendKey(AWidget, key, QString(ch));
    }
}

void PostClick(QAbstractButton* AButton)
{
    PostMouse(AButton, QEvent::MouseButtonPress);
    PostMouse(AButton, QEvent::MouseButtonRelease);
}

int CommittedValue(const QString& ASql)
{
    auto db = NewIBDatabase();
    db->DatabaseName = IBDatabase->DatabaseName;
    db->Params = IBDatabase->Params;
    db->Open();
    auto tr = NewIBTransaction(db.get());
    tr->StartTransaction();
    int value = 0;
    {
        TIBSQL q(db.get(), tr.get());
        q.SQL = QStringList{ASql};
        q.ExecQuery();
        value = q.Eof() ? 0 : q.Fields(0).AsInteger();
        q.Close();
    }
    tr->Commit();
    db->Close();
    return value;
}
