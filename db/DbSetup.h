// Creation of Velmora databases: system tables, code tables, the catalogue
// that describes them, and (on request) the demo company.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

struct TDbSetupOptions {
    bool Demo = false;  // add the demo trading company
    int Large = 0;      // add one object with this many generated rows
    // The catalogue describing the system tables. Every database that ships
    // has it; only test fixtures that build small catalogues of their own
    // go without (system tables, code tables and the first user only).
    bool Catalogue = true;
};

// Creates a new database file at APath: the system tables and code tables
// (VelmoraSetupFiles), the catalogue describing itself, and with the options
// the demo trading company and the large list (VelmoraCatalogueFiles; their
// records from DbDemo.h). The finished catalogue is checked (DbCheck.h)
// before it is committed; a problem fails the set-up. Refuses (raises
// Exception) when the file exists; on any failure the half-made file is
// removed. ALog, when given, receives one line per step done.
void CreateVelmoraDatabase(const QString& APath, const TDbSetupOptions& AOptions,
                           const std::function<void(const QString&)>& ALog = {});

// The set-up files of every Velmora database, in the order they are applied
// (resource paths: the schema script, then the data files).
QStringList VelmoraSetupFiles();

// The catalogue descriptions (see DbCatalogue.h) applied after the set-up
// files: the system catalogue, then the demo company and the large list
// when asked for.
QStringList VelmoraCatalogueFiles(const TDbSetupOptions& AOptions);

// Creates a new database file at APath from set-up files, in order: a ".sql"
// file is run as a script (see DbScript.h), a ".json" file is loaded as data
// (see DbData.h, one loader for all, so later files may use earlier labels).
// Refuses an existing file without touching it. On any failure after the
// file was made, the file is removed and Exception raised with the server's
// message. ALog receives one line per step.
void CreateDatabaseFromFiles(const QString& APath, const QStringList& AFiles,
                             const std::function<void(const QString&)>& ALog = {});
