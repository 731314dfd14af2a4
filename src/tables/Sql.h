// The query builder of a table view: the select statement that lists the
// records, the refresh statement that re-reads one record by its key and the
// delete statement that deletes one, with table aliases T0, T1, ... and
// numbered parameters :0, :1, ...; and the binding of filter values.
#pragma once

#include "Filter.h"
#include "FilterList.h"
#include "Tbl.h"
#include "core/IBX.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

enum TSQLType { stSelect, stUpdate, stRefresh, stDelete };

// One result column of the select and refresh statements.
class TSelectFld {
public:
    int Index = 0;                // alias number of the table reference it is read from
    TTblTree* TblTree = nullptr;  // column tree node; its Fld is the field read
    bool Editable = false;        // set by the grid window

    // "T<Index>.<field> as T<Index><field> /* <caption> */"
    QString AsString() const;
};

// One table reference of the from clause.
class TJoin {
public:
    bool Left = false;       // outer join in the select statement
    TObj* Obj1 = nullptr;    // object whose table is referenced
    TFld* Fld1 = nullptr;    // key of Obj1; not set for the from-entry
    int Ind1 = 0;            // alias number of this reference
    TFld* Fld2 = nullptr;    // foreign key, of the reference Ind2, pointing at Obj1
    int Ind2 = 0;            // alias number of the reference holding Fld2
    bool Refresh = false;    // also part of the refresh statement

    QString AsFromString() const;
    QString AsJoinString(bool AAlwaysLeft) const;
};

class TTblSql {
public:
    TTblSql();
    ~TTblSql();
    TTblSql(const TTblSql&) = delete;
    TTblSql& operator=(const TTblSql&) = delete;

    std::vector<std::unique_ptr<TSelectFld>> SelectFldList;  // result columns; column 0 is the record id
    std::vector<std::unique_ptr<TJoin>> JoinList;            // entry 0 is the main table
    std::vector<QStringList> WhereSelectList;                // one list of lines per select filter
    std::vector<QStringList> WhereRefreshList;
    std::vector<QStringList> WhereDeleteList;
    std::unique_ptr<TFilterList> FilterList;                 // filters of the select statement
    TFilter* ParentFilter = nullptr;                         // entry of FilterList for a link view
    std::unique_ptr<TFilter> RefreshFilter;                  // Equal on the key
    std::unique_ptr<TFilter> DeleteFilter;                   // Equal on the key
    bool ShowPKCol = false;                                  // the record-id column is shown

    TTbl* GetTbl() const { return Tbl; }

    // Back to the freshly constructed state.
    void Clear();
    // Columns and joins from the view's column tree.
    void CreateBaseSQL(TTbl* ATbl);
    // The view's always-on filters, the parent filter of a link view, and
    // the refresh and delete filters.
    void LoadFilters();
    // Renders every filter into condition lines, numbering parameters and
    // adding the joins of filter paths.
    void AddFilters();
    // Replaces the three statement texts.
    void SetSQL(QStringList& ASelectStrings, QStringList& ARefreshStrings, QStringList& ADeleteStrings) const;
    // Binds the filter values of that statement kind; raises "Variant is
    // empty" / "Variant is null" for a value that was never set or is Null.
    void SetParams(TIBSQL* AIBSQL, TSQLType ASQLType) const;
    // First result column whose node shows AFld; nil when none.
    TSelectFld* GetSelectFldByFld(const TFld* AFld) const;

private:
    void Walk(TTblTree* ANode, int AAlias);
    TJoin* ResolvePath(TFilterTreeItem* ANode);
    void Render(TFilterTreeItem* ANode, const TFilter* AFilter, QStringList& ALines);
    void RenderFilter(const TFilter* AFilter, std::vector<QStringList>& AWhereList);
    QStringList ColumnLines() const;

    TTbl* Tbl = nullptr;   // not owned
    int AliasIndex = 0;    // last alias number handed out
    int ParamIndex = 0;    // next parameter number
};
