// The number boxes' one key filter, driven with the keys a user presses.
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/keyfilter.h"

namespace zv {
namespace {

TEST(CharacterFilter, TypedCharactersAreJudgedAndEditingKeysPass) {
    QLineEdit box;
    CharacterFilter filter(&box, [](QChar c) { return c.isDigit() || c == QLatin1Char(','); });
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

}  // namespace
}  // namespace zv
