#include "app/principale.h"
#include "core/config.h"
#include "link/comcd.h"
#include "platform/commport.h"
#include "platform/database.h"
#include "platform/forms.h"
#include "support/pty.h"
#include "support/results.h"
#include "support/transmission.h"
#include "support/window_fixture.h"

namespace zv {
namespace {

using test::waitFor;

// The main window's link commands and the link panel that shows what the receiver reports.
class LinkCommands : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        scriviini("separatore", "decimale", ",", "general.ini");
        scriviini("database", "last", "08/12/26", "general.ini");
        scriviini("port", "porta", pty.slavePath(), "port.ini");
    }
    void connectWith(InstrumentModel model) {
        scriviini("general", "instrument", instrumentText(model), "port.ini");
        Forms::load("frmSplash");
        main = Forms::get<Principale>();
        ASSERT_NE(main, nullptr);
        main->Dati_menu2->trigger();
        rx = Forms::get<ComCD>();
        ASSERT_NE(rx, nullptr);
        ASSERT_TRUE(rx->MSComm1->isOpen());
    }
    int64_t stored() { return test::rowCountOf(main->session().cn); }

    test::PseudoTerminal pty;
    Principale* main = nullptr;
    ComCD* rx = nullptr;
};

TEST_F(LinkCommands, PanelShowsTheLinkStateCountAndErrors) {
    connectWith(InstrumentModel::CD3500);
    EXPECT_EQ(main->Label16->text(), QStringLiteral("On Line"));
    EXPECT_EQ(main->Label16->backColor(), colours::green);
    const test::SampleValues sample = test::normalSample(InstrumentModel::CD3500);
    ASSERT_TRUE(pty.write(test::transmission(InstrumentModel::CD3500, sample, test::Fault::ShortDataBlock)));
    ASSERT_TRUE(waitFor([&] { return main->Label29->text() == QStringLiteral("Rx Error!"); }));
    EXPECT_EQ(main->Label29->backColor(), colours::red);
    ASSERT_TRUE(pty.write(test::transmission(InstrumentModel::CD3500, sample)));
    ASSERT_TRUE(waitFor([&] { return stored() == 1; }));
    EXPECT_EQ(main->Label65->text(), QStringLiteral("1"));

    main->offline->trigger();
    EXPECT_FALSE(Forms::isLoaded("ComCD"));
    EXPECT_EQ(main->Label29->text(), QString());
    EXPECT_EQ(main->Label16->text(), QStringLiteral("Off Line"));
    EXPECT_EQ(main->Label16->backColor(), colours::orange);
}

TEST_F(LinkCommands, DataLoggerModeStoresTheDataBlockAlone) {
    connectWith(InstrumentModel::CD3200);
    main->datalog->trigger();
    EXPECT_EQ(rx->framer.val_finestringa, 1);
    EXPECT_EQ(main->Label65->foreColor(), colours::blue);
    ASSERT_TRUE(
        pty.write(test::dataBlock(InstrumentModel::CD3200, test::normalSample(InstrumentModel::CD3200)).toLatin1()));
    ASSERT_TRUE(waitFor([&] { return stored() == 1; }));
    Recordset rs(main->session().cn, "datiQgrafici");
    EXPECT_EQ(rs.text("GraficiWB2_ch230"), QStringLiteral("000"));
    main->online->trigger();
    EXPECT_EQ(rx->framer.val_finestringa, 6);
    EXPECT_TRUE(rx->framer.stato);
}

// The main window's load stopped before the daily database was opened: a
// result received now could not be stored, so the line is not even opened.
TEST_F(LinkCommands, OnLineIsRefusedWhileTheDailyDatabaseIsClosed) {
    scriviini("auto", "stampa_auto", "", "print.ini");
    Forms::load("frmSplash");
    main = Forms::get<Principale>();
    ASSERT_NE(main, nullptr);
    ASSERT_FALSE(main->session().cn.isOpen());
    const auto logLines = [&] { return fileBytes(path("log/08.12.26.log")).count('\n'); };
    const qsizetype before = logLines();

    main->Dati_menu2->trigger();
    EXPECT_FALSE(Forms::isLoaded("ComCD"));
    EXPECT_EQ(main->Label29->text(), QStringLiteral("Rx Error!"));
    EXPECT_EQ(main->Label29->backColor(), colours::red);
    EXPECT_EQ(main->Label16->text(), QStringLiteral("Off Line"));
    EXPECT_EQ(logLines(), before + 1);
    EXPECT_TRUE(fileBytes(path("log/08.12.26.log")).contains("\tPrincipale\t"));
    // Nothing holds the line: the analyser's transmission waits for a receiver that can store it.
    CommPort probe;
    probe.setPort(pty.slavePath());
    EXPECT_NO_THROW(probe.open());
}

// A setting that does not read as a number or a switch, or that the port
// refuses, stops what reads it; the error log names the file, the section,
// the key and the value (and a device that cannot be opened, with the
// system's reason).
TEST_F(LinkCommands, ABadSettingIsLoggedWithItsFileSectionAndKey) {
    scriviini("general", "instrument", "CD3500", "port.ini");
    const struct Case {
        const char* file;
        const char* section;
        const char* key;
        const char* value;
        bool onLine;  // read by the receiver, not by the main window's load
        const char* logged;
        bool toldAtStart = false;  // the start-up window says so too
    } cases[] = {
        {"port.ini", "port", "handshake", "si", false, "\tPrincipale\t13\tType mismatch: "},
        {"port.ini", "port", "inputlen", "1,0,1", false, "\tPrincipale\t13\tType mismatch: "},
        {"port.ini", "port", "len", "99999", false, "\tPrincipale\t6\tOverflow: "},
        {"print.ini", "auto", "stampa_auto", "", false, "\tPrincipale\t13\tType mismatch: "},
        {"general.ini", "back-up", "giorni", "mai", false, "\tfrmSplash\t13\tType mismatch: ", true},
        {"print.ini", "auto", "stampa_auto", "ON", false, "\tPrincipale\t13\tType mismatch: "},
        {"port.ini", "stringhe", "data3500", "316 bytes", true, "\tComCD\t13\tType mismatch: "},
        {"port.ini", "stringhe", "scarto3500", "-", true, "\tComCD\t13\tType mismatch: "},
        {"port.ini", "port", "buffer", "1e6", true, "\tComCD\t6\tOverflow: "},
        {"port.ini", "port", "porta", "COM1", true, "\tComCD\t13\tType mismatch: "},
        {"general.ini", "log", "rxport", "maybe", true, "\tComCD\t13\tType mismatch: "},
        // Values that read but that the port refuses, and devices it cannot open.
        {"port.ini", "port", "rate", "abc", true, "\tComCD\t5\tInvalid property value: "},
        {"port.ini", "port", "parity", "x", true, "\tComCD\t5\tInvalid property value: "},
        {"port.ini", "port", "bit", "9600", true, "\tComCD\t5\tInvalid property value: "},
        {"port.ini", "port", "stopbit", "1,5", true, "\tComCD\t5\tInvalid property value: "},
        {"port.ini", "port", "buffer", "-5", true, "\tComCD\t5\tInvalid property value: "},
        {"port.ini", "port", "soglia", "-1", true, "\tComCD\t5\tInvalid property value: "},
        {"port.ini", "port", "porta", "12", true, "\tComCD\t5\tInvalid port number: "},
        {"port.ini", "port", "porta", "/dev/zv-no-such-port", true,
         "\tComCD\t53\t/dev/zv-no-such-port: No such file or directory: "},
        {"port.ini", "port", "porta", "/dev/null", true, "\tComCD\t75\t/dev/null: Inappropriate ioctl for device: "},
    };
    const auto log = [&] { return QString::fromUtf8(fileBytes(path("log/08.12.26.log"))); };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " [" + c.section + "] " + c.key + " = " + c.value);
        const QString file = QLatin1String(c.file);
        const QString shipped = leggiini(QLatin1String(c.section), QLatin1String(c.key), file, 4096);
        scriviini(QLatin1String(c.section), QLatin1String(c.key), QLatin1String(c.value), file);
        const qsizetype before = log().size();
        Forms::load("frmSplash");
        EXPECT_EQ(prompts_->takeMessages().size(), c.toldAtStart ? 1u : 0u);
        main = Forms::get<Principale>();
        ASSERT_NE(main, nullptr);
        if (c.onLine)
            main->Dati_menu2->trigger();
        const QString written = log().mid(before);
        const QString expected = QLatin1String(c.logged) + path(file) +
                                 QStringLiteral(" [%1] %2 = \"%3\"\"\r\n")
                                     .arg(QLatin1String(c.section), QLatin1String(c.key), QLatin1String(c.value));
        EXPECT_EQ(written.count(QLatin1Char('\n')), 1) << written.toStdString();
        EXPECT_TRUE(written.endsWith(expected)) << written.toStdString();
        if (c.onLine && QLatin1String(c.section) == QLatin1String("port")) {
            // The user disconnects, mends the setting and connects again.
            EXPECT_EQ(main->Label29->text(), QStringLiteral("Rx Error!"));
            EXPECT_EQ(main->Label16->text(), QStringLiteral("On Line"));
        }
        Forms::unloadAll();
        scriviini(QLatin1String(c.section), QLatin1String(c.key), shipped, file);
    }
}

// A pulled cable: the panel shows Off Line as it is, and On Line connects
// afresh (here to the line the settings now name).
TEST_F(LinkCommands, AfterAPulledCableThePanelShowsOffLineAndOnLineConnectsAgain) {
    connectWith(InstrumentModel::CD3500);
    const test::SampleValues sample = test::normalSample(InstrumentModel::CD3500);
    const QByteArray wire = test::transmission(InstrumentModel::CD3500, sample);
    ASSERT_TRUE(pty.write(test::transmission(InstrumentModel::CD3500, sample, test::Fault::CutOff)));
    ASSERT_TRUE(waitFor([&] { return main->Line3[0]->isVisibleTo(main); }));
    pty.closeMaster();
    ASSERT_TRUE(waitFor([&] { return main->Label29->text() == QStringLiteral("Rx Error!"); }));
    EXPECT_EQ(main->Label16->text(), QStringLiteral("Off Line"));
    EXPECT_EQ(main->Label16->backColor(), colours::orange);
    EXPECT_EQ(main->Label66->text(), QString());
    for (Shape* segment : main->Line3)
        EXPECT_FALSE(segment->isVisibleTo(main));

    test::PseudoTerminal replugged;
    scriviini("port", "porta", replugged.slavePath(), "port.ini");
    main->Dati_menu2->trigger();
    ComCD* fresh = Forms::get<ComCD>();
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(fresh->MSComm1->isOpen());
    EXPECT_EQ(main->Label16->text(), QStringLiteral("On Line"));
    ASSERT_TRUE(replugged.write(wire));
    ASSERT_TRUE(waitFor([&] { return stored() == 1; }));
}

}  // namespace
}  // namespace zv
