#pragma once
// The win-type analysis statement: one row per horse per race from the
// past-race tables (D番組データ, D競走馬データ, D払戻情報データ, D成績データ),
// restricted by a condition set and sorted so that the statistics engine can
// fold the rows into groups in one pass.
//
// Row columns, read by name: レースキー, 開催日, 競走成績キー, 馬番, 馬名,
// 単勝馬番１..３ / 単勝払戻１..３, 複勝馬番１..５ / 複勝払戻１..５, 着順,
// 異常区分, 成績騎手, 確定単勝オッズ, 確定複勝オッズ, then one column per
// aggregation key in use, named by the key text itself (prefix included).
// Sorted by the key expressions in level order, or by race key without keys.
//
// The texts are Jet SQL for Database/TBOpr. Pure text building, except that a
// favourite link reads お気に入り. Never throws.

#include "conditions/ConditionCatalogue.h"
#include "conditions/ConditionSet.h"

#include <QString>
#include <QStringList>

#include <array>

namespace tq::common {
class ErrorLog;
}
namespace tq::store {
class Database;
}

namespace tq::analysis {

// The column expression of one aggregation key text: the item's key for no
// prefix, its previous-run rewrite for "前走" ... "５走前", and
// e & " - " & Z for "前走比較" ... "５走前比較". Empty when the item name (after
// the prefix) is not in the catalogue.
QString aggregationKeyExpression(const conditions::ConditionCatalogue& catalogue, const QString& keyText);

// The FROM text of the past-race tables every analysis reads: D番組データ
// joined with D競走馬データ and D払戻情報データ by レースキー and with D成績データ
// by 競走成績キー (catalogue joins are added after it).
const QString& pastRaceJoin();

// Appends, for each non-empty key text from level 0 on, the key's expression
// x to the sort text (" ORDER BY " x for level 0, "," x after) and
// "," x " AS " keyText to the column list unless the list already contains
// x " AS " keyText. Levels must be used without gaps; an empty level is
// skipped. A key whose item is not in the catalogue stops the walk: it and
// every later level add nothing; the result is then false and `*error`
// names it, for the caller to report under its own procedure name.
bool subSyukeiKeySql(const conditions::ConditionCatalogue& catalogue,
                     const std::array<QString, conditions::kAggregationLevels>& keyTexts, QString& orderBy,
                     QString& columnList, QString* error = nullptr);
// The same with the key texts of a condition set's twenty levels.
bool subSyukeiKeySql(const conditions::ConditionCatalogue& catalogue, const conditions::ConditionSet& conditions,
                     QString& orderBy, QString& columnList, QString* error = nullptr);

// The complete analysis statement for a condition set: fixed columns, the
// four-table join, the WHERE text of funWhere (remove-"$" set), key columns
// and sort order, on-demand joins, then today's names rewritten to past names
// and every D競走馬データ.騎手名 / 騎手コード rewritten to D成績データ (the
// jockey who rode). An unknown key item is reported under "funSqlCreate2"
// and the statement is built without that level and the later ones.
//
// When the WHERE text cannot be built (funWhere fails: unknown item, bad
// value, favourite link that matches nothing), the result is the empty text
// and `*ok` is false: running without the conditions would report statistics
// of every race as if they were the user's selection. `appDb` is needed only
// for a favourite link.
QString funSqlCreate2(const conditions::ConditionCatalogue& catalogue, const conditions::ConditionSet& conditions,
                      store::Database* appDb, common::ErrorLog& log, bool* ok = nullptr);

// The FROM text of a run without keys whose WHERE text (funWhere, "$"
// removed) is `where`: the past-race join and the catalogue joins it needs.
// Runs of the same FROM text read the same rows before their conditions.
QString analysisFrom(const conditions::ConditionCatalogue& catalogue, const QString& where);

// Flags per flag column of flaggedAnalysisSql.
inline constexpr int kFlagsPerWord = 30;

// One statement for several runs without keys that share their FROM text
// (analysisFrom): the fixed columns of funSqlCreate2, then the flag columns
// フラグ0, フラグ1, ...: bit b of フラグw (the value 2^b) is set when the WHERE
// text whereTexts[30w + b] holds for the row (Null does not hold). Only rows
// for which some text holds, in race-key order as funSqlCreate2 sorts a run
// without keys; the same rewrites of names. `whereTexts` must not be empty
// and none of its texts empty.
QString flaggedAnalysisSql(const conditions::ConditionCatalogue& catalogue, const QStringList& whereTexts);

} // namespace tq::analysis
