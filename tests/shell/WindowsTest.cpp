// The start-up windows: the user-name dialog, the busy window's cancel flag,
// and the single-instance lock.

#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "shell/InstanceLock.h"
#include "shell/ui/AppStyle.h"
#include "shell/ui/BaseSetDialog.h"
#include "shell/ui/QtTranslations.h"
#include "shell/ui/StartUpWindow.h"
#include "shell/ui/WindowBusy.h"
#include "store/Database.h"
#include "store/Operations.h"
#include "support/GuiApplication.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionFocusRect>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

using namespace tq::shell;
using namespace tq::context;

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

// Standard dialogs and message-box buttons speak Japanese like the rest of
// the program, whatever the system locale (C, en_US ...) says.
TEST(QtTranslations, StandardButtonsSpeakJapanese)
{
    tq::support::ensureGuiApplication();
    QTranslator* translator = ui::installQtTranslations();
    ASSERT_NE(translator, nullptr) << "qtbase_ja.qm not found: Debian package qt6-translations-l10n";
    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("q"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().contains(QStringLiteral("はい")))
        << box.button(QMessageBox::Yes)->text().toStdString();
    EXPECT_TRUE(box.button(QMessageBox::No)->text().contains(QStringLiteral("いいえ")));
    EXPECT_TRUE(box.button(QMessageBox::Cancel)->text().contains(QStringLiteral("キャンセル")));
    EXPECT_EQ(QLocale().language(), QLocale::Japanese) << "the file dialog's dates";
    QCoreApplication::removeTranslator(translator);
    QLocale::setDefault(QLocale::c());
    delete translator;
}

// What the base style draws faintly or not at all: the current cell of a
// focused grid (without a keyboard focus change) and a disabled icon that
// must not pass for an enabled one.
TEST(AppStyle, FocusedCellIsFramedAndDisabledIconsFade)
{
    tq::support::ensureGuiApplication();
    ui::AppStyle style;
    QTableView grid;
    QImage cell(40, 20, QImage::Format_ARGB32);
    cell.fill(Qt::white);
    {
        QPainter painter(&cell);
        QStyleOptionFocusRect option;
        option.rect = cell.rect();
        option.palette = grid.palette();
        option.state = QStyle::State_HasFocus;
        style.drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, &grid);
    }
    for (const QPoint edge : {QPoint(1, 10), QPoint(20, 1), QPoint(38, 10), QPoint(20, 18)})
        EXPECT_LT(cell.pixelColor(edge).lightness(), 200) << edge.x() << "," << edge.y();
    EXPECT_EQ(cell.pixelColor(20, 10), QColor(Qt::white));

    QPixmap icon(16, 16);
    icon.fill(QColor(220, 30, 30));
    const QColor disabled = style.generatedIconPixmap(QIcon::Disabled, icon, nullptr).toImage().pixelColor(8, 8);
    EXPECT_EQ(disabled.red(), disabled.green());
    EXPECT_EQ(disabled.green(), disabled.blue());
    EXPECT_LT(disabled.alpha(), 128);
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
