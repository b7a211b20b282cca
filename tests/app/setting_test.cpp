#include <QFile>
#include <QTest>

#include "core/config.h"
#include "core/session.h"
#include "platform/forms.h"
#include "platform/prompts.h"

#include <optional>
#include "app/setting.h"
#include "support/window_fixture.h"

namespace zv {
namespace {

// A port.ini with the work-list section ahead of the analyser's, so a write
// that landed in the wrong section would show.
const QByteArray kPortIni =
    "[general]\n"
    "instrument=CD3500\n"
    "\n"
    "[portwl]\n"
    "porta=2\n"
    "rate=9600\n"
    "parity=n\n"
    "bit=8\n"
    "stopbit=1\n"
    "\n"
    "[port]\n"
    "porta=1\n"
    "rate=9600\n"
    "parity=n\n"
    "bit=8\n"
    "stopbit=1\n"
    "handshake=0\n"
    "inputlen=0\n"
    "len=0\n"
    "buffer=4096\n"
    "soglia=1\n";

class Setting : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeFile("port.ini", kPortIni);
        generalIni_ = fileBytes(path("general.ini"));
    }
    void TearDown() override {
        WindowTest::TearDown();
        session_.reset();
    }

    void writeFile(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    setting* open() {
        Forms::show(QStringLiteral("setting"));
        return Forms::get<setting>(QStringLiteral("setting"));
    }

    // The shared state the dialog reads, as the main window's load leaves it.
    Session& startSession(const QString& linguax, const QString& formato) {
        session_.emplace();
        session_->linguax = linguax;
        session_->formato = formato;
        return *session_;
    }
    std::optional<Session> session_;

    // The one message the OK shows: the confirmation of the language file.
    void expectConfirmation(const QString& text) {
        const auto messages = prompts_->takeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, text);
        EXPECT_EQ(messages[0].title, QStringLiteral("Zarvium"));
        EXPECT_EQ(messages[0].buttons, MsgButtons::OK);
        EXPECT_EQ(messages[0].icon, MsgIcon::Information);
    }

    // `bytes` with the one line `from` replaced by `to`.
    static QByteArray withLine(QByteArray bytes, const QByteArray& from, const QByteArray& to) {
        EXPECT_EQ(bytes.count("\n" + from + "\n"), 1) << from.constData();
        return bytes.replace("\n" + from + "\n", "\n" + to + "\n");
    }

    static QString italianConfirmation() {
        return QStringLiteral("Impostazioni salvate. Riavviare il programma per applicarle.");
    }

    QByteArray generalIni_;
};

TEST_F(Setting, LoadShowsTheStoredTextsAsTheyAre) {
    // A port and a model that are no items, and no rate at all.
    writeFile("port.ini", QByteArray(kPortIni)
                              .replace("instrument=CD3500", "instrument=CD9999")
                              .replace("[port]\nporta=1\nrate=9600\nparity=n\n", "[port]\nporta=12\nparity=e\n"));

    setting* w = open();
    ASSERT_NE(w, nullptr);
    const struct {
        QComboBox* combo;
        const char* text;
        int index;  // the matching item, -1 for none
    } cases[] = {
        {w->Combo1, "12", -1}, {w->Combo2, "", -1},
        {w->Combo3, "e", 1},   {w->Combo4, "8", 0},
        {w->Combo5, "1", 0},   {w->Combo6, "CD9999", -1},
        {w->Combo11, "2", 1},  {w->Combo10, "9600", 5},
        {w->Combo9, "n", 0},   {w->Combo8, "8", 0},
        {w->Combo7, "1", 0},   {w->Combo12, "", -1},  // the shipped separator is empty: the first start
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.combo->currentText(), QString::fromUtf8(c.text)) << c.combo->objectName().toStdString();
        EXPECT_EQ(c.combo->currentIndex(), c.index) << c.combo->objectName().toStdString();
        EXPECT_TRUE(c.combo->isEditable()) << c.combo->objectName().toStdString();
    }
    auto items = [](QComboBox* combo) {
        QStringList list;
        for (int i = 0; i < combo->count(); ++i)
            list << combo->itemText(i);
        return list.join(' ');
    };
    EXPECT_EQ(items(w->Combo1), QStringLiteral("1 2 3 4 5 6 7 8 9"));
    EXPECT_EQ(items(w->Combo10), QStringLiteral("300 600 1200 2400 4800 9600"));
    EXPECT_EQ(items(w->Combo6), QStringLiteral("CD3000 CD3500 CD3700 CD3200"));
    EXPECT_EQ(items(w->Combo12), QStringLiteral(", ."));
    EXPECT_FALSE(w->Check2->isChecked());
    EXPECT_FALSE(w->Check1->isChecked());
    // No main window: no format read at start.
    EXPECT_TRUE(w->Option1->isChecked());
    EXPECT_EQ(w->formatdata, QStringLiteral("dd/mm/yy"));

    // Captions from [setting] of the language file; labels without a key keep theirs.
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Impostazioni porte COM"));
    EXPECT_EQ(w->Label9->text(), QStringLiteral("Impostazioni strumento"));
    EXPECT_EQ(w->Label16->text(), QStringLiteral("Separatore decimale"));
    EXPECT_EQ(w->Label27->text(), QStringLiteral("yyyy: anno (4 cifre)"));
    EXPECT_EQ(w->Label2->text(), QStringLiteral("BaudRate"));
    EXPECT_EQ(w->Label10->text(), QStringLiteral("Impostazioni Work List"));
    EXPECT_EQ(w->Label21->text(), QStringLiteral("dd/mm/yyyy"));
    EXPECT_EQ(w->Command1->text(), QStringLiteral("OK"));

    EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(w->pos(), QPoint(0, 0));
}

TEST_F(Setting, OkWritesTheTenKeysConfirmsAndCloses) {
    setting* w = open();
    ASSERT_NE(w, nullptr);
    w->Combo1->setCurrentText("/dev/ttyUSB0");
    w->Combo2->setCurrentText("4800");
    w->Combo3->setCurrentText("o");
    w->Combo4->setCurrentText("7");
    w->Combo5->setCurrentText("2");
    w->Combo6->setCurrentText("CD3700");
    w->Check2->click();
    w->Check1->click();
    w->Combo12->setCurrentText(",");
    w->Option4->click();
    EXPECT_EQ(w->formatdata, QStringLiteral("dd/mm/yyyy"));
    // The work-list group is for show only.
    w->Combo11->setCurrentText("5");
    w->Combo10->setCurrentText("300");

    QTest::mouseClick(w->Command1, Qt::LeftButton);

    expectConfirmation(italianConfirmation());
    EXPECT_FALSE(Forms::isLoaded("setting"));
    EXPECT_EQ(fileBytes(path("port.ini")), QByteArray("[general]\n"
                                                      "instrument=CD3700\n"
                                                      "\n"
                                                      "[portwl]\n"
                                                      "porta=2\n"
                                                      "rate=9600\n"
                                                      "parity=n\n"
                                                      "bit=8\n"
                                                      "stopbit=1\n"
                                                      "\n"
                                                      "[port]\n"
                                                      "porta=/dev/ttyUSB0\n"
                                                      "rate=4800\n"
                                                      "parity=o\n"
                                                      "bit=7\n"
                                                      "stopbit=2\n"
                                                      "handshake=1\n"
                                                      "inputlen=0\n"
                                                      "len=0\n"
                                                      "buffer=4096\n"
                                                      "soglia=1\n"));
    QByteArray general = withLine(generalIni_, "format=dd/mm/yy", "format=dd/mm/yyyy");
    general = withLine(general, "decimale=", "decimale=,");
    general = withLine(general, "rxlog=0", "rxlog=1");
    EXPECT_EQ(fileBytes(path("general.ini")), general);
}

TEST_F(Setting, OkWithNothingChangedWritesBackWhatItRead) {
    // A missing rate, a port that is not an item, handshake on, the separator
    // still empty: each comes back as it was read.
    writeFile("port.ini", QByteArray(kPortIni)
                              .replace("[port]\nporta=1\nrate=9600\n", "[port]\nporta=12\n")
                              .replace("handshake=0", "handshake=1"));
    setting* w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->Check2->isChecked());

    QTest::mouseClick(w->Command1, Qt::LeftButton);

    expectConfirmation(italianConfirmation());
    EXPECT_FALSE(Forms::isLoaded("setting"));
    const QByteArray port = fileBytes(path("port.ini"));
    EXPECT_TRUE(
        port.endsWith("[port]\n"
                      "porta=12\n"
                      "parity=n\n"
                      "bit=8\n"
                      "stopbit=1\n"
                      "handshake=1\n"
                      "inputlen=0\n"
                      "len=0\n"
                      "buffer=4096\n"
                      "soglia=1\n"
                      "rate=\n"))
        << port.constData();
    EXPECT_EQ(fileBytes(path("general.ini")), generalIni_);
}

// A device path is longer than a port number: it shows whole and is saved
// back whole, never cut to the length of "COM12".
TEST_F(Setting, ALongDevicePathIsShownAndSavedWhole) {
    const QByteArray device = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    writeFile("port.ini", QByteArray(kPortIni).replace("[port]\nporta=1\n", "[port]\nporta=" + device + "\n"));
    setting* w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Combo1->currentText(), QString::fromLatin1(device));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    expectConfirmation(italianConfirmation());
    EXPECT_TRUE(fileBytes(path("port.ini")).contains("[port]\nporta=" + device + "\n"));
}

TEST_F(Setting, ClosingOtherwiseSavesNothing) {
    setting* w = open();
    ASSERT_NE(w, nullptr);
    w->Combo1->setCurrentText("7");
    w->Check1->click();
    w->Combo12->setCurrentText(".");
    w->Option6->click();

    w->close();

    EXPECT_FALSE(Forms::isLoaded("setting"));
    EXPECT_EQ(fileBytes(path("port.ini")), kPortIni);
    EXPECT_EQ(fileBytes(path("general.ini")), generalIni_);
}

TEST_F(Setting, AnUnreadableSwitchLeavesItsBoxClearAndTheLoadGoesOn) {
    const struct {
        const char* handshake;
        const char* rxlog;
        bool check2;
        bool check1;
    } cases[] = {
        {"1", "on", true, false}, {"x", "1", false, true}, {"", "1", false, true},
        {"0", "", false, false},  {"2", "1", false, true},  // neither off nor on
    };
    for (const auto& c : cases) {
        scriviini("port", "handshake", c.handshake, "port.ini");
        scriviini("log", "rxlog", c.rxlog, "general.ini");
        setting* w = open();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->Check2->isChecked(), c.check2) << c.handshake;
        EXPECT_EQ(w->Check1->isChecked(), c.check1) << c.rxlog;
        // The steps after the switches still ran.
        EXPECT_EQ(w->Combo11->currentText(), QStringLiteral("2")) << c.handshake << "/" << c.rxlog;
        EXPECT_EQ(w->Combo12->count(), 2) << c.handshake << "/" << c.rxlog;
        EXPECT_TRUE(w->Option1->isChecked()) << c.handshake << "/" << c.rxlog;
        Forms::unload("setting");
    }
}

TEST_F(Setting, TheMainWindowsFormatPicksTheOptionAndOkWritesIt) {
    const struct {
        const char* formato;
        const char* option;
        const char* written;
    } cases[] = {
        {"dd/mm/yy", "Option1", "dd/mm/yy"},
        {"mm/dd/yy", "Option2", "mm/dd/yy"},
        {"yy/mm/dd", "Option3", "yy/mm/dd"},
        {"dd/mm/yyyy", "Option4", "dd/mm/yyyy"},
        {"mm/dd/yyyy", "Option5", "mm/dd/yyyy"},
        {"yyyy/mm/dd", "Option6", "yyyy/mm/dd"},
        {"dd.mm.yy", "Option1", "dd/mm/yy"},
        {"DD/MM/YY", "Option1", "dd/mm/yy"},
        {"", "Option1", "dd/mm/yy"},
    };
    // The main window's language file, not general.ini's, speaks.
    Session& session = startSession(QStringLiteral("en.ini"), QString());
    for (const auto& c : cases) {
        session.formato = QString::fromUtf8(c.formato);
        setting* w = open();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->windowTitle(), QStringLiteral("COM port settings"));
        QRadioButton* const options[] = {w->Option1, w->Option2, w->Option3, w->Option4, w->Option5, w->Option6};
        QRadioButton* option = options[QString::fromUtf8(c.option).back().digitValue() - 1];
        EXPECT_TRUE(option->isChecked()) << c.formato;
        EXPECT_EQ(w->formatdata, QString::fromUtf8(c.written)) << c.formato;

        QTest::mouseClick(w->Command1, Qt::LeftButton);

        expectConfirmation(QStringLiteral("Settings saved. Restart the program to apply them."));
        EXPECT_EQ(leggiini("date", "format", "general.ini", 16), QString::fromUtf8(c.written)) << c.formato;
        EXPECT_FALSE(Forms::isLoaded("setting"));
    }
}

}  // namespace
}  // namespace zv
