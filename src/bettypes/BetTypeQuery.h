#pragma once
// The statements of the bet-type analysis: the selection (funSqlCreateUma),
// one row per selected horse, sorted by race key and horse number; the
// partners of one horse (funSqlCreateUmaRace), the other horses of its race
// that meet a condition; and the payout row of one race (racePayoutSql).
//
// Neither horse statement carries the combination slots (枠連 to ３連複, some
// fifty columns): they are the same on every row of a race, and carrying them
// through the join and the horse-number sort of the selection made a box run
// cost twice the win-type run. The runs read them once per race instead.
//
// Both rows carry, besides the columns the win-type analysis reads (レースキー,
// 開催日, 競走成績キー, 馬番, 馬名, 単勝 and 複勝 slots, 異常区分, 成績騎手,
// 着順), the horse's 枠番 (a 馬連 ticket in a race without 馬連 sales is paid
// by the frames), and in an analysis window one column per aggregation key.
//
// The texts are Jet SQL for TBOpr, built from the catalogue's join rules and
// rewritten to the past-data table names. Never throws.

#include "conditions/ConditionCatalogue.h"
#include "conditions/ConditionSet.h"

#include <QString>

#include <array>

namespace tq::common {
class ErrorLog;
}
namespace tq::store {
class Database;
}

namespace tq::bettypes {

// A favourite, or a whole group of favourites, chosen in a window.
struct FavouritePick {
    QString name;
    bool wholeGroup = false;
};

// What the statements take from the window that asks for them.
struct BetQuerySource {
    // The analysis window's conditions (with its keys and axis favourite);
    // null for the bet-type window.
    const conditions::ConditionSet* conditions = nullptr;
    // The bet-type window's favourites: 0 the axis (or box) horses, 1 the
    // partner horses.
    std::array<FavouritePick, 2> favourites;
};

struct QueryEnv {
    const conditions::ConditionCatalogue& catalogue;
    store::Database* appDb;
    common::ErrorLog& log;
};

// The selection. kind 0: the bet-type window's favourite 0; 1 and 3: the
// analysis window's conditions; 2: its axis favourite; other kinds: no
// condition. A favourite is read through funFavoWhere; an empty name adds no
// condition, a name that matches no favourite selects no horse (rather than
// every horse of the past data). Empty text on failure (conditions that
// cannot be built, a favourites table that cannot be read), reported under
// "funSqlCreateUma".
QString funSqlCreateUma(const QueryEnv& env, const BetQuerySource& source, int kind);

// The payout rows (レースキー and the combination slots of D払戻情報データ)
// from race `raceKey` on, in race-key order; "'" in the key is doubled.
QString racePayoutSql(const conditions::ConditionCatalogue& catalogue, const QString& raceKey);

// The partners of horse `horseNo` in race `raceKey` (the horse itself
// excluded). kind 0: meeting the bet-type window's favourite 1; 2: the
// analysis window's conditions; 3: its axis favourite; other kinds: every
// other horse. In an analysis window the rows come in the order of its
// aggregation keys, otherwise in the database's order. "'" in the race key
// and horse number is doubled. Empty text on failure, reported under
// "funSqlCreateUma".
QString funSqlCreateUmaRace(const QueryEnv& env, const BetQuerySource& source, const QString& raceKey,
                            const QString& horseNo, int kind);

} // namespace tq::bettypes
