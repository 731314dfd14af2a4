// The table document of an object: an MDI child window filled by a grid
// window over the user's table view of the object.
#pragma once

#include "MDI.h"

#include <memory>

class QMdiArea;
class TObj;
class TWinTbl;

class TDataTbl : public TMDI {
public:
    // Opens the window captioned with the object's Capt2 and the grid over
    // the user's view of AObj (raises when there is none; no window stays).
    TDataTbl(QMdiArea* AOwner, TObj* AObj);
    // Frees the grid window, then the window.
    ~TDataTbl() override;

    TWinTbl* GetWinTbl() const { return WinTbl.get(); }

private:
    std::unique_ptr<TWinTbl> WinTbl;
};

// Lets TMDIList open TDataTbl documents for mtObj.
void RegisterDataTbl();
