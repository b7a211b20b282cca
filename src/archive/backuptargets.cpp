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

void requireBackupTarget(const BackupTarget& target, std::span<const BackupTarget> kept) {
    if (target.path.trimmed().isEmpty())
        throw AppError(err::PathFileAccess, QStringLiteral("No back-up file was chosen."));
    const QString own = programFileNamedBy(target.path);
    if (!own.isEmpty())
        throw BackupTargetRefused(
            BackupRefusal::ProgramFile,
            QStringLiteral("%1 names the program's own file %2: it cannot be a back-up file.").arg(target.path, own));
    for (const BackupTarget& other : kept)
        if (files::namesSameFile(other.path, target.path))
            throw BackupTargetRefused(BackupRefusal::OtherBackup,
                                      QStringLiteral("%1 names the file of another back-up, %2: that back-up keeps it.")
                                          .arg(target.path, other.settingText()));
    const QString what = nonDatabaseFileAt(target.path);
    if (!what.isEmpty())
        throw BackupTargetRefused(BackupRefusal::NotADatabase,
                                  QStringLiteral("%1 is %2, not an SQLite database: it is not replaced by a back-up.")
                                      .arg(target.path, what));
}

void copyToBackupTarget(const BackupTarget& target, std::span<const BackupTarget> kept,
                        const BackupProgress& progress) {
    requireBackupTarget(target, kept);
    backupDatabase(programPath(target.setting.database), target.path, progress);
}

}  // namespace zv
