#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/forms.h"

namespace zv {
namespace {

struct Counters {
    int loads = 0;
    int unloads = 0;
    bool cancelUnload = false;
    bool unloadSelfInLoad = false;
    bool failInLoad = false;
};
Counters counters;

class Probe : public Form {
public:
    Probe() : Form(QStringLiteral("probe")) {}
    void Form_Load() override {
        ++counters.loads;
        if (counters.unloadSelfInLoad)
            Forms::unload(formName());
        if (counters.failInLoad)
            throw AppError(err::FileNotFound, QStringLiteral("File not found"));
    }
    void Form_Unload(bool& cancel) override {
        ++counters.unloads;
        cancel = counters.cancelUnload;
    }
    int value = 0;
};

class FormsRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        counters = {};
        Forms::registerFactory(QStringLiteral("probe"), [] { return new Probe; });
    }
    void TearDown() override { Forms::unloadAll(); }
};

TEST_F(FormsRegistry, LoadShowAndUnloadKeepOneInstance) {
    Probe* p = Forms::loadAs<Probe>("Probe");  // names without regard to case
    ASSERT_NE(p, nullptr);
    EXPECT_FALSE(p->isVisible());
    p->value = 7;
    EXPECT_EQ(Forms::show("probe"), p);
    EXPECT_TRUE(p->isVisible());
    EXPECT_EQ(Forms::get<Probe>("PROBE")->value, 7);
    EXPECT_EQ(counters.loads, 1);  // showing a loaded window does not load it again

    EXPECT_TRUE(Forms::unload("probe"));
    EXPECT_EQ(counters.unloads, 1);
    EXPECT_FALSE(Forms::isLoaded("probe"));
    EXPECT_TRUE(Forms::unload("probe"));  // not loaded: nothing happens, nothing is created
    EXPECT_EQ(counters.loads, 1);
    EXPECT_EQ(counters.unloads, 1);

    Forms::show("probe");
    EXPECT_EQ(counters.loads, 2);  // a fresh instance after an unload
    EXPECT_EQ(Forms::get<Probe>("probe")->value, 0);
}

TEST_F(FormsRegistry, CancelledUnloadKeepsTheWindow) {
    Forms::show("probe");
    counters.cancelUnload = true;
    EXPECT_FALSE(Forms::unload("probe"));
    EXPECT_TRUE(Forms::isLoaded("probe"));
    Forms::get<Probe>("probe")->close();  // the title-bar close asks the same unload
    EXPECT_TRUE(Forms::isLoaded("probe"));
    counters.cancelUnload = false;
    Forms::get<Probe>("probe")->close();
    EXPECT_FALSE(Forms::isLoaded("probe"));
}

TEST_F(FormsRegistry, WindowMayUnloadItselfDuringItsLoad) {
    counters.unloadSelfInLoad = true;
    EXPECT_EQ(Forms::load("probe"), nullptr);
    EXPECT_FALSE(Forms::isLoaded("probe"));
    EXPECT_EQ(counters.unloads, 1);
}

TEST_F(FormsRegistry, FailedLoadRisesToTheCallerAndLeavesTheWindowLoaded) {
    counters.failInLoad = true;
    EXPECT_THROW(Forms::load("probe"), AppError);
    EXPECT_TRUE(Forms::isLoaded("probe"));
    EXPECT_THROW(Forms::load("nosuchwindow"), AppError);
}

TEST_F(FormsRegistry, EventBoundaryLogsAndGoesOn) {
    struct Logged {
        int32_t number;
        QString description, window;
    };
    std::vector<Logged> logged;
    setErrorSink([&](int32_t n, const QString& d, const QString& w) { logged.push_back({n, d, w}); });
    Probe* p = Forms::loadAs<Probe>("probe");
    p->guard([] { throw AppError(err::Overflow, QStringLiteral("Overflow")); });
    p->guard([] { throw std::runtime_error("boom"); });
    p->guard([] {});
    setErrorSink(nullptr);
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0].number, err::Overflow);
    EXPECT_EQ(logged[0].window, QStringLiteral("probe"));
    EXPECT_EQ(logged[1].description, QStringLiteral("boom"));
}

TEST_F(FormsRegistry, HandlerMayUnloadItsOwnWindow) {
    QString loggedWindow;
    setErrorSink([&](int32_t, const QString&, const QString& w) { loggedWindow = w; });
    Probe* p = Forms::loadAs<Probe>("probe");
    p->guard([] {
        Forms::unload(QStringLiteral("probe"));
        throw AppError(err::Overflow, QStringLiteral("Overflow"));
    });
    setErrorSink(nullptr);
    EXPECT_FALSE(Forms::isLoaded("probe"));
    EXPECT_EQ(loggedWindow, QStringLiteral("probe"));
}

}  // namespace
}  // namespace zv
