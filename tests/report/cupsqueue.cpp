#include "cupsqueue.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

#include "pdftext.h"

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

QSet<QString> pdfFilesIn(const QStringList& folders) {
    QSet<QString> files;
    for (const QString& folder : folders)
        for (const QString& name : QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files))
            files.insert(folder + '/' + name);
    return files;
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
    int hasDefault = -1;
    const QString defaultDest = run(QStringLiteral("lpstat"), {QStringLiteral("-d")}, &hasDefault);
    if (!scheduler.contains(QLatin1String("scheduler is running")) || hasDefault != 0 ||
        !defaultDest.contains(QLatin1String("destination:")))
        return QStringLiteral(
            "No CUPS scheduler with a default destination is reachable (lpstat -r, lpstat -d): run "
            "scripts/cups-pdf-queue.sh, as scripts/test.sh does, to print through a PDF queue.");
    return QString();
}

QString awaitNewPdf(const QStringList& folders, const QSet<QString>& before,
                    const std::function<bool(const QString&)>& wanted) {
    QSet<QString> seen = before;
    QDeadlineTimer deadline(90000);
    while (!deadline.hasExpired()) {
        for (const QString& file : pdfFilesIn(folders) - seen) {
            if (pdfPageCount(file) <= 0 || pdfWords(file).empty())
                continue;  // still being written
            if (!wanted || wanted(file))
                return file;
            seen.insert(file);
        }
        QTest::qWait(200);
    }
    return QString();
}

}  // namespace zv::test
