#include "platform/sqlfunctions.h"

#include <QChar>

#include <sqlite3.h>

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
    return out;
}

bool likeMatches(const LikePattern& pattern, const std::u32string& text) {
    if (pattern.matchesNothing)
        return false;
    using Kind = LikePattern::Kind;
    const auto& tokens = pattern.tokens;
    const std::size_t none = std::size_t(-1);
    std::size_t t = 0, p = 0, runAt = none, runText = 0;
    while (t < text.size()) {
        if (p < tokens.size() &&
            (tokens[p].kind == Kind::One || (tokens[p].kind == Kind::Literal && tokens[p].ch == text[t]))) {
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
    sqlite3_result_int(ctx, likeMatches(*cached, foldedText(argv[1])) ? 1 : 0);
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
