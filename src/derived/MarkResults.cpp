#include "derived/MarkResults.h"

#include "conditions/Rewrites.h"
#include "context/AppContext.h"
#include "derived/MarkColumns.h"
#include "derived/MarkRanks.h"
#include "derived/MarkRates.h"
#include "derived/TableBuild.h"
#include "store/Database.h"

#include <QByteArrayView>

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tq::derived {

namespace {

const QString kProcedure = QStringLiteral("subMarkBunseki");

// The fourteen catalogue items of the source row, in the order of its columns.
const char16_t* const kSourceItems[] = {
    u"基準オッズ",     u"IDM印",          u"IDM最大差",        u"情報印",       u"情報指数",
    u"ゴール順位",     u"ゴール差",       u"騎手期待単勝率",   u"騎手期待連対率", u"騎手期待3着内率",
    u"直前オッズ印",   u"直前オッズ指数", u"直前パドック印",   u"直前パドック指数",
};

// A runner of the race being collected: where its four key texts (UTF-8)
// lie in the race's text buffer, and its statistics.
struct Runner {
    std::array<std::pair<qsizetype, qsizetype>, 4> keys; // offset, length
    MarkValues values;
};

// The runners of one race; the buffers keep their capacity from race to race.
struct RaceBuffer {
    std::string texts;
    std::vector<Runner> runners;

    QByteArrayView key(const Runner& r, int k) const
    {
        return QByteArrayView(texts.data() + r.keys[std::size_t(k)].first, r.keys[std::size_t(k)].second);
    }
    void clear()
    {
        texts.clear();
        runners.clear();
    }
};

// The source columns by position.
struct SourceColumns {
    int raceKey, number, runnerKey, name;
    int items[std::size(kSourceItems)];

    explicit SourceColumns(const store::Recordset& rs)
    {
        raceKey = rs.fieldIndex(QStringLiteral("レースキー"));
        number = rs.fieldIndex(QStringLiteral("馬番"));
        runnerKey = rs.fieldIndex(QStringLiteral("競走成績キー"));
        name = rs.fieldIndex(QStringLiteral("馬名"));
        for (std::size_t i = 0; i < std::size(kSourceItems); ++i)
            items[i] = rs.fieldIndex(QString::fromUtf16(kSourceItems[i]));
    }
};

std::optional<double> number(const store::Recordset& rs, int column)
{
    const store::Field f = rs.field(column);
    return f.isNull() ? std::nullopt : std::optional<double>(f.toDouble());
}

MarkText text(const store::Recordset& rs, int column)
{
    const store::Field f = rs.field(column);
    if (f.isNull())
        return std::nullopt;
    const QByteArrayView bytes = f.utf8();
    return std::string(bytes.data(), std::size_t(bytes.size()));
}

MarkInputs readInputs(const store::Recordset& rs, const SourceColumns& c)
{
    MarkInputs in;
    in.baseOdds = number(rs, c.items[0]);
    in.idmMark = text(rs, c.items[1]);
    in.idmGap = number(rs, c.items[2]);
    in.infoMark = text(rs, c.items[3]);
    in.infoIndex = number(rs, c.items[4]);
    in.goalRank = text(rs, c.items[5]);
    in.goalGap = number(rs, c.items[6]);
    in.jockeyWin = number(rs, c.items[7]);
    in.jockeyTop2 = number(rs, c.items[8]);
    in.jockeyTop3 = number(rs, c.items[9]);
    in.oddsMark = text(rs, c.items[10]);
    in.paddockMark = text(rs, c.items[12]);
    in.paddockIndex = number(rs, c.items[13]);
    return in;
}

// Appends a key field's text (Null: empty) to the race's buffer.
std::pair<qsizetype, qsizetype> appendKey(const store::Recordset& rs, int column, std::string& texts)
{
    const QByteArrayView bytes = rs.field(column).utf8();
    const qsizetype offset = qsizetype(texts.size());
    texts.append(bytes.data(), std::size_t(bytes.size()));
    return {offset, bytes.size()};
}

// One prepared INSERT into the work table, reused for every row; a race's
// runners are written together once their ranks are known.
class RowWriter final {
  public:
    RowWriter(sqlite3* db, const QString& table) : m_db(db), m_table(table) {}

    void writeRace(const RaceBuffer& race)
    {
        m_values.clear();
        for (const Runner& r : race.runners)
            m_values.push_back(r.values);
        const std::vector<MarkRanks> ranks = rankWithinRace(m_values);
        // A race's runners go in with one statement of that many rows (up to
        // kMaxRows at a time): one pass of the insert program opens the table
        // and its index once for all of them.
        const std::size_t n = race.runners.size();
        for (std::size_t first = 0; first < n; first += kMaxRows) {
            const std::size_t count = std::min(kMaxRows, n - first);
            NativeStatement& insert = statementFor(count);
            int p = 1;
            for (std::size_t i = first; i < first + count; ++i)
                bindRow(insert.handle(), p, race, race.runners[i], ranks[i]);
            insert.run();
        }
        m_rows += qint64(n);
    }

    qint64 rows() const { return m_rows; }

  private:
    static constexpr std::size_t kMaxRows = 32;
    static constexpr int kColumns = 4 + kMarkStatisticCount + kMarkRankCount;

    NativeStatement& statementFor(std::size_t rows)
    {
        if (m_statements.size() < rows)
            m_statements.resize(rows);
        std::unique_ptr<NativeStatement>& st = m_statements[rows - 1];
        if (!st)
            st = std::make_unique<NativeStatement>(m_db, nativeInsertSql(m_table, kColumns, int(rows)));
        return *st;
    }

    static void bindRow(sqlite3_stmt* st, int& p, const RaceBuffer& race, const Runner& r, const MarkRanks& ranks)
    {
        for (int k = 0; k < 4; ++k) {
            const QByteArrayView key = race.key(r, k);
            sqlite3_bind_text(st, p++, key.data(), int(key.size()), SQLITE_STATIC);
        }
        for (const std::optional<double>& v : r.values) {
            if (v)
                sqlite3_bind_double(st, p++, *v);
            else
                sqlite3_bind_null(st, p++);
        }
        for (int rank : ranks)
            sqlite3_bind_int(st, p++, rank);
    }

    sqlite3* m_db;
    QString m_table;
    std::vector<std::unique_ptr<NativeStatement>> m_statements; // by row count - 1
    qint64 m_rows = 0;
    std::vector<MarkValues> m_values;
};

// Steps through the source rows, computing each runner and writing each race
// as soon as its last runner has been read.
qint64 fillTable(context::AppContext& ctx, store::Recordset& rs, const QString& workTable)
{
    const SourceColumns columns(rs);
    RowWriter writer(ctx.appDb->handle(), workTable);
    RaceBuffer race;
    for (; !rs.isEOF(); rs.moveNext()) {
        ctx.busy.yield();
        if (ctx.busy.cancelled())
            throw BuildCancelled{};
        if (!race.runners.empty() && race.key(race.runners.front(), 0) != rs.field(columns.raceKey).utf8()) {
            writer.writeRace(race);
            race.clear();
        }
        Runner& r = race.runners.emplace_back();
        const int keyColumns[] = {columns.raceKey, columns.number, columns.runnerKey, columns.name};
        for (int k = 0; k < 4; ++k)
            r.keys[std::size_t(k)] = appendKey(rs, keyColumns[k], race.texts);
        r.values = computeMarkValues(readInputs(rs, columns));
    }
    if (!race.runners.empty())
        writer.writeRace(race);
    return writer.rows();
}

MarkBuildResult build(context::AppContext& ctx, bool today)
{
    const QString table = markTableName(today);
    QString missing;
    const QString sql = markSourceSql(ctx.catalogue, today, &missing);
    if (sql.isEmpty())
        return {MarkBuildOutcome::Failed, 0,
                QStringLiteral("条件項目「") + missing + QStringLiteral("」が定義ファイルにありません")};

    store::Database& db = *ctx.appDb;
    const QString work = table + QStringLiteral("_作成中");
    const SecureDeleteOff fastDrops(db.handle());
    store::Transaction transaction(db);
    if (db.hasTable(work))
        db.execute(QStringLiteral("drop TABLE ") + work);
    db.execute(markCreateTableSql(work));

    std::unique_ptr<store::Recordset> source = openBuildSource(ctx, sql);
    const qint64 rows = fillTable(ctx, *source, work);
    source.reset();

    if (db.hasTable(table))
        db.execute(QStringLiteral("drop TABLE ") + table);
    execNative(db.handle(), QStringLiteral("ALTER TABLE ") + nativeName(work) + QStringLiteral(" RENAME TO ") +
                                nativeName(table));
    if (today) {
        ctx.busy.setProgress(QStringLiteral("「Sアドイン項目管理」登録中です"));
        ctx.busy.yield();
        registerAddInColumns(ctx, table, markStatisticColumns());
    }
    transaction.commit();
    return {MarkBuildOutcome::Completed, rows, {}};
}

} // namespace

QString markSourceSql(const conditions::ConditionCatalogue& catalogue, bool today, QString* missingItem)
{
    QString columns = QStringLiteral("SELECT D番組データ.レースキー AS レースキー, D番組データ.年月日 AS 開催日, "
                                     "D競走馬データ.競走成績キー AS 競走成績キー,D競走馬データ.馬番 AS 馬番,"
                                     "D競走馬データ.馬名 AS 馬名");
    for (const char16_t* name : kSourceItems) {
        const QString itemName = QString::fromUtf16(name);
        const conditions::ConditionItem* item = catalogue.itemByName(itemName);
        if (!item) {
            if (missingItem)
                *missingItem = itemName;
            return {};
        }
        columns += QLatin1Char(',') + item->key + QStringLiteral(" AS ") + itemName;
    }
    QString from = QStringLiteral("D番組データ INNER JOIN D競走馬データ ON D番組データ.レースキー = D競走馬データ.レースキー ");
    from = conditions::addCatalogueJoins(catalogue, from, columns, QString());
    const QString sql =
        columns + QStringLiteral(" FROM ") + from + QStringLiteral(" ORDER BY D競走馬データ.レースキー,D競走馬データ.馬番");
    return today ? conditions::funThisHenkan(catalogue, sql) : sql;
}

MarkBuildResult subMarkBunseki(context::AppContext& ctx, bool today)
{
    ctx.busy.show(); // first: a busy window made by show() starts with its own text
    ctx.busy.setProgress(markTableName(today) + QStringLiteral("作成中です"));
    ctx.busy.yield();
    MarkBuildResult result;
    try {
        if (!ctx.appDb)
            result.message = QStringLiteral("アプリケーションデータベースが開かれていません");
        else
            result = build(ctx, today);
    } catch (const BuildCancelled&) {
        result = {MarkBuildOutcome::Cancelled, 0, QStringLiteral("キャンセルされました")};
    } catch (const store::DbError& e) {
        result.message = e.describe();
    } catch (const std::exception& e) {
        result.message = QString::fromUtf8(e.what());
    }
    ctx.busy.hide();
    if (result.outcome != MarkBuildOutcome::Completed)
        ctx.errorLog.report({0, markTableName(today) + QStringLiteral("は更新されていません: ") + result.message, {}},
                            kProcedure);
    return result;
}

} // namespace tq::derived
