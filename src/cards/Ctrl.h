// Control kinds of a card (the code table CTRLTRTP) and the nodes of a
// card's control tree (CTRLTREE): a root, page controls with their tab
// sheets, and one editor control per shown field, each with the geometry of
// its editor and caption label.
#pragma once

#include "meta/Obj.h"

#include <QString>
#include <array>
#include <memory>
#include <vector>

// Node kinds; ctEditStr .. ctFormula are the field controls.
enum TCtrlType {
    ctRoot,
    ctPageControl,
    ctTabSheet,
    ctEditStr,
    ctEditInt,
    ctEditNum182,
    ctEditNum183,
    ctEditNum184,
    ctEditObj,
    ctDateEdit,
    ctBoolean,
    ctFormula
};

struct TCtrlTypeRec {
    int ID;        // CTRLTRTP_ID; 0 until loaded (and for a kind the table lacks)
    QString Name;  // CTRLTRTP_NAME
    TCtrlType CtrlType;
};

// The code table, one row per kind in enumeration order. Its codes are read
// from CTRLTRTP at the first lookup and kept for the life of the process (a
// failed load is retried at the next lookup).
extern std::array<TCtrlTypeRec, 12> CtrlTypeTable;

// Fills the ID column from CTRLTRTP; a name the table does not know raises
// "Тип контрола с именем \"%s\" не известен системе".
void LoadCtrlTypeTable();
// Raises "CtrlType with code %d not found".
TCtrlType CodeToCtrlType(int ACode);
// Raises "CtrlType \"%d\" not found" (ordinal) for a value outside the table.
int CtrlTypeToCode(TCtrlType ACtrlType);
// Forgets the loaded codes (tests only: a new database may number them differently).
void ResetCtrlTypeTable();

// A field control: a node that edits one field (EditStr .. Formula).
bool IsFieldCtrlType(TCtrlType ACtrlType);
// The kinds whose field may belong to another object (looked up among all
// objects when the card's object lacks it): EditStr .. EditObj.
bool IsEditCtrlType(TCtrlType ACtrlType);

// One node of a control tree; owns its children, kept in ascending Lft
// order (which is also the order in which the card creates the editors).
class TCtrl {
public:
    TCtrl() = default;
    TCtrl(const TCtrl&) = delete;
    TCtrl& operator=(const TCtrl&) = delete;

    int Lft = 0;
    int Rgt = 0;
    TCtrl* Parent = nullptr;  // nil for the root
    // Editor (or page control) position and size inside its container; a
    // height of 0 lets an edit keep its natural height.
    int CLeft = 0, CTop = 0, CWidth = 0, CHeight = 0;
    // Caption label position (and the stored label size, read only).
    int LLeft = 0, LTop = 0, LWidth = 0, LHeight = 0;
    TCtrlType CtrlType = ctRoot;
    QString Capt;         // tab caption; label text of a field control without field
    bool ROAdd = false;   // read-only while a new record is added
    bool ROEdt = false;   // read-only while an existing record is edited
    TFld* Fld = nullptr;  // nil for root, page controls and tab sheets

    // Fld.Capt when the node has a field, otherwise Capt.
    QString GetCapt() const;

    int Count() const { return static_cast<int>(FItems.size()); }
    TCtrl* Items(int AIndex) const { return FItems.at(AIndex).get(); }
    TCtrl* operator[](int AIndex) const { return FItems.at(AIndex).get(); }
    // Appends a child and makes this node its parent.
    TCtrl* Add(std::unique_ptr<TCtrl> AItem);
    int IndexOf(const TCtrl* AItem) const;
    // Removes and frees the child (with its subtree); false when it is not a child.
    bool Remove(TCtrl* AItem);
    // Takes the child out without freeing it (nil when it is not a child).
    std::unique_ptr<TCtrl> Extract(TCtrl* AItem);
    void Clear() { FItems.clear(); }

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<std::unique_ptr<TCtrl>> FItems;
};
