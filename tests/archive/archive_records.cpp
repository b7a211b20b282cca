#include "archive/archive_records.h"

#include "model/resultfields.h"
#include "model/resultstore.h"
#include "platform/database.h"

namespace zv::test {

ResultRecord archivedResult(const QString& date, const QString& specId, const QString& specName) {
    ResultRecord r;
    r.seq = QStringLiteral("12");
    r.specId = specId;
    if (!specName.isNull())
        r.specName = specName;
    r.sesso = QStringLiteral("F");
    r.DdN = QStringLiteral("03/04/61");
    r.note = QStringLiteral("controllo");
    r.date = date;
    r.Limits = 2;
    double v = 1.25;
    for (auto& value : r.values)
        value = (v += 1.5);
    for (const auto& [field, member] : AlarmFlags::textFlags())
        r.flags.*member = QStringLiteral("1");
    r.flags.SamplError = 0;
    int k = 0;
    for (Histogram& h : r.histograms)
        for (auto& c : h.channels)
            c = QString::number(++k % 97);
    return r;
}

int64_t archive(Connection& cn, const QString& date, const QString& specId, const QString& specName) {
    return addResult(cn, archivedResult(date, specId, specName));
}

void archiveMany(Connection& cn, const QString& date, int64_t count) {
    Transaction tx(cn);
    cn.execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?2) "
                              "INSERT INTO datiQgrafici (seq, specId, date) SELECT i, 'S' || i, ?1 FROM n"),
               {date, QVariant::fromValue(count)});
    tx.commit();
}

QMap<QString, QVariant> wholeRow(Connection& cn, int64_t id1) {
    Recordset rs(cn, QStringLiteral("select * from datiQgrafici where ID1 = ?1"), {QVariant::fromValue(id1)});
    QMap<QString, QVariant> row;
    if (rs.recordCount() != 1)
        return row;
    for (int i = 0; i < rs.fieldCount(); ++i)
        if (rs.fieldName(i).compare(QLatin1String("ID1"), Qt::CaseInsensitive) != 0)
            row.insert(rs.fieldName(i), rs.field(rs.fieldName(i)));
    return row;
}

QList<int64_t> idsOf(Connection& cn) {
    Recordset rs(cn, QStringLiteral("SELECT ID1 AS k FROM datinumerici ORDER BY ID1"));
    QList<int64_t> ids;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        ids << rs.field(QStringLiteral("k")).toLongLong();
    return ids;
}

}  // namespace zv::test
