// Text functions of the expression service. Positions and lengths count
// UTF-16 units, as the runtime's strings (and QString) do; pure-ASCII texts
// take a byte path without conversions.

#include "store/JetFold.h"
#include "store/JetFunctions.h"

#include <QChar>
#include <QList>

#include <algorithm>
#include <iconv.h>

namespace tq::store::jetfn {

namespace {

bool isNull(sqlite3_value* value) { return sqlite3_value_type(value) == SQLITE_NULL; }

// a & b & ...: Null counts as "", the result is Null only when all are Null.
void cat(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    std::string joined;
    std::string buffer;
    bool any = false;
    for (int k = 0; k < argc; ++k) {
        if (!isNull(argv[k])) {
            joined += textOf(argv[k], buffer);
            any = true;
        }
    }
    if (any) {
        resultText(context, joined);
    } else {
        sqlite3_result_null(context);
    }
}

void cstr(sqlite3_context* context, int, sqlite3_value** argv)
{
    std::string buffer;
    resultText(context, textOf(argv[0], buffer));
}

std::int64_t nonNegative(sqlite3_value* value)
{
    const std::int64_t n = requiredInteger(value);
    if (n < 0) {
        throw VbError(kInvalidCall);
    }
    return n;
}

qsizetype clampedSize(std::int64_t n)
{
    return static_cast<qsizetype>(std::min<std::int64_t>(n, std::numeric_limits<int>::max()));
}

void left(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (isNull(argv[0])) {
        sqlite3_result_null(context);
        return;
    }
    const std::int64_t n = nonNegative(argv[1]);
    std::string buffer;
    const std::string_view text = textOf(argv[0], buffer);
    if (isAscii(text)) {
        resultText(context, text.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(n, text.size()))));
    } else {
        resultText(context, toQString(text).left(clampedSize(n)));
    }
}

void right(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (isNull(argv[0])) {
        sqlite3_result_null(context);
        return;
    }
    const std::int64_t n = nonNegative(argv[1]);
    std::string buffer;
    const std::string_view text = textOf(argv[0], buffer);
    if (isAscii(text)) {
        const auto count = static_cast<std::size_t>(std::min<std::int64_t>(n, text.size()));
        resultText(context, text.substr(text.size() - count));
    } else {
        resultText(context, toQString(text).right(clampedSize(n)));
    }
}

// Mid(s, start[, length]): start counts from 1; past the end gives "".
void mid(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (isNull(argv[0])) {
        sqlite3_result_null(context);
        return;
    }
    const std::int64_t start = requiredInteger(argv[1]);
    if (start < 1) {
        throw VbError(kInvalidCall);
    }
    const std::int64_t length = argc > 2 ? nonNegative(argv[2]) : std::numeric_limits<int>::max();
    std::string buffer;
    const std::string_view text = textOf(argv[0], buffer);
    if (isAscii(text)) {
        if (start > static_cast<std::int64_t>(text.size())) {
            resultText(context, std::string_view());
        } else {
            resultText(context, text.substr(static_cast<std::size_t>(start - 1),
                                            static_cast<std::size_t>(std::min<std::int64_t>(length, text.size()))));
        }
    } else {
        resultText(context, toQString(text).mid(clampedSize(start - 1), clampedSize(length)));
    }
}

std::int64_t utf16Length(std::string_view text)
{
    std::int64_t units = 0;
    auto p = reinterpret_cast<const unsigned char*>(text.data());
    const auto end = p + text.size();
    while (p != end) {
        units += decodeUtf8(p, end) >= 0x10000 ? 2 : 1;
    }
    return units;
}

void len(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (isNull(argv[0])) {
        sqlite3_result_null(context);
        return;
    }
    std::string buffer;
    sqlite3_result_int64(context, utf16Length(textOf(argv[0], buffer)));
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Position (from 1) of needle in haystack at or after UTF-16 index `from`,
// comparing as Jet compares text; 0 when absent.
std::int64_t findFolded(std::string_view haystack, std::string_view needle, std::int64_t from)
{
    if (isAscii(haystack) && isAscii(needle)) {
        const auto hit = std::search(haystack.begin() + from, haystack.end(), needle.begin(), needle.end(),
                                     [](char a, char b) { return asciiLower(a) == asciiLower(b); });
        return hit == haystack.end() ? 0 : (hit - haystack.begin()) + 1;
    }
    std::vector<int> origins;
    const std::u32string folded = jetFold(haystack, &origins);
    const std::u32string pattern = jetFold(needle);
    const auto first = std::lower_bound(origins.begin(), origins.end(), from) - origins.begin();
    const auto hit = folded.find(pattern, static_cast<std::size_t>(first));
    return hit == std::u32string::npos ? 0 : origins[hit] + 1;
}

// InStr([start, ]s1, s2[, compare]): compare 0 is binary, 1 (and the default)
// compares as Jet compares text.
void instr(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    std::int64_t start = 1;
    int first = 0;
    bool binary = false;
    if (argc >= 3) {
        start = requiredInteger(argv[0]);
        if (start < 1) {
            throw VbError(kInvalidCall);
        }
        first = 1;
        if (argc == 4) {
            const std::int64_t compare = requiredInteger(argv[3]);
            if (compare != 0 && compare != 1) {
                throw VbError(kInvalidCall);
            }
            binary = compare == 0;
        }
    }
    if (isNull(argv[first]) || isNull(argv[first + 1])) {
        sqlite3_result_null(context);
        return;
    }
    std::string haystackBuffer;
    std::string needleBuffer;
    const std::string_view haystack = textOf(argv[first], haystackBuffer);
    const std::string_view needle = textOf(argv[first + 1], needleBuffer);
    const std::int64_t length = isAscii(haystack) ? static_cast<std::int64_t>(haystack.size()) : utf16Length(haystack);
    if (length == 0 || start > length) {
        sqlite3_result_int(context, 0);
    } else if (needle.empty()) {
        sqlite3_result_int64(context, start);
    } else if (binary) {
        sqlite3_result_int64(context, toQString(haystack).indexOf(toQString(needle), clampedSize(start - 1)) + 1);
    } else {
        sqlite3_result_int64(context, findFolded(haystack, needle, start - 1));
    }
}

void nz(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (!isNull(argv[0])) {
        sqlite3_result_value(context, argv[0]);
    } else if (argc > 1) {
        sqlite3_result_value(context, argv[1]);
    } else {
        sqlite3_result_text(context, "", 0, SQLITE_STATIC);
    }
}

template <bool Upper>
void changeCase(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (isNull(argv[0])) {
        sqlite3_result_null(context);
        return;
    }
    std::string buffer;
    const std::string_view text = textOf(argv[0], buffer);
    if (isAscii(text)) {
        std::string out(text);
        for (char& c : out) {
            if (Upper && c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 32);
            } else if (!Upper && c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c + 32);
            }
        }
        resultText(context, out);
        return;
    }
    // Simple (one to one) case mapping per code point, so lengths never change.
    QList<uint> codePoints = toQString(text).toUcs4();
    for (uint& c : codePoints) {
        c = Upper ? QChar::toUpper(c) : QChar::toLower(c);
    }
    resultText(context, QString::fromUcs4(reinterpret_cast<const char32_t*>(codePoints.constData()),
                                          codePoints.size()));
}

void space(sqlite3_context* context, int, sqlite3_value** argv)
{
    const std::int64_t n = nonNegative(argv[0]);
    if (n > sqlite3_limit(sqlite3_context_db_handle(context), SQLITE_LIMIT_LENGTH, -1)) {
        sqlite3_result_error_toobig(context);
        return;
    }
    resultText(context, std::string(static_cast<std::size_t>(n), ' '));
}

// Chr of a character code of the Japanese code page: 0..127 ASCII, 0xA1..0xDF
// half-width katakana, larger codes double-byte characters (negative codes
// are the Integer spelling of the same 16 bits, as in Chr(&H82A0)).
void chr(sqlite3_context* context, int, sqlite3_value** argv)
{
    std::int64_t code = requiredInteger(argv[0]);
    if (code < -32768 || code > 65535) {
        throw VbError(kInvalidCall);
    }
    if (code < 0) {
        code += 65536;
    }
    if (code < 0x80) {
        const char c = static_cast<char>(code);
        resultText(context, std::string_view(&c, 1));
        return;
    }
    if (code >= 0xA1 && code <= 0xDF) {
        resultText(context, QString(QChar(static_cast<char16_t>(0xFF61 + (code - 0xA1)))));
        return;
    }
    if (code < 0x100) {
        throw VbError(kInvalidCall);
    }
    char in[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    char out[8] = {};
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw VbError(kInvalidCall);
    }
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = sizeof in;
    std::size_t outLeft = sizeof out;
    const std::size_t converted = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (converted == static_cast<std::size_t>(-1) || inLeft != 0) {
        throw VbError(kInvalidCall);
    }
    resultText(context, std::string_view(out, static_cast<std::size_t>(outPtr - out)));
}

struct Entry {
    const char* name;
    int argc;
    Body body;
};

} // namespace

void registerTextFunctions(sqlite3* db)
{
    static constexpr Entry kEntries[] = {
        {"jet_cat", -1, guarded<cat>},
        {"jet_cstr", 1, guarded<cstr>},
        {"jet_left", 2, guarded<left>},
        {"jet_right", 2, guarded<right>},
        {"jet_mid", 2, guarded<mid>},
        {"jet_mid", 3, guarded<mid>},
        {"jet_len", 1, guarded<len>},
        {"jet_instr", 2, guarded<instr>},
        {"jet_instr", 3, guarded<instr>},
        {"jet_instr", 4, guarded<instr>},
        {"jet_nz", 1, guarded<nz>},
        {"jet_nz", 2, guarded<nz>},
        {"jet_lcase", 1, guarded<changeCase<false>>},
        {"jet_ucase", 1, guarded<changeCase<true>>},
        {"jet_space", 1, guarded<space>},
        {"jet_chr", 1, guarded<chr>},
    };
    for (const Entry& entry : kEntries) {
        sqlite3_create_function_v2(db, entry.name, entry.argc, kPureFlags, nullptr, entry.body, nullptr, nullptr,
                                   nullptr);
    }
}

} // namespace tq::store::jetfn
