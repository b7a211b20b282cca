#include "support/results.h"

#include "model/resultfields.h"
#include "platform/database.h"

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

int64_t rowCountOf(Connection& cn) { return rowCount(cn, QStringLiteral("datinumerici")); }

int64_t rowCount(Connection& cn, const QString& table) {
    return cn.scalar(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table)).toLongLong();
}

}  // namespace zv::test
