// Turns a catalogue description (TDbCatalogue) into a database: the tables
// of new objects with the very statements the configurator generates
// (meta/Ddl.h), and the catalogue rows with keys drawn from the sequences,
// trees numbered as nested sets.
#pragma once

#include "DbCatalogue.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>

class TIBDatabase;
class TIBTransaction;
class TIBSQL;

class TDbCatalogueWriter {
public:
    // ATransaction belongs to ADatabase; CreateTables commits it after every
    // statement, WriteRows leaves the commit to the caller.
    TDbCatalogueWriter(TIBDatabase* ADatabase, TIBTransaction* ATransaction);
    ~TDbCatalogueWriter();

    // For every new object: the table with its key constraint and sequence,
    // then the columns of its stored fields, then the foreign keys of its
    // links, then the three triggers of each summing field. Every statement
    // is committed on its own (a later statement needs what an earlier one
    // made). ALog gets one line per step.
    void CreateTables(const TDbCatalogue& ACat, const std::function<void(const QString&)>& ALog = {});

    // Inserts the users and every catalogue row: objects, fields, links,
    // summing settings, formulas, views with their column trees and filters,
    // cards with their control trees, detail sets, filters of objects and
    // links, and the personal choices of users. Objects, fields and links
    // get their ids. Runs in the transaction, which must be active.
    void WriteRows(TDbCatalogue& ACat, const std::function<void(const QString&)>& ALog = {});

    // Inserts one row; the key (<TABLE>_ID) is drawn from its sequence and
    // answered. Columns given Variant::Null() are written as NULL.
    int Insert(const QString& ATable, const QList<QPair<QString, Variant>>& AColumns);
    // Runs one statement (a list of lines) in the transaction.
    void Exec(const QStringList& ALines);
    // The first column of the first row of a select, as an integer; raises
    // naming the statement when there is no row.
    int Lookup(const QString& ASql);

private:
    int Code(const QString& ATable, const QString& AName);
    int UserId(const QString& ALogin);
    void WriteTblTree(int ATblId, const TDbTblNode* ANode);
    void WriteCtrl(int ACardId, const TDbCtrl* ACtrl);
    void WriteFilter(const TDbFilter& AFilter, int ATblId);
    void WriteFltrNode(int AFltrId, const TDbFltrNode* ANode);
    void WriteFormula(const TFld* AFld, const TFormulaItem* AItem);

    TIBDatabase* FDatabase;
    TIBTransaction* FTransaction;
    QHash<QString, std::shared_ptr<TIBSQL>> FStatements;
    QHash<QString, int> FCodes;
    QHash<QString, int> FUsers;
};
