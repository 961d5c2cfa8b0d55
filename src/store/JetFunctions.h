#pragma once
// Internal to store/: the pieces registerJetExtensions() puts together, and the
// value conversions the Jet functions share. Not for use outside this folder.
//
// Every function follows the runtime's rules for Null, number text and errors:
// a failing call raises VbError, which the registration wrapper turns into
// sqlite3_result_error() with the runtime's message ("Type mismatch",
// "Invalid use of Null", ...), so the statement fails instead of returning a
// silently wrong value.

#include <QString>

#include <sqlite3.h>

#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tq::store::jetfn {

// A run-time error of the expression service, carrying the runtime's message.
class VbError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The runtime's messages for the errors the functions raise.
inline constexpr const char* kInvalidCall = "Invalid procedure call or argument";
inline constexpr const char* kOverflow = "Overflow";
inline constexpr const char* kDivisionByZero = "Division by zero";
inline constexpr const char* kTypeMismatch = "Type mismatch";
inline constexpr const char* kInvalidUseOfNull = "Invalid use of Null";
inline constexpr const char* kInvalidPattern = "Invalid pattern string";

// A number as the functions see it: an integer (SQLite INTEGER) or a double.
struct Number {
    bool isInteger = true;
    std::int64_t i = 0;
    double d = 0.0;
    double toDouble() const { return isInteger ? static_cast<double>(i) : d; }
};

// The number of a value: INTEGER and REAL as they are; text that reads as a
// number (blanks around it allowed, "&H"/"&O" prefixes). Null raises
// VbError(kInvalidUseOfNull), anything else VbError(kTypeMismatch); callers
// that pass Null through check for it first.
Number numberOf(sqlite3_value* value);
// Rounds to an integer, exact halves to even; beyond 64 bits raises kOverflow.
std::int64_t roundToInteger(double value);
// An integer argument (a length, a position, a character code): Null raises
// kInvalidUseOfNull, fractions round half to even.
std::int64_t requiredInteger(sqlite3_value* value);

// The text a value converts to, as CStr does: text as stored, integers as
// digits, doubles by cstrDouble. The value must not be Null. The view stays
// valid until `buffer` changes or the value is next converted.
std::string_view textOf(sqlite3_value* value, std::string& buffer);
// CStr of a Double (common::vbCStr) as UTF-8; NaN and infinities overflow.
std::string cstrDouble(double value);

bool isAscii(std::string_view text);
QString toQString(std::string_view utf8);
void resultText(sqlite3_context* context, std::string_view utf8);
void resultText(sqlite3_context* context, const QString& text);
void resultNumber(sqlite3_context* context, const Number& number);

// Serial dates: days since 1899-12-30, the time of day as the fraction.
struct CivilDate {
    int year = 1899;
    int month = 12;
    int day = 30;
};
std::int64_t daysFromCivil(int year, int month, int day); // serial day of a date
CivilDate civilFromDays(std::int64_t serialDay);
// The serial of a non-Null value: numbers as they are, text "yyyy/mm/dd" or
// "yyyy-mm-dd" (optionally followed by " h:nn[:ss]") or numeric text. Outside
// 0100-01-01..9999-12-31 raises kOverflow; other text raises kTypeMismatch.
double serialOf(sqlite3_value* value);

// Calls fn(context, argc, argv) turning VbError and std::exception into
// sqlite3_result_error. Used by every registration.
using Body = void (*)(sqlite3_context*, int, sqlite3_value**);
template <Body fn>
void guarded(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    try {
        fn(context, argc, argv);
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(context);
    } catch (const std::exception& error) {
        sqlite3_result_error(context, error.what(), -1);
    }
}

// Flags for functions whose result depends only on their arguments and that
// may appear in views, index expressions and CHECK constraints.
inline constexpr int kPureFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;

void registerTextFunctions(sqlite3* db);
void registerNumberFunctions(sqlite3* db);
void registerDateFunctions(sqlite3* db);
void registerFormatFunction(sqlite3* db);
void registerLike(sqlite3* db);

} // namespace tq::store::jetfn
