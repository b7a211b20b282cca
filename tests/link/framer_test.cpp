#include <gtest/gtest.h>

#include <vector>

#include "link/framer.h"
#include "link/histogram.h"

namespace zv {
namespace {

const QString STX(QChar(2));
const QString ETX(QChar(3));

// A block of exactly `length` characters with the given marker.
QString block(const char* marker, int length, QChar fill = QLatin1Char('1')) {
    QString b = STX + QLatin1String(marker);
    while (b.size() < length - 1)
        b += fill;
    return b + ETX;
}

struct Recorder final : FramerSink {
    Framer* framer = nullptr;
    std::vector<BlockStrings> stored;
    std::vector<BlockStrings> completed;
    int dataErrors = 0, histogramErrors = 0, overflows = 0;
    std::vector<int> segments;
    int hides = 0;
    void showSegment(int index) override { segments.push_back(index); }
    void hideSegments() override { ++hides; }
    void recordCompleted(const BlockStrings& asFiled) override { completed.push_back(asFiled); }
    void dataLengthWrong() override {
        ++dataErrors;
        framer->svuota();
    }
    void histogramLengthWrong() override { ++histogramErrors; }
    void bufferOverflow() override { ++overflows; }
    void registra(const BlockStrings& record) override {
        stored.push_back(record);
        framer->svuota();  // the store step always empties the block strings
    }
};

class FramerTest : public ::testing::Test {
protected:
    void SetUp() override {
        framer.val_finestringa = 6;
        framer.lendati = 40;
        framer.lengraf = 30;
        sink.framer = &framer;
    }
    QString record(QChar fill = QLatin1Char('1')) {
        return block("   ", 40, fill) + block("WB1", 30) + block("WB2", 30) + block("RBC", 30) + block("PLT", 30) +
               block("WIC", 12);
    }
    Framer framer;
    Recorder sink;
};

TEST_F(FramerTest, SameRecordsWhateverTheChunking) {
    const QString two = record(QLatin1Char('1')) + record(QLatin1Char('2'));
    std::vector<std::vector<BlockStrings>> results;
    for (int chunk : {1, 7, 41, 100, int(two.size())}) {
        Framer f;
        f.val_finestringa = 6;
        f.lendati = 40;
        f.lengraf = 30;
        Recorder r;
        r.framer = &f;
        for (int at = 0; at < two.size(); at += chunk)
            f.receive(two.mid(at, chunk), r);
        EXPECT_EQ(r.dataErrors + r.histogramErrors, 0) << chunk;
        results.push_back(r.stored);
    }
    ASSERT_EQ(results[0].size(), 2u);
    EXPECT_TRUE(results[0][1].data.contains(QStringLiteral("2222")));
    for (const auto& r : results)
        EXPECT_EQ(r, results[0]);
}

TEST_F(FramerTest, QuotesAreRemovedBeforeTheLengthTest) {
    QString data = block("   ", 40);
    data.insert(10, QStringLiteral("\"\""));
    framer.receive(data + block("WB1", 30) + block("WB2", 30) + block("RBC", 30) + block("PLT", 30) + block("NOC", 5),
                   sink);
    ASSERT_EQ(sink.stored.size(), 1u);
    EXPECT_EQ(sink.stored[0].data.size(), 40);
}

TEST_F(FramerTest, WrongDataLengthDropsTheRecordAfterLoggingIt) {
    framer.receive(
        block("   ", 41) + block("WB1", 30) + block("WB2", 30) + block("RBC", 30) + block("PLT", 30) + block("WIC", 9),
        sink);
    EXPECT_TRUE(sink.stored.empty());
    EXPECT_EQ(sink.dataErrors, 1);
    ASSERT_EQ(sink.completed.size(), 1u);  // the block logs still see it
    EXPECT_EQ(sink.completed[0].data.size(), 41);
    framer.receive(record(), sink);  // reception goes on
    EXPECT_EQ(sink.stored.size(), 1u);
}

TEST_F(FramerTest, WrongOrMissingHistogramBecomesZeros) {
    // RBC lost, PLT too long: both stored as zeros, the record kept.
    framer.receive(block("   ", 40) + block("WB1", 30) + block("WB2", 30) + block("PLT", 31) + block("WIC", 9), sink);
    ASSERT_EQ(sink.stored.size(), 1u);
    EXPECT_EQ(sink.histogramErrors, 2);
    EXPECT_EQ(sink.stored[0].rbc, zeroHistogram());
    EXPECT_EQ(sink.stored[0].plt, zeroHistogram());
    EXPECT_EQ(sink.stored[0].wb1, block("WB1", 30));
}

TEST_F(FramerTest, LostClosingBlockNeverLendsHistogramsToTheNextSample) {
    framer.receive(
        block("   ", 40, QLatin1Char('A')) + block("WB1", 30) + block("WB2", 30) + block("RBC", 30) + block("PLT", 30),
        sink);  // WIC lost
    EXPECT_TRUE(sink.stored.empty());
    framer.receive(block("   ", 40, QLatin1Char('B')) + block("WIC", 9), sink);
    ASSERT_EQ(sink.stored.size(), 1u);
    EXPECT_TRUE(sink.stored[0].data.contains(QLatin1Char('B')));
    EXPECT_EQ(sink.stored[0].wb1, zeroHistogram());
    EXPECT_EQ(sink.histogramErrors, 4);
}

TEST_F(FramerTest, GarbageWithoutMarkerIsDropped) {
    framer.receive(QStringLiteral("noise") + ETX + QStringLiteral("\xff\xfe") + ETX, sink);
    framer.receive(record(), sink);
    ASSERT_EQ(sink.stored.size(), 1u);
    EXPECT_EQ(sink.dataErrors, 0);
}

TEST_F(FramerTest, DataLoggerModeStoresEachDataBlockWithZeroHistograms) {
    framer.setDataLogger(true);
    framer.receive(block("   ", 40) + block("WB1", 30) + block("   ", 40, QLatin1Char('2')), sink);
    ASSERT_EQ(sink.stored.size(), 2u);
    for (const auto& r : sink.stored)
        for (HistogramKind k : kHistogramKinds)
            EXPECT_EQ(r.histogram(k), zeroHistogram());
    EXPECT_EQ(sink.histogramErrors, 0);
}

TEST_F(FramerTest, SwitchToDataLoggerCompletesAtTheNextEvent) {
    framer.receive(block("   ", 40), sink);
    EXPECT_TRUE(sink.stored.empty());
    framer.setDataLogger(true);
    framer.receive(QString(), sink);  // an event with nothing waiting
    EXPECT_EQ(sink.stored.size(), 1u);
}

// Data-logger mode chosen twice in a row still gives back the instrument's
// own record when it is left.
TEST_F(FramerTest, LeavingDataLoggerModeBringsBackTheWholeRecord) {
    framer.setDataLogger(true);
    framer.setDataLogger(true);
    EXPECT_EQ(framer.val_finestringa, 1);
    framer.setDataLogger(false);
    framer.setDataLogger(false);
    EXPECT_EQ(framer.val_finestringa, 6);
    EXPECT_TRUE(framer.stato);
    framer.receive(block("   ", 40) + block("WB1", 30), sink);
    EXPECT_TRUE(sink.stored.empty());
    framer.receive(block("WB2", 30) + block("RBC", 30) + block("PLT", 30) + block("WIC", 12), sink);
    ASSERT_EQ(sink.stored.size(), 1u);
    EXPECT_NE(sink.stored[0].wb2, zeroHistogram());  // tested and kept, not replaced
}

TEST_F(FramerTest, ProgressBarFillsAndStartsAgain) {
    for (int i = 0; i < 61; ++i)
        framer.receive(QStringLiteral("x"), sink);
    EXPECT_EQ(sink.segments.front(), 0);  // counter 1
    EXPECT_EQ(sink.segments[14], 2);      // counter 15
    EXPECT_EQ(sink.segments[59], 6);      // counter 60
    EXPECT_EQ(sink.hides, 1);             // counter 61 wraps to 0
    EXPECT_EQ(sink.segments[60], 0);
    EXPECT_EQ(framer.progress(), 0);
}

TEST_F(FramerTest, EndlessTextWithoutEtxIsBounded) {
    const QString noise(Framer::kBufferLimit / 4, QLatin1Char('n'));
    for (int i = 0; i < 5; ++i)
        framer.receive(noise, sink);
    EXPECT_EQ(sink.overflows, 1);
    EXPECT_LE(framer.buffer().size(), Framer::kBufferLimit);
    framer.receive(record(), sink);
    // The first block after the overflow carries the noise received since: it is too long.
    framer.receive(record(), sink);
    EXPECT_GE(sink.stored.size(), 1u);
}

// A flood of noise (a wrong baud rate) is one overflow until a block shows the
// line is back; another flood after that is told again.
TEST_F(FramerTest, AnOverflowIsToldOnceUntilTheNextGoodBlock) {
    const QString noise(Framer::kBufferLimit / 2 + 1, QLatin1Char('n'));
    for (int i = 0; i < 40; ++i)
        framer.receive(noise, sink);
    EXPECT_EQ(sink.overflows, 1);
    framer.receive(ETX, sink);  // the end of the noise, no block in it
    for (int i = 0; i < 8; ++i)
        framer.receive(noise, sink);
    EXPECT_EQ(sink.overflows, 1);

    framer.receive(ETX + record() + record(), sink);  // the noise's tail closed, then two good records
    EXPECT_EQ(sink.stored.size(), 2u);
    for (int i = 0; i < 8; ++i)
        framer.receive(noise, sink);
    EXPECT_EQ(sink.overflows, 2);
}

}  // namespace
}  // namespace zv
