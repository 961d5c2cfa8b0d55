// A run of the analysis window with the real busy window on a few thousand
// races: the event loop keeps being serviced during the run, キャンセル stops
// it cleanly, and neither a second run nor closing the window gets in while
// it goes.

#include "analysis/AnalysisDocument.h"
#include "analysis/ui/AnalysisWindow.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "shell/ui/StartUpWindow.h"
#include "shell/ui/WindowBusy.h"
#include "store/Database.h"
#include "support/GuiApplication.h"
#include "support/RaceTables.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace tq::analysis::ui {
namespace {

constexpr int kRaces = 20000;
constexpr int kHorses = 8;

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// Race-data tables with kRaces races of kHorses runners, grouped by distance.
void fillRaceData(store::Database& db)
{
    support::createRaceTables(db);
    store::Transaction transaction(db);
    for (int r = 0; r < kRaces; ++r)
        support::addRace(db, QStringLiteral("R%1").arg(r, 6, 10, QLatin1Char('0')), 1000 + 200 * (r % 6), kHorses);
    transaction.commit();
}

class AnalysisRunBusyTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        support::ensureGuiApplication();
        s_dir = new QTemporaryDir;
        auto db = store::Database::create(s_dir->filePath(s("app.mdb")));
        fillRaceData(*db);
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }

    void SetUp() override
    {
        support::addDistanceItem(ctx.catalogue);
        ctx.appDb = store::Database::open(s_dir->filePath(s("app.mdb")));

        doc.conditions.rows.push_back(support::distanceRow(s("1000,2000"), s("1000～2000")));
        doc.conditions.keys[0].key = s("距離");
    }

    // Calls `during` from a 10 ms timer while the window runs, once the run
    // has been going for `after` ms; returns the run's result. `largestGap`
    // receives the longest time between two ticks of the timer.
    bool runWith(AnalysisWindow& window, int after, const std::function<void()>& during, qint64& largestGap)
    {
        QElapsedTimer clock;
        qint64 lastTick = 0;
        largestGap = 0;
        bool done = false;
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            largestGap = std::max(largestGap, now - lastTick);
            lastTick = now;
            if (!done && now >= after && doc.isRunning()) {
                done = true;
                during();
            }
        });
        clock.start();
        ticker.start();
        const bool complete = window.runAnalysis();
        ticker.stop();
        const qint64 end = clock.elapsed();
        largestGap = std::max(largestGap, end - lastTick);
        runMs = end;
        return complete;
    }

    static QTemporaryDir* s_dir;
    context::ScriptedPrompter prompter;
    shell::ui::WindowBusy busy;
    context::AppContext ctx{prompter, busy};
    AnalysisDocument doc;
    qint64 runMs = 0;
};

QTemporaryDir* AnalysisRunBusyTest::s_dir = nullptr;

TEST_F(AnalysisRunBusyTest, EventsKeepFlowingAndNeitherASecondRunNorClosingGetsIn)
{
    AnalysisWindow w(ctx, doc);
    w.show();
    bool secondRun = true;
    bool closed = true;
    bool controlsEnabled = true;
    qint64 gap = 0;
    const bool complete = runWith(
        w, 20,
        [&] {
            secondRun = w.runAnalysis();
            closed = w.close();
            controlsEnabled = w.tabs()->isEnabled();
        },
        gap);
    ASSERT_TRUE(complete);
    EXPECT_EQ(doc.result.rowCount(), 6); // one row per distance
    EXPECT_FALSE(secondRun);
    EXPECT_FALSE(closed);
    EXPECT_FALSE(controlsEnabled);
    EXPECT_TRUE(w.tabs()->isEnabled());
    // Serviced about every 30 ms. A run that stopped servicing events while
    // the database joins and sorts would leave a gap of a large part of the
    // run; measured against the run itself, the bound holds on a slow or
    // loaded machine too.
    EXPECT_LT(gap * 4, runMs) << "largest gap " << gap << " ms in a run of " << runMs << " ms";
    EXPECT_EQ(busy.window(), nullptr);
}

TEST_F(AnalysisRunBusyTest, CancelStopsTheRunAndTheDocumentRunsAgain)
{
    AnalysisWindow w(ctx, doc);
    w.show();
    qint64 gap = 0;
    // A full run first: the times below are measured against it.
    ASSERT_TRUE(runWith(w, 0, [] {}, gap));
    const qint64 referenceMs = runMs;
    w.tabs()->setCurrentIndex(0);

    // The click comes while the database still joins and sorts: it stops the
    // statement instead of waiting for the first row, and is not an error.
    const bool complete = runWith(
        w, int(referenceMs / 10),
        [&] {
            ASSERT_NE(busy.window(), nullptr);
            QTest::mouseClick(busy.window()->cancelButton(), Qt::LeftButton);
        },
        gap);
    const qint64 cancelledMs = runMs;
    EXPECT_FALSE(complete);
    EXPECT_FALSE(doc.isRunning());
    EXPECT_EQ(w.tabs()->currentIndex(), 0); // a cancelled run does not switch to the result
    EXPECT_TRUE(w.tabs()->isEnabled());
    EXPECT_EQ(busy.window(), nullptr);
    EXPECT_TRUE(ctx.errorLog.recentEntries().isEmpty());
    EXPECT_TRUE(prompter.messages().empty());
    EXPECT_LT(cancelledMs * 2, referenceMs) << "cancelled after " << cancelledMs << " ms, full run " << referenceMs
                                            << " ms";

    EXPECT_TRUE(runWith(w, 0, [] {}, gap));
    EXPECT_EQ(doc.result.rowCount(), 6);
    EXPECT_EQ(w.tabs()->currentIndex(), 1);
}

} // namespace
} // namespace tq::analysis::ui
