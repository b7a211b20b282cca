#include "platform/forms.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QList>
#include <QScreen>
#include <QSet>

#include <algorithm>
#include <utility>

#include "platform/busy.h"
#include "platform/errors.h"

namespace zv {

namespace {

struct Registry {
    QHash<QString, Forms::Factory> factories;  // keyed by lower-case name
    QString mainWindow;
    QHash<QString, QPointer<Form>> loaded;
    QSet<QString> loading;          // windows inside their load procedure
    QSet<QString> unloadRequested;  // unloaded by themselves during their load
    QSet<QString> unloading;
    // Unloaded from inside their own events: gone from the registry, destroyed later.
    QList<QPointer<Form>> retiring;
};

Registry& registry() {
    static Registry r;
    return r;
}

QString keyOf(const QString& name) { return name.toLower(); }

void destroy(Form* form) {
    form->hide();
    delete form;
}

// Destroys the window now, or once its own event has returned: deleting it
// under Qt's feet (a menu still finishing its click) corrupts the heap.
void retire(Form* form) {
    if (!form->inEvent()) {
        destroy(form);
        return;
    }
    form->hide();
    auto& retiring = registry().retiring;
    retiring.removeIf([](const QPointer<Form>& f) { return f.isNull(); });
    retiring.append(form);
    form->deleteLater();
}

}  // namespace

Form::Form(const QString& formName, QWidget* parent) : QWidget(parent), formName_(formName) {
    setObjectName(formName);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void atEventBoundary(const QString& window, const std::function<void()>& handler) noexcept {
    try {
        handler();
        return;
    } catch (...) {
        try {
            const CaughtError caught = describeCurrentException();
            reportToSink(caught.number, caught.description, window);
        } catch (...) {
            reportToSink(err::InvalidCall, QString(), window);
        }
    }
    ignoring([] { setBusy(false); });
}

void Form::guard(const std::function<void()>& handler) noexcept {
    // A copy: the handler may unload this very window.
    const QString window = formName_;
    const QPointer<Form> self(this);
    ++eventDepth_;
    atEventBoundary(window, handler);
    if (self)
        --eventDepth_;
}

void Form::closeEvent(QCloseEvent* event) {
    // The registry decides whether the window goes; it destroys it itself, so the
    // close event must not hide a window whose unload was cancelled.
    event->ignore();
    const QString name = formName_;
    guard([name] { Forms::unload(name); });
}

void Forms::registerFactory(const QString& name, Factory factory) {
    registry().factories.insert(keyOf(name), std::move(factory));
}

Form* Forms::find(const QString& name) {
    auto& r = registry();
    auto it = r.loaded.find(keyOf(name));
    if (it == r.loaded.end())
        return nullptr;
    if (it.value().isNull()) {
        r.loaded.erase(it);
        return nullptr;
    }
    return it.value().data();
}

QStringList Forms::loadedNames() {
    QStringList names;
    for (auto it = registry().loaded.cbegin(); it != registry().loaded.cend(); ++it)
        if (!it.value().isNull())
            names << it.value()->formName();
    return names;
}

Form* Forms::load(const QString& name) {
    auto& r = registry();
    const QString key = keyOf(name);
    if (Form* existing = find(name))
        return existing;
    auto factory = r.factories.find(key);
    if (factory == r.factories.end())
        throw AppError(err::InvalidCall, QStringLiteral("Unknown window: %1").arg(name));
    Form* form = factory.value()();
    r.loaded.insert(key, form);
    r.loading.insert(key);
    try {
        form->Form_Load();
    } catch (...) {
        // A load that fails leaves the window loaded, as a window whose load
        // handler gave up half-way would be; the caller's regime decides the rest.
        r.loading.remove(key);
        if (r.unloadRequested.remove(key)) {
            r.loaded.remove(key);
            destroy(form);
        }
        throw;
    }
    r.loading.remove(key);
    if (r.unloadRequested.remove(key)) {
        r.loaded.remove(key);
        destroy(form);
        return nullptr;
    }
    return form;
}

void placeWindow(QWidget* window, const QWidget* over) {
    if (window->property("zvPlaced").toBool() || window->testAttribute(Qt::WA_Moved))
        return;
    window->setProperty("zvPlaced", true);
    const bool overShown = over && over != window && over->isVisible();
    const QScreen* screen = overShown ? over->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    // The size the window will show at: its layout's, never below what its
    // layout needs, never above the free area.
    if (!window->testAttribute(Qt::WA_Resized))
        window->adjustSize();
    QSize size = window->size().expandedTo(window->minimumSizeHint()).boundedTo(window->maximumSize());
    if (size.width() > free.width() || size.height() > free.height()) {
        size = size.boundedTo(free.size());
        window->resize(size);
    }
    // The decoration the window manager puts around the main window, once it is framed.
    QSize frame(0, 0);
    if (overShown)
        frame = over->frameGeometry().size() - over->geometry().size();
    const QSize outer = size + frame;
    const QPoint centre = overShown ? over->frameGeometry().center() : free.center();
    QPoint topLeft(centre.x() - outer.width() / 2, centre.y() - outer.height() / 2);
    topLeft.setX(std::max(free.left(), std::min(topLeft.x(), free.right() + 1 - outer.width())));
    topLeft.setY(std::max(free.top(), std::min(topLeft.y(), free.bottom() + 1 - outer.height())));
    window->move(topLeft);
}

void Forms::setMainWindow(const QString& name) { registry().mainWindow = name; }

Form* Forms::show(const QString& name) {
    Form* form = load(name);
    if (!form)
        return nullptr;
    if (!form->isVisible())
        placeWindow(form, registry().mainWindow.isEmpty() ? nullptr : find(registry().mainWindow));
    form->show();
    form->raise();
    form->activateWindow();
    return form;
}

bool Forms::unload(const QString& name) {
    auto& r = registry();
    const QString key = keyOf(name);
    Form* form = find(name);
    if (!form || r.unloading.contains(key))
        return true;
    bool cancel = false;
    r.unloading.insert(key);
    try {
        form->Form_Unload(cancel);
    } catch (...) {
        r.unloading.remove(key);
        throw;
    }
    r.unloading.remove(key);
    if (cancel)
        return false;
    if (r.loading.contains(key)) {
        // Unloaded from inside its own load: destroyed once the load returns.
        r.unloadRequested.insert(key);
        form->hide();
        return true;
    }
    r.loaded.remove(key);
    retire(form);
    return true;
}

void Forms::unloadAll() {
    auto& r = registry();
    const auto names = loadedNames();
    for (const QString& name : names) {
        Form* form = find(name);
        if (!form)
            continue;
        r.loaded.remove(keyOf(name));
        retire(form);
    }
    const auto retiring = std::exchange(r.retiring, {});
    for (const QPointer<Form>& form : retiring) {
        if (form.isNull())
            continue;
        if (form->inEvent())
            r.retiring.append(form);
        else
            destroy(form.data());
    }
    r.loading.clear();
    r.unloadRequested.clear();
    r.unloading.clear();
}

}  // namespace zv
