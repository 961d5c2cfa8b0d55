// The main window's one condition editor joined to its analysis windows:
// opening from a condition row or a key level, refreshing the window after
// OK, following the active document and hiding on a tab change.

#include "EditorFixture.h"

#include "analysis/ui/AnalysisWindow.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/MainWindowAnalysisDocument.h"

#include <QAction>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

namespace tq::conditions::ui::testing {
namespace {

TEST_F(EditorTest, MainWindowJoinsItsAnalysisWindowsToOneEditor)
{
    shell::ui::MainWindow::Options options;
    options.settingsFile = dir.filePath(s("settings.ini"));
    options.openUrl = [](const QUrl&) {};
    shell::ui::MainWindow main(ctx, nullptr, options);
    main.load();
    EXPECT_TRUE(main.action(s("mnuOptIchiran"))->isEnabled());
    auto* first = qobject_cast<shell::ui::AnalysisDocumentWindow*>(main.activeDocument());
    ASSERT_NE(first, nullptr);
    auto* joined = main.findChild<ConditionEditor*>();
    ASSERT_NE(joined, nullptr);

    emit first->analysisWindow()->conditionEditorRequested(0);
    EXPECT_TRUE(joined->isVisible());
    EXPECT_TRUE(joined->isTargeting(first));
    joined->findChild<QPushButton*>(s("cmdOk"))->click();
    ASSERT_EQ(first->document().conditions.rows.size(), 1u);
    EXPECT_TRUE(first->document().modified);
    EXPECT_EQ(first->analysisWindow()->findChild<QTableView*>(s("vaSpread3"))->model()->rowCount(), 2);

    // The key editor is modal: answered from inside its event loop.
    QTimer::singleShot(0, joined, [joined] { joined->findChild<QPushButton*>(s("cmdOk"))->click(); });
    emit first->analysisWindow()->keyEditorRequested(4);
    EXPECT_EQ(first->document().conditions.keys[0].key, s("距離"));
    EXPECT_EQ(first->analysisWindow()->findChild<QLineEdit*>(s("txtKomoku0"))->text(), s("距離"));

    // An open editor follows the newly active document; its tab change hides it.
    emit first->analysisWindow()->conditionEditorRequested(1);
    main.LoadNewDoc();
    auto* second = qobject_cast<shell::ui::AnalysisDocumentWindow*>(main.activeDocument());
    ASSERT_NE(second, first);
    EXPECT_TRUE(joined->isTargeting(second));
    emit second->analysisWindow()->conditionEditorHideRequested();
    EXPECT_FALSE(joined->isVisible());
}

} // namespace
} // namespace tq::conditions::ui::testing
