#include "app/monthview.h"

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/widgets.h"

namespace zv {

void prepareMonthView(QCalendarWidget* calendar) {
    // The month and year bar takes the pair; the days keep the system's colours,
    // so that weekends and the selected day stay readable.
    ignoring([&] {
        calendar->setStyleSheet(QStringLiteral("#qt_calendar_navigationbar { background-color: %1; }"
                                               "#qt_calendar_navigationbar QToolButton { color: %2; }")
                                    .arg(colours::blue.name(), QColor(Qt::white).name()));
    });
    ignoring([&] {
        const QDate today = clock::today();
        calendar->setSelectedDate(today);
        calendar->setCurrentPage(today.year(), today.month());
    });
}

}  // namespace zv
