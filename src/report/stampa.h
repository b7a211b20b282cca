#pragma once
// The report window: never shown. A caller hands the page, its data and its
// pictures, to printPage, which loads this window, whose load prints the
// page, and unloads it.
#include "model/reportdata.h"
#include "platform/forms.h"
#include "platform/widgets.h"
#include "report/reportpictures.h"
#include "viewer/resultprint.h"

namespace zv {

// What one page prints: the values of a result with its range set, and the
// pictures drawn from that result.
struct ReportPage {
    ReportData data;
    ReportPictures pictures;
};

class Stampa : public Form {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"Stampa"};

    Stampa();
    // Loads this window with `page`, which its load prints, and unloads it;
    // true when the page was printed. A failure is handled as the load
    // handles it; under a FailuresToCaller it rises from here.
    static bool printPage(const ReportPage& page);

    // Prints the page handed over on the printer of the session (the one
    // picked in the printer set-up, else the system's default). Any failure,
    // before or during the page, drops the half-built document, is logged and
    // shown as "Errore durante la stampa!"; the load itself never fails. Under
    // a FailuresToCaller the failure is neither logged nor shown: the load
    // fails with it.
    void Form_Load() override;

    // Held by a caller that must never wait on a box (the automatic report,
    // inside reception): the pages loaded meanwhile leave their failure to it.
    class FailuresToCaller {
    public:
        FailuresToCaller() { ++depth_; }
        ~FailuresToCaller() { --depth_; }
        FailuresToCaller(const FailuresToCaller&) = delete;
        FailuresToCaller& operator=(const FailuresToCaller&) = delete;
    };
    // The page procedure; public as it always was, called only by the load.
    // Loaded without a page, it fails.
    void stampax();

    PictureBox* Picture2 = nullptr;  // the logo

    // True when the last load printed its page.
    bool printed() const { return printed_; }

private:
    static inline int depth_ = 0;
    static inline const ReportPage* page_ = nullptr;  // the page printPage hands the load
    bool printed_ = false;
};

// The values of a result's page with its range set, as the hand-off always
// gave them: fillReportData, with `nomeform` and `s_n`, which no caller fills,
// as the page printed before carried them. Fails as fillReportData does.
ReportData pageData(const ResultRecord& result, const LimitsRow& limits);

// The whole page of a result: its values (pageData) and its pictures, the
// scattergram replaying `draws` with `divisors` and framed in `framePen`.
ReportPage reportPage(const ResultRecord& result, const LimitsRow& limits, std::vector<double> draws,
                      const QColor& framePen, const scatter::Divisors& divisors);

// The viewer's print: the page of the shown result with the range set its
// range check chose, its pictures as the viewer shows them (`draws` are the
// random numbers the shown dots took, `framePen` the screen's frame colour).
// A result the hand-off cannot take (a flag LRI that is no whole number) is
// reported like a failed page; nothing is stored. Automatic reports asked for
// meanwhile run after it (ReportTurns).
void printShownReport(const ResultRecord& result, const LimitsRow& limits, const std::vector<double>& draws,
                      const QColor& framePen);

}  // namespace zv
