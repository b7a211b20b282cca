#include "archive/backuptargets.h"

#include "core/config.h"
#include "core/programfiles.h"
#include "platform/files.h"

namespace zv {

const std::array<BackupSetting, 3>& backupSettings() {
    static const std::array<BackupSetting, 3> settings{{{file::archiveDb, QLatin1String("pathautobackup")},
                                                        {file::referenceDb, QLatin1String("pathautobackupriferimenti")},
                                                        {file::vetDb, QLatin1String("pathautobackupvet")}}};
    return settings;
}

QString BackupTarget::settingText() const {
    const QString head = QStringLiteral("%1 [back-up] %2").arg(file::generalIni, setting.key);
    if (value.isEmpty())
        return QStringLiteral("%1 (empty: the default \"%2\")").arg(head, path);
    return QStringLiteral("%1 = \"%2\"").arg(head, value);
}

BackupTarget backupTarget(const BackupSetting& setting, const QString& value) {
    const QString path =
        value.isEmpty() ? programPath(QStringLiteral("%1/%2").arg(file::backupFolder, setting.database)) : value;
    return {setting, value, path};
}

BackupTarget configuredBackupTarget(const BackupSetting& setting) {
    // Read whole: a path cut to a fixed length would name another file, and
    // three long paths cut alike would all name the same one.
    return backupTarget(setting, leggiini(QStringLiteral("back-up"), setting.key, file::generalIni, 4096));
}

namespace {

std::size_t orderOf(const BackupSetting& setting) {
    const auto& all = backupSettings();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i].key == setting.key)
            return i;
    return all.size();
}

// Whether `target` gives way to `other` where both name one file.
bool givesWay(const BackupTarget& target, const BackupTarget& other, BackupClaim claim) {
    if (claim == BackupClaim::ChosenNow || other.value.isEmpty())
        return true;
    return !target.value.isEmpty() && orderOf(other.setting) < orderOf(target.setting);
}

// The program writes its logs there, day by day: a file there that does not
// exist yet is still the program's.
QString logFolderHolding(const QString& path) {
    for (const QLatin1String folder : {file::logFolder, file::rxlogFolder})
        if (files::isWithinFolder(path, programPath(folder)))
            return programPath(folder);
    return QString();
}

}  // namespace

void requireBackupTarget(const BackupTarget& target, std::span<const BackupTarget> others, BackupClaim claim) {
    if (target.path.trimmed().isEmpty())
        throw AppError(err::PathFileAccess, QStringLiteral("No back-up file was chosen."));
    const QString own = programFileNamedBy(target.path);
    if (!own.isEmpty())
        throw BackupTargetRefused(
            BackupRefusal::ProgramFile,
            QStringLiteral("%1 names the program's own file %2: it cannot be a back-up file.").arg(target.path, own));
    const QString logs = logFolderHolding(target.path);
    if (!logs.isEmpty())
        throw BackupTargetRefused(BackupRefusal::ProgramFile,
                                  QStringLiteral("%1 lies in the program's log folder %2: it cannot be a back-up file.")
                                      .arg(target.path, logs));
    for (const BackupTarget& other : others) {
        if (files::namesSameFile(other.path + QStringLiteral("-journal"), target.path))
            throw BackupTargetRefused(
                BackupRefusal::OtherBackup,
                QStringLiteral("%1 names the journal of another back-up's file, %2: SQLite would take a copy there "
                               "for that file's journal and delete it.")
                    .arg(target.path, other.settingText()));
        if (files::namesSameFile(other.path, target.path) && givesWay(target, other, claim))
            throw BackupTargetRefused(BackupRefusal::OtherBackup,
                                      QStringLiteral("%1 names the file of another back-up, %2: that back-up keeps it.")
                                          .arg(target.path, other.settingText()));
    }
    const QString what = nonDatabaseFileAt(target.path);
    if (!what.isEmpty())
        throw BackupTargetRefused(BackupRefusal::NotADatabase,
                                  QStringLiteral("%1 is %2: it is not replaced by a back-up.").arg(target.path, what));
}

std::vector<BackupTarget> configuredBackupTargets() {
    std::vector<BackupTarget> targets;
    for (const BackupSetting& setting : backupSettings())
        targets.push_back(configuredBackupTarget(setting));
    return targets;
}

std::vector<BackupTarget> otherBackupTargets(std::span<const BackupTarget> all, const BackupTarget& target) {
    std::vector<BackupTarget> others;
    for (const BackupTarget& other : all)
        if (other.setting.key != target.setting.key)
            others.push_back(other);
    return others;
}

void copyToBackupTarget(const BackupTarget& target, std::span<const BackupTarget> others, BackupClaim claim,
                        const BackupProgress& progress) {
    // Resolved once, and that name judged and written: a link changed
    // between the two cannot lead the copy elsewhere.
    BackupTarget file = target;
    file.path = files::resolvedFile(target.path);
    requireBackupTarget(file, others, claim);
    backupDatabase(programPath(target.setting.database), file.path, progress);
}

}  // namespace zv
