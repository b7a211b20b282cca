#pragma once
// The month calendar of the shell's date windows (error log, work date).
#include <QCalendarWidget>

namespace zv {

// Opens the calendar on today's month with today selected, its month and year
// bar in the program's blue and white.
void prepareMonthView(QCalendarWidget* calendar);

}  // namespace zv
