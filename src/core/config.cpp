#include "core/config.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

#include "core/language.h"
#include "core/notifier.h"
#include "core/programfiles.h"
#include "platform/clock.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace zv {

namespace {

QString& folderStore() {
    static QString folder;
    return folder;
}

std::optional<LoggedError>& pendingStore() {
    static std::optional<LoggedError> pending;
    return pending;
}

// An empty folder is the program folder; one trailing separator is dropped
// together with any blanks before it.
QString iniPath(const QString& folder, const QString& file) {
    QString dir = folder.isEmpty() ? programFolder() : folder;
    if (!dir.isEmpty() && (dir.endsWith(QLatin1Char('\\')) || dir.endsWith(QLatin1Char('/')))) {
        dir.chop(1);
        while (dir.endsWith(QLatin1Char(' ')))
            dir.chop(1);
    }
    return dir + QLatin1Char('/') + file;
}

}  // namespace

const QString& programFolder() { return folderStore(); }

void setProgramFolder(const QString& folder) { folderStore() = QDir::cleanPath(folder); }

QString defaultProgramFolder() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/zarvium");
}

QString programPath(const QString& relative) { return programFolder() + QLatin1Char('/') + relative; }

QString programFileNamedBy(const QString& path) {
    static const QLatin1String databases[] = {file::dailyDb, file::archiveDb, file::referenceDb,
                                              file::vetDb,   file::scratchDb, file::archiveTemplate};
    static const QLatin1String others[] = {file::generalIni, file::portIni, file::printIni, file::oemIni,
                                           file::lockFile};
    QStringList own;
    for (const QLatin1String database : databases) {
        const QString path = programPath(database);
        own << path << path + QStringLiteral("-journal");
        // SQLite keeps the journal of a database reached through a link
        // beside the file the link leads to, under that file's name.
        const QString real = QFileInfo(path).canonicalFilePath();
        if (!real.isEmpty() && real != QDir::cleanPath(path))
            own << real + QStringLiteral("-journal");
    }
    for (const QLatin1String other : others)
        own << programPath(other);
    for (const QString& language : languageFiles())
        own << programPath(language);
    for (const QString& candidate : own)
        if (files::namesSameFile(candidate, path))
            return candidate;
    return QString();
}

QString leggiini(const QString& section, const QString& key, const QString& file, int32_t size, const QString& folder) {
    if (size < 0)
        throw AppError(err::InvalidCall, QStringLiteral("Invalid procedure call or argument"));
    if (size == 0)
        return QString();
    const QString path = profile::resolvePath(iniPath(folder, file));
    QString failure;
    const QString value = profile::read(path, section, key, &failure);
    if (!failure.isEmpty()) {
        // Every failed read is logged; the user is told once per file and run,
        // not once for each of the many keys a window reads.
        logerrore(err::PathFileAccess, QStringLiteral("Cannot read %1 [%2] %3: %4").arg(path, section, key, failure),
                  QStringLiteral("leggiini"));
        static QSet<QString> reported;
        if (!reported.contains(path)) {
            reported.insert(path);
            emit notifier().iniFileUnreadable(path);
        }
        return QString();
    }
    return value.left(size - 1);
}

namespace {

template <class Convert>
auto leggiiniAs(const QString& section, const QString& key, const QString& file, int32_t size, Convert convert) {
    const QString value = leggiini(section, key, file, size);
    try {
        return convert(value);
    } catch (const AppError& e) {
        throw settingError(e, section, key, file, value);
    }
}

}  // namespace

AppError settingError(const AppError& e, const QString& section, const QString& key, const QString& file,
                      const QString& value) {
    return AppError(e.number(),
                    QStringLiteral("%1: %2 [%3] %4 = \"%5\"")
                        .arg(e.description(), profile::resolvePath(iniPath(QString(), file)), section, key, value));
}

int16_t leggiiniInt16(const QString& section, const QString& key, const QString& file, int32_t size) {
    return leggiiniAs(section, key, file, size, [](const QString& v) { return toInt16(v); });
}

double leggiiniDouble(const QString& section, const QString& key, const QString& file, int32_t size, QChar decimal) {
    return leggiiniAs(section, key, file, size, [decimal](const QString& v) {
        return toDouble(v, decimal.isNull() ? regionalDecimal() : decimal);
    });
}

bool leggiiniBool(const QString& section, const QString& key, const QString& file, int32_t size) {
    return leggiiniAs(section, key, file, size, [](const QString& v) { return toBool(v); });
}

void scriviini(const QString& section, const QString& key, const QString& value, const QString& file,
               const QString& folder) {
    profile::write(profile::resolvePath(iniPath(folder, file)), section, key, value);
}

QChar configuredDecimalMark() {
    const QString mark = leggiini(QStringLiteral("separatore"), QStringLiteral("decimale"), file::generalIni, 8);
    if (mark == QLatin1String(",") || mark == QLatin1String("."))
        return mark.at(0);
    return regionalDecimal();
}

bool logerrore(int32_t number, const QString& description, const QString& window, const QString& said) {
    bool logged = false;
    try {
        const QDateTime at = clock::now();
        const QString path = programPath(QStringLiteral("log/") + formatDate(at.date(), QStringLiteral("dd.mm.yy")) +
                                         QStringLiteral(".log"));
        // One entry, one line, whatever the text holds (SQLite's verdicts do hold line breaks).
        QString oneLine = description;
        oneLine.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
        oneLine.replace(QLatin1Char('\r'), QLatin1Char(' '));
        const QString record = QLatin1Char('"') + formatTime(at.time()) + QStringLiteral("\t\t") + window +
                               QLatin1Char('\t') + QString::number(number) + QLatin1Char('\t') + oneLine +
                               QLatin1Char('"');
        try {
            files::appendBytes(path, record.toUtf8() + QByteArrayLiteral("\r\n"));
            logged = true;
        } catch (...) {
            // A missing log folder or a full disk must not stop the caller; the
            // status line below still tells the user what went wrong.
        }
        const LoggedError logged{window, number, description, said};
        if (notifier().hasStatusListener())
            emit notifier().errorLogged(logged);
        else
            pendingStore() = logged;
    } catch (...) {
    }
    return logged;
}

std::optional<LoggedError> takePendingError() {
    std::optional<LoggedError> logged = pendingStore();
    pendingStore().reset();
    return logged;
}

}  // namespace zv
