#include <gtest/gtest.h>

#include "platform/clock.h"
#include "viewer/scattergram.h"

namespace zv {
namespace {

using namespace scatter;

TEST(Scattergram, CountsFollowWbcTimesPercentageRoundedHalfToEven) {
    struct Case {
        Input in;
        std::array<int64_t, kPopulations> counts;
    } cases[] = {
        {{7.5, 60, 30, 6, 3, 1}, {30, 22, 6, 2, 1}},  // 22.5 -> 22, 5.625 -> 6, 2.5 -> 2, 0.75 -> 1
        {{0, 60, 30, 6, 3, 1}, {0, 0, 0, 0, 0}},
        {{7.5, -60, 30, 6, 3, 1}, {0, 22, 6, 2, 1}},           // a negative percentage draws nothing
        {{std::nullopt, 60, 30, 6, 3, 1}, {0, 0, 0, 0, 0}},    // no WBC
        {{7.5, 60, std::nullopt, 6, 3, 1}, {30, 0, 6, 2, 1}},  // no lymphocyte percentage
        {{1e300, 100, 0, 0, 0, 0}, {100000, 0, 0, 0, 0}},      // a corrupt value cannot stall the window
    };
    for (const Case& c : cases)
        EXPECT_EQ(dotCounts(c.in), c.counts);
}

TEST(Scattergram, DrawsTwentySixNineTenTenDotsPerCount) {
    const Input in{7.5, 60, 30, 6, 3, 1};
    int64_t dots = 0;
    std::array<int64_t, kPopulations> per{};
    scatterDots(
        in, [] { return 0.5; },
        [&](Population p, double, double) {
            ++dots;
            ++per[std::size_t(p)];
        });
    EXPECT_EQ(dots, 816);
    EXPECT_EQ(per, (std::array<int64_t, kPopulations>{600, 132, 54, 20, 10}));
}

// Where the dots of each population may fall: x from, x below; y from, y up to.
struct Area {
    double x0, x1, y0, y1;
};

std::array<Area, kPopulations> spread(const Input& in) {
    std::array<Area, kPopulations> area;
    area.fill({1e9, -1e9, 1e9, -1e9});
    clock::seedRandom(7);
    scatterDots(
        in, [] { return clock::rnd(); },
        [&](Population p, double x, double y) {
            Area& a = area[std::size_t(p)];
            a = {std::min(a.x0, x), std::max(a.x1, x), std::min(a.y0, y), std::max(a.y1, y)};
        });
    return area;
}

TEST(Scattergram, DotsStayInTheirPopulationsAreas) {
    const auto area = spread({100, 20, 20, 20, 20, 20});
    const Area expected[kPopulations] = {{800, 1700, 200, 1000},
                                         {350, 700, 1000, 1350},
                                         {425, 675, 400, 900},
                                         {1260, 1610, 800, 1050},
                                         {730, 980, 900, 1150}};
    for (int p = 0; p < kPopulations; ++p) {
        SCOPED_TRACE(p);
        EXPECT_GE(area[p].x0, expected[p].x0);
        EXPECT_LE(area[p].x1, expected[p].x1);  // x is single precision
        EXPECT_GE(area[p].y0, expected[p].y0);
        EXPECT_LE(area[p].y1, expected[p].y1);
        // Many dots fill most of the area.
        EXPECT_LT(area[p].x0, expected[p].x0 + 50);
        EXPECT_GT(area[p].x1, expected[p].x1 - 50);
    }
}

TEST(Scattergram, FlagsWidenAndMoveTheirBoxes) {
    struct Case {
        bool band, ig, varLym, blast;
        int box;
        DotBox expected;
    } cases[] = {
        {true, false, false, false, 0, {Neutrophils, 1, 700, 1250, 250, 1000}},  // box 1 from 700 to below 1950
        {true, false, false, false, 1, {Neutrophils, 1, 800, 800, 300, 800}},
        {false, true, false, false, 8, {Neutrophils, 1, 950, 750, -50, 750}},  // IG: 250 up
        {true, true, false, false, 0, {Neutrophils, 1, 700, 1250, 0, 1000}},
        {false, false, true, false, 20, {Lymphocytes, 1, 225, 500, 1100, 250}},  // 125 either side
        {false, false, false, true, 26, {Monocytes, 5, 425, 200, 150, 500}},     // blasts: 250 up
        {true, true, true, true, 31, {Basophils, 10, 730, 250, 900, 250}},       // nothing moves basophils
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        const DotBox box = dotBoxes(c.band, c.ig, c.varLym, c.blast)[std::size_t(c.box)];
        EXPECT_EQ(box.population, c.expected.population);
        EXPECT_EQ(box.repeat, c.expected.repeat);
        EXPECT_EQ(box.x, c.expected.x);
        EXPECT_EQ(box.width, c.expected.width);
        EXPECT_EQ(box.y, c.expected.y);
        EXPECT_EQ(box.height, c.expected.height);
    }
}

TEST(Scattergram, OnlyBooleanTrueShiftsTheBoxes) {
    const std::pair<std::optional<QString>, bool> cases[] = {
        {QString("-1"), true}, {QString("True"), true}, {QString("true"), true}, {QString("1"), false},
        {QString("0"), false}, {QString(""), false},    {std::nullopt, false},   {QString("x"), false}};
    for (const auto& [stored, set] : cases)
        EXPECT_EQ(flagIsTrue(stored), set) << (stored ? stored->toStdString() : "NULL");
}

TEST(Scattergram, SameSeedSameDotsAnotherDrawingOtherDots) {
    const Input in{5, 50, 30, 10, 5, 5};
    auto draw = [&] {
        std::vector<std::pair<double, double>> dots;
        scatterDots(
            in, [] { return clock::rnd(); },
            [&](Population, double x, double y) {
                dots.push_back({x, y});
            });
        return dots;
    };
    clock::seedRandom(11);
    const auto first = draw();
    const auto second = draw();
    clock::seedRandom(11);
    EXPECT_EQ(draw(), first);
    EXPECT_EQ(second.size(), first.size());
    EXPECT_NE(second, first);
}

}  // namespace
}  // namespace zv
