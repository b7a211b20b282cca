#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/database.h"
#include "platform/databasebackup.h"
#include "platform/dbfiles.h"
#include "platform/errors.h"
#include "support/failure.h"
#include "support/smallfs.h"

namespace zv {
namespace {

using test::failureOf;

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

mode_t modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class DatabaseBackup : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }

    // A database whose check takes far longer than its copy: many short rows
    // under three indexes, each row looked up in each index by the check.
    QString slowToCheck(int rows = 150000) {
        const QString db = path(QStringLiteral("lento.mdb"));
        createDatabaseFromSql(db, QStringLiteral("CREATE TABLE t (k INTEGER PRIMARY KEY, a TEXT, b TEXT, c INTEGER);"
                                                 "CREATE INDEX ta ON t (a); CREATE INDEX tb ON t (b, a);"
                                                 "CREATE INDEX tc ON t (c, b);"));
        Connection cn(db);
        Transaction tx(cn);
        cn.execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                  "INSERT INTO t (a, b, c) SELECT hex(randomblob(6)), hex(randomblob(4)), random() "
                                  "FROM n")
                       .arg(rows));
        tx.commit();
        return db;
    }

    QString small() {
        const QString db = path(QStringLiteral("piccolo.mdb"));
        createDatabaseFromSql(db, QStringLiteral("CREATE TABLE t (x); INSERT INTO t VALUES (1), (2);"));
        return db;
    }

    QTemporaryDir dir_;
};

// The copy runs beside the check: on a file whose check is much slower than
// its copy, the copy is whole on the disk while the check still runs.
TEST_F(DatabaseBackup, TheCopyEndsWhileTheCheckStillRuns) {
    const QString db = slowToCheck();
    const QString target = path(QStringLiteral("copia.mdb"));
    const QString temp = target + QStringLiteral(".tmp-%1").arg(::getpid());
    const qint64 size = QFileInfo(db).size();
    const std::thread::id caller = std::this_thread::get_id();
    int seenWholeDuringCheck = 0;
    backupDatabase(db, target, [&](int percent) {
        if (std::this_thread::get_id() == caller && percent < 100 && QFileInfo(temp).size() == size)
            ++seenWholeDuringCheck;
    });
    EXPECT_GT(seenWholeDuringCheck, 0);
    EXPECT_EQ(bytesOf(target), bytesOf(db));
}

// A copy that fails (a full disk) stops the check and is what is reported;
// the previous back-up stays, and nothing of the attempt is left.
TEST_F(DatabaseBackup, AFailedCopyStopsTheCheckAndIsWhatIsReported) {
    const QString db = slowToCheck();
    test::SmallFileSystem disk(4 * QFileInfo(db).size());
    if (!disk.mounted())
        GTEST_SKIP() << disk.error().toStdString();
    const QString target = disk.path() + QStringLiteral("/copia.mdb");
    backupDatabase(small(), target);
    const QByteArray previous = bytesOf(target);
    disk.fillLeaving(64 * 1024);
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> checkedSoFar{0};
    const auto [number, description] = failureOf([&] {
        backupDatabase(db, target, [&](int percent) {
            if (std::this_thread::get_id() == caller)
                checkedSoFar = percent;
        });
    });
    EXPECT_EQ(number, err::PathFileAccess);
    EXPECT_TRUE(description.contains(QStringLiteral("copia.mdb"))) << description.toStdString();
    // A check run to its end would have told half the way at least.
    EXPECT_LT(checkedSoFar.load(), 30);
    EXPECT_EQ(bytesOf(target), previous);
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files), (QStringList{"copia.mdb", "filler"}));
}

// Whatever goes wrong on the copy's thread fails the back-up, not the program.
TEST_F(DatabaseBackup, AFailureOnTheCopysThreadIsAFailedBackUp) {
    const QString db = slowToCheck(60000);
    const QString target = path(QStringLiteral("copia.mdb"));
    backupDatabase(small(), target);
    const QByteArray previous = bytesOf(target);
    const std::thread::id caller = std::this_thread::get_id();
    EXPECT_THROW(backupDatabase(db, target,
                                [&](int) {
                                    if (std::this_thread::get_id() != caller)
                                        throw std::runtime_error("out of memory");
                                }),
                 AppError);
    EXPECT_EQ(bytesOf(target), previous);
    EXPECT_EQ(QDir(dir_.path()).entryList({QStringLiteral("*.tmp-*")}, QDir::Files), QStringList());
}

// A back-up and a compaction keep who may read the file, whatever the umask.
TEST_F(DatabaseBackup, ACopyAndACompactionKeepTheFilesPermissionBits) {
    const mode_t umask = ::umask(022);
    for (const mode_t mode : {mode_t(0600), mode_t(0640), mode_t(0664)}) {
        SCOPED_TRACE(mode);
        const QString db = small();
        ASSERT_EQ(::chmod(QFile::encodeName(db).constData(), mode), 0);
        const QString target = path(QStringLiteral("copia.mdb"));
        backupDatabase(db, target);
        EXPECT_EQ(modeOf(target), mode);
        compactDatabase(db, path(QStringLiteral("Temp.mdb")));
        EXPECT_EQ(modeOf(db), mode);
        removeDatabaseFile(db);
        removeDatabaseFile(target);
    }
    ::umask(umask);
}

// A database kept through a link on another disk: compacted and backed up in
// place beside the file the link leads to, the links staying links.
TEST_F(DatabaseBackup, FilesKeptThroughLinksOntoAnotherFileSystemAreReplacedWhereTheyLie) {
    test::SmallFileSystem disk(16 * 1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.error().toStdString();
    const QString real = disk.path() + QStringLiteral("/archivio.mdb");
    createDatabaseFromSql(real, QStringLiteral("CREATE TABLE t (x); INSERT INTO t VALUES (zeroblob(100000));"
                                               "DELETE FROM t;"));
    const QString link = path(QStringLiteral("zarviumtotale.mdb"));
    ASSERT_TRUE(QFile::link(real, link));
    compactDatabase(link, path(QStringLiteral("Temp.mdb")));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_LT(QFileInfo(real).size(), 100000);

    const QString realCopy = disk.path() + QStringLiteral("/copia.mdb");
    const QString copyLink = path(QStringLiteral("copia.mdb"));
    ASSERT_TRUE(QFile::link(realCopy, copyLink));  // dangling until the first back-up
    backupDatabase(small(), copyLink);
    backupDatabase(link, copyLink);
    EXPECT_TRUE(QFileInfo(copyLink).isSymLink());
    EXPECT_EQ(bytesOf(realCopy), bytesOf(real));
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files), (QStringList{"archivio.mdb", "copia.mdb"}));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::System),
              (QStringList{"copia.mdb", "piccolo.mdb", "zarviumtotale.mdb"}));
}

// The copy reads through SQLite's own descriptor, as the SQLite the program
// links lays its file object out, and the kernel copies it within one file
// system; across file systems the bytes go through memory.
TEST_F(DatabaseBackup, TheKernelCopiesThroughSqlitesOwnDescriptor) {
    const QString db = slowToCheck(20000);
    const BackupCopied local = backupDatabase(db, path(QStringLiteral("copia.mdb")));
    EXPECT_TRUE(local.throughSqliteFile);
    EXPECT_TRUE(local.inKernel);
    EXPECT_EQ(bytesOf(path(QStringLiteral("copia.mdb"))), bytesOf(db));

    test::SmallFileSystem disk(16 * 1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.error().toStdString();
    const QString other = disk.path() + QStringLiteral("/copia.mdb");
    const BackupCopied across = backupDatabase(db, other);
    EXPECT_FALSE(across.inKernel);
    EXPECT_EQ(bytesOf(other), bytesOf(db));
}

// Where SQLite's file object cannot be read, the descriptor is the one the
// process holds on the same file, found without opening it again.
TEST_F(DatabaseBackup, ADescriptorIsFoundByTheFileItIsOpenOn) {
    const QString db = small();
    EXPECT_EQ(openDescriptorOf(db), -1);
    QFile open(db);
    ASSERT_TRUE(open.open(QIODevice::ReadOnly));
    const int fd = openDescriptorOf(db);
    struct stat a {
    }, b{};
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::fstat(fd, &a), 0);
    ASSERT_EQ(::fstat(open.handle(), &b), 0);
    EXPECT_EQ(a.st_ino, b.st_ino);
    EXPECT_EQ(openDescriptorOf(path(QStringLiteral("nessuno.mdb"))), -1);
}

// A database another program left in write-ahead-log mode holds its latest
// changes in its -wal file: a copy of the file alone would miss them.
TEST_F(DatabaseBackup, ADatabaseInWriteAheadLogModeIsRefused) {
    const QString db = small();
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(db).constData(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "PRAGMA journal_mode=WAL; INSERT INTO t VALUES (3);", nullptr, nullptr, nullptr),
              SQLITE_OK);
    const QString target = path(QStringLiteral("copia.mdb"));
    const auto [number, description] = failureOf([&] { backupDatabase(db, target); });
    sqlite3_close(raw);
    EXPECT_EQ(number, err::Database);
    EXPECT_TRUE(description.contains(QStringLiteral("write-ahead-log"))) << description.toStdString();
    EXPECT_FALSE(QFileInfo::exists(target));
}

}  // namespace
}  // namespace zv
