// Replacing files as one step: any failing system call (write, fsync, close,
// rename) leaves the previous file byte for byte and names the system's
// reason; targets that are not regular files are refused; a symbolic link is
// followed.

#include "common/AtomicFile.h"
#include "common/TextFile.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace tq::common;

namespace {

using tq::support::readBytes;
using tq::support::writeBytes;

enum class Call { Write, Fsync, Close, Rename };

// Makes one system call fail with `error`. A failing write really writes to
// /dev/full, so the kernel itself answers "No space left on device".
class FaultyCalls final : public FileSystemCalls {
public:
    FaultyCalls(Call call, int error) : m_call(call), m_error(error) {}
    ~FaultyCalls() override
    {
        if (m_full >= 0)
            ::close(m_full);
    }

    long write(int fd, const char* data, unsigned long size) override
    {
        if (m_call != Call::Write)
            return FileSystemCalls::write(fd, data, size);
        if (m_error == ENOSPC) {
            m_full = m_full >= 0 ? m_full : ::open("/dev/full", O_WRONLY | O_CLOEXEC);
            if (m_full >= 0)
                return long(::write(m_full, data, size));
        }
        return failed();
    }
    int fsync(int fd) override { return m_call == Call::Fsync ? failed() : FileSystemCalls::fsync(fd); }
    int close(int fd) override
    {
        if (m_call != Call::Close)
            return FileSystemCalls::close(fd);
        FileSystemCalls::close(fd); // the descriptor is gone whatever close() reports
        return failed();
    }
    int rename(const char* from, const char* to) override
    {
        return m_call == Call::Rename ? failed() : FileSystemCalls::rename(from, to);
    }

private:
    int failed()
    {
        errno = m_error;
        return -1;
    }

    Call m_call;
    int m_error;
    int m_full = -1;
};

} // namespace

TEST(AtomicFile, AnyFailingCallKeepsThePreviousFileAndNamesTheReason)
{
    struct Case {
        const char* name;
        Call call;
        int error;
    };
    const Case cases[] = {
        {"write, disk full", Call::Write, ENOSPC},
        {"write, I/O error", Call::Write, EIO},
        {"fsync, disk full", Call::Fsync, ENOSPC},
        {"close, quota", Call::Close, EDQUOT},
        {"rename, permission", Call::Rename, EACCES},
    };
    // The two writers that replace files: one block at once, and line by line.
    const std::function<void(const QString&, FileSystemCalls&)> writers[] = {
        [](const QString& path, FileSystemCalls& calls) { writeFileAtomic(path, QByteArray(200000, 'x'), calls); },
        [](const QString& path, FileSystemCalls& calls) {
            Cp932LineWriter writer(path, calls);
            for (int i = 0; i < 3000; ++i)
                writer.writeLine(QString(100, QLatin1Char('y')));
            writer.close();
        },
    };
    for (const Case& c : cases) {
        for (const auto& write : writers) {
            SCOPED_TRACE(c.name);
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("keep.tqb"));
            const QByteArray previous("MODE, 0,,0\r\nJ003,1,5\r\n");
            writeBytes(path, previous);
            FaultyCalls calls(c.call, c.error);
            try {
                write(path, calls);
                ADD_FAILURE() << "no error";
            } catch (const TextFileError& e) {
                EXPECT_TRUE(e.detail().endsWith(QString::fromLocal8Bit(std::strerror(c.error)))) << e.what();
                EXPECT_EQ(e.path(), path);
            }
            EXPECT_EQ(readBytes(path), previous);
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                      QStringList{QStringLiteral("keep.tqb")});
        }
    }
}

TEST(AtomicFile, RefusesTargetsThatAreNotRegularFiles)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.tqb"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString directory = dir.filePath(QStringLiteral("folder.tqb"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.tqb")));
    QStringList targets{fifo, directory};
    if (QFileInfo::exists(QStringLiteral("/dev/full")))
        targets << QStringLiteral("/dev/full");

    for (const QString& target : targets) {
        SCOPED_TRACE(target.toStdString());
        try {
            writeFileAtomic(target, QByteArray("x"));
            ADD_FAILURE() << "no error";
        } catch (const TextFileError& e) {
            EXPECT_TRUE(e.detail().contains(QStringLiteral("not a regular file"))) << e.what();
        }
        EXPECT_THROW(Cp932LineWriter{target}, TextFileError);
    }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_TRUE(QFileInfo(directory).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{QStringLiteral("pipe.tqb")});
}

TEST(AtomicFile, FollowsASymbolicLinkAndKeepsPermissions)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("real")));
    const QString real = dir.filePath(QStringLiteral("real/data.csv"));
    writeBytes(real, "old\r\n");
    ASSERT_TRUE(QFile::setPermissions(real, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const QString link = dir.filePath(QStringLiteral("link.csv"));
    ASSERT_TRUE(QFile::link(QStringLiteral("real/data.csv"), link));

    writeFileAtomic(link, QByteArray("new\r\n"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readBytes(real), QByteArray("new\r\n"));
    EXPECT_EQ(QFile::permissions(real) & 0x7077, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("real"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("data.csv")});
}
