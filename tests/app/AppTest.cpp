#include "AppTest.h"

#include "TestSession.h"
#include "app/Application.h"
#include "app/FuncWin.h"
#include "app/func.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace {

// Generous safety limit for anything the tests wait for; reaching it means a
// window never appeared or never closed.
constexpr int SafetyLimitMs = 120000;

// Rejects a modal dialog that nobody answers: a test whose script missed a
// window fails instead of hanging.
class TModalWatchdog : public QObject {
public:
    TModalWatchdog()
    {
        connect(&FTimer, &QTimer::timeout, this, &TModalWatchdog::Tick);
        FTimer.start(100);
    }

private:
    void Tick()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != FModal) {
            FModal = modal;
            FSince.start();
            return;
        }
        if (!modal || FSince.elapsed() < SafetyLimitMs) return;
        QString what = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) what += QStringLiteral(": ") + box->text();
        ADD_FAILURE() << "modal window left unanswered: " << what.toStdString();
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        FSince.start();
    }

    QTimer FTimer;
    QPointer<QWidget> FModal;
    QElapsedTimer FSince;
};

// The one application object of the test program.
class TAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "test_app";
        static char* argv[] = {name, nullptr};
        FApp = new TApplication(argc, argv);
        TApplication::setApplicationName(QStringLiteral("Платформа Velmora"));
        InstallDebugMessageHandler();
        InitProcess();
        FWatchdog = new TModalWatchdog;
    }
    void TearDown() override
    {
        delete FWatchdog;
        DoneProcess();
        DebugMessageHandler = nullptr;
        delete FApp;
        FApp = nullptr;
    }

private:
    TApplication* FApp = nullptr;
    TModalWatchdog* FWatchdog = nullptr;
};

::testing::Environment* const GAppEnvironment = ::testing::AddGlobalTestEnvironment(new TAppEnvironment);

void PostMouse(QWidget* AWidget, QEvent::Type AType)
{
    const QPointF local = QRectF(AWidget->rect()).center();
    const QPointF global = AWidget->mapToGlobal(local);
    const Qt::MouseButtons buttons = AType == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QCoreApplication::postEvent(AWidget, new QMouseEvent(AType, local, global, Qt::LeftButton, buttons, Qt::NoModifier));
}

}  // namespace

void PostClick(QAbstractButton* AButton)
{
    PostMouse(AButton, QEvent::MouseButtonPress);
    PostMouse(AButton, QEvent::MouseButtonRelease);
}

void PostTrigger(QAction* AAction)
{
    QMetaObject::invokeMethod(AAction, &QAction::trigger, Qt::QueuedConnection);
}

void Later(std::function<void()> AProc)
{
    QMetaObject::invokeMethod(qApp, std::move(AProc), Qt::QueuedConnection);
}

bool WaitUntil(const std::function<bool()>& ACondition)
{
    QDeadlineTimer deadline(SafetyLimitMs);
    while (!ACondition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

TModalScript::TModalScript(std::vector<TStep> ASteps) : FSteps(std::move(ASteps)), FDeadline(SafetyLimitMs)
{
    connect(&FTimer, &QTimer::timeout, this, &TModalScript::Tick);
    FTimer.start(5);
}

TModalScript::~TModalScript() = default;

void TModalScript::Tick()
{
    if (FBusy) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (!Done() && FDeadline.hasExpired()) {
        ADD_FAILURE() << "modal step " << FNext << " never ran";
        FExpired = true;
        FSteps.clear();
        FNext = 0;
    }
    if (FExpired) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        return;
    }
    if (Done() || !modal) return;
    FBusy = true;
    if (FSteps[FNext](modal)) ++FNext;
    FBusy = false;
}

bool TModalScript::Wait()
{
    WaitUntil([this] { return Done() || FExpired; });
    return !FExpired;
}

TModalScript::TStep CloseBox(QString* AText, int* AIcon, QString* ACaption)
{
    return [=](QWidget* AModal) {
        auto* box = qobject_cast<QMessageBox*>(AModal);
        if (!box) return false;
        if (AText) *AText = box->text();
        if (AIcon) *AIcon = box->icon();
        if (ACaption) *ACaption = box->windowTitle();
        box->done(QMessageBox::Ok);
        return true;
    };
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

QStringList VisibleItems(QMenu* AMenu)
{
    QStringList items;
    for (QAction* action : AMenu->actions())
        if (action->isVisible()) items << action->text();
    return items;
}

QStringList VisibleMenus(QMenuBar* AMenuBar)
{
    QStringList menus;
    for (QAction* action : AMenuBar->actions())
        if (action->isVisible()) menus << action->text();
    return menus;
}

void TAppFixture::Exec(const QString& ASql)
{
    auto q = NewIBSQL();
    q->SQL = QStringList{ASql};
    q->ExecQuery();
    q->Close();
}

int TAppFixture::IntValue(const QString& ASql)
{
    auto q = NewIBSQL();
    q->SQL = QStringList{ASql};
    q->ExecQuery();
    int value = q->Eof() ? 0 : q->Fields(0).AsInteger();
    q->Close();
    return value;
}

QString TAppFixture::StrValue(const QString& ASql)
{
    auto q = NewIBSQL();
    q->SQL = QStringList{ASql};
    q->ExecQuery();
    QString value = q->Eof() ? QString() : q->Fields(0).AsString();
    q->Close();
    return value;
}

void TAppFixture::AddObj(int AId, const QString& ATable, const QString& ACapt2, bool ARef, bool AMeta)
{
    Exec(QStringLiteral("insert into OBJ (OBJ_ID, OBJ_TABLE, OBJ_CAPT, OBJ_CAPT2, OBJ_REF, OBJ_META, OBJ_SYS) "
                        "values (%1, '%2', '%3', '%3', %4, %5, 0)")
             .arg(AId)
             .arg(ATable, ACapt2)
             .arg(ARef ? 1 : 0)
             .arg(AMeta ? 1 : 0));
    Exec(QStringLiteral("insert into FLD (FLD_ID, OBJ_ID, FLD_FIELD, FLDTYPE_ID, FLD_SIZE, FLD_NOTNULL, FLD_CAPT, "
                        "FLD_MAIN, FLD_VIRT, FLD_SYS, FLD_FRMLHAVE, FLD_DEF0) "
                        "values (%1, %2, '%3_ID', %4, 0, 0, 'Код', 0, 0, 0, 0, 0)")
             .arg(AId)
             .arg(AId)
             .arg(ATable)
             .arg(FldTypeId(QStringLiteral("pk"))));
}

void TAppFixture::AddUser(int AId, const QString& ALogin, const QString& AName)
{
    Exec(QStringLiteral("insert into USR (USR_ID, USR_LOGIN, USR_NAME) values (%1, '%2', '%3')")
             .arg(AId)
             .arg(ALogin, AName));
}

void TAppFixture::DropUsr()
{
    auto q = NewIBSQL();
    q->SQL = QStringList{QStringLiteral(
        "select trim(C.RDB$RELATION_NAME), trim(C.RDB$CONSTRAINT_NAME) from RDB$REF_CONSTRAINTS R "
        "join RDB$RELATION_CONSTRAINTS C on C.RDB$CONSTRAINT_NAME = R.RDB$CONSTRAINT_NAME "
        "join RDB$RELATION_CONSTRAINTS U on U.RDB$CONSTRAINT_NAME = R.RDB$CONST_NAME_UQ "
        "where U.RDB$RELATION_NAME = 'USR'")};
    QStringList drops;
    for (q->ExecQuery(); !q->Eof(); q->Next())
        drops << QStringLiteral("alter table %1 drop constraint %2").arg(q->Fields(0).AsString(), q->Fields(1).AsString());
    q->Close();
    for (const QString& sql : drops) {
        Exec(sql);
        CommitRetaining();
    }
    Exec(QStringLiteral("drop table USR"));
    CommitRetaining();
}
