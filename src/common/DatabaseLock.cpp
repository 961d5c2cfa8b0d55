#include "common/DatabaseLock.h"

#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tq::common {

namespace {

constexpr auto kRetryInterval = std::chrono::milliseconds(20);

} // namespace

DatabaseLock::DatabaseLock(const QString& databasePath) : m_fileName(databasePath + QStringLiteral(".lock"))
{
    const QByteArray file = m_fileName.toLocal8Bit();
    m_fd = ::open(file.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0)
        m_error = QString::fromLocal8Bit(std::strerror(errno)) + QStringLiteral(": ") + m_fileName;
}

DatabaseLock::~DatabaseLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock of this open file description
}

bool DatabaseLock::tryLock(Mode mode)
{
    struct flock lock {};
    lock.l_type = mode == Mode::Exclusive ? F_WRLCK : mode == Mode::Shared ? F_RDLCK : F_UNLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 1;
    return ::fcntl(m_fd, F_OFD_SETLK, &lock) == 0;
}

bool DatabaseLock::acquire(Mode mode, std::chrono::milliseconds wait)
{
    if (m_fd < 0 || mode == Mode::None) {
        m_mode = mode;
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (tryLock(mode)) {
            m_mode = mode;
            return true;
        }
        if (errno != EAGAIN && errno != EACCES) {
            // Locking is not supported here (some network file systems).
            m_error = QString::fromLocal8Bit(std::strerror(errno)) + QStringLiteral(": ") + m_fileName;
            m_mode = mode;
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QThread::msleep(static_cast<unsigned long>(kRetryInterval.count()));
    }
}

void DatabaseLock::release()
{
    if (m_fd >= 0 && m_mode != Mode::None)
        tryLock(Mode::None);
    m_mode = Mode::None;
}

} // namespace tq::common
