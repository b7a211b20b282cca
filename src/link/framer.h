#pragma once
// Framing of the analyser's blocks: text collected until ETX, filed by its
// marker, records completed and length-tested. Plain code: what it does to
// the screen and the logs goes through a FramerSink.
#include <QString>

#include <cstdint>

#include "model/resultfields.h"

namespace zv {

struct BlockStrings {
    QString data, wb1, wb2, rbc, plt;
    QString& histogram(HistogramKind kind);
    const QString& histogram(HistogramKind kind) const;
    void clear();
    bool operator==(const BlockStrings&) const = default;
};

class FramerSink {
public:
    virtual ~FramerSink() = default;
    virtual void showSegment(int index) = 0;  // one progress segment shown
    virtual void hideSegments() = 0;          // the whole progress bar hidden
    // A record completed: its block strings as filed, before any test.
    virtual void recordCompleted(const BlockStrings& asFiled) = 0;
    // The data block has the wrong length: the record is dropped.
    virtual void dataLengthWrong() = 0;
    // A histogram block had the wrong length and was replaced by zeros.
    virtual void histogramLengthWrong() = 0;
    // Text without ETX outgrew the receive buffer and was thrown away. Said
    // once for a run of noise: again only after a block has been filed since.
    virtual void bufferOverflow() = 0;
    // A length-tested record, ready to decode and store.
    virtual void registra(const BlockStrings& record) = 0;
};

class Framer {
public:
    // Text without ETX beyond this is noise, not a block in progress.
    static constexpr int kBufferLimit = 64 * 1024;

    // The block numbers: 1 data, 2 WB1, 3 WB2, 4 RBC, 5 PLT, 6 WIC or NOC.
    int16_t finestringa = 0;
    // The block that completes a record: the model's block count, or 1 in
    // data-logger mode. 0 completes nothing.
    int16_t val_finestringa = 0;
    int16_t lendati = 0;
    int16_t lengraf = 0;
    bool stato = true;  // instrument mode: histograms expected and tested

    // Data-logger mode: the data block alone completes a record and no
    // histogram is tested. Leaving it brings back the block that completed
    // a record when the mode was entered.
    void setDataLogger(bool on);

    BlockStrings blocks;

    // One receive event's text. Every ETX in the buffer closes a block, which
    // is filed and may complete a record, so a read may hold the end of one
    // block and the start of the next, or several blocks.
    void receive(const QString& chunk, FramerSink& sink);
    // Empties the five block strings (not the buffer or the counters).
    void svuota() { blocks.clear(); }
    // The progress bar starts again from its first segment.
    void resetProgress() { progress_ = 0; }

    int progress() const { return progress_; }
    const QString& buffer() const { return buffer_; }

private:
    void file(const QString& block);
    void completeIfDue(FramerSink& sink);

    QString buffer_;
    int progress_ = 0;
    int16_t instrumentBlock_ = 0;  // val_finestringa while data-logger mode is in force
    bool overflowTold_ = false;
};

}  // namespace zv
