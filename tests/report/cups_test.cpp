// End to end, as a user prints: a stored result handed over as the viewer
// hands it, printed on the system's default CUPS destination, a queue that
// writes PDF files (scripts/cups-pdf-queue.sh sets it up), and read back.
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include "cupsqueue.h"
#include "model/resultstore.h"
#include "pdftext.h"
#include "platform/database.h"
#include "platform/errors.h"
#include "platform/printer.h"
#include "printfixture.h"
#include "report/stampa.h"

namespace zv {
namespace {

using test::bestShift;
using test::cupsPdfFolders;
using test::inkMismatch;
using test::pdfFilesIn;
using test::run;

class CupsPrintTest : public test::PrintTest {
protected:
    static void printTheHandOffAgain() { printReport(); }
};

TEST_F(CupsPrintTest, TheViewersPrintGivesOnePageOnTheDefaultQueue) {
    // lpstat exits 0 whether or not the scheduler runs; its words tell.
    const QString scheduler = run(QStringLiteral("lpstat"), {QStringLiteral("-r")});
    int hasDefault = -1;
    const QString defaultDest = run(QStringLiteral("lpstat"), {QStringLiteral("-d")}, &hasDefault);
    if (!scheduler.contains(QLatin1String("scheduler is running")) || hasDefault != 0 ||
        !defaultDest.contains(QLatin1String("destination:")))
        GTEST_SKIP() << "No CUPS scheduler with a default destination is reachable (lpstat -r, lpstat -d): run "
                        "scripts/cups-pdf-queue.sh, as scripts/test.sh does, to print through a PDF queue.";

    // The system's default destination, as a user who never picked a printer has it.
    Printer::redirectSystemPrinter(QString());
    session_->printer.clear();
    Connection cn, limits;
    cn.open(path(QStringLiteral("zarvium.mdb")));
    limits.open(path(QStringLiteral("riferimenti.mdb")));
    const QString sampleId = QStringLiteral("E2E-%1").arg(QDateTime::currentMSecsSinceEpoch() % 1000000);
    // A received result: every measured and derived value, no Ret % or band %.
    ResultRecord received;
    received.seq = QStringLiteral("3");
    received.specId = sampleId;
    received.specName = QStringLiteral("D'Amico Maria");
    received.date = QStringLiteral("08/12/26");
    received.Limits = 0;
    const std::pair<ResultParameter, double> values[] = {
        {ResultParameter::WBC, 7.46}, {ResultParameter::neu, 61.3}, {ResultParameter::lym, 28.1},
        {ResultParameter::mono, 6.2}, {ResultParameter::eos, 3.4},  {ResultParameter::baso, 1.0},
        {ResultParameter::RBC, 4.52}, {ResultParameter::HGB, 13.8}, {ResultParameter::HCT, 41.2},
        {ResultParameter::MCV, 91.2}, {ResultParameter::MCH, 30.5}, {ResultParameter::MCHC, 33.5},
        {ResultParameter::RDW, 13.1}, {ResultParameter::PLT, 250},  {ResultParameter::MPV, 8.4},
        {ResultParameter::PCT, 0.21}, {ResultParameter::PDW, 16.2},
    };
    for (const auto& [parameter, value] : values)
        received.value(parameter) = value;
    for (const auto& [name, flag] : AlarmFlags::textFlags())
        received.flags.*flag = QStringLiteral("0");
    received.flags.SamplError = 0;
    for (Histogram& h : received.histograms)
        for (auto& channel : h.channels)
            channel = QStringLiteral("047");
    addResult(cn, received);
    Recordset rs(cn, QStringLiteral("datiQgrafici"));
    Recordset set(limits, QStringLiteral("select * from limiti order by limite"));

    const QStringList folders = cupsPdfFolders();
    const QSet<QString> before = pdfFilesIn(folders);
    zv::printReport(readResult(rs), LimitsRow::fromRecordset(set));
    ASSERT_TRUE(prompts_->messages.empty()) << prompts_->messages.front().text.toStdString() << "\n"
                                            << errorLog().toStdString();

    // The queue writes the file when the job has run: wait for it, with a deadline.
    QString printed;
    QDeadlineTimer deadline(90000);
    while (printed.isEmpty() && !deadline.hasExpired()) {
        for (const QString& file : pdfFilesIn(folders) - before)
            if (test::pdfPageCount(file) > 0 && test::pdfWords(file).size() > 0)
                printed = file;
        if (printed.isEmpty())
            QTest::qWait(200);
    }
    ASSERT_FALSE(printed.isEmpty()) << "no PDF from the queue in " << folders.join(' ').toStdString();
    EXPECT_EQ(test::pdfPageCount(printed), 1);
    EXPECT_EQ(errorLog(), QString());

    // The queue's PDF filters turn text into glyph drawings a reader cannot
    // extract, so the page that came out is compared with the same hand-off
    // printed into a file, whose texts are read back.
    const QString reference = tmp_.path() + QStringLiteral("/reference.pdf");
    Printer::redirectSystemPrinter(reference);
    printTheHandOffAgain();
    const std::vector<test::PdfWord> words = test::pdfWords(reference);
    const QImage fromQueue = test::pdfPage(printed, 1, 60).convertToFormat(QImage::Format_Grayscale8);
    const QImage expected = test::pdfPage(reference, 1, 60).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_EQ(fromQueue.size(), expected.size());
    const QPoint shift = bestShift(expected, fromQueue);
    EXPECT_LT(inkMismatch(expected, fromQueue, shift), 0.05);
    // And where the reference carries the result's name, sample id and WBC, so does the queue's page.
    for (const QString& text : {QStringLiteral("D'Amico"), sampleId, QStringLiteral("7,46")}) {
        const auto found = test::findText(words, text);
        ASSERT_EQ(found.size(), 1u) << text.toStdString();
        const double px = 60.0 / 72.0;
        const QRect box(int(found[0].xMin * px) - 1, int(found[0].yMin * px) - 1,
                        int((found[0].xMax - found[0].xMin) * px) + 3, int((found[0].yMax - found[0].yMin) * px) + 3);
        EXPECT_LT(inkMismatch(expected, fromQueue, shift, box), 0.15) << text.toStdString();
    }
    QFile::remove(printed);
}

TEST_F(CupsPrintTest, APrinterThatIsNotThereIsAFailedPrint) {
    Printer::redirectSystemPrinter(QString());
    auto printer = Printer::system(QStringLiteral("zv-no-such-printer"));
    try {
        printer->print(QStringLiteral("x"));
        FAIL() << "printed on a printer that is not there";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::PrinterError);
        EXPECT_TRUE(e.description().contains(QStringLiteral("zv-no-such-printer")));
    }
}

}  // namespace
}  // namespace zv
