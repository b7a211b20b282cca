// Random bytes into the framer: it must not crash, its buffer must stay
// bounded, and it must complete the same records whether the bytes come in
// one read, one byte at a time, or in reads of varying size.
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/framer.h"

namespace {

struct Collector final : zv::FramerSink {
    zv::Framer* framer = nullptr;
    std::vector<zv::BlockStrings> stored;
    int dropped = 0;
    void showSegment(int) override {}
    void hideSegments() override {}
    void recordCompleted(const zv::BlockStrings&) override {}
    void dataLengthWrong() override {
        ++dropped;
        framer->svuota();
    }
    void histogramLengthWrong() override {}
    void bufferOverflow() override {}
    void registra(const zv::BlockStrings& record) override {
        stored.push_back(record);
        framer->svuota();
    }
};

struct Run {
    std::vector<zv::BlockStrings> stored;
    int dropped = 0;
};

// Lengths small enough that mutated seeds complete records often.
Run feed(const QString& text, const std::vector<int>& chunks) {
    zv::Framer framer;
    framer.val_finestringa = 6;
    framer.lendati = 40;
    framer.lengraf = 30;
    Collector sink;
    sink.framer = &framer;
    qsizetype at = 0;
    std::size_t i = 0;
    while (at < text.size()) {
        const int n = chunks.empty() ? int(text.size()) : chunks[i++ % chunks.size()];
        framer.receive(text.mid(at, n), sink);
        at += n;
        if (framer.buffer().size() > zv::Framer::kBufferLimit)
            std::abort();
    }
    return {sink.stored, sink.dropped};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > 16384)
        return 0;  // well under the buffer bound, where every chunking must agree
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    const Run whole = feed(text, {});
    const Run bytes = feed(text, {1});
    std::vector<int> varying;
    for (std::size_t i = 0; i < size && i < 16; ++i)
        varying.push_back(1 + data[i] % 64);
    const Run mixed = feed(text, varying);
    if (whole.stored != bytes.stored || whole.stored != mixed.stored)
        std::abort();
    if (whole.dropped != bytes.dropped || whole.dropped != mixed.dropped)
        std::abort();
    return 0;
}
