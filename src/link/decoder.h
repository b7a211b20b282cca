#pragma once
// Decoding of the analyser's data block: the layout of each model, the
// conversion, calibration and rounding of the measured values, and the
// derived indices. Plain code: no window, no database.
#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/instrument.h"

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

struct DecodedResult {
    int32_t seq = 0;
    QString specId;
    QString specName;
    double WBC = 0, RBC = 0, HGB = 0, HCT = 0, MCV = 0, MCH = 0, MCHC = 0, RDW = 0, PLT = 0, MPV = 0, PCT = 0, PDW = 0,
           neu = 0, lym = 0, mono = 0, eos = 0, baso = 0;
    // DFLT, Blast, VarLym, IG, Band, NRBC, NWBC, RRBC, LRI, URI, RbcError, WicError:
    // the received text, or the integer 0 where the model's layout has no such field.
    std::array<QVariant, 12> flags;
    int16_t Limits = 0;
    int16_t SamplError = 0;
};
// The names of DecodedResult::flags, in order.
const std::array<QString, 12>& flagFields();

// Decodes one data block. `factorsFor` gets the species key and returns the
// factors to apply (the species set when one matches, else the human set).
// Every failure (too few elements, a value or whole number that is not a
// number or out of range) is an AppError and abandons the record.
DecodedResult decodeDataBlock(const QString& block, InstrumentModel model,
                              const std::function<CalibrationFactors(const QString& speciesKey)>& factorsFor);

}  // namespace zv
