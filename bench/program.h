#pragma once
// What the benchmarks that start the program share: a program folder laid
// out for a start that asks nothing, and prompts that never wait.
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QString>

#include <memory>
#include <vector>

#include "archive/backuptargets.h"
#include "common.h"
#include "core/config.h"
#include "core/programfolder.h"
#include "platform/dbfiles.h"
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

// The program's back-ups of the folder named `name` go to a folder of their
// own in backupDir(), where the baselines' copies go: both sides write to
// the same file system, whichever ZV_BENCH_BACKUP_DIR names.
inline void backUpBesideBaselines(const char* name) {
    const QString to = backupDir() + QStringLiteral("/") + QLatin1String(name);
    QDir().mkpath(to);
    for (const zv::BackupSetting& s : zv::backupSettings())
        zv::scriviini(QStringLiteral("back-up"), s.key, to + QStringLiteral("/") + s.database,
                      QStringLiteral("general.ini"));
}

// A baseline's copies of the three files a program folder backs up: into
// `to`, under their own names.
inline std::vector<BackupCopy> backupCopies(const QString& folder, const QString& to) {
    QDir().mkpath(to);
    std::vector<BackupCopy> copies;
    for (const zv::BackupSetting& s : zv::backupSettings())
        copies.push_back({folder + QStringLiteral("/") + s.database, to + QStringLiteral("/") + s.database});
    return copies;
}

// A program folder under the work folder, laid out once: `dailyResults` in
// the daily database and an archive of `archiveResults` (none: empty),
// compacted as a start-up would compact it, or a copy of the archive
// ZV_BENCH_ARCHIVE names, as make_archive compacted it. Its back-ups go
// where the baselines' copies go (backUpBesideBaselines).
inline QString benchProgramFolder(const char* name, int archiveResults, int dailyResults) {
    const QString folder = workDir().path() + QStringLiteral("/") + QLatin1String(name);
    useQuietProgramFolder(folder);
    backUpBesideBaselines(name);
    const QString archive = folder + "/zarviumtotale.mdb";
    fillResults(folder + "/zarvium.mdb", dailyResults);
    if (archiveResults > 0 && !givenArchive().isEmpty()) {
        copyGivenArchive(archive);
        return folder;
    }
    if (archiveResults > 0)
        fillResults(archive, archiveResults);
    zv::compactDatabase(archive, folder + "/Temp.mdb");
    settle(archive);
    return folder;
}

// The results waiting in a benchmark folder's daily database.
constexpr int kDailyRows = 200;

// The folder the start-ups are timed on: an archive of archiveRows() results
// with nothing to free, and kDailyRows daily results.
inline const QString& largeFolder() {
    static const QString folder = benchProgramFolder("large", archiveRows(), kDailyRows);
    return folder;
}

inline QString daysAgo(int days) { return QDate::currentDate().addDays(-days).toString(QStringLiteral("dd/MM/yy")); }

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
