// Message boxes shown while the busy window is up: the busy window steps
// aside (hidden) while they wait, so a box can never open under it whatever
// the window manager does with windows kept on top, and comes back when the
// box is answered. A box hidden under the busy window leaves the run waiting
// unseen. (The stacking under a real window manager is checked by the tests
// in tests/x11.)

#include "analysis/AnalysisDocument.h"
#include "analysis/ui/AnalysisWindow.h"
#include "context/AppContext.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/StartUpWindow.h"
#include "shell/ui/WindowBusy.h"
#include "store/Database.h"
#include "support/GuiApplication.h"
#include "support/RaceTables.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace tq::analysis::ui {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

class MessageOverBusyTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        support::ensureGuiApplication();
        ASSERT_TRUE(dir.isValid());
        prompter.setBusy(&busy);
        support::addDistanceItem(ctx.catalogue);
        ctx.appDb = store::Database::create(dir.filePath(s("app.mdb")));
        support::createRaceTables(*ctx.appDb);
        support::addRace(*ctx.appDb, s("R1"), 1200, 4);
        support::addRace(*ctx.appDb, s("R2"), 1600, 4);
        // A horse without final win odds: the run says the day's data is incomplete.
        ctx.appDb->execute(s("UPDATE D成績データ SET 確定単勝オッズ=NULL WHERE 競走成績キー='R12'"));
        doc.conditions.rows.push_back(support::distanceRow(s("1000,2000")));
    }

    // Runs `action` once on the first message box that appears while `work` runs.
    void onFirstBox(const std::function<void(QMessageBox&)>& action, const std::function<void()>& work)
    {
        bool seen = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || seen)
                return;
            seen = true;
            action(*box);
        });
        poll.start();
        work();
        poll.stop();
        EXPECT_TRUE(seen) << "no message box appeared";
    }

    // What a message box shown while the busy window is up must be: the
    // active window, with the busy window out of its way.
    void expectBusyWindowAside(QMessageBox& box)
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &box; }, 2000));
        EXPECT_TRUE(box.isActiveWindow());
        ASSERT_NE(busy.window(), nullptr);
        EXPECT_FALSE(busy.window()->isVisible());
    }

    QTemporaryDir dir;
    shell::ui::QtPrompter prompter;
    shell::ui::WindowBusy busy;
    context::AppContext ctx{prompter, busy};
    AnalysisDocument doc;
};

TEST_F(MessageOverBusyTest, RunMessageWaitsWithTheBusyWindowAsideAndTheRunGoesOn)
{
    AnalysisWindow w(ctx, doc);
    prompter.setParent(&w);
    w.show();
    QString text;
    bool complete = false;
    onFirstBox(
        [&](QMessageBox& box) {
            text = box.text();
            expectBusyWindowAside(box);
            box.accept();
        },
        [&] { complete = w.runAnalysis(); });
    EXPECT_EQ(text, s("2024/01/05のデータが不完全（又は成績速報版）のため正しく分析が行えません"));
    EXPECT_TRUE(complete);
    EXPECT_FALSE(busy.cancelled());
    EXPECT_EQ(busy.window(), nullptr);
}

TEST_F(MessageOverBusyTest, TheBusyWindowComesBackWhenTheQuestionIsAnswered)
{
    busy.show();
    context::Answer answer = context::Answer::No;
    onFirstBox(
        [&](QMessageBox& box) {
            expectBusyWindowAside(box);
            QTest::mouseClick(box.button(QMessageBox::Yes), Qt::LeftButton);
        },
        [&] { answer = prompter.ask(context::Message{s("続けますか？"), {}, context::Icon::Question, false}); });
    EXPECT_EQ(answer, context::Answer::Yes);
    ASSERT_NE(busy.window(), nullptr);
    EXPECT_TRUE(busy.window()->isVisible());
    busy.hide();
}

} // namespace
} // namespace tq::analysis::ui
