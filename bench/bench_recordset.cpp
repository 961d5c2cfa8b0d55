// Cost of the database layer against raw SQLite, measured in one run:
//  1. reading rows through Recordset vs stepping the same statement with
//     sqlite3_step + sqlite3_column_* (goal: at most 10 % more);
//  2. per-row queries that differ only in their literals: preparing each
//     translated statement afresh vs the layer's parameterized translation and
//     prepared-statement cache (goal: at least 20,000 queries per second).
//
// Usage: bench_recordset [ROWS]   (default 200000 runner rows)
// Times are the thread's CPU time, best of several interleaved rounds.

#include "store/Database.h"
#include "store/JetTranslator.h"
#include "store/Recordset.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <functional>

using namespace tq::store;

namespace {

// CPU time of this thread: other processes on a busy machine do not count.
double cpuNow()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double seconds(const std::function<void()>& f)
{
    const double start = cpuNow();
    f();
    return cpuNow() - start;
}

QString raceKey(int race) { return QStringLiteral("%1").arg(10000000 + race); }

void fill(Database& db, int rows)
{
    db.execute(QStringLiteral("CREATE TABLE D成績データ (レースキー CHAR(8) NOT NULL, 馬番 LONG NOT NULL, "
                              "馬名 TEXT(40), 着順 LONG, 単勝オッズ SINGLE, 人気 LONG, 騎手名 TEXT(20), "
                              "斤量 SINGLE, 馬体重 LONG, 走破タイム DOUBLE, "
                              "CONSTRAINT PRIKEY PRIMARY KEY (レースキー, 馬番))"));
    Transaction tx(db);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db.handle(), "INSERT INTO D成績データ VALUES (?,?,?,?,?,?,?,?,?,?)", -1, &insert, nullptr);
    for (int i = 0; i < rows; ++i) {
        const int race = i / 14;
        const int number = i % 14 + 1;
        const QByteArray key = raceKey(race).toUtf8();
        const QByteArray horse = QStringLiteral("テストホース%1").arg(i % 5000).toUtf8();
        const QByteArray jockey = QStringLiteral("騎手%1").arg(i % 120).toUtf8();
        sqlite3_bind_text(insert, 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 2, number);
        sqlite3_bind_text(insert, 3, horse.constData(), int(horse.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 4, (i * 7) % 14 + 1);
        sqlite3_bind_double(insert, 5, 1.5 + (i % 300) / 10.0);
        sqlite3_bind_int(insert, 6, (i * 3) % 14 + 1);
        sqlite3_bind_text(insert, 7, jockey.constData(), int(jockey.size()), SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 8, 52 + (i % 8) * 0.5);
        sqlite3_bind_int(insert, 9, 420 + i % 100);
        sqlite3_bind_double(insert, 10, 70 + (i % 400) / 10.0);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    tx.commit();
    sqlite3_exec(db.handle(), "ANALYZE", nullptr, nullptr, nullptr);
}

// Both readers fold every column of every row into a checksum, reading text as
// UTF-8 bytes (no conversion) so the comparison is the layer's own overhead.
qint64 readRaw(sqlite3* db, const QByteArray& sql)
{
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr);
    const int columns = sqlite3_column_count(stmt);
    qint64 sum = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_INTEGER: sum += sqlite3_column_int64(stmt, c); break;
            case SQLITE_FLOAT: sum += qint64(sqlite3_column_double(stmt, c)); break;
            case SQLITE_TEXT:
                sqlite3_column_text(stmt, c);
                sum += sqlite3_column_bytes(stmt, c);
                break;
            default: break;
            }
        }
    }
    sqlite3_finalize(stmt);
    return sum;
}

qint64 readRawTyped(sqlite3* db, const QByteArray& sql)
{
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr);
    auto text = [stmt](int c) {
        sqlite3_column_text(stmt, c);
        return qint64(sqlite3_column_bytes(stmt, c));
    };
    qint64 sum = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        sum += text(0) + sqlite3_column_int64(stmt, 1) + text(2) + sqlite3_column_int64(stmt, 3)
            + qint64(sqlite3_column_double(stmt, 4)) + sqlite3_column_int64(stmt, 5) + text(6)
            + qint64(sqlite3_column_double(stmt, 7)) + sqlite3_column_int64(stmt, 8)
            + qint64(sqlite3_column_double(stmt, 9));
    }
    sqlite3_finalize(stmt);
    return sum;
}

qint64 readRecordset(Database& db, const QString& jetSql)
{
    Recordset rs = db.openRecordset(jetSql);
    const int columns = rs.fieldCount();
    qint64 sum = 0;
    for (; !rs.isEOF(); rs.moveNext()) {
        for (int c = 0; c < columns; ++c) {
            const Field f = rs.field(c);
            switch (f.kind()) {
            case Value::Kind::Integer: sum += f.toInt(); break;
            case Value::Kind::Real: sum += qint64(f.toDouble()); break;
            case Value::Kind::Text: sum += f.utf8().size(); break;
            case Value::Kind::Null: break;
            }
        }
    }
    return sum;
}

qint64 readRecordsetTyped(Database& db, const QString& jetSql)
{
    // The way callers read known columns: typed accessors by position.
    Recordset rs = db.openRecordset(jetSql);
    qint64 sum = 0;
    for (; !rs.isEOF(); rs.moveNext()) {
        sum += rs.field(0).utf8().size() + rs.field(1).toInt() + rs.field(2).utf8().size() + rs.field(3).toInt()
            + qint64(rs.field(4).toDouble()) + rs.field(5).toInt() + rs.field(6).utf8().size()
            + qint64(rs.field(7).toDouble()) + rs.field(8).toInt() + qint64(rs.field(9).toDouble());
    }
    return sum;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 200000;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.mdb"));
    {
        auto created = Database::create(file);
        fill(*created, rows);
    }
    auto db = Database::open(file);

    // 1. Reading rows.
    const QString jetSql = QStringLiteral("SELECT * FROM D成績データ ORDER BY レースキー, 馬番");
    const QByteArray sql = translateJet(jetSql).toUtf8();
    double raw = 1e9, rawTyped = 1e9, generic = 1e9, typed = 1e9;
    qint64 checkRaw = 0, checkRawTyped = 0, checkGeneric = 0, checkTyped = 0;
    for (int round = 0; round < 15; ++round) { // interleaved, best of each
        raw = std::min(raw, seconds([&] { checkRaw = readRaw(db->handle(), sql); }));
        rawTyped = std::min(rawTyped, seconds([&] { checkRawTyped = readRawTyped(db->handle(), sql); }));
        generic = std::min(generic, seconds([&] { checkGeneric = readRecordset(*db, jetSql); }));
        typed = std::min(typed, seconds([&] { checkTyped = readRecordsetTyped(*db, jetSql); }));
    }
    if (checkRaw != checkGeneric || checkRaw != checkTyped || checkRaw != checkRawTyped)
        std::printf("CHECKSUM MISMATCH %lld %lld %lld %lld\n", checkRaw, checkRawTyped, checkGeneric, checkTyped);
    std::printf("rows read: %d rows x 10 columns (ns/row; ratio = Recordset / raw, goal <= 1.10)\n", rows);
    std::printf("  columns read by known type:   raw %7.1f   Recordset %7.1f   ratio %.3f\n", rawTyped / rows * 1e9,
                typed / rows * 1e9, typed / rawTyped);
    std::printf("  columns read by stored type:  raw %7.1f   Recordset %7.1f   ratio %.3f\n", raw / rows * 1e9,
                generic / rows * 1e9, generic / raw);

    // 2. Per-row queries differing only in literals.
    const int queries = 10000;
    const int races = std::max(1, rows / 14);
    auto queryText = [races](int i) {
        return QStringLiteral("SELECT 馬名, 着順, 単勝オッズ FROM D成績データ WHERE レースキー = '%1' AND 馬番 = %2")
            .arg(raceKey((i * 7919) % races))
            .arg(i % 14 + 1);
    };
    auto prepareEach = [&] {
        qint64 sum = 0;
        for (int i = 0; i < queries; ++i) {
            const QByteArray translated = translateJet(queryText(i)).toUtf8();
            sqlite3_stmt* stmt = nullptr;
            sqlite3_prepare_v2(db->handle(), translated.constData(), int(translated.size()), &stmt, nullptr);
            while (sqlite3_step(stmt) == SQLITE_ROW)
                sum += sqlite3_column_int64(stmt, 1);
            sqlite3_finalize(stmt);
        }
        return sum;
    };
    auto cached = [&] {
        qint64 sum = 0;
        for (int i = 0; i < queries; ++i) {
            Recordset rs = db->openRecordset(queryText(i));
            for (; !rs.isEOF(); rs.moveNext())
                sum += rs.field(1).toInt();
        }
        return sum;
    };
    // The floor: one statement prepared by hand, bound and stepped per query
    // (no Jet text, no translation).
    auto handBound = [&] {
        qint64 sum = 0;
        const QByteArray text = translateJetParameterized(queryText(0)).sql.toUtf8();
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db->handle(), text.constData(), int(text.size()), &stmt, nullptr);
        for (int i = 0; i < queries; ++i) {
            const QByteArray key = raceKey((i * 7919) % races).toUtf8();
            sqlite3_bind_text(stmt, 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int(stmt, 2, i % 14 + 1);
            while (sqlite3_step(stmt) == SQLITE_ROW)
                sum += sqlite3_column_int64(stmt, 1);
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        return sum;
    };
    auto translateOnly = [&] {
        qint64 sum = 0;
        for (int i = 0; i < queries; ++i)
            sum += translateJetParameterized(queryText(i)).literals.size();
        return sum;
    };

    struct Way {
        const char* name;
        std::function<qint64()> run;
        double autocommit = 1e9;
        double inTransaction = 1e9;
        qint64 sum = 0;
    };
    Way ways[] = {{"translate + prepare each statement", prepareEach},
                  {"parameterized + statement cache", cached},
                  {"floor: one hand-bound statement", handBound}};
    for (int round = 0; round < 3; ++round) {
        for (Way& w : ways) {
            w.autocommit = std::min(w.autocommit, seconds([&] { w.sum = w.run(); }));
            Transaction tx(*db);
            w.inTransaction = std::min(w.inTransaction, seconds([&] { w.sum = w.run(); }));
            tx.commit();
        }
    }
    const double translation = seconds([&] { translateOnly(); });
    if (ways[0].sum != ways[1].sum || ways[0].sum != ways[2].sum)
        std::printf("CHECKSUM MISMATCH %lld %lld %lld\n", ways[0].sum, ways[1].sum, ways[2].sum);
    std::printf("per-row queries: %d statements differing only in literals (queries/s)\n", queries);
    std::printf("  %-38s %12s %16s\n", "", "autocommit", "in a transaction");
    for (const Way& w : ways)
        std::printf("  %-38s %12.0f %16.0f\n", w.name, queries / w.autocommit, queries / w.inTransaction);
    std::printf("  cache vs prepare-each: speed-up %.2f autocommit, %.2f in a transaction (goal >= 20000/s)\n",
                ways[0].autocommit / ways[1].autocommit, ways[0].inTransaction / ways[1].inTransaction);
    std::printf("  parameterized translation alone: %.1f us per query\n", translation / queries * 1e6);
    std::printf("  statements kept prepared: %d\n", db->cachedStatementCount());
    return 0;
}
