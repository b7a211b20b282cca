#include "platform/files.h"
#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

namespace files = zv::files;

std::optional<int32_t> failure(const std::function<void()>& action) {
    try {
        action();
    } catch (const zv::AppError& e) {
        return e.number();
    }
    return std::nullopt;
}

class Files : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QByteArray contents(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList entries() const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    QTemporaryDir dir;
};

TEST_F(Files, ReplaceAtomicallyLeavesOnlyTheNewFileWithTheOldPermissions) {
    const QString target = path(QStringLiteral("zarvium.mdb"));
    files::replaceAtomically(target, "first");
    EXPECT_EQ(contents(QStringLiteral("zarvium.mdb")), QByteArray("first"));
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    files::replaceAtomically(target, QByteArray("second\0bytes", 12));
    EXPECT_EQ(contents(QStringLiteral("zarvium.mdb")), QByteArray("second\0bytes", 12));
    EXPECT_EQ(QFile::permissions(target) &
                  (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("zarvium.mdb")});
}

TEST_F(Files, ReplaceAtomicallyWritesThroughASymbolicLink) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("real")));
    const QString real = path(QStringLiteral("real/general.ini"));
    files::replaceAtomically(real, "old");
    ASSERT_TRUE(QFile::link(real, path(QStringLiteral("general.ini"))));
    files::replaceAtomically(path(QStringLiteral("general.ini")), "new");
    EXPECT_EQ(contents(QStringLiteral("real/general.ini")), QByteArray("new"));
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("general.ini"))).isSymLink());
}

TEST_F(Files, FailuresCarryTheirNumbersAndLeaveNothingBehind) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("afolder")));
    const struct {
        const char* what;
        std::function<void()> action;
        int32_t number;
    } cases[] = {
        {"replace in a missing folder", [&] { files::replaceAtomically(path(QStringLiteral("missing/x.mdb")), "x"); },
         76},
        {"replace a folder", [&] { files::replaceAtomically(path(QStringLiteral("afolder")), "x"); }, 75},
        {"append in a missing folder", [&] { files::appendBytes(path(QStringLiteral("missing/08.12.26.log")), "x"); },
         76},
        {"append to a folder", [&] { files::appendBytes(path(QStringLiteral("afolder")), "x"); }, 75},
        {"sync a missing file", [&] { files::syncPath(path(QStringLiteral("nofile"))); }, 53},
        {"sync in a missing folder", [&] { files::syncPath(path(QStringLiteral("missing/nofile"))); }, 76},
        {"rename a missing temp",
         [&] { files::renameOverAtomically(path(QStringLiteral("nofile")), path(QStringLiteral("x"))); }, 53},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(failure(c.action), c.number);
        EXPECT_EQ(entries(), QStringList{QStringLiteral("afolder")});
        EXPECT_TRUE(QDir(path(QStringLiteral("afolder"))).isEmpty());
    }
}

TEST_F(Files, RenameOverReplacesTheTarget) {
    files::replaceAtomically(path(QStringLiteral("riferimenti.mdb")), "old");
    files::replaceAtomically(path(QStringLiteral("riferimenti.tmp")), "new");
    files::renameOverAtomically(path(QStringLiteral("riferimenti.tmp")), path(QStringLiteral("riferimenti.mdb")));
    EXPECT_EQ(contents(QStringLiteral("riferimenti.mdb")), QByteArray("new"));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("riferimenti.mdb")});
    EXPECT_NO_THROW(files::syncPath(dir.path()));
}

TEST_F(Files, AppendBytesCreatesThenAppends) {
    const QString log = path(QStringLiteral("08.12.26.log"));
    files::appendBytes(log, "\"14.05.09\t\tPrincipale\t76\tPath not found\"\r\n");
    files::appendBytes(log, "\"14.05.09\t\tComCD\t-2147467259\tdisk I/O error\"\r\n");
    EXPECT_EQ(contents(QStringLiteral("08.12.26.log")),
              QByteArray("\"14.05.09\t\tPrincipale\t76\tPath not found\"\r\n"
                         "\"14.05.09\t\tComCD\t-2147467259\tdisk I/O error\"\r\n"));
}

}  // namespace
