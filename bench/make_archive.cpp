// make_archive <file> <results>: a full-width archive for the benchmarks, in
// minutes where storing every result through the program takes hours.
//
// A few hundred results are stored through the program's own store, each as
// the receiver makes it from an analyser's blocks (data block decoded, four
// histogram blocks cut into their channels) with the patient's typed fields
// filled; raw SQLite then copies them, in one transaction per table, to
// results 1 .. <results>, giving each its own key, sample number, sequence
// number and date. Dates run day after day up to 30 November 2026, 200 a day
// (more a day where 200 would reach back past 2007, as the program's two-digit
// years allow). One result in a hundred is ROSSI MARIO; no other name holds
// "rossi". The date index and the counts of results by date are made as the
// program's open makes them, and the file is compacted as a start-up compacts
// it, so a start finds nothing to do.
// Last, the file must pass the program's checks of an archive and read back
// like the stored results.
#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdio>

#include "archive/archivebrowse.h"
#include "common.h"
#include "link/decoder.h"
#include "link/histogram.h"
#include "model/result.h"
#include "model/resultselection.h"
#include "platform/dbfiles.h"
#include "platform/errors.h"
#include "platform/recordset.h"
#include "support/transmission.h"

namespace {

using namespace zvbench;

constexpr int kTemplates = 200;  // two of them ROSSI MARIO: one in a hundred
constexpr int kMaxDays = 7300;
const QDate kLastDay(2026, 11, 30);

const char* const kSurnames[] = {"BIANCHI", "VERDI",    "FERRARI", "ESPOSITO", "ROMANO",  "COLOMBO", "RICCI",
                                 "MARINO",  "GRECO",    "BRUNO",   "GALLO",    "CONTI",   "DE LUCA", "MANCINI",
                                 "COSTA",   "GIORDANO", "RIZZO",   "LOMBARDI", "MORETTI", "BARBIERI"};
const char* const kFirstNames[] = {"MARIO", "ANNA",  "LUCA",   "GIULIA", "PAOLO", "SARA",  "MARCO",
                                   "ELENA", "LUIGI", "CHIARA", "ANDREA", "MARTA", "PIETRO"};

QString number(double v, int decimals, int width) {
    return QStringLiteral("%1").arg(v, width, 'f', decimals, QLatin1Char(' '));
}

// Template t as the analyser sends it: a normal sample, its values spread
// around the normal ones, its curves scaled.
zv::ResultRecord receivedResult(int t) {
    constexpr auto model = zv::InstrumentModel::CD3500;
    zv::test::SampleValues s = zv::test::normalSample(model);
    const double f = 0.7 + 0.6 * ((t * 37) % 101) / 100.0;  // 0.7 .. 1.3
    s.seq = QStringLiteral("%1").arg(t + 1, 4, 10, QLatin1Char('0'));
    s.specId = QStringLiteral("S%1").arg(t + 1);
    s.specName =
        t % 100 == 99
            ? QStringLiteral("ROSSI MARIO")
            : (QLatin1String(kSurnames[t % 20]) + QLatin1Char(' ') + QLatin1String(kFirstNames[(t / 20 + t) % 13]))
                  .left(16);
    s.wbc = number(7.456 * f, 3, 5);
    s.rbc = number(4.523 * (0.9 + 0.2 * f / 1.3), 3, 5);
    s.hgb = number(13.57 * (0.85 + 0.3 * f / 1.3), 2, 5);
    s.mcv = number(89.6 * (0.9 + 0.1 * f), 1, 5);
    s.rdw = number(13.2 * f, 1, 5);
    s.plt = number(254.3 * f, 1, 5);
    s.mpv = number(8.47 * (0.9 + 0.1 * f), 2, 5);
    s.pdw = number(16.1 * (0.9 + 0.1 * f), 1, 5);
    s.neu = number(58.3 * (0.8 + 0.2 * f), 2, 5);
    s.lym = number(30.1 * (1.1 - 0.1 * f), 2, 5);
    s.mono = number(7.2 * f, 2, 5);
    s.eos = number(3.4 * f, 2, 5);
    s.baso = number(1.0 * f, 2, 5);
    if (t % 7 == 3)
        s.flags[0] = QStringLiteral("1");
    if (t % 11 == 5)
        s.limits = QStringLiteral("1");
    using P = zv::ResultParameter;
    zv::ResultRecord r = zv::decodeDataBlock(zv::test::dataBlock(model, s), model,
                                             [](const QString&) { return zv::CalibrationFactors{}; });
    r.date = QStringLiteral("01/01/07");
    for (std::size_t k = 0; k < 4; ++k) {
        const zv::HistogramKind kind = zv::kHistogramKinds[k];
        std::array<int, 67> groups = zv::test::sampleGroups(kind);
        for (int& g : groups)
            g = std::min(999, int(std::lround(g * f)));
        zv::fillChannels(r.histograms[k], kind, zv::histogramElements(zv::test::histogramBlock(kind, groups)));
    }
    // What the viewer's patient fields and typed values add.
    r.sesso = t % 2 ? QStringLiteral("F") : QStringLiteral("M");
    r.DdN = QDate(1930 + t % 80, 1 + t % 12, 1 + t % 28).toString(QStringLiteral("dd/MM/yyyy"));
    r.note = t % 3 ? QStringLiteral("ambulatorio") : QStringLiteral("reparto medicina, controllo");
    r.value(P::ret) = 1.0 + (t % 10) / 10.0;
    r.value(P::bandati) = 2.0 + t % 5;
    return r;
}

QStringList columnsOf(sqlite3* db, const QString& table) {
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, QStringLiteral("SELECT * FROM \"%1\" LIMIT 0").arg(table).toUtf8().constData(), -1,
                             &st, nullptr),
          db);
    QStringList columns;
    for (int c = 0; c < sqlite3_column_count(st); ++c)
        columns << QString::fromUtf8(sqlite3_column_name(st, c));
    sqlite3_finalize(st);
    return columns;
}

void exec(sqlite3* db, const QString& sql) {
    check(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), db);
}

void fail(const char* what) {
    std::fprintf(stderr, "make_archive: %s\n", what);
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        fail("usage: make_archive <file> <results>");
    const QString path = QString::fromLocal8Bit(argv[1]);
    const qint64 rows = QByteArray(argv[2]).toLongLong();
    if (rows < kTemplates)
        fail("at least 200 results");
    if (QFile::exists(path))
        fail("the file exists already");
    const QString templates = path + ".templates";
    const QString scratch = path + ".compacting";
    QFile::remove(templates);
    const qint64 perDay = std::max<qint64>(kResultsPerDay, (rows + kMaxDays - 1) / kMaxDays);
    const qint64 days = (rows + perDay - 1) / perDay;
    const QDate first = kLastDay.addDays(-(days - 1));
    QElapsedTimer clock;
    clock.start();

    try {
        zv::createDatabaseFromSql(templates, schemaText());
        {
            zv::Connection cn(templates);
            for (int t = 0; t < kTemplates; ++t)
                zv::addResult(cn, receivedResult(t));
        }
        zv::createDatabaseFromSql(path, schemaText());
        {
            sqlite3* db = nullptr;
            check(sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
            // Written once and compacted after: nothing here needs to survive a crash.
            exec(db, QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA cache_size=-262144"));
            exec(db, QStringLiteral("ATTACH DATABASE '%1' AS tpl").arg(QString(templates).replace('\'', "''")));
            exec(db, QStringLiteral("BEGIN"));
            const QString counter =
                QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) ")
                    .arg(rows);
            const QString join =
                QStringLiteral(" FROM n JOIN tpl.\"%2\" AS t ON t.ID1 = (n.i - 1) % %1 + 1").arg(kTemplates);
            for (const QString& table : zv::resultTables()) {
                QStringList columns = columnsOf(db, table), values;
                for (QString& c : columns) {
                    QString v = QStringLiteral("t.\"%1\"").arg(c);
                    if (c == QLatin1String("ID1"))
                        v = QStringLiteral("n.i");
                    else if (c == QLatin1String("seq"))
                        v = QStringLiteral("CAST((n.i - 1) % %1 + 1 AS TEXT)").arg(perDay);
                    else if (c == QLatin1String("specId"))
                        v = QStringLiteral("'S' || n.i");
                    else if (c == QLatin1String("date"))
                        v = QStringLiteral("strftime('%d/%m/', %1) || substr(strftime('%Y', %1), 3)")
                                .arg(QStringLiteral("julianday('%1') + (n.i - 1) / %2")
                                         .arg(first.toString(Qt::ISODate))
                                         .arg(perDay));
                    values << v;
                    c = QLatin1Char('"') + c + QLatin1Char('"');
                }
                exec(db, QStringLiteral("%1INSERT INTO main.\"%2\" (%3) SELECT %4%5")
                             .arg(counter, table, columns.join(','), values.join(','), join.arg(table)));
                std::printf("%s: %lld rows, %.0f s\n", qPrintable(table), rows, clock.elapsed() / 1e3);
                std::fflush(stdout);
            }
            exec(db, QStringLiteral("COMMIT; DETACH DATABASE tpl"));
            sqlite3_close(db);
        }
        QFile::remove(templates);
        {
            zv::Connection cn(path);
            zv::ensureDateCounts(cn);
        }
        zv::compactDatabase(path, scratch);
        std::printf("indexed, counted and compacted: %.0f s\n", clock.elapsed() / 1e3);

        // The checks a start makes, then the whole file as a back-up checks it.
        QStringList tables = zv::resultTables();
        tables << QStringLiteral("datiQgrafici");
        zv::checkDatabase(path, tables, zv::DatabaseCheck::Whole);
        if (zv::compactionWorthwhile(path))
            fail("a start would compact it again");
        if (zv::Connection counted(path); !zv::hasDateCounts(counted))
            fail("a start would count its dates");
        zv::Connection cn(path);
        if (zv::mendResultLayout(cn))
            fail("its layout needed mending");
        for (const qint64 id : {qint64(1), rows / 2, rows}) {
            zv::Recordset rs(cn, QStringLiteral("select * from datiQgrafici where ID1 = ?1"), {id});
            if (rs.eof())
                fail("a result is missing");
            zv::ResultRecord got = zv::readResult(rs);
            zv::ResultRecord want = receivedResult(int((id - 1) % kTemplates));
            if (got.specId != QStringLiteral("S%1").arg(id) ||
                got.date != first.addDays((id - 1) / perDay).toString(QStringLiteral("dd/MM/yy")))
                fail("a result has the wrong sample number or date");
            want.ID1 = got.ID1;
            want.seq = got.seq;
            want.specId = got.specId;
            want.date = got.date;
            if (!(got == want))
                fail("a result does not read back as it was stored");
            std::printf("result %lld: %s, %s, %s, WBC %.3f\n", id, qPrintable(*got.specId), qPrintable(*got.specName),
                        qPrintable(*got.date), *got.value(zv::ResultParameter::WBC));
        }
        const qint64 found =
            cn.scalar(QStringLiteral("select count(*) from datiQgrafici where specName like '%rossi%'")).toLongLong();
        std::printf("%lld results, %lld a day from %s to %s; %lld named rossi; %.1f MB; %.0f s\n", rows, perDay,
                    qPrintable(first.toString(QStringLiteral("dd/MM/yy"))),
                    qPrintable(first.addDays(days - 1).toString(QStringLiteral("dd/MM/yy"))), found,
                    QFileInfo(path).size() / 1e6, clock.elapsed() / 1e3);
    } catch (...) {
        const zv::CaughtError e = zv::describeCurrentException();
        QFile::remove(templates);
        std::fprintf(stderr, "make_archive: %s\n", qPrintable(e.description));
        return 1;
    }
    return 0;
}
