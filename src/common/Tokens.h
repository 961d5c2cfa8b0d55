#pragma once
// Small text helpers shared by the file readers: comma and "&" tokenisers
// over a line with a 1-based position, and file titles from paths.
//
// Positions are 1-based character (UTF-16 unit) positions, as the original
// program's string functions counted them. They are plain ints: lines of
// condition files may exceed 32767 characters.

#include <QString>

namespace tq::common {

// The next token of `line` from `position`, delimited by ",", CR or LF.
// Returns the characters up to the delimiter and sets `position` just after
// it; at the end of the line returns the rest and sets `position` to the
// length plus one. When `position` is already beyond the end, returns an empty
// text and leaves `position` unchanged. A position below 1 counts as 1.
// Example: "a,b" from 1 gives "a" (position 3), "b" (4), "" (4).
QString funGetToken(const QString& line, int& position);

// As funGetToken with "&" as the only delimiter; half-width blanks are left
// out of the item ("k1 & k2" gives "k1", then "k2").
QString funGetAndItem(const QString& line, int& position);

// The file name without directories and without anything from its first dot
// on: "C:\dir\name.tqb" -> "name", "x.y.z" -> "x". Directories end at "\" and
// at "/" (paths on this platform); a drive prefix ends at ":".
QString funFileTitle(const QString& path);

// The characters between the last directory separator and the last four
// characters of the path (the name without a four-character extension such
// as ".tqb"): "C:\data\a.b.txt" -> "a.b". When no separator ("\" or "/")
// stands in front of the last four characters, the path unchanged.
QString GetDocTitle(const QString& path);

} // namespace tq::common
