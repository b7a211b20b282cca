#include "archive/transfer.h"

#include <QFile>
#include <QFileInfo>

#include <vector>

#include "model/resultfields.h"
#include "model/resultstore.h"
#include "platform/database.h"
#include "platform/dbfiles.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace zv {

namespace {

bool sameFile(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

void requirePath(const QString& path, const QString& what) {
    if (path.trimmed().isEmpty())
        throw AppError(err::InvalidCall, QStringLiteral("No %1 database was chosen.").arg(what));
}

// A copy carries the fields the archive's transfer always carried; the
// patient's sex, birth date, note and band count stay behind.
void dropUntransferred(ResultRecord& r) {
    r.sesso.reset();
    r.DdN.reset();
    r.note.reset();
    r.value(ResultParameter::bandati).reset();
}

// The source file attached to the destination's connection, so the copy and
// the deletes commit together; detached however the transfer ends.
class AttachedSource {
public:
    AttachedSource(Connection& cn, const QString& path) : cn_(cn) {
        cn_.execute(QStringLiteral("ATTACH DATABASE ?1 AS zvsorgente"), {path});
        cn_.execute(QStringLiteral("PRAGMA zvsorgente.journal_mode=DELETE; PRAGMA zvsorgente.synchronous=FULL;"));
    }
    ~AttachedSource() {
        try {
            cn_.execute(QStringLiteral("DETACH DATABASE zvsorgente"));
        } catch (...) {
        }
    }
    AttachedSource(const AttachedSource&) = delete;
    AttachedSource& operator=(const AttachedSource&) = delete;

private:
    Connection& cn_;
};

void deleteAttached(Connection& cn, const std::vector<int64_t>& keys) {
    for (const int64_t key : keys)
        for (const QString& table : resultTables())
            cn.execute(QStringLiteral("DELETE FROM zvsorgente.\"%1\" WHERE ID1 = ?1").arg(table),
                       {QVariant::fromValue(key)});
}

// Reads every selected row, in ID1 order, adds it through `into` and collects
// its source key.
std::vector<int64_t> copyRows(Recordset& selected, Recordset& into, bool move) {
    std::vector<int64_t> keys;
    keys.reserve(static_cast<std::size_t>(selected.recordCount()));
    for (selected.moveFirst(); !selected.eof(); selected.moveNext()) {
        ResultRecord r = readResult(selected);
        keys.push_back(r.ID1);
        if (!move)
            dropUntransferred(r);
        r.ID1 = 0;
        addResult(into, r);
    }
    return keys;
}

// An updatable recordset over the record source that reads none of its rows.
Recordset emptyAdder(Connection& cn) {
    return Recordset(cn, QStringLiteral("select * from datiQgrafici where ID1 = ?1"), {QVariant::fromValue(-1LL)});
}

int64_t runDelete(Connection& src, Recordset& selected) {
    std::vector<int64_t> keys;
    for (selected.moveFirst(); !selected.eof(); selected.moveNext())
        keys.push_back(selected.currentKey());
    selected.close();
    Transaction tx(src);
    for (const int64_t key : keys)
        deleteResult(src, key);
    tx.commit();
    return static_cast<int64_t>(keys.size());
}

// Source and destination are one file: one connection, one transaction.
int64_t runWithinOneFile(Connection& src, Recordset& selected, bool move) {
    Transaction tx(src);
    Recordset into = emptyAdder(src);
    const std::vector<int64_t> keys = copyRows(selected, into, move);
    into.close();
    selected.close();
    if (move)
        for (const int64_t key : keys)
            deleteResult(src, key);
    tx.commit();
    return static_cast<int64_t>(keys.size());
}

int64_t runBetweenFiles(Connection& src, Recordset& selected, const QString& destination, const QString& source,
                        bool move) {
    Connection dst(destination);
    std::optional<AttachedSource> attached;
    if (move)
        attached.emplace(dst, source);
    Transaction tx(dst);
    Recordset into = emptyAdder(dst);
    const std::vector<int64_t> keys = copyRows(selected, into, move);
    into.close();
    // The source's own reader lets go before the deletes take its write lock.
    selected.close();
    src.close();
    if (move)
        deleteAttached(dst, keys);
    tx.commit();
    return static_cast<int64_t>(keys.size());
}

// Makes `path` a copy of the empty archive template, written beside it first.
void makeFromTemplate(const QString& archiveTemplate, const QString& path) {
    if (!QFileInfo::exists(archiveTemplate))
        throw AppError(err::FileNotFound, QStringLiteral("The archive template %1 is missing.").arg(archiveTemplate));
    const QString temp = path + QStringLiteral(".new");
    QFile::remove(temp);
    if (!QFile::copy(archiveTemplate, temp))
        throw AppError(err::PathFileAccess, QStringLiteral("Cannot create the archive file %1.").arg(path));
    QFile(temp).setPermissions(QFile(temp).permissions() | QFile::WriteOwner | QFile::WriteUser);
    try {
        files::renameOverAtomically(temp, path);
    } catch (...) {
        QFile::remove(temp);
        throw;
    }
}

}  // namespace

int64_t transferResults(const TransferRequest& request) {
    requirePath(request.source, QStringLiteral("source"));
    const bool toOther = request.mode != TransferMode::Delete;
    if (toOther)
        requirePath(request.destination, QStringLiteral("destination"));
    Connection src(request.source);
    Recordset selected(src, selectionQuery(request.selection), request.selection.params);
    if (selected.recordCount() == 0)
        return 0;
    if (request.mode == TransferMode::Delete)
        return runDelete(src, selected);
    const bool move = request.mode == TransferMode::Move;
    if (sameFile(request.source, request.destination))
        return runWithinOneFile(src, selected, move);
    const bool created = !QFileInfo::exists(request.destination);
    if (created)
        makeFromTemplate(request.archiveTemplate, request.destination);
    try {
        return runBetweenFiles(src, selected, request.destination, request.source, move);
    } catch (...) {
        // A file this transfer made holds nothing of value when it failed.
        if (created)
            QFile::remove(request.destination);
        throw;
    }
}

void copyToBackupTarget(const QString& database, const QString& target, const QStringList& liveFiles) {
    if (target.trimmed().isEmpty())
        throw AppError(err::PathFileAccess, QStringLiteral("No back-up file was chosen."));
    const QString where = QFileInfo(target).absoluteFilePath();
    for (const QString& live : liveFiles)
        if (sameFile(live, target) || QFileInfo(live).absoluteFilePath() == where)
            throw AppError(
                err::PathFileAccess,
                QStringLiteral("%1 is one of the program's own databases: it cannot be a back-up file.").arg(target));
    backupDatabase(database, target);
}

}  // namespace zv
