#pragma once
// What the benchmarks that start the program share: a program folder laid
// out for a start that asks nothing, and prompts that never wait.
#include <QApplication>
#include <QDate>
#include <QString>

#include <memory>

#include "core/config.h"
#include "core/programfolder.h"
#include "platform/prompts.h"

namespace zvbench {

// A start must not stop at a question; any that comes up is answered and counted.
class SilentPrompts final : public zv::Prompts {
public:
    int shown = 0;
    zv::MsgResult message(const zv::MessageRequest&) override {
        ++shown;
        return zv::MsgResult::OK;
    }
    std::optional<QString> input(const QString&, const QString&, const QString&) override { return std::nullopt; }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&, zv::ExistingFile) override { return {}; }
    std::optional<QFont> chooseFont(const QFont&) override { return std::nullopt; }
    std::optional<QColor> chooseColour(const QColor&) override { return std::nullopt; }
    std::optional<zv::PrintDestination> choosePrinter() override { return std::nullopt; }
};

// Lays out a program folder and makes it the program's: not a first start,
// no roll-over or back-up due today.
inline void useQuietProgramFolder(const QString& folder) {
    zv::layOutProgramFolder(QStringLiteral(ZV_DIST_DIR), folder);
    zv::setProgramFolder(folder);
    const QString today = QDate::currentDate().toString(QStringLiteral("dd/MM/yy"));
    zv::scriviini("separatore", "decimale", ",", "general.ini");
    zv::scriviini("database", "last", today, "general.ini");
    zv::scriviini("database", "bk", today, "general.ini");
}

// Window benchmarks draw offscreen unless the environment names a platform.
inline void preferOffscreen() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Installs prompts that never wait; a run reports how many came up.
inline SilentPrompts& installSilentPrompts() {
    auto prompts = std::make_unique<SilentPrompts>();
    SilentPrompts& installed = *prompts;
    zv::setPrompts(std::move(prompts));
    return installed;
}

// What a benchmark program that opens windows sets up first: the offscreen
// platform unless another is named, the application, prompts that never wait.
struct WindowedProgram {
    WindowedProgram(int& argc, char** argv) : app(argc, argv), silent(installSilentPrompts()) {}
    bool offscreen = (preferOffscreen(), true);
    QApplication app;
    SilentPrompts& silent;
};

}  // namespace zvbench
