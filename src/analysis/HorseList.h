#pragma once
// The horse lists of an analysis document, without any window:
//  - the default list, built row by row while the statistics engine runs
//    (DefaultHorseList, the engine's HorseListBuilder);
//  - list settings: named column layouts stored in 一覧表示設定;
//  - the list by setting: one statement per default-list row, restricted to
//    that horse, one list column per item of the setting;
//  - the race key handed to the race viewer add-in through DEZide.ini.
//
// Texts embedded in quoted SQL literals (setting names, item texts, race
// keys, horse numbers) have each "'" doubled, so a name with an apostrophe
// is stored and listed instead of breaking the statement.
//
// Threading: the caller's thread. Functions that loop over rows call
// Busy::yield() once per row and stop when Busy::cancelled().

#include "analysis/ListColumnLabels.h"
#include "analysis/Statistics.h"
#include "analysis/StatisticsKeys.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

namespace tq::common {
class ErrorLog;
}
namespace tq::context {
class AppContext;
class Busy;
}
namespace tq::store {
class Database;
class Recordset;
} // namespace tq::store

namespace tq::analysis {

class AnalysisDocument;
class Sheet;

// Rows the default list holds at most when its limit box is ticked.
inline constexpr int kDefaultListRowLimit = 2000;
// Width of the 馬名 column of the default list.
inline constexpr double kHorseNameColumnWidth = 14.0;

// Column indexes of the default list (0-based).
enum DefaultListColumn : int {
    kListDate = 0,        // 開催日
    kListCourse = 1,      // 開催場所
    kListRace = 2,        // Ｒ
    kListHorseNumber = 3, // 馬番
    kListHorseName = 4,   // 馬名
    kListFinish = 5,      // 着順
    kListWinPayout = 6,   // 単配当
    kListPlacePayout = 7, // 複配当
    kListRaceKey = 8,     // レースキー
    kListResultKey = 9,   // 競走成績キー
    kDefaultListColumns = 10,
};

// The default list (subIchiranGyou). prepare() sets the ten columns and
// headers and drops every row; addRow() appends the row's horse unless the
// limit is on and the list already holds kDefaultListRowLimit rows (the
// analysis itself is never limited). Labels are those of the catalogue items
// 開催場所 (first two characters of the race key), Ｒ (characters 7-8),
// 馬番, 馬名 and 着順, as funSyukeiKey gives them with rawFlag set: codes
// become their labels, values are never bucketed. Each item's labeller is
// prepared once; the catalogue and `appDb` must outlive the builder. A row
// costs no heap allocation once the list's buffers have grown: labels are
// remembered by value, texts go into the list from the statement's UTF-8
// bytes, and while a race's rows follow its own cells are copied from the
// row above and its payout slots are read once.
class DefaultHorseList final : public HorseListBuilder {
  public:
    DefaultHorseList(const conditions::ConditionCatalogue& catalogue, store::Database* appDb, common::ErrorLog* log,
                     bool limitRows);

    void prepare(Sheet& list, const AnalysisColumns& columns) override;
    void addRow(Sheet& list, const store::Row& row, const AnalysisColumns& columns) override;
    bool readsDatabase() const override;

  private:
    ListColumnLabels m_courses;
    ListColumnLabels m_races;
    ListColumnLabels m_horseNumbers;
    ListColumnLabels m_horseNames;
    ListColumnLabels m_finishes;
    RacePayouts m_payouts;
    bool m_limit;
    QByteArray m_scratch;      // a cut race key that is not ASCII
    std::string m_lastRaceKey; // the race of the list's last row
};

// The chooser's entries: "配当のみ（デフォルト）", then every stored setting
// name (trimmed) in the order the grouped query returns them. A failing
// query leaves only the first entry.
QStringList listChoices(store::Database& appDb);

// The list statement of a setting (funIchiranSql): one column per item in
// 表示順 order, named by the item text, then D番組データ.レースキー AS
// レースキー, FROM the three inner joins of the analysis statement with every
// on-demand join the columns need, today's names rewritten to past names; no
// WHERE, no ORDER BY. `widths` (when given) receives the stored サイズ of each
// item column (0 for Null). An item that is not in the catalogue, or a
// failing query, is reported under "funIchiranSql" and gives an empty text.
// A setting without rows gives a statement with the レースキー column only.
QString funIchiranSql(const conditions::ConditionCatalogue& catalogue, store::Database& appDb, common::ErrorLog& log,
                      const QString& settingName, std::vector<double>* widths = nullptr);

// Writes rows of list statements into the list by setting. Each column's
// labeller is prepared once from the statement's column names.
class SettingListWriter final {
  public:
    SettingListWriter(const conditions::ConditionCatalogue& catalogue, store::Database* appDb, common::ErrorLog* log);

    // subIchiranHeader: as many columns as the result has, each headed by its
    // column name. With `widths` the last column gets width 0 and column i
    // the width widths[i] when that is above 0 (others keep theirs).
    void header(const store::Recordset& rs, Sheet& list, const std::vector<double>* widths);
    // subIchiranRow: the current row of `rs` into row `row` of the list.
    // Text and memo columns become text cells, byte/integer/long columns
    // integer cells, every other type a decimal cell with one place; the value
    // is the column's funSyukeiKey label (rawFlag set). A numeric column whose
    // label is "初出走" gets a static text cell, and so does any numeric
    // column whose label is not a number (a code label), so it still shows.
    void row(const store::Recordset& rs, Sheet& list, int row);

  private:
    const conditions::ConditionCatalogue& m_catalogue;
    store::Database* m_appDb;
    common::ErrorLog* m_log;
    std::vector<std::unique_ptr<KeyLabeller>> m_labellers;
};

// subSpreadHyouji: fills `list` (the list by setting) from `sql`, one query
// per row of `defaultList`, restricted to that row's race (column レースキー),
// result key (競走成績キー) and horse number label (馬番), with the key
// templates of the on-demand joins whose table the columns name ("@RKEY",
// "@KKEY", "@UNO" replaced once each). Does nothing when `list` already has
// rows. The list ends with as many rows as the default list (an empty row for
// a horse whose query returns nothing), unless the user cancels: the rows
// listed so far stay. With an empty `sql` the list gets one empty row.
// Errors are reported under "subSpreadHyouji" and end the listing.
// Returns false when cancelled or failed.
bool subSpreadHyouji(context::AppContext& ctx, Sheet& list, const QString& sql, const Sheet& defaultList,
                     const std::vector<double>& widths);

// Choosing a list for a document (the ▼ button without its chooser window):
// sets the list caption to `name`; for "配当のみ（デフォルト）" nothing else.
// For a stored setting the list by setting is built (busy text "表示中です")
// unless it already holds that setting's list; a different setting first
// empties it. Returns false when building failed or was cancelled.
bool showListSetting(context::AppContext& ctx, AnalysisDocument& document, const QString& name);

// The list the document shows: the default list under the default caption,
// else the list by setting (what 一覧をCSVファイルに出力 writes).
const Sheet& shownList(const AnalysisDocument& document);

// The text 一覧SQLをクリップボードへコピー puts on the clipboard.
QString listSqlCopyText(context::AppContext& ctx, const AnalysisDocument& document);

// The user resized a column of the list by setting: stores width `width`
// (when above 0) for the item `headerText` of the setting `caption`. No row
// is added when none matches. Returns whether a row was updated; failures are
// not reported (the column just keeps its width).
bool updateListColumnWidth(store::Database& appDb, const QString& caption, const QString& headerText, double width);

// The race key of a data row: column レースキー of the default list, the last
// column of the list by setting. Empty for a row outside the list.
QString raceKeyOfRow(const Sheet& list, int row, bool defaultList);

// Hands a race to the race viewer: writes `raceKey` into DEZide.ini in
// `programDir`, section "DEZide", key "RACE_KEY". Throws TextFileError when
// the file cannot be written.
void writeViewerRaceKey(const QString& programDir, const QString& raceKey);

} // namespace tq::analysis
