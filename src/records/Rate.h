// Currency rates for formulas: a per-record cache over CURR and CURRATE.
#pragma once

#include "core/IBX.h"
#include "core/Variant.h"

#include <memory>
#include <vector>

class TCurrRate {
public:
    int Curr = 0;
    TDateTime Date = 0;  // the date asked for
    Currency Value;      // the rate found
};

class TCurrRateTable {
public:
    TCurrRateTable();
    ~TCurrRateTable();
    TCurrRateTable(const TCurrRateTable&) = delete;
    TCurrRateTable& operator=(const TCurrRateTable&) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    TCurrRate* Items(int AIndex) const { return FItems.at(AIndex).get(); }

    // Rate of currency ACurr on ADate: the most recent rate on or before the
    // date; 1 for the base currency; Null when either argument is Null.
    Variant GetRate(const Variant& ACurr, const Variant& ADate);

private:
    std::vector<std::unique_ptr<TCurrRate>> FItems;
    std::unique_ptr<TIBSQL> IBSQL;
    Variant BaseValuteCode = Variant::Null();
};
