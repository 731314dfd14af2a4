// Records of the demo trading company and of the large list. The tables are
// made from demo.json and large.json; the records are generated here,
// always the same (a fixed pseudo-random sequence), so the demo database is
// reproducible and tests can count on it.
#pragma once

#include <QString>
#include <functional>

class TDbCatalogueWriter;
class TIBDatabase;
class TIBTransaction;

// Currencies with monthly rates, clients, products, deals with their product
// lines, payments distributed over the lines, shipments of the lines. The
// summing fields (paid and shipped amounts, deal totals, payment sums) are
// filled by the database's triggers as the share rows go in, never written.
// Runs in the writer's transaction; the caller commits.
void FillDemoRecords(TDbCatalogueWriter& AWriter, const std::function<void(const QString&)>& ALog = {});

// ACount rows of the large list (BIGLIST), numbered 1 to ACount, keys from
// its sequence. Runs in ATransaction; the caller commits.
void FillLargeList(TIBDatabase* ADatabase, TIBTransaction* ATransaction, int ACount,
                   const std::function<void(const QString&)>& ALog = {});
