#include "common/ProfileFile.h"

#include "common/TextCodec.h"
#include "common/TextFile.h"

#include <QFile>
#include <QStringDecoder>

#include <stdexcept>
#include <vector>

namespace tq::common {

namespace {

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r'); }

QStringView trimmed(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s.at(b)))
        ++b;
    while (e > b && isBlank(s.at(e - 1)))
        --e;
    return s.sliced(b, e - b);
}

// ASCII-only case folding, as the original platform compared these names.
bool equalsAsciiCi(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a.at(i).unicode();
        char16_t y = b.at(i).unicode();
        if (x >= u'A' && x <= u'Z')
            x = static_cast<char16_t>(x + 32);
        if (y >= u'A' && y <= u'Z')
            y = static_cast<char16_t>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

// A section header's name, or a null view when the line is no header.
QStringView sectionName(QStringView line)
{
    const QStringView t = trimmed(line);
    if (!t.startsWith(QLatin1Char('[')))
        return {};
    QStringView name = t.sliced(1);
    const qsizetype close = name.indexOf(QLatin1Char(']'));
    if (close >= 0)
        name = name.left(close);
    return trimmed(name).isNull() ? QStringView(u"") : trimmed(name);
}

// Splits a key line; false for comments and lines without "=".
bool splitKeyLine(QStringView line, QStringView& key, QStringView& value)
{
    const QStringView t = trimmed(line);
    if (t.startsWith(QLatin1Char(';')))
        return false;
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    key = trimmed(t.left(eq));
    value = t.sliced(eq + 1);
    return true;
}

// [first, last) line range of the first matching section's body, or first = -1.
std::pair<qsizetype, qsizetype> findSection(const QStringList& lines, const QString& section)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringView name = sectionName(lines.at(i));
        if (name.isNull() || !equalsAsciiCi(name, section))
            continue;
        qsizetype end = i + 1;
        while (end < lines.size() && sectionName(lines.at(end)).isNull())
            ++end;
        return {i + 1, end};
    }
    return {-1, -1};
}

qsizetype findKey(const QStringList& lines, std::pair<qsizetype, qsizetype> body, const QString& key)
{
    for (qsizetype i = body.first; i < body.second; ++i) {
        QStringView k;
        QStringView v;
        if (splitKeyLine(lines.at(i), k, v) && equalsAsciiCi(k, key))
            return i;
    }
    return -1;
}

QString cleanValue(QStringView raw)
{
    QStringView v = trimmed(raw);
    if (v.size() >= 2) {
        const QChar q = v.front();
        if ((q == QLatin1Char('"') || q == QLatin1Char('\'')) && v.back() == q)
            v = v.sliced(1, v.size() - 2);
    }
    return v.toString();
}

bool hasLineBreak(const QString& s) { return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n')); }

} // namespace

QString truncateToCp932Bytes(const QString& text, int maxBytes)
{
    int bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const bool single = c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F);
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        bytes += single ? 1 : 2;
        if (bytes > maxBytes)
            return text.left(i);
        if (pair)
            ++i;
    }
    return text;
}

ProfileFile ProfileFile::load(const QString& path)
{
    if (!QFile::exists(path))
        return {};
    return fromLines(readTextLines(path));
}

ProfileFile ProfileFile::fromLines(const QStringList& lines)
{
    ProfileFile p;
    p.m_lines = lines;
    return p;
}

QString ProfileFile::rawValue(const QString& section, const QString& key) const
{
    const auto body = findSection(m_lines, section);
    if (body.first < 0)
        return {};
    const qsizetype i = findKey(m_lines, body, key);
    if (i < 0)
        return {};
    QStringView k;
    QStringView v;
    splitKeyLine(m_lines.at(i), k, v);
    return v.isNull() ? QStringLiteral("") : v.toString();
}

QString ProfileFile::value(const QString& section, const QString& key, const QString& defaultValue,
                           int maxBytes) const
{
    const QString raw = rawValue(section, key);
    if (raw.isNull()) {
        // The default loses trailing blanks, as the original call did.
        qsizetype e = defaultValue.size();
        while (e > 0 && isBlank(defaultValue.at(e - 1)))
            --e;
        return truncateToCp932Bytes(defaultValue.left(e), maxBytes);
    }
    return truncateToCp932Bytes(cleanValue(raw), maxBytes);
}

bool ProfileFile::contains(const QString& section, const QString& key) const
{
    return !rawValue(section, key).isNull();
}

QString getPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                const QString& path, int maxBytes)
{
    return ProfileFile::load(path).value(section, key, defaultValue, maxBytes);
}

void writePrivateProfileString(const QString& section, const QString& key, const QString& value, const QString& path)
{
    if (trimmed(section).isEmpty() || trimmed(key).isEmpty())
        throw std::invalid_argument("profile file: empty section or key name");
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value))
        throw std::invalid_argument("profile file: line break in a section, key or value");
    if (section.contains(QLatin1Char(']')) || key.contains(QLatin1Char('=')) || trimmed(key).startsWith(QLatin1Char(';')))
        throw std::invalid_argument("profile file: \"]\" in a section name or \"=\" in a key");

    QByteArray bytes;
    {
        QFile file(path);
        if (file.exists()) {
            if (!file.open(QIODevice::ReadOnly))
                throw TextFileError(path, 0, QStringLiteral("cannot open for reading: ") + file.errorString());
            bytes = file.readAll();
        }
    }
    const bool utf8 = bytes.startsWith("\xEF\xBB\xBF");

    // Lines as byte ranges (including their line ends) and as text for matching.
    struct Span {
        qsizetype begin;
        qsizetype contentEnd;
        qsizetype end;
    };
    std::vector<Span> spans;
    for (qsizetype start = utf8 ? 3 : 0; start < bytes.size();) {
        qsizetype nl = bytes.indexOf('\n', start);
        const qsizetype end = nl < 0 ? bytes.size() : nl + 1;
        qsizetype contentEnd = nl < 0 ? bytes.size() : nl;
        if (nl >= 0 && contentEnd > start && bytes.at(contentEnd - 1) == '\r')
            --contentEnd;
        spans.push_back({start, contentEnd, end});
        start = end;
    }
    const QStringList lines = decodeTextLines(bytes, path);

    Cp932Codec codec;
    const auto encode = [&](const QString& text) -> QByteArray {
        if (utf8)
            return text.toUtf8();
        try {
            return codec.encode(text);
        } catch (const EncodingError& e) {
            throw TextFileError(path, 0, e.message());
        }
    };

    QByteArray out;
    const auto body = findSection(lines, section);
    if (body.first < 0) {
        out = bytes;
        if (!out.isEmpty() && !out.endsWith('\n'))
            out += "\r\n";
        out += encode(QLatin1Char('[') + section + QStringLiteral("]\r\n") + key + QLatin1Char('=') + value
                      + QStringLiteral("\r\n"));
    } else if (const qsizetype at = findKey(lines, body, key); at >= 0) {
        QStringView existingKey;
        QStringView ignored;
        splitKeyLine(lines.at(at), existingKey, ignored);
        const Span& s = spans[static_cast<size_t>(at)];
        out = bytes.left(s.begin) + encode(existingKey.toString() + QLatin1Char('=') + value) + bytes.mid(s.contentEnd);
    } else {
        qsizetype last = body.first - 1; // the header line
        for (qsizetype i = body.first; i < body.second; ++i) {
            if (!trimmed(lines.at(i)).isEmpty())
                last = i;
        }
        const Span& s = spans[static_cast<size_t>(last)];
        out = bytes.left(s.end);
        if (s.end == s.contentEnd)
            out += "\r\n"; // the line had no line end (end of file)
        out += encode(key + QLatin1Char('=') + value + QStringLiteral("\r\n"));
        out += bytes.mid(s.end);
    }
    writeFileAtomic(path, out);
}

} // namespace tq::common
