#pragma once
// Checks a database file without writing to it: whether it is there, is an
// SQLite database at all, is whole, and holds the tables a caller needs.
// Used before the application database is prepared (so a damaged file is
// found before anything is written to it) and on the race-data files before
// they are linked (so a missing or foreign file is named instead of showing
// up later as "no such table").

#include <QString>
#include <QStringList>

struct sqlite3;

namespace tq::store {

struct FileCheck {
    enum class Problem {
        None,
        Missing,      // no file at the path
        Unreadable,   // the file cannot be opened for reading (detail: the system's reason)
        Empty,        // zero bytes
        JetFile,      // a Jet (.mdb/.accdb) database, not converted
        NotDatabase,  // any other content
        Truncated,    // shorter than its header says
        Damaged,      // the engine finds it malformed (detail: the engine's message)
        MissingTable, // detail: the missing tables, joined by "」「"
    };
    Problem problem = Problem::None;
    QString detail;

    bool ok() const { return problem == Problem::None; }
    // The cause in the program's words, e.g. "ファイルが途中で切れています".
    QString cause() const;
};

// `requiredTables`: tables (or views) that must be present, ASCII letter case
// ignored. `thorough`: also runs the engine's page-by-page check (reads the
// whole file), which finds damage inside the file that the header does not
// show.
FileCheck checkDatabaseFile(const QString& path, const QStringList& requiredTables = {}, bool thorough = false);

// PRAGMA integrity_check of the main database (not the attached ones) on an
// open connection: empty when it passes, else
// the first problem it reports.
QString integrityProblem(sqlite3* db);

} // namespace tq::store
