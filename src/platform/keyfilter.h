#pragma once
// The one key filter of the number boxes: a character typed into a watched
// box reaches it only when the box's own rule passes it. Keys that type
// nothing (arrows, Delete, Home), control characters (Enter, Backspace, Tab,
// Escape) and the Ctrl shortcuts (select all, copy, paste, undo) are the
// box's editing and always pass: what they leave is judged where the value
// is read.
//
// The other of "," and "." types the box's own decimal mark: the keypad's
// decimal key gives whichever mark the keyboard layout has, and a dropped
// mark would store a value ten times too large.
#include <QObject>

#include <functional>

class QKeyEvent;
class QWidget;

namespace zv {

class CharacterFilter : public QObject {
    Q_OBJECT
public:
    using Rule = std::function<bool(QChar typed)>;
    // The boxes' decimal mark as it stands when a key comes; a null QChar
    // when they have none (the other mark is then judged as it is).
    using Mark = std::function<QChar()>;
    CharacterFilter(QObject* parent, Rule passes, Mark mark);

    void watch(QWidget* box);
    // Whether the key press reaches the box under `passes`.
    static bool reaches(const QKeyEvent& key, const Rule& passes);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Rule passes_;
    Mark mark_;
};

}  // namespace zv
