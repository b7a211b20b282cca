#include "report/layoutkeys.h"

#include <charconv>

#include "core/config.h"
#include "platform/profile.h"

namespace zv {

std::optional<IniWrite> writeKeys(const std::vector<IniWrite>& writes) {
    for (const IniWrite& w : writes) {
        if (!profile::write(profile::resolvePath(programPath(w.file)), w.section, w.key, w.value))
            return w;
    }
    return std::nullopt;
}

QString sizeText(float size, QChar decimal) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, size);
    QString text = QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
    text.replace(QLatin1Char('.'), decimal);
    return text;
}

}  // namespace zv
