#include "model/rangelimits.h"

#include "platform/conversions.h"
#include "platform/errors.h"

namespace zv {

std::optional<double> readLimit(const QVariant& stored, QChar decimal) {
    if (!stored.isValid() || stored.isNull())
        return std::nullopt;
    if (holdsNumber(stored))
        return stored.toDouble();
    double number = 0;
    if (!ignoring([&] { number = toDouble(stored.toString(), decimal); }))
        return std::nullopt;
    return number;
}

bool storableLimit(const QString& typed, QChar decimal) {
    return typed.trimmed().isEmpty() || readLimit(typed, decimal).has_value();
}

bool holdsNumber(const QVariant& stored) {
    switch (stored.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool: return true;
    default: return false;
    }
}

RangeColour judge(std::optional<double> value, const RangeLimits& limits) {
    RangeColour colour = RangeColour::Black;
    if (!value)
        return colour;
    if (limits.low && *value < *limits.low)
        colour = RangeColour::Blue;
    if (limits.high && *value > *limits.high)
        colour = RangeColour::Red;
    return colour;
}

QString rangeText(const RangeLimits& limits, QChar decimal) {
    auto side = [decimal](const std::optional<double>& v) { return v ? numberText(*v, decimal) : QString(); };
    return QStringLiteral("(") + side(limits.low) + QStringLiteral(" - ") + side(limits.high) + QStringLiteral(")");
}

}  // namespace zv
