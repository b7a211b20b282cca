#include "link/decoder.h"

#include "platform/conversions.h"
#include "platform/errors.h"

#include <algorithm>
#include <cmath>

namespace zv {

namespace {

using P = ResultParameter;

// Which element feeds which field; -1 where the model's block has no such field.
struct FieldElements {
    int seq, specId, specName;
    std::array<int, kParameterCount> values;  // by parameter; -1 for those not received
    std::array<int, 12> flags;                // in the order of AlarmFlags::textFlags()
    int Limits, SamplError;
};

// The elements of the received parameters, in the order WBC, RBC, HGB, MCV,
// RDW, PLT, MPV, PDW, neu, lym, mono, eos, baso.
std::array<int, kParameterCount> valueElements(const std::array<int, 13>& elements) {
    static constexpr std::array<P, 13> order{P::WBC, P::RBC, P::HGB, P::MCV,  P::RDW, P::PLT, P::MPV,
                                             P::PDW, P::neu, P::lym, P::mono, P::eos, P::baso};
    std::array<int, kParameterCount> at;
    at.fill(-1);
    for (std::size_t i = 0; i < order.size(); ++i)
        at[static_cast<std::size_t>(order[i])] = elements[i];
    return at;
}

const FieldElements& fieldElements(InstrumentModel model) {
    static const FieldElements cd3000{1,
                                      3,
                                      4,
                                      valueElements({8, 14, 15, 17, 20, 21, 22, 24, 25, 26, 27, 28, 29}),
                                      {31, 32, 33, 37, 38, 44, -1, -1, 52, 53, 60, -1},
                                      58,
                                      61};
    // The CD3200 sends WicError (78) before RbcError (79).
    static const FieldElements cd3200{3,
                                      6,
                                      7,
                                      valueElements({19, 25, 26, 28, 31, 32, 33, 35, 36, 37, 38, 39, 40}),
                                      {41, 42, 43, 47, 48, 54, 56, 58, 62, 63, 79, 78},
                                      75,
                                      80};
    static const FieldElements cd3500{1,
                                      4,
                                      5,
                                      valueElements({9, 15, 16, 18, 21, 22, 23, 25, 26, 27, 28, 29, 30}),
                                      {32, 33, 34, 38, 39, 45, 47, 49, 53, 54, 67, 68},
                                      65,
                                      69};
    switch (model) {
    case InstrumentModel::CD3000: return cd3000;
    case InstrumentModel::CD3200: return cd3200;
    case InstrumentModel::CD3500:
    case InstrumentModel::CD3700: break;
    }
    return cd3500;
}

// A control character would be stored as it came: SQLite then reads a text
// with a NUL as cut short there, and no search finds the result.
bool isControl(QChar c) { return c.unicode() < 0x20; }

bool isSanitised(QChar c) {
    switch (c.unicode()) {
    case '\'':
    case ',':
    case '?':
    case '/':
    case '\\':
    case '!':
    case '$':
    case '%': return true;
    default: return false;
    }
}

QString withoutTrailingBlanks(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.left(end);
}

void requireElements(const QStringList& elements, InstrumentModel model) {
    const DataBlockLayout& layout = dataBlockLayout(model);
    if (elements.size() <= layout.highestElement)
        throw AppError(err::InvalidCall, QStringLiteral("Data block too short: %1 elements, element %2 needed")
                                             .arg(elements.size())
                                             .arg(layout.highestElement));
}

double checkedFinite(double value) {
    if (!std::isfinite(value))
        throw AppError(err::Overflow, QStringLiteral("Overflow"));
    return value;
}

// The analyser always writes its numbers with a point, whatever the PC's separator.
constexpr QChar kAnalyserMark = QLatin1Char('.');

}  // namespace

const DataBlockLayout& dataBlockLayout(InstrumentModel model) {
    static const DataBlockLayout cd3000{12, 13, 46, {25, 42, 46}, 230, 276, 8, 29, 61};
    static const DataBlockLayout cd3200{35, 36, 185, {48, 77, 94, 96, 107, 130, 134, 145, 151, 162, 168, 185}, 259, 444,
                                        18, 40, 80};
    static const DataBlockLayout cd3500{14, 15, 48, {27, 44, 48}, 268, 316, 9, 30, 69};
    switch (model) {
    case InstrumentModel::CD3000: return cd3000;
    case InstrumentModel::CD3200: return cd3200;
    case InstrumentModel::CD3500:
    case InstrumentModel::CD3700: break;
    }
    return cd3500;
}

QStringList dataBlockElements(const QString& block, InstrumentModel model) {
    const DataBlockLayout& layout = dataBlockLayout(model);
    // Head, stretch and tail are joined whatever the block's length: only a block
    // of the expected length makes them abut, and the framing passes no other.
    QString text = block.left(layout.headLength);
    text.reserve(layout.headLength + (layout.stretchLast - layout.stretchFirst + 1) + layout.tailLength);
    const std::vector<int>& commas = layout.commaPositions;
    for (int p = layout.stretchFirst; p <= layout.stretchLast && p <= block.size(); ++p) {
        const QChar c = block[p - 1];
        const bool atComma = std::find(commas.begin(), commas.end(), p) != commas.end();
        // A control character is never a comma: replacing it at a comma
        // position cuts nowhere that keeping it would have cut.
        text += (isControl(c) || (!atComma && isSanitised(c))) ? QChar(u'_') : c;
    }
    text += block.right(layout.tailLength);
    return text.split(QLatin1Char(','), Qt::KeepEmptyParts);
}

QString speciesKey(const QStringList& elements, InstrumentModel model) {
    requireElements(elements, model);
    return withoutTrailingBlanks(elements[fieldElements(model).specName]);
}

ResultRecord decodeDataBlock(const QString& block, InstrumentModel model,
                             const std::function<CalibrationFactors(const QString& speciesKey)>& factorsFor) {
    const DataBlockLayout& layout = dataBlockLayout(model);
    const FieldElements& at = fieldElements(model);
    QStringList elements = dataBlockElements(block, model);
    requireElements(elements, model);

    // The analyser fills a value it could not measure with one of three placeholders.
    for (int i = layout.numericFirst; i <= layout.numericLast; ++i) {
        QString& element = elements[i];
        element.replace(QStringLiteral("-----"), QStringLiteral("0"));
        element.replace(QStringLiteral(">>>>>"), QStringLiteral("0"));
        element.replace(QStringLiteral("<<<<<"), QStringLiteral("0"));
    }

    const CalibrationFactors factors = factorsFor(withoutTrailingBlanks(elements[at.specName]));

    // The CD3000 sends whole numbers in tenths (RBC in hundredths, PLT as it is);
    // the factor applies before the divisor.
    const bool cd3000 = model == InstrumentModel::CD3000;
    auto measured = [&](P p, double cd3000Divisor) {
        const double value = toDouble(elements[at.values[static_cast<std::size_t>(p)]], kAnalyserMark) * factors.of(p);
        return checkedFinite(cd3000 ? value / cd3000Divisor : value);
    };
    auto round = [](double value, int decimals) { return roundHalfEven(value, decimals); };
    // Percentages and the other two-decimal values that drop to one decimal above 10.
    auto twoThenOne = [&](double value) {
        value = round(value, 2);
        return value > 10 ? round(value, 1) : value;
    };

    double wbc = round(measured(P::WBC, 10), 3);
    if (wbc > 1 && wbc < 10)
        wbc = round(wbc, 2);
    if (wbc > 10)
        wbc = round(wbc, 1);
    if (wbc > 100)
        wbc = round(wbc, 0);

    // The red-cell indices come from RBC, HGB and MCV at their first rounding.
    double rbc = round(measured(P::RBC, 100), 3);
    double hgb = round(measured(P::HGB, 10), 2);
    const double mcv = round(measured(P::MCV, 10), 1);
    const double hct = round(checkedFinite(rbc * mcv / 10), 1);
    const double mch = rbc == 0 ? 0.0 : round(checkedFinite(hgb / rbc * 10), 1);
    const double mchc = hct == 0 ? 0.0 : round(checkedFinite(hgb / hct * 100), 1);
    if (rbc > 1)
        rbc = round(rbc, 2);
    if (hgb > 10)
        hgb = round(hgb, 1);

    const double rdw = round(measured(P::RDW, 10), 1);

    double plt = round(measured(P::PLT, 1), 2);
    if (plt > 10 && plt < 100)
        plt = round(plt, 1);
    if (plt > 100)
        plt = round(plt, 0);

    const double mpv = twoThenOne(measured(P::MPV, 10));
    const double pct = round(checkedFinite(plt * mpv / 10000), 3);
    const double pdw = round(measured(P::PDW, 10), 1);

    ResultRecord r;
    const std::pair<P, double> values[] = {{P::WBC, wbc}, {P::RBC, rbc}, {P::HGB, hgb},   {P::HCT, hct},
                                           {P::MCV, mcv}, {P::MCH, mch}, {P::MCHC, mchc}, {P::RDW, rdw},
                                           {P::PLT, plt}, {P::MPV, mpv}, {P::PCT, pct},   {P::PDW, pdw}};
    for (const auto& [parameter, value] : values)
        r.value(parameter) = value;
    for (const P p : {P::neu, P::lym, P::mono, P::eos, P::baso})
        r.value(p) = twoThenOne(measured(p, 10));

    r.seq = QString::number(toInt32(elements[at.seq], kAnalyserMark));
    r.specId = withoutTrailingBlanks(elements[at.specId]);
    r.specName = withoutTrailingBlanks(elements[at.specName]);

    const auto& flags = AlarmFlags::textFlags();
    for (std::size_t i = 0; i < flags.size(); ++i)
        r.flags.*(flags[i].second) = at.flags[i] < 0 ? QStringLiteral("0") : elements[at.flags[i]];
    r.Limits = toInt16(elements[at.Limits], kAnalyserMark);
    r.flags.SamplError = toInt16(elements[at.SamplError], kAnalyserMark);
    return r;
}

}  // namespace zv
