#include "platform/refusal.h"

#include <QPalette>
#include <QVariant>

#include "platform/prompts.h"

namespace zv {

namespace {

const char* const kMarked = "zvRefused";
const QColor kMarkedGround(255, 190, 190);

void unmark(QLineEdit* box) {
    if (!isMarkedRefused(box))
        return;
    box->setProperty(kMarked, false);
    box->setPalette(QPalette());
}

}  // namespace

bool isMarkedRefused(const QLineEdit* box) { return box && box->property(kMarked).toBool(); }

void markRefused(QLineEdit* box) {
    if (!box)
        return;
    if (!box->property(kMarked).isValid())
        QObject::connect(box, &QLineEdit::textChanged, box, [box] { unmark(box); });
    box->setProperty(kMarked, true);
    QPalette p = box->palette();
    p.setColor(QPalette::Base, kMarkedGround);
    p.setColor(QPalette::Text, Qt::black);
    box->setPalette(p);
}

QString naming(const QString& message, QString caption, const QLineEdit* box) {
    if (caption.endsWith(QLatin1Char(':')))
        caption.chop(1);
    return message + QLatin1Char(' ') + caption + QStringLiteral(" \"") + box->text() + QLatin1Char('"');
}

void refuseBox(QLineEdit* box, const QString& message) {
    markRefused(box);
    msgBox(message, MsgButtons::OK, MsgIcon::Exclamation, appTitle());
    if (box) {
        box->setFocus();
        box->selectAll();
    }
}

}  // namespace zv
