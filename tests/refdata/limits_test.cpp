#include "refdata/limits.h"

#include <QLocale>

#include <gtest/gtest.h>

#include "platform/errors.h"

namespace zv {
namespace {

TEST(SeparatorCode, OnlyAnExactMarkSetsIt) {
    struct Case {
        const char* setting;
        int16_t current;
        int16_t code;
    } cases[] = {{".", 0, 46}, {",", 0, 44},   {",", 46, 44}, {"", 0, 0},   {"", 46, 46},
                 {" ,", 0, 0}, {",,", 44, 44}, {";", 0, 0},   {"x", 46, 46}};
    for (const Case& c : cases)
        EXPECT_EQ(separatorCodeFor(QString::fromUtf8(c.setting), c.current), c.code)
            << "\"" << c.setting << "\" from " << c.current;
}

TEST(NumberKeys, DigitsControlKeysAndTheSeparatorPass) {
    struct Case {
        char16_t code;
        int16_t separator;
        bool passes;
    } cases[] = {{u'0', 0, true},   {u'9', 0, true},   {13, 0, true},     {8, 0, true},      {188, 0, true},
                 {u'.', 0, false},  {u',', 0, false},  {u'.', 46, true},  {u',', 46, false}, {u',', 44, true},
                 {u'.', 44, false}, {u'a', 44, false}, {u'-', 46, false}, {u' ', 46, false}, {u'e', 46, false},
                 {0, 0, false},     {u'¼', 44, true},  {u'٣', 44, false}};
    for (const Case& c : cases)
        EXPECT_EQ(numberKeyPasses(c.code, c.separator), c.passes) << int(c.code) << " with " << c.separator;
}

class AbsoluteLimit : public ::testing::Test {
protected:
    void TearDown() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
};

TEST_F(AbsoluteLimit, WbcTimesPercentageRoundedToTwoDecimals) {
    struct Case {
        QLocale::Language language;
        const char* wbc;
        const char* percent;
        const char* limit;  // nullptr when refused
    } cases[] = {
        {QLocale::English, "4", "40", "1.6"},        {QLocale::English, "10", "75", "7.5"},
        {QLocale::English, "3", "33.333", "1"},  // 0.99999
        {QLocale::English, "17", "3", "0.51"},       {QLocale::English, "6", "0", "0"},
        {QLocale::English, "4", "0.125", "0"},        // 0.005: the half goes to the even digit
        {QLocale::English, "4", "0.375", "0.02"},     // 0.015
        {QLocale::English, "4,5", "40", "1.8"},       // the only mark in the text
        {QLocale::English, "1,234.5", "1", nullptr},  // grouping is never read
        {QLocale::Italian, "4.5", "40", "1,8"},       // never 45 x 40
        {QLocale::Italian, "4,5", "40", "1,8"},      {QLocale::Italian, "1.234,5", "10", nullptr},
        {QLocale::Italian, "10", "75", "7,5"},       {QLocale::English, "", "40", nullptr},
        {QLocale::English, "4", "", nullptr},        {QLocale::English, "4", "abc", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.wbc) + " x " + c.percent);
        QLocale::setDefault(
            QLocale(c.language, c.language == QLocale::Italian ? QLocale::Italy : QLocale::UnitedStates));
        if (c.limit) {
            EXPECT_EQ(absoluteLimit(QString::fromUtf8(c.wbc), QString::fromUtf8(c.percent)),
                      QString::fromUtf8(c.limit));
        } else {
            try {
                absoluteLimit(QString::fromUtf8(c.wbc), QString::fromUtf8(c.percent));
                ADD_FAILURE() << "accepted";
            } catch (const AppError& e) {
                EXPECT_EQ(e.number(), err::TypeMismatch);
            }
        }
    }
}

}  // namespace
}  // namespace zv
