#pragma once
// One analysed sample as the program keeps it: who and what, when, the
// blood-count values, the analyser's alarm flags and four histograms. A field
// that holds nothing (NULL in the database) is an empty optional, so a reader
// can tell "not measured" from zero.
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

#include "model/resultfields.h"

namespace zv {

using OptionalText = std::optional<QString>;

// The nineteen blood-count parameters in report order.
enum class ResultParameter {
    WBC,
    neu,
    lym,
    mono,
    eos,
    baso,
    bandati,
    RBC,
    HGB,
    HCT,
    MCV,
    MCH,
    MCHC,
    RDW,
    ret,
    PLT,
    MPV,
    PCT,
    PDW
};
constexpr int kParameterCount = 19;

enum class ParameterOrigin { Received, Derived, Typed };

// Every name under which the layers of the program know one parameter. An
// empty name means the parameter has no such thing (no absolute count, no
// calibration factor).
struct ParameterInfo {
    ResultParameter parameter;
    QString field;  // in datiQgrafici: "WBC", "neu%" ...
    QString low, high;
    QString countLow, countHigh;  // absolute white-cell counts
    QString calibrationKey;
    QString reportMember;  // s_wbc ...; its limits add "L"/"H", its counts "cL"/"cH"
    ParameterOrigin origin;
};
const std::array<ParameterInfo, kParameterCount>& resultParameters();
const ParameterInfo& parameterInfo(ResultParameter parameter);

// Fails with error 5: a table that gives `found` parameters where `expected` are laid out.
[[noreturn]] void parameterCountMismatch(std::size_t found, std::size_t expected);

// The parameters `keep` picks, in the table's order, as an array of the size
// the caller lays out (boxes, factors); any other count fails with error 5.
template <std::size_t N, class Pred>
std::array<ResultParameter, N> parametersWhere(Pred keep) {
    std::array<ResultParameter, N> out{};
    std::size_t n = 0;
    for (const ParameterInfo& p : resultParameters())
        if (keep(p)) {
            if (n < N)
                out[n] = p.parameter;
            ++n;
        }
    if (n != N)
        parameterCountMismatch(n, N);
    return out;
}

// The analyser's flags. Each holds the flag as received (text), "0" in a typed
// result; 1 raises the flag.
struct AlarmFlags {
    OptionalText DFLT, Blast, VarLym, IG, Band, NRBC, NWBC, RRBC, LRI, URI, RbcError, WicError;
    std::optional<int> SamplError;

    // The text flags with their field names, in stored order.
    static const std::array<std::pair<QString, OptionalText AlarmFlags::*>, 12>& textFlags();
    bool operator==(const AlarmFlags&) const = default;
};

// The 53 channels of one kind, in ascending channel order (002 ... 230), as
// stored: received three-digit text, "0" when typed, empty when never written.
struct Histogram {
    std::array<OptionalText, 53> channels;

    // Channel by its number (2, 6 ... 230); fails with error 5 for a number
    // that is not a channel.
    OptionalText& channel(int number);
    const OptionalText& channel(int number) const;
    bool operator==(const Histogram&) const = default;
};

struct ResultRecord {
    int64_t ID1 = 0;  // assigned by the database; 0 for a result not stored yet
    OptionalText seq, specId, specName, sesso, DdN, note, date;
    std::optional<int> Limits;
    std::array<std::optional<double>, kParameterCount> values;
    AlarmFlags flags;
    std::array<Histogram, 4> histograms;  // in kHistogramKinds order

    std::optional<double>& value(ResultParameter p) { return values[static_cast<std::size_t>(p)]; }
    const std::optional<double>& value(ResultParameter p) const { return values[static_cast<std::size_t>(p)]; }
    Histogram& histogram(HistogramKind kind) { return histograms[static_cast<std::size_t>(kind)]; }
    const Histogram& histogram(HistogramKind kind) const { return histograms[static_cast<std::size_t>(kind)]; }
    bool operator==(const ResultRecord&) const = default;
};

// Applies `text(name, member)`, `number(name, member)` or `whole(name, member)`
// to every stored field of a record but ID1: the identification, the
// parameters in report order, the flags, Limits, SamplError, then the 212
// channels. The store reads and writes through this walk and every list of
// result columns is made from it, so a field added here is stored, read,
// rolled over and transferred alike.
template <class Record, class TextFn, class NumberFn, class WholeFn>
void forEachStoredField(Record& r, TextFn&& text, NumberFn&& number, WholeFn&& whole) {
    text(QStringLiteral("seq"), r.seq);
    text(QStringLiteral("specId"), r.specId);
    text(QStringLiteral("specName"), r.specName);
    text(QStringLiteral("sesso"), r.sesso);
    text(QStringLiteral("DdN"), r.DdN);
    text(QStringLiteral("note"), r.note);
    text(QStringLiteral("date"), r.date);
    for (const ParameterInfo& p : resultParameters())
        number(p.field, r.values[static_cast<std::size_t>(p.parameter)]);
    for (const auto& [name, member] : AlarmFlags::textFlags())
        text(name, r.flags.*member);
    whole(QStringLiteral("Limits"), r.Limits);
    whole(QStringLiteral("SamplError"), r.flags.SamplError);
    // The field names made once, in the order of the kinds and their channels.
    const QStringList& fields = allChannelFields();
    for (std::size_t k = 0; k < kHistogramKinds.size(); ++k) {
        auto& channels = r.histograms[k].channels;
        for (std::size_t c = 0; c < channels.size(); ++c)
            text(fields[qsizetype(k * channels.size() + c)], channels[c]);
    }
}

}  // namespace zv
