#pragma once
// The one key filter of the number boxes: a character typed into a watched
// box reaches it only when the box's own rule passes it. Keys that type
// nothing (arrows, Delete, Home), control characters (Enter, Backspace, Tab,
// Escape) and the Ctrl shortcuts (select all, copy, paste, undo) are the
// box's editing and always pass: what they leave is judged where the value
// is read.
#include <QObject>

#include <functional>

class QKeyEvent;
class QWidget;

namespace zv {

class CharacterFilter : public QObject {
    Q_OBJECT
public:
    using Rule = std::function<bool(QChar typed)>;
    CharacterFilter(QObject* parent, Rule passes);

    void watch(QWidget* box);
    // Whether the key press reaches the box under `passes`.
    static bool reaches(const QKeyEvent& key, const Rule& passes);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Rule passes_;
};

}  // namespace zv
