#include "platform/defaultprinter.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace zv {

namespace {

// The clients answer within moments; a scheduler that hangs must not hang us.
constexpr int kClientTimeoutMs = 15000;
// More than any answer of these clients; anything beyond is not read.
constexpr qint64 kOutputMax = 64 * 1024;

struct ClientRun {
    bool ok = false;  // ran and exited 0
    QString out;
};

ClientRun runClient(const QString& program, const QStringList& args) {
    QProcess process;
    // The clients' words are parsed, so they must not be translated.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, args, QIODevice::ReadOnly);
    ClientRun run;
    if (!process.waitForStarted(kClientTimeoutMs))
        return run;
    if (!process.waitForFinished(kClientTimeoutMs)) {
        process.kill();
        process.waitForFinished(kClientTimeoutMs);
        return run;
    }
    run.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    run.out = QString::fromLocal8Bit(process.read(kOutputMax));
    return run;
}

}  // namespace

QString boundedPrinterName(const QString& text) {
    if (text.size() > kPrinterNameMax || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')))
        return QString();
    return text;
}

QString CupsDefaultPrinter::defaultPrinter() {
    const ClientRun run = runClient(QStringLiteral("lpstat"), {QStringLiteral("-d")});
    if (!run.ok)
        return QString();
    static const QLatin1String marker("system default destination:");
    for (const QString& line : run.out.split(QLatin1Char('\n'))) {
        if (line.startsWith(marker))
            return boundedPrinterName(line.mid(marker.size()).trimmed());
    }
    return QString();
}

QStringList CupsDefaultPrinter::destinations() {
    const ClientRun run = runClient(QStringLiteral("lpstat"), {QStringLiteral("-e")});
    QStringList names;
    if (!run.ok)
        return names;
    for (const QString& line : run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString name = boundedPrinterName(line.trimmed());
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

bool CupsDefaultPrinter::setDefaultPrinter(const QString& name) {
    // A name that starts with "-" would be taken as an option of the client.
    if (name.isEmpty() || boundedPrinterName(name).isEmpty() || name.startsWith(QLatin1Char('-')) ||
        name.trimmed() != name)
        return false;
    return runClient(QStringLiteral("lpoptions"), {QStringLiteral("-d"), name}).ok;
}

}  // namespace zv
