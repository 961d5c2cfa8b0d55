#pragma once
// Today's favourites: for every favourite whose 表示 is on, the runners of
// today's races that meet its ＷＨＥＲＥ文, each with the favourite's stored
// statistics and the columns other programs publish in Sアドイン項目管理
// (tables keyed by レースキー and 馬番, such as 本日の印別成績). A favourite
// whose ＷＨＥＲＥ文 no longer runs is kept in the list as a row with its error.
// A favourite whose conditions read a value known only after the race (the
// catalogue's look-ahead items) gets a warning row before its runners: today's
// races do not have that value, so its runners are missing or wrong.
//
// The runners found are also written to Tお気に入り該当馬 (one row per runner:
// how many favourites it meets and their names), the table this program
// publishes to the others.

#include "analysis/Sheet.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tq::context {
class AppContext;
}

namespace tq::addins::today {

enum class Grouping { ByRace, ByFavourite };

// The fixed columns of the list, in order (エラー: why a favourite's
// ＷＨＥＲＥ文 does not run; 警告: the look-ahead warning of its conditions);
// the published columns follow them.
enum Column : int {
    kRaceKey,
    kDate,
    kCourse,
    kRaceNumber,
    kHorseNumber,
    kHorseName,
    kFavourite,
    kGroup,
    kCount,
    kWinRate,
    kTopTwoRate,
    kTopThreeRate,
    kWinReturn,
    kPlaceReturn,
    kError,
    kWarning,
    kFixedColumns
};

struct TodayList {
    analysis::Sheet sheet;   // header row as the sheet's headers
    int favourites = 0;      // favourites with 表示 on
    int failedFavourites = 0;
    int lookAheadFavourites = 0; // favourites with a look-ahead warning row
    int matches = 0;         // rows of runners (a runner once per favourite it meets)
    QStringList problems;    // published columns that could not be read, the matched-runner table
};

// Builds the list, ordered by race (race, horse number, favourite) or by
// favourite (favourite, race, horse number); the error and warning rows of a
// favourite come first in its place. Nothing, with `error` set, when no favourite is to be
// shown or the favourites cannot be read.
std::optional<TodayList> buildTodayList(context::AppContext& ctx, Grouping grouping, QString& error);

} // namespace tq::addins::today
