#include <QFile>
#include <QTextBlock>
#include <QTextCursor>

#include "app/errlogmod.h"
#include "core/language.h"
#include "platform/files.h"
#include "platform/forms.h"
#include "support/calendar.h"
#include "support/started_program.h"

namespace zv {
namespace {

const QString kNoLog = QStringLiteral("Nessun Errore da Visualizzare per la Data Specificata!");

class ErrorLogViewer : public test::StartedProgramTest {
protected:
    errlogmod* open() {
        errlogmod* viewer = Forms::show<errlogmod>();
        EXPECT_NE(viewer, nullptr);
        return viewer;
    }
    void writeLog(const QString& day, const QByteArray& bytes) {
        QFile log(path(QStringLiteral("log/%1.log").arg(day)));
        ASSERT_TRUE(log.open(QIODevice::WriteOnly));
        log.write(bytes);
    }
};

TEST_F(ErrorLogViewer, ShowsTheLogOfTheDayPicked) {
    start();
    logerrore(3021, QStringLiteral("No current record"), QStringLiteral("leggi"));
    writeLog("05.12.26",
             "\"09.15.02\t\tComCD\t8015\tPort busy\"\r\n"
             "\"10.00.00\t\tinserimento\t13\tWBC: \"x\"\tpasted\"\r\n");
    errlogmod* viewer = open();
    EXPECT_EQ(viewer->windowTitle(), languageText("it.ini", "errlog", "titolo"));
    EXPECT_EQ(viewer->MonthView1->selectedDate(), QDate(2026, 12, 8));
    EXPECT_EQ(viewer->chosenDay(), QStringLiteral("08.12.26"));
    EXPECT_EQ(viewer->Text1->toPlainText(), QStringLiteral("\"14.05.09\t\tleggi\t3021\tNo current record\"\n"));

    test::clickDay(viewer->MonthView1, QDate(2026, 12, 5));
    EXPECT_EQ(viewer->chosenDay(), QStringLiteral("05.12.26"));
    // Each record on its own line as stored, quotes and tabs included.
    const QStringList lines = viewer->Text1->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("\"09.15.02\t\tComCD\t8015\tPort busy\""));
    EXPECT_EQ(lines[1], QStringLiteral("\"10.00.00\t\tinserimento\t13\tWBC: \"x\"\tpasted\""));
    EXPECT_EQ(lines[2], QString());

    test::clickDay(viewer->MonthView1, QDate(2026, 12, 3));
    EXPECT_EQ(viewer->Text1->toPlainText(), kNoLog);
    test::pickDayWithKeys(viewer->MonthView1, QDate(2026, 12, 5));
    EXPECT_EQ(viewer->Text1->toPlainText().count(QLatin1Char('\n')), 2);
    EXPECT_TRUE(viewer->Text1->isReadOnly());
}

// Each field of a record stands in its column on every line, whatever the
// window's name or the error's number: a database error's -2147467259 pushes
// no description out of line.
TEST_F(ErrorLogViewer, EveryFieldStandsInOneColumnOnEveryLine) {
    start();
    writeLog("05.12.26",
             "\"09.15.02\t\tComCD\t8015\tPort busy\"\r\n"
             "\"09.16.40\t\tLimiti\t-2147467259\tattempt to write a readonly database\"\r\n"
             "\"10.00.00\t\tRefertazionex\t13\tWBC: \"x\"\tpasted\"\r\n"
             "\"10.00.01\t\tqcrif\t6\tOverflow\"\r\n");
    errlogmod* viewer = open();
    test::clickDay(viewer->MonthView1, QDate(2026, 12, 5));
    QPlainTextEdit* box = viewer->Text1;
    ASSERT_EQ(box->document()->blockCount(), 5);
    // Where each field of each line begins, and where it ends.
    auto field = [box](int line, int k) {
        const QTextBlock block = box->document()->findBlockByNumber(line);
        const QStringList fields = block.text().split(QLatin1Char('\t'));
        int at = block.position();
        for (int i = 0; i < k; ++i)
            at += int(fields[i].size()) + 1;
        QTextCursor cursor(box->document());
        cursor.setPosition(at);
        const int begins = box->cursorRect(cursor).left();
        cursor.setPosition(at + int(fields[k].size()));
        return std::pair{begins, box->cursorRect(cursor).left()};
    };
    for (int k = 1; k <= 4; ++k) {
        SCOPED_TRACE(k);
        const int column = field(0, k).first;
        for (int line = 1; line < 4; ++line) {
            EXPECT_EQ(field(line, k).first, column) << line;
            EXPECT_LT(field(line, k - 1).second, column) << line;  // the field before ends short of it
        }
    }
}

TEST_F(ErrorLogViewer, DayWithoutALogShowsTheNotice) {
    start();
    EXPECT_EQ(open()->Text1->toPlainText(), kNoLog);
}

// Opening it again only brings it forward: what it shows changes when a day is picked.
TEST_F(ErrorLogViewer, OpenAgainKeepsWhatIsShown) {
    start();
    errlogmod* viewer = open();
    logerrore(53, QStringLiteral("File not found"), QStringLiteral("Stampa"));
    EXPECT_EQ(open(), viewer);
    EXPECT_EQ(viewer->Text1->toPlainText(), kNoLog);
    test::clickDay(viewer->MonthView1, QDate(2026, 12, 8));
    EXPECT_TRUE(viewer->Text1->toPlainText().contains(QStringLiteral("\tStampa\t53\tFile not found\"")));
}

}  // namespace
}  // namespace zv
