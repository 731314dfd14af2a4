// Fresh databases for tests, made by the project's own set-up code. A
// template is created once per test process and copied for every request.
#pragma once

#include "DbSetup.h"

#include <QString>

// Directory for this process's scratch files (removed at process exit).
QString TestTmpDir();
// A new database file (copy of a per-process template made with AOptions).
QString FreshDatabase(const TDbSetupOptions& AOptions = {});
// Writes client.ini for ADatabasePath into a scratch directory and points
// ClientIniDir at it; answers the directory.
QString WriteClientIni(const QString& ADatabasePath, const QString& AExtraLines = {});
