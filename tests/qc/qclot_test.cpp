// QC lots and statistics without a window: target and range, the lot table
// by name, the mean and deviation of runs, the marking, the assay file.
#include <QLocale>

#include <gtest/gtest.h>

#include "platform/database.h"
#include "platform/errors.h"
#include "qc/assay.h"
#include "qc/qclot.h"
#include "qc/qcstats.h"
#include "support/fixture.h"

namespace zv {
namespace {

TEST(QcTargetRange, TargetUnroundedRangeHalvesToEven) {
    struct Case {
        double low, high;
        int digits;
        double target, range;
    } cases[] = {
        {7.2, 8.8, 1, 8, 0.8},    {4.1, 4.9, 2, 4.5, 0.4},   {180, 260, 0, 220, 40}, {1, 1.5, 1, 1.25, 0.2},
        {100, 125, 0, 112.5, 12}, {80, 85.5, 1, 82.75, 2.8}, {-99, 99, 1, 0, 99},    {3.3, 3.3, 2, 3.3, 0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(qcTarget(c.low, c.high), c.target) << c.low << ".." << c.high;
        EXPECT_DOUBLE_EQ(qcRange(c.low, c.high, c.digits), c.range) << c.low << ".." << c.high;
    }
    // A shown lot saved unchanged goes back as target -/+ the rounded range.
    EXPECT_DOUBLE_EQ(qcLow(82.75, 2.8), 79.95);
    EXPECT_DOUBLE_EQ(qcHigh(82.75, 2.8), 85.55);
}

TEST(QcNumbers, BothMarksReadNeitherGroupsAnythingElseRefused) {
    struct Case {
        const char* text;
        char configured;
        double value;  // NaN: refused
    } cases[] = {
        {"0,8", ',', 0.8}, {"0.8", ',', 0.8},     {"0,8", '.', 0.8},     {"0.8", '.', 0.8},
        {"12", ',', 12},   {"1.234,5", ',', NAN}, {"1,234.5", '.', NAN}, {"1.234", ',', 1.234},
        {"", ',', NAN},    {"abc", '.', NAN},     {"7,5x", ',', NAN},    {"-1,5", ',', -1.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        if (std::isnan(c.value)) {
            try {
                qcNumber(QString::fromUtf8(c.text), QLatin1Char(c.configured), QStringLiteral("WBC range"));
                ADD_FAILURE() << "read";
            } catch (const AppError& e) {
                EXPECT_EQ(e.number(), err::TypeMismatch);
                EXPECT_TRUE(e.description().contains(QStringLiteral("WBC range")));
            }
        } else {
            EXPECT_DOUBLE_EQ(qcNumber(QString::fromUtf8(c.text), QLatin1Char(c.configured), QString()), c.value);
        }
    }
}

std::vector<std::optional<double>> runs(std::initializer_list<std::optional<double>> v) { return v; }

TEST(QcStatistics, MeanAndSampleDeviationAroundTheRoundedMean) {
    struct Case {
        const char* what;
        std::vector<std::optional<double>> values;
        std::optional<double> mean, deviation;
    } cases[] = {
        {"none", runs({}), std::nullopt, std::nullopt},
        {"one run", runs({7.5}), 7.5, std::nullopt},
        {"two runs", runs({4, 6}), 5, 1.41},
        {"deviation from the rounded mean", runs({1.001, 1.008}), 1, 0.01},
        {"mean halves to even", runs({0.12, 0.13}), 0.12, 0.01},
        {"mean 0.375", runs({0.37, 0.38}), 0.38, 0.01},
        {"a run without the value is passed over", runs({4, std::nullopt, 6}), 5, 1.41},
        {"only missing values", runs({std::nullopt, std::nullopt}), std::nullopt, std::nullopt},
        {"all alike", runs({220, 220, 220}), 220, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(qcMean(c.values), c.mean);
        EXPECT_EQ(qcDeviation(c.values), c.deviation);
    }
}

TEST(QcStatistics, OnlyValuesStrictlyOutsideAreMarkedHighTestLast) {
    const std::optional<double> none;
    struct Case {
        double value;
        std::optional<double> low, high;
        QcMark mark;
    } cases[] = {{5, 4, 6, QcMark::None},       {4, 4, 6, QcMark::None},         {6, 4, 6, QcMark::None},
                 {3.99, 4, 6, QcMark::Below},   {6.01, 4, 6, QcMark::Above},     {5, 6, 4, QcMark::Above},
                 {100, 0, 99, QcMark::Above},   {-1, 0, 99, QcMark::Below},      {-1, none, 6, QcMark::None},
                 {7, none, 6, QcMark::Above},   {1e9, 4, none, QcMark::None},    {3, 4, none, QcMark::Below},
                 {0, none, none, QcMark::None}, {-1e9, none, none, QcMark::None}};
    for (const Case& c : cases)
        EXPECT_EQ(qcMark(c.value, c.low, c.high), c.mark)
            << c.value << " in " << c.low.value_or(-0.5) << ".." << c.high.value_or(-0.5) << " (-0.5: none)";
}

TEST(AssayFile, TokensFillTheirParameters) {
    const QByteArray file =
        "Assay sheet\r\nLOT 4711 Normal\r\n"
        "WBC\t7.5\t1.0\r\nRBC\t4.50\t0.30\r\nHGB\t13.8\t0.8\r\nMCV\t88.0\t4.0\r\n"
        "HCT\t39.6\t3.0\r\nMCH\t30.1\t2.0\r\nMCHC\t34.0\t2.5\r\nRDW\t13\t2\r\n"
        "PLT\t220\t40\r\nMPV\t8.5\t1.5\r\n%NEU\t60\t8\r\n%LYM\t30\t6\r\n%MONO\t6\t3\r\n"
        "%EOS\t3\t2\r\n%BASO\t1\t1\r\n";
    const AssayValues a = parseAssay(file, QLatin1Char(','));
    EXPECT_EQ(a.name, QStringLiteral("LOT 4711 Normal"));
    const char* expected[kQcParameterCount][2] = {{"7,5", "1,0"},  {"4,50", "0,30"}, {"13,8", "0,8"}, {"88,0", "4,0"},
                                                  {"39,6", "3,0"}, {"30,1", "2,0"},  {"34,0", "2,5"}, {"13", "2"},
                                                  {"220", "40"},   {"8,5", "1,5"},   {"60", "8"},     {"30", "6"},
                                                  {"6", "3"},      {"3", "2"},       {"1", "1"}};
    for (int i = 0; i < kQcParameterCount; ++i) {
        SCOPED_TRACE(qcParameters()[i].name);
        ASSERT_TRUE(a.values[i]);
        EXPECT_EQ(a.values[i]->target, QLatin1String(expected[i][0]));
        EXPECT_EQ(a.values[i]->range, QLatin1String(expected[i][1]));
    }
}

TEST(AssayFile, LinesAndTokensAsTheFileHasThem) {
    const int mch = 5, mchc = 6, wbc = 0, rbc = 1;
    struct Case {
        const char* what;
        QByteArray bytes;
        char decimal;
        std::optional<QString> name;
        int parameter;
        const char* target;  // nullptr: not named
        const char* range;
    } cases[] = {
        {"empty file", "", ',', std::nullopt, wbc, nullptr, nullptr},
        {"one line: no name", "WBC\t7.5\t1\r\n", ',', std::nullopt, wbc, "7,5", "1"},
        {"MCHC before MCH: each from its own line", "x\r\nn\r\nMCHC\t34\t2\r\nMCH\t30\t1\r\n", ',', "n", mch, "30",
         "1"},
        {"MCHC before MCH, MCHC's pair", "x\r\nn\r\nMCHC\t34\t2\r\nMCH\t30\t1\r\n", ',', "n", mchc, "34", "2"},
        {"MCHC alone fills no MCH", "x\r\nn\r\nMCHC\t34\t2\r\n", ',', "n", mch, nullptr, nullptr},
        {"MCH before MCHC", "x\r\nn\r\nMCH\t30\t1\r\nMCHC\t34\t2\r\n", ',', "n", mch, "30", "1"},
        {"a later line replaces", "x\r\nn\r\nWBC\t7\t1\r\nWBC\t8\t2\r\n", ',', "n", wbc, "8", "2"},
        {"lower case is no token", "x\r\nn\r\nwbc\t7\t1\r\n", ',', "n", wbc, nullptr, nullptr},
        {"commas stay, points stay under a point", "x\r\nn\r\nRBC\t4,5\t0.3\r\n", '.', "n", rbc, "4,5", "0.3"},
        {"LF line ends", "x\nn\nWBC\t7.5\t1\n", ',', "n", wbc, "7,5", "1"},
        {"CR line ends", "x\rn\rWBC\t7.5\t1\r", ',', "n", wbc, "7,5", "1"},
        {"further fields ignored", "x\r\nn\r\nWBC\t7.5\t1\tmg\tx\r\n", ',', "n", wbc, "7,5", "1"},
        {"name whole, tabs included", "x\r\nLot\t9\r\n", ',', "Lot\t9", wbc, nullptr, nullptr},
        {"Latin-1 name", "x\r\nControllo Qualit\xe0\r\n", ',', QStringLiteral("Controllo Qualità"), wbc, nullptr,
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const AssayValues a = parseAssay(c.bytes, QLatin1Char(c.decimal));
        EXPECT_EQ(a.name, c.name);
        const auto& v = a.values[c.parameter];
        if (!c.target) {
            EXPECT_FALSE(v);
        } else {
            ASSERT_TRUE(v);
            EXPECT_EQ(v->target, QLatin1String(c.target));
            EXPECT_EQ(v->range, QLatin1String(c.range));
        }
    }
}

TEST(AssayFile, OnlyThirtyLinesAreRead) {
    QByteArray bytes = "x\r\nn\r\n";
    for (int line = 3; line <= 30; ++line)
        bytes += "comment\r\n";
    bytes += "WBC\t7.5\t1\r\n";  // line 31
    EXPECT_FALSE(parseAssay(bytes, QLatin1Char(',')).values[0]);
}

TEST(AssayFile, AParameterLineWithoutItsValuesRefusesTheWholeFile) {
    const struct {
        const char* bytes;
        const char* named;  // the line and the token the error names
    } cases[] = {
        {"x\r\nn\r\nWBC\t7.5\t1\r\nRBC\t4.5\r\n", "Line 4 of the assay file names RBC"},
        // Both tokens on one line: the longer one is tested first.
        {"x\r\nn\r\nMCH MCHC\t34\r\n", "Line 3 of the assay file names MCHC"},
        {"x\r\nn\r\n%BASO %NEU\t1\r\n", "Line 3 of the assay file names %N"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        try {
            parseAssay(c.bytes, QLatin1Char(','));
            ADD_FAILURE() << "read";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), err::InvalidCall);
            EXPECT_TRUE(e.description().contains(QLatin1String(c.named))) << e.description().toStdString();
        }
    }
}

// The lot table of the shipped reference database.
class QcLotStore : public test::ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        cn = Connection(path("riferimenti.mdb"));
        cn.execute("DELETE FROM qc");
    }
    void lot(int number, const QString& name, double wbcLow = 7.2) {
        QString sql = QStringLiteral("INSERT INTO qc (limite, valori");
        QString values = QStringLiteral(") VALUES (?1, ?2");
        QVariantList params{number, name};
        for (const QcParameter& p : qcParameters()) {
            sql += QStringLiteral(", %1, %2").arg(p.low(), p.high());
            values += QStringLiteral(", ?%1, ?%2").arg(params.size() + 1).arg(params.size() + 2);
            params << (p.low() == QLatin1String("wbcL") ? wbcLow : 1.0) << 9.0;
        }
        cn.execute(sql + values + QStringLiteral(")"), params);
    }
    int64_t count() { return cn.scalar(QStringLiteral("SELECT count(*) FROM qc")).toLongLong(); }
    Connection cn;
};

TEST_F(QcLotStore, FoundAndDeletedByTheirExactNameOnly) {
    lot(1, QStringLiteral("L'Aquila"));
    lot(2, QStringLiteral("A100%"));
    lot(3, QStringLiteral("A1009"));
    lot(4, QStringLiteral("a_1"));
    lot(5, QStringLiteral("ab1"));
    lot(6, QStringLiteral("ÉCLAIR"), 6.5);
    lot(7, QStringLiteral("éclair"), 5.5);

    ASSERT_TRUE(findQcLot(cn, QStringLiteral("l'aquila")));
    EXPECT_EQ(findQcLot(cn, QStringLiteral("A100%"))->limite, 2);
    EXPECT_EQ(findQcLot(cn, QStringLiteral("a_1"))->limite, 4);
    EXPECT_FALSE(findQcLot(cn, QStringLiteral("A100")));
    EXPECT_FALSE(findQcLot(cn, QStringLiteral("%")));
    // Two lots of one name (letter case ignored): the first in number order.
    EXPECT_DOUBLE_EQ(findQcLot(cn, QStringLiteral("Éclair"))->low[0].value_or(0), 6.5);

    struct Case {
        const char* name;
        int64_t deleted;
        int64_t left;
    } cases[] = {{"%", 0, 7},        {"A100", 0, 7},   {"A100%", 1, 6}, {"a_1", 1, 5},
                 {"L'AQUILA", 1, 4}, {"éclair", 2, 2}, {"", 0, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(deleteQcLots(cn, QString::fromUtf8(c.name)), c.deleted);
        EXPECT_EQ(count(), c.left);
    }
    EXPECT_TRUE(findQcLot(cn, QStringLiteral("A1009")));
    EXPECT_TRUE(findQcLot(cn, QStringLiteral("ab1")));
}

TEST_F(QcLotStore, AnEmptyLimitIsNoneAndOneThatIsNoNumberIsNamed) {
    lot(1, QStringLiteral("L1"));
    cn.execute("UPDATE qc SET pltH = NULL, wbcL = NULL");
    const std::optional<QcLot> found = findQcLot(cn, QStringLiteral("L1"));
    ASSERT_TRUE(found);
    EXPECT_FALSE(found->low[0]);   // wbcL
    EXPECT_FALSE(found->high[8]);  // pltH
    EXPECT_EQ(found->high[0], 9.0);
    EXPECT_EQ(found->low[8], 1.0);

    // Text where a number belongs: what a copy that checks nothing leaves.
    cn.execute("PRAGMA ignore_check_constraints = ON");
    cn.execute("UPDATE qc SET pltH = 'n/a'");
    try {
        findQcLot(cn, QStringLiteral("L1"));
        ADD_FAILURE() << "read";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::TypeMismatch);
        EXPECT_TRUE(e.description().contains(QStringLiteral("pltH")));
    }
}

}  // namespace
}  // namespace zv
