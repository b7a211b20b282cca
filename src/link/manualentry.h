#pragma once
// A blood count typed in by hand, as it is stored: marked "Man.", stamped
// with the work date, no flag raised, reference-set selector 0, histograms of
// zeros. The values are typed with the configured decimal mark.
#include <QString>

#include <array>
#include <optional>

#include "model/result.h"

namespace zv {

// The typed parameters in the order of their boxes: the white-cell column,
// the red-cell column, then the platelet column.
inline constexpr std::array<ResultParameter, 17> kTypedParameters{
    ResultParameter::WBC,  ResultParameter::neu,  ResultParameter::lym, ResultParameter::mono, ResultParameter::eos,
    ResultParameter::baso, ResultParameter::RBC,  ResultParameter::HGB, ResultParameter::HCT,  ResultParameter::MCV,
    ResultParameter::MCH,  ResultParameter::MCHC, ResultParameter::RDW, ResultParameter::PLT,  ResultParameter::MPV,
    ResultParameter::PCT,  ResultParameter::PDW};

// The result of one manual entry. Each value text is read with `decimal` as
// decimal mark (the other mark alone is read as one too); the identifier and the
// name are kept exactly as typed. A value text that is not a number, empty
// included, fails with error 13 (6 when out of range) naming its field.
// The position of the first value text that typedResult cannot read, if any.
std::optional<std::size_t> firstUnreadableValue(const std::array<QString, 17>& values, QChar decimal);

ResultRecord typedResult(const std::array<QString, 17>& values, const QString& specId, const QString& specName,
                         const QString& workDate, QChar decimal);

}  // namespace zv
