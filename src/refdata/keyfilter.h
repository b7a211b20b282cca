#pragma once
// The editors' number boxes: the shared key filter with the editors' rule
// (numberKeyPasses) and the separator the editor was opened with.
#include <cstdint>

#include "core/config.h"
#include "core/programfiles.h"
#include "platform/keyfilter.h"
#include "refdata/limits.h"

namespace zv {

class NumberKeyFilter : public CharacterFilter {
    Q_OBJECT
public:
    explicit NumberKeyFilter(QObject* parent)
        : CharacterFilter(
              parent, [this](QChar typed) { return numberKeyPasses(typed.unicode(), separatorCode_); },
              [this] { return QChar(char16_t(separatorCode_)); }) {}

    void setSeparatorCode(int16_t code) { separatorCode_ = code; }
    // Takes the separator general.ini names (see separatorCodeFor).
    void readConfiguredSeparator() {
        separatorCode_ = separatorCodeFor(
            leggiini(QStringLiteral("separatore"), QStringLiteral("decimale"), file::generalIni, 8), separatorCode_);
    }
    int16_t separatorCode() const { return separatorCode_; }

private:
    int16_t separatorCode_ = 0;
};

}  // namespace zv
