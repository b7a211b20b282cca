#pragma once
// One report page at a time. The hand-off (the report values and the six
// picture slots) exists once, so a page being produced owns it from the first
// write to the end of its print, a message box inside it included. An
// automatic report asked for meanwhile (the serial port is read while such a
// box is open) waits by its result's ID1 and runs when the outermost page has
// ended, in the order asked for: none is lost and none is run twice.
#include <QtGlobal>

#include <deque>
#include <functional>
#include <vector>

namespace zv {

class ReportTurns {
public:
    static ReportTurns& get();

    // Held while a page is produced (batch, automatic, viewer print). When
    // the outermost one ends, the automatic reports waiting behind it run.
    class Page {
    public:
        Page();
        ~Page();
        Page(const Page&) = delete;
        Page& operator=(const Page&) = delete;
    };

    bool pageInProgress() const { return depth_ > 0; }
    // Runs `report(id1)` at once when no page is in progress, else after it.
    // `report` handles its own failures; one that escapes is logged under
    // "autostampa" and the next waiting report still runs.
    void requestAutoReport(qint64 id1, std::function<void(qint64)> report);
    // The result whose automatic report is running (0 when none).
    qint64 autoReportResult() const { return current_; }
    // The results waiting for their automatic report, in order.
    std::vector<qint64> waiting() const;

private:
    ReportTurns() = default;
    void runWaiting();

    struct Request {
        qint64 id1;
        std::function<void(qint64)> report;
    };
    std::deque<Request> queue_;
    int depth_ = 0;
    bool running_ = false;
    qint64 current_ = 0;
};

}  // namespace zv
