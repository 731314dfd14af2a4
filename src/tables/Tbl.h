// Table views: which columns a grid shows for the records of one object (or
// of the children of one link), as a view row of TBL with its column tree in
// TBLTREE, and the choice of the view a user gets.
#pragma once

#include "core/IBX.h"
#include "meta/Obj.h"

#include <QString>
#include <memory>
#include <vector>

// One node of a column tree; owns its children, kept in ascending Lft order.
class TTblTree {
public:
    TTblTree() = default;
    TTblTree(const TTblTree&) = delete;
    TTblTree& operator=(const TTblTree&) = delete;

    int Lft = 0;
    int Rgt = 0;
    TTblTree* Parent = nullptr;  // nil for the root
    TFld* Fld = nullptr;
    QString LongCapt;            // caption path, the column header

    int Count() const { return static_cast<int>(FItems.size()); }
    TTblTree* Items(int AIndex) const { return FItems.at(AIndex).get(); }
    TTblTree* operator[](int AIndex) const { return FItems.at(AIndex).get(); }
    // Appends a child and makes this node its parent.
    TTblTree* Add(std::unique_ptr<TTblTree> AItem);
    void Clear() { FItems.clear(); }
    int IndexOf(const TTblTree* AItem) const;

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<std::unique_ptr<TTblTree>> FItems;
};

// Where a row with left bound ALft belongs in a nested set being read in
// left-bound order. Searched depth first from the root (AParent nil): a node
// N is the parent when ALft = N.Lft + 1 (first child); N's parent AParent is
// the parent when ALft = N.Rgt + 1 (next sibling; none at the root, which
// ends the search); otherwise N's children are searched in order and the
// first hit wins. Nil when the row fits nowhere.
template <typename TNode>
TNode* NestedSetParent(TNode* ANode, TNode* AParent, int ALft)
{
    if (ALft == ANode->Lft + 1) return ANode;
    if (ALft == ANode->Rgt + 1) return AParent;
    for (const auto& child : *ANode)
        if (TNode* p = NestedSetParent<TNode>(child.get(), ANode, ALft)) return p;
    return nullptr;
}

class TTbl {
public:
    TTbl();
    ~TTbl();
    TTbl(const TTbl&) = delete;
    TTbl& operator=(const TTbl&) = delete;

    int Id = 0;
    QString Capt;
    bool Default = false;
    QString Name;
    TObj* Obj = nullptr;          // object of an object view
    TObjLink* ObjLink = nullptr;  // link of a link view
    bool Dev = false;             // TBL_DEV of the loaded view
    std::unique_ptr<TTblTree> TblTree;  // root of the column tree; nil when it has no rows
    bool RaiseLoad = false;       // a load that finds no view raises

    // The view the user gets for an object (AObjLink nil) or a link: the
    // personal view, else the default view (developer views first only in
    // developer mode). AObj serves the error message only when AObjLink is given.
    bool LoadCurrent(TObj* AObj, TObjLink* AObjLink, int AUserId);
    bool LoadById(int AId);
    bool LoadByName(TObj* AObj, TObjLink* AObjLink, const QString& AName);
    // (Re)loads the column tree of view Id.
    void LoadTree();
    // Rewrites the column tree of view Id in TBLTREE, renumbered 1..2n in
    // pre-order. Neither commits nor rolls back.
    void SaveTree();
    // The object whose records the view lists.
    TObj* GetObj() const;

private:
    // Runs the prepared statement; reads its first row and the tree when
    // there is one. False (nothing changed) when there is none.
    bool ReadFound();
    bool NotFound(TObj* AObj);
    void ComputeLongCapts();

    std::unique_ptr<TIBSQL> IBSQL;
};
