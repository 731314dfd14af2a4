// A detail tab holding one grid window over the child records of one link,
// filtered by the parent record.
#pragma once

#include "WinDet.h"
#include "meta/Obj.h"
#include "tables/WinTbl.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class TWinDetTbl : public TWinDet {
public:
    // Stores the arguments; AParent is the tab sheet.
    TWinDetTbl(QWidget* AOwner, QWidget* AParent);
    ~TWinDetTbl() override;  // frees the grid

    // Creates the grid (its class chosen by the link's name) with the user's
    // view of the link; without such a view the tab stays empty and its
    // operations do nothing.
    void Init(TObjLink* AObjLink, int AUserId);

    void SetParentId(int Value) override;
    void Open() override;
    void Close() override;
    void EnableAddBtn() override;

    std::unique_ptr<TWinTbl> WinTbl;  // nil when the link has no view for the user

private:
    TObjLink* ObjLink = nullptr;
    int UserId = 0;
    QPointer<QWidget> Owner;
    QPointer<QWidget> Parent;
};
