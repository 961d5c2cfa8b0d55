// The mark results build on generated data: the past table against an
// independent recomputation (values of every column, ranks by window
// functions), today's table with its registry rows, all-or-nothing on failure
// and cancel, and an analysis keyed by a rank column of the built table.

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/Statistics.h"
#include "context/AppContext.h"
#include "derived/MarkColumns.h"
#include "derived/MarkResults.h"
#include "store/Database.h"
#include "support/CancellingBusy.h"
#include "support/GeneratedData.h"
#include "tools/BulkDb.h"

#include <QMap>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <array>
#include <cmath>
#include <optional>
#include <sstream>

using namespace tq;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

support::GeneratedData* g_data = nullptr;
QString g_tieRace; // a race whose first two runners were given equal fields

// Raw statement on the application database (links resolve as for the program).
class Query final {
  public:
    Query(sqlite3* db, const QString& sql)
    {
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &m_st, nullptr) != SQLITE_OK)
            ADD_FAILURE() << sqlite3_errmsg(db) << "\n" << sql.toStdString();
    }
    ~Query() { sqlite3_finalize(m_st); }
    bool next() { return m_st && sqlite3_step(m_st) == SQLITE_ROW; }
    std::optional<double> number(int c) const
    {
        return sqlite3_column_type(m_st, c) == SQLITE_NULL ? std::nullopt
                                                           : std::optional<double>(sqlite3_column_double(m_st, c));
    }
    std::optional<QString> text(int c) const
    {
        return sqlite3_column_type(m_st, c) == SQLITE_NULL
                   ? std::nullopt
                   : std::optional<QString>(QString::fromUtf8(
                         reinterpret_cast<const char*>(sqlite3_column_text(m_st, c)), sqlite3_column_bytes(m_st, c)));
    }
    qint64 integer(int c) const { return sqlite3_column_int64(m_st, c); }

  private:
    sqlite3_stmt* m_st = nullptr;
};

qint64 scalar(const QString& sql)
{
    Query q(g_data->context().appDb->handle(), sql);
    return q.next() ? q.integer(0) : -1;
}

// ---- The independent recomputation: curves per family in double precision.

// 勝率, 連対率 and 複勝率 coefficients (A B C each), rows in the order tried.
const char* const kCurves = R"(
基準 0.0087 0.8184 0.1023 -0.012 2.1536 0.1936 -0.0369 3.33 1.9926
ＩＤＭ 0.0119 0.6843 3.5231 -0.0041 1.7745 6.5563 -0.0163 2.3633 12.943
ＩＤＭ 0.0082 0.6727 2.8051 -0.0098 1.8097 5.4322 -0.0219 2.4477 12.084
ＩＤＭ 0.0061 0.684 2.5901 -0.0121 1.9014 4.0183 -0.0249 2.5598 10.433
ＩＤＭ 0.0055 0.7276 1.1834 -0.0144 1.9689 2.3842 -0.0363 2.9693 5.8289
ＩＤＭ 0.0047 0.7763 0.0888 -0.0091 1.8222 1.779 -0.0426 3.1227 4.3326
ＩＤＭ 0.0033 0.7716 -0.3553 -0.0119 1.9987 -0.7475 -0.0576 3.6597 -0.7623
情報 0.0165 0.4199 5 -0.005 1.8 5.68 -0.0114 2.1048 13.196
情報 0.0127 0.5414 3.2693 -0.0054 1.8054 4.6611 -0.0198 2.527 10.482
情報 0.0113 0.6166 2.1583 -0.0108 1.9078 3.2431 -0.0223 2.5689 9.5148
情報 0.0062 0.8001 0.9227 -0.012 1.9449 2.431 -0.0453 2.9943 6.559
情報 0.0013 0.9096 -0.1361 -0.0148 2.0712 0.519 -0.055 3.2 4
情報 -0.005 0.8343 -0.3767 -0.0178 1.871 -0.4611 -0.064 3.5392 -0.5735
展開 0.0099 0.8437 2.5012 -0.0095 2.0673 4.9348 -0.0258 2.8359 9.7447
展開 0.0096 0.6854 2.4795 -0.012 1.9877 4.1847 -0.0261 2.7317 9.3922
展開 0.0096 0.7209 1.5099 -0.0109 1.9543 2.9786 -0.0285 2.7805 7.6265
展開 0.0026 0.813 0.4424 -0.0175 2.0533 1.3611 -0.0448 3.2218 4.2662
展開 0.0017 0.8376 -0.2954 -0.0191 2.1333 -0.5762 -0.0588 3.6707 -0.1845
パドック 0.009 0.8303 1.9845 -0.0065 1.8436 6.5801 -0.0194 2.4615 13.066
パドック 0.0123 0.5968 2.8635 -0.0009 1.6322 6.2688 -0.0159 2.3119 13.242
パドック 0.0121 0.6472 1.64 -0.0083 1.9023 3.302 -0.03 2.8549 7.8899
パドック 0.007 0.7117 1.4193 -0.0163 2.0401 2.2721 -0.0387 3.0608 6.116
パドック 0.0065 0.7647 0.6358 -0.0178 2.07 1.3741 -0.0429 3.1907 4.1497
パドック 0.0019 0.8988 -0.2218 -0.0243 2.269 -0.3907 -0.062 3.7041 0.5692
オッズ 0.0075 0.8416 3.688 -0.0064 1.8058 7.6044 -0.0179 2.3685 14.362
オッズ 0.008 0.6307 3.9402 -0.0036 1.5854 8.1921 -0.0178 2.2567 14.934
オッズ 0.0089 0.598 2.9931 -0.0105 1.7777 6.092 -0.028 2.5678 12.288
オッズ 0.0086 0.5646 2.9659 -0.0054 1.6033 6.2225 -0.0236 2.3294 12.624
オッズ 0.0087 0.5327 1.8717 -0.0279 2.0557 2.6927 -0.0547 3.0175 7.5374
オッズ -0.0136 1.0263 -0.4587 -0.0498 2.457 -0.8013 -0.1316 4.408 -0.7348
)";

using Curve = std::array<double, 9>;
using Triple = std::array<double, 3>;

const QMap<QString, QList<Curve>>& curves()
{
    static const QMap<QString, QList<Curve>> table = [] {
        QMap<QString, QList<Curve>> out;
        std::istringstream in(kCurves);
        std::string family;
        while (in >> family) {
            Curve c{};
            for (double& x : c)
                in >> x;
            out[QString::fromStdString(family)].append(c);
        }
        return out;
    }();
    return table;
}

struct SourceRunner {
    QString raceKey, number;
    std::optional<double> odds, idmGap, infoIndex, goalGap, jw, j2, j3, paddockIndex;
    std::optional<QString> idmMark, infoMark, goalRank, oddsMark, paddockMark;
};

bool is(const std::optional<QString>& mark, const char* text)
{
    return mark && *mark == s(text);
}
bool le(const std::optional<double>& x, double v) { return x && *x <= v; }
bool ge(const std::optional<double>& x, double v) { return x && *x >= v; }

int markRow(const std::optional<QString>& mark)
{
    for (int i = 1; i <= 4; ++i)
        if (is(mark, std::to_string(i).c_str()))
            return i - 1;
    return mark && *mark != s(" ") ? 4 : 5;
}

Triple rates(const char* family, int row, double m)
{
    const Curve& c = curves()[s(family)].at(row);
    Triple t{};
    for (int i = 0; i < 3; ++i)
        t[std::size_t(i)] = c[std::size_t(3 * i)] * m * m + c[std::size_t(3 * i + 1)] * m + c[std::size_t(3 * i + 2)];
    return t;
}

// The fifty values of one runner in table order (Null without usable odds).
std::array<std::optional<double>, 50> recompute(const SourceRunner& r)
{
    std::array<std::optional<double>, 50> out;
    if (!r.odds || float(*r.odds) <= 0.1f)
        return out;
    const double m = 73.8 / (*r.odds - 0.1);
    const Triple base = rates("基準", 0, m);
    const int idmRow = is(r.idmMark, "1") ? 0 : le(r.idmGap, 3) ? 1 : le(r.idmGap, 6) ? 2 : le(r.idmGap, 10) ? 3
                                           : le(r.idmGap, 15) ? 4 : 5;
    const int infoRow = is(r.infoMark, "1") ? 0 : is(r.infoMark, "2") && ge(r.infoIndex, 1) ? 1
                        : ge(r.infoIndex, 1) ? 2 : r.infoIndex && *r.infoIndex > 0 ? 3
                        : r.infoIndex && *r.infoIndex == 0 ? 4 : 5;
    const int goalRow = is(r.goalRank, "1") ? 0 : le(r.goalGap, 3) ? 1 : le(r.goalGap, 6) ? 2 : le(r.goalGap, 10) ? 3 : 4;
    const Triple idm = rates("ＩＤＭ", idmRow, m), info = rates("情報", infoRow, m), goal = rates("展開", goalRow, m);
    const bool pre = r.paddockIndex.has_value();
    const Triple pad = rates("パドック", markRow(r.paddockMark), m), odds = rates("オッズ", markRow(r.oddsMark), m);
    const Triple jockey = r.jw ? Triple{*r.jw, *r.j2, *r.j3} : base;
    std::size_t i = 0;
    const auto put5 = [&](const Triple& t) {
        out[i++] = t[0];
        out[i++] = t[1];
        out[i++] = t[2];
        out[i++] = t[1] - t[0];
        out[i++] = t[2] - t[1];
    };
    put5(base);
    for (const Triple* t : {&idm, &info, &goal, &pad, &odds}) {
        if ((t == &pad || t == &odds) && !pre) {
            i += 6;
            continue;
        }
        put5(*t);
        out[i++] = (*t)[0] - base[0];
    }
    out[i++] = jockey[1] - jockey[0];
    out[i++] = jockey[2] - jockey[1];
    out[i++] = jockey[0] - base[0];
    Triple total{}, late{};
    for (std::size_t k = 0; k < 3; ++k) {
        total[k] = idm[k] + info[k] + goal[k] + jockey[k] - 3 * base[k];
        late[k] = total[k] + pad[k] + odds[k] - 2 * base[k];
    }
    put5(total);
    out[i++] = total[0] - base[0];
    if (pre) {
        put5(late);
        out[i++] = late[0] - base[0];
    }
    return out;
}

// Gives two runners of the first race with pre-race data equal fields, so
// their every value ties.
void makeTie(const QString& dataDir)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dataDir + s("/korven_data.mdb")).toUtf8().constData(), &db), SQLITE_OK);
    tools::prepareConnection(db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT レースキー FROM D直前情報データ GROUP BY レースキー HAVING count(*) > 3 "
                       "ORDER BY レースキー LIMIT 1",
                       -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    g_tieRace = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    const QString race = g_tieRace;
    const QString copyEntry = s(
        "UPDATE D競走馬データ SET (基準オッズ, IDM印, IDM最大差, 情報印, 情報指数, ゴール順位, ゴール差, 騎手期待単勝率, "
        "騎手期待連対率, 騎手期待3着内率) = (SELECT 基準オッズ, IDM印, IDM最大差, 情報印, 情報指数, ゴール順位, ゴール差, "
        "騎手期待単勝率, 騎手期待連対率, 騎手期待3着内率 FROM D競走馬データ WHERE レースキー = '%1' AND 馬番 = '01') "
        "WHERE レースキー = '%1' AND 馬番 = '02';"
        "UPDATE D直前情報データ SET (直前オッズ印, 直前パドック印, 直前パドック指数) = (SELECT 直前オッズ印, 直前パドック印, "
        "直前パドック指数 FROM D直前情報データ WHERE レースキー = '%1' AND 馬番 = '01') WHERE レースキー = '%1' AND 馬番 = '02';")
        .arg(race);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, copyEntry.toUtf8().constData(), nullptr, nullptr, &message), SQLITE_OK)
        << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

class MarkResultsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        g_data = new support::GeneratedData(1, 11);
        if (!g_data->ready())
            return;
        makeTie(g_data->dataDir());
        s_past = derived::subMarkBunseki(g_data->context(), false);
    }
    static void TearDownTestSuite()
    {
        delete g_data;
        g_data = nullptr;
    }
    void SetUp() override
    {
        if (!g_data->ready())
            GTEST_SKIP() << g_data->problem();
        ASSERT_EQ(s_past.outcome, derived::MarkBuildOutcome::Completed) << s_past.message.toStdString();
    }
    static context::AppContext& ctx() { return g_data->context(); }

    static derived::MarkBuildResult s_past;
};

derived::MarkBuildResult MarkResultsTest::s_past;

} // namespace

TEST_F(MarkResultsTest, PastTableAgreesWithIndependentRecomputation)
{
    EXPECT_EQ(s_past.rows, scalar(s("SELECT count(*) FROM D番組データ b JOIN D競走馬データ u ON b.レースキー = u.レースキー")));
    EXPECT_EQ(scalar(s("SELECT count(*) FROM 過去の印別成績")), s_past.rows);

    // Values of every column for the runners of the first forty races.
    const QString races = s("(SELECT レースキー FROM D番組データ ORDER BY レースキー LIMIT 40)");
    Query src(ctx().appDb->handle(),
              s("SELECT u.レースキー, u.馬番, u.基準オッズ, u.IDM印, u.IDM最大差, u.情報印, u.情報指数, u.ゴール順位, "
                "u.ゴール差, u.騎手期待単勝率, u.騎手期待連対率, u.騎手期待3着内率, p.直前オッズ印, p.直前パドック印, "
                "p.直前パドック指数 FROM D競走馬データ u LEFT JOIN D直前情報データ p ON u.競走成績キー = p.競走成績キー "
                "WHERE u.レースキー IN ") + races + s(" ORDER BY u.レースキー, u.馬番"));
    QString columns;
    for (const QString& c : derived::markStatisticColumns())
        columns += s(", ") + c;
    Query built(ctx().appDb->handle(), s("SELECT レースキー, 馬番") + columns + s(" FROM 過去の印別成績 WHERE レースキー IN ") +
                                           races + s(" ORDER BY レースキー, 馬番"));
    int runners = 0, nullOdds = 0, preRace = 0;
    while (src.next()) {
        ASSERT_TRUE(built.next());
        SourceRunner r;
        r.raceKey = *src.text(0);
        r.number = *src.text(1);
        r.odds = src.number(2);
        r.idmMark = src.text(3);
        r.idmGap = src.number(4);
        r.infoMark = src.text(5);
        r.infoIndex = src.number(6);
        r.goalRank = src.text(7);
        r.goalGap = src.number(8);
        r.jw = src.number(9);
        r.j2 = src.number(10);
        r.j3 = src.number(11);
        r.oddsMark = src.text(12);
        r.paddockMark = src.text(13);
        r.paddockIndex = src.number(14);
        ASSERT_EQ(built.text(0), r.raceKey);
        ASSERT_EQ(built.text(1), r.number);
        const auto expected = recompute(r);
        for (int c = 0; c < 50; ++c) {
            const auto actual = built.number(c + 2);
            const auto& want = expected[std::size_t(c)];
            ASSERT_EQ(actual.has_value(), want.has_value())
                << r.raceKey.toStdString() << " " << r.number.toStdString() << " "
                << derived::markStatisticColumns().at(c).toStdString();
            if (want) {
                EXPECT_NEAR(*actual, *want, 0.01) << r.raceKey.toStdString() << " " << r.number.toStdString() << " "
                                                  << derived::markStatisticColumns().at(c).toStdString();
            }
        }
        ++runners;
        nullOdds += !r.odds;
        preRace += r.paddockIndex.has_value();
    }
    EXPECT_FALSE(built.next());
    EXPECT_GT(runners, 400);
    EXPECT_GT(preRace, 0);
    EXPECT_LT(preRace, runners);
    (void)nullOdds;

    // Ranks of every ranked column over the whole table, by window functions:
    // descending, Nulls after values, equal values in horse-number order.
    const QStringList rankColumns = derived::markRankColumns();
    for (int k = 0; k < derived::kMarkRankCount; ++k) {
        const QString c = derived::markStatisticColumns().at(derived::markRankedStatistics()[std::size_t(k)]);
        const QString sql = s("SELECT count(*) FROM (SELECT ") + rankColumns.at(k) +
                            s(" AS r, row_number() OVER (PARTITION BY レースキー ORDER BY ") + c + s(" IS NULL, ") + c +
                            s(" DESC, 馬番) AS w FROM 過去の印別成績) WHERE r IS NOT w");
        EXPECT_EQ(scalar(sql), 0) << rankColumns.at(k).toStdString();
    }
    EXPECT_GT(scalar(s("SELECT count(*) FROM 過去の印別成績 WHERE 基準勝率 IS NULL")), 0)
        << "the generated data has runners without base odds";
}

TEST_F(MarkResultsTest, TiedRunnersGetConsecutiveRanks)
{
    Query q(ctx().appDb->handle(), s("SELECT 馬番, 総合勝率, 総合勝率順位, 直前総合勝率順位 FROM 過去の印別成績 "
                                     "WHERE レースキー = '%1' AND 馬番 IN ('01', '02') ORDER BY 馬番")
                                       .arg(g_tieRace));
    ASSERT_TRUE(q.next());
    const auto value1 = q.number(1);
    const qint64 rank1 = q.integer(2), late1 = q.integer(3);
    ASSERT_TRUE(q.next());
    ASSERT_TRUE(value1.has_value());
    EXPECT_EQ(q.number(1), value1);
    EXPECT_EQ(q.integer(2), rank1 + 1);
    EXPECT_EQ(q.integer(3), late1 + 1);
}

TEST_F(MarkResultsTest, TodayTableKeepsExactlyFiftyRegistryRows)
{
    const QString registry = s("SELECT count(*) FROM Sアドイン項目管理 WHERE テーブル名 = '本日の印別成績'");
    for (int round = 0; round < 2; ++round) {
        const derived::MarkBuildResult r = derived::subMarkBunseki(ctx(), true);
        ASSERT_EQ(r.outcome, derived::MarkBuildOutcome::Completed) << r.message.toStdString();
        EXPECT_EQ(r.rows, scalar(s("SELECT count(*) FROM T競走馬データ")));
        EXPECT_GT(r.rows, 0);
        EXPECT_EQ(scalar(registry), 50);
    }
    {
        Query q(ctx().appDb->handle(), s("SELECT ソフトID, 区分, MDB名, 項目名, 説明 FROM Sアドイン項目管理 "
                                         "WHERE テーブル名 = '本日の印別成績' ORDER BY rowid"));
        for (const QString& column : derived::markStatisticColumns()) {
            ASSERT_TRUE(q.next());
            EXPECT_EQ(q.text(0), s("DEVovuved"));
            EXPECT_EQ(q.text(1), s("B"));
            EXPECT_EQ(q.text(2), ctx().appDbPath());
            EXPECT_EQ(q.text(3), column);
            EXPECT_EQ(q.text(4), s(" "));
        }
    }
    const qint64 all = scalar(s("SELECT count(*) FROM Sアドイン項目管理"));
    const derived::MarkBuildResult past = derived::subMarkBunseki(ctx(), false);
    ASSERT_EQ(past.outcome, derived::MarkBuildOutcome::Completed) << past.message.toStdString();
    EXPECT_EQ(scalar(s("SELECT count(*) FROM Sアドイン項目管理")), all) << "the past build registers nothing";
}

using support::CancellingBusy;

TEST_F(MarkResultsTest, FailedOrCancelledBuildLeavesThePreviousTable)
{
    ASSERT_EQ(derived::subMarkBunseki(ctx(), true).outcome, derived::MarkBuildOutcome::Completed);
    const QString fingerprint = s("SELECT count(*) * 1000000 + CAST(total(総合勝率) * 1000 AS INTEGER) FROM 本日の印別成績");
    const qint64 before = scalar(fingerprint);
    const QString registry = s("SELECT count(*) FROM Sアドイン項目管理 WHERE テーブル名 = '本日の印別成績'");
    // The builds turn the engine's zeroing of freed pages off for their drops
    // only; the connection keeps its setting.
    const qint64 secureDelete = scalar(s("PRAGMA secure_delete"));

    struct Case {
        const char* what;
        int cancelAfter;        // -1: never
        const char* oddsKey;    // replaces the key of 基準オッズ
        derived::MarkBuildOutcome outcome;
    };
    const Case cases[] = {
        {"cancel in the middle", 30, nullptr, derived::MarkBuildOutcome::Cancelled},
        {"a failing statement", -1, "T競走馬データ.ない列", derived::MarkBuildOutcome::Failed},
        {"a missing catalogue item", -1, "", derived::MarkBuildOutcome::Failed},
    };
    for (const Case& c : cases) {
        CancellingBusy busy(c.cancelAfter);
        context::AppContext other(g_data->prompter(), busy);
        other.catalogue = ctx().catalogue;
        if (c.oddsKey) {
            const qint16 item = other.catalogue.nameMap.value(s("基準オッズ"));
            if (*c.oddsKey)
                other.catalogue.items[std::size_t(item)].key = s(c.oddsKey);
            else
                other.catalogue.nameMap.remove(s("基準オッズ"));
        }
        other.appDb = std::move(ctx().appDb);
        const derived::MarkBuildResult r = derived::subMarkBunseki(other, true);
        const auto entries = other.errorLog.recentEntries();
        ctx().appDb = std::move(other.appDb);

        EXPECT_EQ(r.outcome, c.outcome) << c.what;
        EXPECT_FALSE(r.message.isEmpty()) << c.what;
        ASSERT_FALSE(entries.isEmpty()) << c.what;
        EXPECT_EQ(entries.last().procedure, s("subMarkBunseki")) << c.what;
        EXPECT_EQ(scalar(fingerprint), before) << c.what;
        EXPECT_EQ(scalar(registry), 50) << c.what;
        EXPECT_FALSE(ctx().appDb->hasTable(s("本日の印別成績_作成中"))) << c.what;
        EXPECT_EQ(scalar(s("PRAGMA secure_delete")), secureDelete) << c.what;
    }
}

TEST_F(MarkResultsTest, AnalysisKeyedByTotalWinRankFavoursRankOne)
{
    conditions::ConditionSet set;
    set.keys[0] = {s("総合勝率順位"), {}};
    conditions::ConditionRow baseRate;
    baseRate.itemName = s("基準勝率");
    baseRate.value = s("0,100");
    baseRate.targetCaption = conditions::targetCaption(0);
    set.rows.push_back(baseRate);
    bool ok = false;
    const QString sql = analysis::funSqlCreate2(ctx().catalogue, set, ctx().appDb.get(), ctx().errorLog, &ok);
    ASSERT_TRUE(ok) << sql.toStdString();
    analysis::AnalysisDocument doc;
    doc.conditions = set;
    ASSERT_TRUE(analysis::subKekkaHyouji(ctx(), doc, sql, true, {})) << sql.toStdString();
    const analysis::Sheet& t = doc.result;
    const int n = t.columnOfHeader(s("総件数")), win = t.columnOfHeader(s("勝率")), ret = t.columnOfHeader(s("単回収率"));
    ASSERT_GE(t.rowCount(), 10);
    double best = -1;
    QString bestLabel;
    for (int r = 0; r < t.rowCount(); ++r) {
        std::printf("総合勝率順位 %-6s 総件数 %6lld 勝率 %5.1f 単回収率 %5.1f\n", qPrintable(t.displayText(r, 0)),
                    static_cast<long long>(t.integer(r, n)), t.number(r, win), t.number(r, ret));
        if (t.number(r, win) > best) {
            best = t.number(r, win);
            bestLabel = t.displayText(r, 0).trimmed();
        }
    }
    EXPECT_EQ(bestLabel, s("1"));
}
