#include "common/VbNumber.h"

#include "common/VbDecimal.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace tq::common {

using detail::Decimal;
using detail::Rounding;

namespace {

QString nonFinite(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    return value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
}

// Plain notation while expLow <= exponent < expHigh, exponent form outside.
QString render(const Decimal& d, int expHigh, int expLow, bool leadingZero)
{
    if (d.isZero())
        return QStringLiteral("0");
    std::string s;
    if (d.negative)
        s += '-';
    const int e = d.exponent();
    if (e >= expHigh || e < expLow) {
        s += d.digits[0];
        if (d.digits.size() > 1) {
            s += '.';
            s.append(d.digits, 1);
        }
        s += e < 0 ? "E-" : "E+";
        const std::string expText = std::to_string(e < 0 ? -e : e);
        if (expText.size() < 2)
            s += '0';
        s += expText;
    } else {
        const std::string ip = detail::integerDigits(d);
        const std::string fp = detail::fractionDigits(d);
        s += ip.empty() && leadingZero ? std::string("0") : ip;
        if (!fp.empty()) {
            s += '.';
            s += fp;
        }
    }
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

QString strShape(Decimal d, int significant)
{
    detail::roundToDigits(d, significant, Rounding::HalfAwayFromZero);
    const QString text = render(d, significant, -4, false);
    return d.negative ? text : QLatin1Char(' ') + text;
}

template <typename Int>
Int roundToInt(double value, const char* what)
{
    const double r = std::nearbyint(value); // the default rounding mode: halves to even
    if (!std::isfinite(r) || r < static_cast<double>(std::numeric_limits<Int>::min())
        || r > static_cast<double>(std::numeric_limits<Int>::max()))
        throw std::out_of_range(what);
    return static_cast<Int>(r);
}

bool isValBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n'); }

// Digits of a "&H" / "&O" number: up to `shortDigits` digits make a signed
// 16-bit value, up to `longDigits` (or any value up to 32 bits) a signed 32-bit one.
double radixValue(const QString& text, qsizetype i, int radix)
{
    quint64 value = 0;
    int digits = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isValBlank(c))
            continue;
        const int v = c.unicode() < 128 ? QChar(c).digitValue() : -1;
        int digit = v;
        if (radix == 16 && digit < 0) {
            const char16_t u = c.unicode() | 0x20;
            if (u >= u'a' && u <= u'f')
                digit = u - u'a' + 10;
        }
        if (digit < 0 || digit >= radix)
            break;
        if (digit == 0 && digits == 0)
            continue; // leading zeros do not count
        value = value * static_cast<quint64>(radix) + static_cast<quint64>(digit);
        ++digits;
        if (value > 0xFFFFFFFFull)
            throw std::out_of_range("Val: hexadecimal or octal value does not fit 32 bits");
    }
    if (value <= 0xFFFF)
        return static_cast<qint16>(static_cast<quint16>(value));
    return static_cast<qint32>(static_cast<quint32>(value));
}

} // namespace

QString vbStr(double value)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    return strShape(detail::shortestOf(value), 15);
}

QString vbStrSingle(float value)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    return strShape(detail::shortestOfFloat(value), 7);
}

QString vbCStr(double value)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    Decimal d = detail::shortestOf(value);
    detail::roundToDigits(d, 15, Rounding::HalfAwayFromZero);
    return render(d, 15, -4, true);
}

QString shortestDecimal(double value)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    return render(detail::shortestOf(value), 21, -7, true);
}

qint16 vbCInt(double value) { return roundToInt<qint16>(value, "CInt: value out of the 16-bit range"); }
qint32 vbCLng(double value) { return roundToInt<qint32>(value, "CLng: value out of the 32-bit range"); }

double vbRound(double value, int places)
{
    if (places < 0)
        throw std::invalid_argument("Round: negative number of places");
    if (!std::isfinite(value))
        return value;
    Decimal d = detail::shortestOf(value);
    detail::roundToPlaces(d, places, Rounding::HalfEven);
    return detail::toDouble(d);
}

double vbVal(const QString& text)
{
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && isValBlank(text.at(i)))
            ++i;
    };
    skipBlanks();
    if (i < text.size() && text.at(i) == QLatin1Char('&')) {
        ++i;
        skipBlanks();
        if (i < text.size()) {
            const char16_t kind = text.at(i).unicode() | 0x20;
            if (kind == u'h')
                return radixValue(text, i + 1, 16);
            if (kind == u'o')
                return radixValue(text, i + 1, 8);
        }
        return 0;
    }

    // Collect sign, mantissa and exponent without the blanks, then convert in
    // one step (locale-independent, correctly rounded).
    std::string number;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        if (text.at(i) == QLatin1Char('-'))
            number += '-';
        ++i;
    }
    bool anyDigit = false;
    bool seenPoint = false;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isValBlank(c))
            continue;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            number += static_cast<char>(c.unicode());
            anyDigit = true;
        } else if (c == QLatin1Char('.') && !seenPoint) {
            number += '.';
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return 0;
    // Exponent: E or D, optional sign, at least one digit; otherwise ignored.
    if (i < text.size()) {
        const char16_t e = text.at(i).unicode() | 0x20;
        if (e == u'e' || e == u'd') {
            std::string exponent = "e";
            qsizetype j = i + 1;
            while (j < text.size() && isValBlank(text.at(j)))
                ++j;
            if (j < text.size() && (text.at(j) == QLatin1Char('-') || text.at(j) == QLatin1Char('+'))) {
                exponent += static_cast<char>(text.at(j).unicode());
                ++j;
            }
            bool expDigit = false;
            for (; j < text.size(); ++j) {
                const QChar c = text.at(j);
                if (isValBlank(c))
                    continue;
                if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                    break;
                exponent += static_cast<char>(c.unicode());
                expDigit = true;
            }
            if (expDigit)
                number += exponent;
        }
    }
    double value = 0;
    const auto res = std::from_chars(number.data(), number.data() + number.size(), value);
    if (res.ec == std::errc::result_out_of_range) {
        // Too small rounds to zero; too large is an overflow, as in the original.
        const std::string::size_type firstNonZero = number.find_first_not_of("-0.");
        const std::string::size_type pointAt = number.find('.');
        const std::string::size_type expAt = number.find('e');
        long long exp10 = expAt == std::string::npos ? 0 : std::atoll(number.c_str() + expAt + 1);
        const std::string::size_type mantissaEnd = expAt == std::string::npos ? number.size() : expAt;
        const std::string::size_type intEnd = pointAt == std::string::npos || pointAt > mantissaEnd ? mantissaEnd : pointAt;
        if (firstNonZero != std::string::npos && firstNonZero < intEnd)
            exp10 += static_cast<long long>(intEnd - firstNonZero);
        else if (firstNonZero != std::string::npos && firstNonZero < mantissaEnd)
            exp10 -= static_cast<long long>(firstNonZero - intEnd - 1);
        if (exp10 > 0)
            throw std::out_of_range("Val: number too large");
        return 0;
    }
    return value;
}

} // namespace tq::common
