// Card definitions: one row of CARD with its control tree in CTRLTREE, the
// choice of the card a user gets for an object, and writing the tree and
// the card's sizes back (the card designer does).
#pragma once

#include "Ctrl.h"
#include "core/IBX.h"
#include "meta/Obj.h"

#include <QString>
#include <memory>

class TCard {
public:
    TCard();
    ~TCard();  // frees the statement and the control tree
    TCard(const TCard&) = delete;
    TCard& operator=(const TCard&) = delete;

    int Id = 0;
    QString Capt;          // the definition's caption (error messages)
    bool Default = false;  // CARD_DEFAULT = 1
    int Width = 0;         // client width of the card window
    int HeightAtr = 0;     // client height of the attribute panel
    int HeightDet = 0;     // client height of the detail panel
    TObj* Obj = nullptr;
    QString Name;
    std::unique_ptr<TCtrl> RootCtrl;  // nil until a tree has been loaded
    bool RaiseLoad = false;           // a load that finds no card raises

    // The card the user gets for an object: the personal card (USRCARD),
    // else the object's default card (developer cards first only in
    // developer mode). Each load answers whether a card was found; a load
    // that finds none changes nothing (and raises when RaiseLoad is set).
    bool LoadCurrent(TObj* AObj, int AUserId);
    bool LoadById(int AId);
    bool LoadByName(TObj* AObj, const QString& AName);

    // (Re)loads the control tree of card Id. Rows that do not form a nested
    // set raise "Обнаружено нарушение структуры дерева для карточки ..."; the
    // nodes attached before the bad row stay in RootCtrl.
    void LoadTree();

    // Removes a node (found by identity) with its subtree; a node that is
    // not in the tree changes nothing. The root cannot be removed.
    void DeleteCtrl(TCtrl* ADelCtrl);

    // Rewrites the control tree of card Id in CTRLTREE, renumbered 1..2n in
    // pre-order, with exactly the columns each kind uses (the others NULL).
    // Neither commits nor rolls back.
    void SaveTree();
    // Writes Width, HeightAtr and HeightDet to the card's CARD row. Neither
    // commits nor rolls back.
    void SaveCard();

private:
    std::unique_ptr<TIBSQL> IBSQL;

    // Runs the statement; reads its first row and the tree when there is
    // one. False (nothing changed) when there is none.
    bool ReadCardRow();
    bool NotFound(TObj* AObj);
    // Where a row with left bound ALft belongs (nil: nowhere).
    TCtrl* FindParentCtrl(TCtrl* ACtrl, int ALft);
};
