#pragma once
// The archive browser's counting and the selections it hands the transfer:
// results counted by two-digit year, by month and by day of their "dd/mm/yy"
// date, and the condition that picks a year, a month, a day or one result.
// Counts and keys are 64-bit, so a year of any size browses.
#include <QString>

#include <cstdint>
#include <vector>

#include "model/resultselection.h"

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

enum class BrowseLevel { Year, Month, Day, Record };

// What a list is counted from: the date counts the file keeps, or the
// results themselves, for a file without them (one that could not be
// written when it was opened, or any results file browsed as it is).
enum class DateSource { KeptCounts, Results };
DateSource dateSourceOf(Connection& cn);

// The grouped query a list is counted with, its groups named "k" and their
// counts "n": the years (Year, `key` unused), the months of year "yy"
// (Month), the days of month "mm/yy" (Day).
struct CountQuery {
    QString sql;
    QVariantList params;
};
CountQuery countQuery(BrowseLevel level, const QString& key, DateSource source);

// The years from `first` to `last` (two-digit, both included) that hold
// results, in ascending order; none when `first` is the greater.
std::vector<PeriodCount> countYears(Connection& cn, int first, int last);
// The months of year "yy" that hold results, January first; keys "mm/yy".
std::vector<PeriodCount> countMonths(Connection& cn, const QString& yy);
// The days 01 to 31 of month "mm/yy" that hold results; keys "dd/mm/yy".
std::vector<PeriodCount> countDays(Connection& cn, const QString& mmyy);

// The selection of one line of a browsing list: a year "yy", a month "mm/yy",
// a day "dd/mm/yy" (with the program's LIKE, as the counts see them), or the
// result with ID1 `key`.
Selection selectionOf(BrowseLevel level, const QString& key);

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
