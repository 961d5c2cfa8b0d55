// Arithmetic operators and number conversions of the expression service.

#include "store/JetFunctions.h"

#include "common/VbNumber.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace tq::store::jetfn {

namespace {

bool anyNull(int argc, sqlite3_value** argv)
{
    for (int k = 0; k < argc; ++k) {
        if (sqlite3_value_type(argv[k]) == SQLITE_NULL) {
            return true;
        }
    }
    return false;
}

// An operand of \ and Mod: rounded to a whole number first.
std::int64_t integerOperand(sqlite3_value* value)
{
    const Number number = numberOf(value);
    return number.isInteger ? number.i : roundToInteger(number.d);
}

// a + b where the translator could not tell that both are numbers: two texts
// concatenate, anything else adds (text that is not a number is a mismatch).
void add(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv)) {
        sqlite3_result_null(context);
        return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT && sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
        std::string left;
        std::string right;
        std::string joined(textOf(argv[0], left));
        joined += textOf(argv[1], right);
        resultText(context, joined);
        return;
    }
    const Number a = numberOf(argv[0]);
    const Number b = numberOf(argv[1]);
    if (a.isInteger && b.isInteger) {
        std::int64_t sum = 0;
        if (!__builtin_add_overflow(a.i, b.i, &sum)) {
            sqlite3_result_int64(context, sum);
            return;
        }
    }
    sqlite3_result_double(context, a.toDouble() + b.toDouble());
}

// a \ b: both rounded to integers, quotient truncated toward zero.
void integerDivide(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv)) {
        sqlite3_result_null(context);
        return;
    }
    const std::int64_t a = integerOperand(argv[0]);
    const std::int64_t b = integerOperand(argv[1]);
    if (b == 0) {
        throw VbError(kDivisionByZero);
    }
    if (a == std::numeric_limits<std::int64_t>::min() && b == -1) {
        throw VbError(kOverflow);
    }
    sqlite3_result_int64(context, a / b);
}

// a Mod b: both rounded to integers; the remainder has the sign of a.
void modulo(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv)) {
        sqlite3_result_null(context);
        return;
    }
    const std::int64_t a = integerOperand(argv[0]);
    const std::int64_t b = integerOperand(argv[1]);
    if (b == 0) {
        throw VbError(kDivisionByZero);
    }
    sqlite3_result_int64(context, b == -1 ? 0 : a % b);
}

void power(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv)) {
        sqlite3_result_null(context);
        return;
    }
    const double base = numberOf(argv[0]).toDouble();
    const double exponent = numberOf(argv[1]).toDouble();
    if (base == 0.0 && exponent < 0.0) {
        throw VbError(kDivisionByZero);
    }
    if (base < 0.0 && exponent != std::trunc(exponent)) {
        throw VbError(kInvalidCall);
    }
    const double result = std::pow(base, exponent);
    if (std::isinf(result)) {
        throw VbError(kOverflow);
    }
    sqlite3_result_double(context, result);
}

template <double (*Round)(double)>
void wholePart(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    Number number = numberOf(argv[0]);
    if (!number.isInteger) {
        number.d = Round(number.d);
    }
    resultNumber(context, number);
}

double floorOf(double value) { return std::floor(value); }
double truncOf(double value) { return std::trunc(value); }

void cint(sqlite3_context* context, int, sqlite3_value** argv)
{
    try {
        sqlite3_result_int(context, common::vbCInt(numberOf(argv[0]).toDouble()));
    } catch (const std::out_of_range&) {
        throw VbError(kOverflow);
    }
}

void clng(sqlite3_context* context, int, sqlite3_value** argv)
{
    try {
        sqlite3_result_int(context, common::vbCLng(numberOf(argv[0]).toDouble()));
    } catch (const std::out_of_range&) {
        throw VbError(kOverflow);
    }
}

void cdbl(sqlite3_context* context, int, sqlite3_value** argv)
{
    sqlite3_result_double(context, numberOf(argv[0]).toDouble());
}

// Round(x[, digits]): halves to even on the decimal value; integers unchanged.
void round(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const std::int64_t digits = argc > 1 ? requiredInteger(argv[1]) : 0;
    if (digits < 0 || digits > 22) {
        throw VbError(kInvalidCall);
    }
    Number number = numberOf(argv[0]);
    if (!number.isInteger) {
        number.d = common::vbRound(number.d, static_cast<int>(digits));
    }
    resultNumber(context, number);
}

// An integral double that fits becomes an INTEGER, like the typed results
// of Val that callers compare with integer columns.
void resultCompact(sqlite3_context* context, double value)
{
    if (value == std::trunc(value) && std::fabs(value) < 9.0e15) {
        sqlite3_result_int64(context, static_cast<std::int64_t>(value));
    } else {
        sqlite3_result_double(context, value);
    }
}

void val(sqlite3_context* context, int, sqlite3_value** argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        sqlite3_result_null(context);
        return;
    case SQLITE_INTEGER:
        sqlite3_result_int64(context, sqlite3_value_int64(argv[0]));
        return;
    case SQLITE_FLOAT:
        resultCompact(context, sqlite3_value_double(argv[0]));
        return;
    default: {
        std::string buffer;
        try {
            resultCompact(context, common::vbVal(toQString(textOf(argv[0], buffer))));
        } catch (const std::out_of_range&) {
            throw VbError(kOverflow);
        }
        return;
    }
    }
}

// Hex: negative numbers in two's complement of the smallest of Integer,
// Long and 64 bits that holds them ("FFFF" for an integer -1).
void hex(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const Number number = numberOf(argv[0]);
    const std::int64_t value = number.isInteger ? number.i : roundToInteger(number.d);
    std::uint64_t bits = static_cast<std::uint64_t>(value);
    if (value < 0 && number.isInteger && value >= std::numeric_limits<std::int16_t>::min()) {
        bits &= 0xFFFFu;
    } else if (value < 0 && value >= std::numeric_limits<std::int32_t>::min()) {
        bits &= 0xFFFFFFFFu;
    }
    char buffer[24];
    const int length = std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(bits));
    sqlite3_result_text(context, buffer, length, SQLITE_TRANSIENT);
}

// Str: a leading blank for non-negative numbers.
void str(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    resultText(context, common::vbStr(numberOf(argv[0]).toDouble()));
}

struct Entry {
    const char* name;
    int argc;
    Body body;
};

} // namespace

void registerNumberFunctions(sqlite3* db)
{
    static constexpr Entry kEntries[] = {
        {"jet_add", 2, guarded<add>},
        {"jet_idiv", 2, guarded<integerDivide>},
        {"jet_mod", 2, guarded<modulo>},
        {"jet_pow", 2, guarded<power>},
        {"jet_int", 1, guarded<wholePart<floorOf>>},
        {"jet_fix", 1, guarded<wholePart<truncOf>>},
        {"jet_cint", 1, guarded<cint>},
        {"jet_clng", 1, guarded<clng>},
        {"jet_cdbl", 1, guarded<cdbl>},
        {"jet_round", 1, guarded<round>},
        {"jet_round", 2, guarded<round>},
        {"jet_val", 1, guarded<val>},
        {"jet_hex", 1, guarded<hex>},
        {"jet_str", 1, guarded<str>},
    };
    for (const Entry& entry : kEntries) {
        sqlite3_create_function_v2(db, entry.name, entry.argc, kPureFlags, nullptr, entry.body, nullptr, nullptr,
                                   nullptr);
    }
}

} // namespace tq::store::jetfn
