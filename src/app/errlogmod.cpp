#include "app/errlogmod.h"

#include <QFile>
#include <QTextStream>

#include "app/monthview.h"
#include "core/captions.h"
#include "core/config.h"
#include "core/programfiles.h"
#include "core/windowlanguage.h"
#include "platform/clock.h"
#include "platform/conversions.h"
#include "platform/errors.h"

namespace zv {

namespace {

const QString kNoLog = QStringLiteral("Nessun Errore da Visualizzare per la Data Specificata!");

QString logDay(const QDate& day) { return formatDate(day, QStringLiteral("dd.mm.yy")); }

}  // namespace

errlogmod::errlogmod() : Form(QString(kName)) {
    setupUi(this);
    // Enter on a day picks it as a click does.
    for (auto signal : {&QCalendarWidget::clicked, &QCalendarWidget::activated})
        connect(MonthView1, signal, this, [this](QDate day) { guard([this, day] { MonthView1_DateClick(day); }); });
}

void errlogmod::Form_Load() {
    ignoring([&] { applyCaptions(this, windowLanguageFile(), QStringLiteral("errlog"), {{"", "titolo"}}); });
    prepareMonthView(MonthView1);
    ignoring([&] { giorno_ = logDay(clock::today()); });
    ignoring([&] { vislog(); });
}

void errlogmod::MonthView1_DateClick(const QDate& day) {
    giorno_ = logDay(day);
    vislog();
}

void errlogmod::vislog() {
    Text1->clear();
    QFile log(programPath(QLatin1String(file::logFolder) + QLatin1Char('/') + giorno_ + QStringLiteral(".log")));
    if (giorno_.isEmpty() || !log.open(QIODevice::ReadOnly)) {
        Text1->setPlainText(kNoLog);
        return;
    }
    QTextStream in(&log);
    QString shown;
    QString line;
    while (in.readLineInto(&line))
        shown += line + QLatin1Char('\n');
    if (in.status() != QTextStream::Ok || log.error() != QFileDevice::NoError) {
        Text1->setPlainText(kNoLog);
        return;
    }
    Text1->setPlainText(shown);
}

}  // namespace zv
