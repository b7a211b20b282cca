#pragma once
// Text <-> number and date conversions with the semantics the windows rely on.
// All failures are AppError: 13 for an empty or non-numeric text, 6 for a value
// outside the target range.
#include <QChar>
#include <QDate>
#include <QString>
#include <QTime>

#include <cstdint>
#include <optional>

namespace zv {

// The decimal mark of the system's regional number format (QLocale()).
QChar regionalDecimal();

// Decimal conversion. The text is read with `decimal` as its decimal mark; the
// other of ',' and '.' is accepted too when it is the only mark in the text.
// Grouping is never accepted ("1.234,5" fails), so "4.5" never reads as 45.
// Surrounding blanks are ignored; a sign and an exponent are accepted.
double toDouble(const QString& text, QChar decimal);
double toDouble(const QString& text);  // regional decimal mark

// Whole-number conversion: decimal text rounded half to even, then range-checked.
int16_t toInt16(const QString& text, QChar decimal);
int16_t toInt16(const QString& text);
int32_t toInt32(const QString& text, QChar decimal);
int32_t toInt32(const QString& text);
int64_t toInt64(const QString& text);
// The same from a number (fails with 6 when out of range, halves to even).
int16_t toInt16(double value);
int32_t toInt32(double value);

// The lenient reading: leading digits only, '.' as decimal mark, blanks inside
// ignored, anything unreadable is 0. Never fails.
double val(const QString& text);

// "True"/"False" in any case, or a number (non-zero is true); anything else fails with 13.
bool toBool(const QString& text);

// Round half to even to `decimals` places. The double is first rounded to 15
// significant digits so that 7.455 (stored as 7.45499999...) counts as a tie.
double roundHalfEven(double value, int decimals);

// A number in general form: no grouping, no trailing zeros, at most 15
// significant digits, the given (or regional) decimal mark.
QString numberText(double value, QChar decimal);
QString numberText(double value);

// A number kept as the text typed, shown in `decimal`: when the text reads as
// a number (either mark, toDouble's rules) its mark becomes `decimal` and every
// other character stays as typed; any other text comes back unchanged.
QString inDecimalMark(const QString& text, QChar decimal);

// Date and time texts. Patterns: "dd/mm/yy", "dd.mm.yy", and the six of the
// general settings: "dd/mm/yy", "mm/dd/yy", "yy/mm/dd", "dd/mm/yyyy",
// "mm/dd/yyyy", "yyyy/mm/dd". Two-digit years are 2000 + yy.
QString formatDate(const QDate& date, const QString& pattern);
std::optional<QDate> parseDate(const QString& text, const QString& pattern);
// "hh.mm.ss", 24-hour.
QString formatTime(const QTime& time);

}  // namespace zv
