#pragma once
// The white-cell scattergram simulated from a result's differential: five
// populations whose dot counts follow WBC times each percentage, scattered at
// random over fixed boxes that four analyser flags widen or move. Coordinates
// are twips of a 2700 x 1695 picture, x to the right, y downwards.
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "model/result.h"

namespace zv::scatter {

inline constexpr double kWidth = 2700;
inline constexpr double kHeight = 1695;

enum Population { Neutrophils, Lymphocytes, Monocytes, Eosinophils, Basophils };
inline constexpr int kPopulations = 5;

struct Input {
    std::optional<double> wbc, neu, lym, mono, eos, baso;
    bool band = false, ig = false, varLym = false, blast = false;
};
// What a stored result gives the drawing: WBC, the differential and four flags.
Input inputOf(const ResultRecord& result);

// What WBC x percentage is divided by, per population, to give its count: the
// screen shows more dots than the printed report for the same result.
using Divisors = std::array<double, kPopulations>;
inline constexpr Divisors kScreenDivisors{15, 10, 8, 9, 10};

// Dots per population: WBC x percentage / divisor, rounded half to even. A
// missing WBC or percentage, or a count below 0, gives 0.
std::array<int64_t, kPopulations> dotCounts(const Input& input, const Divisors& divisors = kScreenDivisors);

struct DotBox {
    Population population;
    int repeat;  // dots per unit of the population's count
    double x, width, y, height;
};
inline constexpr int kBoxes = 32;
// The 32 boxes in drawing order, shifted by the flags.
std::array<DotBox, kBoxes> dotBoxes(bool band, bool ig, bool varLym, bool blast);

// Every dot of the input, in drawing order: x is not rounded, y is rounded to
// whole twips (half to even). `random` gives values in [0, 1), x first.
void scatterDots(const Input& input, const std::function<double()>& random,
                 const std::function<void(Population, double x, double y)>& dot,
                 const Divisors& divisors = kScreenDivisors);

// A flag as the scattergram reads it: set only when it is Boolean true (-1 or "True").
bool flagIsTrue(const std::optional<QString>& stored);

}  // namespace zv::scatter
