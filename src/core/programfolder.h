#pragma once
#include <QString>

namespace zv {

// Lays out a new program folder at `target` from the shipped folder `dist`:
// every file and folder but schema/, and the databases made from
// dist/schema/*.sql (the daily and archive databases and the archive
// template from results.sql, the reference database from riferimenti.sql,
// the veterinary database from vet.sql). Refuses a target that exists.
void layOutProgramFolder(const QString& dist, const QString& target);

}  // namespace zv
