#pragma once
// The analysis run of a document (分析実行): builds the analysis statement,
// runs the statistics engine with the busy window and the status line, and
// returns whether the result is complete. Headless: the window switches to
// its result tab when the run returns true.

#include <QDateTime>
#include <QString>

#include <functional>

namespace tq::context {
class AppContext;
class BatchNotices;
class StatusLine;
}

namespace tq::analysis {

class AnalysisDocument;

// The message of a run without any condition row, favourite link or key.
QString noConditionsMessage();

// The run of a bet-type document (analysis kind 1-3), supplied by the
// bet-type analysis; returns whether its result is complete.
using BetTypeRun = std::function<bool(context::AppContext&, context::StatusLine&, AnalysisDocument&, bool silent)>;
// The selection statement that run opens for a document of kind 1-3; empty
// when it cannot be built.
using BetTypeSql = std::function<QString(context::AppContext&, const AnalysisDocument&)>;

// The whole seconds between two wall-clock times as they read in the status
// line (hh:mm:ss): 10:15:30.9 to 10:15:31.1 is 1 second. A run across
// midnight counts the real time, not a negative one.
qint64 elapsedWholeSeconds(const QDateTime& start, const QDateTime& end);

// subBunseki: runs the document's analysis.
//  - A document that is already running refuses (false, nothing shown).
//  - Without condition row, favourite link and first aggregation key: the
//    message noConditionsMessage(), false.
//  - The busy window shows "分析中です"; the status line becomes
//    "hh:mm:ss(分析開始) ", the engine appends " → hh:mm:ss(DB取得)" when the
//    rows arrive, and a complete run appends "→ hh:mm:ss(分析終了) 【実行時間:
//    n 秒】".
//  - Kind 0 builds funSqlCreate2 and runs subKekkaHyouji, feeding the default
//    horse list (unless context.buildHorseList is off: the list is then left
//    empty) and keeping each history row's condition text. A statement
//    that cannot be built (its conditions are reported under "funWhere") is
//    not run: running without its WHERE text would analyse every race.
//    Kinds 1-3 use `betTypeRun`; without it the run is reported and fails.
//  - On success the list by setting is emptied and the list caption returns
//    to the default one.
//  - Any error is reported under "subBunseki"; the busy window is closed and
//    false returned; the status line keeps what was written so far.
// `now` supplies the wall clock (tests); empty: the system clock.
// `batchNotices`: the notices of the batch the run is part of (null: none).
bool subBunseki(context::AppContext& context, context::StatusLine& status, AnalysisDocument& document, bool silent,
                const BetTypeRun& betTypeRun = {}, const std::function<QDateTime()>& now = {},
                context::BatchNotices* batchNotices = nullptr);

} // namespace tq::analysis
