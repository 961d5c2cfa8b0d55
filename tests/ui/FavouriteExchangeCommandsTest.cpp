// The exchange, recalculation and text-report commands of the main window:
// export through the tree dialog's choice, import through frmFavoInport
// (its frames follow their boxes, its options reach the registration),
// recalculation through frmSaikeisan, the full text report on the clipboard,
// and the busy window naming the favourite a batch is at.
//
// With TQ_SCREENSHOT_DIR set, the import dialog and the busy window are also
// saved there as pictures.

#include "analysis/Run.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "context/StatusLine.h"
#include "favourites/FavouriteStore.h"
#include "favourites/Registration.h"
#include "favourites/ui/FavouriteDialog.h"
#include "favourites/ui/ImportDialog.h"
#include "favourites/ui/RecalculationDialog.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/StartUpWindow.h"
#include "shell/ui/WindowBusy.h"
#include "store/Database.h"
#include "support/FavouriteWindows.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace tq::shell::ui {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

void saveShot(QWidget& widget, const char* name)
{
    const QString dir = qEnvironmentVariable("TQ_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        widget.grab().save(QDir(dir).filePath(s(name)));
}

class FavouriteExchangeCommandsTest : public support::FavouriteWindowTest {
protected:
    void SetUp() override
    {
        openMainWindow({{"R1", 1200, 4}});
        if (HasFatalFailure())
            return;
        analysis::AnalysisDocument doc;
        doc.conditions.rows.push_back(support::distanceRow(s("1000,1400")));
        context::MemoryStatusLine status;
        ASSERT_TRUE(analysis::subBunseki(ctx, status, doc, true));
        favourites::FavoChoice choice;
        choice.name = s("短距離");
        ASSERT_EQ(favourites::subFavoAdd(ctx, doc, choice), favourites::Registration::Stored);
    }
};

TEST_F(FavouriteExchangeCommandsTest, ExportThenImportWithAPrefixThroughTheDialogs)
{
    const QString path = dir.filePath(s("out.tqa"));
    prompter.pushText(path);
    support::whenShown<favourites::ui::FavouriteDialog>([](favourites::ui::FavouriteDialog& d) {
        EXPECT_EQ(d.windowTitle(), s("対象選択"));
        QTest::mouseClick(d.findChild<QPushButton*>(s("OKButton")), Qt::LeftButton);
    });
    window->action(s("mnuExport"))->trigger();
    ASSERT_TRUE(QFileInfo(path).isFile());

    prompter.pushText(path);
    support::whenShown<favourites::ui::ImportDialog>([](favourites::ui::ImportDialog& d) {
        auto* frame = d.findChild<QGroupBox*>(s("frmName"));
        EXPECT_FALSE(frame->isVisible());
        d.findChild<QCheckBox*>(s("chkName"))->setChecked(true);
        EXPECT_TRUE(frame->isVisible());
        QTest::keyClicks(d.findChild<QLineEdit*>(s("txtName")), s("C_"));
        d.findChild<QCheckBox*>(s("chkGroup"))->setChecked(true);
        // keyClicks types ASCII only: the group name is inserted as an input method would.
        d.findChild<QLineEdit*>(s("txtGroup"))->insert(s("取込'組"));
        d.findChild<QCheckBox*>(s("chkGroup"))->setChecked(false);
        d.findChild<QCheckBox*>(s("chkGroup"))->setChecked(true);
        // Frames shown after the dialog opened get the height their text needs.
        for (const char* edit : {"txtName", "txtGroup"}) {
            auto* line = d.findChild<QLineEdit*>(s(edit));
            EXPECT_GE(line->height(), line->sizeHint().height()) << edit;
        }
        saveShot(d, "import-dialog.png");
        QTest::mouseClick(d.findChild<QPushButton*>(s("Command2")), Qt::LeftButton);
    });
    window->action(s("mnuInport"))->trigger();
    const std::optional<favourites::Favourite> copy = favourites::FavouriteStore(*ctx.appDb).find(s("C_短距離"));
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(copy->group, s("取込'組"));
    EXPECT_EQ(prompter.messages().back().text, s("1 件のお気に入りを登録しました"));
}

TEST_F(FavouriteExchangeCommandsTest, RecalculationDialogAndTextReport)
{
    support::addRace(*ctx.appDb, s("R3"), 1300, 6);
    support::whenShown<favourites::ui::RecalculationDialog>([](favourites::ui::RecalculationDialog& d) {
        auto* group = d.findChild<QWidget*>(s("cboGroup"));
        EXPECT_FALSE(group->isEnabled());
        d.findChild<QRadioButton*>(s("optSai2"))->setChecked(true);
        EXPECT_TRUE(group->isEnabled());
        d.findChild<QRadioButton*>(s("optSai1"))->setChecked(true);
        QTest::mouseClick(d.findChild<QPushButton*>(s("OKButton")), Qt::LeftButton);
    });
    window->action(s("mnu_FavoSaiKeisan"))->trigger();
    EXPECT_TRUE(prompter.messages().back().text.startsWith(s("対象 1 件: 更新 1 件")))
        << prompter.messages().back().text.toStdString();
    EXPECT_EQ(favourites::FavouriteStore(*ctx.appDb).find(s("短距離"))->statistics[0], 10.0);

    window->action(s("mnuCopyTextFull"))->trigger();
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(s("お気に入り名称："))) << "the active document";
}

TEST(BatchBusyWindow, ShowsTheItemWithTheProgressAcrossShowAndHide)
{
    support::ensureGuiApplication();
    WindowBusy busy;
    busy.setStep(s("短距離 (2/3)"));
    busy.show();
    busy.setProgress(s("分析中です"));
    ASSERT_TRUE(busy.window());
    EXPECT_EQ(busy.window()->progress(), s("短距離 (2/3)　分析中です"));
    saveShot(*busy.window(), "recalc-progress.png");
    busy.hide();
    busy.show();
    EXPECT_TRUE(busy.window()->progress().startsWith(s("短距離 (2/3)")));
    busy.setStep(QString());
    busy.setProgress(s("分析中です"));
    EXPECT_EQ(busy.window()->progress(), s("分析中です"));
    busy.hide();
}

} // namespace
} // namespace tq::shell::ui
