#pragma once
// Replacing a file as one step: the new content goes to a temporary file
// beside the target, every write, the flush to disk (fsync) and the close are
// checked, and only then is the temporary file renamed over the target. When
// anything fails, or the writer is dropped without commit(), the temporary
// file is removed and the previous file stays byte for byte; a process killed
// while writing leaves the previous file too (and at worst a hidden
// ".<name>.<random>.tmp" beside it).
//
// Only regular files are replaced: a directory, device or FIFO as the target
// is refused before anything is written. A symbolic link is followed, so the
// file it points to is replaced and the link stays a link.
//
// Failures throw TextFileError naming the target and the system's reason
// ("No space left on device"). The system calls go through FileSystemCalls,
// so tests can make any of them fail. Not copyable; one thread at a time.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace tq::common {

// The system calls of AtomicFile, with the POSIX contract of each (-1 and
// errno on failure). The base class makes the real calls; a test overrides
// one to inject a fault.
class FileSystemCalls {
public:
    virtual ~FileSystemCalls() = default;
    virtual long write(int fd, const char* data, unsigned long size);
    virtual int fsync(int fd);
    virtual int close(int fd);
    virtual int rename(const char* from, const char* to);

    // The real calls; stateless, shared by every writer.
    static FileSystemCalls& system();
};

class AtomicFile final {
public:
    // Creates the temporary file. Throws TextFileError when the target is not
    // a regular file or the temporary file cannot be created.
    explicit AtomicFile(const QString& path, FileSystemCalls& calls = FileSystemCalls::system());
    // Discards the new content unless commit() succeeded.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Appends the bytes to the temporary file. Throws TextFileError; the
    // writer is discarded then.
    void write(QByteArrayView bytes);
    // Flushes to disk, closes and renames over the target. Throws
    // TextFileError; the previous file stays then.
    void commit();
    // Drops the new content; the previous file stays. Safe to call twice.
    void discard() noexcept;

    bool isOpen() const { return m_fd >= 0; }
    QString path() const { return m_path; }

private:
    [[noreturn]] void fail(const QString& what, int error);

    QString m_path;      // as the caller gave it (messages)
    QByteArray m_target; // the file that is replaced, links resolved
    QByteArray m_temp;
    int m_fd = -1;
    FileSystemCalls& m_calls;
};

} // namespace tq::common
