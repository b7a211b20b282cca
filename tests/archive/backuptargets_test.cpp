#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "archive/backuptargets.h"
#include "core/config.h"
#include "core/programfiles.h"
#include "platform/database.h"
#include "support/fixture.h"
#include "support/results.h"

namespace zv {
namespace {

class BackupTargets : public test::ProgramFolderTest {
protected:
    const BackupSetting& archive = backupSettings()[0];
    const BackupSetting& vet = backupSettings()[2];

    void write(const QString& file, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static int64_t results(const QString& database) {
        Connection cn(database);
        return test::rowCount(cn, "datinumerici");
    }
};

// A copy replaces a missing, an empty or an earlier back-up file; nothing else.
TEST_F(BackupTargets, ACopyReplacesOnlyABackUpOrNothing) {
    {
        Connection cn(path(file::archiveDb));
        test::addManyResults(cn, 20);
    }
    const BackupTarget mine = backupTarget(archive, path("back-up/mio.mdb"));
    copyToBackupTarget(mine, {});
    copyToBackupTarget(mine, {});
    EXPECT_EQ(results(mine.path), 20);
    write(path("vuoto.mdb"), QByteArray());
    copyToBackupTarget(backupTarget(archive, path("vuoto.mdb")), {});
    EXPECT_EQ(results(path("vuoto.mdb")), 20);
}

TEST_F(BackupTargets, ATargetThatWouldReplaceSomethingElseIsRefusedAndLeftAsItWas) {
    write(path("appunti.txt"), "ematologia\n");
    write(path("log/08.12.26.log"), "08/12/26 14:05:09 ...\r\n");
    write(path("corto.mdb"), "SQLite");
    const std::vector<BackupTarget> kept{backupTarget(archive, QString())};
    const struct {
        const char* name;
        QString value;
        BackupRefusal reason;
    } cases[] = {
        {"the live archive", path(file::archiveDb), BackupRefusal::ProgramFile},
        {"the daily database, spelled with ./", path("./zarvium.mdb"), BackupRefusal::ProgramFile},
        {"the archive back-up's default file", path("log/../back-up/zarviumtotale.mdb"), BackupRefusal::OtherBackup},
        {"a text file", path("appunti.txt"), BackupRefusal::NotADatabase},
        {"the day's error log", path("log/08.12.26.log"), BackupRefusal::ProgramFile},
        {"a log of a day not logged yet", path("log/09.12.26.log"), BackupRefusal::ProgramFile},
        {"the null device", "/dev/null", BackupRefusal::NotADatabase},
        {"a file shorter than a database header", path("corto.mdb"), BackupRefusal::NotADatabase},
        {"a folder", path("log"), BackupRefusal::NotADatabase},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QFileInfo before(c.value);
        const QByteArray bytes = before.isFile() ? fileBytes(c.value) : QByteArray();
        std::optional<BackupRefusal> refused;
        try {
            copyToBackupTarget(backupTarget(vet, c.value), kept);
        } catch (const BackupTargetRefused& e) {
            refused = e.reason();
            EXPECT_TRUE(e.description().contains(c.value)) << e.description().toStdString();
        }
        EXPECT_EQ(refused, c.reason);
        if (before.isFile()) {
            EXPECT_TRUE(fileBytes(c.value) == bytes);
        }
    }
    EXPECT_FALSE(QFileInfo::exists(path("back-up/zarviumtotale.mdb")));
}

TEST_F(BackupTargets, TheRefusalOfAnotherBackUpsFileNamesItsKeyOrItsDefault) {
    const std::vector<BackupTarget> kept{backupTarget(archive, QString())};
    try {
        requireBackupTarget(backupTarget(vet, path("back-up/zarviumtotale.mdb")), kept);
        FAIL() << "not refused";
    } catch (const BackupTargetRefused& e) {
        EXPECT_TRUE(
            e.description().contains(QStringLiteral("general.ini [back-up] pathautobackup (empty: the default \"%1\")")
                                         .arg(path("back-up/zarviumtotale.mdb"))))
            << e.description().toStdString();
    }
    EXPECT_EQ(backupTarget(vet, "/x/vet.mdb").settingText(),
              "general.ini [back-up] pathautobackupvet = \"/x/vet.mdb\"");
}

TEST_F(BackupTargets, ALongPathIsReadWholeAndNamesItsOwnFile) {
    const QString folder = path(QString(240, QLatin1Char('d')));
    for (const BackupSetting& setting : backupSettings())
        scriviini("back-up", setting.key, folder + "/" + setting.database, "general.ini");
    for (const BackupSetting& setting : backupSettings())
        EXPECT_EQ(configuredBackupTarget(setting).path, folder + "/" + setting.database);
}

// SQLite keeps the journal of a database reached through a link beside the
// file the link leads to: a copy there would be rolled into the archive.
TEST_F(BackupTargets, TheJournalBesideALinkedDatabasesRealFileIsTheProgramsOwn) {
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QString real = elsewhere.path() + "/archivio-reale.mdb";
    ASSERT_TRUE(QFile::rename(path(file::archiveDb), real));
    ASSERT_TRUE(QFile::link(real, path(file::archiveDb)));
    EXPECT_FALSE(programFileNamedBy(real + "-journal").isEmpty());
    EXPECT_THROW(requireBackupTarget(backupTarget(archive, real + "-journal"), {}), BackupTargetRefused);
    EXPECT_EQ(programFileNamedBy(real), path(file::archiveDb));
    EXPECT_TRUE(programFileNamedBy(elsewhere.path() + "/altro.mdb-journal").isEmpty());
}

}  // namespace
}  // namespace zv
