#pragma once
#include <QString>

#include <cstdint>

namespace zv {

class Connection;

// Appends every result of the daily database at `dailyPath` to the archive
// open on `archive`, in ID1 order (the archive gives each its own ID1), and
// empties the daily database's five tables. Both files change in one
// transaction: a failure leaves both as they were, so a retry never
// duplicates rows. Returns the number of results moved.
int64_t rollOverDaily(Connection& archive, const QString& dailyPath);

}  // namespace zv
