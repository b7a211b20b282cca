#include "archive/transfer.h"

#include <QFile>
#include <QFileInfo>

#include <vector>

#include "core/config.h"
#include "model/resultfields.h"
#include "model/resultstore.h"
#include "platform/database.h"
#include "platform/dbfiles.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace zv {

namespace {

void requirePath(const QString& path, const QString& what) {
    if (path.trimmed().isEmpty())
        throw AppError(err::InvalidCall, QStringLiteral("No %1 database was chosen.").arg(what));
}

QString quotedList(const QStringList& names) {
    QStringList quoted;
    quoted.reserve(names.size());
    for (const QString& n : names)
        quoted << QLatin1Char('"') + n + QLatin1Char('"');
    return quoted.join(QStringLiteral(", "));
}

// The selected keys, held where the copy and the deletes of one connection
// find them; dropped however the transfer ends.
class KeyTable {
public:
    KeyTable(Connection& cn, const std::vector<int64_t>& keys) : cn_(cn) {
        cn_.execute(QStringLiteral("CREATE TEMP TABLE zvchiavi (k INTEGER PRIMARY KEY)"));
        for (const int64_t key : keys)
            cn_.execute(QStringLiteral("INSERT INTO temp.zvchiavi (k) VALUES (?1)"), {QVariant::fromValue(key)});
    }
    ~KeyTable() {
        try {
            cn_.execute(QStringLiteral("DROP TABLE temp.zvchiavi"));
        } catch (...) {
        }
    }
    KeyTable(const KeyTable&) = delete;
    KeyTable& operator=(const KeyTable&) = delete;

private:
    Connection& cn_;
};

std::vector<int64_t> selectedKeys(Recordset& selected) {
    std::vector<int64_t> keys;
    keys.reserve(static_cast<std::size_t>(selected.recordCount()));
    for (selected.moveFirst(); !selected.eof(); selected.moveNext())
        keys.push_back(selected.currentKey());
    selected.close();
    return keys;
}

// Copies the keyed results of schema `from` into the record source of the
// connection's main file, in ascending ID1 (the destination gives each its
// next ID1), and for a move deletes them from `from`, all inside the caller's
// transaction. The tables are joined here rather than through the source's
// own view, as the roll-over does.
void copyKeyed(Connection& cn, const QString& from, bool move) {
    const QString fields = quotedList(transferredFields(move));
    QString source = QStringLiteral("%1.datinumerici AS d JOIN temp.zvchiavi AS z ON z.k = d.ID1").arg(from);
    for (HistogramKind kind : kHistogramKinds)
        source +=
            QStringLiteral(" LEFT JOIN %1.\"%2\" AS \"%2\" ON \"%2\".ID1 = d.ID1").arg(from, histogramTable(kind));
    cn.execute(
        QStringLiteral("INSERT INTO main.datiQgrafici (%1) SELECT %1 FROM %2 ORDER BY d.ID1").arg(fields, source));
    if (move)
        for (const QString& table : resultTables())
            cn.execute(
                QStringLiteral("DELETE FROM %1.\"%2\" WHERE ID1 IN (SELECT k FROM temp.zvchiavi)").arg(from, table));
}

int64_t runDelete(Connection& src, Recordset& selected) {
    const std::vector<int64_t> keys = selectedKeys(selected);
    Transaction tx(src);
    for (const int64_t key : keys)
        deleteResult(src, key);
    tx.commit();
    return static_cast<int64_t>(keys.size());
}

// Source and destination are one file: one connection, one transaction.
int64_t runWithinOneFile(Connection& src, Recordset& selected, bool move) {
    const std::vector<int64_t> keys = selectedKeys(selected);
    KeyTable keyed(src, keys);
    Transaction tx(src);
    copyKeyed(src, QStringLiteral("main"), move);
    tx.commit();
    return static_cast<int64_t>(keys.size());
}

int64_t runBetweenFiles(Connection& src, Recordset& selected, const QString& destination, const QString& source,
                        bool move) {
    const std::vector<int64_t> keys = selectedKeys(selected);
    // The source's own connection lets go before the move takes its write lock.
    src.close();
    Connection dst(destination);
    ignoring([&dst] { mendResultLayout(dst); });
    // The source attached to the destination's connection, so the copy and
    // the deletes commit together.
    const QString from = QStringLiteral("zvsorgente");
    const Attachment attached(dst, source, from);
    KeyTable keyed(dst, keys);
    Transaction tx(dst);
    copyKeyed(dst, from, move);
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

// The patient's sex, birth date and note and the typed band count stay
// behind on a copy, as the archive's transfer always did.
QStringList transferredFields(bool move) {
    QStringList fields = rollOverFields();
    if (!move)
        for (const char* left : {"sesso", "DdN", "note", "bandati"})
            fields.removeAll(QString::fromLatin1(left));
    return fields;
}

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
    if (files::namesSameFile(request.source, request.destination))
        return runWithinOneFile(src, selected, move);
    const bool created = !QFileInfo::exists(request.destination);
    if (created)
        makeFromTemplate(request.archiveTemplate, request.destination);
    try {
        return runBetweenFiles(src, selected, request.destination, request.source, move);
    } catch (...) {
        // A file this transfer made holds nothing of value when it failed,
        // and neither does the journal its failed write left beside it.
        if (created)
            removeDatabaseFile(request.destination);
        throw;
    }
}

}  // namespace zv
