// The engine against an independent oracle: on generated race data, the
// statistics of the analysis run (statement, fold, labels, merge) equal plain
// SQL aggregates written here straight over the race tables.

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/ConditionFile.h"
#include "analysis/HorseList.h"
#include "analysis/Run.h"
#include "analysis/Statistics.h"
#include "common/TextFile.h"
#include "conditions/CatalogueReader.h"
#include "shell/AppContext.h"
#include "shell/ScriptedPrompter.h"
#include "shell/StatusLine.h"
#include "store/Database.h"
#include "store/Operations.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

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

// Generated data (one year), an application database linking it, the shipped
// catalogue; built once for the suite.
struct Env {
    QTemporaryDir dir;
    shell::ScriptedPrompter prompter;
    shell::SilentBusy busy;
    shell::AppContext ctx{prompter, busy};
    std::string problem;
};
Env* g_env = nullptr;

conditions::ConditionCatalogue shippedCatalogue(common::ErrorLog& log)
{
    const QString binDir = QStringLiteral(TQ_BINARY_DIR "/bin");
    if (QFileInfo::exists(binDir + QStringLiteral("/DEVovuved.ini")))
        return conditions::subIniGetAll(binDir, log);
    conditions::ConditionCatalogue cat;
    QFile file(QStringLiteral(TQ_SOURCE_DIR "/data/DEVovuved.ini"));
    if (file.open(QIODevice::ReadOnly))
        conditions::parseCatalogueLines(QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')), cat);
    return cat;
}

class OracleTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        g_env = new Env;
        Env& env = *g_env;
        shell::AppContext& ctx = env.ctx;
        const QString program = QStringLiteral(TQ_BINARY_DIR "/bin/DEVovuved");
        if (!QFileInfo::exists(program)) {
            env.problem = "the program (gen-data) is not built";
            return;
        }
        ctx.catalogue = shippedCatalogue(ctx.errorLog);
        const QString dataDir = env.dir.filePath(QStringLiteral("data"));
        QProcess gen;
        gen.start(program, {QStringLiteral("gen-data"), QStringLiteral("--out"), dataDir, QStringLiteral("--years"),
                            QStringLiteral("1"), QStringLiteral("--seed"), QStringLiteral("7")});
        if (!gen.waitForFinished(300000) || gen.exitCode() != 0) {
            env.problem = "gen-data failed: " + gen.readAllStandardError().toStdString();
            return;
        }
        const QString appDb = env.dir.filePath(QStringLiteral("app.mdb"));
        store::Database::create(appDb).reset();
        const struct {
            conditions::LinkSource source;
            const char* file;
        } sources[] = {{conditions::LinkSource::This, "korven_this.mdb"},
                       {conditions::LinkSource::Data, "korven_data.mdb"},
                       {conditions::LinkSource::Code, "korven_code.mdb"},
                       {conditions::LinkSource::Keto, "korven_keto.mdb"},
                       {conditions::LinkSource::Hensa, "VUDevuzI.mdb"}};
        for (const auto& src : sources)
            for (const QString& table : ctx.catalogue.links(src.source))
                if (!table.isEmpty())
                    store::TBLink(ctx.errorLog, appDb, QDir(dataDir).filePath(QString::fromUtf8(src.file)), table);
        ctx.appDb = store::Database::open(appDb);
        // The list settings table, as the preparation creates it.
        ctx.appDb->execute(s("CREATE TABLE 一覧表示設定 (設定名 CHAR(50), 項目名 CHAR(50), 表示順 LONG, サイズ SINGLE, "
                             "PRIMARY KEY (設定名, 項目名))"));
    }
    static void TearDownTestSuite()
    {
        delete g_env;
        g_env = nullptr;
    }
    void SetUp() override
    {
        if (!g_env->problem.empty())
            GTEST_SKIP() << g_env->problem;
    }

    static shell::AppContext& ctx() { return g_env->ctx; }

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

        shell::MemoryStatusLine status;
        ASSERT_TRUE(analysis::subBunseki(ctx(), status, doc, true));
        ASSERT_GT(doc.result.rowCount(), 0);
        EXPECT_GT(doc.defaultList.rowCount(), 0);
        EXPECT_EQ(int(ctx().errorLog.recentEntries().size()), errorsBefore);
    }
    EXPECT_GE(count, 6);
}

// The list by setting on the shipped catalogue: one row per default-list row,
// through the previous-run join and the deviation table's key template.
TEST_F(OracleTest, ListBySettingFollowsTheDefaultListOnGeneratedData)
{
    analysis::AnalysisDocument doc;
    ASSERT_EQ(analysis::funJoukenLoad(ctx(), doc, QStringLiteral(TQ_SOURCE_DIR "/examples/tokyo-1400-1800.tqb")).result,
              0);
    doc.listLimit = true;
    shell::MemoryStatusLine status;
    ASSERT_TRUE(analysis::subBunseki(ctx(), status, doc, true));
    ASSERT_EQ(doc.defaultList.rowCount(), analysis::kDefaultListRowLimit);

    ASSERT_TRUE(analysis::subIchiranSettei(*ctx().appDb, ctx().errorLog,
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
