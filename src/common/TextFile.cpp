#include "common/TextFile.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>

namespace tq::common {

namespace {

constexpr qsizetype kWriterBlock = 64 * 1024;

bool hasUtf8Bom(QByteArrayView bytes)
{
    return bytes.size() >= 3 && static_cast<uchar>(bytes[0]) == 0xEF && static_cast<uchar>(bytes[1]) == 0xBB
        && static_cast<uchar>(bytes[2]) == 0xBF;
}

// Valid UTF-8 with at least one multi-byte sequence and no byte-order mark.
bool isBomlessUtf8(QByteArrayView bytes)
{
    if (hasUtf8Bom(bytes) || std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; }))
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes); // decode() is lazy: converting runs it
    return !text.isNull() && !decoder.hasError();
}

} // namespace

TextFileError::TextFileError(const QString& path, int line, const QString& detail)
    : std::runtime_error((line > 0 ? QStringLiteral("%1: line %2: %3").arg(path).arg(line).arg(detail)
                                   : QStringLiteral("%1: %2").arg(path, detail))
                             .toStdString()),
      m_path(path), m_line(line), m_detail(detail)
{
}

QString TextFileError::message() const { return QString::fromUtf8(what()); }

namespace {

// One line's text, or what is wrong with its bytes.
struct DecodedLine {
    QString text;
    QString fault; // empty when the line decoded
};

DecodedLine decodeLine(bool utf8, QStringDecoder& utf8Decoder, Cp932Codec& codec, QByteArrayView line)
{
    if (!utf8) {
        try {
            return {codec.decode(line), {}};
        } catch (const EncodingError& e) {
            return {{}, e.message()};
        }
    }
    QString text = utf8Decoder.decode(line);
    if (!utf8Decoder.hasError())
        return {std::move(text), {}};
    utf8Decoder.resetState(); // the next line starts clean
    return {{}, QStringLiteral("invalid UTF-8 byte sequence")};
}

QStringList decodeLines(QByteArrayView bytes, const QString& path, const BadLineHandler* onBadLine,
                        bool bomlessUtf8 = false)
{
    const bool utf8 = bomlessUtf8 || hasUtf8Bom(bytes);
    if (utf8 && !bomlessUtf8)
        bytes = bytes.sliced(3);

    QStringList lines;
    Cp932Codec codec;
    QStringDecoder utf8Decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    qsizetype start = 0;
    int lineNo = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        qsizetype next = end + 1;
        if (end < 0)
            end = next = bytes.size();
        ++lineNo;
        QByteArrayView line = bytes.sliced(start, end - start);
        if (end < bytes.size() && line.endsWith('\r'))
            line.chop(1);
        // CP932 trail bytes never take the values of LF or CR, so splitting
        // the bytes before decoding cannot cut a character.
        DecodedLine decoded = decodeLine(utf8, utf8Decoder, codec, line);
        if (decoded.fault.isEmpty()) {
            lines.append(std::move(decoded.text));
        } else {
            const TextFileError error(path, lineNo, decoded.fault);
            if (!onBadLine)
                throw error;
            (*onBadLine)(error);
        }
        start = next;
    }
    return lines;
}

QByteArray readAllBytes(const QString& path, qint64 maxBytes = std::numeric_limits<qint64>::max())
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TextFileError(path, 0, QStringLiteral("cannot open for reading: ") + file.errorString());
    if (file.size() > maxBytes)
        throw TextFileError(path, 0, QStringLiteral("the file is larger than %1 bytes").arg(maxBytes));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TextFileError(path, 0, QStringLiteral("cannot read: ") + file.errorString());
    return bytes;
}

} // namespace

QStringList decodeTextLines(QByteArrayView bytes, const QString& path)
{
    return decodeLines(bytes, path, nullptr);
}

QStringList readTextLines(const QString& path)
{
    return decodeLines(readAllBytes(path), path, nullptr);
}

QStringList readTextLinesSkippingBad(const QString& path, const BadLineHandler& onBadLine, qint64 maxBytes,
                                     bool* utf8WithoutBom)
{
    const QByteArray bytes = readAllBytes(path, maxBytes);
    const bool bomless = utf8WithoutBom && isBomlessUtf8(bytes);
    if (utf8WithoutBom)
        *utf8WithoutBom = bomless;
    return decodeLines(bytes, path, &onBadLine, bomless);
}

QByteArray encodeTextLines(const QStringList& lines, const QString& path)
{
    Cp932Codec codec;
    QByteArray out;
    qsizetype estimate = 0;
    for (const QString& line : lines)
        estimate += line.size() + 2;
    out.reserve(estimate);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        try {
            codec.encodeAppend(lines.at(i), out);
        } catch (const EncodingError& e) {
            throw TextFileError(path, static_cast<int>(i + 1), e.message());
        }
        out += "\r\n";
    }
    return out;
}

void writeFileAtomic(const QString& path, QByteArrayView bytes, FileSystemCalls& calls)
{
    AtomicFile file(path, calls);
    file.write(bytes);
    file.commit();
}

void writeTextLinesAtomic(const QString& path, const QStringList& lines)
{
    writeFileAtomic(path, encodeTextLines(lines, path));
}

Cp932LineWriter::Cp932LineWriter(const QString& path, FileSystemCalls& calls) : m_file(path, calls)
{
    m_buffer.reserve(kWriterBlock + 4096);
}

void Cp932LineWriter::writeLine(QStringView line)
{
    if (!m_file.isOpen())
        throw TextFileError(m_file.path(), 0, QStringLiteral("the file is already closed"));
    try {
        m_codec.encodeAppend(line, m_buffer);
    } catch (const EncodingError& e) {
        throw TextFileError(m_file.path(), static_cast<int>(m_lines + 1), e.message());
    }
    m_buffer += "\r\n";
    ++m_lines;
    if (m_buffer.size() >= kWriterBlock)
        flushBuffer();
}

void Cp932LineWriter::flushBuffer()
{
    m_file.write(m_buffer);
    m_buffer.clear();
}

void Cp932LineWriter::close()
{
    if (m_closed)
        return;
    flushBuffer();
    m_file.commit();
    m_closed = true;
}

} // namespace tq::common
