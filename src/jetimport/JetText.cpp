#include "jetimport/JetText.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace tq::jetimport {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Expands compressed Jet 4 text into plain UTF-16LE bytes.
QByteArray expandCompressed(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size() * 2);
    bool compressed = true;
    for (qsizetype i = 2; i < bytes.size();) {
        const char b = bytes[i];
        if (b == 0) {
            compressed = !compressed;
            ++i;
        } else if (compressed) {
            out.append(b).append('\0');
            ++i;
        } else {
            out.append(bytes.sliced(i, std::min<qsizetype>(2, bytes.size() - i)).toByteArray()); // a single trailing byte stays odd
            i += 2;
        }
    }
    return out;
}

} // namespace

QString decodeJet4Text(QByteArrayView bytes, bool& failed)
{
    const bool isCompressed = bytes.size() >= 2 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xFE;
    const QByteArray plain = isCompressed ? expandCompressed(bytes) : bytes.toByteArray();
    QString text;
    text.reserve(plain.size() / 2 + 1);
    const qsizetype units = plain.size() / 2;
    auto unit = [&plain](qsizetype i) { return char16_t(uchar(plain[2 * i]) | (uchar(plain[2 * i + 1]) << 8)); };
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t u = unit(i);
        if (QChar::isHighSurrogate(u) && i + 1 < units && QChar::isLowSurrogate(unit(i + 1))) {
            text.append(QChar(u)).append(QChar(unit(++i)));
        } else if (QChar::isSurrogate(u)) {
            text.append(QChar(kReplacement));
            failed = true;
        } else {
            text.append(QChar(u));
        }
    }
    if (plain.size() % 2 != 0) {
        text.append(QChar(kReplacement));
        failed = true;
    }
    return text;
}

CodePageDecoder::CodePageDecoder(const char* charset) : m_cd(iconv_open("UTF-16LE", charset))
{
    if (m_cd == reinterpret_cast<void*>(iconv_t(-1)))
        throw std::runtime_error(std::string("no conversion from code page ") + charset);
}

CodePageDecoder::~CodePageDecoder()
{
    iconv_close(iconv_t(m_cd));
}

QString CodePageDecoder::decode(QByteArrayView bytes, bool& failed)
{
    const auto cd = iconv_t(m_cd);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::vector<char> out(std::size_t(bytes.size()) * 2 + 4);
    QString text;
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char* o = out.data();
        size_t outLeft = out.size();
        const size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
        text.append(QStringView(reinterpret_cast<const char16_t*>(out.data()), qsizetype(out.size() - outLeft) / 2));
        if (rc != size_t(-1))
            break;
        if (errno == E2BIG)
            continue;
        // An invalid or truncated sequence: mark it and go on after its first byte.
        failed = true;
        text.append(QChar(kReplacement));
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return text;
}

QByteArray charsetOfCodePage(int codePage)
{
    if (codePage <= 0)
        return QByteArrayLiteral("CP1252");
    return QByteArrayLiteral("CP") + QByteArray::number(codePage);
}

double singleValue(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", double(value));
    return std::strtod(text, nullptr);
}

} // namespace tq::jetimport
