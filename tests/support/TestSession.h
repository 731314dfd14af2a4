// A logged-in-like session on a fresh database: the process connection and
// transaction open on a copy of the template, ready for SQL fixtures.
#pragma once

#include "QtPrint.h"
#include "TestDb.h"
#include "app/func.h"

#include <QString>
#include <QStringList>

class TTestSession {
public:
    // Without options a bare database (kBareDatabase, TestDb.h);
    // TTestSession({.Demo = true}) gives the shipped catalogue with the demo company.
    explicit TTestSession(const TDbSetupOptions& AOptions = kBareDatabase);
    ~TTestSession();  // frees the catalogue and disconnects

    QString DatabasePath;

    // Runs one statement in the session transaction.
    void Exec(const QString& ASql);
    // First column of the first row of a select (Null when no row).
    Variant Value(const QString& ASql);
};

// Ids of code-table rows by name, read from the session database.
int FldTypeId(const QString& AName);
int FKRuleId(const QString& AName);
int FrmlFuncId(const QString& AName);
