#pragma once
// A small hand-built race database for run and window tests: the four race
// tables of the analysis statement (D番組データ, D競走馬データ, D払戻情報データ,
// D成績データ) with only the columns it reads, the stored result widths
// (分析結果表示設定), races whose runners finish in horse-number order, and
// the catalogue item 距離 these tests put conditions and keys on.

#include "conditions/ConditionCatalogue.h"
#include "conditions/ConditionSet.h"

#include <QString>

namespace tq::store {
class Database;
}

namespace tq::support {

// Creates the tables, empty.
void createRaceTables(store::Database& db);

// Adds race `raceKey` run on 2024-01-05 over `distance` metres with `horses`
// runners. Horse h finishes h-th with win odds 2h; its result key is the race
// key followed by h and its name "馬" followed by that result key. Horse 1
// wins (350 yen), horses 1, 2 and 3 place (150, 200 and 180 yen).
void addRace(store::Database& db, const QString& raceKey, int distance, int horses);

// Adds the item 距離 (D番組データ.距離, type 2, catalogue range "0") as item 0.
void addDistanceItem(conditions::ConditionCatalogue& catalogue);

// A condition row on 距離 for the race itself, value "FROM,TO".
conditions::ConditionRow distanceRow(const QString& value, const QString& display = {});

} // namespace tq::support
