// The detail area of a card window: a page control with one tab per link of
// the user's detail set, each tab a grid of the children of the card's record.
#pragma once

#include "DetBook.h"
#include "WinDet.h"
#include "meta/Obj.h"

#include <QPointer>
#include <QTabWidget>
#include <QWidget>
#include <memory>
#include <vector>

class TWinDetBook {
public:
    // Stores the arguments (AParent: the card's detail panel) and creates DetBook.
    TWinDetBook(QWidget* AOwner, QWidget* AParent);
    // Frees the tabs (with their grids) and DetBook.
    virtual ~TWinDetBook();
    TWinDetBook(const TWinDetBook&) = delete;
    TWinDetBook& operator=(const TWinDetBook&) = delete;

    std::unique_ptr<TDetBook> DetBook;
    TDetEvent OnNewRecord;    // a tab's Add was pressed; the sender is the tab
    TDetEvent OnAfterChange;  // a tab's grid changed its records; the sender is the tab

    // The tabs, in the order of the set's links (owned).
    int Count() const { return static_cast<int>(FItems.size()); }
    TWinDet* Items(int AIndex) const { return FItems.at(AIndex).get(); }
    TWinDet* operator[](int AIndex) const { return FItems.at(AIndex).get(); }
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

    // Given to every tab, in order.
    void SetParentId(int Value);
    void Open();
    void Close();
    void EnableAddBtn();
    // Enables or disables the whole page control.
    void SetEnabled(bool Value);
    bool Enabled() const;
    int Top() const;
    void SetTop(int Value);
    int Height() const;
    void SetHeight(int Value);
    // The page control; nil when the set has no links.
    QTabWidget* PageControl() const { return pc; }

    // Virtual operations, in slot order.
    // The default loads the user's set without raising (a missing set means
    // no details); the sales areas add one fixed link instead.
    virtual void LoadDetBook(TObj* AObj, int AUserId);
    // Loads the set and builds one tab per link.
    virtual void Init(TObj* AObj, int AUserId);

protected:
    QPointer<QWidget> Owner;
    QPointer<QWidget> Parent;
    int UserId = 0;
    QPointer<QTabWidget> pc;

private:
    std::vector<std::unique_ptr<TWinDet>> FItems;
    std::unique_ptr<QObject> FParentWatch;  // keeps the page control 8 pixels inside the panel
};
