#include "store/JetLike.h"

#include "store/JetFold.h"
#include "store/JetFunctions.h"

#include <memory>
#include <stdexcept>

namespace tq::store {

namespace {

std::u32string decodeAll(std::string_view utf8)
{
    std::u32string out;
    out.reserve(utf8.size());
    auto p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto end = p + utf8.size();
    while (p != end) {
        out.push_back(decodeUtf8(p, end));
    }
    return out;
}

char32_t foldOne(char32_t c)
{
    const std::u32string single(1, c);
    std::size_t i = 0;
    return jetFoldAt(single, i);
}

[[noreturn]] void badPattern()
{
    throw std::invalid_argument(jetfn::kInvalidPattern);
}

} // namespace

JetLikePattern::JetLikePattern(std::string_view pattern)
{
    // Wildcards are recognised on the pattern as written (a full-width "＊" is
    // an ordinary character); only the characters it matches are folded.
    const std::u32string raw = decodeAll(pattern);
    for (std::size_t i = 0; i < raw.size();) {
        const char32_t c = raw[i];
        if (c == U'*') {
            if (m_tokens.empty() || m_tokens.back().kind != Kind::Star) {
                m_tokens.push_back({Kind::Star});
            }
            ++i;
        } else if (c == U'?') {
            m_tokens.push_back({Kind::Any});
            ++i;
        } else if (c == U'#') {
            m_tokens.push_back({Kind::Digit});
            ++i;
        } else if (c == U'[') {
            const std::size_t close = raw.find(U']', i + 1);
            if (close == std::u32string::npos) {
                badPattern();
            }
            std::size_t k = i + 1;
            if (close == k) { // "[]" matches the empty string: no token
                i = close + 1;
                continue;
            }
            Token token{Kind::Set};
            if (raw[k] == U'!' && close > k + 1) {
                token.negated = true;
                ++k;
            }
            token.first = m_ranges.size();
            while (k < close) {
                if (k + 2 < close && raw[k + 1] == U'-') {
                    const char32_t low = foldOne(raw[k]);
                    const char32_t high = foldOne(raw[k + 2]);
                    if (raw[k] > raw[k + 2]) {
                        badPattern();
                    }
                    m_ranges.push_back({std::min(low, high), std::max(low, high)});
                    k += 3;
                } else {
                    const char32_t single = foldOne(raw[k]);
                    m_ranges.push_back({single, single});
                    ++k;
                }
            }
            token.count = m_ranges.size() - token.first;
            m_tokens.push_back(token);
            i = close + 1;
        } else {
            Token token{Kind::Char};
            token.c = jetFoldAt(raw, i); // composes a following half-width voiced mark
            m_tokens.push_back(token);
        }
    }
}

bool JetLikePattern::tokenMatches(const Token& token, char32_t c) const
{
    switch (token.kind) {
    case Kind::Any:
        return true;
    case Kind::Digit:
        return c >= U'0' && c <= U'9';
    case Kind::Char:
        return c == token.c;
    case Kind::Set: {
        bool inSet = false;
        for (std::size_t r = token.first; r < token.first + token.count && !inSet; ++r) {
            inSet = c >= m_ranges[r].low && c <= m_ranges[r].high;
        }
        return inSet != token.negated;
    }
    case Kind::Star:
        break;
    }
    return false;
}

// Greedy match with backtracking to the last "*": every other token takes
// exactly one character, so this is enough and needs no recursion.
template <typename CharAt>
bool JetLikePattern::matchesFolded(const CharAt& at, std::size_t length) const
{
    const std::size_t m = m_tokens.size();
    std::size_t p = 0;
    std::size_t s = 0;
    std::size_t starP = m;
    std::size_t starS = 0;
    while (s < length) {
        if (p < m && m_tokens[p].kind == Kind::Star) {
            starP = p++;
            starS = s;
        } else if (p < m && tokenMatches(m_tokens[p], at(s))) {
            ++p;
            ++s;
        } else if (starP != m) {
            p = starP + 1;
            s = ++starS;
        } else {
            return false;
        }
    }
    while (p < m && m_tokens[p].kind == Kind::Star) {
        ++p;
    }
    return p == m;
}

bool JetLikePattern::matches(std::string_view value) const
{
    if (jetfn::isAscii(value)) {
        return matchesFolded(
            [value](std::size_t k) {
                const char32_t c = static_cast<unsigned char>(value[k]);
                return (c >= U'A' && c <= U'Z') ? c + 32 : c;
            },
            value.size());
    }
    const std::u32string folded = jetFold(value);
    return matchesFolded([&folded](std::size_t k) { return folded[k]; }, folded.size());
}

namespace jetfn {

namespace {

// like(pattern, value), the function behind the infix "value Like pattern".
// The compiled pattern is kept as auxiliary data while the pattern argument
// stays the same (a constant pattern compiles once per statement).
void like(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    std::string valueBuffer;
    const std::string_view value = textOf(argv[1], valueBuffer);
    if (auto* cached = static_cast<JetLikePattern*>(sqlite3_get_auxdata(context, 0))) {
        sqlite3_result_int(context, cached->matches(value) ? -1 : 0);
        return;
    }
    std::string patternBuffer;
    std::unique_ptr<JetLikePattern> pattern;
    try {
        pattern = std::make_unique<JetLikePattern>(textOf(argv[0], patternBuffer));
    } catch (const std::invalid_argument& error) {
        throw VbError(error.what());
    }
    sqlite3_result_int(context, pattern->matches(value) ? -1 : 0);
    // SQLite may destroy the data at once when the argument is not constant.
    sqlite3_set_auxdata(context, 0, pattern.release(),
                        [](void* data) { delete static_cast<JetLikePattern*>(data); });
}

void likeWithEscape(sqlite3_context* context, int, sqlite3_value**)
{
    sqlite3_result_error(context, "Like does not take ESCAPE", -1);
}

} // namespace

void registerLike(sqlite3* db)
{
    sqlite3_create_function_v2(db, "like", 2, kPureFlags, nullptr, guarded<like>, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "like", 3, kPureFlags, nullptr, likeWithEscape, nullptr, nullptr, nullptr);
}

} // namespace jetfn

} // namespace tq::store
