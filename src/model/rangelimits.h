#pragma once
// The reference range of one parameter, how a stored limit is read, and the
// one rule that judges a value against a range. The viewer's colours, the
// printed page's marks and the QC grid's colours all come from here, so a
// range set can never judge one way on screen and another on paper.
#include <QChar>
#include <QString>
#include <QVariant>

#include <optional>

namespace zv {

struct RangeLimits {
    std::optional<double> low, high;
    bool operator==(const RangeLimits&) const = default;
};

// A stored limit: a number as it stands, a text read with `decimal` (or the
// other of "," and "." when it is the only mark). NULL, nothing, a blank and a
// text that is no number are no limit on that side: nothing is judged against
// them and the range shows that side empty.
std::optional<double> readLimit(const QVariant& stored, QChar decimal);

// Whether a limit typed into an editor may be stored as it stands: nothing (an
// empty or blank text) is no limit, anything else must be a number as
// readLimit reads it. A text that fails here would be read as no limit
// without a word, so the editors refuse it.
bool storableLimit(const QString& typed, QChar decimal);

// True for a stored value that is a number as it stands, not a text.
bool holdsNumber(const QVariant& stored);

enum class RangeColour { Black, Blue, Red };

// Below the low limit is blue, above the high limit red (tested last, so a
// set whose low is above its high shows red); equal is black, and an empty
// value is black. On paper blue is the low mark and red the high one.
RangeColour judge(std::optional<double> value, const RangeLimits& limits);

// "(4 - 10)"; a side without a limit stays empty: "( - 10)".
QString rangeText(const RangeLimits& limits, QChar decimal);

}  // namespace zv
