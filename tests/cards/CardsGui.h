// Window support of the card tests: the application object (the one place
// that shows errors of user actions), answering modal windows from a timer,
// and typing into controls.
#pragma once

#include <QList>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

class QAbstractButton;
class QWidget;

// Processes events until ACondition holds; false after a generous safety limit.
bool WaitUntil(const std::function<bool()>& ACondition);
// Lets the events posted so far be delivered.
void ProcessEvents();

// Answers modal windows one after the other: each step is offered the active
// modal widget (repeatedly, until it answers true). Steps must not block.
class TModalScript : public QObject {
public:
    using TStep = std::function<bool(QWidget* AModal)>;
    explicit TModalScript(std::vector<TStep> ASteps);
    bool Done() const { return FNext >= FSteps.size(); }
    // Waits until every step ran; false (reported) when the limit passed first.
    bool Wait();

private:
    void Tick();
    std::vector<TStep> FSteps;
    size_t FNext = 0;
    bool FBusy = false;
    QTimer FTimer;
};

// A step that reads a message box's text and answers it with AButton
// (a QMessageBox::StandardButton value).
TModalScript::TStep AnswerBox(int AButton, QString* AText = nullptr);
// Steps run in order by one modal script may also act on non-box windows.
TModalScript::TStep Act(const std::function<bool(QWidget* AModal)>& AStep);

// A key press and release sent to AWidget (text for printable keys).
void SendKey(QWidget* AWidget, int AKey, const QString& AText = {}, Qt::KeyboardModifiers AMods = Qt::NoModifier);
// Types each character of AText into AWidget as key presses.
void TypeText(QWidget* AWidget, const QString& AText);
// A click posted through the event loop.
void PostClick(QAbstractButton* AButton);

// First column of the first row of ASql as another connection sees it:
// what has been committed (0 when there is no row).
int CommittedValue(const QString& ASql);
