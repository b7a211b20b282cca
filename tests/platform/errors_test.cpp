#include "platform/errors.h"
#include "platform/busy.h"

#include <QCursor>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

using zv::AppError;

struct Reported {
    int32_t number;
    QString description;
    QString window;
};

// Installs a sink that records what reaches it, and removes it afterwards.
class Boundary : public ::testing::Test {
protected:
    void SetUp() override {
        zv::setErrorSink([this](int32_t number, const QString& description, const QString& window) {
            reported.push_back({number, description, window});
        });
    }
    void TearDown() override {
        zv::setErrorSink({});
        zv::setBusy(false);
    }
    std::vector<Reported> reported;
};

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

TEST_F(Boundary, EscapedFailureIsReportedWithTheWindowAndTheBusyPointerRestored) {
    zv::atEventBoundary(QStringLiteral("Principale"), [] {
        zv::setBusy(true);
        throw AppError(zv::err::PathNotFound, QStringLiteral("Path not found"));
    });
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].number, 76);
    EXPECT_EQ(reported[0].description, QStringLiteral("Path not found"));
    EXPECT_EQ(reported[0].window, QStringLiteral("Principale"));
    EXPECT_FALSE(zv::isBusy());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(Boundary, QuietHandlerReportsNothingAndKeepsTheBusyState) {
    zv::atEventBoundary(QStringLiteral("ComCD"), [] { zv::setBusy(true); });
    EXPECT_TRUE(reported.empty());
    EXPECT_TRUE(zv::isBusy());
}

TEST_F(Boundary, AFailingSinkDoesNotEscape) {
    zv::setErrorSink([](int32_t, const QString&, const QString&) { throw std::runtime_error("log folder gone"); });
    EXPECT_NO_THROW(zv::reportToSink(53, QStringLiteral("File not found"), QStringLiteral("frmSplash")));
    EXPECT_NO_THROW(zv::atEventBoundary(QStringLiteral("frmSplash"), [] { throw std::logic_error("x"); }));
}

TEST_F(Boundary, BusyIsOnOrOffNotAStack) {
    zv::setBusy(true);
    zv::setBusy(true);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    zv::setBusy(false);
    EXPECT_FALSE(zv::isBusy());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    zv::setBusy(false);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
