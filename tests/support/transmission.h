#pragma once
// A simulated analyser: blocks built exactly as one of each model sends them,
// whole transmissions, and the faults a line or an analyser puts into them,
// for the decoder tests, end-to-end runs through a pseudo-terminal and the
// reception benchmarks alike.
//
// Data block: STX and three blanks, then the elements separated by commas, the
// text fields at their fixed widths and positions, the measured values and flags
// at the element numbers the model uses, unused elements filled with plausible
// numbers or "0", and a last element of blanks ending with ETX that brings the
// block to the model's length (CD3000 276, CD3200 444, CD3500 and CD3700 316).
//
// Histogram block: STX, the marker ("WB1", "WB2", "RBC", "PLT"), "00," and 67
// three-digit groups joined by commas, then ETX: 275 characters. The groups are
// numbered 0 to 66 like those of the zero histogram, and land in the channels
// as they do there:
//   channel NNN from 006 to 230 holds group (NNN + 6) / 4
//     (006 group 3, 010 group 4, 042 group 12, 046 group 13, 054 group 15, 230 group 59);
//   channel 002 of WB1 and WB2 holds group 12, the same as channel 042;
//   groups 0 to 2, 14, 22, 32, 49, 57 and 60 to 66 land in no channel.
#include <QByteArray>
#include <QString>

#include <array>

#include "model/instrument.h"
#include "model/resultfields.h"

namespace zv::test {

// One sample as the analyser prints it. Every text goes into the block as given;
// seq, specId and specName are left-aligned in their fixed-width fields and
// padded with blanks (seq 4 characters wide on the CD3000, CD3500 and CD3700, 10
// on the CD3200; specId 12; specName 16, 28 on the CD3200). A text too wide for
// its field, or values too long for the block, throw std::invalid_argument.
// The defaults are a normal adult sample printed by the CD3200, CD3500 and
// CD3700; normalSample() gives the CD3000's whole numbers.
struct SampleValues {
    QString seq = QStringLiteral("0042");
    QString specId = QStringLiteral("0123");
    QString specName = QStringLiteral("ROSSI MARIO");

    QString wbc = QStringLiteral("7.456");
    QString rbc = QStringLiteral("4.523");
    QString hgb = QStringLiteral("13.57");
    QString mcv = QStringLiteral(" 89.6");
    QString rdw = QStringLiteral(" 13.2");
    QString plt = QStringLiteral("254.3");
    QString mpv = QStringLiteral(" 8.47");
    QString pdw = QStringLiteral(" 16.1");
    QString neu = QStringLiteral("58.30");
    QString lym = QStringLiteral("30.10");
    QString mono = QStringLiteral(" 7.20");
    QString eos = QStringLiteral(" 3.40");
    QString baso = QStringLiteral(" 1.00");

    // DFLT, Blast, VarLym, IG, Band, NRBC, NWBC, RRBC, LRI, URI, RbcError, WicError:
    // the order of zv::AlarmFlags::textFlags(). The CD3000 sends no NWBC, RRBC or WicError, so
    // its blocks leave those three out.
    std::array<QString, 12> flags{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                                  QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                                  QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")};
    QString limits = QStringLiteral("0");
    QString samplError = QStringLiteral("0");

    // The transmission closes with a NOC block rather than WIC (not on the CD3000).
    bool noc = false;
};

// A normal adult sample as `model` prints it. For the CD3000, whole numbers in
// tenths (RBC in hundredths, PLT as it is): WBC 0075, RBC 0452, HGB 136, MCV 896,
// RDW 132, PLT 254, MPV 085, PDW 161, neu 583, lym 301, mono 072, eos 034, baso 010.
// For the others the defaults of SampleValues.
SampleValues normalSample(InstrumentModel model);

// The data block of one sample: STX ... ETX, exactly the model's block length.
QString dataBlock(InstrumentModel model, const SampleValues& sample);

// The group that lands in a channel ("002" ... "230") of `kind`; -1 for channel
// 002 of RBC and PLT, which no group fills.
int groupForChannel(HistogramKind kind, const QString& channel);

// A plausible curve for each kind: a bell for WB1, RBC and PLT, two humps for WB2.
std::array<int, 67> sampleGroups(HistogramKind kind);

// A histogram block of 275 characters; each group (0 to 999) written as three digits.
QString histogramBlock(HistogramKind kind, const std::array<int, 67>& groups);
QString histogramBlock(HistogramKind kind);  // with sampleGroups(kind)

// The block that closes a transmission of the CD3200, CD3500 and CD3700: STX
// "WIC" (or "NOC") ... ETX.
QString closingBlock(bool noc = false);

// What goes wrong between the analyser and the program.
enum class Fault {
    None,
    Garbage,           // noise closed by an ETX comes before the record
    ShortDataBlock,    // the data block is one character short
    LongHistogram,     // the PLT block is one character too long
    SparseHistogram,   // the RBC block has its length but too few channel values
    LostClosingBlock,  // the block that completes the record never comes (PLT on the CD3000)
    CutOff,            // the line goes dead inside the data block, 40 bytes in
};

// A whole record as the analyser sends it, as bytes on the wire (Latin-1): the
// data block, WB1, WB2, RBC and PLT with their sample curves, and the closing
// block for every model but the CD3000; with `fault` put into it.
QByteArray transmission(InstrumentModel model, const SampleValues& sample, Fault fault = Fault::None);

// Sample n of a day's work: normalSample(model) with seq n (four digits),
// specId "S<n>" and specName "PAZIENTE <n>", every tenth a dog ("CANE").
SampleValues numberedSample(InstrumentModel model, int n);
// The transmissions of samples first to first + count - 1, one after the other.
QByteArray transmissions(InstrumentModel model, int first, int count);

}  // namespace zv::test
