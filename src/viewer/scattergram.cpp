#include "viewer/scattergram.h"

#include <cmath>

#include "platform/conversions.h"
#include "platform/errors.h"

namespace zv::scatter {

std::array<int64_t, kPopulations> dotCounts(const Input& input, const Divisors& divisors) {
    const std::optional<double> percentages[kPopulations] = {input.neu, input.lym, input.mono, input.eos, input.baso};
    std::array<int64_t, kPopulations> counts{};
    for (int p = 0; p < kPopulations; ++p) {
        if (!input.wbc || !percentages[p])
            continue;
        const double count = roundHalfEven(*input.wbc * *percentages[p] / divisors[std::size_t(p)], 0);
        // A corrupt value must not stall the window: nothing above a full
        // picture's worth of dots per population is drawn.
        if (count > 0 && std::isfinite(count))
            counts[std::size_t(p)] = static_cast<int64_t>(std::min(count, 1e5));
    }
    return counts;
}

std::array<DotBox, kBoxes> dotBoxes(bool band, bool ig, bool varLym, bool blast) {
    const double B = band ? 250 : 0, G = ig ? 250 : 0, V = varLym ? 250 : 0, S = blast ? 250 : 0;
    // Five groups of four nested neutrophil boxes, widest first.
    const double neu[20][4] = {
        {950, 750, 250, 750}, {1050, 550, 300, 550}, {1150, 350, 450, 350}, {1250, 150, 550, 150},
        {900, 750, 250, 750}, {1000, 550, 350, 550}, {1100, 350, 450, 350}, {1200, 150, 550, 150},
        {950, 750, 200, 750}, {1050, 550, 300, 550}, {1150, 350, 400, 350}, {1250, 150, 500, 150},
        {900, 750, 200, 750}, {1000, 550, 300, 550}, {1100, 350, 400, 350}, {1200, 150, 500, 150},
        {800, 750, 250, 750}, {900, 550, 350, 550},  {1000, 350, 450, 350}, {1150, 150, 550, 150}};
    std::array<DotBox, kBoxes> boxes{};
    for (int i = 0; i < 20; ++i) {
        const bool widest = i % 4 == 0;
        boxes[std::size_t(i)] = {Neutrophils,  1, neu[i][0] - B, neu[i][1] + (widest ? 2 * B : B), neu[i][2] - G,
                                 neu[i][3] + B};
    }
    const double lym[6][4] = {{350, 250, 1100, 250}, {450, 250, 1100, 250}, {350, 250, 1100, 250},
                              {450, 250, 1100, 250}, {450, 250, 1000, 250}, {550, 150, 1000, 100}};
    for (int i = 0; i < 6; ++i)
        boxes[std::size_t(20 + i)] = {Lymphocytes, 1, lym[i][0] - V / 2, lym[i][1] + V, lym[i][2], lym[i][3]};
    boxes[26] = {Monocytes, 5, 425, 200, 400 - S, 500};
    boxes[27] = {Monocytes, 2, 550, 125, 500 - S, 220};
    boxes[28] = {Monocytes, 2, 450, 155, 600 - S, 200};
    boxes[29] = {Eosinophils, 5, 1260, 350, 800, 250};
    boxes[30] = {Eosinophils, 5, 1260, 350, 800, 250};
    boxes[31] = {Basophils, 10, 730, 250, 900, 250};
    return boxes;
}

void scatterDots(const Input& input, const std::function<double()>& random,
                 const std::function<void(Population, double, double)>& dot, const Divisors& divisors) {
    const auto counts = dotCounts(input, divisors);
    for (const DotBox& box : dotBoxes(input.band, input.ig, input.varLym, input.blast)) {
        const int64_t n = box.repeat * counts[std::size_t(box.population)];
        for (int64_t i = 0; i < n; ++i) {
            const double x = static_cast<float>(box.x + random() * box.width);
            const double y = roundHalfEven(box.y + random() * box.height, 0);
            dot(box.population, x, y);
        }
    }
}

bool flagIsTrue(const std::optional<QString>& stored) {
    if (!stored)
        return false;
    const QString text = stored->trimmed();
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    double value = 0;
    return ignoring([&] { value = toDouble(text, QLatin1Char('.')); }) && value == -1;
}

Input inputOf(const ResultRecord& r) {
    using P = ResultParameter;
    Input in;
    in.wbc = r.value(P::WBC);
    in.neu = r.value(P::neu);
    in.lym = r.value(P::lym);
    in.mono = r.value(P::mono);
    in.eos = r.value(P::eos);
    in.baso = r.value(P::baso);
    in.band = flagIsTrue(r.flags.Band);
    in.ig = flagIsTrue(r.flags.IG);
    in.varLym = flagIsTrue(r.flags.VarLym);
    in.blast = flagIsTrue(r.flags.Blast);
    return in;
}

}  // namespace zv::scatter
