#include "platform/sqlfunctions.h"

#include <QChar>

#include <sqlite3.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/sqlite_util.h"

namespace zv::sqlite {

namespace {

// One code point from UTF-8; a malformed byte stands for itself (U+DC80..U+DCFF),
// so two different byte strings never decode alike.
char32_t nextCodePoint(const unsigned char*& at, const unsigned char* end) {
    const unsigned char lead = *at++;
    if (lead < 0x80)
        return lead;
    int extra;
    char32_t cp;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        return 0xDC00 | lead;
    }
    const unsigned char* const start = at;
    for (int i = 0; i < extra; ++i) {
        if (at == end || (*at & 0xC0) != 0x80) {
            at = start;
            return 0xDC00 | lead;
        }
        cp = (cp << 6) | (*at++ & 0x3F);
    }
    return cp;
}

char32_t fold(char32_t cp) {
    if (cp < 0x80)
        return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
    return QChar::toCaseFolded(cp);
}

unsigned char foldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// True when every byte is below 0x80. Most names, sample numbers and dates
// are; a text that is not takes the Unicode path, where letters such as the
// Kelvin sign or the long s fold to ASCII ones.
bool isAscii(const unsigned char* at, std::size_t size) {
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, at + i, sizeof word);
        if (word & 0x8080808080808080ULL)
            return false;
    }
    for (; i < size; ++i)
        if (at[i] & 0x80)
            return false;
    return true;
}

std::u32string foldedText(sqlite3_value* value) {
    const auto* at = static_cast<const unsigned char*>(sqlite3_value_text(value));
    const auto* end = at + sqlite3_value_bytes(value);
    std::u32string out;
    out.reserve(static_cast<std::size_t>(end - at));
    while (at < end)
        out.push_back(fold(nextCodePoint(at, end)));
    return out;
}

int compareIgnoringCase(void*, int size1, const void* text1, int size2, const void* text2) {
    const auto* a = static_cast<const unsigned char*>(text1);
    const auto* b = static_cast<const unsigned char*>(text2);
    const auto* endA = a + size1;
    const auto* endB = b + size2;
    // Byte by byte while both sides are ASCII; the first other byte goes on
    // by code points from there, as every byte before was a whole character.
    while (a < endA && b < endB && !((*a | *b) & 0x80)) {
        const unsigned char ca = foldAscii(*a++);
        const unsigned char cb = foldAscii(*b++);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    while (a < endA && b < endB) {
        const char32_t ca = fold(nextCodePoint(a, endA));
        const char32_t cb = fold(nextCodePoint(b, endB));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return (a < endA) - (b < endB);
}

// A LIKE pattern, folded and split once per statement (kept as SQLite's auxdata).
struct LikePattern {
    enum class Kind : unsigned char { Literal, One, Run };
    struct Token {
        Kind kind;
        char32_t ch;
    };
    std::vector<Token> tokens;
    bool hasEscape = false;
    char32_t escape = 0;
    bool matchesNothing = false;  // the pattern ends in its escape character
    bool ascii = true;            // every literal is ASCII, so ASCII text is matched byte by byte
    // The shapes the searches use, matched on ASCII text without the general
    // walk: "text", "text%", "%text", "%text%", with `literal` folded.
    enum class Shape : unsigned char { General, Exact, Prefix, Suffix, Contains } shape = Shape::General;
    std::string literal;
};

LikePattern compileLike(sqlite3_value* pattern, bool hasEscape, char32_t escape) {
    LikePattern out;
    out.hasEscape = hasEscape;
    out.escape = escape;
    const auto* at = static_cast<const unsigned char*>(sqlite3_value_text(pattern));
    const auto* end = at + sqlite3_value_bytes(pattern);
    while (at < end) {
        const char32_t cp = nextCodePoint(at, end);
        if (hasEscape && cp == escape) {
            if (at == end) {
                out.matchesNothing = true;
                break;
            }
            out.tokens.push_back({LikePattern::Kind::Literal, fold(nextCodePoint(at, end))});
        } else if (cp == '%') {
            if (out.tokens.empty() || out.tokens.back().kind != LikePattern::Kind::Run)
                out.tokens.push_back({LikePattern::Kind::Run, 0});
        } else if (cp == '_') {
            out.tokens.push_back({LikePattern::Kind::One, 0});
        } else {
            out.tokens.push_back({LikePattern::Kind::Literal, fold(cp)});
        }
    }
    using Kind = LikePattern::Kind;
    for (const LikePattern::Token& token : out.tokens)
        if (token.kind == Kind::Literal && token.ch >= 0x80)
            out.ascii = false;
    if (out.ascii && !out.matchesNothing) {
        const auto& t = out.tokens;
        const bool leading = !t.empty() && t.front().kind == Kind::Run;
        const bool trailing = t.size() > (leading ? 1u : 0u) && t.back().kind == Kind::Run;
        const std::size_t from = leading ? 1 : 0;
        const std::size_t to = t.size() - (trailing ? 1 : 0);
        bool literalsOnly = true;
        for (std::size_t i = from; i < to; ++i)
            if (t[i].kind != Kind::Literal)
                literalsOnly = false;
        if (literalsOnly) {
            for (std::size_t i = from; i < to; ++i)
                out.literal.push_back(static_cast<char>(t[i].ch));
            using Shape = LikePattern::Shape;
            out.shape =
                leading ? (trailing ? Shape::Contains : Shape::Suffix) : (trailing ? Shape::Prefix : Shape::Exact);
        }
    }
    return out;
}

// The bytes at `text` are the folded `literal`, letter case ignored.
bool sameAscii(const unsigned char* text, const std::string& literal) {
    for (std::size_t i = 0; i < literal.size(); ++i)
        if (foldAscii(text[i]) != static_cast<unsigned char>(literal[i]))
            return false;
    return true;
}

bool matchesShape(const LikePattern& pattern, const unsigned char* text, std::size_t size) {
    const std::string& literal = pattern.literal;
    const std::size_t n = literal.size();
    switch (pattern.shape) {
    case LikePattern::Shape::Exact: return size == n && sameAscii(text, literal);
    case LikePattern::Shape::Prefix: return size >= n && sameAscii(text, literal);
    case LikePattern::Shape::Suffix: return size >= n && sameAscii(text + size - n, literal);
    case LikePattern::Shape::Contains: {
        if (n == 0)
            return true;
        const auto first = static_cast<unsigned char>(literal[0]);
        for (std::size_t i = 0; i + n <= size; ++i)
            if (foldAscii(text[i]) == first && sameAscii(text + i, literal))
                return true;
        return false;
    }
    case LikePattern::Shape::General: break;
    }
    return false;
}

// Matches folded text; `at(t)` gives the t-th character of the text folded.
template <class At>
bool likeMatches(const LikePattern& pattern, std::size_t size, At at) {
    if (pattern.matchesNothing)
        return false;
    using Kind = LikePattern::Kind;
    const auto& tokens = pattern.tokens;
    const std::size_t none = std::size_t(-1);
    std::size_t t = 0, p = 0, runAt = none, runText = 0;
    while (t < size) {
        if (p < tokens.size() &&
            (tokens[p].kind == Kind::One || (tokens[p].kind == Kind::Literal && tokens[p].ch == at(t)))) {
            ++p;
            ++t;
        } else if (p < tokens.size() && tokens[p].kind == Kind::Run) {
            runAt = p++;
            runText = t;
        } else if (runAt != none) {
            p = runAt + 1;
            t = ++runText;
        } else {
            return false;
        }
    }
    while (p < tokens.size() && tokens[p].kind == Kind::Run)
        ++p;
    return p == tokens.size();
}

bool likeMatches(const LikePattern& pattern, sqlite3_value* value) {
    const auto* text = static_cast<const unsigned char*>(sqlite3_value_text(value));
    const auto size = static_cast<std::size_t>(sqlite3_value_bytes(value));
    if (pattern.ascii && isAscii(text, size)) {
        if (pattern.shape != LikePattern::Shape::General)
            return matchesShape(pattern, text, size);
        return likeMatches(pattern, size, [text](std::size_t t) { return char32_t(foldAscii(text[t])); });
    }
    const std::u32string folded = foldedText(value);
    return likeMatches(pattern, folded.size(), [&folded](std::size_t t) { return folded[t]; });
}

// like(pattern, text[, escape]): what "text LIKE pattern [ESCAPE e]" calls.
void likeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
    }
    bool hasEscape = false;
    char32_t escape = 0;
    if (argc == 3) {
        const auto* at = static_cast<const unsigned char*>(sqlite3_value_text(argv[2]));
        const auto* end = at + sqlite3_value_bytes(argv[2]);
        if (at != end)
            escape = nextCodePoint(at, end);
        if (at != end || escape == 0) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
        hasEscape = true;
    }
    const auto* cached = static_cast<const LikePattern*>(sqlite3_get_auxdata(ctx, 0));
    LikePattern fresh;
    if (!cached || cached->hasEscape != hasEscape || cached->escape != escape) {
        fresh = compileLike(argv[0], hasEscape, escape);
        cached = &fresh;
        sqlite3_set_auxdata(ctx, 0, new LikePattern(fresh), [](void* p) { delete static_cast<LikePattern*>(p); });
    }
    sqlite3_result_int(ctx, likeMatches(*cached, argv[1]) ? 1 : 0);
}

}  // namespace

// The same on every connection, the one that makes a new file included, so an
// index built with NOCASE is always in the order this collation gives.
void registerFunctions(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    if (sqlite3_create_function_v2(db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr, nullptr) !=
            SQLITE_OK ||
        sqlite3_create_function_v2(db, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(db, QStringLiteral("registering like"));
    // SQLite lets a connection replace its built-in NOCASE.
    if (sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, compareIgnoringCase, nullptr) != SQLITE_OK)
        fail(db, QStringLiteral("registering NOCASE"));
}

}  // namespace zv::sqlite
