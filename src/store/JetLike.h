#pragma once
// Jet's Like: "*" any run of characters, "?" one character, "#" one digit,
// "[list]" / "[!list]" one character in / not in the list, ranges "[a-z]"
// (ascending only), "[*]" a literal "*", "[]" nothing; "%" and "_" are
// ordinary characters. Pattern and value are compared after JetFold, so Like
// ignores case, width and kana kind as "=" does; "#" therefore also matches a
// full-width digit of the value.
//
// Immutable after construction; safe to share between threads.

#include <string>
#include <string_view>
#include <vector>

namespace tq::store {

class JetLikePattern final {
public:
    // Compiles a UTF-8 pattern. Throws std::invalid_argument ("Invalid pattern
    // string") for an unclosed "[" or a descending range.
    explicit JetLikePattern(std::string_view pattern);

    // Whether the whole UTF-8 value matches.
    bool matches(std::string_view value) const;

private:
    enum class Kind { Star, Any, Digit, Char, Set };
    struct Token {
        Kind kind;
        char32_t c = 0;        // Char
        std::size_t first = 0; // Set: range of m_ranges
        std::size_t count = 0;
        bool negated = false;
    };
    struct Range {
        char32_t low;
        char32_t high;
    };

    template <typename CharAt>
    bool matchesFolded(const CharAt& at, std::size_t length) const;
    bool tokenMatches(const Token& token, char32_t c) const;

    std::vector<Token> m_tokens;
    std::vector<Range> m_ranges;
};

} // namespace tq::store
