#include "platform/errors.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using zv::AppError;

TEST(AppErrorTest, CarriesNumberAndDescription) {
    const AppError e(zv::err::Database, QStringLiteral("no such table: datì"));
    EXPECT_EQ(e.number(), -2147467259);
    EXPECT_EQ(e.description(), QStringLiteral("no such table: datì"));
    EXPECT_STREQ(e.what(), "-2147467259: no such table: dat\xC3\xAC");
}

TEST(AppErrorTest, DescribeCurrentExceptionMapsWhatWasCaught) {
    const struct {
        std::function<void()> thrower;
        int32_t number;
        QString description;
    } cases[] = {
        {[] { throw AppError(13, QStringLiteral("Type mismatch")); }, 13, QStringLiteral("Type mismatch")},
        {[] { throw std::runtime_error("disk on fire"); }, 5, QStringLiteral("disk on fire")},
        {[] { throw 42; }, 5, QStringLiteral("Unknown error")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description.toStdString());
        try {
            c.thrower();
            FAIL() << "did not throw";
        } catch (...) {
            const zv::CaughtError caught = zv::describeCurrentException();
            EXPECT_EQ(caught.number, c.number);
            EXPECT_EQ(caught.description, c.description);
        }
    }
}

TEST(AppErrorTest, IgnoringSwallowsOneStatementsFailure) {
    int ran = 0;
    EXPECT_FALSE(zv::ignoring([&] {
        ++ran;
        throw AppError(6, QStringLiteral("Overflow"));
    }));
    EXPECT_TRUE(zv::ignoring([&] { ++ran; }));
    EXPECT_EQ(ran, 2);
}

}  // namespace
