#pragma once
// Which results a list shows: a condition on the record source with its bound
// values (one day, one result), and the date index the day lookup reads. The
// viewer, the worksheet list, the batch report and the archive browser pick
// their results so.
#include <QLatin1String>
#include <QString>
#include <QVariantList>

#include <cstdint>

namespace zv {

class Connection;

// The index the day lookups and the counts read: every date in byte order.
// Byte order, not NOCASE, whose comparison this program replaces: an index
// in the replaced order would be out of order for any other SQLite client.
inline constexpr QLatin1String kDateIndex{"datinumerici_date"};

// Makes the date index of an archive when it has none (a file of an earlier
// version, or made from the template), in one statement; a file that has it
// is only read. Fails as the statement fails (a file that cannot be written).
void ensureDateIndex(Connection& cn);

// The table of results per date the archive manager's lists read: one row
// per date that some result holds (NULL dates left out), with its count, kept
// by triggers on the result table in the same file, so every path that adds,
// removes or re-dates a result keeps it, whichever program writes.
inline constexpr QLatin1String kDateCounts{"datinumerici_dates"};

// Makes the date counts of a file that has none, from its rows, with their
// triggers, in one transaction (the date index first, which the filling
// reads); a file that has them is only read. Fails as the statements fail
// (a file that cannot be written), leaving the file as it was.
void ensureDateCounts(Connection& cn);
// Whether the file holds the date counts (and so their triggers).
bool hasDateCounts(Connection& cn);

// A condition on the record source with its bound values: never built from
// the keys' text, so no key can change the SQL.
struct Selection {
    QString where;
    QVariantList params;
    bool operator==(const Selection&) const = default;
};

// The results whose date the program's LIKE matches with `day`: looked up in
// the date index where no other text could match (no wildcard, no letter,
// whose case would let other texts match), read whole otherwise.
Selection daySelection(const QString& day);
Selection recordSelection(int64_t id1);

// "select * from datiQgrafici where ... order by ID1" of a selection.
QString selectionQuery(const Selection& selection);

}  // namespace zv
