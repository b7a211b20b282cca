#include "archive/rollover.h"

#include "archive/archivebrowse.h"
#include "model/resultfields.h"
#include "platform/database.h"
#include "platform/errors.h"

namespace zv {

namespace {

QString quoted(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

// The key map: each daily ID1 beside the archive key it becomes, in ID1
// order after the archive's last key (?1). Made inside each copy that needs
// it, so the roll-over writes no table of its own and changes no schema; it
// comes out in ID1 order, so the copies need no sort of their wide rows (the
// keys are given, so the order only spares the B-tree page splits).
QString archiveKey(const QString& table) {
    return QStringLiteral("?1 + row_number() OVER (ORDER BY %1.ID1)").arg(table);
}
const QString kKeyMap = QStringLiteral("(SELECT ID1 AS daily, ") + archiveKey(QStringLiteral("datinumerici")) +
                        QStringLiteral(" AS archive FROM daily.datinumerici) AS k");

}  // namespace

int64_t rollOverDaily(Connection& archive, const QString& dailyPath) {
    const Attachment daily(archive, dailyPath, QStringLiteral("daily"));
    Transaction tx(archive);
    ensureDateIndex(archive);
    const int64_t count = archive.scalar(QStringLiteral("SELECT count(*) FROM daily.datinumerici")).toLongLong();
    // The key the results view's insert trigger would give next: past every
    // key the archive has ever used.
    const QVariant last = archive.scalar(
        QStringLiteral("SELECT max(coalesce((SELECT max(ID1) FROM main.datinumerici), 0),"
                       " coalesce((SELECT seq FROM main.sqlite_sequence WHERE name = 'datinumerici'), 0))"));

    // The values as they are: a value the result never had stays NULL.
    QString columns = QStringLiteral("ID1");
    QString values = archiveKey(QStringLiteral("d"));
    for (const QString& field : resultValueFields()) {
        columns += QStringLiteral(", ") + quoted(field);
        values += QStringLiteral(", d.") + quoted(field);
    }
    archive.execute(QStringLiteral("INSERT INTO main.datinumerici (") + columns + QStringLiteral(") SELECT ") + values +
                        QStringLiteral(" FROM daily.datinumerici AS d"),
                    {last});
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
        archive.execute(QStringLiteral("INSERT INTO main.") + table + QStringLiteral(" (") + channelColumns +
                            QStringLiteral(") SELECT ") + channelValues + QStringLiteral(" FROM ") + kKeyMap +
                            QStringLiteral(" LEFT JOIN daily.") + table + QStringLiteral(" AS h ON h.ID1 = k.daily"),
                        {last});
    }
    for (const QString& table : resultTables())
        archive.execute(QStringLiteral("DELETE FROM daily.") + quoted(table), QVariantList());
    tx.commit();
    return count;
}

}  // namespace zv
