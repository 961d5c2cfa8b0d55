#pragma once
// The lock that keeps preparation of the application database to one process
// at a time: a lock file beside the database (database path + ".lock"),
// locked with open-file-description record locks, so the lock belongs to
// this object, survives nothing but the process, and converts between its
// two modes atomically.
//
//   Shared     held by every process that uses the database (the program's
//              windows, an analysis): many at once.
//   Exclusive  held while a process checks, restores, compacts, relinks or
//              upgrades the database: no other process holds either mode.
//
// A process that dies releases its lock with it, so a stale lock file is
// harmless; the file itself is never deleted (deleting a lock file that
// another process is about to lock would split the lock in two).
//
// When the lock file can be neither created nor opened (a read-only program
// directory), locking is impossible: acquire() then succeeds without a lock
// and error() says why, since such a directory cannot be prepared anyway.

#include <QString>

#include <chrono>

namespace tq::common {

class DatabaseLock final {
public:
    enum class Mode { None, Shared, Exclusive };

    explicit DatabaseLock(const QString& databasePath);
    ~DatabaseLock();
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;

    // Takes the lock in `mode`, or converts the lock this object holds,
    // retrying until `wait` has passed. False when another process still
    // holds a conflicting lock; the lock this object held before stays held.
    bool acquire(Mode mode, std::chrono::milliseconds wait);
    void release();

    Mode mode() const { return m_mode; }
    const QString& fileName() const { return m_fileName; }
    // Why locking is impossible (empty when the lock file is open).
    const QString& error() const { return m_error; }

private:
    bool tryLock(Mode mode);

    QString m_fileName;
    QString m_error;
    int m_fd = -1;
    Mode m_mode = Mode::None;
};

} // namespace tq::common
