#pragma once
// Archived results for the archive tests: complete records with every field
// filled, and whole rows read back for comparison.
#include <QMap>
#include <QString>
#include <QVariant>

#include <cstdint>

#include "model/result.h"

namespace zv {
class Connection;
}

namespace zv::test {

// A result of `date` ("dd/mm/yy") with every field filled, the patient's sex,
// birth date, note and band count included.
ResultRecord archivedResult(const QString& date, const QString& specId, const QString& specName = QString());
int64_t archive(Connection& cn, const QString& date, const QString& specId, const QString& specName = QString());
// Adds `count` results of `date` in one transaction, fast (no channels).
void archiveMany(Connection& cn, const QString& date, int64_t count);
// Every column of the record source but ID1, of the result `id1`.
QMap<QString, QVariant> wholeRow(Connection& cn, int64_t id1);
// The ID1 of every result, ascending.
QList<int64_t> idsOf(Connection& cn);

}  // namespace zv::test
