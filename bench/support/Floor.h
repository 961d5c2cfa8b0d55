#pragma once
// What the benchmarks measure against: the floor of a statement (stepping
// through its rows with the raw SQLite API and reading every column) and the
// CPU time of the calling thread.

#include <QString>

#include <functional>

struct sqlite3;

namespace tq::bench {

// CPU time of the calling thread, in seconds.
double threadCpuSeconds();

// CPU time of the calling thread spent in `f`, in seconds.
double cpuSecondsOf(const std::function<void()>& f);

// Steps through every row of the SQLite statement reading every column;
// returns the rows, or -1 (with the reason on stderr) when it does not prepare.
qint64 floorRun(sqlite3* db, const QString& sqliteSql);

} // namespace tq::bench
