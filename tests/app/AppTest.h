// Support for the window tests: the application object, answering modal
// windows, clicks that travel through the event loop, and SQL fixtures.
#pragma once

#include "QtPrint.h"
#include "app/MDILst.h"

#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QMessageBox;
class QWidget;

// A user's click: mouse press and release posted to the button, so that the
// click (and whatever its handler raises) is delivered by the event loop.
void PostClick(QAbstractButton* AButton);
// A menu item chosen: the action is triggered from the event loop.
void PostTrigger(QAction* AAction);
// Runs AProc from the event loop, after the events already posted.
void Later(std::function<void()> AProc);

// Processes events until ACondition holds (gives up after a generous safety
// limit and answers false).
bool WaitUntil(const std::function<bool()>& ACondition);

// Answers modal windows one after the other. Each step is offered the
// active modal widget (repeatedly, while it is not done) and answers true
// once it has acted. A step must not block: clicks that open further modal
// windows are posted (PostClick).
class TModalScript : public QObject {
public:
    using TStep = std::function<bool(QWidget* AModal)>;
    explicit TModalScript(std::vector<TStep> ASteps);
    ~TModalScript() override;
    bool Done() const { return FNext >= FSteps.size(); }
    // Waits until every step ran; false (with the step number reported)
    // when the safety limit passed first. From then on the script rejects
    // every modal dialog, so that a stuck test ends instead of hanging.
    bool Wait();

private:
    void Tick();
    std::vector<TStep> FSteps;
    size_t FNext = 0;
    bool FBusy = false;
    bool FExpired = false;
    QDeadlineTimer FDeadline;
    QTimer FTimer;
};

// A step that reads and closes a message box (any kind): stores its text,
// and its icon and caption when asked for.
TModalScript::TStep CloseBox(QString* AText, int* AIcon = nullptr, QString* ACaption = nullptr);
// A step that answers a message box with the given standard button.
TModalScript::TStep AnswerBox(int AButton, QString* AText = nullptr);

// Captions of the visible items of a menu, in order.
QStringList VisibleItems(QMenu* AMenu);
// Captions of the visible menus of a menu bar, in order.
QStringList VisibleMenus(QMenuBar* AMenuBar);

// Keeps a document kind's factory for one test and puts the previous one back.
struct TFactoryScope {
    TMDIType Type;
    TMDIFactory Saved;
    TFactoryScope(TMDIType AType, TMDIFactory AFactory) : Type(AType), Saved(MDIFactory(AType))
    {
        RegisterMDIFactory(AType, std::move(AFactory));
    }
    ~TFactoryScope() { RegisterMDIFactory(Type, Saved); }
};

// SQL fixtures on the session connection (see TTestSession).
struct TAppFixture {
    // An object with its key field "<ATable>_ID" ("pk"); AId given explicitly.
    static void AddObj(int AId, const QString& ATable, const QString& ACapt2, bool ARef, bool AMeta);
    static void AddUser(int AId, const QString& ALogin, const QString& AName);
    // Drops USR together with the constraints of other tables that refer to it.
    static void DropUsr();
    static void Exec(const QString& ASql);
    static int IntValue(const QString& ASql);
    static QString StrValue(const QString& ASql);
};
