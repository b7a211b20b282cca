#pragma once
// Reference-range sets: the rows of `limiti` (human sets) and `vet` (species
// sets) of the reference database. A set has a number, by which it is
// ordered and deleted, a name (the species name in `vet`), and a low and a
// high limit per parameter and per absolute white-cell count, each kept as
// the text typed into its editor; readers convert them.
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace zv {

class Connection;
class Recordset;

enum class RangeTable { Human, Species };

// "limiti" or "vet".
QString rangeTableName(RangeTable table);
// Every set of the table in number order: "select * from limiti order by limite".
QString rangeSetsSql(RangeTable table);
// The columns an editor writes, in the order it writes them: limite, valori,
// then the limits; 48 for a human set, 52 for a species set (the band
// neutrophil limits after neuH, their absolute counts last).
const QStringList& rangeSetColumns(RangeTable table);

struct ReferenceRangeSet {
    std::optional<int64_t> limite;  // empty when the row holds no number
    QString valori;
    // Each limit column's text by name, letter case ignored (`cneuL` is `cNeul`).
    QHash<QString, QString> limits;

    // The stored text of a limit column; "" for NULL and for a column the set
    // does not have, which both mean "no limit".
    QString limit(const QString& column) const;
};

// The current row of a recordset over one of the tables.
ReferenceRangeSet readRangeSet(const Recordset& rs);

// The human set at `position` (from 1) in number order; none beyond the last.
std::optional<ReferenceRangeSet> humanRangeSetAt(Connection& cnlimit, int64_t position);
// The first species set, in number order, whose name matches `name` with LIKE
// (letter case aside; "_", the receiver's stand-in for characters it cleaned
// out of a name, matches any one character, while "%" is only itself). The
// name is bound, never part of the SQL text.
std::optional<ReferenceRangeSet> speciesRangeSet(Connection& cnlimit, const QString& name);

// A set number as typed: a whole number, blanks around it allowed. Anything
// else (empty, a decimal, letters, out of range) fails with error 13: a set
// number is never rounded or guessed.
int64_t rangeSetNumber(const QString& text);

// Earlier releases gave every human set band limits 0 and 0, which no one
// typed (the human editor has no band boxes) and which judged every band %
// above 0 as high. Clears such limits of `limiti` to NULL, no limit, in one
// commit; a set whose band limits hold anything else keeps them. The species
// sets are left alone: their editor writes the band limits, so a 0 there is
// the user's. Returns the number of sets mended.
int64_t mendUnsetBandLimits(Connection& cnlimit);

// Deletes every set whose number, written as digits, is exactly `number`.
// The text is bound, so quotes and LIKE's "%" and "_" are plain characters
// that match no number. Returns the sets deleted.
int64_t deleteRangeSets(Connection& cnlimit, RangeTable table, const QString& number);

}  // namespace zv
