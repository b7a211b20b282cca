#include "app/cambia.h"

#include "app/monthview.h"
#include "core/captions.h"
#include "core/session.h"
#include "core/windowlanguage.h"
#include "platform/clock.h"
#include "platform/conversions.h"
#include "platform/errors.h"

namespace zv {

namespace {

// The form with its caption and title; a pick of a day (a click, or Enter on
// the selected day) calls `picked`. The pick closes the window, so it runs
// once the calendar's own mouse or key handling has returned.
template <class Window>
void setUpCalendarWindow(Window* window, const QString& title, const QString& label,
                         void (Window::*picked)(const QDate&)) {
    window->setupUi(window);
    window->setWindowTitle(title);
    window->Label1->setText(label);
    for (auto signal : {&QCalendarWidget::clicked, &QCalendarWidget::activated})
        QObject::connect(
            window->MonthView1, signal, window,
            [window, picked](QDate day) { window->guard([window, picked, day] { (window->*picked)(day); }); },
            Qt::QueuedConnection);
}

}  // namespace

QString workDateText(const QDate& day, const QString& formato) {
    static const QLatin1String offered[] = {QLatin1String("dd/mm/yy"),   QLatin1String("mm/dd/yy"),
                                            QLatin1String("yy/mm/dd"),   QLatin1String("dd/mm/yyyy"),
                                            QLatin1String("mm/dd/yyyy"), QLatin1String("yyyy/mm/dd")};
    for (const QLatin1String pattern : offered)
        if (formato.compare(pattern, Qt::CaseInsensitive) == 0)
            return formatDate(day, formato);
    return formatDate(day, QStringLiteral("dd/mm/yy"));
}

cambia::cambia() : Form(QString(kName)) {
    setUpCalendarWindow(this, QStringLiteral("Cambia Data di Lavoro"),
                        QStringLiteral("Immettere una nuova Data di Lavoro..."), &cambia::MonthView1_DateClick);
}

void cambia::Form_Load() {
    prepareMonthView(MonthView1);
    ignoring([&] {
        applyCaptions(this, windowLanguageFile(), QStringLiteral("cambia"), {{"", "titolo"}, {"Label1", "label1"}});
    });
}

void cambia::MonthView1_DateClick(const QDate& day) {
    Session& session = Session::get();
    const QString picked = workDateText(day, session.formato);
    session.setWorkDate(picked);
    session.oggi2 = picked;
    // Today is the daily database; any other day is that day in the archive.
    session.setArchiveMode(picked != workDateText(clock::today(), session.formato));
    Forms::unload<cambia>();
}

Cambia2::Cambia2() : Form(QString(kName)) {
    setUpCalendarWindow(this, QStringLiteral("Cambia Data di Registrazione"),
                        QStringLiteral("Immettere una nuova Data di Registrazione"), &Cambia2::MonthView1_DateClick);
}

void Cambia2::Form_Load() {
    prepareMonthView(MonthView1);
    ignoring([&] {
        applyCaptions(this, windowLanguageFile(), QStringLiteral("cambia2"), {{"", "titolo"}, {"Label1", "label1"}});
    });
}

void Cambia2::MonthView1_DateClick(const QDate&) { Forms::unload<Cambia2>(); }

}  // namespace zv
