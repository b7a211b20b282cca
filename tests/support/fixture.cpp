#include "support/fixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLocale>

#include "core/config.h"
#include "core/programfolder.h"
#include "platform/clock.h"
#include "platform/errors.h"

namespace zv::test {

void copyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString dest = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
        if (it.fileInfo().isDir())
            QDir().mkpath(dest);
        else
            QFile::copy(source, dest);
    }
}

QString shippedFolderTemplate() {
    static QTemporaryDir holder;
    static QString folder;
    if (folder.isEmpty()) {
        folder = holder.path() + QStringLiteral("/shipped");
        layOutProgramFolder(QStringLiteral(ZV_DIST_DIR), folder);
    }
    return folder;
}

QDateTime ProgramFolderTest::defaultNow() { return QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9)); }

void ProgramFolderTest::SetUp() {
    ASSERT_TRUE(tmp_.isValid());
    folder_ = tmp_.path() + QStringLiteral("/zarvium");
    copyFolder(shippedFolderTemplate(), folder_);
    setProgramFolder(folder_);
    clock::setFixed(defaultNow());
    clock::seedRandom(1);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    setErrorSink([](int32_t number, const QString& description, const QString& window) {
        logerrore(number, description, window);
    });
}

void ProgramFolderTest::TearDown() {
    takePendingError();
    clock::clearFixed();
    setErrorSink(nullptr);
}

QString ProgramFolderTest::path(const QString& relative) const { return folder_ + QLatin1Char('/') + relative; }

QByteArray ProgramFolderTest::fileBytes(const QString& p) {
    QFile f(p);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

}  // namespace zv::test
