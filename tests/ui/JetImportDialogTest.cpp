// The import window converts a folder holding a Jet race-data file and shows
// the per-table report; a folder without race data leaves a message and no file.

#include "jetimport/ui/JetImportDialog.h"

#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "support/GuiApplication.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(JetImportDialog, ConvertsRaceDataAndShowsTheReport)
{
    tq::support::ensureGuiApplication();
    QTemporaryDir dir;
    const QDir root(dir.path());
    root.mkpath(QStringLiteral("jet"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TQ_JET_FIXTURES "/DateTestDatabase.mdb"),
                            root.filePath(QStringLiteral("jet/korven_code.mdb"))));
    tq::context::ScriptedPrompter prompter;
    tq::context::SilentBusy busy;
    tq::context::AppContext ctx(prompter, busy);
    tq::jetimport::ui::JetImportDialog dialog(ctx);

    dialog.importRaceData(root.filePath(QStringLiteral("jet")), root.filePath(QStringLiteral("out")));
    EXPECT_TRUE(dialog.reportText().contains(QStringLiteral("DateTest: 読込 6 件, 書込 6 件"))) << dialog.reportText().toStdString();
    EXPECT_TRUE(QFile::exists(root.filePath(QStringLiteral("out/korven_code.mdb"))));

    dialog.importRaceData(root.filePath(QStringLiteral("out/none")), root.filePath(QStringLiteral("out2")));
    EXPECT_TRUE(dialog.reportText().startsWith(QStringLiteral("変換できませんでした"))) << dialog.reportText().toStdString();
    EXPECT_TRUE(QDir(root.filePath(QStringLiteral("out2"))).isEmpty());
}

} // namespace
