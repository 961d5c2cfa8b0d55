#pragma once
// Aggregate favourites (集計お気に入り): the whole grouped result of an
// analysis stored as a table named after the favourite, with its key levels
// in a row of 集計お気に入り, and projected onto today's runners as the table
// 本日の + name (one row per runner with the statistics of the group the
// runner falls into today), which the add-in programs find through ten rows of
// Sアドイン項目管理.
//
// Every build is all or nothing: it runs in one transaction, so a failure or a
// cancel leaves the previous tables, the 集計お気に入り row and the registry
// rows as they were. Failures are written to the error log under the
// operation's name ("subSyukeiFavoAdd", "subSyukeiFavorite2") and shown
// through the prompter with the reason; a cancel is logged, not shown.
//
// Names are checked before anything changes: a name must be usable as a table
// name (at most 50 characters, none of . ! ` [ ] or control characters), and
// neither it nor 本日の + it may already name a table of the application
// database that is not this aggregate favourite's. Names, headers and labels
// with "'" are safe: names are written bracketed, values bound or quoted with
// "'" doubled.
//
// Tables are written with their full values: a decimal cell of the result
// keeps the value it holds, not the one place it shows, so a decimal group
// label still finds its runners.

#include "conditions/ConditionCatalogue.h"
#include "conditions/ConditionSet.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace tq::context {
class AppContext;
}
namespace tq::store {
class Database;
}
namespace tq::analysis {
class AnalysisDocument;
}

namespace tq::derived {

enum class AggregateOutcome {
    Completed,
    NotAsked,  // no name given (empty answer or Cancel), or the check refused the document
    Refused,   // the name or a column header cannot be used; the message was shown
    Cancelled, // the busy window's キャンセル; nothing changed
    Failed,    // reported, shown, nothing changed
};

struct AggregateResult {
    AggregateOutcome outcome = AggregateOutcome::Failed;
    qint64 rows = 0;  // rows written: groups of table N, or today's runners
    QString message;  // why it was refused, failed or stopped
};

// The table of today's runners of an aggregate favourite.
QString todayAggregateTable(const QString& name);

// The ten statistic columns of 本日の + name, as registered in
// Sアドイン項目管理 (the three counts with their square brackets).
const QStringList& todayAggregateItems();

// The checks of 集計お気に入り作成 on the active document, with their messages
// (system-modal): a result of fewer than two columns (never analysed) or an
// ungrouped result (first column 総件数). True when the document may be stored.
bool checkAggregateSource(context::AppContext& ctx, const analysis::AnalysisDocument& document);

// Why `name` cannot name an aggregate favourite on `db`, or an empty text.
QString aggregateNameProblem(store::Database& db, const QString& name);

// What of the document looks ahead for an aggregate favourite: its key texts
// whose item is known only after the race (today's runners are grouped by
// them), then the condition items that are (the stored figures describe
// runners chosen by values today's runners do not have yet), each once.
QStringList aggregateLookAhead(const conditions::ConditionCatalogue& catalogue,
                               const analysis::AnalysisDocument& document);

// subSyukeiFavoAdd: asks whether to go on when aggregateLookAhead names
// anything (No: NotAsked), then for the name (default: the document's
// caption), then storeAggregateFavourite.
AggregateResult subSyukeiFavoAdd(context::AppContext& ctx, analysis::AnalysisDocument& document);

// Stores the document's grouped result as aggregate favourite `name`: table
// `name` (one column per result column, typed by the first row's cells:
// decimal SINGLE, integer LONG, others CHAR(50)), its 集計お気に入り row with
// the twenty key levels, 本日の + name when it does not exist yet, and the ten
// registry rows. Replaces an aggregate favourite of that name. The document
// becomes unmodified.
AggregateResult storeAggregateFavourite(context::AppContext& ctx, analysis::AnalysisDocument& document,
                                        const QString& name);

// The names in 集計お気に入り, trimmed, in the order the table returns them;
// none when the table does not exist.
QStringList aggregateFavouriteNames(store::Database& db);

// The stored key levels of an aggregate favourite, trimmed; nothing when the
// name is not registered.
std::optional<std::array<conditions::AggregationKey, conditions::kAggregationLevels>>
aggregateFavouriteKeys(store::Database& db, const QString& name);

// subSyukeiFavoLoad: fills `document` with aggregate favourite `name`: caption,
// key levels and the stored result (threshold colours and stored widths
// applied; the three hidden sums stay hidden), without running anything; its
// conditions stay empty. False, with "集計お気に入りが登録されていません" shown,
// when the name is not registered; false with the failure reported
// ("subSyukeiFavoLoad") and shown when its table cannot be read.
bool subSyukeiFavoLoad(context::AppContext& ctx, const QString& name, analysis::AnalysisDocument& document);

// subSyukeiFavorite2: refills 本日の + name with one row per today's runner:
// its key labels are looked up among the groups of table `name` and the
// runner gets that group's ten statistics, or zeros when no group matches.
// "集計お気に入りが登録されていません" when the name is not registered.
AggregateResult subSyukeiFavorite2(context::AppContext& ctx, const QString& name);

// subSyukeiFavoriteAll: subSyukeiFavorite2 for every aggregate favourite, in
// table order; stops at a cancel. The result is the first one that did not
// complete (or Completed with the rows of all).
AggregateResult subSyukeiFavoriteAll(context::AppContext& ctx);

} // namespace tq::derived
