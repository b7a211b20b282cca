#include "archive/rollover.h"

#include "model/resultfields.h"
#include "platform/database.h"
#include "platform/errors.h"

namespace zv {

namespace {

QString quotedList(const QStringList& names, const QString& prefix = QString()) {
    QStringList quoted;
    quoted.reserve(names.size());
    for (const QString& n : names)
        quoted << prefix + QLatin1Char('"') + n + QLatin1Char('"');
    return quoted.join(QStringLiteral(", "));
}

// Detaches the daily database however the roll-over ends.
class Attached {
public:
    Attached(Connection& cn, const QString& path) : cn_(cn) {
        cn_.execute(QStringLiteral("ATTACH DATABASE ?1 AS daily"), {path});
    }
    ~Attached() {
        try {
            cn_.execute(QStringLiteral("DETACH DATABASE daily"));
        } catch (...) {
        }
    }

private:
    Connection& cn_;
};

}  // namespace

int64_t rollOverDaily(Connection& archive, const QString& dailyPath) {
    Attached attached(archive, dailyPath);
    Transaction tx(archive);
    const int64_t count = archive.scalar(QStringLiteral("SELECT count(*) FROM daily.datinumerici")).toLongLong();
    const QStringList& fields = rollOverFields();
    // The results view's insert trigger adds the five rows of each result and
    // takes the archive's next ID1, one result at a time in the SELECT's order.
    // The daily tables are joined here rather than through the daily file's own
    // view, so nothing depends on how an attached view resolves its names.
    QString from = QStringLiteral("daily.datinumerici AS d");
    for (HistogramKind kind : kHistogramKinds) {
        const QString table = histogramTable(kind);
        from += QStringLiteral(" LEFT JOIN daily.\"%1\" AS \"%1\" ON \"%1\".ID1 = d.ID1").arg(table);
    }
    archive.execute(QStringLiteral("INSERT INTO main.datiQgrafici (%1) SELECT %1 FROM %2 ORDER BY d.ID1")
                        .arg(quotedList(fields), from));
    for (const QString& table : resultTables())
        archive.execute(QStringLiteral("DELETE FROM daily.\"%1\"").arg(table));
    tx.commit();
    return count;
}

}  // namespace zv
