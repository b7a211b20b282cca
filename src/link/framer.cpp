#include "link/framer.h"

#include "link/histogram.h"
#include "platform/conversions.h"

namespace zv {

namespace {
const QChar kStx(2);
const QChar kEtx(3);
}  // namespace

QString& BlockStrings::histogram(HistogramKind kind) {
    switch (kind) {
    case HistogramKind::WB1: return wb1;
    case HistogramKind::WB2: return wb2;
    case HistogramKind::RBC: return rbc;
    case HistogramKind::PLT: break;
    }
    return plt;
}

const QString& BlockStrings::histogram(HistogramKind kind) const {
    return const_cast<BlockStrings*>(this)->histogram(kind);
}

void BlockStrings::clear() {
    data.clear();
    wb1.clear();
    wb2.clear();
    rbc.clear();
    plt.clear();
}

void Framer::setDataLogger(bool on) {
    if (on) {
        if (stato)
            instrumentBlock_ = val_finestringa;
        val_finestringa = 1;
        stato = false;
    } else {
        if (!stato)
            val_finestringa = instrumentBlock_;
        stato = true;
    }
}

void Framer::receive(const QString& chunk, FramerSink& sink) {
    ++progress_;
    if (progress_ > 60) {
        progress_ = 0;
        sink.hideSegments();
    }
    sink.showSegment(int(roundHalfEven(progress_ / 10.0, 0)));

    buffer_ += chunk;
    for (qsizetype end = buffer_.indexOf(kEtx); end >= 0; end = buffer_.indexOf(kEtx)) {
        QString block = buffer_.left(end + 1);
        buffer_.remove(0, end + 1);
        sink.hideSegments();
        progress_ = 0;
        block.remove(QLatin1Char('"'));
        file(block);
        completeIfDue(sink);
    }
    if (buffer_.size() > kBufferLimit) {
        buffer_.clear();
        // A flood of noise (a wrong baud rate, a line picking up interference)
        // would otherwise fill the error log with one line per buffer.
        if (!overflowTold_)
            sink.bufferOverflow();
        overflowTold_ = true;
    }
    // A switch of link mode takes effect here even when no block arrived.
    completeIfDue(sink);
}

void Framer::file(const QString& block) {
    struct Marker {
        const char* text;
        int16_t number;
    };
    static const Marker markers[] = {{"   ", 1}, {"WB1", 2}, {"WB2", 3}, {"RBC", 4}, {"PLT", 5}};
    for (const Marker& m : markers) {
        if (!block.contains(kStx + QLatin1String(m.text)))
            continue;
        finestringa = m.number;
        overflowTold_ = false;
        switch (m.number) {
        case 1:
            blocks.data = block;
            // A new sample starts here: the previous sample's histograms must
            // never be stored with it.
            blocks.wb1.clear();
            blocks.wb2.clear();
            blocks.rbc.clear();
            blocks.plt.clear();
            break;
        case 2: blocks.wb1 = block; break;
        case 3: blocks.wb2 = block; break;
        case 4: blocks.rbc = block; break;
        default: blocks.plt = block; break;
        }
        return;
    }
    if (block.contains(kStx + QLatin1String("WIC")) || block.contains(kStx + QLatin1String("NOC"))) {
        finestringa = 6;
        overflowTold_ = false;
    }
}

void Framer::completeIfDue(FramerSink& sink) {
    if (val_finestringa <= 0 || finestringa != val_finestringa)
        return;
    finestringa = 0;
    progress_ = 0;
    sink.recordCompleted(blocks);
    if (blocks.data.size() != lendati) {
        sink.dataLengthWrong();
        return;
    }
    if (!stato) {
        for (HistogramKind kind : kHistogramKinds)
            blocks.histogram(kind) = zeroHistogram();
    } else {
        for (HistogramKind kind : kHistogramKinds) {
            if (blocks.histogram(kind).size() != lengraf) {
                blocks.histogram(kind) = zeroHistogram();
                sink.histogramLengthWrong();
            }
        }
    }
    const BlockStrings record = blocks;
    sink.registra(record);
}

}  // namespace zv
