// The run on several threads (the default list filled on its own thread;
// with keys the statement stepping on another) against the run on one
// thread, on generated race data: the result table, the history and the
// default list are the same cell for cell, down to the bits of every number
// (the single-precision sum S, merged groups).

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/HorseList.h"
#include "analysis/Statistics.h"
#include "context/AppContext.h"
#include "support/SharedGeneratedData.h"
#include "support/SpeedCases.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tq;

namespace {

// The first cell in which two sheets differ, empty when they are the same.
std::string firstDifference(const analysis::Sheet& a, const analysis::Sheet& b)
{
    if (a.rowCount() != b.rowCount() || a.columnCount() != b.columnCount() || a.headers() != b.headers())
        return "shape or headers: " + std::to_string(a.rowCount()) + " / " + std::to_string(b.rowCount()) + " rows";
    for (int c = 0; c < a.columnCount(); ++c)
        if (a.columnWidth(c) != b.columnWidth(c))
            return "width of column " + std::to_string(c);
    for (int r = 0; r < a.rowCount(); ++r)
        for (int c = 0; c < a.columnCount(); ++c) {
            const double x = a.number(r, c), y = b.number(r, c);
            if (a.kind(r, c) != b.kind(r, c) || std::memcmp(&x, &y, sizeof x) != 0 ||
                a.integer(r, c) != b.integer(r, c) || a.displayText(r, c) != b.displayText(r, c) ||
                a.backColour(r, c) != b.backColour(r, c) || a.foreColour(r, c) != b.foreColour(r, c))
                return "cell " + std::to_string(r) + "," + std::to_string(c) + ": " + a.displayText(r, c).toStdString() +
                       " / " + b.displayText(r, c).toStdString();
        }
    return {};
}

class SecondThreadRunTest : public support::SharedGeneratedData {
  protected:
    static analysis::AnalysisDocument run(const conditions::ConditionSet& set, bool secondThread)
    {
        context::AppContext& ctx = data().context();
        bool ok = false;
        const QString sql = analysis::funSqlCreate2(ctx.catalogue, set, ctx.appDb.get(), ctx.errorLog, &ok);
        EXPECT_TRUE(ok);
        analysis::AnalysisDocument doc;
        doc.conditions = set;
        analysis::DefaultHorseList list(ctx.catalogue, ctx.appDb.get(), &ctx.errorLog, false);
        analysis::RunServices services;
        services.horseList = &list;
        services.secondThread = secondThread;
        EXPECT_TRUE(analysis::subKekkaHyouji(ctx, doc, sql, true, services));
        return doc;
    }
};

TEST_F(SecondThreadRunTest, resultsHistoryAndListAreTheOneThreadRunsBitForBit)
{
    // The cases of the speed measurements (labels that repeat out of order
    // merge groups into rows), then groups of a number of rows labelled by
    // the single-precision mean, and a condition on the previous run.
    std::vector<support::NamedConditions> cases = support::speedCases();
    support::NamedConditions runs{"runs of 500 by 確定単勝オッズ", {}};
    runs.set.keys[0] = {QStringLiteral("確定単勝オッズ"), {QStringLiteral("9,500")}};
    cases.push_back(runs);
    support::NamedConditions previous{"previous-run condition", {}};
    previous.set.rows = {support::conditionRow("距離", "2,0,0", 2)};
    cases.push_back(previous);

    for (const support::NamedConditions& c : cases) {
        SCOPED_TRACE(c.name);
        const analysis::AnalysisDocument one = run(c.set, false);
        const analysis::AnalysisDocument two = run(c.set, true);
        ASSERT_GT(one.defaultList.rowCount(), 100);
        EXPECT_EQ(firstDifference(one.result, two.result), "");
        EXPECT_EQ(firstDifference(one.history, two.history), "");
        EXPECT_EQ(firstDifference(one.defaultList, two.defaultList), "");
    }
}

} // namespace
