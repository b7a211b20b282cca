#include "core/programfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "platform/database.h"
#include "platform/errors.h"

namespace zv {

namespace {

QString readText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw AppError(err::FileNotFound, QStringLiteral("File not found: %1").arg(path));
    return QString::fromUtf8(f.readAll());
}

void copyTree(const QString& from, const QString& to) {
    QDir().mkpath(to);
    // Absolute, so that a dist folder given relative to the working folder
    // ("dist") still gives paths relative to itself.
    const QDir base(QFileInfo(from).absoluteFilePath());
    QDirIterator it(base.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString relative = base.relativeFilePath(source);
        if (relative == QLatin1String("schema") || relative.startsWith(QLatin1String("schema/")))
            continue;
        if (it.fileName() == QLatin1String(".gitkeep"))
            continue;
        const QString dest = to + QLatin1Char('/') + relative;
        if (it.fileInfo().isDir()) {
            if (!QDir().mkpath(dest))
                throw AppError(err::PathFileAccess, QStringLiteral("Cannot create %1").arg(dest));
        } else {
            QDir().mkpath(QFileInfo(dest).absolutePath());
            if (!QFile::copy(source, dest))
                throw AppError(err::PathFileAccess, QStringLiteral("Cannot copy %1").arg(source));
            QFile::setPermissions(dest, QFile::permissions(dest) | QFile::WriteOwner);
        }
    }
}

}  // namespace

void layOutProgramFolder(const QString& dist, const QString& target) {
    if (QFileInfo::exists(target))
        throw AppError(err::PathFileAccess, QStringLiteral("The program folder already exists: %1").arg(target));
    const QString schema = dist + QStringLiteral("/schema/");
    const QString results = readText(schema + QStringLiteral("results.sql"));
    const QString references = readText(schema + QStringLiteral("riferimenti.sql"));
    const QString veterinary = readText(schema + QStringLiteral("vet.sql"));
    copyTree(dist, target);
    for (const char* sub : {"log", "rxlog", "back-up/startdb", "immagini", "logo"})
        QDir().mkpath(target + "/" + sub);
    createDatabaseFromSql(target + QStringLiteral("/zarvium.mdb"), results);
    createDatabaseFromSql(target + QStringLiteral("/zarviumtotale.mdb"), results);
    createDatabaseFromSql(target + QStringLiteral("/back-up/startdb/zarviumtotale.mdb"), results);
    createDatabaseFromSql(target + QStringLiteral("/riferimenti.mdb"), references);
    createDatabaseFromSql(target + QStringLiteral("/vet.mdb"), veterinary);
}

}  // namespace zv
