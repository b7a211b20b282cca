#include "qc/qcstats.h"

#include <cmath>

#include "model/rangelimits.h"
#include "platform/conversions.h"

namespace zv {

std::optional<double> qcMean(const std::vector<std::optional<double>>& values) {
    double sum = 0;
    int64_t n = 0;
    for (const auto& v : values)
        if (v) {
            sum += *v;
            ++n;
        }
    if (n == 0)
        return std::nullopt;
    return roundHalfEven(sum / double(n), 2);
}

std::optional<double> qcDeviation(const std::vector<std::optional<double>>& values) {
    const std::optional<double> mean = qcMean(values);
    double squares = 0;
    int64_t n = 0;
    for (const auto& v : values)
        if (v) {
            // Around the mean as shown: the deviation a reader checks by hand.
            squares += (*v - *mean) * (*v - *mean);
            ++n;
        }
    if (n < 2)
        return std::nullopt;
    return roundHalfEven(std::sqrt(squares / double(n - 1)), 2);
}

QcMark qcMark(double value, std::optional<double> low, std::optional<double> high) {
    switch (judge(value, {low, high})) {
    case RangeColour::Blue: return QcMark::Below;
    case RangeColour::Red: return QcMark::Above;
    case RangeColour::Black: break;
    }
    return QcMark::None;
}

}  // namespace zv
