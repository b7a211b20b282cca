#include "platform/keyfilter.h"

#include <QKeyEvent>
#include <QWidget>

namespace zv {

CharacterFilter::CharacterFilter(QObject* parent, Rule passes) : QObject(parent), passes_(std::move(passes)) {}

void CharacterFilter::watch(QWidget* box) { box->installEventFilter(this); }

bool CharacterFilter::reaches(const QKeyEvent& key, const Rule& passes) {
    // A shortcut's text is its letter on some platforms and a control
    // character on others: the modifier tells it from typing.
    if (key.modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return true;
    for (const QChar c : key.text()) {
        const char16_t code = c.unicode();
        if (code < 0x20 || code == 0x7f)
            continue;
        if (!passes(c))
            return false;
    }
    return true;
}

bool CharacterFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && !reaches(*static_cast<QKeyEvent*>(event), passes_))
        return true;  // discarded before the box sees it
    return QObject::eventFilter(watched, event);
}

}  // namespace zv
