#pragma once
// The layout of the mark results tables 本日の印別成績 and 過去の印別成績:
// four key columns, fifty statistic columns (single-precision rates in
// percent) and ten rank columns, in table order.

#include <QString>
#include <QStringList>

#include <array>

namespace tq::derived {

inline constexpr int kMarkStatisticCount = 50;
inline constexpr int kMarkRankCount = 10;

// 本日の印別成績 (today's runners) or 過去の印別成績 (every past runner).
QString markTableName(bool today);

// The fifty statistic columns, 基準勝率 … 直前総合勝率差.
const QStringList& markStatisticColumns();

// Indexes into the statistic columns of the ten ranked columns, in the order
// their rank columns follow the statistics (総合勝率, 直前総合勝率, ＩＤＭ勝率差,
// 情報勝率差, 展開勝率差, 騎手勝率差, パドック勝率差, オッズ勝率差, 総合勝率差,
// 直前総合勝率差). Each rank column is the ranked column's name + "順位".
const std::array<int, kMarkRankCount>& markRankedStatistics();
QStringList markRankColumns();

// The Jet CREATE TABLE text of a table of this layout named `table`: the key
// columns レースキー CHAR(8), 馬番 CHAR(2), 競走成績キー CHAR(16), 馬名 CHAR(18),
// the statistics as SINGLE, the ranks as INTEGER, and the primary key PRIKEY
// on (レースキー, 馬番).
QString markCreateTableSql(const QString& table);

} // namespace tq::derived
