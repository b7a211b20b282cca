#include "support/transmission.h"

#include <QStringList>

#include <cmath>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace zv::test {

namespace {

const QChar kStx(2);
const QChar kEtx(3);

// Texts of one block's elements by element number.
using Elements = std::map<int, QString>;

// Where one model puts what the sample carries, and the fixed widths of its text fields.
struct WireLayout {
    int blockLength;
    int seqWidth;
    // Elements before the sample identifier; element 0 is the marker.
    int firstStretch;
    // Widths of the stretch elements from the identifier on (identifier, name, then the rest).
    std::vector<int> stretchWidths;
    int lastElement;  // SamplError; one more element carries the padding and ETX
    int seq, wbc, rbc, hgb, mcv, rdw, plt, mpv, pdw, neu, lym, mono, eos, baso;
    std::array<int, 12> flags;  // -1: the model sends no such flag
    int limits, samplError;
    Elements fixed;  // the elements that no field of the sample feeds
};

const WireLayout& wireLayout(InstrumentModel model) {
    static const WireLayout cd3000{276,
                                   4,
                                   3,
                                   {12, 16, 3},
                                   61,
                                   1,
                                   8,
                                   14,
                                   15,
                                   17,
                                   20,
                                   21,
                                   22,
                                   24,
                                   25,
                                   26,
                                   27,
                                   28,
                                   29,
                                   {31, 32, 33, 37, 38, 44, -1, -1, 52, 53, 60, -1},
                                   58,
                                   61,
                                   {{2, "1"},
                                    {5, "   "},
                                    {6, "08/12/26"},
                                    {7, "14:05"},
                                    // absolute counts, HCT, MCH, MCHC, PCT: whole numbers like the rest
                                    {9, "0435"},
                                    {10, "0224"},
                                    {11, "0054"},
                                    {12, "0025"},
                                    {13, "0007"},
                                    {16, "405"},
                                    {18, "301"},
                                    {19, "336"},
                                    {23, "216"}}};
    static const WireLayout cd3200{
        444,
        10,
        6,
        {12, 28, 16, 1, 10, 22, 3, 10, 5, 10, 5, 16},
        80,
        3,
        19,
        25,
        26,
        28,
        31,
        32,
        33,
        35,
        36,
        37,
        38,
        39,
        40,
        {41, 42, 43, 47, 48, 54, 56, 58, 62, 63, 79, 78},
        75,
        80,
        {{1, "08/12/26"},    {2, "14:05"}, {4, "1"},           {5, "A"},      {8, "DR BIANCHI"},  {9, "M"},
         {10, "01/01/1970"}, {12, " 56"},  {13, "08/12/2026"}, {14, "14:05"}, {15, "08/12/2026"}, {16, "14:06"},
         {17, "OPERATOR"},   {18, "1"},    {20, "4.35"},       {21, "2.24"},  {22, "0.54"},       {23, "0.25"},
         {24, "0.07"},       {27, "40.5"}, {29, "30.0"},       {30, "33.5"},  {34, "0.215"}}};
    static const WireLayout cd3500{316,
                                   4,
                                   4,
                                   {12, 16, 3},
                                   69,
                                   1,
                                   9,
                                   15,
                                   16,
                                   18,
                                   21,
                                   22,
                                   23,
                                   25,
                                   26,
                                   27,
                                   28,
                                   29,
                                   30,
                                   {32, 33, 34, 38, 39, 45, 47, 49, 53, 54, 67, 68},
                                   65,
                                   69,
                                   {{2, "1"},
                                    {3, "A"},
                                    {6, "   "},
                                    {7, "08/12/26"},
                                    {8, "14:05"},
                                    {10, "4.35"},
                                    {11, "2.24"},
                                    {12, "0.54"},
                                    {13, "0.25"},
                                    {14, "0.07"},
                                    {17, "40.5"},
                                    {19, "30.0"},
                                    {20, "33.5"},
                                    {24, "0.215"}}};
    switch (model) {
    case InstrumentModel::CD3000: return cd3000;
    case InstrumentModel::CD3200: return cd3200;
    case InstrumentModel::CD3500:
    case InstrumentModel::CD3700: break;
    }
    return cd3500;
}

[[noreturn]] void refuse(const QString& what) { throw std::invalid_argument(what.toStdString()); }

QString padded(const QString& text, int width, const char* field) {
    if (text.size() > width)
        refuse(QStringLiteral("%1 \"%2\" is wider than its %3 characters").arg(QLatin1String(field), text).arg(width));
    return text.leftJustified(width, QLatin1Char(' '));
}

QString joined(const Elements& elements, int first, int last) {
    QStringList out;
    for (int i = first; i <= last; ++i) {
        const auto it = elements.find(i);
        out << (it == elements.end() ? QStringLiteral("0") : it->second);
    }
    return out.join(QLatin1Char(','));
}

}  // namespace

SampleValues normalSample(InstrumentModel model) {
    SampleValues s;
    if (model == InstrumentModel::CD3000) {
        s.wbc = QStringLiteral("0075");
        s.rbc = QStringLiteral("0452");
        s.hgb = QStringLiteral("136");
        s.mcv = QStringLiteral("896");
        s.rdw = QStringLiteral("132");
        s.plt = QStringLiteral("254");
        s.mpv = QStringLiteral("085");
        s.pdw = QStringLiteral("161");
        s.neu = QStringLiteral("583");
        s.lym = QStringLiteral("301");
        s.mono = QStringLiteral("072");
        s.eos = QStringLiteral("034");
        s.baso = QStringLiteral("010");
    }
    return s;
}

QString dataBlock(InstrumentModel model, const SampleValues& sample) {
    const WireLayout& w = wireLayout(model);
    Elements e = w.fixed;
    e[0] = QString(kStx) + QStringLiteral("   ");
    e[w.seq] = padded(sample.seq, w.seqWidth, "seq");
    e[w.firstStretch] = padded(sample.specId, w.stretchWidths[0], "specId");
    e[w.firstStretch + 1] = padded(sample.specName, w.stretchWidths[1], "specName");
    for (std::size_t i = 2; i < w.stretchWidths.size(); ++i) {
        const int n = w.firstStretch + static_cast<int>(i);
        e[n] = padded(e.count(n) ? e[n] : QString(), w.stretchWidths[i], "stretch element");
    }
    e[w.wbc] = sample.wbc;
    e[w.rbc] = sample.rbc;
    e[w.hgb] = sample.hgb;
    e[w.mcv] = sample.mcv;
    e[w.rdw] = sample.rdw;
    e[w.plt] = sample.plt;
    e[w.mpv] = sample.mpv;
    e[w.pdw] = sample.pdw;
    e[w.neu] = sample.neu;
    e[w.lym] = sample.lym;
    e[w.mono] = sample.mono;
    e[w.eos] = sample.eos;
    e[w.baso] = sample.baso;
    for (std::size_t i = 0; i < w.flags.size(); ++i)
        if (w.flags[i] >= 0)
            e[w.flags[i]] = sample.flags[i];
    e[w.limits] = sample.limits;
    e[w.samplError] = sample.samplError;

    // The fields before the identifier must end exactly where the identifier's
    // fixed position begins; the seq width is chosen so that they do.
    QString block = joined(e, 0, w.lastElement) + QLatin1Char(',');
    const qsizetype padding = w.blockLength - block.size() - 1;
    if (padding < 0)
        refuse(QStringLiteral("the sample's texts are %1 characters too long for a %2 block")
                   .arg(-padding)
                   .arg(instrumentText(model)));
    block += QString(padding, QLatin1Char(' ')) + kEtx;
    return block;
}

int groupForChannel(HistogramKind kind, const QString& channel) {
    const int number = channel.toInt();
    if (number == 2)
        return (kind == HistogramKind::WB1 || kind == HistogramKind::WB2) ? 12 : -1;
    return (number + 6) / 4;
}

std::array<int, 67> sampleGroups(HistogramKind kind) {
    // Peaks placed where each population sits on its scale; small whole numbers
    // like the analyser's counts.
    auto bell = [](int group, double centre, double width, double height) {
        const double x = (group - centre) / width;
        return height * std::exp(-x * x / 2);
    };
    std::array<int, 67> groups{};
    for (int g = 0; g < 67; ++g) {
        double value = 0;
        switch (kind) {
        case HistogramKind::WB1: value = bell(g, 18, 5, 180) + bell(g, 34, 6, 40); break;
        case HistogramKind::WB2: value = bell(g, 14, 5, 60) + bell(g, 40, 7, 150); break;
        case HistogramKind::RBC: value = bell(g, 30, 6, 220); break;
        case HistogramKind::PLT: value = bell(g, 12, 6, 120); break;
        }
        groups[static_cast<std::size_t>(g)] = static_cast<int>(value + 0.5);
    }
    return groups;
}

QString histogramBlock(HistogramKind kind, const std::array<int, 67>& groups) {
    static const char* const markers[] = {"WB1", "WB2", "RBC", "PLT"};
    QStringList texts;
    for (int value : groups) {
        if (value < 0 || value > 999)
            refuse(QStringLiteral("histogram group %1 is not three digits").arg(value));
        texts << QStringLiteral("%1").arg(value, 3, 10, QLatin1Char('0'));
    }
    return QString(kStx) + QLatin1String(markers[static_cast<int>(kind)]) + QStringLiteral("00,") +
           texts.join(QLatin1Char(',')) + kEtx;
}

QString histogramBlock(HistogramKind kind) { return histogramBlock(kind, sampleGroups(kind)); }

QString closingBlock(bool noc) {
    return QString(kStx) + (noc ? QStringLiteral("NOC") : QStringLiteral("WIC")) + QStringLiteral(",00") + kEtx;
}

QByteArray transmission(InstrumentModel model, const SampleValues& sample, Fault fault) {
    QString data = dataBlock(model, sample);
    if (fault == Fault::ShortDataBlock)
        data.remove(20, 1);
    QStringList blocks{data};
    for (HistogramKind kind : kHistogramKinds)
        blocks << histogramBlock(kind);
    if (fault == Fault::LongHistogram)
        blocks.last().insert(10, QLatin1Char('1'));
    if (fault == Fault::SparseHistogram)
        blocks[1 + static_cast<int>(HistogramKind::RBC)] =
            kStx + QStringLiteral("RBC") + QString(270, QLatin1Char('0')) + kEtx;
    if (model != InstrumentModel::CD3000)
        blocks << closingBlock(sample.noc);
    if (fault == Fault::LostClosingBlock)
        blocks.removeLast();
    QByteArray wire = blocks.join(QString()).toLatin1();
    if (fault == Fault::Garbage)
        wire.prepend("\x7f\xfe noise \x03");
    if (fault == Fault::CutOff)
        wire.truncate(40);
    return wire;
}

SampleValues numberedSample(InstrumentModel model, int n) {
    SampleValues sample = normalSample(model);
    sample.seq = QStringLiteral("%1").arg(n % 10000, 4, 10, QLatin1Char('0'));
    sample.specId = QStringLiteral("S%1").arg(n);
    sample.specName = n % 10 == 0 ? QStringLiteral("CANE") : QStringLiteral("PAZIENTE %1").arg(n);
    return sample;
}

QByteArray transmissions(InstrumentModel model, int first, int count) {
    QByteArray all;
    for (int n = first; n < first + count; ++n)
        all += transmission(model, numberedSample(model, n));
    return all;
}

}  // namespace zv::test
