#pragma once
// A started program: the start-up window has run the whole start and the main
// window holds the session. What the session announces is recorded.
#include <QCoreApplication>
#include <QEvent>
#include <QString>

#include <vector>

#include "core/config.h"
#include "core/notifier.h"
#include "core/session.h"
#include "platform/forms.h"
#include "support/window_fixture.h"

namespace zv::test {

class StartedProgramTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // Not a first start, and not a new day.
        scriviini("separatore", "decimale", ",", "general.ini");
        scriviini("database", "last", "08/12/26", "general.ini");
        Notifier& n = notifier();
        QObject::connect(&n, &Notifier::workDateChanged, &news_, [this](const QString& d) { workDates.push_back(d); });
        QObject::connect(&n, &Notifier::archiveModeChanged, &news_, [this](bool a) { archiveModes.push_back(a); });
        QObject::connect(&n, &Notifier::accessLevelChanged, &news_, [this](const QString& l) { levels.push_back(l); });
    }

    // Starts the program; the news of the start itself is forgotten.
    Session& start() {
        Forms::load(QStringLiteral("frmSplash"));
        Session* session = Session::current();
        EXPECT_NE(session, nullptr);
        workDates.clear();
        archiveModes.clear();
        levels.clear();
        return *session;
    }

    // Runs what a window left for after its event (a queued pick, a deferred
    // destruction) and tells whether the window is gone.
    static bool closed(const QString& window) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return !Forms::isLoaded(window);
    }
    template <class T>
    static bool closed() {
        return closed(QString(T::kName));
    }

    std::vector<QString> workDates;
    std::vector<bool> archiveModes;
    std::vector<QString> levels;

private:
    QObject news_;
};

}  // namespace zv::test
