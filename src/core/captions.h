#pragma once
// Window captions from a language file: each control named in the list gets
// the text of its key in the window's section of the language file.
#include <QList>
#include <QString>
#include <QWidget>

#include <initializer_list>
#include <utility>

namespace zv {

// A control of the window, by objectName, and the key of its caption. An empty
// control name (or the window's own name) stands for the window's title.
struct CaptionKey {
    QString control;
    QString key;
    CaptionKey(const char* controlName, const char* captionKey)
        : control(QString::fromUtf8(controlName)), key(QString::fromUtf8(captionKey)) {}
    CaptionKey(QString controlName, QString captionKey) : control(std::move(controlName)), key(std::move(captionKey)) {}
};

// Sets each caption on its own: a missing key or language file leaves that
// caption empty and the others still set; a name the window does not hold is
// passed over. Labels, buttons and actions take the text, menus and group
// boxes the title; other controls are left alone. Never throws.
//   applyCaptions(this, lingua, "principale", {{"Label20", "cmd2"}, {"Esci_menu", "menu14"}});
void applyCaptions(QWidget* window, const QString& languageFile, const QString& section,
                   std::initializer_list<CaptionKey> captions);
// The same for a list built at run time (control arrays, numbered keys).
void applyCaptions(QWidget* window, const QString& languageFile, const QString& section,
                   const QList<CaptionKey>& captions);

// One text of the section, for the messages a window keeps in its members;
// empty when it cannot be read. Never throws.
QString caption(const QString& languageFile, const QString& section, const QString& key);

}  // namespace zv
