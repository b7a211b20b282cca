#include <QDir>
#include <QFile>

#include <unistd.h>

#include "core/config.h"
#include "core/notifier.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "support/fixture.h"

namespace zv {
namespace {

class ConfigStore : public test::ProgramFolderTest {
protected:
    void writeFile(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
};

TEST_F(ConfigStore, ReadsKeysWithTheBufferCut) {
    writeFile("sample.ini", "[Sec]\nseven=1234567\neight=12345678\nempty=\n");
    struct Case {
        const char* section;
        const char* key;
        const char* file;
        int size;
        const char* expected;
    } cases[] = {
        {"sec", "SEVEN", "sample.ini", 8, "1234567"},     // fits exactly
        {"sec", "eight", "sample.ini", 8, "1234567"},     // cut to size - 1
        {"sec", "eight", "SAMPLE.INI", 255, "12345678"},  // file name without regard to case
        {"sec", "eight", "sample.ini", 1, ""},           {"sec", "eight", "sample.ini", 0, ""},
        {"sec", "empty", "sample.ini", 255, ""},         {"sec", "missing", "sample.ini", 255, ""},
        {"nosection", "seven", "sample.ini", 255, ""},   {"sec", "seven", "nofile.ini", 255, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(leggiini(c.section, c.key, c.file, c.size), QString::fromUtf8(c.expected))
            << c.section << "/" << c.key << "/" << c.file << "/" << c.size;
    EXPECT_THROW(leggiini("sec", "seven", "sample.ini", -1), AppError);
}

TEST_F(ConfigStore, ShippedGeneralIniIsFoundUnderAnyCase) {
    EXPECT_EQ(leggiini("back-up", "giorni", "General.ini", 5), QStringLiteral("7"));
    EXPECT_EQ(leggiini("cal", "wbc", "general.ini", 8), QStringLiteral("1"));
}

TEST_F(ConfigStore, FolderRuleTakesTrailingSeparatorAndEmptyFolder) {
    QDir().mkpath(path("other"));
    scriviini("s", "k", "v", "x.ini", path("other") + QStringLiteral("  \\"));
    EXPECT_EQ(leggiini("s", "k", "x.ini", 255, path("other")), QStringLiteral("v"));
    EXPECT_EQ(leggiini("s", "k", "x.ini", 255, path("other") + "/"), QStringLiteral("v"));
    EXPECT_EQ(leggiini("s", "k", "x.ini", 255), QString());  // the program folder has no x.ini
}

TEST_F(ConfigStore, WriteCreatesMissingFileAndKeepsOtherLines) {
    scriviini("new", "key", "value", "fresh.ini");
    EXPECT_EQ(leggiini("NEW", "KEY", "fresh.ini", 255), QStringLiteral("value"));

    const QByteArray before = "; comment\r\n[a]\r\nx = 1\r\ny=2\r\n\r\n[b]\r\nz=3\r\n";
    writeFile("keep.ini", before);
    scriviini("A", "Y", "20", "keep.ini");
    scriviini("b", "w", "4", "keep.ini");
    const QByteArray after = fileBytes(path("keep.ini"));
    EXPECT_EQ(after, QByteArray("; comment\r\n[a]\r\nx = 1\r\ny=20\r\n\r\n[b]\r\nz=3\r\nw=4\r\n"));
}

TEST_F(ConfigStore, WriteIntoMissingFolderChangesNothing) {
    scriviini("s", "k", "v", "x.ini", path("nowhere"));
    EXPECT_FALSE(QFileInfo::exists(path("nowhere")));
}

TEST_F(ConfigStore, ErrorRecordIsAppendedExactly) {
    logerrore(-2147467259, "x", "Principale");
    logerrore(0, "two\tfields", "ComCD");
    // SQLite's verdicts hold line breaks: an entry stays one line.
    logerrore(-2147467259, "damaged: *** in database main ***\nPage 7: bad\r\nmore\r", "frmSplash");
    EXPECT_EQ(
        fileBytes(path("log/08.12.26.log")),
        QByteArray("\"14.05.09\t\tPrincipale\t-2147467259\tx\"\r\n"
                   "\"14.05.09\t\tComCD\t0\ttwo\tfields\"\r\n"
                   "\"14.05.09\t\tfrmSplash\t-2147467259\tdamaged: *** in database main *** Page 7: bad more \"\r\n"));
}

// A window reads many keys of one file: an unreadable file is told once per
// file and run, and each failed read is in the log.
TEST_F(ConfigStore, UnreadableFileIsToldOncePerFileAndEveryReadLogged) {
    QStringList told;
    const auto connection =
        QObject::connect(&notifier(), &Notifier::iniFileUnreadable, [&](const QString& file) { told << file; });
    // A folder where the file should be cannot be read by anyone; a file
    // without read permission only by a user other than root.
    ASSERT_TRUE(QFile::remove(path("general.ini")));
    ASSERT_TRUE(QDir().mkpath(path("general.ini")));
    const bool asRoot = ::geteuid() == 0;
    if (!asRoot) {
        ASSERT_TRUE(QFile::setPermissions(path("port.ini"), QFileDevice::Permissions()));
    }
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(leggiini("cal", "wbc", "general.ini", 8), QString());
        if (!asRoot) {
            EXPECT_EQ(leggiini("port", "rate", "port.ini", 15), QString());
        }
    }
    QObject::disconnect(connection);
    QStringList expected{path("general.ini")};
    if (!asRoot)
        expected << path("port.ini");
    EXPECT_EQ(told, expected);
    const QString log = QString::fromUtf8(fileBytes(path("log/08.12.26.log")));
    EXPECT_EQ(log.count(QStringLiteral("general.ini")), 15) << log.toStdString();
    EXPECT_EQ(log.count(QStringLiteral("port.ini")), asRoot ? 0 : 15);
    // A readable file and a missing one are no failure.
    EXPECT_EQ(leggiini("print", "logo", "oem.ini", 255), leggiini("print", "logo", "OEM.INI", 255));
    EXPECT_EQ(leggiini("s", "k", "nofile.ini", 15), QString());
    EXPECT_EQ(QString::fromUtf8(fileBytes(path("log/08.12.26.log"))), log);
}

TEST_F(ConfigStore, LoggerReturnsWithoutLogFolder) {
    QDir(path("log")).removeRecursively();
    logerrore(75, "Path/File access error", "Principale");
    EXPECT_FALSE(QFileInfo::exists(path("log")));
    EXPECT_EQ(takePendingError(), (LoggedError{"Principale", 75, "Path/File access error", {}}));
}

}  // namespace
}  // namespace zv
