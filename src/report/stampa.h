#pragma once
// The report window: never shown. A caller draws the pictures into the slots
// of the picture window and hands the page's data to printPage, which loads
// this window, whose load prints the page, and unloads it.
#include "model/reportdata.h"
#include "platform/forms.h"
#include "platform/widgets.h"
#include "viewer/resultprint.h"

namespace zv {

class Stampa : public Form {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"Stampa"};

    Stampa();
    // Loads this window with `page`, which its load prints, and unloads it;
    // true when the page was printed. A failure is handled as the load
    // handles it; under a FailuresToCaller it rises from here.
    static bool printPage(const ReportData& page);

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
    static inline const ReportData* page_ = nullptr;  // the page printPage hands the load
    bool printed_ = false;
};

// The page of a result with its range set, as the hand-off always gave it:
// fillReportData, with `nomeform` and `s_n`, which no caller fills, as the
// page printed before carried them. Fails as fillReportData does.
ReportData reportPage(const ResultRecord& result, const LimitsRow& limits);

// The viewer's print: hands the shown result and the range set its range check
// chose to the report page and prints it (the caller has drawn the six report
// pictures into their slots first). A result the hand-off cannot take (a flag
// LRI that is no whole number) is reported like a failed page; nothing is stored.
// Automatic reports asked for meanwhile run after it (ReportTurns).
void printReport(const ResultRecord& result, const LimitsRow& limits);
// The print the program hands the viewer: the six pictures drawn as the
// viewer shows them into their slots, then the page as printReport prints it.
void printShownReport(const ResultRecord& result, const LimitsRow& limits, const std::vector<double>& draws,
                      const QColor& framePen);

}  // namespace zv
