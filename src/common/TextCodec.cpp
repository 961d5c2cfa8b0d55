#include "common/TextCodec.h"

#include <QSysInfo>

#include <cerrno>
#include <iconv.h>

namespace tq::common {

namespace {

// QString stores native-endian UTF-16; name the matching iconv encoding so no
// byte-order mark is produced or expected.
const char* nativeUtf16()
{
    return QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
}

iconv_t handle(void* h) { return static_cast<iconv_t>(h); }

void resetState(void* h) { iconv(handle(h), nullptr, nullptr, nullptr, nullptr); }

char32_t codePointAt(QStringView text, qsizetype i)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    return c.unicode();
}

} // namespace

EncodingError::EncodingError(const QString& message, qsizetype offset)
    : std::runtime_error(message.toStdString()), m_message(message), m_offset(offset)
{
}

QString describeCharacter(char32_t codePoint)
{
    const QString hex = QStringLiteral("U+%1").arg(static_cast<uint>(codePoint), 4, 16, QLatin1Char('0')).toUpper();
    if (codePoint < 0x20 || codePoint == 0x7F)
        return hex;
    return QString::fromUcs4(&codePoint, 1) + QStringLiteral(" (") + hex + QLatin1Char(')');
}

Cp932Codec::Cp932Codec()
    : m_decoder(iconv_open(nativeUtf16(), "CP932")), m_encoder(iconv_open("CP932", nativeUtf16()))
{
    if (m_decoder == reinterpret_cast<void*>(iconv_t(-1)) || m_encoder == reinterpret_cast<void*>(iconv_t(-1))) {
        if (m_decoder != reinterpret_cast<void*>(iconv_t(-1)))
            iconv_close(handle(m_decoder));
        if (m_encoder != reinterpret_cast<void*>(iconv_t(-1)))
            iconv_close(handle(m_encoder));
        throw std::runtime_error("the C library has no CP932 conversion (iconv_open failed)");
    }
}

Cp932Codec::~Cp932Codec()
{
    iconv_close(handle(m_decoder));
    iconv_close(handle(m_encoder));
}

QString Cp932Codec::decode(QByteArrayView bytes)
{
    // Each CP932 byte yields at most one UTF-16 unit.
    QString out(bytes.size(), Qt::Uninitialized);
    if (bytes.isEmpty())
        return out;
    resetState(m_decoder);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char* dst = reinterpret_cast<char*>(out.data());
    size_t dstLeft = static_cast<size_t>(out.size()) * sizeof(char16_t);
    if (iconv(handle(m_decoder), &in, &inLeft, &dst, &dstLeft) == size_t(-1)) {
        const int err = errno;
        const qsizetype at = in - bytes.data();
        const auto byteText = [&](qsizetype n) {
            QString s;
            for (qsizetype i = at; i < at + n && i < bytes.size(); ++i)
                s += QStringLiteral("%1").arg(static_cast<uchar>(bytes[i]), 2, 16, QLatin1Char('0')).toUpper();
            return s;
        };
        if (err == EINVAL)
            throw EncodingError(QStringLiteral("truncated CP932 character 0x%1 at byte %2").arg(byteText(1)).arg(at + 1), at);
        throw EncodingError(QStringLiteral("invalid CP932 byte sequence 0x%1 at byte %2").arg(byteText(2)).arg(at + 1), at);
    }
    out.truncate(out.size() - static_cast<qsizetype>(dstLeft / sizeof(char16_t)));
    return out;
}

void Cp932Codec::encodeAppend(QStringView text, QByteArray& out)
{
    if (text.isEmpty())
        return;
    const qsizetype start = out.size();
    // Each UTF-16 unit yields at most two CP932 bytes.
    out.resize(start + text.size() * 2);
    resetState(m_encoder);
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.utf16()));
    size_t inLeft = static_cast<size_t>(text.size()) * sizeof(char16_t);
    char* dst = out.data() + start;
    size_t dstLeft = static_cast<size_t>(text.size()) * 2;
    if (iconv(handle(m_encoder), &in, &inLeft, &dst, &dstLeft) == size_t(-1)) {
        out.truncate(start);
        const qsizetype at = static_cast<qsizetype>((in - reinterpret_cast<const char*>(text.utf16())) / 2);
        throw EncodingError(QStringLiteral("character %1 at position %2 cannot be written in CP932")
                                .arg(describeCharacter(codePointAt(text, at)))
                                .arg(at + 1),
                            at);
    }
    out.truncate(out.size() - static_cast<qsizetype>(dstLeft));
}

QByteArray Cp932Codec::encode(QStringView text)
{
    QByteArray out;
    encodeAppend(text, out);
    return out;
}

QByteArray Cp932Codec::encodeLossy(QStringView text)
{
    QByteArray out;
    while (!text.isEmpty()) {
        try {
            encodeAppend(text, out);
            break;
        } catch (const EncodingError& e) {
            encodeAppend(text.left(e.offset()), out);
            out += '?';
            qsizetype skip = e.offset() + 1;
            if (text.at(e.offset()).isHighSurrogate() && skip < text.size() && text.at(skip).isLowSurrogate())
                ++skip;
            text = text.mid(skip);
        }
    }
    return out;
}

QString decodeCp932(QByteArrayView bytes)
{
    Cp932Codec codec;
    return codec.decode(bytes);
}

QByteArray encodeCp932(QStringView text)
{
    Cp932Codec codec;
    return codec.encode(text);
}

} // namespace tq::common
