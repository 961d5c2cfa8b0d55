#pragma once
// Jet's text equality: comparisons ignore letter case, full/half width and the
// difference between hiragana, katakana and half-width katakana. JetFold maps a
// text to a canonical sequence of code points; two texts are equal for Jet when
// their folds are equal, and they are ordered by the code points of their folds.
//
// The fold, per character, in this order:
//   U+FF01..U+FF5E (full-width ASCII)  -> U+0021..U+007E
//   U+3000 (ideographic space)         -> U+0020
//   U+FF61..U+FF9F (half-width kana)   -> full-width katakana; a following
//                                         U+FF9E / U+FF9F is composed into the
//                                         voiced / semi-voiced letter (ｶﾞ -> ガ)
//   U+3041..U+3096 (hiragana)          -> katakana (+0x60)
//   then the simple lower-case mapping.
//
// Inputs are UTF-8 as SQLite hands them over. Malformed bytes are taken one by
// one as U+DC80+byte so that the order stays total and deterministic.
// All functions are pure and thread-safe.

#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace tq::store {

// Compares two UTF-8 texts under JetFold: <0, 0 or >0. A total order consistent
// with equality. Pure-ASCII stretches are compared byte by byte with ASCII case
// folding and without allocating; this is the path every join on race keys takes.
int jetCompare(std::string_view a, std::string_view b);

// The folded code points of a UTF-8 text. When origins is given, it receives
// for every folded code point the UTF-16 index of the character it came from
// (positions as QString/Mid/InStr count them).
std::u32string jetFold(std::string_view utf8, std::vector<int>* origins = nullptr);

// The fold of a QString, as a QString (for keys built in C++).
QString jetFold(const QString& text);

// Folds the single character at text[i] (code points, not yet folded), composing
// a following half-width voiced mark; advances i past what it consumed.
char32_t jetFoldAt(const std::u32string& text, std::size_t& i);

// Decodes one code point of UTF-8 at p (p < end) and advances p; malformed
// bytes decode as U+DC80+byte.
char32_t decodeUtf8(const unsigned char*& p, const unsigned char* end);

} // namespace tq::store
