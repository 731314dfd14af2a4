// Consistency check of the catalogue stored in a database: everything the
// client requires by name, the trees (columns, controls, filters, formulas)
// as nested sets that load, every stored reference field with its link and
// foreign key, every field with its column, every card control on a field
// of its own object, every summing field with its three triggers exactly as
// the configurator generates them. The set-up runs it on every database it
// makes; a problem found means the description in db/ is wrong.
#pragma once

#include <QStringList>

class TIBDatabase;
class TIBTransaction;

struct TDbCheckOptions {
    // Also require what the sales windows need (the deal with its product
    // lines, payments and shipments and their share objects).
    bool Sales = false;
};

// Answers one line per problem found; empty when the catalogue is sound.
// Reads in ATransaction, which must be active; changes nothing.
QStringList CheckCatalogue(TIBDatabase* ADatabase, TIBTransaction* ATransaction, const TDbCheckOptions& AOptions);
