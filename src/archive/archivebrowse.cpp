#include "archive/archivebrowse.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <map>

#include "platform/connection.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/recordset.h"

namespace zv {

namespace {

QString twoDigits(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

// Results counted per group of one query; the query names its group "k".
std::map<QString, int64_t> groupCounts(Connection& cn, const QString& sql, const QVariantList& params) {
    Recordset rs(cn, sql, params);
    std::map<QString, int64_t> counts;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        counts[rs.field(QStringLiteral("k")).toString()] = rs.field(QStringLiteral("n")).toLongLong();
    return counts;
}

}  // namespace

QString twoDigitYear(int year) { return twoDigits(year); }

int archiveStartYear(const QString& text) {
    const int16_t year = toInt16(text.trimmed());
    if (year < 0 || year > 99)
        throw AppError(err::Overflow, QStringLiteral("The first archive year %1 is not a two-digit year.").arg(text));
    return year;
}

// Each level counts with one grouped query over the dates, each date counted
// once: the same results a LIKE pattern per period would find ("%/%/yy",
// "%/mm/yy", "dd/mm/yy" match a date that ends so), read in one pass instead
// of one pass per candidate period. The period's conditions are those on
// every date, met by its distinct dates alike. A file that keeps its date
// counts is read from them (a few thousand rows however large the archive);
// any other from its dates, in the date index where it has one.
namespace {
// "LIMIT -1" keeps SQLite from pushing a period's conditions down into the
// grouping, where they would run once per result instead of once per date.
QString dateCounts(DateSource source) {
    if (source == DateSource::KeptCounts)
        return QStringLiteral("(SELECT date, n FROM \"%1\")").arg(kDateCounts);
    return QStringLiteral("(SELECT date, count(*) AS n FROM datinumerici GROUP BY date COLLATE BINARY LIMIT -1)");
}
}  // namespace

DateSource dateSourceOf(Connection& cn) { return hasDateCounts(cn) ? DateSource::KeptCounts : DateSource::Results; }

CountQuery countQuery(BrowseLevel level, const QString& key, DateSource source) {
    const QString counts = dateCounts(source);
    switch (level) {
    case BrowseLevel::Year:
        return {QStringLiteral("SELECT substr(date, -2) AS k, sum(n) AS n FROM ") + counts +
                    QStringLiteral(" WHERE substr(date, -3, 1) = '/' AND "
                                   "instr(substr(date, 1, length(date) - 3), '/') > 0 GROUP BY k"),
                {}};
    case BrowseLevel::Month:
        return {QStringLiteral("SELECT substr(date, -5, 2) AS k, sum(n) AS n FROM ") + counts +
                    QStringLiteral(" WHERE length(date) >= 6 AND substr(date, -6, 1) = '/' "
                                   "AND substr(date, -3) = '/' || ?1 GROUP BY k"),
                {key}};
    case BrowseLevel::Day:
    case BrowseLevel::Record: break;
    }
    return {QStringLiteral("SELECT substr(date, 1, 2) AS k, sum(n) AS n FROM ") + counts +
                QStringLiteral(" WHERE length(date) = 8 AND substr(date, 3) = '/' || ?1 GROUP BY k"),
            {key}};
}

namespace {

// The lines of a list: the periods `first` to `last` that hold results, by
// their two digits, each under the key `keyOf` makes of them.
template <class KeyOf>
std::vector<PeriodCount> periods(Connection& cn, const CountQuery& query, int first, int last, KeyOf keyOf) {
    const auto counts = groupCounts(cn, query.sql, query.params);
    std::vector<PeriodCount> lines;
    for (int n = first; n <= last; ++n) {
        const auto it = counts.find(twoDigits(n));
        if (it != counts.end() && it->second > 0)
            lines.push_back({keyOf(it->first), it->second});
    }
    return lines;
}

}  // namespace

std::vector<PeriodCount> countYears(Connection& cn, int first, int last) {
    if (first > last)
        return {};
    return periods(cn, countQuery(BrowseLevel::Year, {}, dateSourceOf(cn)), first, last,
                   [](const QString& yy) { return yy; });
}

std::vector<PeriodCount> countMonths(Connection& cn, const QString& yy) {
    return periods(cn, countQuery(BrowseLevel::Month, yy, dateSourceOf(cn)), 1, 12,
                   [&](const QString& mm) { return mm + QLatin1Char('/') + yy; });
}

std::vector<PeriodCount> countDays(Connection& cn, const QString& mmyy) {
    return periods(cn, countQuery(BrowseLevel::Day, mmyy, dateSourceOf(cn)), 1, 31,
                   [&](const QString& dd) { return dd + QLatin1Char('/') + mmyy; });
}

Selection selectionOf(BrowseLevel level, const QString& key) {
    switch (level) {
    case BrowseLevel::Year: return {QStringLiteral("date like ?1"), {QStringLiteral("%/%/") + key}};
    case BrowseLevel::Month: return {QStringLiteral("date like ?1"), {QStringLiteral("%/") + key}};
    case BrowseLevel::Day: return daySelection(key);
    case BrowseLevel::Record: return recordSelection(toInt64(key));
    }
    return {};
}

int64_t fileCount(const QString& folder) {
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists() || !dir.isReadable())
        return -1;
    return dir.entryList(QDir::Files | QDir::Hidden | QDir::System).size();
}

int64_t diskSize(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return 0;
    if (!info.isDir())
        return info.size();
    int64_t total = 0;
    QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

QString sizeCaption(int64_t bytes, QChar decimal) {
    QString unit = QStringLiteral("Byte");
    double divisor = 1;
    if (bytes > 1000000) {
        unit = QStringLiteral("MB");
        divisor = 1048576;
    } else if (bytes > 1000) {
        unit = QStringLiteral("KB");
        divisor = 1048;  // as the program always showed it
    }
    const double shown = roundHalfEven(static_cast<double>(bytes) / divisor, 2);
    return QStringLiteral("( %1 %2 )").arg(numberText(shown, decimal), unit);
}

}  // namespace zv
