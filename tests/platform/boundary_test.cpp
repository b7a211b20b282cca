#include "platform/busy.h"
#include "platform/errors.h"
#include "platform/forms.h"

#include <QCursor>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <thread>
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

namespace {

// Long work runs beside the event loop: what is shown while it runs is shown
// from the window's own thread, and the work's failure reaches the caller.
TEST(KeepingWindowsPainted, TheSlowNoticeComesFromTheWindowsThreadWhileTheWorkRuns) {
    std::promise<void> noticed;
    std::thread::id noticeThread;
    std::thread::id workThread;
    zv::runKeepingWindowsPainted(
        [&] {
            workThread = std::this_thread::get_id();
            noticed.get_future().wait();  // ends only once the notice is up
        },
        std::chrono::milliseconds(0),
        [&] {
            noticeThread = std::this_thread::get_id();
            noticed.set_value();
        });
    EXPECT_EQ(noticeThread, std::this_thread::get_id());
    EXPECT_NE(workThread, std::this_thread::get_id());

    int notices = 0;
    bool done = false;
    zv::runKeepingWindowsPainted([&] { done = true; }, std::chrono::hours(1), [&] { ++notices; });
    EXPECT_TRUE(done);
    EXPECT_EQ(notices, 0);

    try {
        zv::runKeepingWindowsPainted([] { throw AppError(zv::err::PathNotFound, QStringLiteral("gone")); },
                                     std::chrono::hours(1), {});
        ADD_FAILURE() << "the work's failure was lost";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), zv::err::PathNotFound);
    }
}

}  // namespace
