#pragma once
// What the reference-data editors compute and how their number boxes judge
// a typed character.
#include <QChar>
#include <QString>

#include <cstdint>

namespace zv {

// The character code a number box accepts as decimal separator, from
// general.ini [separatore] decimale: 46 for exactly ".", 44 for exactly ",";
// any other value keeps `current` (0 when none has been set: then no
// separator can be typed).
int16_t separatorCodeFor(const QString& setting, int16_t current);

// Whether a typed character passes a number box: Enter (13), Backspace (8),
// 188, the separator code, or a digit. Every other character is discarded.
bool numberKeyPasses(char16_t code, int16_t separatorCode);

// An absolute-count limit: WBC limit x percentage limit / 100, rounded to 2
// decimals with halves to the even digit, written as a general number in
// the regional format (no grouping, no trailing zeros). Both texts are read
// in the regional format, where "4.5" under a comma is still 4.5 and a
// grouped text is refused; a text that is not a number (an empty one
// included) fails with error 13.
QString absoluteLimit(const QString& wbc, const QString& percent);
// The same in the given decimal mark (a window's configured one).
QString absoluteLimit(const QString& wbc, const QString& percent, QChar decimal);

}  // namespace zv
