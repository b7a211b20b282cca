#include "core/captions.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QMenu>

#include "core/language.h"
#include "platform/errors.h"

namespace zv {

namespace {

// Every named object below `parent`, the first in depth-first order winning
// for a name used twice. Actions live under their menus, menus under the menu
// bar, so the whole tree is walked rather than the window's direct children.
void collectNamed(const QObject* parent, QHash<QString, QObject*>& named) {
    for (QObject* child : parent->children()) {
        const QString name = child->objectName();
        if (!name.isEmpty() && !named.contains(name))
            named.insert(name, child);
        collectNamed(child, named);
    }
}

void setCaption(QObject* target, const QString& text) {
    if (auto* menu = qobject_cast<QMenu*>(target))
        menu->setTitle(text);
    else if (auto* group = qobject_cast<QGroupBox*>(target))
        group->setTitle(text);
    else if (auto* label = qobject_cast<QLabel*>(target))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(target))
        button->setText(text);
    else if (auto* action = qobject_cast<QAction*>(target))
        action->setText(text);
}

template <class List>
void applyAll(QWidget* window, const QString& languageFile, const QString& section, const List& captions) {
    if (!window)
        return;
    QHash<QString, QObject*> named;
    collectNamed(window, named);
    for (const CaptionKey& c : captions) {
        const QString text = caption(languageFile, section, c.key);
        if (c.control.isEmpty() || c.control == window->objectName())
            window->setWindowTitle(text);
        else if (QObject* target = named.value(c.control))
            setCaption(target, text);
    }
}

}  // namespace

void applyCaptions(QWidget* window, const QString& languageFile, const QString& section,
                   std::initializer_list<CaptionKey> captions) {
    applyAll(window, languageFile, section, captions);
}

void applyCaptions(QWidget* window, const QString& languageFile, const QString& section,
                   const QList<CaptionKey>& captions) {
    applyAll(window, languageFile, section, captions);
}

QString caption(const QString& languageFile, const QString& section, const QString& key) {
    QString text;
    ignoring([&] { text = languageText(languageFile, section, key); });
    return text;
}

}  // namespace zv
