#include "common/AtomicFile.h"

#include "common/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tq::common {

long FileSystemCalls::write(int fd, const char* data, unsigned long size) { return long(::write(fd, data, size)); }
int FileSystemCalls::fsync(int fd) { return ::fsync(fd); }
int FileSystemCalls::close(int fd) { return ::close(fd); }
int FileSystemCalls::rename(const char* from, const char* to) { return std::rename(from, to); }

FileSystemCalls& FileSystemCalls::system()
{
    static FileSystemCalls calls;
    return calls;
}

namespace {

QString reason(int error)
{
    return QString::fromStdString(std::error_code(error, std::generic_category()).message());
}

// The file that is really replaced: a symbolic link is followed (a dangling
// one to the file it names). Throws when an existing target is not a
// regular file.
QString replacedFile(const QString& path, struct stat& old, bool& exists)
{
    const QByteArray native = QFile::encodeName(path);
    exists = ::stat(native.constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        throw TextFileError(path, 0, QStringLiteral("not a regular file; only regular files are replaced"));
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    return exists ? info.canonicalFilePath() : info.symLinkTarget();
}

} // namespace

AtomicFile::AtomicFile(const QString& path, FileSystemCalls& calls) : m_path(path), m_calls(calls)
{
    struct stat old {};
    bool exists = false;
    const QFileInfo target(replacedFile(path, old, exists));
    m_target = QFile::encodeName(target.absoluteFilePath());
    const QString base = target.absolutePath() + QStringLiteral("/.") + target.fileName() + QLatin1Char('.');
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temp = QFile::encodeName(base + QString::number(QRandomGenerator::global()->generate(), 36) +
                                   QStringLiteral(".tmp"));
        m_fd = ::open(m_temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0)
        throw TextFileError(path, 0, QStringLiteral("cannot create a temporary file: ") + reason(errno));
    if (exists)
        (void)::fchmod(m_fd, old.st_mode & 07777); // the new file keeps the old one's permissions
}

AtomicFile::~AtomicFile() { discard(); }

void AtomicFile::discard() noexcept
{
    if (m_fd < 0)
        return;
    m_calls.close(m_fd);
    m_fd = -1;
    ::unlink(m_temp.constData());
}

void AtomicFile::fail(const QString& what, int error)
{
    discard();
    throw TextFileError(m_path, 0, what + reason(error));
}

void AtomicFile::write(QByteArrayView bytes)
{
    if (m_fd < 0)
        throw TextFileError(m_path, 0, QStringLiteral("the file is already closed"));
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const long n = m_calls.write(m_fd, data, static_cast<unsigned long>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(QStringLiteral("cannot write: "), n < 0 ? errno : ENOSPC);
        data += n;
        left -= n;
    }
}

void AtomicFile::commit()
{
    if (m_fd < 0)
        throw TextFileError(m_path, 0, QStringLiteral("the file is already closed"));
    if (m_calls.fsync(m_fd) != 0)
        fail(QStringLiteral("cannot write: "), errno);
    const int fd = m_fd;
    m_fd = -1;
    if (m_calls.close(fd) != 0) {
        const int error = errno;
        ::unlink(m_temp.constData());
        throw TextFileError(m_path, 0, QStringLiteral("cannot write: ") + reason(error));
    }
    if (m_calls.rename(m_temp.constData(), m_target.constData()) != 0) {
        const int error = errno;
        ::unlink(m_temp.constData());
        throw TextFileError(m_path, 0, QStringLiteral("cannot replace the file: ") + reason(error));
    }
    // Makes the rename itself durable; a directory that cannot be synced
    // (some file systems) does not make the written file wrong.
    const QByteArray dir = m_target.left(m_target.lastIndexOf('/') + 1);
    const int dirFd = ::open(dir.isEmpty() ? "." : dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace tq::common
