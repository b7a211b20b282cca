#include "cupsqueue.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include "core/config.h"
#include "core/programfiles.h"
#include "pdftext.h"
#include "support/environment.h"

namespace zv::test {

namespace {

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

}  // namespace

QString run(const QString& program, const QStringList& args, int* exitCode) {
    QProcess p;
    p.start(program, args);
    const bool done = p.waitForFinished(30000);
    if (exitCode)
        *exitCode = done && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

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

double inkMismatch(const QImage& a, const QImage& b, QPoint shift, const QRect& area) {
    return std::max(lostInk(a, b, shift, area),
                    lostInk(b, a, -shift, area.isNull() ? QRect() : area.translated(shift)));
}

QString cupsQueueMissing() {
    // lpstat exits 0 whether or not the scheduler runs; its words tell.
    const QString scheduler = run(QStringLiteral("lpstat"), {QStringLiteral("-r")});
    int queueKnown = -1;
    run(QStringLiteral("lpstat"), {QStringLiteral("-p"), testPrintQueue()}, &queueKnown);
    if (!scheduler.contains(QLatin1String("scheduler is running")) || queueKnown != 0)
        return QStringLiteral(
                   "No CUPS scheduler with the queue %1 is reachable (lpstat -r, lpstat -p): run "
                   "scripts/cups-pdf-queue.sh, as scripts/test.sh does, to print through a PDF queue.")
            .arg(testPrintQueue());
    return QString();
}

QString awaitJobPdf(const QString& request, QString* why) {
    static const QRegularExpression idOf(QStringLiteral("^(.+)-(\\d+)$"));
    const auto id = idOf.match(request);
    if (!id.hasMatch()) {
        *why = QStringLiteral("\"%1\" is no CUPS request id").arg(request);
        return QString();
    }
    const QString destination = id.captured(1), job = id.captured(2);
    // cups-pdf's Label puts the job id after the title or before it.
    const QRegularExpression ours(QStringLiteral("(-job_%1\\.pdf$)|(^job_%1-.*\\.pdf$)").arg(job));
    const QStringList folders = cupsPdfFolders();
    const auto completed = [&] {
        const QStringList lines = run(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("completed"),
                                                                 QStringLiteral("-o"), destination})
                                      .split('\n');
        for (const QString& line : lines)
            if (line.section(' ', 0, 0) == request)
                return true;
        return false;
    };
    const auto find = [&]() -> QString {
        for (const QString& folder : folders)
            for (const QString& name : QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files))
                if (ours.match(name).hasMatch())
                    return folder + '/' + name;
        return QString();
    };
    // The queue is done with a file when its job has completed; a file seen
    // before that may still be being written.
    QFileSystemWatcher watcher;
    for (const QString& folder : folders)
        if (QDir(folder).exists())
            watcher.addPath(folder);
    QEventLoop loop;
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, &QEventLoop::quit);
    QTimer tick;  // the job's state changes without a folder changing
    QObject::connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
    tick.start(500);
    QDeadlineTimer deadline(120000);
    while (true) {
        const QString file = find();
        if (!file.isEmpty() && completed() && pdfPageCount(file) > 0)
            return file;
        if (deadline.hasExpired()) {
            *why = QStringLiteral("no finished file of job %1 in %2 after 120 s (file: \"%3\"; lpstat -W all: %4)")
                       .arg(request, folders.join(' '), file,
                            run(QStringLiteral("lpstat"),
                                {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o"), destination})
                                .simplified()
                                .right(400));
            return QString();
        }
        loop.exec();
    }
}

double rendererMismatch(const QString& pdf, int page, int dpi) {
    const QImage poppler = pdfPage(pdf, page, dpi, Renderer::Poppler).convertToFormat(QImage::Format_Grayscale8);
    const QImage gs = pdfPage(pdf, page, dpi, Renderer::Ghostscript).convertToFormat(QImage::Format_Grayscale8);
    if (poppler.isNull() || gs.isNull())
        return 1.0;
    return inkMismatch(poppler, gs, bestShift(poppler, gs));
}

int colouredPixels(const QImage& img, const QRect& area) {
    int n = 0;
    const QRect inside = area.intersected(img.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QColor c = img.pixelColor(x, y);
            const int hi = std::max({c.red(), c.green(), c.blue()}), lo = std::min({c.red(), c.green(), c.blue()});
            n += hi - lo > 40;
        }
    return n;
}

int scattergramDots(const QString& pdf, Renderer renderer, QPoint shift) {
    // Where the layout puts the scattergram (twips), at its printed size.
    const auto twips = [](const char* key) {
        return leggiini(QStringLiteral("graph"), QString::fromLatin1(key), file::printIni, 15).toDouble();
    };
    const int dpi = 100;
    const QRect box(int(twips("scatt_x") * dpi / 1440), int(twips("scatt_y") * dpi / 1440), 2700 * dpi / 1440,
                    1695 * dpi / 1440);
    if (box.topLeft().isNull())
        return -1;
    // The queue may print a few points in from the paper's edge: a margin too.
    return colouredPixels(pdfPage(pdf, 1, dpi, renderer), box.translated(shift * dpi / 60).adjusted(-4, -4, 4, 4));
}

void expectQueuedPageMatches(const QString& queued, const QString& reference, const QStringList& texts) {
    EXPECT_EQ(pdfPageCount(queued), 1);
    const std::vector<PdfWord> words = pdfWords(reference);
    // The dots as poppler draws the page printed into a file: what each render of the queue's page must show.
    const int referenceDots = scattergramDots(reference, Renderer::Poppler);
    ASSERT_GT(referenceDots, 100) << "the reference page has no scattergram dots to compare with";
    for (const Renderer renderer : {Renderer::Poppler, Renderer::Ghostscript}) {
        const char* name = renderer == Renderer::Poppler ? "poppler (pdftoppm)" : "Ghostscript (gs)";
        SCOPED_TRACE(name);
        const QImage fromQueue = pdfPage(queued, 1, 60, renderer).convertToFormat(QImage::Format_Grayscale8);
        const QImage expected = pdfPage(reference, 1, 60, renderer).convertToFormat(QImage::Format_Grayscale8);
        ASSERT_FALSE(fromQueue.isNull());
        ASSERT_FALSE(expected.isNull());
        // Both A4; the renderers may round a paper size a point apart to another pixel.
        ASSERT_LE(std::abs(fromQueue.width() - expected.width()), 2);
        ASSERT_LE(std::abs(fromQueue.height() - expected.height()), 2);
        const QPoint shift = bestShift(expected, fromQueue);
        EXPECT_LT(inkMismatch(expected, fromQueue, shift), 0.05);
        for (const QString& text : texts) {
            const auto found = findText(words, text);
            ASSERT_EQ(found.size(), 1u) << text.toStdString();
            const double px = 60.0 / 72.0;
            const QRect box(int(found[0].xMin * px) - 1, int(found[0].yMin * px) - 1,
                            int((found[0].xMax - found[0].xMin) * px) + 3,
                            int((found[0].yMax - found[0].yMin) * px) + 3);
            EXPECT_LT(inkMismatch(expected, fromQueue, shift, box), 0.15) << text.toStdString();
        }
        // The document handed to the spooler, and the page the queue made of it.
        EXPECT_GE(scattergramDots(reference, renderer), referenceDots / 2) << "scattergram dots drawn by " << name;
        EXPECT_GE(scattergramDots(queued, renderer, shift), referenceDots / 2) << "scattergram dots drawn by " << name;
    }
}

}  // namespace zv::test
