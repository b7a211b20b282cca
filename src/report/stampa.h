#pragma once
// The report window: never shown. A caller fills the hand-off (reportData()
// and the picture slots of the picture window), loads this window, whose load
// prints the page, and unloads it.
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
    // Prints one page from the hand-off on the printer of the session (the one
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
    void stampax();

    PictureBox* Picture2 = nullptr;  // the logo

    // True when the last load printed its page.
    bool printed() const { return printed_; }

private:
    static inline int depth_ = 0;
    bool printed_ = false;
};

// The viewer's print: hands the shown result and the range set its range check
// chose to the report page and prints it (the caller has drawn the six report
// pictures into their slots first). A result the hand-off cannot take (a limit
// that is no number) is reported like a failed page; nothing is stored.
// Automatic reports asked for meanwhile run after it (ReportTurns).
void printReport(const ResultRecord& result, const LimitsRow& limits);
// The print the program hands the viewer: its six pictures into their slots,
// then the page as printReport prints it.
void printShownReport(const ResultRecord& result, const LimitsRow& limits, const ShownPictures& pictures);

}  // namespace zv
