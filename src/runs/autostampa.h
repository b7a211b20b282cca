#pragma once
// The automatic report: a window that is never shown, whose load prints the
// report of one stored result of the daily database. The store step asks for
// it through the one-page-at-a-time turns (ReportTurns), which name the
// result; loaded outside them it reports the newest result.
#include "platform/forms.h"
#include "runs/reportrun.h"

namespace zv {

class autostampa : public Form {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"autostampa"};

    autostampa();
    // Prints the page. A failure (no such result, no range set for it, a
    // report page that cannot start or fails half-way) is logged once under
    // "autostampa" and the window closes itself; no message box, and the
    // result stays stored.
    void Form_Load() override;
};

}  // namespace zv
