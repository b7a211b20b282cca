#include "link/histogram.h"

#include "model/resultfields.h"
#include "model/resultstore.h"
#include "platform/database.h"
#include "platform/errors.h"
#include "support/transmission.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

// Readable failure messages for the texts compared below.
static void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace zv {
namespace {

using test::groupForChannel;
using test::histogramBlock;

const QChar kStx(2);
const QChar kEtx(3);

// Groups 0 to 66 holding their own number, so every channel shows where it came from.
std::array<int, 67> numberedGroups() {
    std::array<int, 67> groups{};
    for (int i = 0; i < 67; ++i)
        groups[static_cast<std::size_t>(i)] = i;
    return groups;
}

QString groupsText(int count, int first = 0) {
    QStringList groups;
    for (int i = 0; i < count; ++i)
        groups << QStringLiteral("%1").arg(first + i, 3, 10, QLatin1Char('0'));
    return groups.join(QLatin1Char(','));
}

TEST(Histogram, ZeroHistogramIsSixtySevenGroupsOfZeros) {
    EXPECT_EQ(zeroHistogram().size(), 267);
    EXPECT_EQ(zeroHistogram().split(QLatin1Char(',')), QStringList(67, QStringLiteral("000")));
}

TEST(Histogram, ElementsAreTheLastCharactersCutAtEveryComma) {
    const std::pair<QString, QStringList> cases[] = {
        // 267 characters: the first two groups fall outside the last 259.
        {zeroHistogram(), QStringList(65, QStringLiteral("000"))},
        // Shorter than 259: used whole, nothing trimmed, empty elements kept.
        {QStringLiteral(" 12,3 ,,047"), {" 12", "3 ", "", "047"}},
        {QString(), {""}},
        // 260 characters: only the first one is dropped.
        {QStringLiteral("X") + QString(259, QLatin1Char('7')), {QString(259, QLatin1Char('7'))}},
    };
    for (const auto& [block, elements] : cases) {
        SCOPED_TRACE(block.left(20).toStdString());
        EXPECT_EQ(histogramElements(block), elements);
    }
}

TEST(Histogram, GeneratedBlockHasTheShippedLengthAndCutsLikeTheZeroHistogram) {
    const QString block = histogramBlock(HistogramKind::RBC, numberedGroups());
    EXPECT_EQ(block.size(), 275);
    EXPECT_TRUE(block.startsWith(QString(kStx) + QStringLiteral("RBC")));
    EXPECT_EQ(block.back(), kEtx);
    const QStringList elements = histogramElements(block);
    ASSERT_EQ(elements.size(), 65);
    EXPECT_EQ(elements[1], QStringLiteral("003"));
    EXPECT_EQ(elements[57], QStringLiteral("059"));
}

// A results database made from the shipped schema, one row added per test.
class ChannelFields : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QFile schema(QStringLiteral(ZV_DIST_DIR "/schema/results.sql"));
        ASSERT_TRUE(schema.open(QIODevice::ReadOnly));
        const QString path = dir_.filePath(QStringLiteral("zarvium.mdb"));
        createDatabaseFromSql(path, QString::fromUtf8(schema.readAll()));
        cn_.open(path);
    }

    // Adds a row whose channels are filled from the four blocks, as the store does,
    // and returns the stored row.
    Recordset store(const std::array<QString, 4>& blocks) {
        std::array<QStringList, 4> elements;
        for (std::size_t i = 0; i < 4; ++i)
            elements[i] = histogramElements(blocks[i]);
        ResultRecord r;
        r.seq = QStringLiteral("42");
        r.specId = QStringLiteral("0123");
        r.date = QStringLiteral("08/12/26");
        for (std::size_t i = 0; i < 4; ++i)
            fillChannels(r.histograms[i], kHistogramKinds[i], elements[i]);
        addResult(cn_, r);
        return Recordset(cn_, QStringLiteral("select * from datiQgrafici order by ID1"));
    }

    QTemporaryDir dir_;
    Connection cn_;
};

TEST_F(ChannelFields, EachChannelTakesItsElementAndChannel002RepeatsChannel042) {
    std::array<QString, 4> blocks;
    for (std::size_t i = 0; i < 4; ++i)
        blocks[i] = histogramBlock(kHistogramKinds[i], numberedGroups());
    Recordset rs = store(blocks);
    ASSERT_EQ(rs.recordCount(), 1);

    // Explicit channels: element (NNN - 2) / 4 is group (NNN + 6) / 4 of the block.
    const std::pair<const char*, const char*> wb1[] = {
        {"GraficiWB1_ch002", "012"}, {"GraficiWB1_ch006", "003"}, {"GraficiWB1_ch042", "012"},
        {"GraficiWB1_ch046", "013"}, {"GraficiWB1_ch054", "015"}, {"GraficiWB1_ch078", "021"},
        {"GraficiWB1_ch086", "023"}, {"GraficiWB1_ch226", "058"}, {"GraficiWB1_ch230", "059"},
        {"GraficiWB2_ch002", "012"}, {"GraficiRBC_ch118", "031"}, {"GraficiPLT_ch230", "059"},
    };
    for (const auto& [field, value] : wb1)
        EXPECT_EQ(rs.field(QString::fromLatin1(field)), QVariant(QString::fromLatin1(value))) << field;

    for (HistogramKind kind : kHistogramKinds) {
        for (const QString& channel : histogramChannels()) {
            const QString field = channelField(kind, channel);
            SCOPED_TRACE(field.toStdString());
            const int group = groupForChannel(kind, channel);
            if (group < 0)
                EXPECT_TRUE(rs.field(field).isNull());
            else
                EXPECT_EQ(rs.text(field), QStringLiteral("%1").arg(group, 3, 10, QLatin1Char('0')));
        }
    }
    EXPECT_TRUE(rs.field(QStringLiteral("GraficiRBC_ch002")).isNull());
    EXPECT_TRUE(rs.field(QStringLiteral("GraficiPLT_ch002")).isNull());
}

TEST_F(ChannelFields, ZeroHistogramStoresZeroInEveryWrittenChannel) {
    Recordset rs = store({zeroHistogram(), zeroHistogram(), zeroHistogram(), zeroHistogram()});
    for (HistogramKind kind : kHistogramKinds) {
        for (const QString& channel : histogramChannels()) {
            const QString field = channelField(kind, channel);
            const bool unwritten =
                channel == QLatin1String("002") && (kind == HistogramKind::RBC || kind == HistogramKind::PLT);
            EXPECT_EQ(rs.field(field), unwritten ? QVariant() : QVariant(QStringLiteral("000"))) << field.toStdString();
        }
    }
}

TEST_F(ChannelFields, AShortBlockIsUsedWholeAndItsTextsAreStoredUnchecked) {
    // 58 groups "001" ... "058" in 231 characters: element k is group k + 1.
    QString shortBlock = groupsText(58, 1);
    shortBlock.replace(QStringLiteral("012"), QStringLiteral(" x"));  // element 11, channel 046
    Recordset rs = store({shortBlock, zeroHistogram(), zeroHistogram(), shortBlock});
    EXPECT_EQ(rs.text(QStringLiteral("GraficiWB1_ch002")), QStringLiteral("011"));
    EXPECT_EQ(rs.text(QStringLiteral("GraficiWB1_ch006")), QStringLiteral("002"));
    EXPECT_EQ(rs.text(QStringLiteral("GraficiWB1_ch046")), QStringLiteral(" x"));
    EXPECT_EQ(rs.text(QStringLiteral("GraficiWB1_ch230")), QStringLiteral("058"));
    EXPECT_EQ(rs.text(QStringLiteral("GraficiPLT_ch230")), QStringLiteral("058"));
    EXPECT_TRUE(rs.field(QStringLiteral("GraficiPLT_ch002")).isNull());
}

TEST_F(ChannelFields, FewerThanFiftyEightElementsFailBeforeAnyChannelIsSet) {
    for (int groups : {57, 40, 1}) {
        SCOPED_TRACE(groups);
        Histogram h;
        try {
            fillChannels(h, HistogramKind::WB1, histogramElements(groupsText(groups, 1)));
            ADD_FAILURE() << "no failure";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), err::InvalidCall);
        }
        for (const OptionalText& channel : h.channels)
            EXPECT_FALSE(channel.has_value());
    }
}

}  // namespace
}  // namespace zv
