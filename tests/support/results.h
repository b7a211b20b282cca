#pragma once
// Test results written through the record source, as the receiver writes them.
#include <QString>

#include <cstdint>

namespace zv {
class Connection;
}

namespace zv::test {

// Adds one complete result (all 212 channels "047") and returns its ID1.
int64_t addTestResult(Connection& cn, const QString& specId, const QString& specName, double wbc = 7.46);
// Number of results in a results database.
int64_t rowCountOf(Connection& cn);
// Number of rows in one table of a results database.
int64_t rowCount(Connection& cn, const QString& table);

}  // namespace zv::test
