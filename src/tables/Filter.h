// A stored filter (FLTR) with its condition tree.
#pragma once

#include "FilterTreeItem.h"
#include "core/IBX.h"

#include <QString>
#include <memory>

class TFilter {
public:
    TFilter();
    ~TFilter();  // frees the statement and the tree
    TFilter(const TFilter&) = delete;
    TFilter& operator=(const TFilter&) = delete;

    int Id = 0;
    QString Capt;
    QString Name;
    std::unique_ptr<TFilterTreeItem> FilterTree;  // root; nil when the filter has no nodes
    bool RaiseLoad = false;                       // a load that finds no filter raises

    // Loads the filter and its tree; false when there is no such filter.
    bool LoadById(int AId);
    // First node, in pre-order, whose Name equals AName; nil when none.
    TFilterTreeItem* GetFilterTreeItemByName(const QString& AName) const;

private:
    void LoadTree();

    std::unique_ptr<TIBSQL> IBSQL;
};
