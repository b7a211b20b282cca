#include "platform/keyfilter.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace zv {

namespace {

// A shortcut's text is its letter on some platforms and a control character
// on others: the modifier tells it from typing.
bool isShortcut(const QKeyEvent& key) { return key.modifiers().testAnyFlags(Qt::ControlModifier | Qt::MetaModifier); }

// The text the key types into a box whose mark is `mark`: its own text with
// the other of "," and "." turned into `mark`.
QString typedText(const QKeyEvent& key, QChar mark) {
    QString text = key.text();
    if (isShortcut(key) || (mark != QLatin1Char(',') && mark != QLatin1Char('.')))
        return text;
    return text.replace(mark == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(','), mark);
}

}  // namespace

CharacterFilter::CharacterFilter(QObject* parent, Rule passes, Mark mark)
    : QObject(parent), passes_(std::move(passes)), mark_(std::move(mark)) {}

void CharacterFilter::watch(QWidget* box) { box->installEventFilter(this); }

bool CharacterFilter::reaches(const QKeyEvent& key, const Rule& passes) {
    if (isShortcut(key))
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
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto& key = *static_cast<QKeyEvent*>(event);
    const QString text = typedText(key, mark_ ? mark_() : QChar());
    if (text != key.text()) {
        // The box gets the key of its own mark in place of this one, through
        // this filter's rule and whatever else judges its keys.
        const auto code = text.size() == 1 ? Qt::Key(text.at(0).unicode()) : Qt::Key(key.key());
        QKeyEvent substitute(QEvent::KeyPress, code, key.modifiers(), text, key.isAutoRepeat(), key.count());
        QCoreApplication::sendEvent(watched, &substitute);
        return true;
    }
    if (!reaches(key, passes_))
        return true;  // discarded before the box sees it
    return QObject::eventFilter(watched, event);
}

}  // namespace zv
