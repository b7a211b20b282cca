#pragma once
// Histogram blocks: how a block is cut into channel values and which value
// goes into which channel field.
#include <QString>
#include <QStringList>

#include "model/result.h"

namespace zv {

// The 267-character text of 67 groups "000" joined by commas: a histogram of zeros.
const QString& zeroHistogram();

// The last 259 characters of a block (the whole block if shorter), split at every comma.
QStringList histogramElements(const QString& block);

// Fills the channels of one kind from a block's elements: channel 002 of WB1
// and WB2 takes element 10 (RBC and PLT leave it empty), channel NNN from 006
// takes element (NNN - 2) / 4. Fewer than 58 elements fail with an AppError
// before any channel is set.
void fillChannels(Histogram& histogram, HistogramKind kind, const QStringList& elements);

}  // namespace zv
