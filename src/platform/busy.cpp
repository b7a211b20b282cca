#include "platform/busy.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPointer>

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

}  // namespace zv
