#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/config.h"
#include "core/language.h"
#include "core/session.h"
#include "link/comcd.h"
#include "link/histogram.h"
#include "model/resultfields.h"
#include "platform/database.h"
#include "platform/forms.h"
#include "support/notifierlog.h"
#include "support/pty.h"
#include "support/results.h"
#include "support/transmission.h"
#include "support/window_fixture.h"

namespace zv {
namespace {

using test::PseudoTerminal;
using test::waitFor;

// Stand-ins for the windows the store step calls through the registry, which
// later work builds: they record that they were reached.
int autoReports = 0;
class AutoReportProbe : public Form {
public:
    AutoReportProbe() : Form(QStringLiteral("autostampa")) {}
    void Form_Load() override { ++autoReports; }
};
class ViewerProbe : public Form {
public:
    ViewerProbe() : Form(QStringLiteral("leggi")) {
        refresh = new QWidget(this);
        refresh->setObjectName(QStringLiteral("Command16"));
        refresh->setVisible(false);
        connect(&notifier(), &Notifier::resultStored, refresh, [this] { refresh->setVisible(true); });
    }
    QWidget* refresh;
};

class Receiver : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        autoReports = 0;
        scriviini("separatore", "decimale", ",", "general.ini");
        scriviini("database", "last", "08/12/26", "general.ini");
        scriviini("port", "porta", pty.slavePath(), "port.ini");
        Forms::registerFactory("autostampa", [] { return new AutoReportProbe; });
        Forms::registerFactory("leggi", [] { return new ViewerProbe; });
    }

    // Starts the program with `model` configured and goes On Line.
    void connectWith(InstrumentModel model) {
        scriviini("general", "instrument", instrumentText(model), "port.ini");
        Forms::load("frmSplash");
        ASSERT_NE(Session::current(), nullptr);
        rx = Forms::load<ComCD>();  // what On Line does
        ASSERT_NE(rx, nullptr);
        ASSERT_TRUE(rx->MSComm1->isOpen()) << logText().toStdString();
    }
    Connection& daily() { return Session::get().cn; }
    int64_t stored() { return test::rowCountOf(daily()); }
    bool waitForStored(int64_t n) {
        return waitFor([&] { return stored() >= n; });
    }
    QString logText() { return QString::fromUtf8(fileBytes(path("log/08.12.26.log"))); }

    PseudoTerminal pty;
    test::NotifierLog panel;
    ComCD* rx = nullptr;
};

TEST_F(Receiver, EveryModelStoresOneRowWhateverTheChunks) {
    const InstrumentModel models[] = {InstrumentModel::CD3000, InstrumentModel::CD3200, InstrumentModel::CD3500,
                                      InstrumentModel::CD3700};
    for (InstrumentModel model : models) {
        SCOPED_TRACE(instrumentText(model).toStdString());
        connectWith(model);
        const QByteArray wire = test::transmission(model, test::normalSample(model));
        ASSERT_TRUE(pty.write(wire));  // whole
        ASSERT_TRUE(waitForStored(1));
        ASSERT_TRUE(pty.writeInChunks(wire, 1, 0));  // a byte at a time
        ASSERT_TRUE(waitForStored(2));
        ASSERT_TRUE(pty.writeInChunks(wire, int(wire.size()) / 2 + 3, 5));  // split mid-block
        ASSERT_TRUE(waitForStored(3));
        prompts_->takeMessages();

        EXPECT_EQ(panel.count, 3);
        EXPECT_TRUE(panel.online);
        EXPECT_EQ(panel.failure, ReceiveFailure::None);
        EXPECT_EQ(panel.activity, ReceiverActivity::Idle);  // idle again after the record

        Recordset rs(daily(), "select * from datiQgrafici order by ID1");
        ASSERT_EQ(rs.recordCount(), 3);
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            EXPECT_EQ(rs.text("date"), QStringLiteral("08/12/26"));
            EXPECT_EQ(rs.text("specName"), QStringLiteral("ROSSI MARIO"));
            if (model == InstrumentModel::CD3000) {
                EXPECT_DOUBLE_EQ(rs.field("WBC").toDouble(), 7.5);
                EXPECT_DOUBLE_EQ(rs.field("RBC").toDouble(), 4.52);
                EXPECT_EQ(rs.field("NWBC").toInt(), 0);
            } else {
                EXPECT_DOUBLE_EQ(rs.field("WBC").toDouble(), 7.46);
                EXPECT_DOUBLE_EQ(rs.field("HCT").toDouble(), 40.5);
                EXPECT_DOUBLE_EQ(rs.field("PCT").toDouble(), 0.215);
            }
            int channels = 0;
            for (const QString& field : allChannelFields())
                if (!rs.field(field).isNull())
                    ++channels;
            EXPECT_EQ(channels, 210);  // RBC and PLT channel 002 stay empty
            const auto groups = test::sampleGroups(HistogramKind::WB1);
            EXPECT_EQ(rs.text("GraficiWB1_ch042"),
                      QStringLiteral("%1").arg(groups[test::groupForChannel(HistogramKind::WB1, "042")], 3, 10,
                                               QLatin1Char('0')));
            EXPECT_EQ(rs.text("GraficiWB1_ch002"), rs.text("GraficiWB1_ch042"));
        }
        Forms::unloadAll();
        Connection daily;
        daily.open(path("zarvium.mdb"));
        for (const QString& table : resultTables())
            daily.execute("DELETE FROM \"" + table + "\"");
    }
}

TEST_F(Receiver, BadBlocksAreReportedAndGoodOnesStillStored) {
    connectWith(InstrumentModel::CD3500);
    const test::SampleValues sample = test::normalSample(InstrumentModel::CD3500);
    const auto faulty = [&](const test::SampleValues& values, test::Fault fault) {
        return test::transmission(InstrumentModel::CD3500, values, fault);
    };

    // A data block one character short: dropped, "Rx Error!", a line with error 0.
    ASSERT_TRUE(pty.write(faulty(sample, test::Fault::ShortDataBlock)));
    ASSERT_TRUE(waitFor([&] { return panel.failure == ReceiveFailure::Line; }));
    EXPECT_TRUE(logText().contains(QStringLiteral("\t\tComCD\t0\t\"")));
    EXPECT_EQ(stored(), 0);

    // Garbage closed by an ETX between records is dropped; the record after it is stored.
    ASSERT_TRUE(pty.write(faulty(sample, test::Fault::Garbage)));
    ASSERT_TRUE(waitForStored(1));

    // A histogram of the wrong length: stored as zeros, the record kept.
    test::SampleValues noc = sample;
    noc.noc = true;
    ASSERT_TRUE(pty.write(faulty(noc, test::Fault::LongHistogram)));
    ASSERT_TRUE(waitForStored(2));
    Recordset rs(daily(), "select * from datiQgrafici order by ID1");
    rs.moveLast();
    EXPECT_EQ(rs.text("GraficiPLT_ch230"), QStringLiteral("000"));
    EXPECT_NE(rs.text("GraficiRBC_ch118"), QStringLiteral("000"));

    // A lost closing block: that record is not stored, the next one is, with its own histograms.
    test::SampleValues other = sample;
    other.specId = QStringLiteral("LOST");
    ASSERT_TRUE(pty.write(faulty(other, test::Fault::LostClosingBlock)));
    ASSERT_TRUE(pty.write(test::transmission(InstrumentModel::CD3500, sample)));
    ASSERT_TRUE(waitForStored(3));
    test::runEventLoopFor(50);
    EXPECT_EQ(stored(), 3);
    EXPECT_EQ(daily().scalar("SELECT count(*) FROM datinumerici WHERE specId = 'LOST'").toInt(), 0);

    // A histogram block of the right length with too few channel values: "Rec. Error!", nothing stored.
    ASSERT_TRUE(pty.write(faulty(sample, test::Fault::SparseHistogram)));
    ASSERT_TRUE(waitFor([&] { return panel.failure == ReceiveFailure::Store; }));
    EXPECT_EQ(stored(), 3);
    EXPECT_EQ(panel.count, 3);
    ASSERT_TRUE(pty.write(test::transmission(InstrumentModel::CD3500, sample)));
    ASSERT_TRUE(waitForStored(4));
}

TEST_F(Receiver, SpeciesFactorsBeforeHumanOnes) {
    {
        Connection vet;
        vet.open(path("vet.mdb"));
        vet.execute("UPDATE cal SET wbc = '2' WHERE animale = 'CANE'");
    }
    scriviini("cal", "rbc", "1,1", "general.ini");  // typed with the configured comma
    connectWith(InstrumentModel::CD3500);
    test::SampleValues dog = test::normalSample(InstrumentModel::CD3500);
    dog.specName = QStringLiteral("cane   ");
    test::SampleValues person = test::normalSample(InstrumentModel::CD3500);
    person.specName = QStringLiteral("D'AMICO");
    ASSERT_TRUE(pty.write(test::transmission(InstrumentModel::CD3500, dog) +
                          test::transmission(InstrumentModel::CD3500, person)));
    ASSERT_TRUE(waitForStored(2));
    Recordset rs(daily(), "select * from datiQgrafici order by ID1");
    EXPECT_DOUBLE_EQ(rs.field("WBC").toDouble(), 14.9);  // 7.456 x 2, over 10: one decimal
    EXPECT_DOUBLE_EQ(rs.field("RBC").toDouble(), 4.52);  // the dog's set has rbc 1
    EXPECT_EQ(rs.text("specName"), QStringLiteral("cane"));
    rs.moveNext();
    EXPECT_EQ(rs.text("specName"), QStringLiteral("D_AMICO"));
    EXPECT_DOUBLE_EQ(rs.field("WBC").toDouble(), 7.46);
    EXPECT_DOUBLE_EQ(rs.field("RBC").toDouble(), 4.98);  // 4.523 x 1.1 = 4.9753: 4.975, then 4.98
}

TEST_F(Receiver, ControlBytesInTheTextFieldsAreReplacedSoTheResultIsFound) {
    connectWith(InstrumentModel::CD3500);
    test::SampleValues sample = test::normalSample(InstrumentModel::CD3500);
    // NUL, BEL, ESC and the unit separator; not STX, ETX, XON or XOFF, which the
    // framing and the line take for themselves.
    sample.specId = QStringLiteral("QC") + QChar(0) + QStringLiteral("7") + QChar(7);
    sample.specName = QStringLiteral("ROSSI") + QChar(0x1B) + QStringLiteral("MARIO") + QChar(0x1F) + QChar(0);
    const QByteArray wire = test::transmission(InstrumentModel::CD3500, sample);
    ASSERT_TRUE(wire.contains('\0'));
    ASSERT_TRUE(pty.write(wire));
    ASSERT_TRUE(waitForStored(1));
    EXPECT_EQ(panel.failure, ReceiveFailure::None);

    const struct {
        const char* sql;
        QVariant value;
    } searches[] = {{"SELECT count(*) FROM datinumerici WHERE specId = ?1", QStringLiteral("QC_7_")},
                    {"SELECT count(*) FROM datinumerici WHERE specId LIKE ?1", QStringLiteral("qc_7%")},
                    {"SELECT count(*) FROM datinumerici WHERE specName = ?1", QStringLiteral("ROSSI_MARIO__")},
                    {"SELECT count(*) FROM datinumerici WHERE specName LIKE ?1", QStringLiteral("%MARIO%")},
                    {"SELECT count(*) FROM datinumerici WHERE length(specId) = 5 AND length(specName) = ?1", 13}};
    for (const auto& search : searches)
        EXPECT_EQ(daily().scalar(QLatin1String(search.sql), {search.value}).toInt(), 1)
            << search.sql << " " << search.value.toString().toStdString();
}

TEST_F(Receiver, LogsHoldEveryChunkAndEveryBlock) {
    scriviini("log", "rxlog", "1", "general.ini");
    scriviini("log", "rxport", "True", "general.ini");
    connectWith(InstrumentModel::CD3500);
    const QByteArray wire = test::transmission(InstrumentModel::CD3500, test::normalSample(InstrumentModel::CD3500));
    ASSERT_TRUE(pty.write(wire));
    ASSERT_TRUE(waitForStored(1));
    Forms::unload("ComCD");  // closes the port log

    // The port log holds the chunks, each between quotes: together, the wire.
    QByteArray chunks = fileBytes(path("rxlog/port.log"));
    ASSERT_TRUE(chunks.startsWith('"') && chunks.endsWith("\"\r\n"));
    chunks.replace("\"\r\n\"", "");
    EXPECT_EQ(chunks.mid(1, chunks.size() - 4), wire);

    const QString data = test::dataBlock(InstrumentModel::CD3500, test::normalSample(InstrumentModel::CD3500));
    EXPECT_EQ(fileBytes(path("rxlog/08.12.26_data.log")), "14.05.09\t" + data.toLatin1() + "\r\n");
    EXPECT_EQ(fileBytes(path("rxlog/08.12.26_plt.log")),
              "14.05.09\t" + test::histogramBlock(HistogramKind::PLT).toLatin1() + "\r\n");
    for (const char* suffix : {"_wb1.log", "_wb2.log", "_rbc.log"})
        EXPECT_EQ(fileBytes(path(QStringLiteral("rxlog/08.12.26") + suffix)).count('\n'), 1) << suffix;
}

TEST_F(Receiver, StoreStepCallsTheAutomaticReportAndTheViewer) {
    scriviini("auto", "stampa_auto", "1", "print.ini");
    connectWith(InstrumentModel::CD3500);
    auto* viewer = Forms::loadAs<ViewerProbe>("leggi");
    ASSERT_TRUE(pty.write(test::transmission(InstrumentModel::CD3500, test::normalSample(InstrumentModel::CD3500))));
    ASSERT_TRUE(waitForStored(1));
    ASSERT_TRUE(waitFor([&] { return autoReports == 1; }));
    EXPECT_FALSE(Forms::isLoaded("autostampa"));  // loaded, printed, unloaded
    EXPECT_TRUE(viewer->refresh->isVisibleTo(viewer));

    // An unreadable switch: the result is stored and counted, no report, "Rec. Error!".
    scriviini("auto", "stampa_auto", "", "print.ini");
    ASSERT_TRUE(pty.write(test::transmission(InstrumentModel::CD3500, test::normalSample(InstrumentModel::CD3500))));
    ASSERT_TRUE(waitForStored(2));
    ASSERT_TRUE(waitFor([&] { return panel.failure == ReceiveFailure::Store; }));
    EXPECT_EQ(panel.count, 2);
    EXPECT_EQ(autoReports, 1);
}

TEST_F(Receiver, PulledCableIsReportedOnce) {
    std::vector<int> progress;
    QObject::connect(&notifier(), &Notifier::receiveProgress, &panel, [&](int index) { progress.push_back(index); });
    connectWith(InstrumentModel::CD3500);
    // Half a transmission: the panel shows the record coming in.
    ASSERT_TRUE(pty.write(
        test::transmission(InstrumentModel::CD3500, test::normalSample(InstrumentModel::CD3500), test::Fault::CutOff)));
    ASSERT_TRUE(waitFor([&] { return panel.activity == ReceiverActivity::Receiving; }));
    progress.clear();
    pty.closeMaster();
    ASSERT_TRUE(waitFor([&] { return panel.failure == ReceiveFailure::Line; }));
    test::runEventLoopFor(100);
    EXPECT_FALSE(rx->MSComm1->isOpen());
    EXPECT_TRUE(rx->lineLost());
    EXPECT_EQ(logText().count(QStringLiteral("\tComCD\t")), 1);
    // The link as it is: off line, nothing being received, the bar empty.
    EXPECT_FALSE(panel.online);
    EXPECT_EQ(panel.activity, ReceiverActivity::None);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), -1);
    EXPECT_EQ(rx->framer.progress(), 0);
}

// With a fixed input length shorter than a block, each receive event reads
// only that much: the event must come again while characters wait.
TEST_F(Receiver, AShortInputLengthStillReceivesEveryRecord) {
    const InstrumentModel models[] = {InstrumentModel::CD3000, InstrumentModel::CD3200, InstrumentModel::CD3500,
                                      InstrumentModel::CD3700};
    for (const char* len : {"3", "64", "500"}) {
        for (InstrumentModel model : models) {
            SCOPED_TRACE(std::string(len) + " " + instrumentText(model).toStdString());
            scriviini("port", "inputlen", "1", "port.ini");
            scriviini("port", "len", len, "port.ini");
            connectWith(model);
            const QByteArray wire = test::transmission(model, test::normalSample(model));
            ASSERT_TRUE(pty.write(wire + wire));  // both at once: a backlog from the first event on
            ASSERT_TRUE(waitForStored(2)) << stored();
            prompts_->takeMessages();
            EXPECT_EQ(panel.failure, ReceiveFailure::None);
            Forms::unloadAll();
            Connection daily;
            daily.open(path("zarvium.mdb"));
            for (const QString& table : resultTables())
                daily.execute("DELETE FROM \"" + table + "\"");
        }
    }
}

// A device named by its full path (a USB adapter under /dev/serial/by-id/) is
// opened by that path, however long.
TEST_F(Receiver, ALongDevicePathIsReadWhole) {
    const QString longName = path("dev-serial-by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(longName).absolutePath()));
    ASSERT_TRUE(QFile::link(pty.slavePath(), longName));
    scriviini("port", "porta", longName, "port.ini");
    connectWith(InstrumentModel::CD3500);
    ASSERT_TRUE(pty.write(test::transmission(InstrumentModel::CD3500, test::normalSample(InstrumentModel::CD3500))));
    ASSERT_TRUE(waitForStored(1));
}

TEST_F(Receiver, SetUpFailuresLeaveThePortClosed) {
    struct Case {
        const char* section;
        const char* key;
        const char* value;
        const char* file;
    } cases[] = {{"general", "instrument", "cd3500", "port.ini"},  // not one of the four models
                 {"port", "len", "", "port.ini"},
                 {"log", "rxport", "maybe", "general.ini"},
                 {"cal", "baso", "x", "general.ini"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        scriviini("general", "instrument", "CD3500", "port.ini");
        Forms::load("frmSplash");
        scriviini(c.section, c.key, c.value, c.file);
        rx = Forms::load<ComCD>();
        ASSERT_NE(rx, nullptr);
        EXPECT_FALSE(rx->MSComm1->isOpen());
        EXPECT_EQ(panel.failure, ReceiveFailure::Line);
        EXPECT_TRUE(logText().contains(QStringLiteral("\tComCD\t")));
        Forms::unload<ComCD>();  // what Off Line does
        EXPECT_FALSE(panel.online);
        Forms::unloadAll();
        QFile::remove(path("log/08.12.26.log"));
        scriviini("port", "len", "0", "port.ini");
        scriviini("log", "rxport", "False", "general.ini");
        scriviini("cal", "baso", "1", "general.ini");
    }
}

}  // namespace
}  // namespace zv
