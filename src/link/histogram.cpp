#include "link/histogram.h"

#include "platform/errors.h"

namespace zv {

namespace {

// Only the end of a block carries channels; what comes before is not read.
constexpr qsizetype kChannelText = 259;
// Channel 230 reads element 57.
constexpr qsizetype kElementsNeeded = 58;
// Channel 002 of the white-cell histograms repeats channel 042.
constexpr qsizetype kChannel002Element = 10;

}  // namespace

const QString& zeroHistogram() {
    static const QString text = [] {
        QStringList groups;
        for (int i = 0; i < 67; ++i)
            groups << QStringLiteral("000");
        return groups.join(QLatin1Char(','));
    }();
    return text;
}

QStringList histogramElements(const QString& block) {
    return block.right(kChannelText).split(QLatin1Char(','), Qt::KeepEmptyParts);
}

void fillChannels(Histogram& histogram, HistogramKind kind, const QStringList& elements) {
    if (elements.size() < kElementsNeeded)
        throw AppError(err::InvalidCall, QStringLiteral("Histogram block too short: %1 elements, %2 needed")
                                             .arg(elements.size())
                                             .arg(kElementsNeeded));
    const QStringList& channels = histogramChannels();
    for (qsizetype c = 0; c < channels.size(); ++c) {
        const int number = channels[c].toInt();
        OptionalText& slot = histogram.channels[static_cast<std::size_t>(c)];
        if (number == 2) {
            if (kind == HistogramKind::WB1 || kind == HistogramKind::WB2)
                slot = elements[kChannel002Element];
            continue;
        }
        slot = elements[(number - 2) / 4];
    }
}

}  // namespace zv
