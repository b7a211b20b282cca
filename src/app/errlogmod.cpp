#include "app/errlogmod.h"

#include <QFile>
#include <QFontMetricsF>
#include <QTextOption>
#include <QTextStream>

#include <algorithm>
#include <vector>

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

// Tab stops that put each tab-separated field of the records in one column:
// each column as wide as its widest entry and a gap, so a long window name or
// a database error's eleven-character number never pushes the rest of its
// line past the other lines' fields.
QList<qreal> fieldColumns(const QString& text, const QFontMetricsF& metrics) {
    std::vector<qreal> widths;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        // The last field of a line is followed by no tab: it needs no column.
        for (qsizetype k = 0; k + 1 < fields.size(); ++k) {
            if (widths.size() <= std::size_t(k))
                widths.resize(std::size_t(k) + 1, 0);
            widths[std::size_t(k)] = std::max(widths[std::size_t(k)], metrics.horizontalAdvance(fields[k]));
        }
    }
    const qreal gap = 2 * metrics.horizontalAdvance(QLatin1Char('0'));
    QList<qreal> stops;
    qreal x = 0;
    for (const qreal width : widths) {
        x += width + gap;
        stops.append(x);
    }
    return stops;
}

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
    QTextOption columns = Text1->document()->defaultTextOption();
    columns.setTabArray(fieldColumns(shown, QFontMetricsF(Text1->font())));
    Text1->document()->setDefaultTextOption(columns);
    Text1->setPlainText(shown);
}

}  // namespace zv
