#pragma once
// The statistics of a QC lot's runs: per parameter the mean and the sample
// standard deviation, and the marking of a value outside the lot's limits.
#include <QString>

#include <optional>
#include <vector>

namespace zv {

// Mean of the values, rounded half to even to 2 decimals; none without values.
// Values that are missing (a run without that parameter) are passed over.
std::optional<double> qcMean(const std::vector<std::optional<double>>& values);

// Sample standard deviation (n - 1) of the values around their rounded mean,
// rounded half to even to 2 decimals; none with fewer than two values.
std::optional<double> qcDeviation(const std::vector<std::optional<double>>& values);

enum class QcMark { None, Below, Above };
// The results' range rule (judge): a value equal to a limit is not marked,
// and with the low limit above the high one a value outside both is Above.
// A missing limit marks nothing on its side.
QcMark qcMark(double value, std::optional<double> low, std::optional<double> high);

}  // namespace zv
