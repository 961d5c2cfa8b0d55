#pragma once
// A decimal view of a binary floating-point number, used by the number-text
// helpers so that rounding happens on the decimal value a person reads
// (1.005 rounds to 1.01) rather than on the binary approximation.
//
// Internal to common/: other subsystems use VbNumber.h.

#include <string>

namespace tq::common::detail {

// value = (negative ? -1 : 1) * 0.d1 d2 d3 ... * 10^point.
// `digits` holds no leading and no trailing zeros; an empty `digits` is zero.
struct Decimal {
    bool negative = false;
    std::string digits;
    int point = 0;

    bool isZero() const { return digits.empty(); }
    // Number of digits before the decimal point in plain notation.
    int exponent() const { return point - 1; }
};

enum class Rounding { HalfAwayFromZero, HalfEven };

// The shortest decimal that reads back as the same double (or float).
// NaN and infinities are not accepted (callers check first).
Decimal shortestOf(double value);
Decimal shortestOfFloat(float value);

// Keeps `keep` leading digits (keep may be zero or negative: the result is
// then zero or one unit at the first dropped position).
void roundToDigits(Decimal& d, int keep, Rounding mode);
// Rounds to `places` digits after the decimal point.
inline void roundToPlaces(Decimal& d, int places, Rounding mode) { roundToDigits(d, d.point + places, mode); }

// The digits before and after the point in plain notation, without sign;
// integer part empty for values below one, fraction part without trailing zeros.
std::string integerDigits(const Decimal& d);
std::string fractionDigits(const Decimal& d);

double toDouble(const Decimal& d);

} // namespace tq::common::detail
