// The engine against an independent oracle: on generated race data, the
// statistics of the analysis run (statement, fold, labels, merge) equal plain
// SQL aggregates written here straight over the race tables.

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/ConditionFile.h"
#include "analysis/HorseList.h"
#include "analysis/Run.h"
#include "analysis/Statistics.h"
#include "analysis/StatisticsKeys.h"
#include "bettypes/GroupedRun.h"
#include "common/TextFile.h"
#include "conditions/ListSettingStore.h"
#include "context/AppContext.h"
#include "context/StatusLine.h"
#include "store/Database.h"
#include "support/GeneratedData.h"

#include <QDir>
#include <QDirIterator>
#include <QMap>
#include <QSet>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>

using namespace tq;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// The figures compared for one group.
struct Figures {
    qint64 n = 0, w1 = 0, w2 = 0, w3 = 0, p = 0, q = 0;
    qint64 races = -1; // レース件数, only without keys
};

// Generated data (one year) prepared as at start-up; built once for the suite.
support::GeneratedData* g_data = nullptr;

class OracleTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { g_data = new support::GeneratedData(1, 7); }
    static void TearDownTestSuite()
    {
        delete g_data;
        g_data = nullptr;
    }
    void SetUp() override
    {
        // Without the data these checks cannot be made: that is a failure, not a skip.
        ASSERT_TRUE(g_data->ready()) << g_data->problem();
    }

    static context::AppContext& ctx() { return g_data->context(); }

    static conditions::ConditionRow row(const char* item, const QString& value, qint16 target = 0)
    {
        conditions::ConditionRow r;
        r.itemName = s(item);
        r.value = value;
        r.target = target;
        r.targetCaption = conditions::targetCaption(target);
        return r;
    }

    // Runs the engine on the set; returns the result rows by their label
    // texts joined with "|" (the empty text without keys).
    static QMap<QString, Figures> engine(const conditions::ConditionSet& set)
    {
        QMap<QString, Figures> out;
        bool ok = false;
        const QString sql = analysis::funSqlCreate2(ctx().catalogue, set, ctx().appDb.get(), ctx().errorLog, &ok);
        EXPECT_TRUE(ok) << sql.toStdString();
        analysis::AnalysisDocument doc;
        doc.conditions = set;
        analysis::DefaultHorseList list(ctx().catalogue, ctx().appDb.get(), &ctx().errorLog, true);
        analysis::RunServices services;
        services.horseList = &list;
        EXPECT_TRUE(analysis::subKekkaHyouji(ctx(), doc, sql, true, services)) << sql.toStdString();
        const analysis::Sheet& t = doc.result;
        const int k = int(set.keysInUse().size());
        auto col = [&](const char* header) { return t.columnOfHeader(s(header)); };
        for (int r = 0; r < t.rowCount(); ++r) {
            QStringList labels;
            for (int c = 0; c < k; ++c)
                labels << t.displayText(r, c);
            Figures f;
            f.n = t.integer(r, col("総件数"));
            f.w1 = t.integer(r, col("１着件数"));
            f.w2 = t.integer(r, col("２着件数"));
            f.w3 = t.integer(r, col("３着件数"));
            // The rates hold the full quotients; recover the sums exactly.
            f.p = std::llround(t.number(r, col("単回収率")) * double(f.n));
            f.q = std::llround(t.number(r, col("複回収率")) * double(f.n));
            EXPECT_DOUBLE_EQ(t.number(r, col("勝率")), double(f.w1 * 100) / double(f.n));
            EXPECT_EQ(t.number(r, col("単配当合計")), double(f.p));
            EXPECT_EQ(t.number(r, col("複配当合計")), double(f.q));
            if (k == 0)
                f.races = t.integer(r, col("レース件数"));
            const QString key = labels.join(QLatin1Char('|'));
            EXPECT_FALSE(out.contains(key)) << "label combination written twice: " << key.toStdString();
            out.insert(key, f);
        }
        return out;
    }

    // Plain SQL over the race tables: `groupSql` (an SQL text expression, or
    // empty) names the group; `where` restricts. Labels are made by `label`.
    static QMap<QString, Figures> oracle(const QString& where, const QString& groupSql,
                                         const std::function<QString(sqlite3_stmt*)>& label = {})
    {
        const QString win = s("CASE u.馬番 WHEN h.単勝馬番１ THEN h.単勝払戻１ WHEN h.単勝馬番２ THEN h.単勝払戻２ "
                              "WHEN h.単勝馬番３ THEN h.単勝払戻３ ELSE 0 END");
        const QString place = s("CASE u.馬番 WHEN h.複勝馬番１ THEN h.複勝払戻１ WHEN h.複勝馬番２ THEN h.複勝払戻２ "
                                "WHEN h.複勝馬番３ THEN h.複勝払戻３ WHEN h.複勝馬番４ THEN h.複勝払戻４ "
                                "WHEN h.複勝馬番５ THEN h.複勝払戻５ ELSE 0 END");
        // Figures in columns 0-5, the race count in 6, the group values from 7 on.
        const QString sql = s("SELECT COUNT(*), SUM(s.着順 = 1), SUM(s.着順 = 2), SUM(s.着順 = 3), ") +
                            s("SUM(CASE WHEN s.着順 = 1 THEN ") + win + s(" ELSE 0 END), ") +
                            s("SUM(CASE WHEN s.着順 IN (1, 2, 3) THEN ") + place + s(" ELSE 0 END), ") +
                            s("COUNT(DISTINCT b.レースキー)") + (groupSql.isEmpty() ? QString() : s(", ") + groupSql) +
                            s(" FROM D番組データ b JOIN D競走馬データ u ON u.レースキー = b.レースキー "
                              "JOIN D払戻情報データ h ON h.レースキー = b.レースキー "
                              "JOIN D成績データ s ON s.競走成績キー = u.競走成績キー "
                              "LEFT JOIN D番組データ p ON p.レースキー = substr(u.前走成績キー１, 1, 8) "
                              "WHERE (s.異常区分 IS NULL OR s.異常区分 NOT IN ('1', '2'))") +
                            (where.isEmpty() ? QString() : s(" AND ") + where) +
                            (groupSql.isEmpty() ? QString() : s(" GROUP BY ") + groupSql);
        QMap<QString, Figures> out;
        sqlite3_stmt* st = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(ctx().appDb->handle(), utf8.constData(), -1, &st, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(ctx().appDb->handle()) << "\n" << utf8.constData();
            return out;
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            Figures f;
            f.n = sqlite3_column_int64(st, 0);
            f.w1 = sqlite3_column_int64(st, 1);
            f.w2 = sqlite3_column_int64(st, 2);
            f.w3 = sqlite3_column_int64(st, 3);
            f.p = sqlite3_column_int64(st, 4);
            f.q = sqlite3_column_int64(st, 5);
            f.races = groupSql.isEmpty() ? sqlite3_column_int64(st, 6) : -1;
            const QString key = label ? label(st) : QString();
            Figures& into = out[key]; // several raw groups may share one label
            into.n += f.n, into.w1 += f.w1, into.w2 += f.w2, into.w3 += f.w3, into.p += f.p, into.q += f.q;
            into.races = f.races;
        }
        sqlite3_finalize(st);
        return out;
    }

    static void expectSame(const QMap<QString, Figures>& engineRows, const QMap<QString, Figures>& oracleRows)
    {
        ASSERT_FALSE(oracleRows.isEmpty());
        EXPECT_EQ(engineRows.keys(), oracleRows.keys());
        for (auto it = oracleRows.begin(); it != oracleRows.end(); ++it) {
            const Figures& o = it.value();
            const Figures e = engineRows.value(it.key());
            const std::string label = it.key().toStdString();
            EXPECT_EQ(e.n, o.n) << label;
            EXPECT_EQ(e.w1, o.w1) << label;
            EXPECT_EQ(e.w2, o.w2) << label;
            EXPECT_EQ(e.w3, o.w3) << label;
            EXPECT_EQ(e.p, o.p) << label;
            EXPECT_EQ(e.q, o.q) << label;
            EXPECT_EQ(e.races, o.races) << label;
        }
    }

    // The two jockey codes with the most rides.
    static QStringList busiestJockeys()
    {
        QStringList codes;
        store::Recordset rs = ctx().appDb->openRecordset(
            s("SELECT TOP 2 騎手コード, COUNT(*) AS n FROM D成績データ GROUP BY 騎手コード ORDER BY COUNT(*) DESC"));
        for (; !rs.isEOF(); rs.moveNext())
            codes << rs.field(0).toText();
        return codes;
    }
};

QString text(sqlite3_stmt* st, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, column)));
}

// A fixed-width bucket label (" 1200～ 1600") of a non-negative value.
QString bucketLabel(qint64 start, qint64 width)
{
    return QStringLiteral(" %1～ %2").arg(start).arg(start + width);
}

} // namespace

TEST_F(OracleTest, UngroupedSelections)
{
    const QStringList jockeys = busiestJockeys();
    ASSERT_EQ(jockeys.size(), 2);
    const struct Case {
        const char* name;
        std::vector<conditions::ConditionRow> rows;
        QString where;
    } cases[] = {
        {"everything", {}, QString()},
        {"distance range and course",
         {row("距離", s("1200,1600")), row("開催場所", s("0,0,0,0,1,0,0,0,0,0,0"))},
         s("b.距離 >= 1200 AND b.距離 <= 1600 AND b.場コード = '05'")},
        {"course exclusion (unlisted courses kept)",
         {row("開催場所", s("0,0,0,0,1,0,0,0,0,0,1"))},
         s("b.場コード NOT IN ('01', '02', '03', '04', '06', '07', '08', '09', '10')")},
        {"longer than the previous run", {row("距離", s("2,0,0"), 2)}, s("b.距離 > p.距離")},
        {"previous run at most 1400 m", {row("距離", s("1000,1400"), 1)}, s("p.距離 >= 1000 AND p.距離 <= 1400")},
        {"two jockeys (type 9)",
         {row("騎手", s("a+b,") + jockeys.join(QLatin1Char('+')) + s(",0,0"))},
         s("s.騎手コード IN ('") + jockeys[0] + s("', '") + jockeys[1] + s("')")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        conditions::ConditionSet set;
        set.rows = c.rows;
        expectSame(engine(set), oracle(c.where, QString()));
    }
}

TEST_F(OracleTest, GroupedByBucketsAndMergedLabelPairs)
{
    // One bucketed level.
    {
        SCOPED_TRACE("distance in 400 m buckets");
        conditions::ConditionSet set;
        set.keys[0] = {s("距離"), {s("2,400")}};
        expectSame(engine(set),
                   oracle(QString(), s("CAST(b.距離 / 400 AS INTEGER) * 400"),
                          [](sqlite3_stmt* st) -> QString { return bucketLabel(sqlite3_column_int64(st, 7), 400); }));
    }
    // Two levels whose label pairs come back out of order: sorted by the raw
    // distance, a bucket's horse numbers repeat and must be merged.
    {
        SCOPED_TRACE("course exclusion, distance buckets and horse number");
        conditions::ConditionSet set;
        set.rows = {row("開催場所", s("0,0,0,0,1,1,0,0,0,0,0"))};
        set.keys[0] = {s("距離"), {s("2,400")}};
        set.keys[1] = {s("馬番"), {s("0")}};
        expectSame(engine(set), oracle(s("b.場コード IN ('05', '06')"),
                                       s("CAST(b.距離 / 400 AS INTEGER) * 400, CAST(u.馬番 AS INTEGER)"),
                                       [](sqlite3_stmt* st) -> QString {
                                           return bucketLabel(sqlite3_column_int64(st, 7), 400) + QLatin1Char('|') +
                                                  QString::number(sqlite3_column_int64(st, 8));
                                       }));
    }
    // A comparison key: the current and the previous run's value joined by
    // " - " as one text; horses without a previous run get "<current> - ".
    {
        SCOPED_TRACE("current and previous distance, with a condition");
        conditions::ConditionSet set;
        set.rows = {row("距離", s("1600,2400"))};
        set.keys[0] = {s("前走比較距離"), {s("0")}};
        expectSame(engine(set), oracle(s("b.距離 >= 1600 AND b.距離 <= 2400"),
                                       s("CAST(b.距離 AS TEXT) || ' - ' || IFNULL(CAST(p.距離 AS TEXT), '')"),
                                       [](sqlite3_stmt* st) -> QString { return text(st, 7); }));
    }
}

// The shipped example condition files are in the writer's own form and each
// runs to a result with rows on the generated data.
TEST_F(OracleTest, ExampleConditionFilesRunOnGeneratedData)
{
    QDirIterator files(QStringLiteral(TQ_SOURCE_DIR "/examples"), {QStringLiteral("*.tqb")}, QDir::Files);
    int count = 0;
    while (files.hasNext()) {
        const QString path = files.next();
        SCOPED_TRACE(path.toStdString());
        ++count;
        const int errorsBefore = int(ctx().errorLog.recentEntries().size());
        analysis::AnalysisDocument doc;
        EXPECT_EQ(analysis::funJoukenLoad(ctx(), doc, path).result, 0);
        EXPECT_EQ(analysis::conditionFileLines(ctx().catalogue, doc), common::readTextLines(path));

        context::MemoryStatusLine status;
        ASSERT_TRUE(analysis::subBunseki(ctx(), status, doc, true, bettypes::runBetTypeAnalysis));
        ASSERT_GT(doc.result.rowCount(), 0);
        EXPECT_GT(doc.defaultList.rowCount(), 0);
        EXPECT_EQ(int(ctx().errorLog.recentEntries().size()), errorsBefore);
    }
    EXPECT_GE(count, 6);
}

// The list by setting on the shipped catalogue: one row per default-list row,
// through the previous-run join and the deviation table's key template.
// The default list of an unlimited run holds every counted runner once with
// the texts and payouts its tables give; rows of a race together (no keys)
// and apart (the last key is the horse number) give the same cells.
TEST_F(OracleTest, DefaultListHoldsEveryCountedRunnerAsItsTablesGiveIt)
{
    QMap<QString, QStringList> expected; // by 競走成績キー: the list's shown texts
    {
        const QString sql =
            s("SELECT u.競走成績キー, b.年月日, b.レースキー, u.馬番, u.馬名, s.着順, "
              "COALESCE(CASE u.馬番 WHEN h.単勝馬番１ THEN h.単勝払戻１ WHEN h.単勝馬番２ THEN h.単勝払戻２ "
              "WHEN h.単勝馬番３ THEN h.単勝払戻３ END, 0), "
              "COALESCE(CASE u.馬番 WHEN h.複勝馬番１ THEN h.複勝払戻１ WHEN h.複勝馬番２ THEN h.複勝払戻２ "
              "WHEN h.複勝馬番３ THEN h.複勝払戻３ WHEN h.複勝馬番４ THEN h.複勝払戻４ "
              "WHEN h.複勝馬番５ THEN h.複勝払戻５ END, 0) "
              "FROM D番組データ b JOIN D競走馬データ u ON u.レースキー = b.レースキー "
              "JOIN D払戻情報データ h ON h.レースキー = b.レースキー "
              "JOIN D成績データ s ON s.競走成績キー = u.競走成績キー "
              "WHERE s.異常区分 IS NULL OR s.異常区分 NOT IN ('1', '2')");
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(ctx().appDb->handle(), sql.toUtf8().constData(), -1, &st, nullptr), SQLITE_OK)
            << sqlite3_errmsg(ctx().appDb->handle());
        auto text = [st](int c) {
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
        };
        while (sqlite3_step(st) == SQLITE_ROW) {
            const QString raceKey = text(2);
            const QString course = analysis::funSyukeiKey(ctx().catalogue, ctx().appDb.get(), nullptr, s("開催場所"),
                                                          store::Value(raceKey.left(2)), true, QString());
            expected.insert(text(0), {text(1), course, raceKey.mid(6, 2), text(3), text(4), text(5), text(6), text(7),
                                      raceKey, text(0)});
        }
        sqlite3_finalize(st);
    }
    ASSERT_GT(expected.size(), 10000);

    conditions::ConditionSet keyed;
    keyed.keys[0] = {s("距離"), {s("2,400")}};
    keyed.keys[1] = {s("馬番"), {s("0")}};
    for (const conditions::ConditionSet& set : {conditions::ConditionSet{}, keyed}) {
        SCOPED_TRACE(set.keysInUse().size());
        bool ok = false;
        const QString sql = analysis::funSqlCreate2(ctx().catalogue, set, ctx().appDb.get(), ctx().errorLog, &ok);
        analysis::AnalysisDocument doc;
        doc.conditions = set;
        analysis::DefaultHorseList builder(ctx().catalogue, ctx().appDb.get(), &ctx().errorLog, false);
        analysis::RunServices services;
        services.horseList = &builder;
        ASSERT_TRUE(analysis::subKekkaHyouji(ctx(), doc, sql, true, services)) << sql.toStdString();
        const analysis::Sheet& list = doc.defaultList;
        ASSERT_EQ(list.rowCount(), expected.size());
        QSet<QString> seen;
        for (int r = 0; r < list.rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < analysis::kDefaultListColumns; ++c)
                cells << list.displayText(r, c);
            const QString resultKey = cells.last();
            ASSERT_FALSE(seen.contains(resultKey)) << r;
            seen.insert(resultKey);
            ASSERT_EQ(cells.join(QLatin1Char('|')), expected.value(resultKey).join(QLatin1Char('|'))) << r;
        }
    }
}

TEST_F(OracleTest, ListBySettingFollowsTheDefaultListOnGeneratedData)
{
    analysis::AnalysisDocument doc;
    ASSERT_EQ(analysis::funJoukenLoad(ctx(), doc, QStringLiteral(TQ_SOURCE_DIR "/examples/tokyo-1400-1800.tqb")).result,
              0);
    doc.listLimit = true;
    context::MemoryStatusLine status;
    ASSERT_TRUE(analysis::subBunseki(ctx(), status, doc, true));
    ASSERT_EQ(doc.defaultList.rowCount(), analysis::kDefaultListRowLimit);

    ASSERT_TRUE(conditions::subIchiranSettei(*ctx().appDb, ctx().errorLog,
                                           {s("距離"), s("前走距離"), s("総合偏差値"), s("馬名")}, s("確認")));
    ASSERT_TRUE(analysis::showListSetting(ctx(), doc, s("確認")));
    const analysis::Sheet& list = doc.settingList;
    ASSERT_EQ(list.rowCount(), doc.defaultList.rowCount());
    EXPECT_EQ(list.headers(), (QStringList{s("距離"), s("前走距離"), s("総合偏差値"), s("馬名"), s("レースキー")}));
    int withPrevious = 0, withDeviation = 0;
    for (int r = 0; r < list.rowCount(); ++r) {
        ASSERT_EQ(list.displayText(r, 4), doc.defaultList.displayText(r, analysis::kListRaceKey)) << r;
        ASSERT_EQ(list.displayText(r, 3), doc.defaultList.displayText(r, analysis::kListHorseName)) << r;
        const double distance = list.number(r, 0);
        ASSERT_TRUE(distance >= 1400 && distance <= 1800) << r;
        withPrevious += list.isNumber(r, 1);
        withDeviation += list.isNumber(r, 2);
    }
    EXPECT_GT(withPrevious, 0);
    EXPECT_GT(withDeviation, 0);
}
