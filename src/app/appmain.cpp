#include "app/appmain.h"

#include <QEvent>
#include <QFileInfo>
#include <QMetaObject>

#include <cstdio>
#include <memory>

#include "app/cambia.h"
#include "app/changelan.h"
#include "app/errlogmod.h"
#include "app/frmlogin.h"
#include "app/frmsplash.h"
#include "app/help.h"
#include "app/setting.h"
#include "archive/archivio2.h"
#include "core/config.h"
#include "core/language.h"
#include "core/notifier.h"
#include "link/comcd.h"
#include "link/inserimento.h"
#include "model/resultstore.h"
#include "platform/errors.h"
#include "platform/forms.h"
#include "platform/prompts.h"
#include "qc/qc.h"
#include "qc/qcrif.h"
#include "refdata/calfact.h"
#include "refdata/limiti.h"
#include "refdata/vet.h"
#include "report/referto.h"
#include "report/referto2.h"
#include "report/stampa.h"
#include "runs/autostampa.h"
#include "runs/refertazionex.h"
#include "viewer/anagrafiche.h"
#include "viewer/formricerca.h"
#include "viewer/leggi.h"
#include "viewer/resultprint.h"

namespace zv::shell {

void registerForms() {
    static bool done = false;
    if (done)
        return;
    done = true;
    // The viewer prints through the report page, a floor above it.
    setShownResultPrint(printShownReport);
    // What the windows answer for the core.
    QObject::connect(&notifier(), &Notifier::iniFileUnreadable, [](const QString&) {
        msgBox(QStringLiteral("Error into INI file"), MsgButtons::OK, MsgIcon::None, appTitle());
    });
    Forms::registerFactory(frmSplash::kName, [] { return new frmSplash; });
    registerMainWindow();
    Forms::registerFactory(ComCD::kName, [] { return new ComCD; });
    Forms::registerFactory(setting::kName, [] { return new setting; });
    Forms::registerFactory(errlogmod::kName, [] { return new errlogmod; });
    Forms::registerFactory(changelan::kName, [] { return new changelan; });
    Forms::registerFactory(cambia::kName, [] { return new cambia; });
    Forms::registerFactory(Cambia2::kName, [] { return new Cambia2; });
    Forms::registerFactory(frmLogin::kName, [] { return new frmLogin; });
    Forms::registerFactory(Help::kName, [] { return new Help; });
    Forms::registerFactory(inserimento::kName, [] { return new inserimento; });
    Forms::registerFactory(Limiti::kName, [] { return new Limiti; });
    Forms::registerFactory(limitivet::kName, [] { return new limitivet; });
    Forms::registerFactory(calfact::kName, [] { return new calfact; });
    Forms::registerFactory(vet::kName, [] { return new vet; });
    Forms::registerFactory(leggi::kName, [] { return new leggi; });
    Forms::registerFactory(anagrafiche::kName, [] { return new anagrafiche; });
    Forms::registerFactory(formricerca::kName, [] { return new formricerca; });
    Forms::registerFactory(Stampa::kName, [] { return new Stampa; });
    Forms::registerFactory(Referto2::kName, [] { return new Referto2; });
    Forms::registerFactory(referto::kName, [] { return new referto; });
    Forms::registerFactory(qc::kName, [] { return new qc; });
    Forms::registerFactory(qcrif::kName, [] { return new qcrif; });
    Forms::registerFactory(autostampa::kName, [] { return new autostampa; });
    Forms::registerFactory(Refertazionex::kName, [] { return new Refertazionex; });
    Forms::registerFactory(Archivio2::kName, [] { return new Archivio2; });
}

namespace {
bool programLoopRunning = false;

// Watches the main window for its first drawing once the event loop runs,
// then says so on standard output and ends the program: what a user waits
// for at a start, seen from outside the process.
class ExitWhenShown final : public QObject {
public:
    explicit ExitWhenShown(QWidget* main) {
        main->installEventFilter(this);
        main->update();  // drawn again from the event loop, even if the start-up drew it already
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // After the drawing, not before it.
            QMetaObject::invokeMethod(
                this,
                [] {
                    std::fputs("main window shown\n", stdout);
                    std::fflush(stdout);
                    endProgram();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};
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
    // Before any window: Qt's dialogs and calendars speak the program's language.
    useLanguageForQt(configuredLanguageFile());
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
    std::unique_ptr<ExitWhenShown> exitWhenShown;
    if (qEnvironmentVariableIsSet("ZV_EXIT_WHEN_SHOWN"))
        exitWhenShown = std::make_unique<ExitWhenShown>(Forms::find(QStringLiteral("Principale")));
    programLoopRunning = true;
    const int rc = QApplication::exec();
    programLoopRunning = false;
    Forms::unloadAll();
    return rc;
}

}  // namespace zv::shell
