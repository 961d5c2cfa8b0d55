#pragma once
// Line-oriented text files in the formats the program exchanges: CP932 with
// CRLF line ends on writing; CP932 or UTF-8 (recognised by its byte-order
// mark) on reading, with CRLF or LF line ends.
//
// Failures throw TextFileError, which names the file and, where it applies,
// the 1-based line. Nothing is replaced by "?" on the way.

#include "common/TextCodec.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>

namespace tq::common {

class TextFileError : public std::runtime_error {
public:
    // `line` is 1-based; 0 when the failure is not tied to a line (open,
    // write, rename).
    TextFileError(const QString& path, int line, const QString& detail);
    QString path() const { return m_path; }
    int line() const { return m_line; }
    QString detail() const { return m_detail; }
    // "<path>: line <n>: <detail>" or "<path>: <detail>".
    QString message() const;

private:
    QString m_path;
    int m_line;
    QString m_detail;
};

// Reads a whole text file into lines without their line ends. A final line
// end does not add an empty line; a CR before each LF is dropped, any other CR
// stays in the text. A file starting with the UTF-8 byte-order mark is read as
// UTF-8, anything else as CP932. Throws TextFileError when the file cannot be
// opened or a line holds bytes invalid in its encoding.
QStringList readTextLines(const QString& path);

// The same over bytes already in memory; `path` is only used in messages.
QStringList decodeTextLines(QByteArrayView bytes, const QString& path = QString());

// Called for each line that holds bytes invalid in its encoding when the
// reader should skip that line and go on instead of throwing.
using BadLineHandler = std::function<void(const TextFileError&)>;

// readTextLines that skips the lines it cannot decode, passing each to
// `onBadLine`; the other lines keep their order. Still throws TextFileError
// when the file cannot be opened or read.
QStringList readTextLinesSkippingBad(const QString& path, const BadLineHandler& onBadLine);

// CP932 bytes of the lines, each followed by CRLF. Throws TextFileError naming
// the line and the character when a character cannot be written in CP932.
QByteArray encodeTextLines(const QStringList& lines, const QString& path = QString());

// Replaces the file's content as one step: the bytes go to a temporary file in
// the same directory, which is flushed to disk and renamed over the target.
// When anything fails (directory not writable, disk full) the temporary file
// is removed, the previous file stays as it was, and TextFileError is thrown.
void writeFileAtomic(const QString& path, QByteArrayView bytes);

// encodeTextLines + writeFileAtomic: nothing is written when a line cannot be
// encoded.
void writeTextLinesAtomic(const QString& path, const QStringList& lines);

// Writes a long CP932 text line by line (CSV exports). Lines are buffered and
// reach the file in blocks; the caller may stop at any time: close() (or the
// destructor) keeps every line written so far. A line that cannot be encoded
// throws before any of its bytes is written, so the file never holds half a
// line. Not copyable; one thread at a time.
class Cp932LineWriter final {
public:
    // Creates or truncates the file. Throws TextFileError when it cannot.
    explicit Cp932LineWriter(const QString& path);
    // Flushes and closes; errors are swallowed here, so call close() to see them.
    ~Cp932LineWriter();
    Cp932LineWriter(const Cp932LineWriter&) = delete;
    Cp932LineWriter& operator=(const Cp932LineWriter&) = delete;

    // Appends the line and CRLF. Throws TextFileError (unrepresentable
    // character, naming the line number; or a write failure).
    void writeLine(QStringView line);
    // Writes the buffered lines and closes the file. Throws TextFileError when
    // the data could not be written. Further calls do nothing.
    void close();

    qint64 linesWritten() const { return m_lines; }
    QString path() const { return m_path; }

private:
    void flushBuffer();

    QString m_path;
    QFile m_file;
    Cp932Codec m_codec;
    QByteArray m_buffer;
    qint64 m_lines = 0;
};

} // namespace tq::common
