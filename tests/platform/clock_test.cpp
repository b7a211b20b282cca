#include "platform/clock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

namespace clock = zv::clock;

TEST(Clock, APinnedClockStandsStill) {
    const QDateTime at(QDate(2026, 12, 8), QTime(23, 59, 58));
    clock::setFixed(at);
    EXPECT_EQ(clock::now(), at);
    EXPECT_EQ(clock::today(), QDate(2026, 12, 8));
    EXPECT_EQ(clock::timeOfDay(), QTime(23, 59, 58));
    clock::clearFixed();
    EXPECT_GE(clock::now(), QDateTime::currentDateTime().addSecs(-5));
}

TEST(Clock, RandomNumbersAreOneRepeatableStreamInTheUnitInterval) {
    clock::seedRandom(7);
    std::vector<double> first;
    for (int i = 0; i < 1000; ++i) {
        const double r = clock::rnd();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        first.push_back(r);
    }
    clock::seedRandom(7);
    for (double expected : first)
        ASSERT_EQ(clock::rnd(), expected);
    clock::seedRandom(8);
    EXPECT_NE(clock::rnd(), first[0]);
}

}  // namespace
