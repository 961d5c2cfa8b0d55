#pragma once
// subMarkBunseki: builds a mark results table (本日の印別成績 from today's
// races, 過去の印別成績 from every past race), one row per runner with the
// fifty expected-rate statistics (MarkRates.h) and the ten per-race ranks
// (MarkRanks.h).
//
// The build is all or nothing. It runs inside one transaction: the rows go
// into a work table, which replaces the previous table only at the end (drop
// old, rename new); the today build also rewrites its fifty rows of the add-in
// item registry Sアドイン項目管理 there. A failure or a cancel rolls all of it
// back, so the previous table and its registry rows stay as they were, and is
// written to the error log under "subMarkBunseki". A runner whose base odds
// are Null or 0.1 or less has Null statistics and ranks after its race's
// runners with values.
//
// Progress goes to the busy window (shown for the build and hidden at its
// end), which is yielded to once per source row; its cancel flag stops the
// build, also while the source statement is still sorting.

#include "conditions/ConditionCatalogue.h"

#include <QString>

namespace tq::context {
class AppContext;
}

namespace tq::derived {

enum class MarkBuildOutcome { Completed, Cancelled, Failed };

struct MarkBuildResult {
    MarkBuildOutcome outcome = MarkBuildOutcome::Failed;
    qint64 rows = 0;  // rows written (the table's rows when completed)
    QString message;  // why it failed or stopped; empty when completed
};

// The source statement (Jet text): one row per runner in race-key and horse-
// number order with レースキー, 開催日, 競走成績キー, 馬番, 馬名 and the fourteen
// catalogue items the rates read, each under its item name, with the
// catalogue's joins; for today rewritten to today's tables. Empty, with
// `missingItem` set, when the catalogue lacks one of the items.
QString markSourceSql(const conditions::ConditionCatalogue& catalogue, bool today, QString* missingItem = nullptr);

// Builds 本日の印別成績 (`today`) or 過去の印別成績 on the context's
// application database.
MarkBuildResult subMarkBunseki(context::AppContext& ctx, bool today);

} // namespace tq::derived
