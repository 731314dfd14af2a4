// One node of a stored filter's condition tree (FLTRTREE), with the path of
// foreign-key fields (FLTRTRPT) that leads to the object of its field.
#pragma once

#include "core/IBX.h"
#include "core/Variant.h"
#include "meta/Obj.h"

#include <QString>
#include <memory>
#include <vector>

enum TFilterTreeType { ftAnd, ftOr, ftEqual, ftGreater, ftLess, ftEmpty, ftContaining, ftBetween, ftIn, ftExist };

// A node; owns its children (in left-bound order).
class TFilterTreeItem {
public:
    TFilterTreeItem();
    ~TFilterTreeItem();  // frees the statement, the path list and the children
    TFilterTreeItem(const TFilterTreeItem&) = delete;
    TFilterTreeItem& operator=(const TFilterTreeItem&) = delete;

    int Id = 0;
    int Lft = 0;
    int Rgt = 0;
    TFilterTreeType FilterTreeType = ftAnd;
    bool No = false;                  // negates the condition
    Variant Value;                    // unassigned until read from the row or set by code
    TObjLink* ObjLink = nullptr;      // loaded, not used in rendering
    TFld* Fld = nullptr;              // compared field (of the object the path reaches)
    QString Name;                     // lets code find the node
    std::unique_ptr<TFldList> FldList;  // the path: foreign-key fields from the listed object; not owning
    Variant ParamIndex;               // parameter number given by the query builder

    int Count() const { return static_cast<int>(FItems.size()); }
    TFilterTreeItem* Items(int AIndex) const { return FItems.at(AIndex).get(); }
    TFilterTreeItem* operator[](int AIndex) const { return FItems.at(AIndex).get(); }
    TFilterTreeItem* Add(std::unique_ptr<TFilterTreeItem> AItem);
    void Clear() { FItems.clear(); }

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

    // Reads the path of node Id into FldList, in ascending FLTRTRPT_ID order.
    void LoadPath();

private:
    std::unique_ptr<TIBSQL> IBSQL;
    std::vector<std::unique_ptr<TFilterTreeItem>> FItems;
};
