#pragma once
// A value a window refuses: the message in the window's language, and the box
// that holds the value marked (a pale red ground) with the focus in it and its
// text selected, so the user sees at once what to correct. The mark goes as
// soon as the box's text changes.
#include <QLineEdit>
#include <QString>

namespace zv {

// Marks the box, then shows `message` in an exclamation box under the
// application title. A null box shows the message alone.
void refuseBox(QLineEdit* box, const QString& message);

// The text that names a refused value, for refuseBox: `message`, the caption
// of the value without its closing colon, and what its box holds, in quotes.
QString naming(const QString& message, QString caption, const QLineEdit* box);

void markRefused(QLineEdit* box);
bool isMarkedRefused(const QLineEdit* box);

}  // namespace zv
