#include "platform/profile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace {

namespace profile = zv::profile;

class Profile : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    void put(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray contents(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QStringList entries() const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir;
};

TEST_F(Profile, ReadMatchesNamesWithoutCaseAndMissingReadsEmpty) {
    put(QStringLiteral("general.ini"),
        "\xEF\xBB\xBF; shipped settings\r\n"
        "top=outside any section\r\n"
        "[Language]\r\n"
        "  Lingua  =  it  \r\n"
        "empty=\r\n"
        ";lingua=commented\r\n"
        "lingua=second\r\n"
        "\r\n"
        "[ Separatore ]\r\n"
        "decimale=,\r\n"
        "path = C:\\dati = vecchi\r\n"
        "[language]\r\n"
        "extra=later section\r\n"
        "[Città]\r\n"
        "Perché=sì");
    const struct {
        const char* file;
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"general.ini", "language", "lingua", "it"},
        {"General.ini", "LANGUAGE", "LINGUA", "it"},
        {"GENERAL.INI", " language ", " lingua ", "it"},
        {"general.ini", "separatore", "Decimale", ","},
        {"general.ini", "separatore", "path", "C:\\dati = vecchi"},
        {"general.ini", "language", "empty", ""},
        {"general.ini", "language", "missing", ""},
        {"general.ini", "language", "extra", ""},
        {"general.ini", "language", "top", ""},
        {"general.ini", "nosection", "lingua", ""},
        {"general.ini", "CITTÀ", "perchÉ", "sì"},
        {"port.ini", "port", "porta", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " [" + c.section + "] " + c.key);
        EXPECT_EQ(
            profile::read(path(QString::fromUtf8(c.file)), QString::fromUtf8(c.section), QString::fromUtf8(c.key)),
            QString::fromUtf8(c.expected));
        // A snapshot taken once gives every key what a read gives.
        EXPECT_EQ(profile::Snapshot(path(QString::fromUtf8(c.file)))
                      .read(QString::fromUtf8(c.section), QString::fromUtf8(c.key)),
                  QString::fromUtf8(c.expected));
    }
}

TEST_F(Profile, AFileChangedSinceItWasReadIsReadAgain) {
    const QString general = path(QStringLiteral("general.ini"));
    const auto rxlog = [&] { return profile::read(general, QStringLiteral("log"), QStringLiteral("rxlog")); };
    const struct {
        const char* how;
        std::function<void()> change;
        const char* expected;
    } cases[] = {
        // rewritten in place at once, to the same size: stat alone may not tell
        {"same size, same moment", [&] { put(QStringLiteral("general.ini"), "[log]\nrxlog=1\n"); }, "1"},
        {"longer", [&] { put(QStringLiteral("general.ini"), "[log]\nrxlog=22\n"); }, "22"},
        {"replaced",
         [&] {
             QFile::remove(general);
             put(QStringLiteral("general.ini"), "[log]\nrxlog=3\n");
         },
         "3"},
        {"written here",
         [&] { profile::write(general, QStringLiteral("log"), QStringLiteral("rxlog"), QStringLiteral("4")); }, "4"},
        {"removed", [&] { QFile::remove(general); }, ""},
    };
    put(QStringLiteral("general.ini"), "[log]\nrxlog=0\n");
    ASSERT_EQ(rxlog(), QStringLiteral("0"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        c.change();
        EXPECT_EQ(rxlog(), QString::fromLatin1(c.expected));
        EXPECT_EQ(rxlog(), QString::fromLatin1(c.expected));
    }
}

TEST_F(Profile, WritingTheValueAKeyHoldsLeavesTheFileAlone) {
    const QByteArray original = "[leggi]\r\nwidth = 11820\r\n";
    put(QStringLiteral("general.ini"), original);
    const QString general = path(QStringLiteral("general.ini"));
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(general).constData(), &before), 0);
    ASSERT_TRUE(profile::write(general, QStringLiteral("LEGGI"), QStringLiteral("Width"), QStringLiteral("11820")));
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(general).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(contents(QStringLiteral("general.ini")), original);

    ASSERT_TRUE(profile::write(general, QStringLiteral("leggi"), QStringLiteral("width"), QStringLiteral("14925")));
    EXPECT_EQ(contents(QStringLiteral("general.ini")), QByteArray("[leggi]\r\nwidth = 14925\r\n"));
}

TEST_F(Profile, ResolvePathFindsTheFileWhateverItsCase) {
    put(QStringLiteral("general.ini"), "");
    EXPECT_EQ(profile::resolvePath(path(QStringLiteral("General.ini"))), path(QStringLiteral("general.ini")));
    EXPECT_EQ(profile::resolvePath(path(QStringLiteral("general.ini"))), path(QStringLiteral("general.ini")));
    EXPECT_EQ(profile::resolvePath(path(QStringLiteral("print.ini"))), path(QStringLiteral("print.ini")));
}

TEST_F(Profile, WriteCreatesAMissingFile) {
    ASSERT_TRUE(profile::write(path(QStringLiteral("print.ini")), QStringLiteral("auto"), QStringLiteral("stampa_auto"),
                               QStringLiteral("1")));
    EXPECT_EQ(contents(QStringLiteral("print.ini")), QByteArray("[auto]\nstampa_auto=1\n"));
    EXPECT_EQ(profile::read(path(QStringLiteral("Print.ini")), QStringLiteral("AUTO"), QStringLiteral("Stampa_Auto")),
              QStringLiteral("1"));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("print.ini")});
}

TEST_F(Profile, WriteKeepsEveryOtherLineByteForByte) {
    const QByteArray original =
        "\xEF\xBB\xBF; port settings\r\n"
        "[General]\r\n"
        "Instrument = CD3000\r\n"
        "\r\n"
        "[Port]\r\n"
        "porta=1\r\n"
        "rate=9600\r\n"
        "; the second port is shown only\r\n"
        "\r\n"
        "\r\n"
        "[portwl]\r\n"
        "porta=2";
    const struct {
        const char* section;
        const char* key;
        const char* value;
        QByteArray expected;
    } cases[] = {
        // an existing key keeps its spelling and spacing; only the value changes
        {"general", "INSTRUMENT", "CD3500", QByteArray(original).replace("CD3000", "CD3500")},
        // a new key goes after the section's last key, before its comments and blank lines
        {"PORT", "parity", "n", QByteArray(original).replace("rate=9600\r\n", "rate=9600\r\nparity=n\r\n")},
        // a key of a section that ends the file without a line ending
        {"portwl", "rate", "300", original + "\r\nrate=300\r\n"},
        // a missing section goes at the end, after a blank line
        {"Stringhe", "data3000", "512", original + "\r\n\r\n[Stringhe]\r\ndata3000=512\r\n"},
        // values are UTF-8
        {"general", "instrument", "Città", QByteArray(original).replace("CD3000", "Citt\xC3\xA0")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("[") + c.section + "] " + c.key);
        put(QStringLiteral("port.ini"), original);
        ASSERT_TRUE(profile::write(path(QStringLiteral("Port.ini")), QString::fromUtf8(c.section),
                                   QString::fromUtf8(c.key), QString::fromUtf8(c.value)));
        EXPECT_EQ(contents(QStringLiteral("port.ini")), c.expected);
        EXPECT_EQ(
            profile::read(path(QStringLiteral("port.ini")), QString::fromUtf8(c.section), QString::fromUtf8(c.key)),
            QString::fromUtf8(c.value));
        EXPECT_EQ(entries(), QStringList{QStringLiteral("port.ini")});
    }
}

TEST_F(Profile, NewSectionInAnLfFileNeedsNoExtraBlankLine) {
    put(QStringLiteral("general.ini"), "[log]\nrxlog=0\n\n");
    ASSERT_TRUE(profile::write(path(QStringLiteral("general.ini")), QStringLiteral("database"), QStringLiteral("bk"),
                               QStringLiteral("08/12/26")));
    EXPECT_EQ(contents(QStringLiteral("general.ini")), QByteArray("[log]\nrxlog=0\n\n[database]\nbk=08/12/26\n"));
}

TEST_F(Profile, WriteIntoAMissingFolderFailsAndCreatesNothing) {
    const QString missing = dir.filePath(QStringLiteral("nofolder/general.ini"));
    EXPECT_FALSE(profile::write(missing, QStringLiteral("log"), QStringLiteral("rxlog"), QStringLiteral("1")));
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(profile::read(missing, QStringLiteral("log"), QStringLiteral("rxlog")), QString());
}

TEST_F(Profile, WriteRefusesTextThatWouldBreakTheLines) {
    put(QStringLiteral("general.ini"), "[log]\nrxlog=0\n");
    EXPECT_FALSE(profile::write(path(QStringLiteral("general.ini")), QStringLiteral("log"), QStringLiteral("rxlog"),
                                QStringLiteral("1\n[other]")));
    EXPECT_FALSE(profile::write(path(QStringLiteral("general.ini")), QStringLiteral("log"), QStringLiteral("a=b"),
                                QStringLiteral("1")));
    EXPECT_EQ(contents(QStringLiteral("general.ini")), QByteArray("[log]\nrxlog=0\n"));
}

TEST_F(Profile, ReadOnlyFileKeepsItsOldValue) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
    put(QStringLiteral("general.ini"), "[log]\nrxlog=0\n");
    QFile::setPermissions(path(QStringLiteral("general.ini")), QFile::ReadOwner);
    EXPECT_FALSE(profile::write(path(QStringLiteral("general.ini")), QStringLiteral("log"), QStringLiteral("rxlog"),
                                QStringLiteral("1")));
    EXPECT_EQ(profile::read(path(QStringLiteral("general.ini")), QStringLiteral("log"), QStringLiteral("rxlog")),
              QStringLiteral("0"));
}

}  // namespace
