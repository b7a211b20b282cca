#pragma once
// Test results written through the record source, as the receiver writes them.
#include <QByteArray>
#include <QString>

#include <cstdint>

namespace zv {
class Connection;
}

namespace zv::test {

// Adds one complete result (all 212 channels "047") and returns its ID1.
int64_t addTestResult(Connection& cn, const QString& specId, const QString& specName, double wbc = 7.46);
// Adds `count` complete results (every channel filled) in one transaction,
// by one statement: fast enough for thousands.
void addManyResults(Connection& cn, int64_t count);
// Number of results in a results database.
int64_t rowCountOf(Connection& cn);
// Number of rows in one table of a results database.
int64_t rowCount(Connection& cn, const QString& table);

// Overwrites the page in the middle of a database file with garbage, as a
// failing disk or a torn write leaves it.
void damageMiddlePage(const QString& path);
// An archive of `count` results, compacted (through `scratch`) and backed up
// whole to `backUp`, then damaged in place: the back-up is its last good copy.
// Returns the back-up's bytes.
QByteArray damagedAfterAGoodBackUp(const QString& archive, const QString& backUp, const QString& scratch,
                                   int64_t count);
// SQLite's integrity check of a database file: "ok", or its first complaint
// (or the error that stopped it).
QString integrityOf(const QString& path);

}  // namespace zv::test
