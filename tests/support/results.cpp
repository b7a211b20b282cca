#include "support/results.h"

#include <QFile>

#include <sqlite3.h>

#include <random>

#include "model/resultfields.h"
#include "platform/database.h"
#include "platform/databasebackup.h"

namespace zv::test {

int64_t addTestResult(Connection& cn, const QString& specId, const QString& specName, double wbc) {
    Recordset rs(cn, QStringLiteral("datiQgrafici"));
    rs.addNew();
    rs.setField(QStringLiteral("seq"), 42);
    rs.setField(QStringLiteral("specId"), specId);
    rs.setField(QStringLiteral("specName"), specName);
    rs.setField(QStringLiteral("date"), QStringLiteral("07/12/26"));
    rs.setField(QStringLiteral("WBC"), wbc);
    rs.setField(QStringLiteral("RBC"), 4.5);
    rs.setField(QStringLiteral("Limits"), 0);
    rs.setField(QStringLiteral("SamplError"), 0);
    for (const QString& field : allChannelFields())
        rs.setField(field, QStringLiteral("047"));
    rs.update();
    return rs.currentKey();
}

void addManyResults(Connection& cn, int64_t count) {
    const QStringList channels = allChannelFields();
    QStringList values;
    for (qsizetype i = 0; i < channels.size(); ++i)
        values << QStringLiteral("'047'");
    Transaction tx(cn);
    cn.execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?1) "
                              "INSERT INTO datiQgrafici (seq, specId, specName, date, WBC, RBC, Limits, SamplError, "
                              "\"%1\") SELECT i, 'S' || i, 'ROSSI', '07/12/26', 7.46, 4.5, 0, 0, %2 FROM n")
                   .arg(channels.join(QStringLiteral("\", \"")), values.join(QStringLiteral(", "))),
               {QVariant::fromValue(count)});
    tx.commit();
}

int64_t rowCountOf(Connection& cn) { return rowCount(cn, QStringLiteral("datinumerici")); }

int64_t rowCount(Connection& cn, const QString& table) {
    return cn.scalar(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table)).toLongLong();
}

QByteArray damagedAfterAGoodBackUp(const QString& archive, const QString& backUp, const QString& scratch,
                                   int64_t count) {
    {
        Connection cn(archive);
        addManyResults(cn, count);
    }
    compactDatabase(archive, scratch);
    backupDatabase(archive, backUp);
    QFile copy(backUp);
    const QByteArray good = copy.open(QIODevice::ReadOnly) ? copy.readAll() : QByteArray();
    damageMiddlePage(archive);
    return good;
}

void damageMiddlePage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return;
    const QByteArray header = file.read(100);
    if (header.size() < 100)
        return;
    int pageSize = (uchar(header[16]) << 8) | uchar(header[17]);
    if (pageSize == 1)
        pageSize = 65536;
    const qint64 pages = file.size() / pageSize;
    std::mt19937 garbage(23);
    QByteArray bytes(pageSize, Qt::Uninitialized);
    for (char& b : bytes)
        b = char(garbage());
    file.seek(pages / 2 * pageSize);
    file.write(bytes);
}

QString integrityOf(const QString& path) {
    sqlite3* db = nullptr;
    QString verdict;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check(1)", -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            verdict = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
    }
    if (verdict.isEmpty())
        verdict = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_close_v2(db);
    return verdict;
}

}  // namespace zv::test
