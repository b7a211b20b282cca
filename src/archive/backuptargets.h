#pragma once
// The three back-ups the program makes of its databases, and the one rule of
// where a back-up may be written, at the start as in the archive manager.
#include <QLatin1String>
#include <QString>

#include <array>
#include <span>
#include <vector>

#include "platform/databasebackup.h"
#include "platform/errors.h"

namespace zv {

// One back-up: the database it copies and the general.ini [back-up] key that
// names its file.
struct BackupSetting {
    QLatin1String database;
    QLatin1String key;
};

// Archive, reference data, vet: the order the start makes them in.
const std::array<BackupSetting, 3>& backupSettings();

// Where a back-up goes: the key's value, or, for an empty key, the file of
// the database's name in the program's back-up folder.
struct BackupTarget {
    BackupSetting setting;
    QString value;
    QString path;

    // `general.ini [back-up] <key> = "<value>"`, or for an empty key
    // `general.ini [back-up] <key> (empty: the default "<path>")`.
    QString settingText() const;
};
BackupTarget backupTarget(const BackupSetting& setting, const QString& value);
// As general.ini names it now.
BackupTarget configuredBackupTarget(const BackupSetting& setting);

enum class BackupRefusal {
    ProgramFile,   // one of the program's own files
    OtherBackup,   // the file another back-up keeps
    NotADatabase,  // an existing file that is no SQLite database
};

class BackupTargetRefused : public AppError {
public:
    BackupTargetRefused(BackupRefusal reason, const QString& description)
        : AppError(err::PathFileAccess, description), reason_(reason) {}
    BackupRefusal reason() const { return reason_; }

private:
    BackupRefusal reason_;
};

// Whose claim on one file gives way.
enum class BackupClaim {
    // As general.ini names them at the start: a key naming another back-up's
    // default (the file its empty key stands for), or a file an earlier key
    // names, is the one refused; the others keep their files.
    Configured,
    // A file just chosen for one back-up: every other back-up keeps its file.
    ChosenNow,
};

// Refuses, with a text naming the files and keys, a target whose copy would
// replace what must not be replaced: one of the program's own files (see
// programFileNamedBy) or anything in its log folders; the file another
// back-up of `others` keeps (as `claim` decides), or that file's journal,
// beside which SQLite would take the copy for a hot journal and delete it;
// or an existing file that is not empty and is not an SQLite database (a log,
// a named pipe, any file of the user's a mistyped path names). Two paths name
// one file as files::namesSameFile judges, however spelled.
void requireBackupTarget(const BackupTarget& target, std::span<const BackupTarget> others,
                         BackupClaim claim = BackupClaim::Configured);

// Every back-up's target as general.ini names them now, in the start's order.
std::vector<BackupTarget> configuredBackupTargets();
// The targets of `all` other than `target`'s back-up.
std::vector<BackupTarget> otherBackupTargets(std::span<const BackupTarget> all, const BackupTarget& target);

// Copies the program's database of `target`'s setting as backupDatabase does
// to the file `target` names (its final links followed once, and that file
// judged), once requireBackupTarget allows it; nothing is written otherwise.
// `progress` as backupDatabase takes it.
void copyToBackupTarget(const BackupTarget& target, std::span<const BackupTarget> others,
                        BackupClaim claim = BackupClaim::Configured, const BackupProgress& progress = {});

}  // namespace zv
