#include "platform/commport.h"

#include "platform/errors.h"
#include "support/pty.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <termios.h>

#include <functional>
#include <vector>

using zv::AppError;
using zv::CommPort;
using zv::test::PseudoTerminal;
using zv::test::runEventLoopFor;
using zv::test::waitFor;

namespace {

constexpr char XON = 0x11;
constexpr char XOFF = 0x13;

// Runs `statement` and returns the AppError it throws (number 0 when none).
AppError caught(const std::function<void()>& statement) {
    try {
        statement();
    } catch (const AppError& e) {
        return e;
    }
    return AppError(0, QString());
}

class CommPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        port_.setPort(pty_.slavePath());
        port_.setSettings(QStringLiteral("9600,n,8,1"));
        QObject::connect(&port_, &CommPort::failed, [this](int32_t number, const QString& description) {
            failures_.push_back(number);
            failureText_ = description;
            portOpenAtFailure_ = port_.isOpen();
        });
    }

    // A receive handler that reads whatever waits, as the receiver does.
    void readOnEveryEvent() {
        QObject::connect(&port_, &CommPort::received, [this] {
            ++events_;
            text_ += port_.readInput();
        });
    }

    PseudoTerminal pty_;
    CommPort port_;
    int events_ = 0;
    QString text_;
    std::vector<int32_t> failures_;
    QString failureText_;
    bool portOpenAtFailure_ = true;
};

TEST_F(CommPortTest, EveryByteArrivesAsTheLatin1CharacterOfTheSameCode) {
    readOnEveryEvent();
    port_.open();
    QByteArray sent;
    for (int b = 0; b < 256; ++b)
        if (b != XON && b != XOFF)
            sent.append(static_cast<char>(b));
    ASSERT_TRUE(pty_.write(sent));

    ASSERT_TRUE(waitFor([&] { return text_.size() >= sent.size(); }));
    ASSERT_EQ(text_.size(), sent.size());
    for (qsizetype i = 0; i < sent.size(); ++i)
        EXPECT_EQ(text_[i].unicode(), static_cast<unsigned char>(sent[i])) << "at " << i;
}

// Flow control is never off, and the driver takes XON and XOFF out of the stream
// in both modes; the line settings reach the device.
TEST_F(CommPortTest, HandshakingAndSettingsReachTheDevice) {
    struct Case {
        CommPort::Handshaking handshaking;
        const char* settings;
        speed_t speed;
        bool twoStopBits;
        bool rtsCts;
    };
    const Case cases[] = {
        {CommPort::Handshaking::XonXoff, "9600,n,8,1", B9600, false, false},
        {CommPort::Handshaking::RtsCtsXonXoff, "4800,N,8,2", B4800, true, true},
        {CommPort::Handshaking::XonXoff, "115200,n,8,2", B115200, true, false},
    };
    readOnEveryEvent();
    port_.open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        // Applied at once to the open port, as the receiver sets them after opening.
        port_.setSettings(QString::fromLatin1(c.settings));
        port_.setHandshaking(c.handshaking);
        const termios tio = pty_.lineSettings();
        EXPECT_EQ(cfgetispeed(&tio), c.speed);
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.twoStopBits);
        EXPECT_EQ((tio.c_cflag & CRTSCTS) != 0, c.rtsCts);
        EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));

        text_.clear();
        ASSERT_TRUE(pty_.write(QByteArray("A") + XOFF + "B" + XON + "C\x03"));
        ASSERT_TRUE(waitFor([&] { return text_.endsWith(QChar(3)); }));
        EXPECT_EQ(text_, QStringLiteral("ABC\x03"));
    }
}

TEST_F(CommPortTest, ThresholdZeroRaisesNoEventAndTheBytesWait) {
    readOnEveryEvent();
    port_.setReceiveThreshold(0);
    port_.open();
    ASSERT_TRUE(pty_.write("\x02   123\x03\r\n"));
    ASSERT_TRUE(waitFor([&] { return port_.bytesWaiting() == 10; }));
    runEventLoopFor(100);
    EXPECT_EQ(events_, 0);
    EXPECT_EQ(port_.readInput(), QStringLiteral("\x02   123\x03\r\n"));
}

TEST_F(CommPortTest, ThresholdRaisesTheEventOnlyOnceThatManyCharactersWait) {
    std::vector<int> waitingAtEvent;
    QObject::connect(&port_, &CommPort::received, [&] {
        waitingAtEvent.push_back(port_.bytesWaiting());
        text_ += port_.readInput();
    });
    port_.setReceiveThreshold(5);
    port_.open();

    ASSERT_TRUE(pty_.writeInChunks("abc", 1));
    ASSERT_TRUE(waitFor([&] { return port_.bytesWaiting() == 3; }));
    runEventLoopFor(50);
    EXPECT_TRUE(waitingAtEvent.empty());

    ASSERT_TRUE(pty_.write("de"));
    ASSERT_TRUE(waitFor([&] { return !waitingAtEvent.empty(); }));
    EXPECT_EQ(waitingAtEvent, std::vector<int>{5});
    EXPECT_EQ(text_, QStringLiteral("abcde"));
}

TEST_F(CommPortTest, InputLengthLimitsEachRead) {
    port_.setReceiveThreshold(0);
    port_.setInputLength(4);
    port_.open();
    ASSERT_TRUE(pty_.write("ABCDEFGHIJ"));
    ASSERT_TRUE(waitFor([&] { return port_.bytesWaiting() == 10; }));

    EXPECT_EQ(port_.readInput(), QStringLiteral("ABCD"));
    EXPECT_EQ(port_.readInput(), QStringLiteral("EFGH"));
    EXPECT_EQ(port_.readInput(), QStringLiteral("IJ"));
    EXPECT_EQ(port_.readInput(), QString());

    ASSERT_TRUE(pty_.write("KLMNOP"));
    ASSERT_TRUE(waitFor([&] { return port_.bytesWaiting() == 6; }));
    port_.setInputLength(0);
    EXPECT_EQ(port_.readInput(), QStringLiteral("KLMNOP"));
}

TEST_F(CommPortTest, AFullInputBufferLeavesTheRestWaitingInTheDriver) {
    port_.setReceiveThreshold(0);
    port_.setInputBufferSize(8);
    port_.open();
    ASSERT_TRUE(pty_.write("0123456789ABCDEFGHIJ"));
    ASSERT_TRUE(waitFor([&] { return port_.bytesWaiting() == 8; }));
    runEventLoopFor(50);
    EXPECT_EQ(port_.bytesWaiting(), 8);

    QString all = port_.readInput();
    ASSERT_TRUE(waitFor([&] {
        all += port_.readInput();
        return all.size() >= 20;
    }));
    EXPECT_EQ(all, QStringLiteral("0123456789ABCDEFGHIJ"));
}

// A short input length leaves most of a transmission waiting after each read,
// and nothing new may arrive to announce it: the event comes again while the
// threshold of characters waits.
TEST_F(CommPortTest, AShortInputLengthReadsTheWholeBacklog) {
    readOnEveryEvent();
    port_.setInputLength(4);
    port_.open();
    QByteArray sent;
    for (int i = 0; i < 100; ++i)
        sent += QByteArray::number(i % 10);
    ASSERT_TRUE(pty_.write(sent));
    ASSERT_TRUE(waitFor([&] { return text_.size() >= sent.size(); }));
    EXPECT_EQ(text_, QString::fromLatin1(sent));
    EXPECT_EQ(events_, 25);
    runEventLoopFor(50);
    EXPECT_EQ(events_, 25);  // nothing waits: no event
}

// A handler that reads nothing does not make the port raise event after event.
TEST_F(CommPortTest, AHandlerThatReadsNothingIsNotCalledAgainUntilMoreArrives) {
    QObject::connect(&port_, &CommPort::received, [this] { ++events_; });
    port_.open();
    ASSERT_TRUE(pty_.write("abc"));
    ASSERT_TRUE(waitFor([&] { return events_ >= 1; }));
    runEventLoopFor(100);
    EXPECT_EQ(events_, 1);
}

// With parity checked the driver marks what it could not receive whole; each
// such character reads as "?", and a real 0xFF (sent doubled) as one 0xFF.
TEST(CommPortParity, MarkedCharactersReadAsQuestionMarks) {
    struct Case {
        std::vector<QByteArray> reads;
        std::vector<QString> texts;
    };
    const QString yy(QChar(0xFF));
    const Case cases[] = {
        {{""}, {""}},
        {{"ABC"}, {"ABC"}},
        {{QByteArray("A\xFF\x00"
                     "BC",
                     5)},
         {"A?C"}},                                 // B failed its parity check
        {{QByteArray("\xFF\x00\x00", 3)}, {"?"}},  // a break
        {{"\xFF\xFF"}, {yy}},                      // a good 0xFF
        {{QByteArray("\xFF\xFF\xFF\x00"
                     "1",
                     5)},
         {yy + "?"}},  // a good 0xFF, then a bad "1"
        {{QByteArray("12\xFF\x00"
                     "3"
                     "4\xFF\x00\xFF",
                     9)},
         {"12?4?"}},  // a bad 0xFF is still one "?"
        {{"A\xFF", QByteArray("\x00"
                              "BC",
                              3)},
         {"A", "?C"}},  // a mark cut between two reads
        {{QByteArray("A\xFF\x00", 3), "BC"}, {"A", "?C"}},
        {{"\xFF", "\xFF", "Z"}, {"", yy, "Z"}},
        {{"\xFF"
          "A"},
         {yy + "A"}},  // no mark the driver makes
        {{QByteArray("\x02   1\x03", 6)}, {QString::fromLatin1("\x02   1\x03")}},
    };
    for (const Case& c : cases) {
        QByteArray pending;
        ASSERT_EQ(c.reads.size(), c.texts.size());
        for (std::size_t i = 0; i < c.reads.size(); ++i) {
            SCOPED_TRACE(c.reads[i].toHex().toStdString());
            EXPECT_EQ(zv::unmarkLineErrors(c.reads[i], pending), c.texts[i]);
        }
        EXPECT_TRUE(pending.isEmpty());
    }
}

// Parity e or o turns the check on in the driver (a pseudo-terminal cannot
// garble a byte, but it marks as a line would: a real 0xFF comes doubled).
TEST_F(CommPortTest, ParityEvenOrOddChecksEveryCharacter) {
    struct Case {
        const char* settings;
        bool checked;
    } cases[] = {{"9600,e,7,1", true}, {"9600,o,8,1", true}, {"9600,n,8,1", false}};
    readOnEveryEvent();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        port_.setSettings(QString::fromLatin1(c.settings));
        port_.open();
        const termios tio = pty_.lineSettings();
        EXPECT_EQ((tio.c_iflag & (INPCK | PARMRK)) == (INPCK | PARMRK), c.checked);
        EXPECT_EQ((tio.c_iflag & IGNPAR) == 0, c.checked);
        EXPECT_EQ(tio.c_iflag & ISTRIP, 0u);
        text_.clear();
        ASSERT_TRUE(
            pty_.write("a\xFF"
                       "b\x03"));
        ASSERT_TRUE(waitFor([&] { return text_.endsWith(QChar(3)); }));
        EXPECT_EQ(text_, QString::fromLatin1("a\xFF"
                                             "b\x03"));
        port_.close();
    }
}

TEST(CommPortSettings, AMalformedSettingsTextFailsAtOnce) {
    for (const char* text :
         {"", "9600", "9600,n,8", "9600,n,8,1,1", "9600,x,8,1", "9600,,8,1", "9600,n,6,1", "9600,n,8,3", "9600,n,8,1.5",
          "299,n,8,1", "115201,n,8,1", "abc,n,8,1", "-9600,n,8,1", "96 00,n,8,1"}) {
        SCOPED_TRACE(text);
        CommPort port;
        const AppError e = caught([&] { port.setSettings(QString::fromLatin1(text)); });
        EXPECT_EQ(e.number(), zv::err::InvalidCall);
        EXPECT_EQ(e.description(), QStringLiteral("Invalid property value"));
    }
    for (const char* text : {"300,E,7,2", "115200,o,8,1", "1200, n, 7, 1"}) {
        SCOPED_TRACE(text);
        CommPort port;
        EXPECT_NO_THROW(port.setSettings(QString::fromLatin1(text)));
    }
}

TEST(CommPortSettings, PortTextNamesTheDevice) {
    const std::pair<const char*, const char*> cases[] = {
        {"1", "/dev/ttyS0"},
        {"9", "/dev/ttyS8"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"", ""},
        {"0", ""},
        {"12", ""},
        {"abc", ""},
        {"-1", ""},
        {" 1", ""},
    };
    for (const auto& [text, device] : cases) {
        SCOPED_TRACE(text);
        CommPort port;
        port.setPort(QString::fromLatin1(text));
        EXPECT_EQ(port.deviceName(), QString::fromLatin1(device));
        if (*device == '\0') {
            const AppError e = caught([&] { port.open(); });
            EXPECT_EQ(e.number(), zv::err::InvalidCall);
            EXPECT_EQ(e.description(), QStringLiteral("Invalid port number"));
            EXPECT_FALSE(port.isOpen());
        }
    }
}

TEST(CommPortOpen, ADeviceThatCannotServeFailsWithTheSystemsReason) {
    struct Case {
        const char* device;
        int32_t number;
        const char* reason;
    };
    const Case cases[] = {
        {"/dev/zv-no-such-port", zv::err::FileNotFound, "No such file or directory"},
        {"/dev/null", zv::err::PathFileAccess, "Inappropriate ioctl for device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        CommPort port;
        port.setPort(QString::fromLatin1(c.device));
        const AppError e = caught([&] { port.open(); });
        EXPECT_EQ(e.number(), c.number);
        EXPECT_EQ(e.description(), QStringLiteral("%1: %2").arg(QLatin1String(c.device), QLatin1String(c.reason)));
        EXPECT_FALSE(port.isOpen());
    }
}

TEST_F(CommPortTest, APortHeldElsewhereFailsWith75UntilItIsFreed) {
    port_.open();
    CommPort other;
    other.setPort(pty_.slavePath());
    const AppError e = caught([&] { other.open(); });
    EXPECT_EQ(e.number(), zv::err::PathFileAccess);
    EXPECT_TRUE(e.description().startsWith(pty_.slavePath() + QStringLiteral(": "))) << e.what();
    EXPECT_FALSE(other.isOpen());

    port_.close();
    EXPECT_NO_THROW(other.open());
    EXPECT_TRUE(other.isOpen());
    EXPECT_TRUE(failures_.empty());
}

TEST_F(CommPortTest, APulledCableClosesThePortAndReportsOnce) {
    readOnEveryEvent();
    port_.open();
    ASSERT_TRUE(pty_.write("\x02WB1"));
    ASSERT_TRUE(waitFor([&] { return text_.size() == 4; }));

    pty_.closeMaster();
    ASSERT_TRUE(waitFor([&] { return !failures_.empty(); }));
    EXPECT_FALSE(portOpenAtFailure_);
    EXPECT_FALSE(port_.isOpen());
    EXPECT_EQ(failures_.front(), zv::err::PathFileAccess);
    EXPECT_TRUE(failureText_.startsWith(pty_.slavePath() + QStringLiteral(": "))) << failureText_.toStdString();

    runEventLoopFor(200);
    EXPECT_EQ(failures_.size(), 1u);
    EXPECT_EQ(events_, 1);
    EXPECT_EQ(text_, QStringLiteral("\x02WB1"));
}

TEST_F(CommPortTest, AHandlerInANestedEventLoopIsNotReenteredAndIsCalledOnceAfterwards) {
    int depth = 0;
    int deepest = 0;
    QObject::connect(&port_, &CommPort::received, [&] {
        ++depth;
        deepest = std::max(deepest, depth);
        ++events_;
        text_ += port_.readInput();
        if (events_ == 1) {
            // A modal box would spin its own loop here while the analyser goes on sending.
            ASSERT_TRUE(pty_.write("sec"));
            ASSERT_TRUE(waitFor([&] { return port_.bytesWaiting() >= 3; }));
            ASSERT_TRUE(pty_.write("ond"));
            ASSERT_TRUE(waitFor([&] { return port_.bytesWaiting() >= 6; }));
            runEventLoopFor(50);
        }
        --depth;
    });
    port_.open();
    ASSERT_TRUE(pty_.write("first"));

    ASSERT_TRUE(waitFor([&] { return events_ == 2; }));
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(text_, QStringLiteral("firstsecond"));
    runEventLoopFor(100);
    EXPECT_EQ(events_, 2);
}

}  // namespace
