// End to end, as a user prints: a stored result handed over as the viewer
// hands it, printed on the user's default CUPS destination, a queue that
// writes PDF files (scripts/cups-pdf-queue.sh sets it up; the test makes it
// its default as a user does, through LPDEST and PRINTER), and read back.
#include <QDateTime>
#include <QFile>
#include <QWidget>

#include <gtest/gtest.h>

#include "cupsqueue.h"
#include "model/resultstore.h"
#include "platform/database.h"
#include "platform/errors.h"
#include "platform/printer.h"
#include "printfixture.h"
#include "report/stampa.h"
#include "runs/reportrun.h"
#include "support/environment.h"

namespace zv {
namespace {

class CupsPrintTest : public test::PrintTest {};

TEST_F(CupsPrintTest, TheViewersPrintGivesOnePageOnTheDefaultQueue) {
    const QString missing = test::cupsQueueMissing();
    if (!missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();

    // The default destination, as a user who never picked a printer in the program has it.
    const test::DefaultQueueOfThisProcess queue(test::testPrintQueue());
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

    const ResultRecord stored = readResult(rs);
    // The result's own charts, and its scattergram replaying the draws its dots took on screen.
    const std::vector<double> draws = reportDraws(stored, scatter::kScreenDivisors);
    const LimitsRow chosen = LimitsRow::fromRecordset(set);
    printShownReport(stored, chosen, draws, Qt::black);
    ASSERT_TRUE(prompts_->messages.empty()) << prompts_->messages.front().text.toStdString() << "\n"
                                            << errorLog().toStdString();
    EXPECT_EQ(errorLog(), QString());

    // Others may print on the queue meanwhile: ours is the file of our job.
    EXPECT_TRUE(Printer::lastRequest().startsWith(test::testPrintQueue() + '-'))
        << Printer::lastRequest().toStdString();
    QString why;
    const QString printed = test::awaitJobPdf(Printer::lastRequest(), &why);
    ASSERT_FALSE(printed.isEmpty()) << why.toStdString();

    // The queue's PDF filters turn text into glyph drawings a reader cannot
    // extract, so the page that came out is compared with the same hand-off
    // printed into a file, whose texts are read back: the result's name,
    // sample id and WBC.
    const QString reference = tmp_.path() + QStringLiteral("/reference.pdf");
    Printer::redirectSystemPrinter(reference);
    Stampa::printPage(reportPage(stored, chosen, draws, Qt::black, scatter::kScreenDivisors));
    test::expectQueuedPageMatches(printed, reference, {QStringLiteral("D'Amico"), sampleId, QStringLiteral("7,46")});
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
