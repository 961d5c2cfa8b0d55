#pragma once
// Number text as the original program's runtime produced it: Str, Format, Val,
// CInt/CLng rounding, and the shortest decimal text of a number. Rounding is
// done on the decimal value (1.005 with "0.00" gives "1.01"), never by C
// printf's binary rounding.

#include <QString>

#include <stdexcept>

namespace tq::common {

// Str of a Double: a blank before non-negative numbers, no zero before the
// decimal point (" 1400", " .5", "-10", "-.5"); at most 15 significant digits.
QString vbStr(double value);
// Str of a Single: the same shape with at most 7 significant digits.
QString vbStrSingle(float value);

// Format(value, pattern) for the numeric patterns the system uses ("0.00",
// "##0.0", "##0", "0", "#,##0" ...). Throws std::invalid_argument for a
// pattern it does not support, so gaps show up instead of wrong text.
QString vbFormat(double value, const QString& pattern);
// Format(text, pattern) for text patterns made of "@" ("@@@@/@@/@@"): the text
// fills the "@" positions from the right, missing characters become blanks.
QString vbFormatText(const QString& text, const QString& pattern);

// Round to the nearest integer, exact halves to even (CInt, CLng, Round).
// Throws std::out_of_range when the result does not fit the target type.
qint16 vbCInt(double value);
qint32 vbCLng(double value);

// Val: the leading number of a text; blanks, tabs and line feeds are ignored
// everywhere; "&H"/"&O" prefixes; 0 when there is no number.
double vbVal(const QString& text);

// The shortest decimal text that reads back as the same double, without
// exponent for ordinary magnitudes: 15 -> "15", 15.5 -> "15.5".
QString shortestDecimal(double value);

} // namespace tq::common
