#include "store/JetFold.h"

#include <QChar>

#include <array>

namespace tq::store {

namespace {

constexpr char32_t kVoicedMark = 0xFF9E;
constexpr char32_t kSemiVoicedMark = 0xFF9F;

// Half-width katakana U+FF61..U+FF9F to their full-width forms.
constexpr std::array<char16_t, 0x3F> kHalfToFull = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, // ｡｢｣､･ｦｧｨ
    0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, // ｩｪｫｬｭｮｯｰ
    0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB, 0x30AD, 0x30AF, // ｱｲｳｴｵｶｷｸ
    0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, // ｹｺｻｼｽｾｿﾀ
    0x30C1, 0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, // ﾁﾂﾃﾄﾅﾆﾇﾈ
    0x30CE, 0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB, 0x30DE, 0x30DF, // ﾉﾊﾋﾌﾍﾎﾏﾐ
    0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9, 0x30EA, // ﾑﾒﾓﾔﾕﾖﾗﾘ
    0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C,         // ﾙﾚﾛﾜﾝﾞﾟ
};

bool isHalfWidthKana(char32_t c) { return c >= 0xFF61 && c <= 0xFF9F; }

// The voiced form of a full-width katakana, or 0 when it has none.
char32_t voiced(char32_t c)
{
    if ((c >= 0x30AB && c <= 0x30C1 && (c - 0x30AB) % 2 == 0) // カ..チ
        || c == 0x30C4 || c == 0x30C6 || c == 0x30C8           // ツテト
        || (c >= 0x30CF && c <= 0x30DB && (c - 0x30CF) % 3 == 0)) { // ハヒフヘホ
        return c + 1;
    }
    switch (c) {
    case 0x30A6: return 0x30F4; // ウ -> ヴ
    case 0x30EF: return 0x30F7; // ワ -> ヷ
    case 0x30F2: return 0x30FA; // ヲ -> ヺ
    default: return 0;
    }
}

// The semi-voiced form (ハ行 -> パ行), or 0.
char32_t semiVoiced(char32_t c)
{
    return (c >= 0x30CF && c <= 0x30DB && (c - 0x30CF) % 3 == 0) ? c + 2 : 0;
}

char32_t asciiLower(char32_t c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// Fold of one character that does not compose with its successor.
char32_t foldSingle(char32_t c)
{
    if (c < 0x80) {
        return asciiLower(c);
    }
    if (c >= 0xFF01 && c <= 0xFF5E) {
        return asciiLower(c - 0xFEE0);
    }
    if (c == 0x3000) {
        return U' ';
    }
    if (isHalfWidthKana(c)) {
        return kHalfToFull[c - 0xFF61];
    }
    if (c >= 0x3041 && c <= 0x3096) {
        return c + 0x60;
    }
    return QChar::toLower(c);
}

// Composes a half-width kana c (already known to be one) with mark, or 0.
char32_t compose(char32_t c, char32_t mark)
{
    const char32_t full = kHalfToFull[c - 0xFF61];
    if (mark == kVoicedMark) {
        return voiced(full);
    }
    if (mark == kSemiVoicedMark) {
        return semiVoiced(full);
    }
    return 0;
}

// Streams the folded code points of a UTF-8 text.
class FoldCursor final {
public:
    FoldCursor(const unsigned char* p, const unsigned char* end) : m_p(p), m_end(end) {}
    bool atEnd() const { return m_p == m_end; }
    char32_t next()
    {
        const char32_t c = decodeUtf8(m_p, m_end);
        if (isHalfWidthKana(c) && m_p != m_end) {
            const unsigned char* q = m_p;
            if (const char32_t composed = compose(c, decodeUtf8(q, m_end))) {
                m_p = q;
                return composed;
            }
        }
        return foldSingle(c);
    }

private:
    const unsigned char* m_p;
    const unsigned char* m_end;
};

} // namespace

char32_t decodeUtf8(const unsigned char*& p, const unsigned char* end)
{
    const unsigned char lead = *p;
    if (lead < 0x80) {
        ++p;
        return lead;
    }
    int length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2; c = lead & 0x1F; minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3; c = lead & 0x0F; minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4; c = lead & 0x07; minimum = 0x10000;
    }
    if (length == 0 || end - p < length) {
        ++p;
        return 0xDC00 + lead;
    }
    for (int k = 1; k < length; ++k) {
        if ((p[k] & 0xC0) != 0x80) {
            ++p;
            return 0xDC00 + lead;
        }
        c = (c << 6) | (p[k] & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++p;
        return 0xDC00 + lead;
    }
    p += length;
    return c;
}

char32_t jetFoldAt(const std::u32string& text, std::size_t& i)
{
    const char32_t c = text[i++];
    if (isHalfWidthKana(c) && i < text.size()) {
        if (const char32_t composed = compose(c, text[i])) {
            ++i;
            return composed;
        }
    }
    return foldSingle(c);
}

int jetCompare(std::string_view a, std::string_view b)
{
    auto pa = reinterpret_cast<const unsigned char*>(a.data());
    auto pb = reinterpret_cast<const unsigned char*>(b.data());
    const auto ea = pa + a.size();
    const auto eb = pb + b.size();
    // ASCII on both sides: equal bytes are equal folds; otherwise fold case.
    while (pa != ea && pb != eb) {
        const unsigned char x = *pa;
        const unsigned char y = *pb;
        if ((x | y) >= 0x80) {
            break;
        }
        if (x != y) {
            const char32_t fx = asciiLower(x);
            const char32_t fy = asciiLower(y);
            if (fx != fy) {
                return fx < fy ? -1 : 1;
            }
        }
        ++pa;
        ++pb;
    }
    // The characters before the cursors were ASCII, which never compose, so
    // the general path can start here on both sides.
    FoldCursor ca(pa, ea);
    FoldCursor cb(pb, eb);
    while (!ca.atEnd() && !cb.atEnd()) {
        const char32_t x = ca.next();
        const char32_t y = cb.next();
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (ca.atEnd()) {
        return cb.atEnd() ? 0 : -1;
    }
    return 1;
}

std::u32string jetFold(std::string_view utf8, std::vector<int>* origins)
{
    std::u32string raw;
    std::vector<int> rawOrigins;
    raw.reserve(utf8.size());
    auto p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto end = p + utf8.size();
    int utf16Index = 0;
    while (p != end) {
        const char32_t c = decodeUtf8(p, end);
        raw.push_back(c);
        if (origins) {
            rawOrigins.push_back(utf16Index);
        }
        utf16Index += c >= 0x10000 ? 2 : 1;
    }
    std::u32string folded;
    folded.reserve(raw.size());
    if (origins) {
        origins->clear();
        origins->reserve(raw.size());
    }
    for (std::size_t i = 0; i < raw.size();) {
        if (origins) {
            origins->push_back(rawOrigins[i]);
        }
        folded.push_back(jetFoldAt(raw, i));
    }
    return folded;
}

QString jetFold(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    const std::u32string folded = jetFold(std::string_view(utf8.constData(), utf8.size()));
    return QString::fromUcs4(folded.data(), static_cast<qsizetype>(folded.size()));
}

} // namespace tq::store
