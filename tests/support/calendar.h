#pragma once
// Picking a day in a month calendar as a user does.
#include <QCalendarWidget>
#include <QDate>

namespace zv::test {

// A mouse click on the day's cell; the day must be on the page shown.
void clickDay(QCalendarWidget* calendar, const QDate& day);
// The arrow keys that move the selection to the day, then Enter.
void pickDayWithKeys(QCalendarWidget* calendar, const QDate& day);

}  // namespace zv::test
