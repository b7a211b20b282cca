#include "platform/conversions.h"

#include "platform/errors.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

namespace zv {

namespace {

[[noreturn]] void typeMismatch() { throw AppError(err::TypeMismatch, QStringLiteral("Type mismatch")); }

[[noreturn]] void overflow() { throw AppError(err::Overflow, QStringLiteral("Overflow")); }

bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

bool isMark(QChar c, QChar decimal) { return c == QLatin1Char(',') || c == QLatin1Char('.') || c == decimal; }

// A decimal number in ASCII with '.' as its mark, as std::from_chars reads it.
struct NumberText {
    std::string text;
    bool negative = false;
    bool hasMark = false;
    bool hasExponent = false;
};

// Strict shape: [sign] digits [mark digits] [e|E [sign] digits], at most one mark in all,
// at least one digit before the exponent. Anything else is not a number.
std::optional<NumberText> scanNumber(const QString& raw, QChar decimal) {
    const QString text = raw.trimmed();
    NumberText out;
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        out.negative = text[i] == QLatin1Char('-');
        ++i;
    }
    int mantissaDigits = 0;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (isAsciiDigit(c)) {
            out.text.push_back(static_cast<char>(c.unicode()));
            ++mantissaDigits;
        } else if (isMark(c, decimal)) {
            if (out.hasMark)
                return std::nullopt;
            out.hasMark = true;
            out.text.push_back('.');
        } else {
            break;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        out.hasExponent = true;
        out.text.push_back('e');
        ++i;
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
            out.text.push_back(static_cast<char>(text[i].unicode()));
            ++i;
        }
        int exponentDigits = 0;
        for (; i < n && isAsciiDigit(text[i]); ++i) {
            out.text.push_back(static_cast<char>(text[i].unicode()));
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;
    return out;
}

// Reads a scanned magnitude; a magnitude too large for a double is nullopt, one too
// small reads as zero.
std::optional<double> magnitudeOf(const std::string& text) {
    double value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // from_chars does not say which side it fell off: work out the decimal exponent
        // of the first significant digit.
        const std::size_t e = text.find('e');
        const std::string mantissa = text.substr(0, e);
        const std::size_t firstNonZero = mantissa.find_first_not_of("0.");
        if (firstNonZero == std::string::npos)
            return 0.0;
        const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
        long magnitude = firstNonZero < point ? static_cast<long>(point - firstNonZero) - 1
                                              : -static_cast<long>(firstNonZero - point);
        if (e != std::string::npos) {
            const char* expFirst = text.data() + e + 1;
            const bool expNegative = *expFirst == '-';
            if (*expFirst == '+' || *expFirst == '-')
                ++expFirst;
            long exponent = 0;
            if (std::from_chars(expFirst, last, exponent).ec != std::errc())
                return expNegative ? std::optional<double>(0.0) : std::nullopt;
            magnitude += expNegative ? -exponent : exponent;
        }
        if (magnitude >= 0)
            return std::nullopt;
        return 0.0;
    }
    if (ec != std::errc() || end != last)
        return std::nullopt;
    return value;
}

// Round half to even to a whole number and check it lies in [low, high].
template <class Int>
Int wholeNumber(double value) {
    if (!std::isfinite(value))
        overflow();
    const double whole = std::nearbyint(value);  // the default rounding mode is ties-to-even
    const double low = static_cast<double>(std::numeric_limits<Int>::min());
    // max()+1 is a power of two and therefore exact as a double.
    const double beyond = -low;
    if (whole < low || whole >= beyond)
        overflow();
    return static_cast<Int>(whole);
}

// Fifteen significant digits of a finite non-zero magnitude: the digits and the
// decimal exponent of the first one.
struct Digits15 {
    std::string digits;  // exactly 15
    int exponent = 0;
};

Digits15 digits15(double magnitude) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 14);
    Q_ASSERT(ec == std::errc());
    const std::string text(buffer, end);  // d.dddddddddddddde[+-]xx
    Digits15 out;
    const std::size_t e = text.find('e');
    out.digits.push_back(text[0]);
    out.digits.append(text, 2, e - 2);
    const char* expFirst = text.data() + e + 1;
    if (*expFirst == '+')
        ++expFirst;
    std::from_chars(expFirst, text.data() + text.size(), out.exponent);
    return out;
}

double parseAscii(const std::string& text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

QString twoDigits(int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

}  // namespace

QChar regionalDecimal() {
    // The program only knows ',' and '.': any other mark the locale may use reads as '.'.
    const QString mark = QLocale().decimalPoint();
    return mark == QStringLiteral(",") ? QLatin1Char(',') : QLatin1Char('.');
}

double toDouble(const QString& text, QChar decimal) {
    const std::optional<NumberText> scanned = scanNumber(text, decimal);
    if (!scanned)
        typeMismatch();
    const std::optional<double> magnitude = magnitudeOf(scanned->text);
    if (!magnitude)
        overflow();
    return scanned->negative ? -*magnitude : *magnitude;
}

double toDouble(const QString& text) { return toDouble(text, regionalDecimal()); }

int16_t toInt16(const QString& text, QChar decimal) { return wholeNumber<int16_t>(toDouble(text, decimal)); }

int16_t toInt16(const QString& text) { return toInt16(text, regionalDecimal()); }

int32_t toInt32(const QString& text, QChar decimal) { return wholeNumber<int32_t>(toDouble(text, decimal)); }

int32_t toInt32(const QString& text) { return toInt32(text, regionalDecimal()); }

int64_t toInt64(const QString& text) {
    const QChar decimal = regionalDecimal();
    const std::optional<NumberText> scanned = scanNumber(text, decimal);
    if (!scanned)
        typeMismatch();
    if (!scanned->hasMark && !scanned->hasExponent) {
        // Whole digits are read exactly: a double would lose the last ones of a 64-bit key.
        std::string digits = scanned->negative ? "-" + scanned->text : scanned->text;
        int64_t value = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (ec == std::errc::result_out_of_range)
            overflow();
        if (ec == std::errc() && end == digits.data() + digits.size())
            return value;
    }
    return wholeNumber<int64_t>(toDouble(text, decimal));
}

int16_t toInt16(double value) { return wholeNumber<int16_t>(value); }

int32_t toInt32(double value) { return wholeNumber<int32_t>(value); }

double val(const QString& text) {
    // Blanks, tabs and line feeds are skipped wherever they are.
    std::string ascii;
    bool negative = false;
    bool markSeen = false;
    bool digitSeen = false;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t') || text[i] == QLatin1Char('\n')))
            ++i;
    };
    skipBlanks();
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    for (;; ++i) {
        skipBlanks();
        if (i >= n)
            break;
        const QChar c = text[i];
        if (isAsciiDigit(c)) {
            ascii.push_back(static_cast<char>(c.unicode()));
            digitSeen = true;
        } else if (c == QLatin1Char('.') && !markSeen) {
            ascii.push_back('.');
            markSeen = true;
        } else {
            break;
        }
    }
    if (!digitSeen)
        return 0.0;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E') || text[i] == QLatin1Char('d') ||
                  text[i] == QLatin1Char('D'))) {
        std::string exponent = "e";
        ++i;
        skipBlanks();
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
            exponent.push_back(static_cast<char>(text[i].unicode()));
            ++i;
        }
        bool exponentDigit = false;
        for (;; ++i) {
            skipBlanks();
            if (i >= n || !isAsciiDigit(text[i]))
                break;
            exponent.push_back(static_cast<char>(text[i].unicode()));
            exponentDigit = true;
        }
        if (exponentDigit)
            ascii += exponent;
    }
    const std::optional<double> magnitude = magnitudeOf(ascii);
    const double value = magnitude ? *magnitude : std::numeric_limits<double>::infinity();
    return negative ? -value : value;
}

bool toBool(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return toDouble(trimmed) != 0.0;
}

double roundHalfEven(double value, int decimals) {
    if (decimals < 0)
        throw AppError(err::InvalidCall, QStringLiteral("Invalid procedure call or argument"));
    if (!std::isfinite(value) || value == 0.0)
        return value;
    // To a whole number, the fraction is exact below 2^52: unless it lies so
    // near one half that fifteen digits could make it a tie or move it across,
    // it decides alone, without the decimal digits (the scattergram rounds
    // thousands of dots a result this way).
    if (decimals == 0 && std::fabs(value) < 1e13) {
        const double magnitude = std::fabs(value);
        const double whole = std::floor(magnitude);
        const double fraction = magnitude - whole;
        if (std::fabs(fraction - 0.5) > magnitude * 1e-14) {
            const double rounded = fraction > 0.5 ? whole + 1 : whole;
            if (rounded == 0)
                return 0.0;
            return value < 0 ? -rounded : rounded;
        }
    }
    const Digits15 d = digits15(std::fabs(value));
    // How many of the 15 digits lie before the rounding position.
    const long keep = static_cast<long>(d.exponent) + 1 + decimals;
    if (keep >= 15)
        return value;  // nothing beyond the 15 digits to round away
    long long kept = 0;
    bool up = false;
    if (keep >= 0) {
        for (long i = 0; i < keep; ++i)
            kept = kept * 10 + (d.digits[static_cast<std::size_t>(i)] - '0');
        const std::string rest = d.digits.substr(static_cast<std::size_t>(keep));
        const int first = rest[0] - '0';
        const bool restAfterFirst = rest.find_first_not_of('0', 1) != std::string::npos;
        if (first > 5 || (first == 5 && restAfterFirst))
            up = true;
        else if (first == 5)
            up = (kept % 2) != 0;
    }
    if (up)
        ++kept;
    if (kept == 0)
        return 0.0;
    const double magnitude = parseAscii(std::to_string(kept) + "e-" + std::to_string(decimals));
    return value < 0 ? -magnitude : magnitude;
}

QString numberText(double value, QChar decimal) {
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
    if (value == 0.0)
        return QStringLiteral("0");
    const Digits15 d = digits15(std::fabs(value));
    std::string digits = d.digits;
    digits.erase(digits.find_last_not_of('0') + 1);
    QString out = value < 0 ? QStringLiteral("-") : QString();
    const int e = d.exponent;
    if (e >= 15 || e < -4) {
        out += QLatin1Char(digits[0]);
        if (digits.size() > 1) {
            out += decimal;
            out += QString::fromLatin1(digits.data() + 1, static_cast<qsizetype>(digits.size() - 1));
        }
        out += e < 0 ? QStringLiteral("E-") : QStringLiteral("E+");
        out += twoDigits(std::abs(e));
        return out;
    }
    if (e < 0) {
        out += QLatin1Char('0');
        out += decimal;
        out += QString(-e - 1, QLatin1Char('0'));
        out += QString::fromLatin1(digits.data(), static_cast<qsizetype>(digits.size()));
        return out;
    }
    const std::size_t integerDigits = static_cast<std::size_t>(e) + 1;
    if (digits.size() <= integerDigits) {
        out += QString::fromLatin1(digits.data(), static_cast<qsizetype>(digits.size()));
        out += QString(static_cast<qsizetype>(integerDigits - digits.size()), QLatin1Char('0'));
        return out;
    }
    out += QString::fromLatin1(digits.data(), static_cast<qsizetype>(integerDigits));
    out += decimal;
    out += QString::fromLatin1(digits.data() + integerDigits, static_cast<qsizetype>(digits.size() - integerDigits));
    return out;
}

QString numberText(double value) { return numberText(value, regionalDecimal()); }

QString inDecimalMark(const QString& text, QChar decimal) {
    try {
        (void)toDouble(text, decimal);
    } catch (const AppError&) {
        return text;
    }
    // A text that reads holds at most one mark, so no grouping can be made here.
    QString shown = text;
    for (QChar& c : shown)
        if (isMark(c, decimal))
            c = decimal;
    return shown;
}

namespace {

// A date pattern as a list of fields and literal separators.
struct DateToken {
    enum Kind { Day, Month, Year2, Year4, Literal } kind;
    QChar literal;
};

std::vector<DateToken> tokenize(const QString& pattern) {
    std::vector<DateToken> tokens;
    const QString p = pattern.toLower();
    for (qsizetype i = 0; i < p.size();) {
        if (p.mid(i, 4) == QLatin1String("yyyy")) {
            tokens.push_back({DateToken::Year4, {}});
            i += 4;
        } else if (p.mid(i, 2) == QLatin1String("yy")) {
            tokens.push_back({DateToken::Year2, {}});
            i += 2;
        } else if (p.mid(i, 2) == QLatin1String("mm")) {
            tokens.push_back({DateToken::Month, {}});
            i += 2;
        } else if (p.mid(i, 2) == QLatin1String("dd")) {
            tokens.push_back({DateToken::Day, {}});
            i += 2;
        } else {
            tokens.push_back({DateToken::Literal, pattern[i]});
            i += 1;
        }
    }
    return tokens;
}

}  // namespace

QString formatDate(const QDate& date, const QString& pattern) {
    if (!date.isValid())
        return QString();
    QString out;
    for (const DateToken& t : tokenize(pattern)) {
        switch (t.kind) {
        case DateToken::Day: out += twoDigits(date.day()); break;
        case DateToken::Month: out += twoDigits(date.month()); break;
        case DateToken::Year2: out += twoDigits(((date.year() % 100) + 100) % 100); break;
        case DateToken::Year4: out += QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0')); break;
        case DateToken::Literal: out += t.literal; break;
        }
    }
    return out;
}

std::optional<QDate> parseDate(const QString& text, const QString& pattern) {
    const QString t = text.trimmed();
    qsizetype pos = 0;
    int day = -1, month = -1, year = -1;
    auto digits = [&](int count) -> int {
        if (pos + count > t.size())
            return -1;
        int value = 0;
        for (int i = 0; i < count; ++i) {
            const QChar c = t[pos + i];
            if (!isAsciiDigit(c))
                return -1;
            value = value * 10 + (c.unicode() - '0');
        }
        pos += count;
        return value;
    };
    for (const DateToken& token : tokenize(pattern)) {
        switch (token.kind) {
        case DateToken::Day:
            day = digits(2);
            if (day < 0)
                return std::nullopt;
            break;
        case DateToken::Month:
            month = digits(2);
            if (month < 0)
                return std::nullopt;
            break;
        case DateToken::Year2: {
            const int yy = digits(2);
            if (yy < 0)
                return std::nullopt;
            year = 2000 + yy;
            break;
        }
        case DateToken::Year4:
            year = digits(4);
            if (year < 0)
                return std::nullopt;
            break;
        case DateToken::Literal:
            if (pos >= t.size() || t[pos] != token.literal)
                return std::nullopt;
            ++pos;
            break;
        }
    }
    if (pos != t.size() || day < 0 || month < 0 || year < 0 || !QDate::isValid(year, month, day))
        return std::nullopt;
    return QDate(year, month, day);
}

QString formatTime(const QTime& time) {
    if (!time.isValid())
        return QString();
    return twoDigits(time.hour()) + QLatin1Char('.') + twoDigits(time.minute()) + QLatin1Char('.') +
           twoDigits(time.second());
}

}  // namespace zv
