#include <QTest>

#include "app/frmlogin.h"
#include "core/language.h"
#include "platform/forms.h"
#include "support/started_program.h"

namespace zv {
namespace {

class ServiceLogin : public test::StartedProgramTest {
protected:
    void SetUp() override {
        StartedProgramTest::SetUp();
        unwritten();
    }
    // Values the service login does not write, so its writes show.
    void unwritten() {
        scriviini("rs232", "height", "1", "general.ini");
        scriviini("rs232", "width", "2", "general.ini");
    }
    // Shown as the main window shows it, and active, so that its keys work.
    frmLogin* open() {
        frmLogin* login = Forms::show<frmLogin>();
        EXPECT_NE(login, nullptr);
        EXPECT_TRUE(QTest::qWaitForWindowActive(login));
        return login;
    }
    // Types into the password box and presses Enter, as the user does.
    void enter(frmLogin* login, const QString& typed) {
        QTest::keyClicks(login->txtPassword, typed);
        QTest::keyClick(login->txtPassword, Qt::Key_Return);
        QCoreApplication::sendPostedEvents();
    }
    QString ini(const char* section, const char* key) { return leggiini(section, key, "general.ini", 255); }
};

TEST_F(ServiceLogin, CodesRaiseTheLevel) {
    struct Case {
        const char* code;
        const char* level;
        const char* height;
        const char* width;
        const char* leggiWidth;
    } cases[] = {{"4719302856", "Service", "6795", "12365", "14925"}, {"6283917405", "Admin", "1", "2", "11820"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        unwritten();
        Session& session = start();
        EXPECT_EQ(session.accessLevel, QStringLiteral("User"));
        frmLogin* login = open();
        enter(login, QString::fromLatin1(c.code));
        EXPECT_TRUE(closed<frmLogin>());
        EXPECT_EQ(session.accessLevel, QString::fromLatin1(c.level));
        EXPECT_EQ(levels, std::vector<QString>{QString::fromLatin1(c.level)});
        EXPECT_EQ(ini("rs232", "height"), QString::fromLatin1(c.height));
        EXPECT_EQ(ini("rs232", "width"), QString::fromLatin1(c.width));
        EXPECT_EQ(ini("leggi", "width"), QString::fromLatin1(c.leggiWidth));  // the start writes 11820
        Forms::unloadAll();
    }
}

TEST_F(ServiceLogin, OpensEmptyAndHidesWhatIsTyped) {
    scriviini("language", "lingua", "de", "general.ini");
    start();
    frmLogin* login = open();
    EXPECT_EQ(login->txtPassword->text(), QString());
    EXPECT_EQ(login->txtPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(login->windowTitle(), languageText("de.ini", "frmlogin", "titolo"));
    EXPECT_TRUE(login->cmdOK->isDefault());
}

// Enter at once, a blank around the code, a wrong code: the message, and the box ready for the next try.
TEST_F(ServiceLogin, WrongCodeShowsPasswordErrata) {
    Session& session = start();
    frmLogin* login = open();
    for (const char* typed : {"", " 4719302856", "4719302856 ", "12345"}) {
        SCOPED_TRACE(typed);
        login->txtPassword->clear();
        enter(login, QString::fromLatin1(typed));
        const auto shown = prompts_->takeMessages();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, QStringLiteral("Password Errata!"));
        EXPECT_EQ(shown[0].title, QStringLiteral("Accesso Service"));
        EXPECT_EQ(shown[0].icon, MsgIcon::Information);
        EXPECT_EQ(shown[0].buttons, MsgButtons::OK);
        ASSERT_FALSE(closed<frmLogin>());
        EXPECT_EQ(login->txtPassword->selectedText(), login->txtPassword->text());
        EXPECT_EQ(session.accessLevel, QStringLiteral("User"));
    }
    EXPECT_TRUE(levels.empty());
    // The selected wrong code is replaced by the next typing.
    enter(login, QStringLiteral("6283917405"));
    EXPECT_TRUE(closed<frmLogin>());
    EXPECT_EQ(session.accessLevel, QStringLiteral("Admin"));
}

TEST_F(ServiceLogin, CancelAndEscapeChangeNothing) {
    Session& session = start();
    frmLogin* login = open();
    QTest::keyClicks(login->txtPassword, "4719302856");
    QTest::mouseClick(login->cmdCancel, Qt::LeftButton);
    EXPECT_TRUE(closed<frmLogin>());

    login = open();
    QTest::keyClicks(login->txtPassword, "6283917405");
    QTest::keyClick(login->txtPassword, Qt::Key_Escape);
    EXPECT_TRUE(closed<frmLogin>());

    EXPECT_EQ(session.accessLevel, QStringLiteral("User"));
    EXPECT_TRUE(levels.empty());
    EXPECT_EQ(ini("rs232", "height"), QStringLiteral("1"));
}

TEST_F(ServiceLogin, LaterLoginChangesTheLevelAgain) {
    Session& session = start();
    enter(open(), QStringLiteral("6283917405"));
    ASSERT_TRUE(closed<frmLogin>());
    enter(open(), QStringLiteral("4719302856"));
    ASSERT_TRUE(closed<frmLogin>());
    EXPECT_EQ(session.accessLevel, QStringLiteral("Service"));
    EXPECT_EQ(levels, (std::vector<QString>{QStringLiteral("Admin"), QStringLiteral("Service")}));
}

}  // namespace
}  // namespace zv
