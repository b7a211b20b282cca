#include "refdata/limits.h"

#include "platform/conversions.h"
#include "platform/errors.h"

namespace zv {

int16_t separatorCodeFor(const QString& setting, int16_t current) {
    if (setting == QLatin1String("."))
        return 46;
    if (setting == QLatin1String(","))
        return 44;
    return current;
}

bool numberKeyPasses(char16_t code, int16_t separatorCode) {
    return code == 13 || code == 8 || code == 188 || (separatorCode != 0 && code == char16_t(separatorCode)) ||
           (code >= u'0' && code <= u'9');
}

QString absoluteLimit(const QString& wbc, const QString& percent, QChar decimal) {
    const double product = toDouble(wbc, decimal) * toDouble(percent, decimal) / 100;
    return numberText(roundHalfEven(product, 2), decimal);
}

QString absoluteLimit(const QString& wbc, const QString& percent) {
    return absoluteLimit(wbc, percent, regionalDecimal());
}

}  // namespace zv
