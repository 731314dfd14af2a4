// Creation of Velmora databases: system tables, code tables, the catalogue
// that describes them, and (on request) the demo company.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

struct TDbSetupOptions {
    bool Demo = false;  // add the demo trading company
    int Large = 0;      // add one object with this many generated rows
};

// Creates a new database file at APath. Refuses (raises Exception) when the
// file exists. ALog, when given, receives one line per step done.
void CreateVelmoraDatabase(const QString& APath, const TDbSetupOptions& AOptions,
                           const std::function<void(const QString&)>& ALog = {});

// The set-up files of every Velmora database, in the order they are applied
// (resource paths: the schema script, then the data files).
QStringList VelmoraSetupFiles();

// Creates a new database file at APath from set-up files, in order: a ".sql"
// file is run as a script (see DbScript.h), a ".json" file is loaded as data
// (see DbData.h, one loader for all, so later files may use earlier labels).
// Refuses an existing file without touching it. On any failure after the
// file was made, the file is removed and Exception raised with the server's
// message. ALog receives one line per step.
void CreateDatabaseFromFiles(const QString& APath, const QStringList& AFiles,
                             const std::function<void(const QString&)>& ALog = {});
