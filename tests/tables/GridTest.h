// Support for the window tests of the table views: the application object,
// modal windows answered from a timer, keys sent to widgets, and a deal
// catalogue with a view whose grid can be opened.
#pragma once

#include "TablesFixture.h"
#include "tables/WinTbl.h"

#include <QKeyEvent>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

// Processes events until ACondition holds; false when a generous safety
// limit passed first.
bool WaitUntil(const std::function<bool()>& ACondition);
// Processes the events that are due, a few rounds (layout, painting and the
// fetching they cause settle within them).
void Settle();
// A key pressed on a widget, delivered at once.
void PressKey(QWidget* AWidget, int AKey, Qt::KeyboardModifiers AModifiers = Qt::NoModifier);

// Answers modal windows one after the other: each step is offered the active
// modal widget until it answers true.
class TModalAnswers : public QObject {
public:
    using TStep = std::function<bool(QWidget* AModal)>;
    explicit TModalAnswers(std::vector<TStep> ASteps);
    bool Done() const { return FNext >= FSteps.size(); }

private:
    std::vector<TStep> FSteps;
    size_t FNext = 0;
    bool FBusy = false;
    QTimer FTimer;
};
// Reads a message box's text into AText and clicks the standard button AButton.
TModalAnswers::TStep AnswerBox(int AButton, QString* AText = nullptr);

// XDEAL of TSales with its view: key (not shown), number, client name
// (through XCLIENT_ID), sum, date, closed flag; a sequence for new keys.
struct TDealGrid {
    TSales T;
    int View;
    explicit TDealGrid(TCatalogFixture& C);
};

// A grid window over the deal view in a shown host window.
class GridTest : public TablesTest {
protected:
    GridTest();
    ~GridTest() override;

    // Creates, initialises by id, writes the statements and opens the grid
    // in a host of the given size; waits until it has painted.
    TWinTbl* OpenGrid(int AViewId, QSize AHostSize = QSize(600, 400));
    // Row of the grid showing the record, -1 when none.
    int RowOfId(int AId) const;
    QList<int> Ids() const;  // record ids of the grid rows in order

    std::unique_ptr<QWidget> Host;
    std::unique_ptr<TWinTbl> W;
};
