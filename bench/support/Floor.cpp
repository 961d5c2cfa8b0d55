#include "Floor.h"

#include <sqlite3.h>

#include <cstdio>
#include <ctime>

namespace tq::bench {

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double cpuSecondsOf(const std::function<void()>& f)
{
    const double start = threadCpuSeconds();
    f();
    return threadCpuSeconds() - start;
}

qint64 floorRun(sqlite3* db, const QString& sqliteSql)
{
    sqlite3_stmt* st = nullptr;
    const QByteArray utf8 = sqliteSql.toUtf8();
    if (sqlite3_prepare_v2(db, utf8.constData(), -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "prepare failed: %s\n", sqlite3_errmsg(db));
        return -1;
    }
    qint64 rows = 0;
    std::size_t sink = 0;
    const int columns = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER:
                sink += std::size_t(sqlite3_column_int64(st, c));
                break;
            case SQLITE_FLOAT:
                sink += std::size_t(sqlite3_column_double(st, c));
                break;
            case SQLITE_TEXT:
                sink += std::size_t(sqlite3_column_bytes(st, c));
                break;
            default:
                break;
            }
        }
    }
    sqlite3_finalize(st);
    if (sink == 42) // keeps the reads from being optimised away
        std::puts("");
    return rows;
}

} // namespace tq::bench
