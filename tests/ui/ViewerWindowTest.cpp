// The viewer: a saved condition file with results opened for viewing from
// the main window, its bar placed from the file, the read-only fields, the
// result grid's sorting and stored widths, コピー, and closing without a
// question.

#include "analysis/ui/ViewerWindow.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/ConditionFile.h"
#include "analysis/Run.h"
#include "analysis/ui/SheetModel.h"
#include "common/Twips.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "context/StatusLine.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/MainWindowAnalysisDocument.h"
#include "shell/ui/MainWindowViewerDocument.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "support/GuiApplication.h"
#include "support/RaceTables.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace tq::analysis::ui {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

class ViewerWindowTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        support::ensureGuiApplication();
        ASSERT_TRUE(dir.isValid());
        support::addDistanceItem(ctx.catalogue);
        ctx.appDb = store::Database::create(dir.filePath(s("app.mdb")));
        support::createRaceTables(*ctx.appDb);
        // Two races of four horses; horse 1 wins both, so each distance has a win rate of 25.
        support::addRace(*ctx.appDb, s("R1"), 1200, 4);
        support::addRace(*ctx.appDb, s("R2"), 1600, 4);
    }

    // A condition file with one condition, the key 距離 and its two result
    // rows, followed by `extraLine` (with its CR LF) when given.
    QString savedFile(const QByteArray& extraLine = {})
    {
        AnalysisDocument doc;
        doc.conditions.rows.push_back(support::distanceRow(s("1000,2000"), s("1000～2000")));
        doc.conditions.keys[0].key = s("距離");
        doc.comment = s("短距離の比較");
        context::MemoryStatusLine status;
        EXPECT_TRUE(subBunseki(ctx, status, doc, true));
        const QString path = dir.filePath(s("短距離.tqb"));
        saveConditionFile(ctx, doc, path);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::Append));
        file.write(extraLine);
        return path;
    }

    // The result rows (K004) of a condition file.
    static QList<QByteArray> resultLines(const QString& path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = file.readAll().split('\n');
        lines.removeIf([](const QByteArray& line) { return !line.startsWith("K004"); });
        EXPECT_FALSE(lines.isEmpty());
        return lines;
    }

    double storedWidth(const QString& header)
    {
        store::Recordset rs =
            ctx.appDb->openRecordset(s("SELECT サイズ FROM 分析結果表示設定 WHERE 項目名='") + header + s("'"));
        return rs.isEOF() ? -1 : rs.field(0).toDouble();
    }

    QTemporaryDir dir;
    context::ScriptedPrompter prompter;
    context::SilentBusy busy;
    context::AppContext ctx{prompter, busy};
};

TEST_F(ViewerWindowTest, ViewOpenShowsTheFileReadOnlyPlacesTheBarAndClosesWithoutAsking)
{
    const QString path = savedFile("K009,4320\r\n");
    shell::ui::MainWindow::Options options;
    options.settingsFile = dir.filePath(s("settings.ini"));
    options.helpDir = dir.path();
    shell::ui::MainWindow main(ctx, nullptr, options);
    main.load();
    main.resize(1400, 1000);
    main.show();
    prompter.pushText(path);
    main.action(s("mnuViewOpen"))->trigger();

    auto* doc = qobject_cast<shell::ui::ViewerDocumentWindow*>(main.activeDocument());
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->windowTitle(), s("短距離"));
    ViewerWindow* viewer = doc->viewerWindow();
    auto* comment = viewer->findChild<QLineEdit*>(s("txtComment"));
    EXPECT_EQ(comment->text(), s("短距離の比較"));
    EXPECT_TRUE(comment->isReadOnly());
    EXPECT_EQ(viewer->findChild<QLineEdit*>(s("txtKomoku0"))->text(), s("距離"));
    EXPECT_FALSE(viewer->findChild<QLineEdit*>(s("txtKomoku1"))->isVisibleTo(viewer));

    QAbstractItemModel* conditions = viewer->findChild<QTableView*>(s("vaSpread3"))->model();
    EXPECT_EQ(conditions->data(conditions->index(0, 4)).toString(), s("1000～2000"));
    EXPECT_FALSE(conditions->setData(conditions->index(0, 0), Qt::Checked, Qt::CheckStateRole));
    QAbstractItemModel* result = viewer->findChild<QTableView*>(s("vaSpread2"))->model();
    ASSERT_EQ(result->rowCount(), 2);
    const int winRate = doc->document().result.columnOfHeader(u"勝率");
    ASSERT_GE(winRate, 0);
    EXPECT_EQ(result->data(result->index(0, winRate)).toString(), s("25")); // the viewer shows no places

    // Saving the viewer writes the figures it read, not the whole numbers it shows.
    const QString copy = dir.filePath(s("copy.tqb"));
    ASSERT_TRUE(doc->saveConditionFile(copy));
    EXPECT_EQ(resultLines(copy), resultLines(path));

    // The bar's top is where the file put it, at the screen's DPI.
    EXPECT_EQ(viewer->splitPosition(), tq::common::twipsToPixels(4320, viewer->screen()->logicalDotsPerInchY()));

    // A width stored in the viewer reaches the open analysis document.
    auto* analysis = qobject_cast<shell::ui::AnalysisDocumentWindow*>(main.documents().first());
    ASSERT_NE(analysis, nullptr);
    Sheet& other = analysis->document().result;
    other.setColumnCount(1);
    other.setHeader(0, s("勝率"));
    auto* grid = viewer->findChild<QTableView*>(s("vaSpread2"));
    grid->horizontalHeader()->resizeSection(winRate, int(15 * pixelsPerWidthUnit(*grid)));
    EXPECT_DOUBLE_EQ(other.columnWidth(0), doc->document().result.columnWidth(winRate));
    EXPECT_NE(other.columnWidth(0), Sheet::kDefaultColumnWidth);

    // A viewer is not analysed, and closing it never asks, even when flagged as changed.
    prompter.clear(); // the file dialog
    main.action(s("mnuAnalyzeExecute"))->trigger();
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_EQ(prompter.messages().back().text, shell::ui::viewerNotAnalysedText());
    viewer->saveFlgSet(true);
    EXPECT_TRUE(qobject_cast<QMdiSubWindow*>(doc->parentWidget())->close());
    EXPECT_EQ(prompter.messages().size(), 1u);
}

TEST_F(ViewerWindowTest, ResultGridSortsFlipsStoresWidthsAndCopiesTheFocusedGrid)
{
    ctx.catalogue.fontSize = 14;
    AnalysisDocument doc;
    ConditionLoadOptions options;
    options.viewer = true;
    funJoukenLoad(ctx, doc, savedFile(), options);
    ViewerWindow viewer(ctx, doc);
    viewer.show();
    viewer.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&viewer));
    auto* grid = viewer.findChild<QTableView*>(s("vaSpread2"));
    EXPECT_EQ(grid->font().pointSize(), 14);
    EXPECT_EQ(viewer.findChild<QLineEdit*>(s("txtComment"))->font().pointSize(), 14);

    // Header clicks sort ascending, then flip.
    QAbstractItemModel* model = grid->model();
    QHeaderView* header = grid->horizontalHeader();
    emit header->sectionClicked(0);
    EXPECT_EQ(model->data(model->index(0, 0)).toString(), s("1200"));
    emit header->sectionClicked(0);
    EXPECT_EQ(model->data(model->index(0, 0)).toString(), s("1600"));
    EXPECT_TRUE(doc.sortDescending);

    // A width the user gives a column is kept and stored under its header.
    const int winRate = doc.result.columnOfHeader(u"勝率");
    header->resizeSection(winRate, int(20 * pixelsPerWidthUnit(*grid)));
    EXPECT_NEAR(doc.result.columnWidth(winRate), 20.0, 0.1);
    EXPECT_NEAR(storedWidth(s("勝率")), 20.0, 0.1);

    // コピー takes the grid that has the focus.
    grid->setCurrentIndex(model->index(0, 0));
    viewer.copySelection();
    EXPECT_EQ(QApplication::clipboard()->text(), s("1600\r\n"));
    auto* conditionGrid = viewer.findChild<QTableView*>(s("vaSpread3"));
    conditionGrid->setFocus();
    conditionGrid->selectRow(0);
    viewer.copySelection();
    EXPECT_TRUE(QApplication::clipboard()->text().contains(s("1000～2000")))
        << QApplication::clipboard()->text().toStdString();
}

} // namespace
} // namespace tq::analysis::ui
