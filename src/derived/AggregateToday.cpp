// Today's table of an aggregate favourite (subSyukeiFavorite2) and of all of
// them (subSyukeiFavoriteAll).

#include "analysis/AnalysisQuery.h"
#include "analysis/ResultTable.h"
#include "analysis/StatisticsKeys.h"
#include "conditions/Rewrites.h"
#include "context/AppContext.h"
#include "derived/AggregateFavourites.h"
#include "derived/TableBuild.h"
#include "store/Database.h"

#include <QHash>

#include <stdexcept>

namespace tq::derived {

namespace {

const QString kProcedure = QStringLiteral("subSyukeiFavorite2");
constexpr int kStatistics = 10;

using Statistics = std::array<store::Value, kStatistics>;

// A group label as the lookup compares it: numbers by value (a LONG column
// holds 1400 where the label reads " 1400"), texts without surrounding blanks.
QString comparableLabel(const QString& label)
{
    double v = 0;
    if (analysis::labelAsNumber(label, &v))
        return QString::number(v, 'g', 15);
    return label.trimmed();
}

QString comparableValue(const store::Value& value)
{
    switch (value.kind()) {
    case store::Value::Kind::Null:
        return {};
    case store::Value::Kind::Integer:
    case store::Value::Kind::Real:
        return QString::number(value.toDouble(), 'g', 15);
    case store::Value::Kind::Text:
        return comparableLabel(value.toText());
    }
    return {};
}

const QChar kSeparator(0x1f);

[[noreturn]] void fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

// The groups of table N by their key labels; the first row of a label wins.
QHash<QString, Statistics> readGroups(store::Database& db, const QString& name, const QStringList& keys)
{
    store::Recordset rs = db.openRecordset(QStringLiteral("SELECT * FROM ") + bracketed(name));
    std::vector<int> keyColumns;
    for (const QString& key : keys) {
        const int c = rs.fieldIndex(key);
        if (c < 0)
            fail(QStringLiteral("表「") + name + QStringLiteral("」に集計キー「") + key + QStringLiteral("」の列がありません"));
        keyColumns.push_back(c);
    }
    std::array<int, kStatistics> statColumns{};
    for (int i = 0; i < kStatistics; ++i) {
        QString item = todayAggregateItems().at(i);
        item.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
        statColumns[std::size_t(i)] = rs.fieldIndex(item);
        if (statColumns[std::size_t(i)] < 0)
            fail(QStringLiteral("表「") + name + QStringLiteral("」に列「") + item + QStringLiteral("」がありません"));
    }
    QHash<QString, Statistics> groups;
    for (; !rs.isEOF(); rs.moveNext()) {
        QStringList labels;
        for (int c : keyColumns)
            labels << comparableValue(rs.value(c));
        const QString key = labels.join(kSeparator);
        if (groups.contains(key))
            continue;
        Statistics& s = groups[key];
        for (int i = 0; i < kStatistics; ++i)
            s[std::size_t(i)] = rs.value(statColumns[std::size_t(i)]);
    }
    return groups;
}

// Today's runners with one column per key, named by the key text.
QString todayRunnersSql(const conditions::ConditionCatalogue& catalogue, const QStringList& keys)
{
    QString columns = QStringLiteral("SELECT D番組データ.レースキー AS レースキー, D番組データ.年月日 AS 開催日, "
                                     "D競走馬データ.競走成績キー AS 競走成績キー,D競走馬データ.馬番 AS 馬番,"
                                     "D競走馬データ.馬名 AS 馬名");
    std::array<QString, conditions::kAggregationLevels> texts;
    for (int i = 0; i < keys.size(); ++i)
        texts[std::size_t(i)] = keys.at(i);
    QString order, error;
    if (!analysis::subSyukeiKeySql(catalogue, texts, order, columns, &error))
        fail(error);
    QString from = QStringLiteral("D番組データ INNER JOIN D競走馬データ ON D番組データ.レースキー = D競走馬データ.レースキー ");
    from = conditions::addCatalogueJoins(catalogue, from, columns, QString());
    return conditions::funThisHenkan(catalogue, columns + QStringLiteral(" FROM ") + from +
                                                    QStringLiteral(" ORDER BY D競走馬データ.レースキー,D競走馬データ.馬番"));
}

qint64 fillToday(context::AppContext& ctx, const QString& name,
                 const std::array<conditions::AggregationKey, conditions::kAggregationLevels>& levels)
{
    // Levels left empty are skipped: the keys in use, in level order.
    QStringList keys, ranges;
    for (const conditions::AggregationKey& level : levels)
        if (level.inUse()) {
            keys << level.key;
            ranges << level.range.text;
        }
    store::Database& db = *ctx.appDb;
    const QHash<QString, Statistics> groups = readGroups(db, name, keys);
    const QString sql = todayRunnersSql(ctx.catalogue, keys);
    const QString today = todayAggregateTable(name);

    store::Transaction transaction(db);
    if (!db.hasTable(today))
        db.execute(QStringLiteral("CREATE TABLE ") + bracketed(today) +
                   QStringLiteral(" (レースキー CHAR(8),馬番 CHAR(2),競走成績キー CHAR(16),馬名 CHAR(18),総件数 LONG,"
                                  "[１着件数] LONG,[２着件数] LONG,[３着件数] LONG,着外件数 LONG,勝率 SINGLE,"
                                  "連対率 SINGLE,複勝率 SINGLE,単回収率 SINGLE,複回収率 SINGLE)"));
    db.execute(QStringLiteral("DELETE FROM ") + bracketed(today));

    std::unique_ptr<store::Recordset> rs = openBuildSource(ctx, sql);
    std::vector<std::unique_ptr<analysis::KeyLabeller>> labellers;
    std::vector<int> keyColumns;
    for (int j = 0; j < keys.size(); ++j) {
        labellers.push_back(std::make_unique<analysis::KeyLabeller>(ctx.catalogue, keys.at(j), ranges.at(j),
                                                                    ctx.appDb.get(), &ctx.errorLog));
        keyColumns.push_back(rs->fieldIndex(keys.at(j)));
    }
    const int fixed[] = {rs->fieldIndex(QStringLiteral("レースキー")), rs->fieldIndex(QStringLiteral("馬番")),
                         rs->fieldIndex(QStringLiteral("競走成績キー")), rs->fieldIndex(QStringLiteral("馬名"))};
    NativeStatement insert(db.handle(), nativeInsertSql(today, 4 + kStatistics));
    qint64 rows = 0;
    QStringList labels;
    for (; !rs->isEOF(); rs->moveNext()) {
        ctx.busy.yield();
        if (ctx.busy.cancelled())
            throw BuildCancelled{};
        labels.clear();
        for (std::size_t j = 0; j < labellers.size(); ++j)
            labels << comparableLabel(labellers[j]->label(rs->value(keyColumns[j]), false));
        for (int i = 0; i < 4; ++i)
            insert.bindText(i + 1, rs->field(fixed[i]).toText());
        const auto group = groups.constFind(labels.join(kSeparator));
        for (int i = 0; i < kStatistics; ++i) {
            if (group == groups.cend())
                insert.bindInteger(5 + i, 0);
            else
                insert.bindValue(5 + i, (*group)[std::size_t(i)]);
        }
        insert.run();
        ++rows;
    }
    rs.reset();
    transaction.commit();
    return rows;
}

} // namespace

AggregateResult subSyukeiFavorite2(context::AppContext& ctx, const QString& name)
{
    AggregateResult result;
    if (!ctx.appDb) {
        result.message = QStringLiteral("アプリケーションデータベースが開かれていません");
        return result;
    }
    std::optional<std::array<conditions::AggregationKey, conditions::kAggregationLevels>> levels;
    try {
        levels = aggregateFavouriteKeys(*ctx.appDb, name);
    } catch (const store::DbError& e) {
        result.message = e.describe();
        ctx.errorLog.report({0, e.describe(), {}}, kProcedure);
        return result;
    }
    if (!levels) {
        result = {AggregateOutcome::Refused, 0, QStringLiteral("集計お気に入りが登録されていません")};
        ctx.prompter.inform(context::Message{result.message, {}, context::Icon::None, false});
        return result;
    }

    const QString today = todayAggregateTable(name);
    ctx.busy.show();
    ctx.busy.setProgress(today + QStringLiteral("作成中です"));
    ctx.busy.yield();
    try {
        result = {AggregateOutcome::Completed, fillToday(ctx, name, *levels), {}};
    } catch (const BuildCancelled&) {
        result = {AggregateOutcome::Cancelled, 0, QStringLiteral("キャンセルされました")};
    } catch (const store::DbError& e) {
        result.message = e.describe();
    } catch (const std::exception& e) {
        result.message = QString::fromUtf8(e.what());
    }
    ctx.busy.hide();
    if (result.outcome == AggregateOutcome::Completed)
        return result;
    ctx.errorLog.report({0, today + QStringLiteral("は更新されていません: ") + result.message, {}}, kProcedure);
    if (result.outcome == AggregateOutcome::Failed)
        ctx.prompter.inform(context::Message{today + QStringLiteral("を作成できませんでした（以前の表はそのままです）。\r\n") +
                                               result.message,
                                           {}, context::Icon::Exclamation, false});
    return result;
}

AggregateResult subSyukeiFavoriteAll(context::AppContext& ctx)
{
    QStringList names;
    try {
        if (ctx.appDb)
            names = aggregateFavouriteNames(*ctx.appDb);
    } catch (const store::DbError& e) {
        ctx.errorLog.report({0, e.describe(), {}}, QStringLiteral("subSyukeiFavoriteAll"));
        return {AggregateOutcome::Failed, 0, e.describe()};
    }
    AggregateResult all{AggregateOutcome::Completed, 0, {}};
    for (const QString& name : names) {
        const AggregateResult one = subSyukeiFavorite2(ctx, name);
        all.rows += one.rows;
        if (one.outcome == AggregateOutcome::Cancelled)
            return one;
        if (one.outcome != AggregateOutcome::Completed && all.outcome == AggregateOutcome::Completed)
            all = {one.outcome, all.rows, one.message};
    }
    return all;
}

} // namespace tq::derived
