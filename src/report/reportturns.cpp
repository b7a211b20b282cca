#include "report/reportturns.h"

#include "core/config.h"
#include "platform/errors.h"

namespace zv {

ReportTurns& ReportTurns::get() {
    static ReportTurns turns;
    return turns;
}

ReportTurns::Page::Page() { ++get().depth_; }

ReportTurns::Page::~Page() {
    ReportTurns& t = get();
    if (--t.depth_ == 0)
        t.runWaiting();
}

void ReportTurns::requestAutoReport(qint64 id1, std::function<void(qint64)> report) {
    queue_.push_back({id1, std::move(report)});
    if (depth_ == 0)
        runWaiting();
}

std::vector<qint64> ReportTurns::waiting() const {
    std::vector<qint64> ids;
    for (const Request& r : queue_)
        ids.push_back(r.id1);
    return ids;
}

void ReportTurns::runWaiting() {
    // The loop below runs what is asked for while it runs; a second loop
    // inside it would print out of order.
    if (running_)
        return;
    running_ = true;
    while (!queue_.empty()) {
        Request next = std::move(queue_.front());
        queue_.pop_front();
        current_ = next.id1;
        try {
            Page page;
            next.report(next.id1);
        } catch (...) {
            const CaughtError e = describeCurrentException();
            logerrore(e.number, e.description, QStringLiteral("autostampa"));
        }
        current_ = 0;
    }
    running_ = false;
}

}  // namespace zv
