#pragma once
// Decoding of the raw bytes of Jet text and single-precision fields.
//
// Jet 4 stores text as UTF-16LE, optionally "compressed": a text starting with
// the bytes FF FE alternates between runs of one byte per character (high byte
// zero) and runs of two, each 00 byte switching the mode. The decoder keeps
// surrogate pairs (characters beyond U+FFFF); a lone surrogate or an odd byte
// left over is a conversion failure.
// Jet 3 stores text in the database's code page (CP932 for Japanese files).

#include <QByteArrayView>
#include <QString>

namespace tq::jetimport {

// The decoded text; `failed` is set (never cleared) when some unit could not be
// decoded. Undecodable units become U+FFFD.
QString decodeJet4Text(QByteArrayView bytes, bool& failed);

// Decodes text in a code page through iconv ("CP932", "CP1252" ...). Not
// thread-safe; one decoder per reader. Bytes that are not valid in the code
// page become U+FFFD and set `failed`.
class CodePageDecoder final {
public:
    // Throws std::runtime_error when the C library does not know the code page.
    explicit CodePageDecoder(const char* charset);
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    QString decode(QByteArrayView bytes, bool& failed);

private:
    void* m_cd;
};

// The iconv name of a Jet 3 code page number (932 -> "CP932"; 0 -> "CP1252").
QByteArray charsetOfCodePage(int codePage);

// A single-precision value as Jet shows it: rounded to 7 significant digits
// and widened (0.15f -> 0.15, not 0.150000005960464).
double singleValue(float value);

} // namespace tq::jetimport
