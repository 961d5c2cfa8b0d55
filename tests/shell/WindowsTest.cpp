// The start-up windows: the user-name dialog, the busy window's cancel flag,
// and the single-instance lock.

#include "shell/AppContext.h"
#include "shell/InstanceLock.h"
#include "shell/ScriptedPrompter.h"
#include "shell/ui/BaseSetDialog.h"
#include "shell/ui/StartUpWindow.h"
#include "shell/ui/WindowBusy.h"
#include "store/Database.h"
#include "store/Operations.h"
#include "support/GuiApplication.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace tq::shell;

namespace {

TEST(BaseSetDialog, OkStoresTheNameAndCancelLeavesItAlone)
{
    tq::support::ensureGuiApplication();
    struct Case {
        const char* name;
        QString typed;
        bool ok;
        QString expected;
    };
    const Case cases[] = {
        {"a name", QStringLiteral("鈴木"), true, QStringLiteral("鈴木")},
        {"empty becomes one blank", QString(), true, QStringLiteral(" ")},
        {"cancel", QStringLiteral("別人"), false, QStringLiteral("元の名前")},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        QTemporaryDir temp;
        ScriptedPrompter prompter;
        SilentBusy busy;
        AppContext ctx(prompter, busy);
        ctx.catalogue.appDbPath = QDir(temp.path()).filePath(QStringLiteral("DEVovuved.mdb"));
        tq::store::Database::create(ctx.catalogue.appDbPath);
        ctx.userName = QStringLiteral("元の名前");
        ASSERT_TRUE(tq::store::SetDBProp(ctx.errorLog, ctx.appDbPath(), QStringLiteral("User"), ctx.userName));

        ui::BaseSetDialog dialog(ctx);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("基本設定"));
        EXPECT_EQ(dialog.userEdit()->text(), QStringLiteral("元の名前"));
        dialog.show();
        dialog.userEdit()->setText(tc.typed);
        QTest::mouseClick(tc.ok ? dialog.okButton() : dialog.cancelButton(), Qt::LeftButton);

        EXPECT_EQ(dialog.result(), tc.ok ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(ctx.userName, tc.expected);
        EXPECT_EQ(tq::store::GetDBProp(ctx.errorLog, ctx.appDbPath(), QStringLiteral("User")), tc.expected);
    }
}

TEST(BusyWindow, CancelButtonSetsTheFlagUntilTheNextShow)
{
    tq::support::ensureGuiApplication();
    ui::WindowBusy busy;
    busy.show();
    ui::StartUpWindow* window = busy.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->titleText(), QStringLiteral("「DEVovuved」 Version ") + AppContext::programVersion());
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("Label3"))->text(), QStringLiteral("しばらくお待ちください"));
    EXPECT_EQ(window->progress(), QStringLiteral("起動中です"));
    busy.setProgress(QStringLiteral("リンク再作成中です"));
    EXPECT_EQ(window->progress(), QStringLiteral("リンク再作成中です"));

    EXPECT_FALSE(busy.cancelled());
    QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
    busy.yield();
    EXPECT_TRUE(busy.cancelled());
    busy.hide();
    EXPECT_EQ(busy.window(), nullptr);
    EXPECT_TRUE(busy.cancelled()) << "the flag outlives the window";
    busy.show();
    EXPECT_FALSE(busy.cancelled());
    busy.hide();
}

TEST(SingleInstance, SecondLockFailsWhileTheFirstIsHeld)
{
    QTemporaryDir temp;
    auto first = std::make_unique<InstanceLock>(QStringLiteral("DEVovuved"), temp.path());
    EXPECT_TRUE(first->tryLock());
    InstanceLock second(QStringLiteral("DEVovuved"), temp.path());
    EXPECT_FALSE(second.tryLock());
    first.reset();
    EXPECT_TRUE(second.tryLock());
    EXPECT_EQ(alreadyRunningText(), QStringLiteral("「DEVovuved」は、既に起動されています。"));
}

} // namespace
