#include <QLabel>
#include <QMenuBar>
#include <QPointer>
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

// A window with a menu whose item closes the window, as the main window's
// File > Esci does.
class MenuProbe : public Form {
public:
    MenuProbe() : Form(QStringLiteral("menuprobe")) {
        bar = new QMenuBar(this);
        file = bar->addMenu(QStringLiteral("File"));
        quit = file->addAction(QStringLiteral("Esci"));
        resize(300, 200);
        connect(quit, &QAction::triggered, this, [this] {
            guard([this] {
                Forms::unload(formName());
                // Forgotten at once: a new load makes a new window.
                stillLoaded = Forms::isLoaded(formName());
                fresh = Forms::load(formName());
            });
        });
    }
    QMenuBar* bar;
    QMenu* file;
    QAction* quit;
    bool stillLoaded = true;
    Form* fresh = nullptr;
};

class FormsRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        counters = {};
        Forms::registerFactory(QStringLiteral("probe"), [] { return new Probe; });
        Forms::registerFactory(QStringLiteral("menuprobe"), [] { return new MenuProbe; });
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

// Qt is still delivering the click to the menu when the handler unloads the
// window: destroying it there frees the menu under Qt's feet.
TEST_F(FormsRegistry, WindowClosedFromItsOwnMenuIsDestroyedAfterTheClick) {
    auto* window = Forms::show("menuprobe");
    ASSERT_NE(window, nullptr);
    auto* probe = static_cast<MenuProbe*>(window);
    QPointer<Form> old(window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QTest::mouseClick(probe->bar, Qt::LeftButton, {}, probe->bar->actionGeometry(probe->file->menuAction()).center());
    ASSERT_TRUE(probe->file->isVisible());
    QTest::mouseClick(probe->file, Qt::LeftButton, {}, probe->file->actionGeometry(probe->quit).center());

    ASSERT_FALSE(old.isNull());  // still there once the click has returned
    EXPECT_FALSE(old->isVisible());
    EXPECT_FALSE(probe->stillLoaded);
    Form* fresh = probe->fresh;
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, old.data());
    EXPECT_EQ(Forms::find("menuprobe"), fresh);

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(Forms::find("menuprobe"), fresh);
}

// A window left waiting for its event loop goes with the rest at the end.
TEST_F(FormsRegistry, UnloadAllDestroysWindowsWaitingForTheirEventToReturn) {
    QPointer<Form> p(Forms::load("probe"));
    p->guard([] { Forms::unload(QStringLiteral("probe")); });
    EXPECT_FALSE(Forms::isLoaded("probe"));
    ASSERT_FALSE(p.isNull());
    Forms::unloadAll();
    EXPECT_TRUE(p.isNull());
}

// A window unloaded from another window's event is not in an event of its own:
// it goes at once (a receiver closed by Off Line releases its port at once).
TEST_F(FormsRegistry, WindowUnloadedFromAnotherWindowsEventGoesAtOnce) {
    QPointer<Form> menu(Forms::load("menuprobe"));
    QPointer<Form> p(Forms::load("probe"));
    menu->guard([] { Forms::unload(QStringLiteral("probe")); });
    EXPECT_TRUE(p.isNull());
    EXPECT_EQ(counters.unloads, 1);
}

}  // namespace
}  // namespace zv
