#include "store/JetFunctions.h"

#include "common/VbNumber.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace tq::store::jetfn {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// "&H..." / "&O..." as the runtime reads them: up to 4 hex digits are an
// Integer (so "&HFFFF" is -1), up to 8 a Long.
bool parseRadix(std::string_view text, Number& out)
{
    if (text.size() < 3 || text[0] != '&') {
        return false;
    }
    const char kind = static_cast<char>(text[1] | 0x20);
    const int base = kind == 'h' ? 16 : kind == 'o' ? 8 : 0;
    if (base == 0) {
        return false;
    }
    std::uint64_t value = 0;
    const auto digits = text.substr(2);
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (ec != std::errc() || end != digits.data() + digits.size()) {
        return false;
    }
    const int bits = base == 16 ? static_cast<int>(digits.size()) * 4 : static_cast<int>(digits.size()) * 3;
    out.isInteger = true;
    if (bits <= 16 && value <= 0xFFFF) {
        out.i = static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    } else if (value <= 0xFFFFFFFFull && bits <= 32) {
        out.i = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    } else {
        out.i = static_cast<std::int64_t>(value);
    }
    return true;
}

bool parseDecimal(std::string_view text, Number& out)
{
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.')) {
        return false; // also keeps "inf" and "nan" out
    }
    const char* first = text.data();
    const char* last = first + text.size();
    std::int64_t integer = 0;
    if (auto [end, ec] = std::from_chars(first, last, integer); ec == std::errc() && end == last) {
        out.isInteger = true;
        out.i = negative ? -integer : integer;
        return true;
    }
    double real = 0.0;
    if (auto [end, ec] = std::from_chars(first, last, real); ec == std::errc() && end == last) {
        out.isInteger = false;
        out.d = negative ? -real : real;
        return true;
    }
    return false;
}

} // namespace

Number numberOf(sqlite3_value* value)
{
    Number number;
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        number.i = sqlite3_value_int64(value);
        return number;
    case SQLITE_FLOAT:
        number.isInteger = false;
        number.d = sqlite3_value_double(value);
        return number;
    case SQLITE_TEXT: {
        const auto text = trimmed(std::string_view(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                                   static_cast<std::size_t>(sqlite3_value_bytes(value))));
        if (parseRadix(text, number) || parseDecimal(text, number)) {
            return number;
        }
        throw VbError(kTypeMismatch);
    }
    case SQLITE_NULL:
        throw VbError(kInvalidUseOfNull);
    default:
        throw VbError(kTypeMismatch);
    }
}

std::int64_t roundToInteger(double value)
{
    const double rounded = std::nearbyint(value); // default mode: halves to even
    if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0)) {
        throw VbError(kOverflow);
    }
    return static_cast<std::int64_t>(rounded);
}

std::int64_t requiredInteger(sqlite3_value* value)
{
    const Number number = numberOf(value);
    return number.isInteger ? number.i : roundToInteger(number.d);
}

std::string cstrDouble(double value)
{
    if (std::isnan(value) || std::isinf(value)) {
        throw VbError(kOverflow);
    }
    return common::vbCStr(value).toStdString();
}

std::string_view textOf(sqlite3_value* value, std::string& buffer)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        buffer = std::to_string(sqlite3_value_int64(value));
        return buffer;
    case SQLITE_FLOAT:
        buffer = cstrDouble(sqlite3_value_double(value));
        return buffer;
    case SQLITE_NULL:
        throw VbError(kInvalidUseOfNull);
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        return std::string_view(text ? text : "", static_cast<std::size_t>(sqlite3_value_bytes(value)));
    }
    }
}

bool isAscii(std::string_view text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

QString toQString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

void resultText(sqlite3_context* context, std::string_view utf8)
{
    // A null pointer would make the result Null; an empty text stays text.
    sqlite3_result_text(context, utf8.data() ? utf8.data() : "", static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void resultText(sqlite3_context* context, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(context, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void resultNumber(sqlite3_context* context, const Number& number)
{
    if (number.isInteger) {
        sqlite3_result_int64(context, number.i);
    } else {
        sqlite3_result_double(context, number.d);
    }
}

// Days since 1970-01-01 of a proleptic Gregorian date, shifted to the serial
// epoch 1899-12-30 (serial 25569 is 1970-01-01).
std::int64_t daysFromCivil(int year, int month, int day)
{
    const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569;
}

CivilDate civilFromDays(std::int64_t serialDay)
{
    const std::int64_t z = serialDay - 25569 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    CivilDate date;
    date.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    date.year = static_cast<int>(yoe + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

namespace {

constexpr double kFirstSerial = -657434.0; // 0100-01-01; its times are negative fractions
constexpr double kPastLastSerial = 2958466.0; // 10000-01-01

bool readInt(std::string_view& text, int maxDigits, int& out)
{
    int digits = 0;
    out = 0;
    while (!text.empty() && digits < maxDigits && text[0] >= '0' && text[0] <= '9') {
        out = out * 10 + (text[0] - '0');
        text.remove_prefix(1);
        ++digits;
    }
    return digits > 0;
}

bool parseDateText(std::string_view text, double& serial)
{
    int year = 0;
    int month = 0;
    int day = 0;
    if (!readInt(text, 4, year) || text.empty() || (text[0] != '/' && text[0] != '-')) {
        return false;
    }
    const char separator = text[0];
    text.remove_prefix(1);
    if (!readInt(text, 2, month) || text.empty() || text[0] != separator) {
        return false;
    }
    text.remove_prefix(1);
    if (!readInt(text, 2, day) || month < 1 || month > 12 || day < 1) {
        return false;
    }
    const std::int64_t first = daysFromCivil(year, month, 1);
    const std::int64_t next = month == 12 ? daysFromCivil(year + 1, 1, 1) : daysFromCivil(year, month + 1, 1);
    if (day > next - first) {
        return false;
    }
    double fraction = 0.0;
    if (!text.empty()) {
        int hour = 0;
        int minute = 0;
        int second = 0;
        if (!isBlank(text[0])) {
            return false;
        }
        text = trimmed(text);
        if (!readInt(text, 2, hour) || text.empty() || text[0] != ':') {
            return false;
        }
        text.remove_prefix(1);
        if (!readInt(text, 2, minute)) {
            return false;
        }
        if (!text.empty() && text[0] == ':') {
            text.remove_prefix(1);
            if (!readInt(text, 2, second)) {
                return false;
            }
        }
        if (!text.empty() || hour > 23 || minute > 59 || second > 59) {
            return false;
        }
        fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
    }
    serial = static_cast<double>(first + day - 1) + fraction;
    return true;
}

} // namespace

double serialOf(sqlite3_value* value)
{
    double serial = 0.0;
    if (sqlite3_value_type(value) == SQLITE_TEXT) {
        std::string buffer;
        if (!parseDateText(trimmed(textOf(value, buffer)), serial)) {
            serial = numberOf(value).toDouble();
        }
    } else {
        serial = numberOf(value).toDouble();
    }
    if (!(serial > kFirstSerial - 1.0 && serial < kPastLastSerial)) {
        throw VbError(kOverflow);
    }
    return serial;
}

} // namespace tq::store::jetfn
