#include "model/resultstore.h"

#include <QFile>

#include "platform/database.h"
#include "platform/errors.h"
#include "support/fixture.h"
#include "support/results.h"

namespace zv {
namespace {

using P = ResultParameter;

class ResultStore : public test::ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        cn.open(path("zarvium.mdb"));
    }
    ResultRecord readBack(int64_t id1) {
        Recordset rs(cn, QStringLiteral("select * from datiQgrafici where ID1 = %1").arg(id1));
        EXPECT_EQ(rs.recordCount(), 1);
        return readResult(rs);
    }
    Connection cn;
};

// A typed-in result: every field but sesso and DdN set, channels "0".
ResultRecord typedResult() {
    ResultRecord r;
    r.seq = QStringLiteral("Man.");
    r.specId = QStringLiteral("0042");
    r.specName = QStringLiteral("D'Amico Ñoño");
    r.note = QStringLiteral(".");
    r.date = QStringLiteral("08/12/26");
    r.Limits = 0;
    for (const ParameterInfo& p : resultParameters())
        r.value(p.parameter) = 1.5;
    for (const auto& [name, member] : AlarmFlags::textFlags())
        r.flags.*member = QStringLiteral("0");
    r.flags.SamplError = 0;
    for (Histogram& h : r.histograms)
        h.channels.fill(QStringLiteral("0"));
    return r;
}

TEST_F(ResultStore, WhatIsAddedReadsBackFieldForField) {
    ResultRecord typed = typedResult();
    ResultRecord received;  // as the receiver leaves it: no sex, birth date, note, ret%, bandati
    received.seq = QStringLiteral("42");
    received.specName = QStringLiteral("ROSSI");
    received.date = QStringLiteral("08/12/26");
    received.value(P::WBC) = 7.46;
    received.value(P::PCT) = 0.215;
    received.flags.Band = QStringLiteral("1");
    received.flags.SamplError = 3;
    received.histogram(HistogramKind::WB1).channel(42) = QStringLiteral("047");
    received.histogram(HistogramKind::PLT).channel(230) = QStringLiteral("001");

    const int64_t first = addResult(cn, typed);
    const int64_t second = addResult(cn, received);
    EXPECT_GT(second, first);

    typed.ID1 = first;
    EXPECT_TRUE(readBack(first) == typed);
    const ResultRecord back = readBack(second);
    EXPECT_EQ(back.ID1, second);
    EXPECT_FALSE(back.sesso.has_value());
    EXPECT_FALSE(back.note.has_value());
    EXPECT_FALSE(back.value(P::RBC).has_value());
    EXPECT_DOUBLE_EQ(*back.value(P::PCT), 0.215);
    EXPECT_EQ(back.flags.Band, QStringLiteral("1"));
    EXPECT_FALSE(back.flags.IG.has_value());
    EXPECT_EQ(back.flags.SamplError, 3);
    EXPECT_EQ(back.histogram(HistogramKind::WB1).channel(42), QStringLiteral("047"));
    EXPECT_EQ(back.histogram(HistogramKind::WB1).channels[0], std::nullopt);
    EXPECT_EQ(back.histogram(HistogramKind::PLT).channel(230), QStringLiteral("001"));
    // Values the analyser never sends stay unset, never 0.
    EXPECT_FALSE(back.value(P::ret).has_value());
    EXPECT_FALSE(back.value(P::bandati).has_value());
}

TEST_F(ResultStore, FailedAddStoresNothingAndDeleteTakesAllFiveRows) {
    const int64_t kept = addResult(cn, typedResult());
    ResultRecord bad = typedResult();
    bad.Limits.reset();
    bad.specId = QStringLiteral("BAD");
    // A value the column refuses fails the whole add.
    cn.execute(
        QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON graficiWB2 BEGIN SELECT RAISE(ABORT, 'disk "
                       "full'); END"));
    EXPECT_THROW(addResult(cn, bad), AppError);
    cn.execute(QStringLiteral("DROP TRIGGER refuse"));
    for (const QString& table : resultTables())
        EXPECT_EQ(test::rowCount(cn, table), 1) << table.toStdString();

    const int64_t gone = addResult(cn, typedResult());
    deleteResult(cn, gone);
    for (const QString& table : resultTables())
        EXPECT_EQ(test::rowCount(cn, table), 1) << table.toStdString();
    EXPECT_EQ(readBack(kept).specName, QStringLiteral("D'Amico Ñoño"));
}

TEST(ResultParameters, NamesFollowOneRule) {
    EXPECT_EQ(parameterInfo(P::neu).field, QStringLiteral("neu%"));
    EXPECT_EQ(parameterInfo(P::neu).countLow, QStringLiteral("cneuL"));
    EXPECT_EQ(parameterInfo(P::bandati).countHigh, QStringLiteral("cBandatiH"));
    EXPECT_EQ(parameterInfo(P::ret).low, QStringLiteral("retL"));
    EXPECT_TRUE(parameterInfo(P::HCT).calibrationKey.isEmpty());
    EXPECT_EQ(parameterInfo(P::PDW).reportMember, QStringLiteral("s_pdw"));
    // The thirteen measured parameters carry the calibration keys, in the factors' order.
    QStringList keys;
    for (const ParameterInfo& p : resultParameters())
        if (!p.calibrationKey.isEmpty())
            keys << p.calibrationKey;
    EXPECT_EQ(keys.size(), 13);
    for (int i = 0; i < kParameterCount; ++i)
        EXPECT_EQ(int(resultParameters()[std::size_t(i)].parameter), i);
}

}  // namespace
}  // namespace zv
