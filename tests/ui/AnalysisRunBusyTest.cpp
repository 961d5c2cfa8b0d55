// A run of the analysis window with the real busy window on a few thousand
// races: the event loop keeps being serviced during the run, キャンセル stops
// it cleanly, and neither a second run nor closing the window gets in while
// it goes.

#include "analysis/AnalysisDocument.h"
#include "analysis/ui/AnalysisWindow.h"
#include "shell/AppContext.h"
#include "shell/ScriptedPrompter.h"
#include "shell/ui/StartUpWindow.h"
#include "shell/ui/WindowBusy.h"
#include "store/Database.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace tq::analysis::ui {
namespace {

constexpr int kRaces = 20000;
constexpr int kHorses = 8;

void ensureApplication()
{
    if (QApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tests_ui";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives for the rest of the test program
}

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// Race-data tables with kRaces races of kHorses runners, grouped by distance.
void fillRaceData(store::Database& db)
{
    db.execute(s("CREATE TABLE 分析結果表示設定 (項目名 CHAR(50),表示順 LONG,サイズ SINGLE ,PRIMARY KEY(項目名 ))"));
    db.execute(s("CREATE TABLE D番組データ (レースキー CHAR(16), 年月日 CHAR(8), 距離 LONG)"));
    db.execute(
        s("CREATE TABLE D競走馬データ (レースキー CHAR(16), 競走成績キー CHAR(20), 馬番 CHAR(2), 馬名 CHAR(20))"));
    db.execute(s("CREATE TABLE D払戻情報データ (レースキー CHAR(16), 単勝馬番１ CHAR(2), 単勝払戻１ LONG, "
                 "単勝馬番２ CHAR(2), 単勝払戻２ LONG, 単勝馬番３ CHAR(2), 単勝払戻３ LONG, "
                 "複勝馬番１ CHAR(2), 複勝払戻１ LONG, 複勝馬番２ CHAR(2), 複勝払戻２ LONG, "
                 "複勝馬番３ CHAR(2), 複勝払戻３ LONG, 複勝馬番４ CHAR(2), 複勝払戻４ LONG, "
                 "複勝馬番５ CHAR(2), 複勝払戻５ LONG)"));
    db.execute(s("CREATE TABLE D成績データ (競走成績キー CHAR(20), 着順 LONG, 異常区分 CHAR(1), 騎手名 CHAR(10), "
                 "確定単勝オッズ DOUBLE, 確定複勝オッズ DOUBLE)"));
    store::Transaction transaction(db);
    for (int r = 0; r < kRaces; ++r) {
        const QString race = QStringLiteral("R%1").arg(r, 6, 10, QLatin1Char('0'));
        db.execute(s("INSERT INTO D番組データ VALUES ('%1','20240105',%2)").arg(race).arg(1000 + 200 * (r % 6)));
        db.execute(s("INSERT INTO D払戻情報データ VALUES ('%1','1',350,'',0,'',0,'1',150,'2',200,'3',180,'',0,'',0)")
                       .arg(race));
        for (int h = 1; h <= kHorses; ++h) {
            const QString run = race + QString::number(h);
            db.execute(s("INSERT INTO D競走馬データ VALUES ('%1','%2','%3','馬%3')").arg(race, run).arg(h));
            db.execute(s("INSERT INTO D成績データ VALUES ('%1',%2,'0','騎手',%3,1.5)").arg(run).arg(h).arg(h * 2.0));
        }
    }
    transaction.commit();
}

class AnalysisRunBusyTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        ensureApplication();
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
        conditions::ConditionItem item;
        item.number = 0;
        item.group = s("レース条件");
        item.name = s("距離");
        item.key = s("D番組データ.距離");
        item.type = 2;
        item.range = s("0");
        ctx.catalogue.items.push_back(item);
        ctx.catalogue.nameMap.insert(item.name, 0);
        ctx.catalogue.order.push_back(0);
        ctx.appDb = store::Database::open(s_dir->filePath(s("app.mdb")));

        conditions::ConditionRow row;
        row.group = s("レース条件");
        row.itemName = s("距離");
        row.targetCaption = conditions::targetCaption(0);
        row.display = s("1000～2000");
        row.value = s("1000,2000");
        doc.conditions.rows.push_back(row);
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
    shell::ScriptedPrompter prompter;
    shell::ui::WindowBusy busy;
    shell::AppContext ctx{prompter, busy};
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
    // Serviced about every 30 ms; the bound is loose for slow machines.
    EXPECT_LT(gap, 250) << "run took " << runMs << " ms";
    EXPECT_EQ(busy.window(), nullptr);
}

TEST_F(AnalysisRunBusyTest, CancelStopsTheRunAndTheDocumentRunsAgain)
{
    AnalysisWindow w(ctx, doc);
    w.show();
    qint64 gap = 0;
    const bool complete = runWith(
        w, 20,
        [&] {
            ASSERT_NE(busy.window(), nullptr);
            busy.window()->cancelButton()->click();
        },
        gap);
    EXPECT_FALSE(complete);
    EXPECT_FALSE(doc.isRunning());
    EXPECT_EQ(w.tabs()->currentIndex(), 0); // a cancelled run does not switch to the result
    EXPECT_TRUE(w.tabs()->isEnabled());
    EXPECT_EQ(busy.window(), nullptr);

    EXPECT_TRUE(w.runAnalysis());
    EXPECT_EQ(doc.result.rowCount(), 6);
    EXPECT_EQ(w.tabs()->currentIndex(), 1);
}

} // namespace
} // namespace tq::analysis::ui
