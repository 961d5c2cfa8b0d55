#pragma once
// The steps of the favourites' recalculation (subFavoSaiKeisan) and
// conversion (subChokuHen) that their one-by-one path and the passes serving
// many favourites at once share.

#include "favourites/Favourite.h"
#include "favourites/Recalculation.h"

#include <QDateTime>
#include <QString>

namespace tq::analysis {
class AnalysisDocument;
}
namespace tq::context {
class AppContext;
class BatchNotices;
class Busy;
} // namespace tq::context

namespace tq::favourites {

class FavouriteStore;

// What happened to one favourite of a batch.
enum class Outcome { Updated, Skipped, Failed, Cancelled };

// Adds the outcome to the summary under `name`.
void count(BatchSummary& summary, Outcome outcome, const QString& name);

// Names the batch's item on the busy service ("名称 (n/m)") and clears it at
// the end.
class StepScope final {
public:
    explicit StepScope(context::Busy& busy) : m_busy(busy) {}
    ~StepScope();
    StepScope(const StepScope&) = delete;
    StepScope& operator=(const StepScope&) = delete;
    void at(const QString& name, int n, int m);

private:
    context::Busy& m_busy;
};

// The WHERE text of the document's conditions with the "$" escapes kept;
// false when a condition cannot be built (reported under funWhere).
bool buildWhere(context::AppContext& context, const analysis::AnalysisDocument& document, QString& where);

// Recalculates one favourite by its own analysis run and stores it: Failed
// when its conditions no longer load or build or the run reports an error
// (nothing stored), Skipped when the run finds no rows, Cancelled when
// キャンセル was pressed meanwhile (nothing stored). A day of incomplete
// data is told through the batch's `notices`.
Outcome recalculateAlone(context::AppContext& context, FavouriteStore& store, Favourite favourite,
                         const QDateTime& now, context::BatchNotices& notices);

// Stores a favourite from its recalculated document: the condition text with
// the new result table, the statistics the table has (the others keep their
// values), the comment and 登録日時 `now`.
void storeRecalculated(context::AppContext& context, FavouriteStore& store, Favourite favourite,
                       const analysis::AnalysisDocument& document, const QDateTime& now);

} // namespace tq::favourites
