#pragma once
// Where printed pages go: a system printer, by name (empty for the system's
// default destination), or the PDF file the user chose in the print dialog
// instead of a printer.
#include <QString>

namespace zv {

struct PrintDestination {
    QString printer;
    QString pdfFile;  // when not empty, the pages go into this file and `printer` is not used
    bool operator==(const PrintDestination&) const = default;
};

}  // namespace zv
