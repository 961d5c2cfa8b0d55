#pragma once
// Windows-style profile files ("[section]" lines and "key=value" lines), read
// and written with the semantics programs of the original platform relied on:
//
// - section and key names compare without regard to ASCII letter case;
// - the first matching section and the first matching key in it count;
// - values are trimmed of blanks and tabs, and one pair of matching single or
//   double quotes around the whole value is removed;
// - a value is cut to at most 127 CP932 bytes (the 128-byte buffer every
//   caller used), never in the middle of a double-byte character; the
//   default value passes through the same cut;
// - lines starting with ";" are comments; lines without "=" and lines before
//   the first section are ignored when reading;
// - a missing file reads as all defaults.
//
// Files are CP932 (or UTF-8 with a byte-order mark, kept as such on writing).

#include <QString>
#include <QStringList>

namespace tq::common {

inline constexpr int kProfileValueMaxBytes = 127;

class ProfileFile final {
public:
    // Reads the file once for many look-ups. A missing file gives an empty
    // profile; an unreadable file or bytes invalid in CP932 throw TextFileError.
    static ProfileFile load(const QString& path);
    static ProfileFile fromLines(const QStringList& lines);

    // The value of [section] key, or `defaultValue` when either is missing,
    // cut to `maxBytes` CP932 bytes.
    QString value(const QString& section, const QString& key, const QString& defaultValue = QString(),
                  int maxBytes = kProfileValueMaxBytes) const;
    bool contains(const QString& section, const QString& key) const;

private:
    // The raw text after "=" of the first matching key, or a null QString.
    QString rawValue(const QString& section, const QString& key) const;

    QStringList m_lines;
};

// One-shot read (GetPrivateProfileString): ProfileFile::load(path).value(...).
QString getPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                const QString& path, int maxBytes = kProfileValueMaxBytes);

// WritePrivateProfileString: sets [section] key=value. An existing key line
// (the first match) is replaced, keeping the key's spelling and its line end;
// a missing key is added after the last non-blank line of the section; a
// missing section is appended at the end of the file with the key. Every other
// byte of the file stays as it was. The file is replaced atomically (temporary
// file and rename), created when missing. Throws std::invalid_argument for
// names or values that a profile file cannot hold (empty names, line breaks,
// "]" in a section name, "=" in a key), TextFileError when the file cannot be
// read, holds invalid bytes, or cannot be written, and when the value cannot
// be encoded.
void writePrivateProfileString(const QString& section, const QString& key, const QString& value, const QString& path);

// The text cut to at most `maxBytes` bytes of its CP932 form without
// splitting a character (ASCII and half-width katakana count one byte, every
// other character two).
QString truncateToCp932Bytes(const QString& text, int maxBytes);

} // namespace tq::common
