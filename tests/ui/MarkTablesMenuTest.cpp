// The main window's debug-mode entries that build the mark results tables:
// today's table with the busy window showing its progress, the past table only
// after Yes to the question, and キャンセル leaving the previous table.

#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "context/StatusLine.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/StartUpWindow.h"
#include "shell/ui/WindowBusy.h"
#include "store/Database.h"
#include "support/DebugMainWindow.h"
#include "support/GeneratedData.h"
#include "support/GuiApplication.h"

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tq;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

qint64 count(store::Database& db, const char* table)
{
    if (!db.hasTable(s(table)))
        return -1;
    auto rs = db.openRecordset(s("SELECT count(*) FROM ") + s(table));
    return rs.field(0).toInt();
}

} // namespace

TEST(MarkTablesMenu, EntriesBuildWithTheBusyWindowAndCancelKeepsTheOldTable)
{
    support::ensureGuiApplication();
    support::GeneratedData data(1, 5);
    ASSERT_TRUE(data.ready()) << data.problem();

    // The generated data's database and catalogue, behind the real busy window.
    support::DebugMainWindow main(data);
    context::ScriptedPrompter& prompter = main.prompter;
    shell::ui::WindowBusy& busy = main.busy;
    context::AppContext& ctx = main.ctx;
    shell::ui::MainWindow& w = *main.window;
    w.show();

    ASSERT_TRUE(w.action(s("mnuMarkSeiseki"))->isEnabled());
    w.action(s("mnuMarkSeiseki"))->trigger();
    EXPECT_EQ(busy.window(), nullptr);
    EXPECT_GT(count(*ctx.appDb, "本日の印別成績"), 0);

    // The past table: No builds nothing, Yes builds it while the busy window
    // shows which table is being built.
    prompter.pushAnswer(context::Answer::No);
    w.action(s("mnuMarkSeisekiOld"))->trigger();
    EXPECT_EQ(count(*ctx.appDb, "過去の印別成績"), -1);
    // Every text the window shows: show() lets events through before the
    // build sets its text, so the start-up text may be seen first.
    QStringList progress;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (busy.window() && !progress.contains(busy.window()->progress()))
            progress << busy.window()->progress();
    });
    watch.start();
    prompter.pushAnswer(context::Answer::Yes);
    w.action(s("mnuMarkSeisekiOld"))->trigger();
    watch.stop();
    EXPECT_TRUE(progress.contains(s("過去の印別成績作成中です"))) << progress.join(u'|').toStdString();
    EXPECT_EQ(busy.window(), nullptr);
    const qint64 past = count(*ctx.appDb, "過去の印別成績");
    EXPECT_GT(past, 1000);
    // The status line says what was built.
    EXPECT_TRUE(w.statusLine().text().startsWith(s("過去の印別成績を作成しました（%1 行、").arg(past)))
        << w.statusLine().text().toStdString();

    // キャンセル during a second build: the table built before stays whole.
    QTimer cancel;
    cancel.setInterval(20);
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        if (busy.window())
            QTest::mouseClick(busy.window()->cancelButton(), Qt::LeftButton);
    });
    cancel.start();
    prompter.pushAnswer(context::Answer::Yes);
    w.action(s("mnuMarkSeisekiOld"))->trigger();
    cancel.stop();
    EXPECT_EQ(count(*ctx.appDb, "過去の印別成績"), past);
    EXPECT_EQ(busy.window(), nullptr);
    ASSERT_FALSE(ctx.errorLog.recentEntries().isEmpty());
    EXPECT_EQ(ctx.errorLog.recentEntries().last().procedure, s("subMarkBunseki"));
    // A cancel is not a failure: no message box.
    for (const context::Message& m : prompter.messages())
        EXPECT_FALSE(m.text.contains(s("作成できませんでした"))) << m.text.toStdString();
}
