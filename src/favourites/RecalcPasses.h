#pragma once
// The recalculation of many favourites in passes: the favourites whose own
// runs read the same rows (the same joins, no aggregation key, no link to
// other favourites) are recalculated together, up to `batchSize` at a time,
// in one pass over the past races (flaggedAnalysisSql, foldFlagged), and each
// gets exactly what its own analysis run stores. A favourite that cannot
// join a pass (a link to a favourite or group, aggregation keys, no WHERE
// text, a statement that does not prepare) is recalculated alone, as is a
// member of a pass that fails on its own; those are counted in
// BatchSummary::alone.
//
// The busy service names each pass by its first and last favourite and the
// count done after it ("a～z (120/1000)"); キャンセル stops inside a pass,
// which then stores nothing. A pass's favourites are committed together. A
// day of incomplete data is told through `notices` for each favourite that
// met one (the batch tells the first and counts them).

#include "favourites/Favourite.h"

#include <QDateTime>

#include <functional>
#include <vector>

namespace tq::context {
class AppContext;
class BatchNotices;
} // namespace tq::context

namespace tq::favourites {

struct BatchSummary;
class FavouriteStore;
class StepScope;
class WriteGroup;

void recalculateInPasses(context::AppContext& context, FavouriteStore& store, WriteGroup& writes,
                         const std::vector<Favourite>& favourites, int batchSize,
                         const std::function<QDateTime()>& now, StepScope& step, context::BatchNotices& notices,
                         BatchSummary& summary);

} // namespace tq::favourites
