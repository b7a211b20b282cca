#pragma once
// QC control lots: rows of the table `qc` of the reference database, kept as
// a low and a high limit per parameter and shown to the user as a target and
// a range (plus or minus).
#include <QChar>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

#include "model/result.h"

namespace zv {

class Connection;
class Recordset;

constexpr int kQcParameterCount = 15;

// One parameter of a lot, in the order the statistics window lists them
// (WBC, RBC, HGB, MCV, HCT, MCH, MCHC, RDW, PLT, MPV, Neu% ... Baso%).
struct QcParameter {
    ResultParameter parameter;
    const char* name;        // "WBC", "Neu%" ...
    int digits;              // decimals of the range shown in the lot editor
    const char* header;      // its column of the runs: "WBC", "%Neu" ...
    const char* printed;     // its line of the printed statistics: "WBC:", "%NEU:" ...
    const char* assayToken;  // what marks its line in a control-assay file: "WBC", "%N" ...

    // The columns of its limits in `qc` and its field in datiQgrafici, from the parameter table.
    const QString& low() const { return parameterInfo(parameter).low; }
    const QString& high() const { return parameterInfo(parameter).high; }
    const QString& resultField() const { return parameterInfo(parameter).field; }
};
const std::array<QcParameter, kQcParameterCount>& qcParameters();

// A limit the row leaves empty (NULL) is no limit: nothing is marked against
// it, and the target and range it would take part in are not shown.
struct QcLot {
    int64_t limite = 0;
    QString valori;
    std::array<std::optional<double>, kQcParameterCount> low{};
    std::array<std::optional<double>, kQcParameterCount> high{};
};

// The target of a parameter: the middle of its limits, not rounded.
double qcTarget(double low, double high);
// The range the editor shows: target minus low, rounded half to even to `digits`.
double qcRange(double low, double high, int digits);
// The limits stored back from a target and a range.
inline double qcLow(double target, double range) { return target - range; }
inline double qcHigh(double target, double range) { return target + range; }

// Reads the current row of a recordset over `qc`. An empty (NULL) limit reads
// as none; a limit that is not a number fails with error 13 naming its column.
QcLot readQcLot(const Recordset& rs);

// The first lot (in the order of `limite`) whose name is exactly `name`,
// letter case ignored; "%" and "_" are characters of the name.
std::optional<QcLot> findQcLot(Connection& cnlimit, const QString& name);

// Deletes every lot whose name is exactly `name`, letter case ignored, and
// returns how many went. Nothing else can match: no wildcard, no quote
// breaks the statement.
int64_t deleteQcLots(Connection& cnlimit, const QString& name);

// `text` as a LIKE pattern that matches only itself (escape character "\").
QString likeLiteral(const QString& text);

// A number typed into a lot's box: the configured decimal mark or the
// regional one, never grouping. Anything else fails with error 13 naming `what`.
double qcNumber(const QString& text, QChar configured, const QString& what);

}  // namespace zv
