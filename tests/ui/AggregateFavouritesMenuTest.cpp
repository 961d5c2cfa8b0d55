// The debug-mode entries of the aggregate favourites: 集計お気に入り作成 on an
// analysed document, 集計お気に入りを開く through its dialog into a new document
// on the result tab, and 本日の集計お気に入り作成 behind the busy window.

#include "analysis/ui/AnalysisWindow.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "derived/ui/AggregateOpenDialog.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/MainWindowAnalysisDocument.h"
#include "shell/ui/StartUpWindow.h"
#include "shell/ui/WindowBusy.h"
#include "store/Database.h"
#include "support/DebugMainWindow.h"
#include "support/GeneratedData.h"
#include "support/GuiApplication.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tq;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

qint64 count(store::Database& db, const QString& table)
{
    auto rs = db.openRecordset(s("SELECT count(*) FROM ") + table);
    return rs.field(0).toInt();
}

} // namespace

TEST(AggregateFavouritesMenu, StoreOpenAndFillTodayFromTheMenu)
{
    support::ensureGuiApplication();
    support::GeneratedData data(1, 29, 3);
    ASSERT_TRUE(data.ready()) << data.problem();

    support::DebugMainWindow main(data);
    context::ScriptedPrompter& prompter = main.prompter;
    shell::ui::WindowBusy& busy = main.busy;
    context::AppContext& ctx = main.ctx;
    shell::ui::MainWindow& w = *main.window;
    w.resize(1100, 700);
    w.show();

    // A document grouped by place and frame, analysed.
    auto* first = qobject_cast<shell::ui::AnalysisDocumentWindow*>(w.LoadNewDoc());
    ASSERT_NE(first, nullptr);
    first->document().conditions.keys[0] = {s("開催場所"), {}};
    first->document().conditions.keys[1] = {s("枠番"), {}};
    first->analysisWindow()->refreshFromDocument();
    first->runAnalysis();
    const int groups = first->document().result.rowCount();
    ASSERT_GT(groups, 10);
    first->analysisWindow()->saveFlgSet(true);

    prompter.pushText(s("場所枠"));
    w.action(s("mnuSyukeiFavoAdd"))->trigger();
    EXPECT_EQ(count(*ctx.appDb, s("場所枠")), groups);
    EXPECT_FALSE(first->document().modified);
    EXPECT_EQ(busy.window(), nullptr);

    // Opened through the dialog: a new document with the stored grid on the
    // result tab.
    QStringList listed;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<derived::ui::AggregateOpenDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* list = dialog->findChild<QListWidget*>(s("List1"));
        for (int i = 0; i < list->count(); ++i)
            listed << list->item(i)->text();
        QTest::mouseClick(dialog->findChild<QPushButton*>(s("Command1")), Qt::LeftButton);
    });
    w.action(s("mnuSyukeiFavoOpen"))->trigger();
    EXPECT_EQ(listed, QStringList{s("場所枠")});
    auto* opened = qobject_cast<shell::ui::AnalysisDocumentWindow*>(w.activeDocument());
    ASSERT_NE(opened, nullptr);
    ASSERT_NE(opened, first);
    EXPECT_EQ(opened->windowTitle(), s("場所枠"));
    EXPECT_EQ(opened->analysisWindow()->tabs()->currentIndex(), 1);
    EXPECT_EQ(opened->document().result.rowCount(), groups);
    EXPECT_EQ(opened->document().conditions.keys[1].key, s("枠番"));
    if (const QByteArray shot = qgetenv("TQ_AGGREGATE_SHOT"); !shot.isEmpty())
        w.grabMainWindow(QString::fromLocal8Bit(shot));

    // Today's tables, behind the busy window.
    QStringList progress;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (busy.window() && !progress.contains(busy.window()->progress()))
            progress << busy.window()->progress();
    });
    watch.start();
    w.action(s("mnuSyukeiFavorite"))->trigger();
    watch.stop();
    EXPECT_EQ(busy.window(), nullptr);
    EXPECT_EQ(count(*ctx.appDb, s("[本日の場所枠]")), count(*ctx.appDb, s("T競走馬データ")));
    EXPECT_FALSE(progress.isEmpty()) << "the busy window was shown";
}
