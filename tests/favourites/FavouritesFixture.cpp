#include "FavouritesFixture.h"

#include "analysis/Run.h"
#include "context/StatusLine.h"

namespace tq::favourites {

void FavouritesTest::makeDocument(analysis::AnalysisDocument& doc, const QString& range, bool run)
{
    doc.conditions.rows.push_back(support::distanceRow(range));
    doc.comment = s("コメント");
    doc.author = s("作者");
    if (!run)
        return;
    context::MemoryStatusLine status;
    ASSERT_TRUE(analysis::subBunseki(ctx, status, doc, true));
}

} // namespace tq::favourites
