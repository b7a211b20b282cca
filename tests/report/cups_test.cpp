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

#include "model/resultstore.h"
#include "pdftext.h"
#include "platform/database.h"
#include "platform/errors.h"
#include "platform/printer.h"
#include "printfixture.h"
#include "report/stampa.h"

namespace zv {
namespace {

QString run(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.start(program, args);
    const bool done = p.waitForFinished(30000);
    if (exitCode)
        *exitCode = done && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// Where cups-pdf puts this user's files: its Out setting, and its folder for anonymous jobs.
QStringList cupsPdfFolders() {
    const passwd* pw = getpwuid(getuid());
    const QString home = pw ? QString::fromLocal8Bit(pw->pw_dir) : QDir::homePath();
    const QString user = pw ? QString::fromLocal8Bit(pw->pw_name) : qEnvironmentVariable("USER");
    QStringList folders;
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly)) {
        static const QRegularExpression out(QStringLiteral("^\\s*Out\\s+(\\S+)"));
        for (const QString& line : QString::fromUtf8(conf.readAll()).split('\n')) {
            const auto m = out.match(line);
            if (m.hasMatch()) {
                QString folder = m.captured(1);
                folder.replace(QStringLiteral("${HOME}"), home).replace(QStringLiteral("${USER}"), user);
                folders << folder;
            }
        }
    }
    if (folders.isEmpty())
        folders << home + QStringLiteral("/PDF");
    folders << QStringLiteral("/var/spool/cups-pdf/ANONYMOUS") << QStringLiteral("/var/spool/cups-pdf/") + user;
    return folders;
}

QSet<QString> pdfFilesIn(const QStringList& folders) {
    QSet<QString> files;
    for (const QString& folder : folders)
        for (const QString& name : QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files))
            files.insert(folder + '/' + name);
    return files;
}

bool inkAt(const QImage& img, int x, int y) {
    return x >= 0 && y >= 0 && x < img.width() && y < img.height() && qGray(img.pixel(x, y)) < 200;
}

// The share of inked pixels of `from` (within `area`) that find no ink within
// one pixel of the same place in `to`, shifted by `shift`.
double lostInk(const QImage& from, const QImage& to, QPoint shift, QRect area, int step = 1) {
    if (area.isNull())
        area = from.rect();
    int inked = 0, lost = 0;
    for (int y = area.top(); y <= area.bottom(); y += step)
        for (int x = area.left(); x <= area.right(); x += step) {
            if (!inkAt(from, x, y))
                continue;
            ++inked;
            bool near = false;
            for (int ny = -1; ny <= 1 && !near; ++ny)
                for (int nx = -1; nx <= 1 && !near; ++nx)
                    near = inkAt(to, x + shift.x() + nx, y + shift.y() + ny);
            lost += !near;
        }
    return inked ? double(lost) / inked : 1.0;
}

// Where `b`'s ink meets `a`'s best, within 16 pixels either way (the queue's
// printable area may start a few points in from the paper's edge).
QPoint bestShift(const QImage& a, const QImage& b) {
    QPoint best;
    double least = 2;
    for (int dy = -16; dy <= 16; ++dy)
        for (int dx = -16; dx <= 16; ++dx) {
            const double m = lostInk(a, b, QPoint(dx, dy), QRect(), 3);
            if (m < least)
                least = m, best = QPoint(dx, dy);
        }
    return best;
}

// Lost ink counted both ways.
double inkMismatch(const QImage& a, const QImage& b, QPoint shift, const QRect& area = QRect()) {
    return std::max(lostInk(a, b, shift, area),
                    lostInk(b, a, -shift, area.isNull() ? QRect() : area.translated(shift)));
}

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
