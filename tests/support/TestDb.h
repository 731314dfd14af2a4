// Fresh databases for tests, made by the project's own set-up code. A
// template is created once per test process and copied for every request.
#pragma once

#include "DbSetup.h"

#include <QString>

// Directory for this process's scratch files (removed at process exit).
QString TestTmpDir();
// Options of the databases tests get when they ask for none: the system
// tables, code tables and the user tormel, without the catalogue describing
// itself, so that fixtures can build small catalogues of their own.
inline const TDbSetupOptions kBareDatabase{.Catalogue = false};

// A new database file (copy of a per-process template made with AOptions).
// {.Demo = true} gives the shipped catalogue with the demo company,
// {.Large = N} the large list; {} alone the shipped catalogue.
QString FreshDatabase(const TDbSetupOptions& AOptions = kBareDatabase);
// Writes client.ini for ADatabasePath into a scratch directory and points
// ClientIniDir at it; answers the directory.
QString WriteClientIni(const QString& ADatabasePath, const QString& AExtraLines = {});
