#include "support/calendar.h"

#include <QAbstractItemView>
#include <QTest>

#include <gtest/gtest.h>

namespace zv::test {

namespace {

// The grid of days is the calendar's focus proxy.
QAbstractItemView* daysOf(QCalendarWidget* calendar) {
    return qobject_cast<QAbstractItemView*>(calendar->focusProxy());
}

}  // namespace

void clickDay(QCalendarWidget* calendar, const QDate& day) {
    QAbstractItemView* days = daysOf(calendar);
    ASSERT_NE(days, nullptr);
    ASSERT_EQ(day.year(), calendar->yearShown());
    ASSERT_EQ(day.month(), calendar->monthShown());
    // The page opens on the last first-day-of-week before the 1st (a whole
    // week before when the 1st is one), under the row of day names and right
    // of the column of week numbers.
    const QDate first(day.year(), day.month(), 1);
    int lead = (first.dayOfWeek() - int(calendar->firstDayOfWeek()) + 7) % 7;
    if (lead == 0)
        lead = 7;
    const qint64 cell = first.addDays(-lead).daysTo(day);
    const int row = int(cell / 7) + (calendar->horizontalHeaderFormat() == QCalendarWidget::NoHorizontalHeader ? 0 : 1);
    const int column = int(cell % 7) + (calendar->verticalHeaderFormat() == QCalendarWidget::NoVerticalHeader ? 0 : 1);
    const QRect rect = days->visualRect(days->model()->index(row, column));
    ASSERT_TRUE(rect.isValid());
    QTest::mouseClick(days->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

void pickDayWithKeys(QCalendarWidget* calendar, const QDate& day) {
    QAbstractItemView* days = daysOf(calendar);
    ASSERT_NE(days, nullptr);
    qint64 offset = calendar->selectedDate().daysTo(day);
    for (; offset <= -7; offset += 7)
        QTest::keyClick(days, Qt::Key_Up);
    for (; offset >= 7; offset -= 7)
        QTest::keyClick(days, Qt::Key_Down);
    for (; offset < 0; ++offset)
        QTest::keyClick(days, Qt::Key_Left);
    for (; offset > 0; --offset)
        QTest::keyClick(days, Qt::Key_Right);
    ASSERT_EQ(calendar->selectedDate(), day);
    QTest::keyClick(days, Qt::Key_Return);
}

}  // namespace zv::test
