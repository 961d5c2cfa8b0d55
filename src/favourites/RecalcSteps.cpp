#include "favourites/RecalcSteps.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/ConditionFile.h"
#include "analysis/Run.h"
#include "conditions/Where.h"
#include "context/AppContext.h"
#include "context/BatchNotices.h"
#include "context/StatusLine.h"
#include "favourites/FavouriteStore.h"
#include "favourites/Registration.h"

namespace tq::favourites {

void count(BatchSummary& summary, Outcome outcome, const QString& name)
{
    if (outcome == Outcome::Updated)
        ++summary.updated;
    else if (outcome == Outcome::Skipped)
        summary.skipped << name;
    else if (outcome == Outcome::Failed)
        summary.failed << name;
    else
        summary.cancelled = true;
}

StepScope::~StepScope()
{
    m_busy.setStep(QString());
}

void StepScope::at(const QString& name, int n, int m)
{
    m_busy.setStep(QStringLiteral("%1 (%2/%3)").arg(name).arg(n).arg(m));
}

bool buildWhere(context::AppContext& context, const analysis::AnalysisDocument& document, QString& where)
{
    bool ok = true;
    where = conditions::funWhere(context.catalogue, document.conditions, false, context.appDb.get(), context.errorLog,
                                 &ok);
    return ok;
}

Outcome recalculateAlone(context::AppContext& context, FavouriteStore& store, Favourite favourite,
                         const QDateTime& now, context::BatchNotices& notices)
{
    analysis::AnalysisDocument document;
    // A condition line the catalogue no longer reads would leave the
    // favourite with fewer conditions than it was registered with.
    const bool loaded = loadFavourite(context, favourite, document).result == 0;
    // The condition reader stops early when キャンセル was pressed.
    if (context.busy.cancelled())
        return Outcome::Cancelled;
    if (!loaded)
        return Outcome::Failed;
    QString where;
    if (!buildWhere(context, document, where))
        return Outcome::Failed;
    const quint64 reportsBefore = context.errorLog.reportCount();
    context::MemoryStatusLine status;
    const bool ran = analysis::subBunseki(context, status, document, true, {}, {}, &notices);
    if (context.busy.cancelled())
        return Outcome::Cancelled;
    if (!ran)
        return context.errorLog.reportCount() != reportsBefore ? Outcome::Failed : Outcome::Skipped;

    storeRecalculated(context, store, favourite, document, now);
    return Outcome::Updated;
}

void storeRecalculated(context::AppContext& context, FavouriteStore& store, Favourite favourite,
                       const analysis::AnalysisDocument& document, const QDateTime& now)
{
    favourite.conditionText = analysis::conditionText(context, document, false);
    const auto statistics = resultStatistics(document);
    for (std::size_t i = 0; i < statistics.size(); ++i)
        if (statistics[i])
            favourite.statistics[i] = statistics[i];
    favourite.comment = document.comment;
    favourite.registered = now;
    store.save(favourite);
}

} // namespace tq::favourites
