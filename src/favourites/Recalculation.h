#pragma once
// The two batch operations over the stored favourites, each loading one
// favourite at a time into a scratch document that is never shown:
//
// subFavoSaiKeisan (お気に入り一括再計算) runs the analysis of every selected
// favourite against the current race data and stores its new statistics,
// condition text (with the new result table), comment and 登録日時; name,
// group, 表示, colour, author and ＷＨＥＲＥ文 stay. Favourites whose runs read
// the same rows are analysed together, in passes over the past races that
// give each exactly what its own run gives (RecalcPasses.h); the others run
// one by one. Each favourite is written right after its analysis (a pass's
// favourites after the pass), the writes committed after every pass and
// otherwise about once a second (and on a stop or an error), so a stop keeps
// the earlier ones recalculated and the later ones untouched. A favourite whose conditions no longer load (an
// item left the catalogue) or build, or whose run reports an error, keeps its
// old values and is named in the summary; one whose analysis finds no rows
// is skipped; the batch goes on with the next. キャンセル stops the
// favourite or pass being analysed, without storing it.
//
// A run that meets a day of incomplete data tells it once for the whole
// batch; the summary counts the favourites concerned.
//
// subChokuHen (直前なしモード一括変換) rebuilds お気に入り直前なし: every
// favourite with its current-race and comparison conditions on 直前情報 items
// left out of its WHERE text, and the statistics its stored result table
// holds (not recomputed). The table is rebuilt in one transaction: a cancel
// or an error leaves it as it was before the conversion.
//
// Both name the favourite they are at on the busy service ("名称 (n/m)").
// Database errors outside a favourite's own steps end the batch; they are
// reported under the operation's name and counted in the summary.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace tq::context {
class AppContext;
}

namespace tq::favourites {

// The options of the recalculation dialog.
enum class RecalcSelection {
    Shown = 0, // 表示するに設定されたお気に入りのみ
    All = 1,   // 全てのお気に入り
    Group = 2, // 指定したグループのみ
};

// The selection filter put after "select * from お気に入り " ("'" in the
// group doubled).
QString recalculationFilter(RecalcSelection selection, const QString& group = {});

// The groups of the dialog's list, in name order (the top level included; a
// Null group is left out, it cannot be chosen by name). Throws store::DbError.
QStringList recalculationGroups(context::AppContext& context);

struct BatchSummary {
    int total = 0;       // favourites selected
    int updated = 0;     // recalculated and stored, or converted
    QStringList skipped; // no result rows; or, converting, no condition left
    QStringList failed;  // conditions that no longer load or build, errors
    int incompleteData = 0; // favourites whose run met incomplete data (told once)
    int alone = 0;       // recalculated by runs of their own rather than in passes
    bool cancelled = false;
    QString error; // what ended the batch early, empty when nothing did
};

// The closing message: updated, skipped and failed counts with the names.
QString batchSummaryText(const BatchSummary& summary);

// Favourites recalculated together in one pass over the past races (see
// RecalcPasses.h), chosen by measurement (docs/performance.md).
inline constexpr int kRecalcBatchSize = 120;

// `now` supplies 登録日時 (tests); empty: the clock. `batchSize` caps the
// favourites of a pass; 1 or less recalculates every favourite by a run of
// its own, in selection order (what a pass must give, kept for comparison).
BatchSummary subFavoSaiKeisan(context::AppContext& context, const QString& filter,
                              const std::function<QDateTime()>& now = {}, int batchSize = kRecalcBatchSize);

BatchSummary subChokuHen(context::AppContext& context);

// The message for a favourite whose WHERE text would be empty without its
// pre-race conditions.
QString noConditionLeftMessage(const QString& group, const QString& name);

} // namespace tq::favourites
