#pragma once
// The archive browser's counting and the selections it hands the transfer:
// results counted by two-digit year, by month and by day of their "dd/mm/yy"
// date, and the condition that picks a year, a month, a day or one result.
// Counts and keys are 64-bit, so a year of any size browses.
#include <QLatin1String>
#include <QString>
#include <QVariantList>

#include <cstdint>
#include <vector>

namespace zv {

class Connection;

// One line of a browsing list: its key ("yy", "mm/yy" or "dd/mm/yy") and how
// many results it holds.
struct PeriodCount {
    QString key;
    int64_t count = 0;
    bool operator==(const PeriodCount&) const = default;
};

// "05" for 5, "26" for 26.
QString twoDigitYear(int year);

// The first year of the archive as general.ini [database] start writes it
// ("5", "05", "26"). Text that is not a whole number fails with error 13, a
// number outside 0..99 with error 6.
int archiveStartYear(const QString& text);

// The index the day lookups and the counts read: every date in byte order.
// Byte order, not NOCASE, whose comparison this program replaces: an index
// in the replaced order would be out of order for any other SQLite client.
inline constexpr QLatin1String kDateIndex{"datinumerici_date"};

// Makes the date index of an archive when it has none (a file of an earlier
// version, or made from the template), in one statement; a file that has it
// is only read. Fails as the statement fails (a file that cannot be written).
void ensureDateIndex(Connection& cn);

enum class BrowseLevel { Year, Month, Day, Record };

// The grouped query a list is counted with, its groups named "k" and their
// counts "n": the years (Year, `key` unused), the months of year "yy"
// (Month), the days of month "mm/yy" (Day).
struct CountQuery {
    QString sql;
    QVariantList params;
};
CountQuery countQuery(BrowseLevel level, const QString& key);

// The years from `first` to `last` (two-digit, both included) that hold
// results, in ascending order; none when `first` is the greater.
std::vector<PeriodCount> countYears(Connection& cn, int first, int last);
// The months of year "yy" that hold results, January first; keys "mm/yy".
std::vector<PeriodCount> countMonths(Connection& cn, const QString& yy);
// The days 01 to 31 of month "mm/yy" that hold results; keys "dd/mm/yy".
std::vector<PeriodCount> countDays(Connection& cn, const QString& mmyy);

// A condition on the record source with its bound values: never built from
// the keys' text, so no key can change the SQL.
struct Selection {
    QString where;
    QVariantList params;
    bool operator==(const Selection&) const = default;
};

// The selection of one line of a browsing list: a year "yy", a month "mm/yy",
// a day "dd/mm/yy" (with the program's LIKE, as the counts see them), or the
// result with ID1 `key`.
Selection selectionOf(BrowseLevel level, const QString& key);
// The results whose date the program's LIKE matches with `day`: looked up in
// the date index where no other text could match (no wildcard, no letter,
// whose case would let other texts match), read whole otherwise.
Selection daySelection(const QString& day);
Selection recordSelection(int64_t id1);

// "select * from datiQgrafici where ... order by ID1" of a selection.
QString selectionQuery(const Selection& selection);

// Number of files lying directly in `folder` (subfolders not counted); -1 when
// the folder cannot be read.
int64_t fileCount(const QString& folder);
// Bytes of every file in `path` and its subfolders at any depth, or of the
// file `path`; 0 when missing.
int64_t diskSize(const QString& path);
// "( 0.96 KB )": Byte up to 1000, KB (of 1048 bytes) up to 1000000, then MB,
// rounded half to even to two decimals, in the regional decimal mark.
QString sizeCaption(int64_t bytes, QChar decimal);

}  // namespace zv
