// The analysis document window on a hand-built application database with two
// races: its initial state, the kind options, a run through the window with
// the result grid's sorting, colours and widths, masks, the lists and
// history, and the closing question.

#include "analysis/ui/AnalysisWindow.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/ui/ConditionGridModel.h"
#include "analysis/ui/SheetModel.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "context/StatusLine.h"
#include "store/Database.h"
#include "support/GuiApplication.h"
#include "support/RaceTables.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBrush>
#include <QCheckBox>
#include <QClipboard>
#include <QDateEdit>
#include <QFile>
#include <QFont>
#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace tq::analysis::ui {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// Types text as a key event carrying it (QTest's key clicks take ASCII only).
void typeText(QWidget* widget, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
}

class AnalysisWindowTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        support::ensureGuiApplication();
        ASSERT_TRUE(dir.isValid());
        support::addDistanceItem(ctx.catalogue);
        ctx.appDb = store::Database::create(dir.filePath(s("app.mdb")));
        store::Database& db = *ctx.appDb;
        support::createRaceTables(db);
        // Two races of four horses, 1200 m and 1600 m; horse 1 wins both.
        support::addRace(db, s("R1"), 1200, 4);
        support::addRace(db, s("R2"), 1600, 4);
        doc.conditions.rows.push_back(support::distanceRow(s("1000,2000"), s("1000～2000")));
    }

    template <typename T> T* child(AnalysisWindow& w, const char* name)
    {
        T* found = w.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QTemporaryDir dir;
    context::ScriptedPrompter prompter;
    context::SilentBusy busy;
    context::AppContext ctx{prompter, busy};
    AnalysisDocument doc;
};

TEST_F(AnalysisWindowTest, OpensOnTheConditionsWithPlainCaptionsAndHiddenExtras)
{
    AnalysisWindow w(ctx, doc);
    EXPECT_EQ(w.objectName(), s("frmDEVovuved"));
    EXPECT_EQ(w.windowTitle(), s("新規分析"));
    QTabWidget* tabs = w.tabs();
    ASSERT_EQ(tabs->count(), 5);
    EXPECT_EQ(tabs->currentIndex(), 0);
    const char* captions[] = {"条件設定", "分析結果", "一覧表示", "分析結果履歴", "検証・信頼区間"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(tabs->tabText(i), s(captions[i]));

    auto* grid = child<QTableView>(w, "vaSpread3");
    EXPECT_TRUE(grid->isColumnHidden(5));
    EXPECT_TRUE(grid->isColumnHidden(6));
    EXPECT_FALSE(grid->isColumnHidden(4));
    EXPECT_EQ(grid->model()->rowCount(), 2); // the condition and the empty line
    EXPECT_EQ(grid->model()->data(grid->model()->index(0, 4)).toString(), s("1000～2000"));
    EXPECT_TRUE(child<QLabel>(w, "lblHaving0")->isHidden());
    EXPECT_TRUE(child<QLineEdit>(w, "txtJiku")->isHidden());
    EXPECT_TRUE(child<QRadioButton>(w, "optSyurui0")->isChecked());
    EXPECT_FALSE(doc.modified);
}

TEST_F(AnalysisWindowTest, KindOptionsSwitchCaptionsAndAxisControlsBack)
{
    AnalysisWindow w(ctx, doc);
    auto* jikuLabel = child<QLabel>(w, "lblJiku");
    const struct {
        const char* option;
        int kind;
        const char* tab0;
        bool axisShown;
        const char* axisCaption;
    } steps[] = {
        {"optSyurui2", 2, "条件設定【馬連】", true, "軸馬のお気に入り"},
        {"optSyurui3", 3, "条件設定【馬連】", true, "相手馬のお気に入り"},
        {"optSyurui1", 1, "条件設定【馬連】", false, nullptr},
        {"optSyurui0", 0, "条件設定", false, nullptr},
    };
    for (const auto& step : steps) {
        QTest::mouseClick(child<QRadioButton>(w, step.option), Qt::LeftButton);
        EXPECT_EQ(int(doc.conditions.kind), step.kind);
        EXPECT_EQ(w.tabs()->tabText(0), s(step.tab0)) << step.option;
        EXPECT_EQ(w.tabs()->tabText(1), step.kind ? s("分析結果【馬連】") : s("分析結果"));
        EXPECT_EQ(!jikuLabel->isHidden(), step.axisShown) << step.option;
        EXPECT_EQ(!child<QPushButton>(w, "cmdFavorite1")->isHidden(), step.axisShown);
        if (step.axisCaption) {
            EXPECT_EQ(jikuLabel->text(), s(step.axisCaption));
        }
    }
    EXPECT_TRUE(doc.modified);

    // The race restriction shows its count condition only while ticked.
    auto* restrict = child<QCheckBox>(w, "chkFavorite");
    restrict->setChecked(true);
    EXPECT_FALSE(child<QLabel>(w, "lblHaving1")->isHidden());
    EXPECT_TRUE(doc.conditions.favourite.isFavourite);
    EXPECT_EQ(doc.conditions.favourite.havingOperator, s(">"));
    restrict->setChecked(false);
    EXPECT_TRUE(child<QLabel>(w, "lblHaving1")->isHidden());
}

TEST_F(AnalysisWindowTest, RunShowsTheEngineResultSortsColoursAndStoresWidths)
{
    AnalysisWindow w(ctx, doc);
    w.show();
    // A key typed into the first level groups by distance.
    typeText(child<QLineEdit>(w, "txtKomoku0"), s("距離"));
    EXPECT_EQ(doc.conditions.keys[0].key, s("距離"));
    ASSERT_TRUE(w.runAnalysis());
    EXPECT_EQ(w.tabs()->currentIndex(), 1);

    auto* grid = child<QTableView>(w, "vaSpread2");
    QAbstractItemModel* model = grid->model();
    ASSERT_EQ(model->rowCount(), 2);
    ASSERT_EQ(model->headerData(0, Qt::Horizontal).toString(), s("距離"));
    const int total = doc.result.columnOfHeader(u"総件数");
    const int winRate = doc.result.columnOfHeader(u"勝率");
    ASSERT_GE(total, 0);
    ASSERT_GE(winRate, 0);
    EXPECT_EQ(model->data(model->index(0, total)).toString(), s("4"));
    EXPECT_EQ(model->data(model->index(0, winRate)).toString(), s("25.0"));
    // 25.0 is above the default threshold 20: coloured with the win-rate colour.
    EXPECT_EQ(model->data(model->index(0, winRate), Qt::BackgroundRole).value<QBrush>().color(),
              QColor::fromRgb(rgbOfWindowsColour(ctx.colours.winRateColour())));

    // Header clicks sort ascending, then flip.
    QHeaderView* header = grid->horizontalHeader();
    const QString first = model->data(model->index(0, 0)).toString();
    emit header->sectionClicked(0);
    EXPECT_EQ(model->data(model->index(0, 0)).toString(), first);
    emit header->sectionClicked(0);
    EXPECT_NE(model->data(model->index(0, 0)).toString(), first);
    EXPECT_TRUE(doc.sortDescending);

    // A width the user sets is stored and used by the next run of another document.
    QSignalSpy stored(&w, &AnalysisWindow::resultColumnWidthStored);
    header->resizeSection(winRate, int(20 * pixelsPerWidthUnit(*grid)));
    ASSERT_EQ(stored.count(), 1);
    EXPECT_EQ(stored.at(0).at(0).toString(), s("勝率"));
    AnalysisDocument other;
    other.conditions = doc.conditions;
    AnalysisWindow w2(ctx, other);
    ASSERT_TRUE(w2.runAnalysis());
    EXPECT_NEAR(other.result.columnWidth(other.result.columnOfHeader(u"勝率")), 20.0, 0.1);
    // And a window already open takes it when told.
    w2.applyResultColumnWidth(s("勝率"), 7.5);
    EXPECT_DOUBLE_EQ(other.result.columnWidth(other.result.columnOfHeader(u"勝率")), 7.5);

    // The run left a history row; 履歴クリアー empties it.
    EXPECT_EQ(doc.history.rowCount(), 0); // grouped runs keep no history
    child<QLineEdit>(w, "txtKomoku0")->clear();
    QTest::mouseClick(child<QPushButton>(w, "cmdClear"), Qt::LeftButton);
    EXPECT_FALSE(doc.conditions.keys[0].inUse());
    ASSERT_TRUE(w.runAnalysis());
    EXPECT_EQ(child<QTableView>(w, "vaSpread5")->model()->rowCount(), 1);
    QTest::mouseClick(child<QPushButton>(w, "cmdRirekiClear"), Qt::LeftButton);
    EXPECT_EQ(child<QTableView>(w, "vaSpread5")->model()->rowCount(), 0);
    EXPECT_TRUE(doc.historyConditions.isEmpty());
}

// The check tab: a split date and the intervals set through its controls
// fill both panels on the next run; the 1200 m group, whose place return was
// above 100 % before the date and below it after, is marked.
TEST_F(AnalysisWindowTest, CheckTabOptionsFillTheSplitAndIntervalPanels)
{
    // A later 1200 m race whose place payouts fall to 100 yen each.
    support::addRace(*ctx.appDb, s("R3"), 1200, 4);
    ctx.appDb->execute(s("UPDATE D番組データ SET 年月日 = '20240601' WHERE レースキー = 'R3'"));
    ctx.appDb->execute(s("UPDATE D払戻情報データ SET 複勝払戻１ = 100, 複勝払戻２ = 100, 複勝払戻３ = 100 "
                         "WHERE レースキー = 'R3'"));
    AnalysisWindow w(ctx, doc);
    w.show();
    typeText(child<QLineEdit>(w, "txtKomoku0"), s("距離"));
    child<QDateEdit>(w, "dtpSplit")->setDate(QDate(2024, 3, 1));
    child<QCheckBox>(w, "chkSplit")->setChecked(true);
    child<QCheckBox>(w, "chkIntervals")->setChecked(true);
    EXPECT_EQ(doc.splitDate, QDate(2024, 3, 1));
    EXPECT_TRUE(doc.intervals);
    ASSERT_TRUE(w.runAnalysis());
    w.tabs()->setCurrentIndex(4);

    QAbstractItemModel* split = child<QTableView>(w, "vaSplit")->model();
    QAbstractItemModel* intervals = child<QTableView>(w, "vaIntervals")->model();
    ASSERT_EQ(split->rowCount(), 2);
    ASSERT_EQ(intervals->rowCount(), 2);
    const int mark = split->columnCount() - 1;
    const int discovery = doc.splitResult.columnOfHeader(u"総件数(発見)");
    const int validation = doc.splitResult.columnOfHeader(u"総件数(検証)");
    for (int r = 0; r < 2; ++r) {
        const bool is1200 = split->data(split->index(r, 0)).toString() == s("1200");
        SCOPED_TRACE(is1200 ? "1200" : "1600");
        EXPECT_EQ(split->data(split->index(r, discovery)).toString(), s("4"));
        EXPECT_EQ(split->data(split->index(r, validation)).toString(), is1200 ? s("4") : s("0"));
        EXPECT_EQ(split->data(split->index(r, mark)).toString(),
                  is1200 ? s("複回収率が検証期間で100%割れ") : QString());
        EXPECT_EQ(split->data(split->index(r, mark), Qt::BackgroundRole).isValid(), is1200);
        EXPECT_FALSE(intervals->data(intervals->index(r, 1)).toString().isEmpty());
    }
    if (const QString shot = qEnvironmentVariable("TQ_CHECKS_SHOT"); !shot.isEmpty())
        w.grab().save(shot);

    // Options off: the next run leaves both panels empty.
    child<QCheckBox>(w, "chkSplit")->setChecked(false);
    child<QCheckBox>(w, "chkIntervals")->setChecked(false);
    ASSERT_TRUE(w.runAnalysis());
    EXPECT_EQ(split->rowCount(), 0);
    EXPECT_EQ(intervals->rowCount(), 0);
}

TEST_F(AnalysisWindowTest, MaskTickChangesTheRowAndMarksTheDocument)
{
    doc.conditions.rows[0].value = s("1000,1400"); // the 1200 m race only
    AnalysisWindow w(ctx, doc);
    QAbstractItemModel* model = child<QTableView>(w, "vaSpread3")->model();
    EXPECT_TRUE(model->flags(model->index(0, 0)).testFlag(Qt::ItemIsUserCheckable));
    EXPECT_FALSE(model->flags(model->index(1, 0)).testFlag(Qt::ItemIsUserCheckable)); // the empty line
    EXPECT_FALSE(model->flags(model->index(0, 4)).testFlag(Qt::ItemIsUserCheckable));

    ASSERT_TRUE(w.runAnalysis());
    EXPECT_EQ(doc.result.integer(0, 0), 4);

    ASSERT_TRUE(model->setData(model->index(0, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(doc.conditions.rows[0].masked);
    EXPECT_TRUE(doc.modified);
    // The masked row no longer restricts the races.
    ASSERT_TRUE(w.runAnalysis());
    EXPECT_EQ(doc.result.integer(0, 0), 8);

    model->setData(model->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    EXPECT_FALSE(doc.conditions.rows[0].masked);
}

TEST_F(AnalysisWindowTest, KeyClearLeavesRangesAndMoreShowsTheOtherLevels)
{
    doc.conditions.keys[0].key = s("距離");
    doc.conditions.keys[0].range.text = s("2,200");
    AnalysisWindow w(ctx, doc);
    EXPECT_EQ(child<QLineEdit>(w, "txtRange0")->text(), s("2,200"));
    QTest::mouseClick(child<QPushButton>(w, "cmdClear"), Qt::LeftButton);
    EXPECT_TRUE(child<QLineEdit>(w, "txtKomoku0")->text().isEmpty());
    EXPECT_EQ(doc.conditions.keys[0].range.text, s("2,200"));
    EXPECT_EQ(child<QLineEdit>(w, "txtRange0")->text(), s("2,200"));

    auto* more = child<QPushButton>(w, "cmdMore");
    auto* level16 = child<QLineEdit>(w, "txtKomoku15")->parentWidget();
    EXPECT_FALSE(child<QLineEdit>(w, "txtKomoku14")->parentWidget()->isHidden());
    EXPECT_TRUE(level16->isHidden());
    QTest::mouseClick(more, Qt::LeftButton);
    EXPECT_EQ(more->text(), s("close"));
    EXPECT_FALSE(level16->isHidden());
    QTest::mouseClick(more, Qt::LeftButton);
    EXPECT_EQ(more->text(), s("more"));
    EXPECT_TRUE(level16->isHidden());
}

TEST_F(AnalysisWindowTest, ListAndResultCsvGoThroughTheSaveDialogAndSayWhatWasWritten)
{
    AnalysisWindow w(ctx, doc);
    context::MemoryStatusLine status;
    w.setStatusLine(&status);
    ASSERT_TRUE(w.runAnalysis());
    const QString listFile = dir.filePath(s("list.csv"));
    const QString resultFile = dir.filePath(s("result.csv"));
    prompter.pushText(listFile);
    QTest::mouseClick(child<QPushButton>(w, "Command1"), Qt::LeftButton);
    EXPECT_EQ(status.text(), listFile + s(" に 8 行を出力しました"));
    prompter.pushText(resultFile);
    QTest::mouseClick(child<QPushButton>(w, "Command5"), Qt::LeftButton);
    EXPECT_EQ(status.text(), resultFile + s(" に 1 行を出力しました"));
    prompter.pushCancelledInput(); // a cancelled dialog writes nothing and says nothing
    QTest::mouseClick(child<QPushButton>(w, "Command5"), Qt::LeftButton);
    EXPECT_EQ(status.text(), resultFile + s(" に 1 行を出力しました"));
    // A file that cannot be created is not reported as written.
    prompter.pushText(dir.filePath(s("missing/result.csv")));
    QTest::mouseClick(child<QPushButton>(w, "Command5"), Qt::LeftButton);
    EXPECT_TRUE(status.text().endsWith(s("への出力に失敗しました（エラーログを参照）"))) << status.text().toStdString();

    QFile list(listFile);
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = list.readAll().split('\n');
    EXPECT_EQ(lines.size(), 8 + 2); // header, eight horses, the end of the last line
    EXPECT_TRUE(QFile::exists(resultFile));
    EXPECT_TRUE(child<QLabel>(w, "lblIchiran")->text() == AnalysisDocument::defaultListCaption());
}

TEST_F(AnalysisWindowTest, GridHooksListDoubleClickAndASecondRunRefused)
{
    ctx.catalogue.appDir = dir.path();
    AnalysisWindow w(ctx, doc);
    w.show();
    auto* conditionGrid = child<QTableView>(w, "vaSpread3");
    QSignalSpy editor(&w, &AnalysisWindow::conditionEditorRequested);
    QSignalSpy menu(&w, &AnalysisWindow::conditionMenuRequested);
    const QPoint row0 = conditionGrid->visualRect(conditionGrid->model()->index(0, 2)).center();
    const QPoint emptyLine = conditionGrid->visualRect(conditionGrid->model()->index(1, 2)).center();
    QTest::mouseClick(conditionGrid->viewport(), Qt::LeftButton, {}, row0);
    QTest::mouseClick(conditionGrid->viewport(), Qt::RightButton, {}, row0);
    QTest::mouseClick(conditionGrid->viewport(), Qt::RightButton, {}, emptyLine); // no menu on the empty line
    ASSERT_EQ(editor.count(), 1);
    EXPECT_EQ(editor.at(0).at(0).toInt(), 0);
    ASSERT_EQ(menu.count(), 1);
    EXPECT_EQ(menu.at(0).at(0).toInt(), 0);

    // While a run of the document is going, another one does not start.
    {
        AnalysisDocument::RunLock running(doc);
        EXPECT_FALSE(w.runAnalysis());
        EXPECT_EQ(doc.result.rowCount(), 0);
    }
    ASSERT_TRUE(w.runAnalysis());

    // A click on a history row asks for the conditions it ran with to be shown.
    auto* history = child<QTableView>(w, "vaSpread5");
    ASSERT_EQ(history->model()->rowCount(), 1);
    w.tabs()->setCurrentIndex(3);
    QSignalSpy conditionsShown(&w, &AnalysisWindow::historyConditionsRequested);
    QTest::mouseClick(history->viewport(), Qt::LeftButton, {},
                      history->visualRect(history->model()->index(0, 1)).center());
    ASSERT_EQ(conditionsShown.count(), 1);
    EXPECT_EQ(conditionsShown.at(0).at(0).toString(), doc.historyConditions[0]);
    EXPECT_TRUE(doc.historyConditions[0].contains(s("1000,2000")));

    // A double click on a horse hands its race to the viewer through DEZide.ini.
    auto* list = child<QTableView>(w, "vaSpread4");
    w.tabs()->setCurrentIndex(2);
    const QModelIndex fifth = list->model()->index(4, 1);
    emit list->doubleClicked(fifth);
    QFile ini(dir.filePath(s("DEZide.ini")));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("RACE_KEY=R2"));
}

TEST_F(AnalysisWindowTest, ThresholdValueItselfIsNotColouredAndCopiesReachTheClipboard)
{
    ctx.colours.values[2] = 25; // 勝率値: the win rate of the fixture is exactly 25.0
    AnalysisWindow w(ctx, doc);
    w.show();
    ASSERT_TRUE(w.runAnalysis());
    auto* grid = child<QTableView>(w, "vaSpread2");
    const int winRate = doc.result.columnOfHeader(u"勝率");
    ASSERT_EQ(grid->model()->data(grid->model()->index(0, winRate)).toString(), s("25.0"));
    EXPECT_FALSE(grid->model()->data(grid->model()->index(0, winRate), Qt::BackgroundRole).isValid());

    QTest::mouseClick(child<QPushButton>(w, "Command2"), Qt::LeftButton);
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith(s("新規分析\r\n")));

    // コピー copies the selected cells of the current tab's grid.
    grid->selectionModel()->select(QItemSelection(grid->model()->index(0, 0), grid->model()->index(0, 1)),
                                   QItemSelectionModel::Select);
    w.copySelection();
    EXPECT_EQ(QApplication::clipboard()->text(), s("8\t2\r\n"));
}

TEST_F(AnalysisWindowTest, WindowDoesNotCloseWhileItsDocumentRuns)
{
    AnalysisWindow w(ctx, doc);
    w.show();
    AnalysisDocument::RunLock running(doc);
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(prompter.messages().empty());
}

TEST_F(AnalysisWindowTest, DeleteRemovesTheActiveConditionRowOnlyOnTheConditionsTab)
{
    doc.conditions.rows.push_back(doc.conditions.rows[0]);
    doc.conditions.rows[1].display = s("second");
    AnalysisWindow w(ctx, doc);
    auto* grid = child<QTableView>(w, "vaSpread3");
    grid->setCurrentIndex(grid->model()->index(0, 2));
    w.tabs()->setCurrentIndex(1);
    w.deleteConditionRow(); // another tab shown: nothing
    EXPECT_EQ(doc.conditions.rows.size(), 2u);
    w.tabs()->setCurrentIndex(0);
    w.deleteConditionRow();
    ASSERT_EQ(doc.conditions.rows.size(), 1u);
    EXPECT_EQ(doc.conditions.rows[0].display, s("second"));
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_TRUE(doc.modified);
    grid->setCurrentIndex(grid->model()->index(1, 2)); // the empty line stays
    w.deleteConditionRow();
    EXPECT_EQ(doc.conditions.rows.size(), 1u);
}

TEST_F(AnalysisWindowTest, ClosingQuestionFollowsTheAnswers)
{
    const QString question = s("新規分析はデータが変更されています。お気に入りに追加しますか？");
    {
        AnalysisWindow w(ctx, doc);
        EXPECT_TRUE(w.close()); // unchanged: nothing asked
        EXPECT_TRUE(prompter.messages().empty());
    }
    const struct {
        const char* name;
        std::vector<context::Answer> answers;
        bool grouped;    // the result was grouped by a key
        bool registered; // what the registration returns
        bool closes;
        const char* lastMessage;
    } cases[] = {
        {"cancel", {context::Answer::Cancel}, false, true, false, nullptr},
        {"no", {context::Answer::No}, false, true, true, nullptr},
        {"yes on a grouped result",
         {context::Answer::Yes},
         true,
         true,
         false,
         "集計キーが指定されているものはお気に入りに追加できません"},
        {"yes without a run, then no",
         {context::Answer::Yes, context::Answer::No},
         false,
         true,
         false,
         "分析実行を行っていません。本当にお気に入りに追加しますか？"},
        {"yes without a run, then yes", {context::Answer::Yes, context::Answer::Yes}, false, true, true, nullptr},
        {"registration fails", {context::Answer::Yes, context::Answer::Yes}, false, false, false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompter.clear();
        AnalysisDocument d;
        d.conditions = doc.conditions;
        if (c.grouped) {
            d.result.setColumnCount(3);
            d.result.setHeader(0, s("距離"));
        }
        AnalysisWindow w(ctx, d);
        int registrations = 0;
        w.setFavouriteRegistration([&](AnalysisWindow&) {
            ++registrations;
            return c.registered;
        });
        w.show();
        w.saveFlgSet(true);
        for (context::Answer a : c.answers)
            prompter.pushAnswer(a);
        EXPECT_EQ(w.close(), c.closes);
        ASSERT_FALSE(prompter.messages().empty());
        EXPECT_EQ(prompter.messages()[0].text, question);
        if (c.lastMessage) {
            EXPECT_EQ(prompter.messages().back().text, s(c.lastMessage));
        }
        const bool reachedRegistration = c.answers.size() == 2 && c.answers[1] == context::Answer::Yes;
        EXPECT_EQ(registrations, reachedRegistration ? 1 : 0);
    }

    // An ungrouped result with a masked row: the mask warning once, then the
    // registration; without any registration the window says so and stays.
    doc.conditions.rows[0].masked = true;
    doc.result.setColumnCount(3);
    doc.result.setHeader(0, s("総件数"));
    AnalysisWindow w(ctx, doc);
    w.show();
    w.saveFlgSet(true);
    prompter.clear();
    prompter.pushAnswer(context::Answer::Yes);
    EXPECT_FALSE(w.close());
    ASSERT_EQ(prompter.messages().size(), 3u);
    EXPECT_EQ(prompter.messages()[1].text, s("【警告】マスクされた項目はお気に入りに保存されません。"));
    int registrations = 0;
    w.setFavouriteRegistration([&](AnalysisWindow&) { return ++registrations > 0; });
    prompter.clear();
    prompter.pushAnswer(context::Answer::Yes);
    EXPECT_TRUE(w.close());
    EXPECT_EQ(prompter.messages().size(), 2u);
    EXPECT_EQ(registrations, 1);
}

} // namespace
} // namespace tq::analysis::ui
