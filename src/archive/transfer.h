#pragma once
// Copy, move and delete of a selection of archived results between archive
// files. Every change is all or nothing: a failure at any write leaves the
// source and the destination each as they were (a destination file made for
// the transfer is removed again), so nothing is ever lost or duplicated.
#include <QString>
#include <QStringList>

#include <cstdint>

#include "archive/archivebrowse.h"
#include "platform/dbfiles.h"

namespace zv {

enum class TransferMode { Move, Copy, Delete };

struct TransferRequest {
    TransferMode mode = TransferMode::Copy;
    QString source;       // an archive file; never created
    QString destination;  // copy and move: made from `archiveTemplate` when missing
    QString archiveTemplate;
    Selection selection;
};

// Runs the transfer and returns the number of results it handled.
// - Delete removes each selected result from its five tables, all in one
//   transaction on the source.
// - Copy appends the selected results, in ascending ID1, to the destination in
//   one transaction, each with a new ID1; `sesso`, `DdN`, `note` and `bandati`
//   are not carried (the destination's defaults apply).
// - Move carries every field and deletes from the source only the results it
//   copied, in the same transaction as the copy.
// A selection of no results changes nothing and makes no file. An empty
// source or destination path, or a missing source, fails (AppError) before
// anything is written.
int64_t transferResults(const TransferRequest& request);

// The fields a copy (`move` false) or a move carries: every field the result
// store reads and writes but ID1, less those a copy leaves behind.
QStringList transferredFields(bool move);

}  // namespace zv
