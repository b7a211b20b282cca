#include "shell/session.h"

#include "archive/archivebrowse.h"
#include "platform/errors.h"
#include "shell/config.h"
#include "shell/language.h"
#include "shell/notifier.h"
#include "support/fixture.h"
#include "support/notifierlog.h"

namespace zv {
namespace {

class SessionTest : public test::ProgramFolderTest {};

TEST_F(SessionTest, OneAtATimeWithItsConnectionsInOrder) {
    EXPECT_EQ(Session::current(), nullptr);
    EXPECT_THROW(Session::get(), AppError);
    {
        Session s;
        EXPECT_EQ(&Session::get(), &s);
        EXPECT_THROW(Session second, AppError);
        s.setDatabasePaths(folder_);
        EXPECT_EQ(s.db_limiti, path("riferimenti.mdb"));
        s.openConnections(QLatin1Char(','));
        EXPECT_TRUE(s.cntot.isOpen() && s.cn.isOpen() && s.cnlimit.isOpen() && s.cnvet.isOpen());
        EXPECT_EQ(s.cn.decimalMark(), QLatin1Char(','));
        // The archive has the index its days are looked up in.
        EXPECT_TRUE(s.cntot.scalar(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = ?1"), {QString(kDateIndex)})
                        .isValid());
    }
    EXPECT_EQ(Session::current(), nullptr);

    // A missing reference database: the archive and daily ones open, the last two stay closed.
    QFile::remove(path("riferimenti.mdb"));
    Session s;
    s.setDatabasePaths(folder_);
    EXPECT_THROW(s.openConnections(QLatin1Char('.')), AppError);
    EXPECT_TRUE(s.cntot.isOpen() && s.cn.isOpen());
    EXPECT_FALSE(s.cnlimit.isOpen() || s.cnvet.isOpen());
}

TEST_F(SessionTest, ReportCaptionsReadEveryKeyOfTheSection) {
    Session s;
    s.stampa.read(QStringLiteral("de.ini"), QStringLiteral("stampa"));
    EXPECT_EQ(ReportCaptions::keys().size(), 53u);
    for (const auto& [key, member] : ReportCaptions::keys())
        EXPECT_EQ(s.stampa.*member, languageText("de.ini", "stampa", QString::fromLatin1(key))) << key;
    EXPECT_FALSE(s.stampa.wbc.isEmpty());
}

TEST_F(SessionTest, NewsReachWhoeverListens) {
    // Nobody shows the status line yet: the logger keeps the line for the main window.
    logerrore(53, "File not found", "frmSplash");
    EXPECT_EQ(takePendingStatus(), QStringLiteral("frmSplash - 53 - File not found"));

    test::NotifierLog log;
    logerrore(5, "later", "Principale");
    EXPECT_EQ(log.status, QStringLiteral("Principale - 5 - later"));
    EXPECT_EQ(takePendingStatus(), QString());

    Session s;
    s.setWorkDate(QStringLiteral("01/12/26"));
    EXPECT_EQ(s.workDate(), QStringLiteral("01/12/26"));
}

}  // namespace
}  // namespace zv
