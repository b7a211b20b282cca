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

namespace {

void place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

}  // namespace

Refertazionex::Refertazionex() : Form(QString(kName)), surfaces(this) {
    setWindowTitle(QStringLiteral("Refertazione"));
    // A little wider than the first design: the translated captions need it.
    setFixedSize(twipsToPixels(3600), twipsToPixels(2280));
    Label1 = new Label(QStringLiteral("Label1"), this);
    Label1->setText(QStringLiteral("Stampa Referti in data odierna:"));
    Label2 = new Label(QStringLiteral("Label2"), this);
    Label2->setText(QStringLiteral("dal n."));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Label3 = new Label(QStringLiteral("Label3"), this);
    Label3->setText(QStringLiteral("al n."));
    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Command1 = new QPushButton(QStringLiteral("Stampa Referti"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    place(Label1, 120, 360, 3360, 255);
    place(Label2, 120, 960, 720, 255);
    place(Text1, 840, 840, 615, 375);
    place(Label3, 1740, 960, 720, 255);
    place(Text2, 2460, 840, 615, 375);
    place(Command1, 900, 1440, 1800, 375);
    place(ProgressBar1, 120, 1920, 3360, 255);
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
            reportOne(result, limiti_, surfaces, palette().color(QPalette::WindowText));
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
