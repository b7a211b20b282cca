#pragma once
// Decoding of the analyser's data block: the layout of each model, the
// conversion, calibration and rounding of the measured values, and the
// derived indices. Plain code: no window, no database.
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "model/instrument.h"
#include "model/result.h"

namespace zv {

struct DataBlockLayout {
    int headLength;                   // characters kept unchanged at the start
    int stretchFirst, stretchLast;    // 1-based positions of the sanitised text fields
    std::vector<int> commaPositions;  // commas inside the stretch, never replaced
    int tailLength;                   // characters kept unchanged at the end
    int blockLength;                  // the length at which head, stretch and tail abut
    int numericFirst, numericLast;    // the numeric range of elements
    int highestElement;               // the highest element read
};
const DataBlockLayout& dataBlockLayout(InstrumentModel model);

// The data block sanitised (text fields made safe: ' , ? / \ ! $ % become _
// inside the stretch, but for its comma positions; control characters 0x00 to
// 0x1F become _ anywhere in the stretch) and cut at every comma.
QStringList dataBlockElements(const QString& block, InstrumentModel model);

// The sample's name element with its trailing blanks removed: the key of the
// species calibration factors.
QString speciesKey(const QStringList& elements, InstrumentModel model);

// Decodes one data block into the result the receiver stores: the sequence
// number, identifier and name, the seventeen values the analyser's parameters
// give (received and derived; the typed ones stay unset), the text flags as
// received ("0" where the model's block has no such flag), Limits and
// SamplError; no date, no histogram. `factorsFor` gets the species key and
// returns the factors to apply (the species set when one matches, else the
// human set). Every failure (too few elements, a value or whole number that
// is not a number or out of range) is an AppError and abandons the record.
ResultRecord decodeDataBlock(const QString& block, InstrumentModel model,
                             const std::function<CalibrationFactors(const QString& speciesKey)>& factorsFor);

}  // namespace zv
