#pragma once
// Conversion between QString (UTF-16) and the Windows Japanese code page 932.
//
// Every text file the program exchanges with the outside (profile files,
// condition files, exchange files, CSV exports) is CP932. The conversion goes
// through glibc iconv with the code page "CP932", whose table is the Windows
// one: 0x8160 is U+FF5E "～", and the NEC/IBM extensions (①, ㈱, Roman
// numerals) round-trip. Plain "SHIFT_JIS" tables differ on exactly these.
//
// Nothing is ever replaced silently: bytes that are not CP932 and characters
// that CP932 cannot hold raise EncodingError, except in the explicitly lossy
// encoder used where a failure must not stop the caller (the error log).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <stdexcept>

namespace tq::common {

// A conversion failure. `offset()` is the 0-based index of the offending unit
// in the input (a byte when decoding, a UTF-16 unit when encoding).
class EncodingError : public std::runtime_error {
public:
    EncodingError(const QString& message, qsizetype offset);
    QString message() const { return m_message; }
    qsizetype offset() const { return m_offset; }

private:
    QString m_message;
    qsizetype m_offset;
};

// A reusable pair of iconv handles. Converting many lines through one codec
// costs no allocation beyond the output string. Not thread-safe: use one codec
// per thread. Not copyable (it owns the handles).
class Cp932Codec final {
public:
    // Throws std::runtime_error when the C library has no CP932 table.
    Cp932Codec();
    ~Cp932Codec();
    Cp932Codec(const Cp932Codec&) = delete;
    Cp932Codec& operator=(const Cp932Codec&) = delete;

    // Decodes CP932 bytes. Throws EncodingError naming the first invalid or
    // truncated byte sequence.
    QString decode(QByteArrayView bytes);

    // Appends the CP932 form of `text` to `out`. Throws EncodingError naming
    // the first character that CP932 cannot represent; `out` then keeps what
    // it held before the call.
    void encodeAppend(QStringView text, QByteArray& out);
    QByteArray encode(QStringView text);

    // As encode, but a character CP932 cannot hold becomes "?". Only for
    // diagnostics that must never fail.
    QByteArray encodeLossy(QStringView text);

private:
    void* m_decoder;
    void* m_encoder;
};

// One-shot conversions with a codec of their own (convenient, slower in loops).
QString decodeCp932(QByteArrayView bytes);
QByteArray encodeCp932(QStringView text);

// Describes a character for messages: the character itself and its code point,
// for example "① (U+2460)".
QString describeCharacter(char32_t codePoint);

} // namespace tq::common
