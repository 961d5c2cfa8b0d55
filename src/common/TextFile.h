#pragma once
// Line-oriented text files in the formats the program exchanges: CP932 with
// CRLF line ends on writing; CP932 or UTF-8 (recognised by its byte-order
// mark) on reading, with CRLF or LF line ends.
//
// Failures throw TextFileError, which names the file and, where it applies,
// the 1-based line. Nothing is replaced by "?" on the way.

#include "common/AtomicFile.h"
#include "common/TextCodec.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <limits>
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
// when the file cannot be opened or read, or is larger than `maxBytes`.
// With `utf8WithoutBom`, a file without the byte-order mark that is valid
// UTF-8 and holds non-ASCII bytes (which CP932 Japanese text practically
// never is) is read as UTF-8, and the flag says so.
QStringList readTextLinesSkippingBad(const QString& path, const BadLineHandler& onBadLine,
                                     qint64 maxBytes = std::numeric_limits<qint64>::max(),
                                     bool* utf8WithoutBom = nullptr);

// CP932 bytes of the lines, each followed by CRLF. Throws TextFileError naming
// the line and the character when a character cannot be written in CP932.
QByteArray encodeTextLines(const QStringList& lines, const QString& path = QString());

// Replaces the file's content as one step through AtomicFile: a failed write
// (directory not writable, disk full, target not a regular file) throws
// TextFileError with the system's reason and leaves the previous file as it
// was.
void writeFileAtomic(const QString& path, QByteArrayView bytes, FileSystemCalls& calls = FileSystemCalls::system());

// encodeTextLines + writeFileAtomic: nothing is written when a line cannot be
// encoded.
void writeTextLinesAtomic(const QString& path, const QStringList& lines);

// Writes a long CP932 text line by line (CSV exports, exchange files) into
// an AtomicFile: the lines are buffered, reach a temporary file beside the
// target in blocks, and replace the target only when close() succeeds. A
// writer dropped without close() (a cancel, an error, a crash) leaves the
// previous file as it was. A line that cannot be encoded throws before any of
// its bytes is buffered. Not copyable; one thread at a time.
class Cp932LineWriter final {
public:
    // Starts the temporary file. Throws TextFileError when it cannot (the
    // target is not a regular file, the directory is not writable).
    explicit Cp932LineWriter(const QString& path, FileSystemCalls& calls = FileSystemCalls::system());
    // Discards the lines unless close() succeeded.
    ~Cp932LineWriter() = default;
    Cp932LineWriter(const Cp932LineWriter&) = delete;
    Cp932LineWriter& operator=(const Cp932LineWriter&) = delete;

    // Appends the line and CRLF. Throws TextFileError (unrepresentable
    // character, naming the line number; or a write failure).
    void writeLine(QStringView line);
    // Writes the buffered lines and replaces the target with them. Throws
    // TextFileError when they could not be written; the previous file stays.
    // Further calls do nothing.
    void close();
    // Drops every line; the previous file stays.
    void discard() noexcept { m_file.discard(); }

    qint64 linesWritten() const { return m_lines; }
    QString path() const { return m_file.path(); }

private:
    void flushBuffer();

    AtomicFile m_file;
    Cp932Codec m_codec;
    QByteArray m_buffer;
    qint64 m_lines = 0;
    bool m_closed = false;
};

} // namespace tq::common
