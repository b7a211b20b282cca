#include "shell/appmain.h"

#include <QFileInfo>
#include <QMetaObject>

#include "link/comcd.h"
#include "model/resultstore.h"
#include "platform/errors.h"
#include "platform/forms.h"
#include "platform/prompts.h"
#include "shell/config.h"
#include "shell/frmsplash.h"
#include "shell/grafici.h"
#include "shell/notifier.h"
#include "shell/setting.h"

namespace zv::shell {

void registerForms() {
    static bool done = false;
    if (done)
        return;
    done = true;
    // What the windows answer for the core.
    QObject::connect(&notifier(), &Notifier::iniFileUnreadable, [](const QString&) {
        msgBox(QStringLiteral("Error into INI file"), MsgButtons::OK, MsgIcon::None, appTitle());
    });
    Forms::registerFactory(frmSplash::kName, [] { return new frmSplash; });
    registerMainWindow();
    Forms::registerFactory(grafici::kName, [] { return new grafici; });
    Forms::registerFactory(ComCD::kName, [] { return new ComCD; });
    Forms::registerFactory(setting::kName, [] { return new setting; });
}

namespace {
bool programLoopRunning = false;
}  // namespace

void endProgram() {
    if (!programLoopRunning)
        return;
    // Not QApplication::quit(): Qt cancels that when a window ignores its close
    // event, and every window of ours leaves closing to the registry.
    QMetaObject::invokeMethod(
        qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

int runProgram(QApplication& app) {
    const QStringList args = app.arguments();
    return startAndRun(args.size() > 1 ? args.at(1) : defaultProgramFolder());
}

int startAndRun(const QString& folder) {
    if (!QFileInfo(folder).isDir()) {
        msgBox(QStringLiteral("Program folder not found: %1").arg(folder), MsgButtons::OK, MsgIcon::Critical);
        return 1;
    }
    setProgramFolder(folder);
    registerResultSource();
    setErrorSink([](int32_t number, const QString& description, const QString& window) {
        logerrore(number, description, window);
    });
    // Hidden loaded windows must not end the program; the main window's exit does.
    QApplication::setQuitOnLastWindowClosed(false);
    registerForms();
    // The start-up window's load runs the whole start, the main window's load included.
    frmSplash* splash = nullptr;
    atEventBoundary(QStringLiteral("frmSplash"), [&] { splash = Forms::load<frmSplash>(); });
    if (!splash || splash->endRequested() || !Forms::isLoaded(QStringLiteral("Principale"))) {
        Forms::unloadAll();
        return 1;
    }
    programLoopRunning = true;
    const int rc = QApplication::exec();
    programLoopRunning = false;
    Forms::unloadAll();
    return rc;
}

}  // namespace zv::shell
