// Rows of a new database given as a data file (JSON): code tables, users,
// and the catalogue content.
//
// A data file is an object whose "tables" array is loaded block by block, in
// order; each block is
//   { "table": "FLD", "columns": ["@", "OBJ_ID", "FLD_FIELD", ...],
//     "rows": [["fld.obj.id", "@obj.obj", "OBJ_ID", ...], ...] }
// Every row is inserted with a new key drawn from the sequence named like the
// table's key column (<TABLE>_ID); the key column itself is never given.
// Columns not listed get the column's default. Values:
//   null -> NULL; true/false -> 1/0; a whole number -> an integer; any other
//   number -> an exact number with up to four decimals (else a double);
//   "@label"             -> the key of the row labelled so (earlier in this or
//                           an earlier file of the same loader);
//   "#TABLE.COLUMN=text" -> the key of the one row of TABLE whose COLUMN
//                           equals text (for rows already in the database);
//   "@@..." / "##..."    -> the text with the first character dropped;
//   any other string     -> that text (the server converts it to the column).
// The pseudo-column "@" gives the row's label (unique within the loader).
// A block with "update": true changes rows loaded before instead: its "@"
// column names the row by its label and the other columns are set (this is
// how rows that refer to each other in a circle are completed).
// Any other key of the file or of a block is ignored (room for comments).
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <functional>

class TIBDatabase;
class TIBTransaction;

class TDbDataLoader {
public:
    // Rows are inserted through ADatabase in ATransaction, which must be
    // active; the caller commits.
    TDbDataLoader(TIBDatabase* ADatabase, TIBTransaction* ATransaction);

    // Loads one data file. Raises Exception naming ASourceName, the table and
    // the row (1-based within its block) for malformed data, an unknown label,
    // a lookup that finds no row or several, or a row the server refuses.
    // ALog receives one line per block.
    void Load(const QByteArray& AJson, const QString& ASourceName,
              const std::function<void(const QString&)>& ALog = {});

    // Key given to the row with that label; raises Exception when unknown.
    int IdOf(const QString& ALabel) const;

private:
    int Lookup(const QString& AReference);

    TIBDatabase* FDatabase;
    TIBTransaction* FTransaction;
    QHash<QString, int> FLabels;
    QHash<QString, int> FLookups;
};
