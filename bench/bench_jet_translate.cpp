// Translation cost of an analysis-shaped Jet statement (four-table join, twenty
// conditions, IIf/Mid/&): it runs once per statement, outside row loops, but
// every analysis and every favourite recalculation pays it.

#include "store/JetTranslator.h"

#include <benchmark/benchmark.h>

#include <QString>

namespace {

QString analysisStatement()
{
    QString sql = QStringLiteral(
        "SELECT D番組データ.レースキー, D競走馬データ.馬番, D競走馬データ.馬名, D成績データ.着順, "
        "D払戻情報データ.[単勝払戻金１], IIf(D成績データ.着順 = 1, D払戻情報データ.[単勝払戻金１], 0) AS 単勝, "
        "IIf(D成績データ.着順 <= 3, 1, 0) AS 複勝圏, Mid(D番組データ.レースキー, 1, 4) & \"/\" & "
        "Mid(D番組データ.レースキー, 5, 2) & \"/\" & Mid(D番組データ.レースキー, 7, 2) AS 日付文字, "
        "Format(D番組データ.日付, \"yyyy/mm/dd\") AS 開催日, D競走馬データ.[馬体重] / 10 AS 体重, "
        "IIf(D競走馬データ.[単勝人気] = 1, \"1番人気\", IIf(D競走馬データ.[単勝人気] <= 3, \"上位\", \"その他\")) AS 人気区分, "
        "D競走馬データ.[騎手名] & \"(\" & D競走馬データ.[斤量] & \")\" AS 騎手表示, "
        "IIf(IsNull(D成績データ.[タイム]), 0, Int(D成績データ.[タイム] / 10)) AS 秒, "
        "Val(Mid(D競走馬データ.[馬体重増減], 2)) * IIf(Left(D競走馬データ.[馬体重増減], 1) = \"-\", -1, 1) AS 増減, "
        "Nz(D払戻情報データ.[複勝払戻金１], 0) + Nz(D払戻情報データ.[複勝払戻金２], 0) AS 複勝計 "
        "FROM ((D番組データ INNER JOIN D競走馬データ ON D番組データ.レースキー = D競走馬データ.レースキー) "
        "INNER JOIN D払戻情報データ ON D番組データ.レースキー = D払戻情報データ.レースキー) "
        "INNER JOIN D成績データ ON (D競走馬データ.レースキー = D成績データ.レースキー) AND "
        "(D競走馬データ.馬番 = D成績データ.馬番) WHERE ");
    const char* const conditions[] = {
        "D番組データ.レースキー >= \"20200101\"", "D番組データ.レースキー <= \"20231231\"",
        "D番組データ.[場コード] In (\"05\", \"06\", \"08\", \"09\")", "D番組データ.[距離] Between 1200 And 2400",
        "D番組データ.[芝ダ障害コード] = \"1\"", "D番組データ.[頭数] >= 8", "D競走馬データ.[騎手コード] <> \"00000\"",
        "Mid(D競走馬データ.[血統登録番号], 1, 2) = \"20\"", "D競走馬データ.[馬番] <= 18", "D競走馬データ.[枠番] Between 1 And 8",
        "D競走馬データ.[単勝オッズ] > 1.5", "D競走馬データ.[単勝人気] <= 5", "D競走馬データ.[馬名] Like \"*ア*\"",
        "D成績データ.着順 Is Not Null", "Not IsNull(D払戻情報データ.[単勝払戻金１])", "D番組データ.日付 >= #1/1/2020#",
        "Left(D競走馬データ.[性別コード], 1) = \"1\"", "D競走馬データ.[年齢] In (3, 4, 5)",
        "(D競走馬データ.[斤量] \\ 1) >= 54", "D番組データ.[グレード] & \"\" <> \"E\"",
    };
    bool first = true;
    for (const char* c : conditions) {
        if (!first)
            sql += QStringLiteral(" AND ");
        sql += QString::fromUtf8(c);
        first = false;
    }
    sql += QStringLiteral(" ORDER BY D番組データ.レースキー, D競走馬データ.馬番");
    return sql;
}

void BM_TranslateAnalysisStatement(benchmark::State& state)
{
    const QString sql = analysisStatement();
    for (auto _ : state)
        benchmark::DoNotOptimize(tq::store::translateJet(sql));
    state.counters["chars"] = double(sql.size());
}
BENCHMARK(BM_TranslateAnalysisStatement)->Unit(benchmark::kMicrosecond);

void BM_TranslateAnalysisStatementParameterized(benchmark::State& state)
{
    const QString sql = analysisStatement();
    for (auto _ : state)
        benchmark::DoNotOptimize(tq::store::translateJetParameterized(sql));
}
BENCHMARK(BM_TranslateAnalysisStatementParameterized)->Unit(benchmark::kMicrosecond);

void BM_TranslateShortStatement(benchmark::State& state)
{
    const QString sql = QStringLiteral("SELECT * FROM お気に入り WHERE 名称 = \"本命\" AND 表示 = True");
    for (auto _ : state)
        benchmark::DoNotOptimize(tq::store::translateJet(sql));
}
BENCHMARK(BM_TranslateShortStatement)->Unit(benchmark::kMicrosecond);

// The WHERE text a type-5 condition with many "+"-joined values gives
// (K = '1' OR K = '2' OR ...), the shape that once made translation
// quadratic. The complexity fit should say N (linear in the length).
QString manyValuesStatement(int values)
{
    QString sql = QStringLiteral("SELECT D競走馬データ.馬番 FROM D競走馬データ WHERE (");
    for (int i = 0; i < values; ++i) {
        if (i > 0)
            sql += QStringLiteral(" OR ");
        sql += QStringLiteral("D競走馬データ.騎手コード = '") + QString::number(10000 + i) + QLatin1Char('\'');
    }
    sql += QLatin1Char(')');
    return sql;
}

void BM_TranslateManyValues(benchmark::State& state)
{
    const QString sql = manyValuesStatement(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(tq::store::translateJetParameterized(sql));
    state.counters["chars"] = double(sql.size());
    state.SetComplexityN(sql.size());
}
BENCHMARK(BM_TranslateManyValues)->RangeMultiplier(4)->Range(256, 65536)->Complexity()->Unit(benchmark::kMillisecond);

// One long string literal and one long In list: the lexer and the literal
// handling on a 1 MB value.
void BM_TranslateLongValue(benchmark::State& state)
{
    const QString sql = QStringLiteral("SELECT * FROM T WHERE A = '") + QString(int(state.range(0)), QLatin1Char('x')) +
                        QStringLiteral("' OR B In (") + QStringLiteral("1,").repeated(int(state.range(0)) / 8) +
                        QStringLiteral("2)");
    for (auto _ : state)
        benchmark::DoNotOptimize(tq::store::translateJet(sql));
    state.SetComplexityN(sql.size());
}
BENCHMARK(BM_TranslateLongValue)->RangeMultiplier(4)->Range(16384, 1 << 20)->Complexity()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
