// The import window converts a folder holding a Jet race-data file and shows
// the per-table report; a folder without race data, an empty source file, and
// an old database that is no application database each leave a message naming
// the file and nothing changed.

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

    QFile(root.filePath(QStringLiteral("jet/korven_data.mdb"))).open(QIODevice::WriteOnly);
    const QByteArray earlier = [&] {
        QFile f(root.filePath(QStringLiteral("out/korven_code.mdb")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    dialog.importRaceData(root.filePath(QStringLiteral("jet")), root.filePath(QStringLiteral("out")));
    EXPECT_TRUE(dialog.reportText().contains(QStringLiteral("korven_data.mdb を変換できませんでした。変換先は変更していません（")))
        << dialog.reportText().toStdString();
    EXPECT_TRUE(dialog.reportText().contains(QStringLiteral("the file is empty"))) << dialog.reportText().toStdString();
    QFile kept(root.filePath(QStringLiteral("out/korven_code.mdb")));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), earlier);
    EXPECT_EQ(QDir(root.filePath(QStringLiteral("out"))).entryList(QDir::Files), QStringList{QStringLiteral("korven_code.mdb")});

    dialog.importAppDatabase(QStringLiteral(TQ_JET_FIXTURES "/nwind.mdb"), false);
    EXPECT_TRUE(dialog.reportText().startsWith(QStringLiteral("nwind.mdb を取り込めませんでした。何も変更していません（")))
        << dialog.reportText().toStdString();
}

} // namespace
