// The floor of the analysis statements on a pre-joined table against the
// four-table join, on generated race data: one row per runner holding the
// columns of D番組データ, D競走馬データ, D払戻情報データ and D成績データ (a
// column name that an earlier table has is named TABLE_COLUMN), written
// in race order with an index on the race key. The statements are the
// program's own with the join replaced by the table and every table name
// by the table's. Prints, per case, both floors (medians of interleaved
// rounds, wall clock), the ratio, and whether both return the same rows
// (compared as sets: rows of equal sort keys may come in either order).
//
// Usage: bench_prejoined [--years N] [--rounds R]

#include "analysis/AnalysisQuery.h"
#include "context/AppContext.h"
#include "store/Database.h"
#include "store/JetTranslator.h"
#include "support/GeneratedData.h"
#include "support/SpeedCases.h"

#include "support/Floor.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QRegularExpression>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace tq;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

const char* const kTables[] = {"D番組データ", "D競走馬データ", "D払戻情報データ", "D成績データ"};

std::vector<QString> columnsOf(sqlite3* db, const QString& table)
{
    std::vector<QString> out;
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = "SELECT name FROM pragma_table_info('" + table.toUtf8() + "')";
    sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        out.push_back(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
    sqlite3_finalize(st);
    return out;
}

bool exec(sqlite3* db, const QString& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "%s\n", error ? error : "?");
    sqlite3_free(error);
    return false;
}

// A digest of the rows of a statement whatever their order (rows of equal
// sort keys may come in any order), to compare two statements' rows.
QByteArray rowsDigest(sqlite3* db, const QString& sql)
{
    std::vector<QByteArray> rows;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
        return {};
    const int n = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        QCryptographicHash hash(QCryptographicHash::Sha1);
        for (int c = 0; c < n; ++c) {
            hash.addData(QByteArrayView(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                        sqlite3_column_bytes(st, c)));
            hash.addData("|");
        }
        rows.push_back(hash.result());
    }
    sqlite3_finalize(st);
    std::sort(rows.begin(), rows.end());
    QCryptographicHash all(QCryptographicHash::Sha1);
    for (const QByteArray& r : rows)
        all.addData(r);
    return all.result();
}

double wallSecondsOf(const std::function<void()>& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int years = 1, rounds = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (QByteArray(argv[i]) == "--years")
            years = std::max(1, std::atoi(argv[i + 1]));
        else if (QByteArray(argv[i]) == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
    }
    support::GeneratedData data(years);
    if (!data.ready()) {
        std::fprintf(stderr, "%s\n", data.problem().c_str());
        return 1;
    }
    context::AppContext& ctx = data.context();
    sqlite3* db = ctx.appDb->handle();

    // The pre-joined table, in race order.
    QStringList select;
    QStringList seen;
    QStringList renamed; // TABLE.COLUMN of the columns named TABLE_COLUMN
    for (const char* table : kTables)
        for (const QString& column : columnsOf(db, s(table))) {
            const QString source = s(table) + QLatin1Char('.') + column;
            if (seen.contains(column)) {
                renamed << source;
                select << source + QStringLiteral(" AS ") + s(table) + QLatin1Char('_') + column;
                continue;
            }
            seen << column;
            select << source;
        }
    const double built = wallSecondsOf([&] {
        exec(db, QStringLiteral("CREATE TEMP TABLE flat AS SELECT ") + select.join(QLatin1Char(',')) +
                     QStringLiteral(" FROM ") + store::translateJet(QStringLiteral("SELECT 1 FROM ") +
                                                                    analysis::pastRaceJoin())
                                                    .section(QStringLiteral(" FROM "), 1) +
                     QStringLiteral(" ORDER BY D番組データ.レースキー"));
        exec(db, QStringLiteral("CREATE INDEX temp.flat_race ON flat (レースキー)"));
    });
    std::printf("%d runners; pre-joined table built in %.2f s\n", data.report().pastRunners, built);

    const std::vector<support::NamedConditions> cases = support::speedCases();

    std::printf("%-40s %8s %8s %7s %s\n", "case", "join s", "flat s", "ratio", "same rows");
    for (const support::NamedConditions& c : cases) {
        bool ok = false;
        const QString jet = analysis::funSqlCreate2(ctx.catalogue, c.set, ctx.appDb.get(), ctx.errorLog, &ok);
        QString flatJet = jet;
        flatJet.replace(analysis::pastRaceJoin(), QStringLiteral("flat"));
        for (const QString& source : renamed) {
            const QRegularExpression whole(QRegularExpression::escape(source) + QStringLiteral("(?!\\w)"),
                                           QRegularExpression::UseUnicodePropertiesOption);
            flatJet.replace(whole, QStringLiteral("flat.") + QString(source).replace(QLatin1Char('.'), QLatin1Char('_')));
        }
        for (const char* table : kTables)
            flatJet.replace(s(table) + QLatin1Char('.'), QStringLiteral("flat."));
        const QString joined = store::translateJet(jet);
        const QString flat = store::translateJet(flatJet);
        std::vector<double> tj, tf;
        for (int r = 0; r < rounds; ++r) {
            tj.push_back(wallSecondsOf([&] { bench::floorRun(db, joined); }));
            tf.push_back(wallSecondsOf([&] { bench::floorRun(db, flat); }));
        }
        const bool same = rowsDigest(db, joined) == rowsDigest(db, flat);
        std::printf("%-40s %8.3f %8.3f %7.2f %s\n", c.name, median(tj), median(tf), median(tj) / median(tf),
                    same ? "yes" : "NO");
        std::fflush(stdout);
    }
    return 0;
}
