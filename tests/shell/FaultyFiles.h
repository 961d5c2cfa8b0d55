#pragma once
// File faults for tests of code that reaches files through SQLite: while a
// FaultyFiles object lives, a SQLite VFS of its own is the default one. It
// passes everything to the VFS that was the default before, except that it
// can refuse every write to one database file (SQLITE_IOERR_WRITE) and run a
// hook right after a database file opened read-only has been closed.
//
// One at a time, on the thread that runs the code under test.

#include <QString>

#include <functional>

namespace tq::shell::testing {

class FaultyFiles final {
public:
    FaultyFiles();
    ~FaultyFiles();
    FaultyFiles(const FaultyFiles&) = delete;
    FaultyFiles& operator=(const FaultyFiles&) = delete;

    // Every write to the database file `path`, opened from now on, fails.
    void failWritesTo(const QString& path);
    // `hook` runs each time a read-only connection closes the database file `path`.
    void afterReadOnlyClose(const QString& path, std::function<void()> hook);
};

} // namespace tq::shell::testing
