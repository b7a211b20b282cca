#pragma once
// The one mapping of a ResultRecord onto the record source datiQgrafici: the
// receiver, the manual entry, the viewer, the reports, the archive and QC all
// add and read results through it.
#include <QString>

#include <cstdint>

#include "model/result.h"

namespace zv {

class Connection;
class Recordset;

// The record source over the five result tables.
inline constexpr QLatin1String kResultSource{"datiQgrafici"};

// Tells the database layer how rows of the record source are keyed. The
// program does it as it starts; doing it again changes nothing.
void registerResultSource();

// Adds one result to the results database of `cn` in one commit and returns
// the ID1 the database gave it. Fields the record leaves empty are not
// written, so the schema's defaults apply. A value a field refuses fails with
// an AppError and nothing is stored.
int64_t addResult(Connection& cn, const ResultRecord& record);

// The current row of a recordset over the record source.
ResultRecord readResult(const Recordset& rs);

// Files made by earlier releases store a Ret % or band % that a result does
// not carry as 0 (their insert trigger said so), which then reads as
// measured. Rewrites that trigger to keep such a value NULL, in one commit;
// rows already stored are left as they are, since a 0 typed by a user cannot
// be told from one the trigger wrote. Returns whether it rewrote anything.
bool mendResultLayout(Connection& cn);

// Removes one result from the five tables, in their fixed order, in one transaction.
void deleteResult(Connection& cn, int64_t id1);

}  // namespace zv
