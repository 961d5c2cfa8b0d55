#include "common/VbDecimal.h"

#include <charconv>
#include <cstdlib>
#include <stdexcept>

namespace tq::common::detail {

namespace {

template <typename T>
Decimal shortestOfAny(T value)
{
    Decimal d;
    d.negative = value < 0;
    if (value == 0)
        return d;
    // Shortest round-trip digits in scientific form: "-1.2345e-05".
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    if (res.ec != std::errc())
        throw std::runtime_error("number conversion failed");
    const char* p = buf;
    if (*p == '-')
        ++p;
    for (; p < res.ptr && *p != 'e'; ++p) {
        if (*p != '.')
            d.digits.push_back(*p);
    }
    int exp = 0;
    if (p < res.ptr) {
        ++p;
        if (*p == '+')
            ++p;
        std::from_chars(p, res.ptr, exp);
    }
    d.point = exp + 1;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

} // namespace

Decimal shortestOf(double value) { return shortestOfAny(value); }
Decimal shortestOfFloat(float value) { return shortestOfAny(value); }

void roundToDigits(Decimal& d, int keep, Rounding mode)
{
    const int size = static_cast<int>(d.digits.size());
    if (keep >= size)
        return;
    if (keep < 0) {
        // The first dropped digit is an implicit zero: below one half.
        d.digits.clear();
        return;
    }
    const char first = d.digits[static_cast<size_t>(keep)];
    bool up = first >= '5';
    if (mode == Rounding::HalfEven && first == '5' && keep + 1 == size) {
        // Exactly half (no digits follow, the digit string has no trailing zeros).
        const char previous = keep > 0 ? d.digits[static_cast<size_t>(keep - 1)] : '0';
        up = (previous - '0') % 2 == 1;
    }
    d.digits.resize(static_cast<size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9') {
            d.digits[static_cast<size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[static_cast<size_t>(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
}

std::string integerDigits(const Decimal& d)
{
    if (d.point <= 0 || d.isZero())
        return {};
    std::string s = d.digits.substr(0, static_cast<size_t>(d.point));
    s.append(static_cast<size_t>(d.point) - s.size(), '0');
    return s;
}

std::string fractionDigits(const Decimal& d)
{
    if (d.isZero() || static_cast<int>(d.digits.size()) <= d.point)
        return {};
    if (d.point >= 0)
        return d.digits.substr(static_cast<size_t>(d.point));
    return std::string(static_cast<size_t>(-d.point), '0') + d.digits;
}

double toDouble(const Decimal& d)
{
    if (d.isZero())
        return d.negative ? -0.0 : 0.0;
    std::string text = d.negative ? "-0." : "0.";
    text += d.digits;
    text += 'e';
    text += std::to_string(d.point);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

} // namespace tq::common::detail
