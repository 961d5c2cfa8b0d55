#pragma once
// Number text as the original program's runtime produced it: Str, CStr,
// Format, Val, CInt/CLng and Round, and the shortest decimal text of a number.
// Rounding is done on the decimal value (1.005 with "0.00" gives "1.01"),
// never by C printf's binary rounding: the number is first turned into the
// shortest decimal text that reads back as the same double, and that text is
// rounded.
//
// All functions are pure and thread-safe; none depends on the C locale.

#include <QString>

#include <stdexcept>

class QDateTime;

namespace tq::common {

// Str of a Double: a blank before non-negative numbers, no zero before the
// decimal point (" 1400", " .5", "-10", "-.5"); at most 15 significant digits,
// rounded half away from zero. Exponent form ("1E+15", " 1.5E-05") from 1e15
// upwards and below 1e-4, as the original runtime did.
QString vbStr(double value);
// Str of a Single: the same shape with at most 7 significant digits (exponent
// form from 1e7 upwards).
QString vbStrSingle(float value);
// CStr of a Double: as vbStr without the leading blank and with a zero before
// the decimal point ("0.5", "-0.5", "1400").
QString vbCStr(double value);

// Format(value, pattern). Supported: the empty pattern (general number, as
// vbCStr); the named formats "General Number", "Fixed", "Standard",
// "Percent"; patterns built from the placeholders 0 and #, one decimal
// point, the thousands separator "," inside the integer placeholders, "%"
// (multiplies by 100), literal text before and after the digits (quoted,
// escaped with "\" or plain punctuation, blanks and non-ASCII characters), and
// up to three ";" sections (positive; negative without automatic sign; zero).
// A pattern with "@" or "&" formats the general text of the number with
// vbFormatText. Rounding is half away from zero on the decimal value. A
// result that rounds to zero carries no minus sign ("0.00", not "-0.00").
// Throws std::invalid_argument for anything else (exponent patterns, scaling
// commas, letters), so gaps show up instead of wrong text.
QString vbFormat(double value, const QString& pattern);

// Format(text, pattern) for text patterns made of "@" ("@@@@/@@/@@"): the text
// fills the "@" positions from the right, missing characters become blanks;
// "&" positions take a character or nothing; a "!" anywhere fills from the
// left instead; "<" / ">" force lower / upper case. Characters beyond the
// placeholders are kept: in front when filling from the right, at the end
// when filling from the left. A pattern without placeholders returns the text.
QString vbFormatText(const QString& text, const QString& pattern);

// Format(date, pattern) for date and time patterns: yyyy, yy, m, mm, d, dd,
// h, hh, n, nn, s, ss ("m"/"mm" after an hour or before a second are
// minutes, so "hh:mm:ss" works), "/", ":", "-", ".", blanks, quoted or
// escaped literals and non-ASCII literals ("yyyy年m月d日"); the named
// formats "Short Date" (yyyy/mm/dd), "Long Time" (h:mm:ss) and "Short Time"
// (hh:mm). Throws std::invalid_argument for other letters.
QString vbFormatDateTime(const QDateTime& value, const QString& pattern);

// Round to the nearest integer, exact halves to even (CInt, CLng).
// Throws std::out_of_range when the result does not fit the target type or
// the value is not a number.
qint16 vbCInt(double value);
qint32 vbCLng(double value);

// Round(value, places): exact decimal halves to even, judged on the decimal
// value (Round(0.12345, 4) = 0.1234, Round(2.5, 0) = 2). Throws
// std::invalid_argument for negative places.
double vbRound(double value, int places = 0);

// Val: the leading number of a text; blanks, tabs and line feeds are ignored
// everywhere (Val(" 2 45 7") = 2457); an optional sign, digits, one decimal
// point, an exponent with E or D; "&H" (hexadecimal) and "&O" (octal) give
// 16-bit values up to four (six octal) digits and 32-bit values beyond, as
// signed numbers (Val("&HFFFF") = -1); 0 when there is no number. Throws
// std::out_of_range when the number does not fit a Double or a hexadecimal or
// octal value does not fit 32 bits.
double vbVal(const QString& text);

// The shortest decimal text that reads back as the same double, with a zero
// before the point: 15 -> "15", 15.5 -> "15.5", 0.1 + 0.2 ->
// "0.30000000000000004". Plain notation from 1e-7 up to below 1e21, exponent
// form ("1E+21", "1.5E-08") outside. NaN and infinities give "NaN", "Infinity",
// "-Infinity".
QString shortestDecimal(double value);

} // namespace tq::common
