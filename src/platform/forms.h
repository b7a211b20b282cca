#pragma once
// The window registry: one instance per window name. `load` creates a window
// and runs its load procedure without showing it; `show` loads it if needed
// and shows it modeless, or brings it forward without running its load again;
// `unload` runs its unload procedure and destroys it. Windows reach each
// other's public members through `find`/`get`.
#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

namespace zv {

// Every event handler runs through this: nothing ever crosses Qt's event loop.
// An escaped failure is logged with the window's name, the busy pointer is
// restored and the program goes on.
void atEventBoundary(const QString& window, const std::function<void()>& handler) noexcept;

class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(const QString& formName, QWidget* parent = nullptr);
    const QString& formName() const { return formName_; }

    // The window's load procedure: runs once, when the registry creates it.
    virtual void Form_Load() {}
    // The unload procedure; setting cancel keeps the window loaded.
    virtual void Form_Unload(bool& cancel) { (void)cancel; }

    // Runs an event procedure of this window behind the event boundary.
    void guard(const std::function<void()>& handler) noexcept;
    // True while one of this window's event procedures runs.
    bool inEvent() const { return eventDepth_ > 0; }

protected:
    // Closing with the title-bar button unloads the window through the registry.
    void closeEvent(QCloseEvent* event) override;

private:
    QString formName_;
    int eventDepth_ = 0;
};

// Places a window that has not been placed yet: centred over `over` when it is
// on screen, else on the screen, and kept whole on the screen's free area. A
// window that moved itself (one that opens at a place of its own) stays there.
void placeWindow(QWidget* window, const QWidget* over);

class Forms {
public:
    using Factory = std::function<Form*()>;

    static void registerFactory(const QString& name, Factory factory);
    // The window the others open centred over (the main window).
    static void setMainWindow(const QString& name);

    // Returns the loaded window, or nullptr when it unloaded itself during its load.
    static Form* load(const QString& name);
    static Form* show(const QString& name);
    // Runs the unload procedure and destroys the window; returns false when the
    // unload was cancelled. Unloading a window that is not loaded does nothing.
    // The registry forgets the window at once; a window unloaded from inside one
    // of its own events (a button or menu item that closes it) is hidden at once
    // and destroyed once that event has returned, because Qt is still delivering
    // it to the window's controls.
    static bool unload(const QString& name);
    static Form* find(const QString& name);
    static bool isLoaded(const QString& name) { return find(name) != nullptr; }
    static QStringList loadedNames();
    // Unloads every loaded window without asking (tests and program end), and
    // destroys the windows still waiting for their event to return.
    static void unloadAll();

    template <class T>
    static T* get(const QString& name) {
        return dynamic_cast<T*>(find(name));
    }
    template <class T>
    static T* loadAs(const QString& name) {
        return dynamic_cast<T*>(load(name));
    }

    // By the window class's own name constant (`static constexpr QLatin1String kName`).
    template <class T>
    static T* get() {
        return get<T>(QString(T::kName));
    }
    template <class T>
    static T* load() {
        return loadAs<T>(QString(T::kName));
    }
    template <class T>
    static T* show() {
        return dynamic_cast<T*>(show(QString(T::kName)));
    }
    template <class T>
    static bool unload() {
        return unload(QString(T::kName));
    }
};

}  // namespace zv
