// The number boxes' one key filter, driven with the keys a user presses.
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/keyfilter.h"

namespace zv {
namespace {

TEST(CharacterFilter, TypedCharactersAreJudgedAndEditingKeysPass) {
    QLineEdit box;
    // No mark of its own: the point is judged as it is.
    CharacterFilter filter(
        &box, [](QChar c) { return c.isDigit() || c == QLatin1Char(','); }, [] { return QChar(); });
    filter.watch(&box);
    struct Case {
        const char* what;
        Qt::Key key;
        const char* text;  // as the platform reports it
        Qt::KeyboardModifiers modifiers;
        const char* left;  // the box after the key and then "7"
    };
    const Case cases[] = {
        {"select-all as a control character", Qt::Key_A, "\x01", Qt::ControlModifier, "7"},
        {"select-all as its letter", Qt::Key_A, "a", Qt::ControlModifier, "7"},
        {"a letter", Qt::Key_A, "a", Qt::NoModifier, "12,57"},
        {"a digit", Qt::Key_3, "3", Qt::NoModifier, "12,537"},
        {"a mark the rule refuses", Qt::Key_Period, ".", Qt::NoModifier, "12,57"},
        {"Backspace", Qt::Key_Backspace, "\x08", Qt::NoModifier, "12,7"},
        {"Home, which types nothing", Qt::Key_Home, "", Qt::NoModifier, "712,5"},
    };
    for (const Case& c : cases) {
        box.setText(QStringLiteral("12,5"));
        box.setCursorPosition(4);
        QTest::sendKeyEvent(QTest::Click, &box, c.key, QString::fromLatin1(c.text), c.modifiers);
        QTest::keyClick(&box, '7');
        EXPECT_EQ(box.text(), QString::fromLatin1(c.left)) << c.what;
    }
}

// The other of "," and "." types the box's mark, as that key would: through
// the box's rule (here: one mark at most) and into the text at the cursor.
TEST(CharacterFilter, TheOtherMarkTypesTheBoxMark) {
    QLineEdit box;
    QChar mark;
    CharacterFilter filter(
        &box, [&](QChar c) { return c.isDigit() || (c == mark && !box.text().contains(mark)); }, [&] { return mark; });
    filter.watch(&box);
    struct Case {
        const char* what;
        char mark;  // 0: the box has none
        const char* before;
        Qt::Key key;
        const char* text;
        Qt::KeyboardModifiers modifiers;
        const char* after;  // the box after the key, typed with the cursor before the "5"
    };
    const Case cases[] = {
        {"a point, comma set", ',', "125", Qt::Key_Period, ".", Qt::NoModifier, "12,5"},
        {"the keypad's point, comma set", ',', "125", Qt::Key_Period, ".", Qt::KeypadModifier, "12,5"},
        {"a comma, point set", '.', "125", Qt::Key_Comma, ",", Qt::NoModifier, "12.5"},
        {"the keypad's comma, point set", '.', "125", Qt::Key_Comma, ",", Qt::KeypadModifier, "12.5"},
        {"a second mark, as the other", ',', "1,25", Qt::Key_Period, ".", Qt::NoModifier, "1,25"},
        {"a point, no mark set", 0, "125", Qt::Key_Period, ".", Qt::NoModifier, "125"},
    };
    for (const Case& c : cases) {
        mark = c.mark ? QLatin1Char(c.mark) : QChar();
        box.setText(QString::fromLatin1(c.before));
        box.setCursorPosition(int(box.text().indexOf(QLatin1Char('5'))));
        QTest::sendKeyEvent(QTest::Click, &box, c.key, QString::fromLatin1(c.text), c.modifiers);
        EXPECT_EQ(box.text(), QString::fromLatin1(c.after)) << c.what;
    }
}

}  // namespace
}  // namespace zv
