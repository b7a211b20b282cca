#include "runs/autostampa.h"

#include "core/config.h"
#include "core/session.h"
#include "model/resultstore.h"
#include "platform/errors.h"
#include "platform/recordset.h"
#include "report/reportturns.h"
#include "report/stampa.h"

namespace zv {

autostampa::autostampa() : Form(QString(kName)) {}

void autostampa::Form_Load() {
    const ReportTurns::Page page;
    // Reception waits for this load: a page that fails is logged here, once,
    // and never waits behind a box.
    const Stampa::FailuresToCaller failures;
    try {
        Session& s = Session::get();
        // Always the daily database, whatever the lists show: that is where
        // the link stores.
        const qint64 id1 = ReportTurns::get().autoReportResult();
        Recordset results;
        if (id1 > 0)
            results.open(s.cn, QStringLiteral("select * from datiQgrafici where ID1 = ?1"), {id1});
        else
            results.open(s.cn, QStringLiteral("select * from datiQgrafici order by ID1"));
        if (results.recordCount() == 0)
            throw AppError(3021, id1 > 0 ? QStringLiteral("Result %1 is not in the daily database.").arg(id1)
                                         : QStringLiteral("The daily database holds no result."));
        results.moveLast();
        const ResultRecord result = readResult(results);
        Recordset limiti(s.cnlimit, QStringLiteral("select * from limiti order by limite"));
        reportOne(result, limiti, palette().color(QPalette::WindowText));
    } catch (...) {
        const CaughtError e = describeCurrentException();
        logerrore(e.number, e.description, formName());
        Forms::unload(formName());
    }
}

}  // namespace zv
