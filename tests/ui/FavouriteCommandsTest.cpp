// The favourites commands of the main window with real analysis documents:
// お気に入りに追加 through the dialog, お気に入りを開く reopening the favourite
// into a document whose condition-file text equals the original's, and the
// Yes branch of a modified document's closing question overwriting it.

#include "analysis/AnalysisDocument.h"
#include "analysis/ConditionFile.h"
#include "analysis/ui/AnalysisWindow.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "favourites/FavouriteStore.h"
#include "favourites/ui/ConditionViewer.h"
#include "favourites/ui/FavouriteDialog.h"
#include "favourites/ui/FavouriteOrganizer.h"
#include "favourites/ui/FavouriteOrganizerModel.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/MainWindowAnalysisDocument.h"
#include "store/Database.h"
#include "support/FavouriteWindows.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

namespace tq::shell::ui {
namespace {

using favourites::ui::FavouriteDialog;

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

void clickOk(FavouriteDialog& d)
{
    QTest::mouseClick(d.findChild<QPushButton*>(s("OKButton")), Qt::LeftButton);
}

class FavouriteCommandsTest : public support::FavouriteWindowTest {
protected:
    void SetUp() override { openMainWindow({{"R1", 1200, 4}, {"R2", 1600, 5}}); }

    AnalysisDocumentWindow* active() { return qobject_cast<AnalysisDocumentWindow*>(window->activeDocument()); }
};

TEST_F(FavouriteCommandsTest, AddThenOpenGivesAnEqualDocumentAndClosingOverwrites)
{
    AnalysisDocumentWindow* original = active();
    ASSERT_TRUE(original);
    analysis::AnalysisDocument& doc = original->document();
    doc.conditions.rows.push_back(support::distanceRow(s("1000,1400")));
    doc.comment = s("短距離の条件");
    original->analysisWindow()->refreshFromDocument();
    ASSERT_TRUE(original->analysisWindow()->runAnalysis());

    support::whenShown<FavouriteDialog>([](FavouriteDialog& d) {
        EXPECT_EQ(d.windowTitle(), s("お気に入りに追加"));
        auto* name = d.findChild<QLineEdit*>(s("txtFavoName"));
        name->clear();
        QTest::keyClicks(name, s("short'1"));
        clickOk(d);
    });
    window->action(s("tblFavoAdd"))->trigger();
    favourites::FavouriteStore store(*ctx.appDb);
    ASSERT_TRUE(store.exists(s("short'1")));
    EXPECT_EQ(original->windowTitle(), s("short'1"));
    EXPECT_FALSE(doc.modified);

    support::whenShown<FavouriteDialog>([](FavouriteDialog& d) {
        QTreeWidgetItem* item = d.tree()->findItems(s("short'1"), Qt::MatchExactly | Qt::MatchRecursive).value(0);
        ASSERT_TRUE(item);
        d.tree()->setCurrentItem(item);
        clickOk(d);
    });
    window->action(s("mnuFavoOpen"))->trigger();
    AnalysisDocumentWindow* reopened = active();
    ASSERT_NE(reopened, original);
    EXPECT_EQ(reopened->windowTitle(), s("short'1"));
    EXPECT_EQ(analysis::conditionText(ctx, reopened->document()), analysis::conditionText(ctx, doc));
    EXPECT_EQ(window->mdiArea()->subWindowList().size(), 2);

    // Closing the modified original: Yes, the dialog, then overwrite.
    original->analysisWindow()->saveFlgSet(true);
    prompter.pushAnswer(context::Answer::Yes);
    prompter.pushAnswer(context::Answer::Yes);
    support::whenShown<FavouriteDialog>([](FavouriteDialog& d) { clickOk(d); });
    QMdiSubWindow* sub = nullptr;
    for (QMdiSubWindow* w : window->mdiArea()->subWindowList())
        if (w->widget() == original)
            sub = w;
    ASSERT_TRUE(sub);
    EXPECT_TRUE(sub->close());
    EXPECT_EQ(prompter.texts().last(), s("既に登録されています。上書きしますか？"));
    EXPECT_EQ(store.list().size(), 1u);
}

// お気に入りのダイレクト編集 opens the organizer beside the documents; its
// viewer opens a favourite as a new document captioned with its name. The
// history tab of a document shows an earlier run's conditions in the same
// viewer, from where they go back into that document.
TEST_F(FavouriteCommandsTest, OrganizerAndHistoryShareTheViewerThatOpensAndPutsBackConditions)
{
    AnalysisDocumentWindow* first = active();
    ASSERT_TRUE(first);
    analysis::AnalysisDocument& doc = first->document();
    doc.conditions.rows.push_back(support::distanceRow(s("1000,1400")));
    first->analysisWindow()->refreshFromDocument();
    ASSERT_TRUE(first->analysisWindow()->runAnalysis());
    favourites::Favourite f;
    f.name = s("短距離'戦");
    f.conditionText = analysis::conditionText(ctx, doc);
    favourites::FavouriteStore(*ctx.appDb).save(f);

    window->action(s("mnuFavoMnt_2"))->trigger();
    auto* organizer = window->findChild<favourites::ui::FavouriteOrganizer*>(s("frmFavoSeiri"));
    ASSERT_TRUE(organizer);
    EXPECT_TRUE(organizer->isVisible());
    EXPECT_FALSE(organizer->isModal());
    ASSERT_EQ(organizer->model()->rowCount(), 1);
    emit organizer->grid()->clicked(organizer->model()->index(0, favourites::organizer::kName));
    auto* viewer = window->findChild<favourites::ui::ConditionViewer*>(s("frmJouRireki"));
    ASSERT_TRUE(viewer);
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->isVisible(); }, 2000));
    const int before = window->documents().size();
    QTest::mouseClick(viewer->findChild<QPushButton*>(s("Command2")), Qt::LeftButton);
    ASSERT_EQ(window->documents().size(), before + 1);
    AnalysisDocumentWindow* opened = active();
    EXPECT_EQ(opened->windowTitle(), s("短距離'戦"));
    ASSERT_EQ(opened->document().conditions.rows.size(), 1u);
    EXPECT_EQ(opened->document().conditions.rows[0].value, s("1000,1400"));

    // The first document's history row, after its conditions changed.
    doc.conditions.rows[0] = support::distanceRow(s("1600,2000"));
    first->analysisWindow()->refreshFromDocument();
    window->findChild<QMdiArea*>()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
    auto* history = first->analysisWindow()->findChild<QTableView*>(s("vaSpread5"));
    first->analysisWindow()->tabs()->setCurrentIndex(3);
    emit history->clicked(history->model()->index(0, 1));
    EXPECT_EQ(viewer->windowTitle(), s("分析結果履歴（条件表示）"));
    QTest::mouseClick(viewer->findChild<QPushButton*>(s("Command1")), Qt::LeftButton);
    EXPECT_EQ(doc.conditions.rows[0].value, s("1000,1400"));
    EXPECT_TRUE(doc.modified);
    // One viewer and one organizer however often they are asked for.
    window->action(s("mnuFavoMnt_2"))->trigger();
    EXPECT_EQ(window->findChildren<favourites::ui::FavouriteOrganizer*>().size(), 1);
    EXPECT_EQ(window->findChildren<favourites::ui::ConditionViewer*>().size(), 1);
}

} // namespace
} // namespace tq::shell::ui
