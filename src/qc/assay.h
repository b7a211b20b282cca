#pragma once
// The control-assay file: a text file holding a QC lot's name on its second
// line and, on tab-separated lines, each parameter's name, target and range.
#include <QByteArray>
#include <QChar>
#include <QString>

#include <array>
#include <optional>

#include "qc/qclot.h"

namespace zv {

struct AssayTargetRange {
    QString target;
    QString range;
};

struct AssayValues {
    std::optional<QString> name;  // line 2, whole, when the file has one
    // In qcParameters() order; empty for a parameter the file does not name.
    std::array<std::optional<AssayTargetRange>, kQcParameterCount> values;
};

// Reads the first 30 lines (ended by CR LF, LF or CR; UTF-8, else Latin-1).
// A line holding a parameter's token (case-sensitive: "WBC", "RBC", "HGB",
// "MCV", "HCT", "MCHC", "MCH" not followed by "C", "RDW", "PLT", "MPV", "%N",
// "%L", "%M", "%E", "%B") gives that parameter its second and third
// tab-separated fields, each "." turned into `decimal`; a later line replaces
// an earlier one. A parameter line with fewer than three fields fails with
// error 5 naming its line, and then nothing of the file is taken.
AssayValues parseAssay(const QByteArray& bytes, QChar decimal);

}  // namespace zv
