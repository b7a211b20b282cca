#include <QCoreApplication>
#include <QTest>
#include <QToolButton>

#include "app/cambia.h"
#include "app/errlogmod.h"
#include "core/language.h"
#include "platform/forms.h"
#include "support/calendar.h"
#include "support/started_program.h"

namespace zv {
namespace {

class WorkDate : public test::StartedProgramTest {
protected:
    cambia* open() {
        cambia* dialog = Forms::show<cambia>();
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
};

const QDate kToday(2026, 12, 8);

TEST_F(WorkDate, OpensOnTodayWithItsCaptions) {
    scriviini("language", "lingua", "fr", "general.ini");
    start();
    cambia* dialog = open();
    EXPECT_EQ(dialog->MonthView1->selectedDate(), kToday);
    EXPECT_EQ(dialog->MonthView1->monthShown(), 12);
    EXPECT_EQ(dialog->windowTitle(), languageText("fr.ini", "cambia", "titolo"));
    EXPECT_EQ(dialog->Label1->text(), languageText("fr.ini", "cambia", "label1"));
    EXPECT_FALSE(dialog->windowTitle().isEmpty());
}

// Qt's own dialogs and the calendars of the work-date and error-log windows
// speak the language the start set up, in each of the six.
TEST_F(WorkDate, CalendarsAndQtsDialogsSpeakTheProgramsLanguage) {
    struct Case {
        const char* lingua;
        const char* december;
        bool translated;  // Qt's texts differ from its English source
    } cases[] = {
        {"de", "Dezember", true}, {"ru", "декабрь", true},   {"it", "dicembre", true},
        {"fr", "décembre", true}, {"es", "diciembre", true}, {"en", "December", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lingua);
        scriviini("language", "lingua", c.lingua, "general.ini");
        EXPECT_TRUE(useLanguageForQt(configuredLanguageFile()));
        EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:") != QLatin1String("Look in:"), c.translated);
        start();
        const QString december = QString::fromUtf8(c.december);
        // The month the calendar's bar shows (today's).
        const auto monthShown = [](const QCalendarWidget* calendar) {
            const auto* button = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
            return button ? button->text().toLower() : QString();
        };
        cambia* dialog = open();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(monthShown(dialog->MonthView1), december.toLower());
        Forms::unload<cambia>();
        errlogmod* log = Forms::show<errlogmod>();
        ASSERT_NE(log, nullptr);
        EXPECT_EQ(monthShown(log->MonthView1), december.toLower());
        Forms::unload<errlogmod>();
    }
    useLanguageForQt(QStringLiteral("en.ini"));  // as the tests' start pinned it
}

// The day picked follows the date format; today is the daily database, any other day the archive.
TEST_F(WorkDate, PickFollowsTheFormatAndSwitchesTheMode) {
    struct Case {
        const char* formato;
        QDate day;
        bool withKeys;
        const char* text;
        bool archive;
    } cases[] = {
        {"dd/mm/yy", kToday, false, "08/12/26", false},
        {"yyyy/mm/dd", kToday, false, "2026/12/08", false},
        {"dd/mm/yy", QDate(2026, 12, 7), false, "07/12/26", true},
        {"mm/dd/yyyy", QDate(2026, 12, 17), false, "12/17/2026", true},
        {"yy/mm/dd", QDate(2026, 11, 20), true, "26/11/20", true},
        {"dd/mm/yyyy", kToday, true, "08/12/2026", false},
        // A format the settings never write stamps nothing unreadable.
        {"", QDate(2026, 12, 7), false, "07/12/26", true},
        {"giorno", kToday, false, "08/12/26", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.formato + QStringLiteral(" ") + c.day.toString(Qt::ISODate)).toStdString());
        scriviini("date", "format", c.formato, "general.ini");
        Session& session = start();
        EXPECT_EQ(session.workDate(), QStringLiteral("08/12/26"));  // the start form
        cambia* dialog = open();
        if (c.withKeys)
            test::pickDayWithKeys(dialog->MonthView1, c.day);
        else
            test::clickDay(dialog->MonthView1, c.day);
        EXPECT_TRUE(closed<cambia>());
        EXPECT_EQ(session.workDate(), QString::fromLatin1(c.text));
        EXPECT_EQ(session.oggi2, QString::fromLatin1(c.text));
        EXPECT_EQ(session.dbtotal, c.archive);
        EXPECT_EQ(workDates, std::vector<QString>{QString::fromLatin1(c.text)});
        EXPECT_EQ(archiveModes, std::vector<bool>{c.archive});
        Forms::unloadAll();
    }
}

TEST_F(WorkDate, TodayAfterAnotherDayReturnsToTheDailyDatabase) {
    Session& session = start();
    test::clickDay(open()->MonthView1, QDate(2026, 12, 1));
    ASSERT_TRUE(closed<cambia>());
    EXPECT_TRUE(session.dbtotal);
    test::clickDay(open()->MonthView1, kToday);
    ASSERT_TRUE(closed<cambia>());
    EXPECT_FALSE(session.dbtotal);
    EXPECT_EQ(session.oggi2, QStringLiteral("08/12/26"));
    EXPECT_EQ(archiveModes, (std::vector<bool>{true, false}));
}

TEST_F(WorkDate, ClosingWithoutAPickChangesNothing) {
    Session& session = start();
    cambia* dialog = open();
    dialog->close();
    EXPECT_TRUE(closed<cambia>());
    EXPECT_EQ(session.workDate(), QStringLiteral("08/12/26"));
    EXPECT_EQ(session.oggi2, QString());
    EXPECT_FALSE(session.dbtotal);
    EXPECT_TRUE(workDates.empty());
    EXPECT_TRUE(archiveModes.empty());
}

TEST_F(WorkDate, SecondCalendarOnlyCloses) {
    Session& session = start();
    Cambia2* dialog = Forms::show<Cambia2>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->MonthView1->selectedDate(), kToday);
    EXPECT_EQ(dialog->windowTitle(), languageText("it.ini", "cambia2", "titolo"));
    test::clickDay(dialog->MonthView1, QDate(2026, 12, 2));
    EXPECT_TRUE(closed<Cambia2>());
    EXPECT_EQ(session.workDate(), QStringLiteral("08/12/26"));
    EXPECT_FALSE(session.dbtotal);
    EXPECT_TRUE(workDates.empty());
}

}  // namespace
}  // namespace zv
