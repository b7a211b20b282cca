#pragma once
// The names under which a result's fields are stored and copied.
#include <QString>
#include <QStringList>

#include <array>

namespace zv {

enum class HistogramKind { WB1, WB2, RBC, PLT };
constexpr std::array<HistogramKind, 4> kHistogramKinds{HistogramKind::WB1, HistogramKind::WB2, HistogramKind::RBC,
                                                       HistogramKind::PLT};

// "GraficiWB1", "GraficiWB2", "GraficiRBC", "GraficiPLT".
QString histogramPrefix(HistogramKind kind);
// The stored table of a kind: "graficiWB1", "graficiWB2", "GraficiRBC", "GraficiPLT".
QString histogramTable(HistogramKind kind);
// The 53 channel numbers as three-digit texts: 002, 006 ... 230 without 050, 082, 122, 190, 222.
const QStringList& histogramChannels();
// "GraficiWB1_ch002" ...
QString channelField(HistogramKind kind, const QString& channel);
// The 212 channel fields, WB1 to PLT, each kind in ascending channel order.
const QStringList& allChannelFields();

// Every field of a result the store reads and writes but ID1 and the
// channels, the columns of datinumerici, in the order the store walks them.
const QStringList& resultValueFields();
// Every field the store reads and writes but ID1: the value fields, then the
// 212 channels. What the roll-over and the transfer copy.
const QStringList& rollOverFields();
// The five tables of a result in the order results are deleted from them.
const QStringList& resultTables();

}  // namespace zv
