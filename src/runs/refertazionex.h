#pragma once
// Batch reporting: prints the reports of a range of the day's results (or of
// the archive day shown), one page per result, with its progress.
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "platform/forms.h"
#include "platform/recordset.h"
#include "platform/widgets.h"
#include "runs/reportrun.h"
#include "ui_refertazionex.h"

namespace zv {

class Refertazionex : public Form, public Ui::Refertazionex {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"Refertazionex"};

    Refertazionex();
    // Opens the results and the range sets and presets the range to every
    // result; with none (or when they cannot be opened) it says so and closes.
    void Form_Load() override;
    // Refused while a run is printing.
    void Form_Unload(bool& cancel) override;

private:
    // The run: positions Text1 to Text2 (rounded half to even), one page
    // each, then the window closes. A failure is logged and ends the run;
    // the window stays open with the progress where it stopped.
    void Command1_Click();

    Recordset results_;
    Recordset limiti_;
    QString msg1_;
    bool running_ = false;
};

}  // namespace zv
