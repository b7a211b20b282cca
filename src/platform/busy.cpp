#include "platform/busy.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>

#include <exception>
#include <thread>

namespace zv {

namespace {
bool busy = false;
// The application on whose cursor stack our one wait cursor sits, if any.
QPointer<QCoreApplication> cursorOwner;

QGuiApplication* guiApp() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()); }
}  // namespace

void setBusy(bool on) {
    busy = on;
    QGuiApplication* app = guiApp();
    const bool pushed = !cursorOwner.isNull() && cursorOwner == app;
    if (on && app && !pushed) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        cursorOwner = app;
    } else if (!on && pushed) {
        QGuiApplication::restoreOverrideCursor();
        cursorOwner = nullptr;
    }
}

bool isBusy() { return busy; }

void runKeepingWindowsPainted(const std::function<void()>& work, std::chrono::milliseconds patience,
                              const std::function<void()>& onSlow) {
    if (!QCoreApplication::instance()) {
        work();
        return;
    }
    QEventLoop loop;
    QTimer slow;
    slow.setSingleShot(true);
    QObject::connect(&slow, &QTimer::timeout, &loop, [&] {
        if (onSlow)
            onSlow();
    });
    std::exception_ptr failure;
    // The quit is queued: posted before the loop runs, it ends the loop as soon as it does.
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    slow.start(patience);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

}  // namespace zv
