#include "platform/conversions.h"
#include "platform/errors.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

namespace {

using zv::AppError;

// The error number a conversion fails with, or nullopt when it succeeds.
std::optional<int32_t> failure(const std::function<void()>& conversion) {
    try {
        conversion();
    } catch (const AppError& e) {
        return e.number();
    }
    return std::nullopt;
}

struct DoubleCase {
    const char* text;
    char decimal;
    double expected;
};

TEST(Conversions, ToDoubleReadsEitherMarkWhenItIsTheOnlyOne) {
    const DoubleCase cases[] = {
        {"4.5", '.', 4.5}, {"4,5", ',', 4.5},  {"4.5", ',', 4.5}, {"1,234", '.', 1.234}, {" -12.25 ", '.', -12.25},
        {"+3", '.', 3},    {".5", '.', 0.5},   {"5.", ',', 5},    {"1E-05", '.', 1e-5},  {"2,5e3", ',', 2500},
        {"-0", '.', 0},    {"1e-400", '.', 0}, {"007", '.', 7},
    };
    for (const DoubleCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(zv::toDouble(QString::fromLatin1(c.text), QLatin1Char(c.decimal)), c.expected);
    }
}

struct FailureCase {
    const char* text;
    int32_t number;
};

TEST(Conversions, ToDoubleRefusesGroupingAndNonNumbers) {
    const FailureCase cases[] = {
        {"", 13},    {"   ", 13},   {"1.234,5", 13}, {"1,234.5", 13}, {"1.2.3", 13},
        {"abc", 13}, {"12abc", 13}, {"1 2", 13},     {"-", 13},       {".", 13},
        {"1e", 13},  {"e5", 13},    {"٣", 13},       {"1e400", 6},    {"-1e400", 6},
    };
    for (char decimal : {'.', ','}) {
        for (const FailureCase& c : cases) {
            SCOPED_TRACE(std::string(c.text) + " with " + decimal);
            EXPECT_EQ(failure([&] { zv::toDouble(QString::fromUtf8(c.text), QLatin1Char(decimal)); }), c.number);
        }
    }
}

TEST(Conversions, RegionalDecimalFollowsTheDefaultLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    EXPECT_EQ(zv::regionalDecimal(), QLatin1Char(','));
    EXPECT_EQ(zv::numberText(2.5), QStringLiteral("2,5"));
    EXPECT_DOUBLE_EQ(zv::toDouble(QStringLiteral("2,5")), 2.5);
    QLocale::setDefault(saved);
    EXPECT_EQ(zv::regionalDecimal(), QLatin1Char('.'));
    EXPECT_EQ(zv::numberText(2.5), QStringLiteral("2.5"));
}

struct WholeCase {
    const char* text;
    int64_t expected;  // ignored when failing
    std::optional<int32_t> number;
};

TEST(Conversions, WholeNumbersRoundHalfToEvenAndCheckTheirRange) {
    const WholeCase int16Cases[] = {
        {"2.5", 2, {}},       {"3.5", 4, {}},         {"-2.5", -2, {}},  {"2,6", 3, {}},
        {"32767", 32767, {}}, {"-32768", -32768, {}}, {"32767.5", 0, 6}, {"-32768.5", -32768, {}},
        {"32768", 0, 6},      {"-32769", 0, 6},       {"", 0, 13},       {"x", 0, 13},
    };
    for (const WholeCase& c : int16Cases) {
        SCOPED_TRACE(c.text);
        int16_t got = 0;
        EXPECT_EQ(failure([&] { got = zv::toInt16(QString::fromLatin1(c.text), QLatin1Char('.')); }), c.number);
        if (!c.number) {
            EXPECT_EQ(got, c.expected);
        }
    }
    const WholeCase int32Cases[] = {
        {"2147483647", 2147483647, {}},
        {"-2147483648", -2147483648LL, {}},
        {"2147483648", 0, 6},
        {"1e3", 1000, {}},
        {"0.5", 0, {}},
        {"1.5", 2, {}},
        {"", 0, 13},
    };
    for (const WholeCase& c : int32Cases) {
        SCOPED_TRACE(c.text);
        int32_t got = 0;
        EXPECT_EQ(failure([&] { got = zv::toInt32(QString::fromLatin1(c.text), QLatin1Char('.')); }), c.number);
        if (!c.number) {
            EXPECT_EQ(got, c.expected);
        }
    }
    const WholeCase int64Cases[] = {
        {"9223372036854775807", INT64_MAX, {}},
        {"-9223372036854775808", INT64_MIN, {}},
        {"9223372036854775808", 0, 6},
        {"4.5", 4, {}},
        {"1e19", 0, 6},
        {"", 0, 13},
    };
    for (const WholeCase& c : int64Cases) {
        SCOPED_TRACE(c.text);
        int64_t got = 0;
        EXPECT_EQ(failure([&] { got = zv::toInt64(QString::fromLatin1(c.text)); }), c.number);
        if (!c.number) {
            EXPECT_EQ(got, c.expected);
        }
    }
}

TEST(Conversions, WholeNumbersFromDoubles) {
    EXPECT_EQ(zv::toInt16(-0.5), 0);
    EXPECT_EQ(zv::toInt16(4.5), 4);
    EXPECT_EQ(zv::toInt32(-7.5), -8);
    EXPECT_EQ(failure([] { zv::toInt16(40000.0); }), 6);
    EXPECT_EQ(failure([] { zv::toInt32(NAN); }), 6);
    EXPECT_EQ(failure([] { zv::toInt32(INFINITY); }), 6);
}

TEST(Conversions, ValReadsWhatItCanAndNeverFails) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"12abc", 12},  {" 1 2", 12}, {"abc", 0}, {"3.7e1", 37}, {"-4.5", -4.5}, {",", 0},     {"", 0},   {"1,5", 1},
        {"1.2.3", 1.2}, {"- 3", -3},  {"1e", 1},  {"2D2", 200},  {"\t7\n", 7},   {".5x", 0.5}, {"+8", 8}, {"e5", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(zv::val(QString::fromLatin1(c.text)), c.expected);
    }
}

TEST(Conversions, ToBoolTakesWordsOrNumbers) {
    const struct {
        const char* text;
        bool expected;
        std::optional<int32_t> number;
    } cases[] = {
        {"True", true, {}}, {"FALSE", false, {}}, {"true", true, {}},   {" false ", false, {}},
        {"0", false, {}},   {"-1", true, {}},     {"2", true, {}},      {"0.0", false, {}},
        {"", false, 13},    {"yes", false, 13},   {"Truex", false, 13},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        bool got = !c.expected;
        EXPECT_EQ(failure([&] { got = zv::toBool(QString::fromLatin1(c.text)); }), c.number);
        if (!c.number) {
            EXPECT_EQ(got, c.expected);
        }
    }
}

TEST(Conversions, RoundHalfEvenTreatsFifteenDigitTiesAsTies) {
    const struct {
        double value;
        int decimals;
        double expected;
    } cases[] = {
        {7.455, 2, 7.46},
        {7.445, 2, 7.44},
        {0.215, 3, 0.215},
        {2.5, 0, 2},
        {3.5, 0, 4},
        {0.125, 2, 0.12},
        {-1.5, 0, -2},
        {-2.5, 0, -2},
        {1e300, 2, 1e300},
        {0.005, 2, 0},
        {0.0051, 2, 0.01},
        {0.0004, 2, 0},
        {9.995, 2, 10},
        {1.005, 2, 1},
        {1.015, 2, 1.02},
        {123.456, 10, 123.456},
        {0.1 + 0.2, 1, 0.3},
        {0, 3, 0},
        {-0.004, 2, 0},
        // To whole numbers: a tie only in fifteen digits is still a tie.
        {3.4999999999999996, 0, 4},
        {4.500000000000001, 0, 4},
        {-3.4999999999999996, 0, -4},
        {0.49999999999999994, 0, 0},
        {1.4999999999999998, 0, 2},
        {2.4999999999999996, 0, 2},
        {12345678901.5, 0, 12345678902},
        {12345678900.500001, 0, 12345678900},
        {10000000000000.5, 0, 10000000000000},
        {0.5000001, 0, 1},
        {2.5000001, 0, 3},
        {2.4999, 0, 2},
        {-0.3, 0, 0},
        {0.999999999999999999, 0, 1},
        {123.50000000001, 0, 124},
        {7.0, 0, 7},
        {1e14 + 0.5, 0, 1e14 + 0.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " to " << c.decimals);
        EXPECT_EQ(zv::roundHalfEven(c.value, c.decimals), c.expected);
    }
    EXPECT_FALSE(std::signbit(zv::roundHalfEven(-0.004, 2)));
    EXPECT_FALSE(std::signbit(zv::roundHalfEven(-0.3, 0)));
    EXPECT_EQ(failure([] { zv::roundHalfEven(1.0, -1); }), 5);
}

TEST(Conversions, NumberTextIsGeneralFormAndReadsBack) {
    const struct {
        double value;
        char decimal;
        const char* expected;
    } cases[] = {
        {7.46, '.', "7.46"},
        {40.0, '.', "40"},
        {0.1 + 0.2, '.', "0.3"},
        {-2.5, ',', "-2,5"},
        {1e-5, '.', "1E-05"},
        {0.0001, '.', "0.0001"},
        {1234567.0, ',', "1234567"},
        {123456789012345.0, '.', "123456789012345"},
        {1e15, '.', "1E+15"},
        {1.5e20, ',', "1,5E+20"},
        {0.0, '.', "0"},
        {-0.0, '.', "0"},
        {1.0 / 3.0, '.', "0.333333333333333"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        const QString text = zv::numberText(c.value, QLatin1Char(c.decimal));
        EXPECT_EQ(text, QString::fromLatin1(c.expected));
        EXPECT_NEAR(zv::toDouble(text, QLatin1Char(c.decimal)), c.value, std::fabs(c.value) * 1e-14);
    }
}

// A stored number text shown in a mark: only the mark changes, digits stay as
// typed; what does not read as a number is left alone.
TEST(Conversions, InDecimalMarkSwapsTheMarkOfANumberOnly) {
    struct Case {
        const char* text;
        char mark;
        const char* shown;
    } cases[] = {
        {"3.4", ',', "3,4"},           {"1,5", ',', "1,5"},   {"3.40", ',', "3,40"},
        {" 0.15 ", ',', " 0,15 "},     {"1,5", '.', "1.5"},   {"10", '.', "10"},
        {"-2.5E+03", ',', "-2,5E+03"}, {"n.d.", ',', "n.d."}, {"1.234,5", ',', "1.234,5"},
        {"1.234,5", '.', "1.234,5"},   {"", ',', ""},         {"a,b", '.', "a,b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " " + c.mark);
        EXPECT_EQ(zv::inDecimalMark(QString::fromLatin1(c.text), QLatin1Char(c.mark)), QString::fromLatin1(c.shown));
    }
}

TEST(Conversions, DatesInEveryPattern) {
    const QDate date(2026, 12, 8);
    const struct {
        const char* pattern;
        const char* text;
    } cases[] = {
        {"dd/mm/yy", "08/12/26"},     {"dd.mm.yy", "08.12.26"},     {"mm/dd/yy", "12/08/26"},
        {"yy/mm/dd", "26/12/08"},     {"dd/mm/yyyy", "08/12/2026"}, {"mm/dd/yyyy", "12/08/2026"},
        {"yyyy/mm/dd", "2026/12/08"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        const QString pattern = QString::fromLatin1(c.pattern);
        EXPECT_EQ(zv::formatDate(date, pattern), QString::fromLatin1(c.text));
        EXPECT_EQ(zv::parseDate(QString::fromLatin1(c.text), pattern), std::optional<QDate>(date));
    }
}

TEST(Conversions, ParseDateRefusesWrongShapesAndImpossibleDays) {
    const struct {
        const char* text;
        const char* pattern;
    } cases[] = {
        {"31/02/26", "dd/mm/yy"},   {"29/02/25", "dd/mm/yy"},   {"8/12/26", "dd/mm/yy"},  {"08-12-26", "dd/mm/yy"},
        {"08/12/2026", "dd/mm/yy"}, {"08/12/26x", "dd/mm/yy"},  {"", "dd/mm/yy"},         {"00/12/26", "dd/mm/yy"},
        {"08/13/26", "dd/mm/yy"},   {"08/12/26", "dd/mm/yyyy"}, {"ab/cd/ef", "dd/mm/yy"}, {"08/12/26", "dd.mm.yy"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " as " + c.pattern);
        EXPECT_EQ(zv::parseDate(QString::fromLatin1(c.text), QString::fromLatin1(c.pattern)), std::nullopt);
    }
    EXPECT_EQ(zv::parseDate(QStringLiteral("29/02/28"), QStringLiteral("dd/mm/yy")), QDate(2028, 2, 29));
    EXPECT_EQ(zv::parseDate(QStringLiteral("01/01/99"), QStringLiteral("dd/mm/yy")), QDate(2099, 1, 1));
    EXPECT_EQ(zv::formatDate(QDate(1999, 3, 4), QStringLiteral("dd/mm/yy")), QStringLiteral("04/03/99"));
}

TEST(Conversions, TimeOfDayWithPoints) {
    EXPECT_EQ(zv::formatTime(QTime(14, 5, 9)), QStringLiteral("14.05.09"));
    EXPECT_EQ(zv::formatTime(QTime(0, 0, 0)), QStringLiteral("00.00.00"));
    EXPECT_EQ(zv::formatTime(QTime(23, 59, 59, 999)), QStringLiteral("23.59.59"));
}

}  // namespace
