#pragma once
// The statistics engine of the win-type analysis: reads the rows of the
// analysis statement once, in the statement's order, folds them into groups
// (one per combination of key labels, or one for the whole selection without
// keys), writes one result row per group into the document's result table,
// appends an ungrouped run to the document's history, and hands every counted
// row to the default horse list on the way.
//
// Rows are expected sorted by the key expressions in level order, or by race
// key without keys (as the analysis statement sorts them): a group closes when
// a level's label changes, and without keys the race counters count a race
// each time the race key changes.

#include "analysis/AnalysisDocument.h"
#include "analysis/GroupWriter.h"
#include "analysis/Payouts.h"
#include "analysis/ResultTable.h"
#include "analysis/Sheet.h"
#include "analysis/StatRow.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tq::context {
class AppContext;
class BatchNotices;
class StatusLine;
struct ColourSettings;
}
namespace tq::store {
class Database;
class Recordset;
class Row;
} // namespace tq::store

namespace tq::analysis {

// Receives the horses a run counts, to build the document's default list.
class HorseListBuilder {
  public:
    virtual ~HorseListBuilder() = default;
    // Called once when a run has rows, before the first row: set up `list`
    // (columns, headers, no rows).
    virtual void prepare(Sheet& list, const AnalysisColumns& columns) = 0;
    // Called for every counted row (excluded rows are not passed), in order.
    // Reads only the columns named in `columns`: the analysis may hand over
    // rows copied out of its statement, which hold those columns alone.
    virtual void addRow(Sheet& list, const store::Row& row, const AnalysisColumns& columns) = 0;
    // Whether addRow() runs statements on the application database: the
    // analysis then reads its rows on one thread.
    virtual bool readsDatabase() const { return false; }
};

// A counted row as the fold has just counted it, for observers of a run.
// The views are valid only during the call.
struct CountedRow {
    QByteArrayView raceKey; // レースキー; empty without the column
    QByteArrayView date;    // 開催日, yyyymmdd; empty without the column
    QByteArrayView horseNumber; // 馬番 as stored; empty without the column
    qint64 finish = 0;      // 着順, 0 when there is none
    qint32 winPayout = 0;   // the horse's win payout (a winner's only)
    qint32 placePayout = 0; // its place payout (the first three only)
};

// Follows the groups of a run row by row, beside the result table: figures
// that the table's columns do not hold (the two periods of a split, the
// return-rate intervals).
class GroupObserver {
  public:
    virtual ~GroupObserver() = default;
    // A row counted into the current group, after the group's accumulators.
    virtual void counted(const CountedRow& row) = 0;
    // The current group was written into `resultRow` of the result table (an
    // earlier row when a repeated label combination was merged into it), or
    // nothing was written (-1). The next counted row begins the next group.
    virtual void groupWritten(int resultRow) = 0;
};

// What a run needs besides the application context.
struct RunServices {
    // The main window's first status panel; null: no status text.
    context::StatusLine* statusLine = nullptr;
    // Builds the default list; null: the list stays as it was.
    HorseListBuilder* horseList = nullptr;
    // The condition-file text of a document, kept with each history row;
    // empty function: the companion text is empty.
    std::function<QString(const AnalysisDocument&)> conditionText{};
    // Use the machine's other cores: the default list is filled on a thread
    // of its own, and a run with aggregation keys steps through its
    // statement on another while this thread folds the rows already read
    // (the results are the same either way). A list or labels that run
    // statements of their own keep their part on this thread regardless.
    bool secondThread = true;
    // Told of every counted row and every group written, in order, on the
    // thread that folds the rows.
    std::vector<GroupObserver*> observers{};
    // The notices of the batch this run is part of; null: not in a batch.
    context::BatchNotices* batchNotices = nullptr;
};

// Runs `sql` (the analysis statement) on ctx.appDb and writes the statistics
// into the document. Returns true when the rows were read to the end, false
// when there were none (the message "対象データは１件もありません、…" is shown
// unless `silent`), when the statement failed (reported by TBOpr), when the
// user cancelled (the groups already written stay) or when the document
// already has a run going. Rows whose 異常区分 is "1" or "2" are skipped
// entirely. A row without final win odds is counted but adds nothing to S;
// the message "…のデータが不完全（又は成績速報版）のため正しく分析が行えません" is
// shown once for each date in a run (not again when rows sorted by keys come
// back to a date), and only once in a whole batch (services.batchNotices).
// Calls ctx.busy.yield()
// once per row. Errors are reported under "subKekkaHyouji".
bool subKekkaHyouji(context::AppContext& ctx, AnalysisDocument& document, const QString& sql, bool silent,
                    const RunServices& services = {});

} // namespace tq::analysis
