#include "GridTest.h"

#include "app/Application.h"
#include "app/FuncWin.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>

namespace {

constexpr int SafetyLimitMs = 120000;

// The one application object of the test program.
class TGuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_tables";
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

void Settle()
{
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
}

void PressKey(QWidget* AWidget, int AKey, Qt::KeyboardModifiers AModifiers)
{
    QKeyEvent press(QEvent::KeyPress, AKey, AModifiers);
    QApplication::sendEvent(AWidget, &press);
    QKeyEvent release(QEvent::KeyRelease, AKey, AModifiers);
    QApplication::sendEvent(AWidget, &release);
}

TModalAnswers::TModalAnswers(std::vector<TStep> ASteps) : FSteps(std::move(ASteps))
{
    connect(&FTimer, &QTimer::timeout, this, [this] {
        if (FBusy || Done()) return;
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        FBusy = true;
        if (FSteps[FNext](modal)) ++FNext;
        FBusy = false;
    });
    FTimer.start(5);
}

TModalAnswers::TStep AnswerBox(int AButton, QString* AText)
{
    return [=](QWidget* AModal) {
        auto* box = qobject_cast<QMessageBox*>(AModal);
        if (!box) return false;
        if (AText) *AText = box->text();
        QAbstractButton* button = box->button(static_cast<QMessageBox::StandardButton>(AButton));
        if (!button) return false;
        QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
        return true;
    };
}

TDealGrid::TDealGrid(TCatalogFixture& C) : T(C)
{
    View = C.AddTbl(QStringLiteral("Сделки"), T.Deal, 0, true, QStringLiteral("Deals"));
    C.AddTblTree(View, T.DealId, 1, 14);
    C.AddTblTree(View, T.DealNum, 2, 3);
    C.AddTblTree(View, T.DealClient, 4, 7);
    C.AddTblTree(View, T.ClientName, 5, 6);
    C.AddTblTree(View, T.DealSum, 8, 9);
    C.AddTblTree(View, T.DealDate, 10, 11);
    C.AddTblTree(View, T.DealDone, 12, 13);
    C.S.Exec(QStringLiteral("create sequence XDEAL_ID"));
    CommitRetaining();
    C.S.Exec(QStringLiteral("alter sequence XDEAL_ID restart with 100"));
    CommitRetaining();
}

GridTest::GridTest() = default;

GridTest::~GridTest()
{
    W.reset();
    Host.reset();
    Settle();
}

TWinTbl* GridTest::OpenGrid(int AViewId, QSize AHostSize)
{
    Host = std::make_unique<QWidget>();
    Host->resize(AHostSize);
    W = std::make_unique<TWinTbl>(Host.get(), Host.get());
    W->InitById(AViewId);
    W->SetAlign(alClient);
    W->CreateSQL();
    W->Open();
    Host->show();
    Settle();
    return W.get();
}

int GridTest::RowOfId(int AId) const
{
    return Ids().indexOf(AId);
}

QList<int> GridTest::Ids() const
{
    QList<int> ids;
    TFld* pk = W->Tbl->GetObj()->FldList->GetPKFld();
    for (int i = 0; i < W->Count(); ++i) {
        Variant v;
        W->GetDataByIndexFld(i, pk, v);
        ids << v.ToInt();
    }
    return ids;
}
