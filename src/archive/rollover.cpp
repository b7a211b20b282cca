#include "archive/rollover.h"

#include "model/resultfields.h"
#include "platform/database.h"
#include "platform/errors.h"

namespace zv {

namespace {

QString quoted(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

// Attaches the daily database, as durable as every connection, and detaches
// it however the roll-over ends.
class Attached {
public:
    Attached(Connection& cn, const QString& path) : cn_(cn) {
        cn_.execute(QStringLiteral("ATTACH DATABASE ?1 AS daily"), {path});
        try {
            cn_.execute(QStringLiteral("PRAGMA daily.synchronous=EXTRA"), QVariantList());
        } catch (...) {
            detach();
            throw;
        }
    }
    ~Attached() { detach(); }

private:
    void detach() noexcept {
        try {
            cn_.execute(QStringLiteral("DETACH DATABASE daily"));
        } catch (...) {
        }
    }

    Connection& cn_;
};

// The key map: each daily ID1 beside the archive key it becomes, in ID1
// order after ?1, the archive's last key.
const QString kKeyMap = QStringLiteral(
    "WITH keymap(daily, archive) AS (SELECT ID1, ?1 + row_number() OVER (ORDER BY ID1) FROM daily.datinumerici) ");

}  // namespace

int64_t rollOverDaily(Connection& archive, const QString& dailyPath) {
    Attached attached(archive, dailyPath);
    Transaction tx(archive);
    const int64_t count = archive.scalar(QStringLiteral("SELECT count(*) FROM daily.datinumerici")).toLongLong();
    // The key the results view's insert trigger would give next: past every
    // key the archive has ever used.
    const QVariant last = archive.scalar(
        QStringLiteral("SELECT max(coalesce((SELECT max(ID1) FROM main.datinumerici), 0),"
                       " coalesce((SELECT seq FROM main.sqlite_sequence WHERE name = 'datinumerici'), 0))"));

    // The values as the view's insert trigger stores them: no band or
    // reticulocyte value reads as 0.
    QString columns = QStringLiteral("ID1");
    QString values = QStringLiteral("keymap.archive");
    QStringList valueFields = resultValueFields();
    valueFields << QStringLiteral("bandati");
    for (const QString& field : valueFields) {
        columns += QStringLiteral(", ") + quoted(field);
        const QString value = QStringLiteral("d.") + quoted(field);
        const bool zeroWhenEmpty = field == QLatin1String("ret%") || field == QLatin1String("bandati");
        values += QStringLiteral(", ") +
                  (zeroWhenEmpty ? QStringLiteral("coalesce(") + value + QStringLiteral(", 0)") : value);
    }
    archive.execute(kKeyMap + QStringLiteral("INSERT INTO main.datinumerici (") + columns +
                        QStringLiteral(") SELECT ") + values +
                        QStringLiteral(" FROM keymap JOIN daily.datinumerici AS d ON d.ID1 = keymap.daily"
                                       " ORDER BY keymap.daily"),
                    {last});
    // Every result gets its four histogram rows, empty where the daily
    // database has none, as through the view.
    for (HistogramKind kind : kHistogramKinds) {
        const QString table = quoted(histogramTable(kind));
        QString channelColumns = QStringLiteral("ID1");
        QString channelValues = QStringLiteral("keymap.archive");
        for (const QString& channel : histogramChannels()) {
            const QString field = quoted(channelField(kind, channel));
            channelColumns += QStringLiteral(", ") + field;
            channelValues += QStringLiteral(", h.") + field;
        }
        archive.execute(kKeyMap + QStringLiteral("INSERT INTO main.") + table + QStringLiteral(" (") + channelColumns +
                            QStringLiteral(") SELECT ") + channelValues +
                            QStringLiteral(" FROM keymap LEFT JOIN daily.") + table +
                            QStringLiteral(" AS h ON h.ID1 = keymap.daily ORDER BY keymap.daily"),
                        {last});
    }
    for (const QString& table : resultTables())
        archive.execute(QStringLiteral("DELETE FROM daily.") + quoted(table), QVariantList());
    tx.commit();
    return count;
}

}  // namespace zv
