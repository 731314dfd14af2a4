// The always-on filters of a table view, and the code table of filter node
// kinds (FLTRTRTP).
#pragma once

#include "Filter.h"
#include "FilterTreeItem.h"
#include "core/IBX.h"

#include <QString>
#include <array>
#include <memory>
#include <vector>

class TTbl;

struct TFilterTreeTypeRec {
    int ID;
    QString Name;
    TFilterTreeType FilterTreeType;
};

// Compiled in with the id 0; the ids are filled from FLTRTRTP on the first
// lookup (rows with other names are ignored) and are not read again.
extern std::array<TFilterTreeTypeRec, 10> FilterTreeTypeTable;

void LoadFilterTreeTypeTable();
// Forgets what was loaded (tests only: a new database may number codes differently).
void ResetFilterTreeTypeTable();
// Kind of a FLTRTRTP_ID; raises
// "CodeToFilterTreeType: Тип узла фильтра с кодом %d не найден".
TFilterTreeType CodeToFilterTreeType(int ACode);

// Owns its filters.
class TFilterList {
public:
    TFilterList();
    ~TFilterList();
    TFilterList(const TFilterList&) = delete;
    TFilterList& operator=(const TFilterList&) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    TFilter* Items(int AIndex) const { return FItems.at(AIndex).get(); }
    TFilter* operator[](int AIndex) const { return FItems.at(AIndex).get(); }
    TFilter* Add(std::unique_ptr<TFilter> AFilter);
    void Clear() { FItems.clear(); }

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

    // Replaces the list by the always-on filters of the view: those attached
    // to the view itself, to its link or to its listed object (in developer
    // mode only those whose FLTR_DEV holds a value other than 1).
    void Load(TTbl* ATbl);
    // First filter whose Name equals AName; nil when none.
    TFilter* GetByName(const QString& AName) const;

private:
    std::unique_ptr<TIBSQL> IBSql;
    std::vector<std::unique_ptr<TFilter>> FItems;
};
