// The hand-off from a stored result and its range set to the report page.
#include <gtest/gtest.h>

#include "model/reportdata.h"
#include "model/resultstore.h"
#include "platform/database.h"
#include "platform/errors.h"
#include "support/fixture.h"
#include "support/results.h"

namespace zv {
namespace {

class HandOffTest : public test::ProgramFolderTest {
protected:
    // The stored result and the first human range set, as the viewer has them.
    void SetUp() override {
        ProgramFolderTest::SetUp();
        cn_.open(path(QStringLiteral("zarvium.mdb")));
        limits_.open(path(QStringLiteral("riferimenti.mdb")));
        test::addTestResult(cn_, QStringLiteral("S-1"), QStringLiteral("D'Amico"), 7.46);
        Recordset rs(cn_, QStringLiteral("datiQgrafici"));
        result_ = readResult(rs);
        Recordset set(limits_, QStringLiteral("select * from limiti order by limite"));
        row_ = LimitsRow::fromRecordset(set);
    }

    Connection cn_, limits_;
    ResultRecord result_;
    LimitsRow row_;
};

TEST_F(HandOffTest, AReceivedResultWithoutTypedValuesHandsOverZeros) {
    ASSERT_FALSE(result_.value(ResultParameter::bandati).has_value() && *result_.value(ResultParameter::bandati) != 0);
    result_.value(ResultParameter::ret).reset();
    result_.value(ResultParameter::PDW).reset();
    result_.note.reset();
    result_.flags.LRI.reset();
    ReportData d;
    d.s_n = QStringLiteral("kept");
    fillReportData(d, result_, row_);
    EXPECT_TRUE(d.s_bandati.isNull());  // never measured: printed as nothing, not as 0
    EXPECT_EQ(d.s_ret, 0);
    EXPECT_EQ(d.s_pdw, 0);
    EXPECT_EQ(d.s_lri, 0);
    EXPECT_EQ(d.s_data, QStringLiteral("07/12/26"));
    EXPECT_EQ(d.s_seq, QStringLiteral("42"));
    EXPECT_EQ(d.s_wbc, ReportValue(7.46));
    EXPECT_EQ(d.s_nome, ReportValue(QStringLiteral("D'Amico")));
    EXPECT_TRUE(d.s_commento.isNull());  // a variant keeps NULL: no note block
    EXPECT_TRUE(d.s_hgb.isNull());
    EXPECT_EQ(d.s_n, QStringLiteral("kept"));
}

TEST_F(HandOffTest, LimitsArriveAsStoredAndDoubleLimitsAsNumbers) {
    ReportData d;
    fillReportData(d, result_, row_);
    Recordset set(limits_, QStringLiteral("select * from limiti order by limite"));
    EXPECT_EQ(d.s_limite, ReportValue::fromVariant(set.field(QStringLiteral("valori"))));
    EXPECT_EQ(d.s_wbcL, ReportValue(set.field(QStringLiteral("wbcL")).toString()));
    EXPECT_EQ(d.s_basocH, set.field(QStringLiteral("cbasoH")).isNull()
                              ? 0.0
                              : set.field(QStringLiteral("cbasoH")).toString().replace(',', '.').toDouble());
}

TEST_F(HandOffTest, AColumnTheRangeSetLacksIsNoLimit) {
    LimitsRow qcLike;
    qcLike.set(QStringLiteral("valori"), QStringLiteral("LOT-7"));
    qcLike.set(QStringLiteral("WBCL"), 5.5);
    qcLike.set(QStringLiteral("retH"), QStringLiteral("2,5"));
    ReportData d;
    fillReportData(d, result_, qcLike);
    EXPECT_EQ(d.s_wbcL, ReportValue(5.5));  // names match without regard to case
    EXPECT_TRUE(d.s_neucL.isNull());
    EXPECT_TRUE(d.s_basocH.isNull());
    EXPECT_EQ(d.s_retH, ReportValue(2.5));

    qcLike.set(QStringLiteral("pdwH"), QStringLiteral("alto"));
    fillReportData(d, result_, qcLike);
    EXPECT_TRUE(d.s_pdwH.isNull());  // no number, no limit
}

TEST_F(HandOffTest, ALimitThePageComparesIsANumberOrNoLimit) {
    struct Case {
        QVariant stored;
        ReportValue handed;
    };
    const Case cases[] = {
        {QVariant(), ReportValue::null()},  // nobody set it: no limit, no mark
        {QStringLiteral(" "), ReportValue::null()},
        {QStringLiteral("3"), ReportValue(3.0)},
        {QStringLiteral("2,5"), ReportValue(2.5)},
        {QVariant(0.5), ReportValue(0.5)},
        {QStringLiteral("alto"), ReportValue::null()},  // no number: no limit, as on screen
    };
    for (const Case& c : cases) {
        LimitsRow limits;
        for (const char* column : {"bandatiH", "cbasoH", "retH", "pdwH"})
            limits.set(QString::fromLatin1(column), c.stored);
        ReportData d;
        fillReportData(d, result_, limits);
        for (const ReportValue* member : {&d.s_bandatiH, &d.s_basocH, &d.s_retH, &d.s_pdwH})
            EXPECT_EQ(*member, c.handed) << c.stored.toString().toStdString();
    }
    // The shipped human sets carry no band limits.
    ReportData d;
    fillReportData(d, result_, row_);
    EXPECT_TRUE(d.s_bandatiL.isNull());
    EXPECT_TRUE(d.s_bandatiH.isNull());
}

TEST(ReportValueTest, NumbersAndTextsAsThePageReadsThem) {
    struct Case {
        ReportValue value;
        std::optional<double> number;
        const char* text;
    };
    const Case cases[] = {
        {ReportValue(), 0.0, ""},
        {ReportValue::null(), std::nullopt, ""},
        {ReportValue(7.5), 7.5, "7,5"},
        {ReportValue(QStringLiteral("4,0")), 4.0, "4,0"},
        {ReportValue(QStringLiteral("4.5")), 4.5, "4.5"},
        {ReportValue::fromVariant(QVariant(12)), 12.0, "12"},
        {ReportValue::fromVariant(QVariant()), std::nullopt, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.value.number(QLatin1Char(',')), c.number) << c.text;
        EXPECT_EQ(c.value.text(QLatin1Char(',')), QString::fromLatin1(c.text));
    }
    EXPECT_THROW(ReportValue(QString()).number(QLatin1Char(',')), AppError);
    EXPECT_THROW(ReportValue(QStringLiteral("n.d.")).number(QLatin1Char(',')), AppError);
}

}  // namespace
}  // namespace zv
