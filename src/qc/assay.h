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
// A line holding a parameter's assay token (qcParameters(), case-sensitive;
// where a token begins a longer one, "MCH" of "MCHC", it is the longer one's;
// tested in the table's order, a longer token before the token it begins
// with) gives that parameter its second and third
// tab-separated fields, each "." turned into `decimal`; a later line replaces
// an earlier one. A parameter line with fewer than three fields fails with
// error 5 naming its line, and then nothing of the file is taken.
AssayValues parseAssay(const QByteArray& bytes, QChar decimal);

}  // namespace zv
