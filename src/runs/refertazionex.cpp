#include "runs/refertazionex.h"

#include <QCoreApplication>

#include "core/captions.h"
#include "core/config.h"
#include "core/notifier.h"
#include "core/session.h"
#include "core/windowlanguage.h"
#include "model/resultselection.h"
#include "model/resultstore.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/prompts.h"
#include "report/reportturns.h"

namespace zv {

Refertazionex::Refertazionex() : Form(QString(kName)) {
    setupUi(this);
    connect(Command1, &QPushButton::clicked, this, [this] { guard([this] { Command1_Click(); }); });
}

void Refertazionex::Form_Load() {
    emit notifier().windowOpened(formName(), true);
    const QString lingua = windowLanguageFile();
    ignoring([&] {
        applyCaptions(
            this, lingua, QStringLiteral("refertazionex"),
            {{"", "titolo"}, {"Label1", "label1"}, {"Label2", "label2"}, {"Label3", "label3"}, {"Command1", "cmd1"}});
    });
    msg1_ = caption(lingua, QStringLiteral("refertazionex"), QStringLiteral("msg1"));
    int64_t count = 0;
    try {
        Session& s = Session::get();
        // The archive day shown, or the day's results: as they are now.
        if (s.dbtotal) {
            const Selection day = daySelection(s.oggi2);
            results_.open(s.cntot, selectionQuery(day), day.params);
        } else {
            results_.open(s.cn, QStringLiteral("select * from datiQgrafici order by ID1"));
        }
        limiti_.open(s.cnlimit, QStringLiteral("select * from limiti order by limite"));
        count = results_.recordCount();
    } catch (...) {
        const CaughtError e = describeCurrentException();
        logerrore(e.number, e.description, formName());
        count = 0;
    }
    if (count == 0) {
        msgBox(msg1_, MsgButtons::OK, MsgIcon::Information, appTitle());
        Forms::unload(formName());
        return;
    }
    results_.moveFirst();
    Text1->setText(QStringLiteral("1"));
    Text2->setText(QString::number(count));
}

void Refertazionex::Form_Unload(bool& cancel) {
    // A page's error box lets the window be closed under its own run: it
    // stays until the run is over.
    if (running_) {
        cancel = true;
        return;
    }
    results_.close();
    limiti_.close();
    emit notifier().windowOpened(formName(), false);
}

void Refertazionex::Command1_Click() {
    // No second run may start from inside this one (a page's error box lets
    // clicks through).
    Command1->setEnabled(false);
    running_ = true;
    bool finished = false;
    try {
        const int16_t first = toInt16(toDouble(Text1->text()));
        const int16_t last = toInt16(toDouble(Text2->text()));
        if (first > last)
            throw AppError(380, QStringLiteral("Invalid property value: the range runs from n. %1 back to n. %2; "
                                               "nothing was printed.")
                                    .arg(first)
                                    .arg(last));
        ProgressBar1->setRange(0, last - first + 1);
        ProgressBar1->setValue(0);
        int begun = 0;
        for (int position = first; position <= last; ++position) {
            ProgressBar1->setValue(++begun);
            results_.setAbsolutePosition(position);
            const ResultRecord result = readResult(results_);
            reportOne(result, limiti_, palette().color(QPalette::WindowText));
        }
        finished = true;
    } catch (...) {
        const CaughtError e = describeCurrentException();
        logerrore(e.number, e.description, formName());
    }
    running_ = false;
    Command1->setEnabled(true);
    if (finished) {
        // Closed once the click has returned: the button belongs to the window.
        const QString name = formName();
        QMetaObject::invokeMethod(
            qApp, [name] { atEventBoundary(name, [name] { Forms::unload(name); }); }, Qt::QueuedConnection);
    }
}

}  // namespace zv
