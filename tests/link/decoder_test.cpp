#include "link/decoder.h"

#include "model/instrument.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "support/transmission.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>

// Readable failure messages for the texts compared below.
static void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace zv {
namespace {

using test::dataBlock;
using test::normalSample;
using test::SampleValues;

constexpr std::array<InstrumentModel, 4> kModels{InstrumentModel::CD3000, InstrumentModel::CD3200,
                                                 InstrumentModel::CD3500, InstrumentModel::CD3700};

const QChar kStx(2);
const QChar kEtx(3);

CalibrationFactors human(const QString&) { return CalibrationFactors{}; }

using P = ResultParameter;

ResultRecord decode(InstrumentModel model, const SampleValues& sample,
                    const std::function<CalibrationFactors(const QString&)>& factorsFor = human) {
    return decodeDataBlock(dataBlock(model, sample), model, factorsFor);
}

// The seventeen values in the order the store writes them, as short texts, so a
// whole result is compared in one readable line.
QString valuesText(const ResultRecord& r) {
    const std::pair<const char*, P> values[] = {
        {"WBC", P::WBC},   {"RBC", P::RBC}, {"HGB", P::HGB},   {"HCT", P::HCT}, {"MCV", P::MCV},  {"MCH", P::MCH},
        {"MCHC", P::MCHC}, {"RDW", P::RDW}, {"PLT", P::PLT},   {"MPV", P::MPV}, {"PCT", P::PCT},  {"PDW", P::PDW},
        {"neu", P::neu},   {"lym", P::lym}, {"mono", P::mono}, {"eos", P::eos}, {"baso", P::baso}};
    QStringList parts;
    for (const auto& [name, parameter] : values) {
        const std::optional<double> value = r.value(parameter);
        parts << QStringLiteral("%1 %2").arg(QLatin1String(name),
                                             value ? numberText(*value, QLatin1Char('.')) : QStringLiteral("unset"));
    }
    return parts.join(QStringLiteral(", "));
}

// A flag's text by its position in the stored order.
const OptionalText& flagAt(const ResultRecord& r, std::size_t i) {
    return r.flags.*(AlarmFlags::textFlags()[i].second);
}
QString flagName(std::size_t i) { return AlarmFlags::textFlags()[i].first; }

// The error number `action` failed with, or nullopt when it succeeded.
std::optional<int32_t> failure(const std::function<void()>& action) {
    try {
        action();
    } catch (const AppError& e) {
        return e.number();
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Models and calibration factors

TEST(InstrumentModel, TextSelectsAModelOnlyWhenItMatchesExactly) {
    const std::pair<const char*, std::optional<InstrumentModel>> cases[] = {
        {"CD3000", InstrumentModel::CD3000},
        {"CD3200", InstrumentModel::CD3200},
        {"CD3500", InstrumentModel::CD3500},
        {"CD3700", InstrumentModel::CD3700},
        {"cd3500", std::nullopt},
        {"CD3500 ", std::nullopt},
        {" CD3000", std::nullopt},
        {"", std::nullopt},
        {"CD3100", std::nullopt},
    };
    for (const auto& [text, model] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(instrumentFromText(QString::fromLatin1(text)), model);
    }
    for (InstrumentModel model : kModels)
        EXPECT_EQ(instrumentFromText(instrumentText(model)), model);
}

TEST(InstrumentModel, BlockCountAndLengthKeysFollowTheModel) {
    EXPECT_EQ(blockCount(InstrumentModel::CD3000), 5);
    EXPECT_EQ(blockCount(InstrumentModel::CD3200), 6);
    EXPECT_EQ(blockCount(InstrumentModel::CD3500), 6);
    EXPECT_EQ(blockCount(InstrumentModel::CD3700), 6);
    EXPECT_EQ(lengthKeySuffix(InstrumentModel::CD3000), QStringLiteral("3000"));
    EXPECT_EQ(lengthKeySuffix(InstrumentModel::CD3200), QStringLiteral("3200"));
    EXPECT_EQ(lengthKeySuffix(InstrumentModel::CD3500), QStringLiteral("3500"));
    EXPECT_EQ(lengthKeySuffix(InstrumentModel::CD3700), QStringLiteral("3500"));
}

TEST(CalibrationFactors, TextsAreReadWithTheConfiguredMark) {
    std::array<QString, kFactorCount> texts;
    for (int i = 0; i < kFactorCount; ++i)
        texts[static_cast<std::size_t>(i)] = QStringLiteral("1,%1").arg(i, 2, 10, QLatin1Char('0'));
    const CalibrationFactors factors = factorsFromTexts(texts, QLatin1Char(','));
    EXPECT_DOUBLE_EQ(factors.of(P::WBC), 1.00);
    EXPECT_DOUBLE_EQ(factors.of(P::baso), 1.05);
    EXPECT_DOUBLE_EQ(factors.of(P::RBC), 1.06);
    EXPECT_DOUBLE_EQ(factors.of(P::PDW), 1.12);
    EXPECT_EQ(calibrationKeys()[0], QStringLiteral("wbc"));
    EXPECT_EQ(calibrationKeys()[12], QStringLiteral("pdw"));

    for (const char* bad : {"", "  ", "abc", "1.2.3"}) {
        SCOPED_TRACE(bad);
        texts[7] = QString::fromLatin1(bad);
        EXPECT_EQ(failure([&] { factorsFromTexts(texts, QLatin1Char('.')); }), err::TypeMismatch);
    }
}

// ---------------------------------------------------------------------------
// The wire format the generator produces, which the end-to-end tests rely on

TEST(DataBlock, GeneratedBlocksHaveTheModelsLengthAndCommaPositions) {
    for (InstrumentModel model : kModels) {
        SCOPED_TRACE(instrumentText(model).toStdString());
        const DataBlockLayout& layout = dataBlockLayout(model);
        const QString block = dataBlock(model, normalSample(model));
        ASSERT_EQ(block.size(), layout.blockLength);
        EXPECT_TRUE(block.startsWith(QString(kStx) + QStringLiteral("   ,")));
        EXPECT_EQ(block.back(), kEtx);
        EXPECT_EQ(block[layout.headLength - 1], QLatin1Char(','));  // the identifier starts the stretch
        for (int p : layout.commaPositions)
            EXPECT_EQ(block[p - 1], QLatin1Char(',')) << "position " << p;
        EXPECT_EQ(layout.headLength + (layout.stretchLast - layout.stretchFirst + 1) + layout.tailLength,
                  layout.blockLength);
        // One element beyond the highest read carries the padding and ETX.
        EXPECT_EQ(dataBlockElements(block, model).size(), layout.highestElement + 2);
    }
}

// ---------------------------------------------------------------------------
// Decoding per model

struct ModelCase {
    const char* name;
    InstrumentModel model;
    std::function<void(SampleValues&)> edit;
    int32_t seq;
    const char* specId;
    const char* specName;
    const char* values;
};

TEST(DecodeDataBlock, EachLayoutFeedsItsFields) {
    const ModelCase cases[] = {
        {"CD3500 normal adult", InstrumentModel::CD3500, [](SampleValues&) {}, 42, "0123", "ROSSI MARIO",
         "WBC 7.46, RBC 4.52, HGB 13.6, HCT 40.5, MCV 89.6, MCH 30, MCHC 33.5, RDW 13.2, PLT 254, MPV 8.47, "
         "PCT 0.215, PDW 16.1, neu 58.3, lym 30.1, mono 7.2, eos 3.4, baso 1"},
        {"CD3000 whole numbers in tenths", InstrumentModel::CD3000,
         [](SampleValues& s) {
             s.wbc = "0085";
             s.rbc = "0450";
             s.hgb = "134";
             s.mcv = "896";
             s.plt = "250";
         },
         42, "0123", "ROSSI MARIO",
         // PCT 250 x 8.5 / 10000 = 0.2125 is a tie: to the even 0.212.
         "WBC 8.5, RBC 4.5, HGB 13.4, HCT 40.3, MCV 89.6, MCH 29.8, MCHC 33.3, RDW 13.2, PLT 250, MPV 8.5, "
         "PCT 0.212, PDW 16.1, neu 58.3, lym 30.1, mono 7.2, eos 3.4, baso 1"},
        {"CD3200 with its long name and wide sequence number", InstrumentModel::CD3200,
         [](SampleValues& s) {
             s.seq = "  1234567";
             s.specId = "  ID-7";
             s.specName = "A VERY LONG PATIENT NAME  XY";
             s.wbc = " 5.21";
             s.rbc = "5.105";
             s.hgb = "15.25";
             s.mcv = " 92.3";
             s.plt = "45.67";
             s.mpv = "10.46";
         },
         1234567, "  ID-7", "A VERY LONG PATIENT NAME  XY",
         "WBC 5.21, RBC 5.1, HGB 15.2, HCT 47.1, MCV 92.3, MCH 29.9, MCHC 32.4, RDW 13.2, PLT 45.7, MPV 10.5, "
         "PCT 0.048, PDW 16.1, neu 58.3, lym 30.1, mono 7.2, eos 3.4, baso 1"},
    };
    for (const ModelCase& c : cases) {
        SCOPED_TRACE(c.name);
        SampleValues sample = normalSample(c.model);
        c.edit(sample);
        const ResultRecord r = decode(c.model, sample);
        EXPECT_EQ(r.seq, QString::number(c.seq));
        EXPECT_EQ(r.specId, QString::fromLatin1(c.specId));
        EXPECT_EQ(r.specName, QString::fromLatin1(c.specName));
        EXPECT_EQ(valuesText(r), QString::fromLatin1(c.values));
    }
}

// Every field a record sets, in the store's order, as one line.
QString storedText(const ResultRecord& r) {
    QStringList out;
    forEachStoredField(
        r,
        [&](const QString& f, const OptionalText& v) {
            if (v)
                out << f + QLatin1Char('=') + *v;
        },
        [&](const QString& f, const std::optional<double>& v) {
            if (v)
                out << f + QLatin1Char('=') + numberText(*v, QLatin1Char('.'));
        },
        [&](const QString& f, const std::optional<int>& v) {
            if (v)
                out << f + QLatin1Char('=') + QString::number(*v);
        });
    return out.join(QStringLiteral("; "));
}

// The record of each model's block is, field for field, what the receiver
// stored for it before it took the decoder's record as it comes.
TEST(DecodeDataBlock, EachModelsRecordIsWhatTheReceiverStores) {
    const std::pair<InstrumentModel, const char*> cases[] = {
        {InstrumentModel::CD3000,
         "seq=42; specId=0123; specName=ROSSI MARIO; WBC=7.5; neu%=58.3; lym%=30.1; mono%=7.2; eos%=3.4; baso%=1; "
         "RBC=4.52; HGB=13.6; HCT=40.5; MCV=89.6; MCH=30.1; MCHC=33.6; RDW=13.2; PLT=254; MPV=8.5; PCT=0.216; "
         "PDW=16.1; DFLT=1; Blast=2; VarLym=3; IG=4; Band=5; NRBC=6; NWBC=0; RRBC=0; LRI=9; URI=10; RbcError=11; "
         "WicError=0; Limits=4; SamplError=1"},
        {InstrumentModel::CD3200,
         "seq=42; specId=0123; specName=ROSSI MARIO; WBC=7.46; neu%=58.3; lym%=30.1; mono%=7.2; eos%=3.4; baso%=1; "
         "RBC=4.52; HGB=13.6; HCT=40.5; MCV=89.6; MCH=30; MCHC=33.5; RDW=13.2; PLT=254; MPV=8.47; PCT=0.215; "
         "PDW=16.1; DFLT=1; Blast=2; VarLym=3; IG=4; Band=5; NRBC=6; NWBC=7; RRBC=8; LRI=9; URI=10; RbcError=11; "
         "WicError=12; Limits=4; SamplError=1"},
        {InstrumentModel::CD3500,
         "seq=42; specId=0123; specName=ROSSI MARIO; WBC=7.46; neu%=58.3; lym%=30.1; mono%=7.2; eos%=3.4; baso%=1; "
         "RBC=4.52; HGB=13.6; HCT=40.5; MCV=89.6; MCH=30; MCHC=33.5; RDW=13.2; PLT=254; MPV=8.47; PCT=0.215; "
         "PDW=16.1; DFLT=1; Blast=2; VarLym=3; IG=4; Band=5; NRBC=6; NWBC=7; RRBC=8; LRI=9; URI=10; RbcError=11; "
         "WicError=12; Limits=4; SamplError=1"},
        {InstrumentModel::CD3700,
         "seq=42; specId=0123; specName=ROSSI MARIO; WBC=7.46; neu%=58.3; lym%=30.1; mono%=7.2; eos%=3.4; baso%=1; "
         "RBC=4.52; HGB=13.6; HCT=40.5; MCV=89.6; MCH=30; MCHC=33.5; RDW=13.2; PLT=254; MPV=8.47; PCT=0.215; "
         "PDW=16.1; DFLT=1; Blast=2; VarLym=3; IG=4; Band=5; NRBC=6; NWBC=7; RRBC=8; LRI=9; URI=10; RbcError=11; "
         "WicError=12; Limits=4; SamplError=1"},
    };
    for (const auto& [model, stored] : cases) {
        SCOPED_TRACE(instrumentText(model).toStdString());
        SampleValues sample = normalSample(model);
        sample.flags = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"};
        sample.limits = "4";
        sample.samplError = "1";
        EXPECT_EQ(storedText(decode(model, sample)), QString::fromLatin1(stored));
    }
}

TEST(DecodeDataBlock, Cd3700DecodesExactlyLikeCd3500) {
    SampleValues sample;
    sample.flags = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"};
    sample.limits = "4";
    const QString block = dataBlock(InstrumentModel::CD3500, sample);
    EXPECT_EQ(dataBlock(InstrumentModel::CD3700, sample), block);
    const ResultRecord a = decodeDataBlock(block, InstrumentModel::CD3500, human);
    const ResultRecord b = decodeDataBlock(block, InstrumentModel::CD3700, human);
    EXPECT_EQ(valuesText(b), valuesText(a));
    EXPECT_EQ(b.seq, a.seq);
    EXPECT_EQ(b.specId, a.specId);
    EXPECT_EQ(b.specName, a.specName);
    EXPECT_EQ(b.flags, a.flags);
    EXPECT_EQ(b.Limits, a.Limits);
    EXPECT_EQ(b.flags.SamplError, a.flags.SamplError);
}

// Each flag at its element: distinct texts show that none is taken from its neighbour
// (the CD3200 sends WicError before RbcError).
TEST(DecodeDataBlock, FlagsAreTheTextAsReceived) {
    const std::array<QString, 12> sent{" 1", "2", "3 ", "4", "5", "6", "7", "8", "9", "?", "11", "12"};
    for (InstrumentModel model : kModels) {
        SCOPED_TRACE(instrumentText(model).toStdString());
        SampleValues sample = normalSample(model);
        sample.flags = sent;
        sample.limits = " 3";
        sample.samplError = "1";
        const ResultRecord r = decode(model, sample);
        for (std::size_t i = 0; i < sent.size(); ++i) {
            SCOPED_TRACE(flagName(i).toStdString());
            const bool absent = model == InstrumentModel::CD3000 &&
                                (flagName(i) == "NWBC" || flagName(i) == "RRBC" || flagName(i) == "WicError");
            EXPECT_EQ(flagAt(r, i), absent ? QStringLiteral("0") : sent[i]);
        }
        EXPECT_EQ(r.Limits, 3);
        EXPECT_EQ(r.flags.SamplError, 1);
    }
}

TEST(DecodeDataBlock, Cd3000FlagsItDoesNotSendAreZeroWhateverTheBlockHolds) {
    SampleValues sample = normalSample(InstrumentModel::CD3000);
    QString block = dataBlock(InstrumentModel::CD3000, sample);
    // Every "0" filler of the tail made "1": no element feeds NWBC, RRBC or WicError.
    const int tailStart =
        dataBlockLayout(InstrumentModel::CD3000).blockLength - dataBlockLayout(InstrumentModel::CD3000).tailLength;
    QStringList tail = block.mid(tailStart).split(QLatin1Char(','));
    for (QString& element : tail)
        if (element == QLatin1String("0"))
            element = QStringLiteral("1");
    block = block.left(tailStart) + tail.join(QLatin1Char(','));
    const ResultRecord r = decodeDataBlock(block, InstrumentModel::CD3000, human);
    EXPECT_EQ(r.flags.NWBC, QStringLiteral("0"));
    EXPECT_EQ(r.flags.RRBC, QStringLiteral("0"));
    EXPECT_EQ(r.flags.WicError, QStringLiteral("0"));
}

// ---------------------------------------------------------------------------
// Rounding

struct RoundingCase {
    InstrumentModel model;
    QString SampleValues::*sent;
    const char* text;
    ResultParameter field;
    double expected;
};

TEST(DecodeDataBlock, EachValueRoundsByItsCascade) {
    using M = InstrumentModel;
    using S = SampleValues;
    const RoundingCase cases[] = {
        // WBC: 3 decimals, 2 between 1 and 10, 1 above 10, none above 100.
        {M::CD3500, &S::wbc, "0.4567", P::WBC, 0.457},
        {M::CD3500, &S::wbc, "1.000", P::WBC, 1},
        {M::CD3500, &S::wbc, "7.456", P::WBC, 7.46},
        {M::CD3500, &S::wbc, "9.996", P::WBC, 10},
        {M::CD3500, &S::wbc, "10.000", P::WBC, 10},
        {M::CD3500, &S::wbc, "12.25", P::WBC, 12.2},
        {M::CD3500, &S::wbc, "12.35", P::WBC, 12.4},
        {M::CD3500, &S::wbc, "99.96", P::WBC, 100},
        {M::CD3500, &S::wbc, "150.6", P::WBC, 151},
        {M::CD3500, &S::wbc, "250.5", P::WBC, 250},
        {M::CD3500, &S::wbc, "251.5", P::WBC, 252},
        {M::CD3000, &S::wbc, "1506", P::WBC, 151},
        {M::CD3000, &S::wbc, "0007", P::WBC, 0.7},
        // RBC: 3 decimals, then 2 above 1 (on the CD3000 in hundredths).
        {M::CD3500, &S::rbc, "0.4567", P::RBC, 0.457},
        {M::CD3500, &S::rbc, "4.5255", P::RBC, 4.53},
        {M::CD3500, &S::rbc, "1.0005", P::RBC, 1},
        {M::CD3000, &S::rbc, "0452", P::RBC, 4.52},
        // HGB: 2 decimals, then 1 above 10.
        {M::CD3500, &S::hgb, "9.875", P::HGB, 9.88},
        {M::CD3500, &S::hgb, "9.995", P::HGB, 10},
        {M::CD3500, &S::hgb, "13.65", P::HGB, 13.6},
        {M::CD3000, &S::hgb, "136", P::HGB, 13.6},
        // MCV, RDW, PDW: 1 decimal.
        {M::CD3500, &S::mcv, "89.65", P::MCV, 89.6},
        {M::CD3500, &S::rdw, "14.05", P::RDW, 14},
        {M::CD3500, &S::pdw, "15.95", P::PDW, 16},
        {M::CD3000, &S::pdw, "161", P::PDW, 16.1},
        // PLT: 2 decimals, 1 between 10 and 100, none above 100; no divisor on the CD3000.
        {M::CD3500, &S::plt, "9.876", P::PLT, 9.88},
        {M::CD3500, &S::plt, "10.005", P::PLT, 10},
        {M::CD3500, &S::plt, "45.67", P::PLT, 45.7},
        {M::CD3500, &S::plt, "99.96", P::PLT, 100},
        {M::CD3500, &S::plt, "254.3", P::PLT, 254},
        {M::CD3500, &S::plt, "250.5", P::PLT, 250},
        {M::CD3000, &S::plt, "254", P::PLT, 254},
        {M::CD3000, &S::plt, "0045", P::PLT, 45},
        // MPV and the differential: 2 decimals, then 1 above 10.
        {M::CD3500, &S::mpv, "8.475", P::MPV, 8.48},
        {M::CD3500, &S::mpv, "10.25", P::MPV, 10.2},
        {M::CD3500, &S::mpv, "10.46", P::MPV, 10.5},
        {M::CD3000, &S::mpv, "085", P::MPV, 8.5},
        {M::CD3500, &S::neu, "62.35", P::neu, 62.4},
        {M::CD3500, &S::lym, "9.125", P::lym, 9.12},
        {M::CD3500, &S::mono, "10.00", P::mono, 10},
        {M::CD3500, &S::eos, "10.05", P::eos, 10},
        {M::CD3500, &S::baso, "0.995", P::baso, 1},
        {M::CD3000, &S::neu, "583", P::neu, 58.3},
        // The three placeholders read as 0.
        {M::CD3500, &S::wbc, "-----", P::WBC, 0},
        {M::CD3500, &S::wbc, ">>>>>", P::WBC, 0},
        {M::CD3500, &S::plt, "<<<<<", P::PLT, 0},
        {M::CD3000, &S::baso, "-----", P::baso, 0},
    };
    for (const RoundingCase& c : cases) {
        SCOPED_TRACE(instrumentText(c.model).toStdString() + " " + c.text);
        SampleValues sample = normalSample(c.model);
        sample.*c.sent = QString::fromLatin1(c.text);
        EXPECT_EQ(decode(c.model, sample).value(c.field), c.expected);
    }
}

struct DerivedCase {
    const char* name;
    std::function<void(SampleValues&)> edit;
    const char* values;
};

TEST(DecodeDataBlock, DerivedIndicesUseTheValuesAtTheirStepOfTheCascade) {
    const DerivedCase cases[] = {
        {"an RBC that rounds to 0 guards MCH and, through HCT, MCHC", [](SampleValues& s) { s.rbc = "0.0004"; },
         "WBC 7.46, RBC 0, HGB 13.6, HCT 0, MCV 89.6, MCH 0, MCHC 0, RDW 13.2, PLT 254, MPV 8.47, "
         "PCT 0.215, PDW 16.1, neu 58.3, lym 30.1, mono 7.2, eos 3.4, baso 1"},
        {"an RBC placeholder", [](SampleValues& s) { s.rbc = "-----"; },
         "WBC 7.46, RBC 0, HGB 13.6, HCT 0, MCV 89.6, MCH 0, MCHC 0, RDW 13.2, PLT 254, MPV 8.47, "
         "PCT 0.215, PDW 16.1, neu 58.3, lym 30.1, mono 7.2, eos 3.4, baso 1"},
        {"a PLT placeholder gives PCT 0", [](SampleValues& s) { s.plt = "-----"; },
         "WBC 7.46, RBC 4.52, HGB 13.6, HCT 40.5, MCV 89.6, MCH 30, MCHC 33.5, RDW 13.2, PLT 0, MPV 8.47, "
         "PCT 0, PDW 16.1, neu 58.3, lym 30.1, mono 7.2, eos 3.4, baso 1"},
        {"PLT over range", [](SampleValues& s) { s.plt = ">>>>>"; },
         "WBC 7.46, RBC 4.52, HGB 13.6, HCT 40.5, MCV 89.6, MCH 30, MCHC 33.5, RDW 13.2, PLT 0, MPV 8.47, "
         "PCT 0, PDW 16.1, neu 58.3, lym 30.1, mono 7.2, eos 3.4, baso 1"},
        // 10 / 15.005 would give 66.6; the rounded HCT 15 gives 66.7.
        {"MCHC from the rounded HCT",
         [](SampleValues& s) {
             s.rbc = "3.001";
             s.mcv = "50.0";
             s.hgb = "10.00";
         },
         "WBC 7.46, RBC 3, HGB 10, HCT 15, MCV 50, MCH 33.3, MCHC 66.7, RDW 13.2, PLT 254, MPV 8.47, "
         "PCT 0.215, PDW 16.1, neu 58.3, lym 30.1, mono 7.2, eos 3.4, baso 1"},
        // RBC 1.005 becomes 1 (tie to even) only after MCH has used it.
        {"MCH from RBC at three decimals",
         [](SampleValues& s) {
             s.rbc = "1.005";
             s.mcv = "90.0";
             s.hgb = "3.000";
         },
         "WBC 7.46, RBC 1, HGB 3, HCT 9, MCV 90, MCH 29.9, MCHC 33.3, RDW 13.2, PLT 254, MPV 8.47, "
         "PCT 0.215, PDW 16.1, neu 58.3, lym 30.1, mono 7.2, eos 3.4, baso 1"},
        // HGB 13.65 becomes 13.6 only after MCH has used it.
        {"MCH from HGB at two decimals",
         [](SampleValues& s) {
             s.rbc = "4.550";
             s.mcv = "90.0";
             s.hgb = "13.65";
         },
         "WBC 7.46, RBC 4.55, HGB 13.6, HCT 41, MCV 90, MCH 30, MCHC 33.3, RDW 13.2, PLT 254, MPV 8.47, "
         "PCT 0.215, PDW 16.1, neu 58.3, lym 30.1, mono 7.2, eos 3.4, baso 1"},
        // 1000.5 x 12.45 / 10000 would give 1.246.
        {"PCT from PLT and MPV after their cascades",
         [](SampleValues& s) {
             s.plt = "1000.5";
             s.mpv = "12.45";
         },
         "WBC 7.46, RBC 4.52, HGB 13.6, HCT 40.5, MCV 89.6, MCH 30, MCHC 33.5, RDW 13.2, PLT 1000, MPV 12.4, "
         "PCT 1.24, PDW 16.1, neu 58.3, lym 30.1, mono 7.2, eos 3.4, baso 1"},
    };
    for (const DerivedCase& c : cases) {
        SCOPED_TRACE(c.name);
        SampleValues sample;
        c.edit(sample);
        EXPECT_EQ(valuesText(decode(InstrumentModel::CD3500, sample)), QString::fromLatin1(c.values));
    }
}

// ---------------------------------------------------------------------------
// Species factors

TEST(DecodeDataBlock, FactorsAreAskedOnceWithTheSanitisedTrimmedName) {
    const std::tuple<InstrumentModel, const char*, const char*> cases[] = {
        {InstrumentModel::CD3500, "O'NEIL", "O_NEIL"},
        {InstrumentModel::CD3500, "rex   ", "rex"},
        {InstrumentModel::CD3500, "  CANE", "  CANE"},
        {InstrumentModel::CD3500, "", ""},
        {InstrumentModel::CD3200, "A/B", "A_B"},
        {InstrumentModel::CD3200, "GATTO EUROPEO 100%", "GATTO EUROPEO 100_"},
        {InstrumentModel::CD3000, "CAVALLO!", "CAVALLO_"},
        {InstrumentModel::CD3700, "D$G?", "D_G_"},
    };
    for (const auto& [model, name, key] : cases) {
        SCOPED_TRACE(name);
        SampleValues sample = normalSample(model);
        sample.specName = QString::fromLatin1(name);
        QStringList asked;
        const ResultRecord r = decode(model, sample, [&](const QString& k) {
            asked << k;
            return CalibrationFactors{};
        });
        EXPECT_EQ(asked, QStringList{QString::fromLatin1(key)});
        EXPECT_EQ(r.specName, QString::fromLatin1(key));
        EXPECT_EQ(speciesKey(dataBlockElements(dataBlock(model, sample), model), model), QString::fromLatin1(key));
    }
}

TEST(DecodeDataBlock, EachFactorScalesItsValueBeforeRounding) {
    CalibrationFactors dog;
    dog.value = {2, 0.5, 2, 0.5, 2, 3, 1.1, 1.2, 0.9, 1.5, 2, 0.5, 2};
    auto factorsFor = [&](const QString& key) { return key == QLatin1String("CANE") ? dog : CalibrationFactors{}; };

    SampleValues sample;
    sample.specName = "CANE";
    // WBC 7.456 x 2 = 14.912 gives 14.9 (7.46 x 2 would give 14.92 and then 14.9 too,
    // but PLT 254.3 x 2 = 508.6 gives 509 where 254 x 2 would give 508).
    EXPECT_EQ(valuesText(decode(InstrumentModel::CD3500, sample, factorsFor)),
              "WBC 14.9, RBC 4.98, HGB 16.3, HCT 40.1, MCV 80.6, MCH 32.7, MCHC 40.6, RDW 19.8, PLT 509, "
              "MPV 4.24, PCT 0.216, PDW 32.2, neu 29.2, lym 60.2, mono 3.6, eos 6.8, baso 3");

    sample.specName = "ROSSI MARIO";
    EXPECT_EQ(valuesText(decode(InstrumentModel::CD3500, sample, factorsFor)),
              "WBC 7.46, RBC 4.52, HGB 13.6, HCT 40.5, MCV 89.6, MCH 30, MCHC 33.5, RDW 13.2, PLT 254, MPV 8.47, "
              "PCT 0.215, PDW 16.1, neu 58.3, lym 30.1, mono 7.2, eos 3.4, baso 1");

    // On the CD3000 the factor applies before the divisor: 0085 x 3 / 10.
    SampleValues cd3000 = normalSample(InstrumentModel::CD3000);
    cd3000.wbc = "0085";
    cd3000.specName = "CANE";
    dog.value[0] = 3;
    EXPECT_EQ(decode(InstrumentModel::CD3000, cd3000, factorsFor).value(P::WBC), 25.5);
}

// ---------------------------------------------------------------------------
// Text fields and sanitising

TEST(DataBlockElements, TextFieldsAreSanitisedWithoutShiftingElements) {
    for (InstrumentModel model : kModels) {
        SCOPED_TRACE(instrumentText(model).toStdString());
        SampleValues sample = normalSample(model);
        sample.specId = "A,B/C";
        sample.specName = "O'NEIL\\$!?%";
        const ResultRecord r = decode(model, sample);
        EXPECT_EQ(r.specId, QStringLiteral("A_B_C"));
        EXPECT_EQ(r.specName, QStringLiteral("O_NEIL_____"));
        EXPECT_EQ(valuesText(r), valuesText(decode(model, normalSample(model))));
    }
}

TEST(DataBlockElements, ControlCharactersInTextFieldsBecomeUnderscores) {
    // Every code from 0x00 to 0x1F, NUL included, wherever it falls in the two fields.
    const QString nul(QChar(0));
    const QString bell(QChar(7));
    const struct Case {
        const char* what;
        QString specId, specName, id, name;
    } cases[] = {
        {"NUL and BEL", QStringLiteral("01") + nul + QStringLiteral("23"), QStringLiteral("ROSSI") + bell + "MARIO",
         QStringLiteral("01_23"), QStringLiteral("ROSSI_MARIO")},
        {"only controls", nul + nul, QString(QChar(0x1F)) + QChar(0x01) + QChar(0x1B), QStringLiteral("__"),
         QStringLiteral("___")},
        {"tab, line feed, carriage return", QStringLiteral("A\tB"), QStringLiteral("C\nD\rE"), QStringLiteral("A_B"),
         QStringLiteral("C_D_E")},
        {"beside the other replaced characters", QStringLiteral("1/") + nul, QStringLiteral("O'") + bell + "%",
         QStringLiteral("1__"), QStringLiteral("O___")},
    };
    for (InstrumentModel model : kModels)
        for (const Case& c : cases) {
            SCOPED_TRACE(instrumentText(model).toStdString() + ": " + c.what);
            SampleValues sample = normalSample(model);
            sample.specId = c.specId;
            sample.specName = c.specName;
            const ResultRecord r = decode(model, sample);
            EXPECT_EQ(r.specId, c.id);
            EXPECT_EQ(r.specName, c.name);
            EXPECT_EQ(valuesText(r), valuesText(decode(model, normalSample(model))));
        }

    // At a comma position a control character goes too, and the cut still does
    // not happen there.
    const QString good = dataBlock(InstrumentModel::CD3500, SampleValues{});
    QString block = good;
    block[27 - 1] = QChar(0);
    const QStringList before = dataBlockElements(good, InstrumentModel::CD3500);
    const QStringList after = dataBlockElements(block, InstrumentModel::CD3500);
    ASSERT_EQ(after.size(), before.size() - 1);
    EXPECT_EQ(after[4], before[4] + QLatin1Char('_') + before[5]);
}

TEST(DataBlockElements, LeadingBlanksStayAndOnlyTrailingBlanksGo) {
    SampleValues sample;
    sample.specId = "  0123";
    sample.specName = " BIANCHI  A";
    const ResultRecord r = decode(InstrumentModel::CD3500, sample);
    EXPECT_EQ(r.specId, QStringLiteral("  0123"));
    EXPECT_EQ(r.specName, QStringLiteral(" BIANCHI  A"));
}

TEST(DataBlockElements, ACharacterAtACommaPositionIsKeptAndShiftsTheRest) {
    const QString good = dataBlock(InstrumentModel::CD3500, SampleValues{});
    QString block = good;
    block[27 - 1] = QLatin1Char('%');
    const QStringList before = dataBlockElements(good, InstrumentModel::CD3500);
    const QStringList after = dataBlockElements(block, InstrumentModel::CD3500);
    EXPECT_EQ(after.size(), before.size() - 1);
    EXPECT_EQ(after[4], before[4] + QLatin1Char('%') + before[5]);
    EXPECT_EQ(after[5], before[6]);
    EXPECT_EQ(after.mid(5), before.mid(6));
}

TEST(DataBlockElements, HeadAndTailAreNeverSanitised) {
    QString block = dataBlock(InstrumentModel::CD3500, SampleValues{});
    ASSERT_EQ(block[12], QLatin1Char('A'));  // element 3, the last of the head
    block[12] = QLatin1Char('?');
    const QStringList elements = dataBlockElements(block, InstrumentModel::CD3500);
    EXPECT_EQ(elements[3], QStringLiteral("?"));

    SampleValues sample;
    sample.flags[0] = "$";  // DFLT lies in the tail
    EXPECT_EQ(decode(InstrumentModel::CD3500, sample).flags.DFLT, QStringLiteral("$"));
}

TEST(DataBlockElements, BlocksOfAnotherLengthAreJoinedPieceByPiece) {
    // A shorter block: the tail starts before the stretch ends and repeats its
    // characters unsanitised (the ETX that fell into the stretch was replaced there).
    const QString block = QString(kStx) + QStringLiteral("   ,0042,1,A,O'NEIL") + kEtx;
    const QStringList elements = dataBlockElements(block, InstrumentModel::CD3500);
    EXPECT_EQ(elements.join(QLatin1Char(',')), QString(kStx) + QStringLiteral("   ,0042,1,A,O_NEIL_") + QString(kStx) +
                                                   QStringLiteral("   ,0042,1,A,O'NEIL") + kEtx);
}

// ---------------------------------------------------------------------------
// Whole numbers and failures

TEST(DecodeDataBlock, SequenceNumberIsAThirtyTwoBitWholeNumber) {
    const std::tuple<InstrumentModel, const char*, int32_t> cases[] = {
        {InstrumentModel::CD3500, "0042", 42},       {InstrumentModel::CD3500, " 17 ", 17},
        {InstrumentModel::CD3000, "17.5", 18},       {InstrumentModel::CD3000, "16.5", 16},
        {InstrumentModel::CD3200, "32768", 32768},   {InstrumentModel::CD3200, "2147483647", 2147483647},
        {InstrumentModel::CD3200, "-32769", -32769},
    };
    for (const auto& [model, text, seq] : cases) {
        SCOPED_TRACE(text);
        SampleValues sample = normalSample(model);
        sample.seq = QString::fromLatin1(text);
        EXPECT_EQ(decode(model, sample).seq, QString::number(seq));
    }
}

struct FailureCase {
    const char* name;
    InstrumentModel model;
    std::function<void(SampleValues&)> edit;
    int32_t number;
};

TEST(DecodeDataBlock, AnUnreadableNumberFailsTheRecord) {
    using M = InstrumentModel;
    const FailureCase cases[] = {
        {"seq beyond 32 bits", M::CD3200, [](SampleValues& s) { s.seq = "2147483648"; }, err::Overflow},
        {"seq blank", M::CD3500, [](SampleValues& s) { s.seq = "    "; }, err::TypeMismatch},
        {"seq not a number", M::CD3000, [](SampleValues& s) { s.seq = "A12"; }, err::TypeMismatch},
        {"Limits beyond 16 bits", M::CD3500, [](SampleValues& s) { s.limits = "32768"; }, err::Overflow},
        {"Limits below 16 bits", M::CD3200, [](SampleValues& s) { s.limits = "-32769"; }, err::Overflow},
        {"SamplError beyond 16 bits", M::CD3000, [](SampleValues& s) { s.samplError = "40000"; }, err::Overflow},
        {"SamplError empty", M::CD3700, [](SampleValues& s) { s.samplError = ""; }, err::TypeMismatch},
        {"a value not a number", M::CD3500, [](SampleValues& s) { s.wbc = "7.4a6"; }, err::TypeMismatch},
        {"a four-dash placeholder", M::CD3500, [](SampleValues& s) { s.plt = "----"; }, err::TypeMismatch},
        {"an empty value", M::CD3200, [](SampleValues& s) { s.baso = ""; }, err::TypeMismatch},
        {"a blank value", M::CD3000, [](SampleValues& s) { s.hgb = "   "; }, err::TypeMismatch},
        {"two decimal marks", M::CD3500, [](SampleValues& s) { s.plt = "2.54.3"; }, err::TypeMismatch},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        SampleValues sample = normalSample(c.model);
        c.edit(sample);
        EXPECT_EQ(failure([&] { decode(c.model, sample); }), c.number);
    }
}

TEST(DecodeDataBlock, ABlockWithoutItsHighestElementFails) {
    for (InstrumentModel model : kModels) {
        SCOPED_TRACE(instrumentText(model).toStdString());
        QString block = dataBlock(model, normalSample(model));
        // Two commas fewer at the end: the last element read is now the padding.
        for (int n = 0; n < 2; ++n)
            block[block.lastIndexOf(QLatin1Char(','))] = QLatin1Char(' ');
        ASSERT_EQ(dataBlockElements(block, model).size(), dataBlockLayout(model).highestElement);
        bool asked = false;
        EXPECT_EQ(failure([&] {
                      decodeDataBlock(block, model, [&](const QString&) {
                          asked = true;
                          return CalibrationFactors{};
                      });
                  }),
                  err::InvalidCall);
        EXPECT_FALSE(asked);
        EXPECT_EQ(failure([&] { speciesKey(dataBlockElements(block, model), model); }), err::InvalidCall);
    }
    EXPECT_EQ(failure([] { decodeDataBlock(QString(), InstrumentModel::CD3500, human); }), err::InvalidCall);
}

TEST(DecodeDataBlock, AnOverflowingComputationFails) {
    SampleValues sample;
    sample.plt = "1e308";
    CalibrationFactors big;
    big.value[10] = 10;  // plt
    EXPECT_EQ(failure([&] { decode(InstrumentModel::CD3500, sample, [&](const QString&) { return big; }); }),
              err::Overflow);
}

}  // namespace
}  // namespace zv
