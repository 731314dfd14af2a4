// The list of open documents: at most one per kind and object; asking for an
// open one brings it forward.
#pragma once

#include "MDI.h"

#include <functional>
#include <memory>
#include <vector>

class QMdiArea;
class TObj;

// Creates the document of one kind for an object (none for kinds without
// one) in the given MDI area. The units that provide a kind register its
// factory once at start; a kind without a factory cannot be opened.
using TMDIFactory = std::function<std::unique_ptr<TMDI>(QMdiArea* AOwner, TObj* AObj)>;
void RegisterMDIFactory(TMDIType AMDIType, TMDIFactory AFactory);  // an empty factory unregisters
TMDIFactory MDIFactory(TMDIType AMDIType);  // empty when none is registered

class TMDIList {
public:
    explicit TMDIList(QMdiArea* AOwner);
    // Frees every document, which closes its window.
    ~TMDIList();
    TMDIList(const TMDIList&) = delete;
    TMDIList& operator=(const TMDIList&) = delete;

    // The open document of this kind and object (object identity) brought
    // forward, or a new one. A new mtNone document is a plain TMDI; the
    // other kinds come from their registered factory. A document whose
    // creation fails is not added and leaves no window behind.
    TMDI* Show(TMDIType AMDIType, TObj* AObj);

    int Count() const { return static_cast<int>(FItems.size()); }
    TMDI* Items(int AIndex) const { return FItems.at(AIndex).get(); }
    int IndexOf(const TMDI* AMDI) const;

private:
    // OnFormDestroy of every document: removes the document, which frees it.
    void RemoveMDI(TMDI* AMDI);

    QMdiArea* Owner;
    std::vector<std::unique_ptr<TMDI>> FItems;
};
