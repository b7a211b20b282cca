#pragma once
// Histogram blocks: how a block is cut into channel values and which value
// goes into which channel field.
#include <QString>
#include <QStringList>

#include "model/resultfields.h"

namespace zv {

class Recordset;

// The 267-character text of 67 groups "000" joined by commas: a histogram of zeros.
const QString& zeroHistogram();

// The last 259 characters of a block (the whole block if shorter), split at every comma.
QStringList histogramElements(const QString& block);

// Sets the channel fields of one kind on the recordset's pending row: channel
// 002 of WB1 and WB2 takes element 10 (RBC and PLT leave it unset), channel
// NNN from 006 takes element (NNN - 2) / 4. Fewer than 58 elements fail with
// an AppError before any field is set.
void setChannelFields(Recordset& rs, HistogramKind kind, const QStringList& elements);

}  // namespace zv
