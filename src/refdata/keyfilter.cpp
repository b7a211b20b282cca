#include "refdata/keyfilter.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "refdata/limits.h"

namespace zv {

void NumberKeyFilter::watch(QLineEdit* box) { box->installEventFilter(this); }

bool NumberKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const QString typed = static_cast<QKeyEvent*>(event)->text();
    for (const QChar c : typed) {
        const char16_t code = c.unicode();
        const bool control = code < 0x20 || code == 0x7f;
        if (!control && !numberKeyPasses(code, separatorCode_))
            return true;  // discarded
    }
    return false;
}

}  // namespace zv
