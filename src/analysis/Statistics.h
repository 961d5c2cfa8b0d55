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
class StatusLine;
struct ColourSettings;
}
namespace tq::store {
class Database;
class Recordset;
class Row;
} // namespace tq::store

namespace tq::analysis {

// Indexes of the analysis row's fixed columns, resolved once by name before
// the rows are read (-1 for a column the statement does not have).
struct AnalysisColumns {
    int raceKey = -1;                                   // レースキー
    int date = -1;                                      // 開催日
    int resultKey = -1;                                 // 競走成績キー
    int horseNumber = -1;                               // 馬番
    int horseName = -1;                                 // 馬名
    std::array<int, 3> winHorse{-1, -1, -1};            // 単勝馬番１..３
    std::array<int, 3> winPayout{-1, -1, -1};           // 単勝払戻１..３
    std::array<int, 5> placeHorse{-1, -1, -1, -1, -1};  // 複勝馬番１..５
    std::array<int, 5> placePayout{-1, -1, -1, -1, -1}; // 複勝払戻１..５
    int finish = -1;                                    // 着順
    int abnormal = -1;                                  // 異常区分
    int winOdds = -1;                                   // 確定単勝オッズ
    // In a run's copied rows: the horse's own 単勝 and 複勝 payouts, worked
    // out while the row was copied; the slot columns above are then not read.
    int ownWinPayout = -1;
    int ownPlacePayout = -1;

    static AnalysisColumns resolve(const store::Recordset& rs);
};

// The payout of the current row's horse: its 馬番 compared with 単勝馬番１..３
// (place false) or 複勝馬番１..５ (place true) in order; the payout of the
// first slot holding it, 0 when none does. Horse numbers compare by value
// ("01" equals "1"); a Null slot holds no horse.
qint32 funHaraimodoshi(bool place, const store::Row& row, const AnalysisColumns& columns);
qint32 funHaraimodoshi(bool place, const store::Recordset& row);

// Both payouts of the current row's horse (funHaraimodoshi false and true),
// reading its horse number once.
struct HorsePayouts {
    qint32 win = 0;
    qint32 place = 0;
};
HorsePayouts horsePayouts(const store::Row& row, const AnalysisColumns& columns);

// horsePayouts for rows handed in the statement's order: a race's payout
// slots are read once its second row follows and kept while the rows have the
// same race key (the payout table holds one row per race), so such a row
// costs only its own horse number. Without a race key column, or with a Null
// key, every row is read in full; rows carrying their own payouts are read
// from those.
class RacePayouts final {
  public:
    HorsePayouts of(const store::Row& row, const AnalysisColumns& columns);
    // Forgets the race kept (a new statement begins).
    void reset()
    {
        m_loaded = false;
        m_haveRace = false;
    }

  private:
    struct Slot {
        bool present = false; // the slot holds a horse number
        std::string text;
        bool numeric = false;
        qint64 value = 0;
        int payoutColumn = -1;
        std::optional<qint32> payout; // read when a horse first matches
    };

    // Whether the row has the race key of the row before; keeps its key.
    bool continuesRace(const store::Row& row, const AnalysisColumns& columns);
    void load(const store::Row& row, const AnalysisColumns& columns);

    std::string m_race;     // the race key of the row before
    bool m_haveRace = false; // m_race holds one (not Null)
    bool m_loaded = false; // the slots are the current race's
    std::array<Slot, 8> m_slots; // 単勝 1..3, then 複勝 1..5
};

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
};

// Writes groups into a result or history table (subKekkaGyou). Keeps an index
// of the label combinations written, so that with two or more levels a
// repeated combination is merged into its first row without a scan. The
// table must not be reordered while a writer is in use.
class GroupWriter final {
  public:
    // `appDb` (may be null) supplies stored column widths when the table gets
    // its header.
    GroupWriter(Sheet& table, const QStringList& keyTexts, store::Database* appDb,
                const context::ColourSettings& colours);

    // Writes one group: nothing when stats.n is 0; the header when the table
    // has no rows; then a new row, or, with two or more levels, a merge into
    // the earlier row with the same label texts (stats then holds the merged
    // accumulators). Returns the row written, -1 when nothing was.
    int write(const QStringList& labels, StatRow& stats);
    // Whether the last write() added a row (rather than merging or skipping).
    bool addedRow() const { return m_added; }
    // Reads the stored column widths of the header now, so that later writes
    // run no statement (while the rows are read on another thread).
    void readStoredWidths();

  private:
    void writeRow(int row, const QStringList& labels, const StatRow& stats);

    Sheet& m_table;
    QStringList m_keyTexts;
    store::Database* m_appDb;
    const context::ColourSettings& m_colours;
    QHash<QStringList, int> m_rows; // shown label texts -> row (k >= 2)
    std::optional<std::vector<double>> m_storedWidths; // of the header's columns, read ahead
    std::optional<std::vector<ThresholdColumn>> m_thresholds; // of the header's columns, once written
    bool m_indexed = false;
    bool m_added = false;
};

// One-call form of GroupWriter::write on an existing table.
int subKekkaGyou(Sheet& table, const QStringList& keyTexts, const QStringList& labels, StatRow& stats,
                 store::Database* appDb, const context::ColourSettings& colours);

// Runs `sql` (the analysis statement) on ctx.appDb and writes the statistics
// into the document. Returns true when the rows were read to the end, false
// when there were none (the message "対象データは１件もありません、…" is shown
// unless `silent`), when the statement failed (reported by TBOpr), when the
// user cancelled (the groups already written stay) or when the document
// already has a run going. Rows whose 異常区分 is "1" or "2" are skipped
// entirely. A row without final win odds is counted but adds nothing to S;
// the message "…のデータが不完全（又は成績速報版）のため正しく分析が行えません" is
// shown once for each date in a run (not again when rows sorted by keys come
// back to a date). Calls ctx.busy.yield()
// once per row. Errors are reported under "subKekkaHyouji".
bool subKekkaHyouji(context::AppContext& ctx, AnalysisDocument& document, const QString& sql, bool silent,
                    const RunServices& services = {});

} // namespace tq::analysis
