// The default-printer switcher on the real CUPS scheduler. Each test has a
// home folder of its own, so the user default it switches (the user's
// lpoptions file) is the test's alone and the system-wide default that other
// programs print on is never touched: the test starts from the PDF queue
// made the default in that file, whatever the system's default is.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "core/session.h"
#include "report/setdfltprinter.h"
#include "support/environment.h"
#include "support/fixture.h"

namespace zv {
namespace {

QString client(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    const bool done = p.waitForFinished(30000);
    if (exitCode)
        *exitCode = done && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// CUPS's default destination for this (test's) user, "" when none.
QString cupsDefault() {
    const QString out = client(QStringLiteral("lpstat"), {QStringLiteral("-d")});
    const qsizetype at = out.indexOf(QLatin1String("destination:"));
    return at < 0 ? QString() : out.mid(at + 12).trimmed();
}

class SwitcherTest : public test::ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        home_ = std::make_unique<test::ScopedEnv>("HOME", home_dir_.path().toLocal8Bit());
        // The caller's own choice would come before the lpoptions file switched here.
        lpdest_ = std::make_unique<test::ScopedEnv>("LPDEST", std::nullopt);
        printer_ = std::make_unique<test::ScopedEnv>("PRINTER", std::nullopt);
        session_ = std::make_unique<Session>();
    }
    void TearDown() override {
        session_.reset();
        printer_.reset();
        lpdest_.reset();
        home_.reset();
        ProgramFolderTest::TearDown();
    }
    // A scheduler with the PDF queue, that queue this user's default, and two instances of it.
    void needCups() {
        if (!client(QStringLiteral("lpstat"), {QStringLiteral("-r")}).contains(QLatin1String("scheduler is running")))
            GTEST_SKIP() << "no CUPS scheduler (scripts/cups-pdf-queue.sh sets one up)";
        system_ = test::testPrintQueue();
        int rc = -1;
        client(QStringLiteral("lpstat"), {QStringLiteral("-p"), system_}, &rc);
        if (rc != 0)
            GTEST_SKIP() << "CUPS has no queue " << system_.toStdString() << " (scripts/cups-pdf-queue.sh makes it)";
        client(QStringLiteral("lpoptions"), {QStringLiteral("-d"), system_}, &rc);
        ASSERT_EQ(rc, 0) << system_.toStdString();
        ASSERT_EQ(cupsDefault(), system_);
        // An instance is kept only with an option of its own.
        int priority = 40;
        for (const QString& instance : {first(), second()}) {
            client(QStringLiteral("lpoptions"),
                   {QStringLiteral("-p"), instance, QStringLiteral("-o"),
                    QStringLiteral("job-priority=%1").arg(priority++)},
                   &rc);
            ASSERT_EQ(rc, 0) << instance.toStdString();
        }
    }
    QString first() const { return system_ + QStringLiteral("/zv-bozza"); }
    QString second() const { return system_ + QStringLiteral("/zv-copia"); }

    QTemporaryDir home_dir_;
    std::unique_ptr<test::ScopedEnv> home_, lpdest_, printer_;
    std::unique_ptr<Session> session_;
    QString system_;  // this user's default destination before the test: the PDF queue
};

TEST_F(SwitcherTest, MakesAPrinterTheDefaultAndPutsTheFormerOneBack) {
    needCups();
    if (IsSkipped() || HasFatalFailure())
        return;
    {
        cSetDfltPrinter switcher;
        EXPECT_EQ(switcher.SavedDevice(), system_);
        EXPECT_TRUE(switcher.SetPrinterAsDefault(first()));
        EXPECT_EQ(cupsDefault(), first());
        EXPECT_TRUE(switcher.SetPrinterAsDefault(second()));
        EXPECT_EQ(cupsDefault(), second());
        EXPECT_EQ(switcher.CurrentDevice(), second());
    }
    EXPECT_EQ(cupsDefault(), system_);
}

TEST_F(SwitcherTest, ThePrinterItLastSetIsNotAskedForAgain) {
    needCups();
    if (IsSkipped() || HasFatalFailure())
        return;
    cSetDfltPrinter switcher;
    ASSERT_TRUE(switcher.SetPrinterAsDefault(first()));
    // Another program changes the default meanwhile: the switcher keeps its own record.
    int rc = -1;
    client(QStringLiteral("lpoptions"), {QStringLiteral("-d"), second()}, &rc);
    ASSERT_EQ(rc, 0);
    EXPECT_TRUE(switcher.SetPrinterAsDefault(first()));
    EXPECT_EQ(cupsDefault(), second());
    // The same name in other letters is another name to the switcher, so it goes to CUPS.
    EXPECT_TRUE(switcher.SetPrinterAsDefault(first().toUpper()));
    EXPECT_EQ(cupsDefault().compare(first(), Qt::CaseInsensitive), 0) << cupsDefault().toStdString();
}

TEST_F(SwitcherTest, NamesCupsRefusesChangeNothing) {
    needCups();
    if (IsSkipped() || HasFatalFailure())
        return;
    cSetDfltPrinter switcher;
    ASSERT_TRUE(switcher.SetPrinterAsDefault(first()));
    const QString refused[] = {
        QString(),
        QStringLiteral("zv-no-such-printer"),
        QStringLiteral("-E"),  // would be an option of the client
        QStringLiteral("-d"),
        QString(kPrinterNameMax + 1, QLatin1Char('p')),
        first() + QStringLiteral("\n") + second(),  // two names in one
    };
    for (const QString& name : refused) {
        EXPECT_FALSE(switcher.SetPrinterAsDefault(name)) << name.left(40).toStdString();
        EXPECT_EQ(switcher.CurrentDevice(), first());
        EXPECT_EQ(cupsDefault(), first());
    }
}

TEST_F(SwitcherTest, WithoutCupsTheProgramsOwnPrinterIsSwitched) {
    const test::ScopedEnv noScheduler("CUPS_SERVER",
                                      QDir(home_dir_.path()).filePath(QStringLiteral("no-cups.sock")).toLocal8Bit());
    session_->printer = QStringLiteral("laser-lab");
    {
        cSetDfltPrinter switcher;
        EXPECT_EQ(switcher.SavedDevice(), QStringLiteral("laser-lab"));
        EXPECT_TRUE(switcher.SetPrinterAsDefault(QStringLiteral("laser-reparto")));
        EXPECT_EQ(session_->printer, QStringLiteral("laser-reparto"));
        EXPECT_FALSE(switcher.SetPrinterAsDefault(QString()));
        EXPECT_EQ(session_->printer, QStringLiteral("laser-reparto"));
    }
    EXPECT_EQ(session_->printer, QStringLiteral("laser-lab"));

    // Made when there was no default: what it made the default stays so.
    session_->printer.clear();
    {
        cSetDfltPrinter switcher;
        EXPECT_TRUE(switcher.SavedDevice().isEmpty());
        EXPECT_TRUE(switcher.SetPrinterAsDefault(QStringLiteral("laser-lab")));
    }
    EXPECT_EQ(session_->printer, QStringLiteral("laser-lab"));
}

TEST_F(SwitcherTest, WithNeitherCupsNorASessionNothingIsSwitched) {
    const test::ScopedEnv noScheduler("CUPS_SERVER",
                                      QDir(home_dir_.path()).filePath(QStringLiteral("no-cups.sock")).toLocal8Bit());
    session_.reset();
    cSetDfltPrinter switcher;
    EXPECT_TRUE(switcher.SavedDevice().isEmpty());
    EXPECT_FALSE(switcher.SetPrinterAsDefault(QStringLiteral("laser-lab")));
    EXPECT_TRUE(switcher.CurrentDevice().isEmpty());
}

TEST(PrinterNameTest, LongerNamesAreNoNamesAtAll) {
    const struct {
        QString text;
        QString kept;
    } cases[] = {
        {QStringLiteral("zarvium-pdf"), QStringLiteral("zarvium-pdf")},
        {QString(kPrinterNameMax, QLatin1Char('a')), QString(kPrinterNameMax, QLatin1Char('a'))},
        {QString(kPrinterNameMax + 1, QLatin1Char('a')), QString()},
        {QStringLiteral("a\nb"), QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(boundedPrinterName(c.text), c.kept) << c.text.left(20).toStdString();
}

}  // namespace
}  // namespace zv
