#include <gtest/gtest.h>

#include "platform/database.h"
#include "support/fixture.h"
#include "viewer/rangecheck.h"

namespace zv {
namespace {

using P = ResultParameter;
constexpr std::optional<double> none = std::nullopt;

TEST(RangeJudge, StrictLimitsBlueBelowRedAboveRedLast) {
    struct Case {
        std::optional<double> value;
        RangeLimits limits;
        RangeColour expected;
    } cases[] = {
        {4, {4, 10}, RangeColour::Black},     // equal to the low limit
        {10, {4, 10}, RangeColour::Black},    // equal to the high limit
        {3.9, {4, 10}, RangeColour::Blue},    //
        {10.1, {4, 10}, RangeColour::Red},    //
        {5, {10, 4}, RangeColour::Red},       // low above high: the red test comes last
        {0, {0, 0}, RangeColour::Black},      // a new set of zeros
        {0.1, {0, 0}, RangeColour::Red},      //
        {0, {0.5, 2}, RangeColour::Blue},     // a band value of 0 under a low above 0
        {none, {4, 10}, RangeColour::Black},  // nothing measured
        {-100, {none, 10}, RangeColour::Black},  {100, {4, none}, RangeColour::Black},
        {100, {none, none}, RangeColour::Black},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? *c.value : -999);
        EXPECT_EQ(judge(c.value, c.limits), c.expected);
    }
}

TEST(RangeJudge, TextShowsEachSideInTheDecimalMark) {
    EXPECT_EQ(rangeText({4, 10}, ','), "(4 - 10)");
    EXPECT_EQ(rangeText({3.4, 12.5}, ','), "(3,4 - 12,5)");
    EXPECT_EQ(rangeText({3.4, 12.5}, '.'), "(3.4 - 12.5)");
    EXPECT_EQ(rangeText({none, 0.15}, ','), "( - 0,15)");
    EXPECT_EQ(rangeText({none, none}, ','), "( - )");
}

TEST(RangeJudge, SeventeenParametersWithoutPctAndPdw) {
    const auto& order = checkedParameters();
    EXPECT_EQ(order.front(), P::WBC);
    EXPECT_EQ(order[2], P::bandati);
    EXPECT_EQ(order.back(), P::ret);
    for (P p : order)
        EXPECT_TRUE(p != P::PCT && p != P::PDW);
}

class RangeSets : public test::ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        cn.open(path("riferimenti.mdb"));
        cn.execute("insert into qc (valori, limite, wbcL, wbcH, rbcL, rbcH) values ('LOT-7', 1, 2.5, 3.5, 4, 5)");
        cn.execute(
            "insert into vet (limite, valori, wbcL, wbcH, neuL, neuH, rbcL, rbcH) values "
            "(2, 'D''Amico', '1', '2', 'abc', NULL, '3,5', '')");
    }
    std::optional<RangeSet> find(std::optional<int> limits, const QString& id, const QString& name) {
        return findRangeSet(cn, limits, id, name, ',');
    }
    Connection cn;
};

TEST_F(RangeSets, ChoosesQcLotSpeciesOrHumanSet) {
    struct Case {
        std::optional<int> limits;
        const char* id;
        const char* name;
        const char* table;
        const char* valori;  // nullptr: no set
    } cases[] = {
        {0, "LOT-7", "CANE", "qc", "LOT-7"},       // Limits 0 looks up the QC lot by sample id
        {0, "lot-7", "", "qc", "LOT-7"},           // ignoring case
        {0, "LOT-9", "CANE", "limiti", "Adulti"},  // no such lot: the first human set
        {1, "LOT-7", "cane", "vet", "CANE"},       // any other Limits looks up the species by name
        {1, "", "GAT%", "vet", "GATTO"},           // the name keeps LIKE's wildcards
        {1, "", "Rossi", "limiti", "Bambini"},     // no species: the human set at Limits + 1
        {0, "", "", "limiti", "Adulti"},
        {2, "", "Rossi", "limiti", nullptr},  // past the last human set
        {-1, "", "Rossi", "limiti", nullptr},
        {std::nullopt, "", "Rossi", "limiti", nullptr},  // no selector at all
        {std::nullopt, "", "CANE", "vet", "CANE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.id) + "/" + c.name);
        const auto set = find(c.limits, c.id, c.name);
        if (!c.valori) {
            EXPECT_FALSE(set.has_value());
            continue;
        }
        ASSERT_TRUE(set.has_value());
        EXPECT_EQ(set->table, c.table);
        EXPECT_EQ(set->valori, c.valori);
    }
}

TEST_F(RangeSets, AnApostropheInTheNameFindsItsSet) {
    const auto set = find(3, "", "D'Amico");
    ASSERT_TRUE(set.has_value());
    EXPECT_EQ(set->valori, "D'Amico");
    EXPECT_EQ(set->of(P::WBC), (RangeLimits{1, 2}));
}

TEST_F(RangeSets, UnreadableOrMissingLimitsMeanNoLimitOnThatSide) {
    const auto species = find(3, "", "D'Amico");
    ASSERT_TRUE(species.has_value());
    EXPECT_EQ(species->of(P::neu), (RangeLimits{none, none}));  // "abc" and NULL
    EXPECT_EQ(species->of(P::RBC), (RangeLimits{3.5, none}));   // typed with a comma; empty text
    EXPECT_EQ(species->of(P::HGB), (RangeLimits{none, none}));  // never written
    const auto lot = find(0, "LOT-7", "");
    ASSERT_TRUE(lot.has_value());
    EXPECT_EQ(lot->of(P::WBC), (RangeLimits{2.5, 3.5}));
    EXPECT_EQ(lot->of(P::bandati), (RangeLimits{none, none}));  // qc has no band or Ret columns
    EXPECT_EQ(lot->of(P::ret), (RangeLimits{none, none}));
    EXPECT_EQ(lot->of(P::RBC), (RangeLimits{4, 5}));
}

TEST_F(RangeSets, ShippedHumanSetReadsEveryLimit) {
    const auto set = find(0, "", "");
    ASSERT_TRUE(set.has_value());
    EXPECT_EQ(set->of(P::lym), (RangeLimits{19, 48}));
    EXPECT_EQ(set->of(P::mono), (RangeLimits{3.4, 9}));
    EXPECT_EQ(set->of(P::bandati), (RangeLimits{none, none}));  // a human set has no band limits
}

}  // namespace
}  // namespace zv
