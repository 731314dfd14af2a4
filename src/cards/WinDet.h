// A tab of a card's detail area: lists the child records of the card's
// record through one link. TWinDetTbl is the concrete tab.
#pragma once

#include <functional>

class TWinDet;

using TDetEvent = std::function<void(TWinDet* ASender)>;

class TWinDet {
public:
    TWinDet() = default;
    virtual ~TWinDet();
    TWinDet(const TWinDet&) = delete;
    TWinDet& operator=(const TWinDet&) = delete;

    TDetEvent OnNewRecord;    // the user pressed Add, before the grid creates its card
    TDetEvent OnAfterChange;  // the grid has changed its records

    // Virtual operations, in slot order.
    // The id of the parent record whose children the tab lists.
    virtual void SetParentId(int Value) = 0;
    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual void EnableAddBtn() = 0;
};
