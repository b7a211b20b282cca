#include "platform/files.h"
#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include <unistd.h>

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

// What an interrupted replacement leaves beside its target goes; nothing else does.
TEST_F(Files, StaleTemporariesAreRemovedAndNothingElse) {
    struct Case {
        const char* name;
        bool stale;
    } cases[] = {{".general.ini.tmp-1234-0", true},
                 {".port.ini.tmp-77-12", true},
                 {"zarviumtotale.mdb.tmp-4321", true},
                 {"zarviumtotale.mdb.tmp-4321-journal", true},
                 {"general.ini", false},
                 {"zarvium.mdb", false},
                 {"Temp.mdb", false},
                 {"notes.tmp", false},
                 {"report.tmp-final", false},
                 {".general.ini.tmp-", false},
                 {"zarvium.mdb-journal", false},
                 {".hidden", false}};
    QStringList expected;
    for (const Case& c : cases) {
        QFile f(path(QString::fromLatin1(c.name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        if (c.stale)
            expected << QString::fromLatin1(c.name);
    }
    QStringList removed = files::removeStaleTemporaries(dir.path());
    removed.sort();
    expected.sort();
    EXPECT_EQ(removed, expected);
    for (const Case& c : cases)
        EXPECT_EQ(QFile::exists(path(QString::fromLatin1(c.name))), !c.stale) << c.name;

    // Named: only that target's leftovers, as in a back-up folder shared with other files.
    for (const char* name : {"vet.mdb.tmp-5", "vet.mdb.tmp-5-journal", "other.mdb.tmp-5", ".vet.mdb.tmp-5-1"}) {
        QFile f(path(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    removed = files::removeStaleTemporaries(dir.path(), QStringLiteral("vet.mdb"));
    removed.sort();
    EXPECT_EQ(removed, (QStringList{".vet.mdb.tmp-5-1", "vet.mdb.tmp-5", "vet.mdb.tmp-5-journal"}));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("other.mdb.tmp-5"))));
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

// What a back-up target is compared with may not exist yet (a journal), and
// the target may name it by any spelling the kernel resolves.
TEST_F(Files, NamesSameFileSeesThroughLinksDotsAndMissingFiles) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("program/back-up")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("elsewhere")));
    QFile db(path(QStringLiteral("program/zarvium.mdb")));
    ASSERT_TRUE(db.open(QIODevice::WriteOnly));
    db.write("x");
    db.close();
    QFile other(path(QStringLiteral("program/vet.mdb")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    const QString live = path(QStringLiteral("program/zarvium.mdb"));
    const QString journal = path(QStringLiteral("program/zarvium.mdb-journal"));
    ASSERT_TRUE(QFile::link(live, path(QStringLiteral("elsewhere/link.mdb"))));
    ASSERT_TRUE(QFile::link(journal, path(QStringLiteral("elsewhere/dangling.mdb"))));
    ASSERT_TRUE(QFile::link(path(QStringLiteral("program/back-up")), path(QStringLiteral("elsewhere/folder"))));
    ASSERT_EQ(::link(QFile::encodeName(live).constData(),
                     QFile::encodeName(path(QStringLiteral("elsewhere/hard.mdb"))).constData()),
              0);

    struct Case {
        const char* target;
        const QString* of;
        bool same;
    };
    const Case cases[] = {
        {"program/zarvium.mdb", &live, true},
        {"program/back-up/../zarvium.mdb", &live, true},
        {"program//./zarvium.mdb", &live, true},
        {"elsewhere/link.mdb", &live, true},
        {"elsewhere/hard.mdb", &live, true},
        // ".." after a link to a folder leads to the link target's parent.
        {"elsewhere/folder/../zarvium.mdb", &live, true},
        {"elsewhere/dangling.mdb", &journal, true},
        {"program/back-up/../zarvium.mdb-journal", &journal, true},
        {"program/vet.mdb", &live, false},
        {"program/back-up/zarvium.mdb", &live, false},
        {"elsewhere/zarvium.mdb", &live, false},
        {"program/zarvium.mdb-journal", &live, false},
        // This folder's file system tells letter case apart.
        {"program/ZARVIUM.mdb", &live, false},
        {"program/Zarvium.mdb-journal", &journal, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        EXPECT_EQ(files::namesSameFile(path(QString::fromLatin1(c.target)), *c.of), c.same);
        EXPECT_EQ(files::namesSameFile(*c.of, path(QString::fromLatin1(c.target))), c.same);
    }
    EXPECT_FALSE(files::namesSameFile(QString(), live));
}
