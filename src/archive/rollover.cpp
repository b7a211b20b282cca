#include "archive/rollover.h"

#include "archive/archivebrowse.h"
#include "model/resultfields.h"
#include "platform/database.h"
#include "platform/errors.h"

namespace zv {

namespace {

QString quoted(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

// The key the results view's insert trigger would give next: past every key
// the archive has ever used.
const QString kNextAfter = QStringLiteral(
    "max(coalesce((SELECT max(ID1) FROM main.datinumerici), 0),"
    " coalesce((SELECT seq FROM main.sqlite_sequence WHERE name = 'datinumerici'), 0))");

// Where each daily result's archive key comes from, as `k.archive` beside its
// daily key `k.ID1`: the archive numbers the day's results on from its last
// key in ID1 order. A day with no gap in its keys (the usual day) is that order
// shifted by one offset, read straight from the table; a day with a gap
// numbers its keys with a window over the keys alone, never over the wide
// rows, which would copy every row once more. Either way the roll-over writes
// no table of its own and changes no schema.
enum class Keys { Shifted, Numbered };

QString keySource(Keys keys) {
    return keys == Keys::Shifted
               ? QStringLiteral("(SELECT ID1, ID1 + ?1 AS archive FROM daily.datinumerici) AS k")
               : QStringLiteral(
                     "(SELECT ID1, ?1 + row_number() OVER (ORDER BY ID1) AS archive FROM daily.datinumerici) AS k");
}

// The copies into the archive's five tables, results first; ?1 is the offset
// or the last key. Made once: they are as long as the tables are wide.
QStringList makeCopies(Keys keys) {
    // The values as they are: a value the result never had stays NULL.
    QString columns = QStringLiteral("ID1");
    QString values = QStringLiteral("k.archive");
    for (const QString& field : resultValueFields()) {
        columns += QStringLiteral(", ") + quoted(field);
        values += QStringLiteral(", d.") + quoted(field);
    }
    QStringList copies{QStringLiteral("INSERT INTO main.datinumerici (") + columns + QStringLiteral(") SELECT ") +
                       values + QStringLiteral(" FROM ") + keySource(keys) +
                       QStringLiteral(" JOIN daily.datinumerici AS d ON d.ID1 = k.ID1")};
    // Every result gets its four histogram rows, empty where the daily
    // database has none, as through the view.
    for (HistogramKind kind : kHistogramKinds) {
        const QString table = quoted(histogramTable(kind));
        QString channelColumns = QStringLiteral("ID1");
        QString channelValues = QStringLiteral("k.archive");
        for (const QString& channel : histogramChannels()) {
            const QString field = quoted(channelField(kind, channel));
            channelColumns += QStringLiteral(", ") + field;
            channelValues += QStringLiteral(", h.") + field;
        }
        copies << QStringLiteral("INSERT INTO main.") + table + QStringLiteral(" (") + channelColumns +
                      QStringLiteral(") SELECT ") + channelValues + QStringLiteral(" FROM ") + keySource(keys) +
                      QStringLiteral(" LEFT JOIN daily.") + table + QStringLiteral(" AS h ON h.ID1 = k.ID1");
    }
    return copies;
}

const QStringList& copies(Keys keys) {
    static const QStringList shifted = makeCopies(Keys::Shifted);
    static const QStringList numbered = makeCopies(Keys::Numbered);
    return keys == Keys::Shifted ? shifted : numbered;
}

}  // namespace

int64_t rollOverDaily(Connection& archive, const QString& dailyPath) {
    const Attachment daily(archive, dailyPath, QStringLiteral("daily"));
    Transaction tx(archive);
    ensureDateIndex(archive);
    Keys keys = Keys::Shifted;
    QVariant bound = archive.scalar(QStringLiteral("SELECT CASE WHEN max(ID1) - min(ID1) + 1 = count(*) THEN ") +
                                    kNextAfter + QStringLiteral(" + 1 - min(ID1) END FROM daily.datinumerici"));
    if (!bound.isValid() || bound.isNull()) {
        keys = Keys::Numbered;
        bound = archive.scalar(QStringLiteral("SELECT ") + kNextAfter);
    }
    const QStringList& statements = copies(keys);
    // The first copy moves the results themselves: its row count is the day's.
    const int64_t count = archive.execute(statements.first(), {bound});
    for (qsizetype i = 1; i < statements.size(); ++i)
        archive.execute(statements[i], {bound});
    for (const QString& table : resultTables())
        archive.execute(QStringLiteral("DELETE FROM daily.") + quoted(table), QVariantList());
    tx.commit();
    return count;
}

}  // namespace zv
