#pragma once
// The texts of one Sheet column, stored once each in one buffer.

#include <QHashFunctions>
#include <QString>
#include <QStringDecoder>
#include <QStringView>

#include <cstring>
#include <vector>

namespace tq::analysis {

// Texts of one column in one UTF-16 buffer: entries of [length low 16 bits]
// [length high 16 bits][characters], referred to by their offset. A text equal
// to the one stored last reuses its entry (the rows of a race repeat its
// texts). Other repeats are found through an open-addressing table of entry
// offsets (offset + 1; 0 marks a free slot) with each entry's hash, so a probe
// that meets another text rarely reads its characters. Columns of keys skip
// the table (`lookUp` false): their texts are nearly all distinct, and the
// table would only cost time and memory.
class TextPool {
  public:
    quint32 intern(QStringView text, bool lookUp)
    {
        if (m_last != kNone && view(m_last) == text)
            return m_last;
        if (!lookUp)
            return m_last = append(text);
        if (m_slots.empty() || (m_used + 1) * 2 > m_slots.size())
            grow();
        const auto hash = quint32(qHash(text));
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = hash & mask;
        while (const quint32 entry = m_slots[i].entry) {
            if (m_slots[i].hash == hash && view(entry - 1) == text)
                return m_last = entry - 1;
            i = (i + 1) & mask;
        }
        m_last = append(text);
        m_slots[i] = {m_last + 1, hash};
        ++m_used;
        return m_last;
    }

    // The same for UTF-8 bytes. Texts that are looked up are decoded into a
    // buffer the pool keeps; others straight into place, taken back when they
    // repeat the last text.
    quint32 internUtf8(QByteArrayView utf8, bool lookUp)
    {
        const auto room = std::size_t(utf8Decoder().requiredSpace(utf8.size()));
        if (lookUp) {
            m_decoded.resize(room);
            return intern(QStringView(m_decoded.data(), decode(utf8, m_decoded.data())), true);
        }
        const std::size_t offset = m_chars.size();
        m_chars.resize(offset + 2 + room);
        const qsizetype length = decode(utf8, m_chars.data() + offset + 2);
        m_chars.resize(offset + 2 + std::size_t(length));
        if (m_last != kNone && view(m_last) == QStringView(m_chars.data() + offset + 2, length)) {
            m_chars.resize(offset);
            return m_last;
        }
        m_chars[offset] = char16_t(quint32(length) & 0xFFFF);
        m_chars[offset + 1] = char16_t(quint32(length) >> 16);
        return m_last = quint32(offset);
    }

    QStringView view(quint32 offset) const
    {
        const quint32 length = quint32(m_chars[offset]) | (quint32(m_chars[offset + 1]) << 16);
        return QStringView(m_chars.data() + offset + 2, qsizetype(length));
    }

    std::size_t bytes() const
    {
        return m_chars.capacity() * sizeof(char16_t) + m_slots.capacity() * sizeof(Slot) +
               m_decoded.capacity() * sizeof(char16_t);
    }

  private:
    static constexpr quint32 kNone = 0xFFFFFFFF;

    struct Slot {
        quint32 entry = 0; // offset + 1
        quint32 hash = 0;
    };

    // Decodes as QString::fromUtf8 does: a leading byte order mark is dropped.
    static QStringDecoder utf8Decoder()
    {
        return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    }

    // Decodes into `out` (room for requiredSpace units); returns the units
    // written. ASCII and well-formed two- and three-byte sequences (Japanese
    // text) are decoded here, where every decoder agrees; a text with
    // anything else (four-byte sequences, bad bytes, a leading byte order
    // mark, noncharacters) is left whole to Qt's decoder.
    static qsizetype decode(QByteArrayView utf8, char16_t* out)
    {
        const auto* p = reinterpret_cast<const uchar*>(utf8.data());
        const auto* const end = p + utf8.size();
        auto continuation = [](uchar b) { return (b & 0xC0) == 0x80; };
        char16_t* o = out;
        while (p < end) {
            const uchar b = *p;
            if (b < 0x80) {
                *o++ = b;
                ++p;
            } else if (b >= 0xC2 && b <= 0xDF && end - p >= 2 && continuation(p[1])) {
                *o++ = char16_t(((b & 0x1F) << 6) | (p[1] & 0x3F));
                p += 2;
            } else if (b >= 0xE0 && b <= 0xEF && end - p >= 3 && continuation(p[1]) && continuation(p[2])) {
                const auto c = char16_t(((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
                const bool plain = c >= 0x800 && (c < 0xD800 || c > 0xDFFF) && (c < 0xFDD0 || c > 0xFDEF) &&
                                   c < 0xFFFE && !(c == 0xFEFF && o == out);
                if (!plain)
                    return qtDecode(utf8, out);
                *o++ = c;
                p += 3;
            } else {
                return qtDecode(utf8, out);
            }
        }
        return o - out;
    }

    static qsizetype qtDecode(QByteArrayView utf8, char16_t* out)
    {
        QStringDecoder decoder = utf8Decoder();
        return decoder.appendToBuffer(reinterpret_cast<QChar*>(out), utf8) - reinterpret_cast<QChar*>(out);
    }

    quint32 append(QStringView text)
    {
        const auto offset = quint32(m_chars.size());
        const auto length = quint32(text.size());
        m_chars.push_back(char16_t(length & 0xFFFF));
        m_chars.push_back(char16_t(length >> 16));
        m_chars.insert(m_chars.end(), text.utf16(), text.utf16() + text.size());
        return offset;
    }

    void grow()
    {
        std::vector<Slot> old = std::move(m_slots);
        m_slots.assign(old.empty() ? 64 : old.size() * 2, Slot{});
        const std::size_t mask = m_slots.size() - 1;
        for (const Slot& slot : old) {
            if (!slot.entry)
                continue;
            std::size_t i = slot.hash & mask;
            while (m_slots[i].entry)
                i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }

    std::vector<char16_t> m_chars;
    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
    quint32 m_last = kNone;
    std::vector<char16_t> m_decoded;
};

} // namespace tq::analysis
