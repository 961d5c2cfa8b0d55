// The favourites organizer and the condition viewer driven through their
// controls: cells edited in the grid reach the table at once (and refused
// ones leave it alone), locked cells open no editor, filters and header
// sorts, threshold and favourite colours, the context menu on a selected
// block, and the viewer's open, delete and put-back buttons.

#include "analysis/AnalysisDocument.h"
#include "analysis/ui/AnalysisWindow.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "favourites/FavouriteStore.h"
#include "favourites/ui/ConditionViewer.h"
#include "favourites/ui/FavouriteOrganizer.h"
#include "favourites/ui/FavouriteOrganizerModel.h"
#include "store/Database.h"
#include "support/FavouriteTables.h"
#include "support/GuiApplication.h"
#include "support/RaceTables.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QBrush>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace tq::favourites::ui {
namespace {

using context::Answer;

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

const QString kConditions = s("MODE, 0,,0\r\nJ000,1000,1400\r\nK005,古いコメント\r\nK007,作者\r\n");

class FavouriteOrganizerTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        support::ensureGuiApplication();
        ASSERT_TRUE(dir.isValid());
        support::addDistanceItem(ctx.catalogue);
        ctx.appDb = store::Database::create(dir.filePath(s("app.mdb")));
        support::createFavouriteTables(*ctx.appDb);
    }

    // name, group, author, 勝率, 色
    void add(const QString& name, const QString& group, const QString& author = {}, double winRate = 0,
             qint32 colour = kNoColour)
    {
        Favourite f;
        f.name = name;
        f.group = group;
        f.author = author;
        f.colour = colour;
        f.conditionText = kConditions;
        f.statistics[0] = 10;
        f.statistics[5] = winRate;
        FavouriteStore(*ctx.appDb).save(f);
    }

    FavouriteOrganizer& open()
    {
        viewer = std::make_unique<ConditionViewer>(ctx);
        organizer = std::make_unique<FavouriteOrganizer>(ctx, *viewer);
        organizer->resize(900, 400);
        organizer->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(organizer.get()));
        return *organizer;
    }

    QStringList shownNames() const
    {
        QStringList out;
        organizer->model()->fetchAll();
        for (int row = 0; row < organizer->model()->rowCount(); ++row)
            out << organizer->model()->nameAt(row);
        return out;
    }

    QString stored(const QString& name, const QString& column)
    {
        store::Recordset rs = ctx.appDb->openRecordset(s("select [") + column + s("] from お気に入り where 名称 = '") +
                                                       QString(name).replace(QLatin1Char('\''), s("''")) + s("'"));
        return rs.isEOF() ? s("<none>") : rs.field(0).toText();
    }

    // Types `text` into the grid's editor of `index` and presses Enter.
    bool typeInto(const QModelIndex& index, const QString& text)
    {
        QTableView* grid = organizer->grid();
        grid->setCurrentIndex(index);
        grid->edit(index);
        // Editors closed before may still wait for their deferred deletion.
        QLineEdit* editor = nullptr;
        for (QLineEdit* e : grid->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible())
                editor = e;
        if (!editor)
            return false;
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The delegate commits on the next pass of the event loop.
        QCoreApplication::processEvents();
        return true;
    }

    QTemporaryDir dir;
    context::ScriptedPrompter prompter;
    context::SilentBusy busy;
    context::AppContext ctx{prompter, busy};
    std::unique_ptr<ConditionViewer> viewer;
    std::unique_ptr<FavouriteOrganizer> organizer;
};

TEST_F(FavouriteOrganizerTest, EditedCellsAreStoredAtOnceAndLockedOnesCannotBeEdited)
{
    add(s("a"), s("芝"), s("山田"), 12.5);
    add(s("b'"), s("芝"));
    FavouriteOrganizer& w = open();
    EXPECT_EQ(w.windowTitle(), s("お気に入りの整理（ダイレクト編集）"));
    FavouriteOrganizerModel* model = w.model();
    ASSERT_EQ(shownNames(), (QStringList{s("a"), s("b'")}));

    // Comment, a secondary statistic and the group go to the table as typed.
    ASSERT_TRUE(typeInto(model->index(0, organizer::kComment), s("新しい'コメント")));
    EXPECT_EQ(stored(s("a"), s("コメント")), s("新しい'コメント"));
    ASSERT_TRUE(typeInto(model->index(0, 13), s("432.1")));
    EXPECT_EQ(stored(s("a"), s("単平均配当")).toDouble(), 432.1);
    ASSERT_TRUE(typeInto(model->index(1, organizer::kGroup), s("ダート")));
    EXPECT_EQ(stored(s("b'"), s("グループ名")), s("ダート"));
    // 表示 ticks as the check box does.
    EXPECT_TRUE(model->setData(model->index(1, organizer::kShow), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(stored(s("b'"), s("表示")), s("0"));
    EXPECT_TRUE(prompter.messages().empty());

    // Refused: a number column given text, a name already taken; the cell
    // and the table keep their values and the user is told why.
    ASSERT_TRUE(typeInto(model->index(0, 13), s("abc")));
    EXPECT_EQ(stored(s("a"), s("単平均配当")).toDouble(), 432.1);
    ASSERT_TRUE(typeInto(model->index(0, organizer::kName), s("b'")));
    EXPECT_EQ(model->index(0, organizer::kName).data().toString(), s("a"));
    EXPECT_EQ(stored(s("a"), s("名称")), s("a"));
    ASSERT_EQ(prompter.messages().size(), 2u);
    EXPECT_TRUE(prompter.messages()[1].text.contains(s("既に登録されています")));

    // A rename stores under the new name; later edits of the row follow it.
    ASSERT_TRUE(typeInto(model->index(0, organizer::kName), s("a2")));
    ASSERT_TRUE(typeInto(model->index(0, organizer::kAuthor), s("鈴木")));
    EXPECT_EQ(stored(s("a2"), s("作者名")), s("鈴木"));

    // Counts and the main rates are locked: no editor opens and nothing is written.
    for (const int column : {3, 8, 12}) {
        SCOPED_TRACE(column);
        EXPECT_FALSE(typeInto(model->index(0, column), s("99")));
        EXPECT_FALSE(model->setData(model->index(0, column), s("99")));
    }
    EXPECT_EQ(stored(s("a2"), s("勝率")).toDouble(), 12.5);
    EXPECT_EQ(stored(s("a2"), s("総件数")), s("10"));
}

TEST_F(FavouriteOrganizerTest, FiltersAndHeaderClicksChooseAndOrderTheRows)
{
    add(s("a"), s("芝"), s("山田"), 12.5);
    add(s("b"), s("芝"), QString(), 30);
    add(s("c"), s("ダート"), s("佐藤"), 7);
    ctx.appDb->execute(s("update お気に入り set 作者名 = Null where 名称 = 'b'"));
    add(s("d"), s("ダート"), QString(), 20);
    FavouriteOrganizer& w = open();
    QComboBox* groups = w.groupFilter();
    QComboBox* authors = w.authorFilter();
    EXPECT_EQ(groups->itemText(0), s("全て"));
    EXPECT_EQ(groups->count(), 3);
    // A Null author and an empty one are one entry, which selects both.
    EXPECT_EQ(authors->count(), 4);
    authors->setCurrentIndex(authors->findText(QString()));
    QStringList noAuthor = shownNames();
    noAuthor.sort();
    EXPECT_EQ(noAuthor, (QStringList{s("b"), s("d")}));
    authors->setCurrentIndex(0);

    QHeaderView* header = w.grid()->horizontalHeader();
    auto clickHeader = [&](int column) {
        w.grid()->scrollTo(w.model()->index(0, column));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    };
    clickHeader(8); // 勝率
    EXPECT_EQ(shownNames(), (QStringList{s("c"), s("a"), s("d"), s("b")}));
    clickHeader(8);
    EXPECT_EQ(shownNames(), (QStringList{s("b"), s("d"), s("a"), s("c")}));
    EXPECT_EQ(w.sort().column, s("勝率"));
    EXPECT_TRUE(w.sort().descending);

    // Choosing a group filters it and sorts by group again.
    groups->setCurrentIndex(groups->findText(s("ダート")));
    QStringList dirt = shownNames();
    dirt.sort();
    EXPECT_EQ(dirt, (QStringList{s("c"), s("d")}));
    EXPECT_EQ(w.sort().column, s("グループ名"));
    EXPECT_FALSE(w.sort().descending);
}

TEST_F(FavouriteOrganizerTest, CellsBroughtIntoViewAreNotLeftBeneathTheFrozenColumns)
{
    add(s("a"), s("芝"));
    FavouriteOrganizer& w = open();
    QTableView* grid = w.grid();
    const int frozen = grid->columnWidth(0) + grid->columnWidth(1) + grid->columnWidth(2);
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    for (const int column : {4, 10, 20}) {
        SCOPED_TRACE(column);
        grid->setCurrentIndex(w.model()->index(0, column));
        EXPECT_GE(grid->columnViewportPosition(column), frozen);
        grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    }
}

TEST_F(FavouriteOrganizerTest, RatesAboveTheThresholdAndNamesWithAColourArePainted)
{
    ctx.colours.values = {100, 0x0000FF, 20, 0x00FF00, 50, 0xFF0000, 80, 0x00FFFF};
    add(s("at"), s("g"), {}, 20.0, 0x123456);
    add(s("above"), s("g"), {}, 20.5);
    FavouriteOrganizer& w = open();
    FavouriteOrganizerModel* model = w.model();
    const int at = shownNames().indexOf(s("at"));
    const int above = shownNames().indexOf(s("above"));
    EXPECT_FALSE(model->index(at, 8).data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(model->index(above, 8).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(0, 255, 0));
    EXPECT_EQ(model->index(above, 8).data().toString(), s("20.5"));
    // An empty 回収率 counts as 0: not above a threshold of 100.
    EXPECT_FALSE(model->index(above, 11).data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(model->index(at, organizer::kName).data(Qt::BackgroundRole).value<QBrush>().color(),
              QColor(0x56, 0x34, 0x12));
    // The stored "no colour" is not painted as a colour.
    EXPECT_FALSE(model->index(above, organizer::kName).data(Qt::BackgroundRole).isValid());
}

TEST_F(FavouriteOrganizerTest, ContextMenuActsOnTheSelectedBlockAndKeepsTheScrollPosition)
{
    for (int i = 0; i < 60; ++i)
        add(QStringLiteral("f%1").arg(i, 2, 10, QLatin1Char('0')), s("g"));
    FavouriteOrganizer& w = open();
    ASSERT_EQ(w.model()->rowCount(), 60);
    // Sorted by name so that rows and names line up.
    w.grid()->horizontalHeader()->sectionClicked(organizer::kName);
    w.scrollToRow(20);
    ASSERT_EQ(w.topRow(), 20);
    auto select = [&](int first, int last) {
        w.grid()->selectionModel()->select(QItemSelection(w.model()->index(first, 0), w.model()->index(last, 5)),
                                           QItemSelectionModel::ClearAndSelect);
    };
    auto trigger = [&](const char* action) {
        w.contextMenu()->findChild<QAction*>(QString::fromLatin1(action))->trigger();
    };

    select(21, 23);
    trigger("mnu_copy");
    const QStringList copied = QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(copied.size(), 3);
    EXPECT_TRUE(copied[0].startsWith(s("-1\tg\tf21\t10\t")));

    prompter.pushAnswer(Answer::No);
    trigger("mnu_del");
    EXPECT_EQ(w.model()->rowCount(), 60);
    prompter.pushAnswer(Answer::Yes);
    trigger("mnu_del");
    EXPECT_EQ(prompter.messages().back().text,
              s("選択されている（黒く反転）お気に入りを全て削除します。よろしいですか？"));
    FavouriteStore store(*ctx.appDb);
    for (const char* gone : {"f21", "f22", "f23"})
        EXPECT_FALSE(store.exists(s(gone))) << gone;
    EXPECT_EQ(shownNames().size(), 57);
    EXPECT_EQ(w.topRow(), 20);

    select(0, 1);
    prompter.pushText(s("新'グループ"));
    trigger("mnuGroupChg");
    EXPECT_EQ(store.find(s("f00"))->group, s("新'グループ"));
    EXPECT_EQ(store.find(s("f01"))->group, s("新'グループ"));
    EXPECT_EQ(store.find(s("f02"))->group, s("g"));
    // The filter list is not refilled until the organizer is opened again.
    EXPECT_EQ(w.groupFilter()->findText(s("新'グループ")), -1);

    w.grid()->horizontalHeader()->sectionClicked(organizer::kName);
    w.grid()->horizontalHeader()->sectionClicked(organizer::kName); // back to ascending after the descending sort
    select(2, 2);
    prompter.pushColour(-1);
    trigger("mnuColorChg");
    EXPECT_EQ(store.find(s("f02"))->colour, kNoColour);
    prompter.pushColour(0x00ABCDEF);
    trigger("mnuColorChg");
    EXPECT_EQ(store.find(s("f02"))->colour, 0x00ABCDEF);
}

TEST_F(FavouriteOrganizerTest, AClickShowsTheConditionsAndTheViewerOpensOrDeletesTheFavourite)
{
    add(s("a"), s("芝"), s("山田"));
    add(s("b'"), s("芝"), s("山田"));
    ctx.appDb->execute(s("update お気に入り set コメント = '直したコメント' where 名称 = 'b'''"));
    FavouriteOrganizer& w = open();
    std::vector<ConditionViewer::OpenRequest> opened;
    viewer->setOpenHandler([&](const ConditionViewer::OpenRequest& r) { opened.push_back(r); });
    const int row = shownNames().indexOf(s("b'"));
    QTableView* grid = w.grid();

    // The 表示 column only ticks.
    emit grid->clicked(w.model()->index(row, organizer::kShow));
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    EXPECT_FALSE(viewer->isVisible());
    // A double click edits the cell: the viewer stays closed, so the second
    // click is not caught by it.
    emit grid->clicked(w.model()->index(row, organizer::kComment));
    emit grid->doubleClicked(w.model()->index(row, organizer::kComment));
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    EXPECT_FALSE(viewer->isVisible());
    // A single click shows the conditions once the double-click time passed.
    emit grid->clicked(w.model()->index(row, organizer::kComment));
    EXPECT_FALSE(viewer->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->isVisible(); }, 2000));
    EXPECT_EQ(viewer->windowTitle(), s("お気に入りの整理（条件表示）"));
    EXPECT_EQ(viewer->favouriteName(), s("b'"));
    ASSERT_EQ(viewer->shown().conditions.rows.size(), 1u);
    EXPECT_EQ(viewer->shown().conditions.rows[0].value, s("1000,1400"));
    EXPECT_EQ(viewer->findChild<QLineEdit*>(s("txtUser"))->text(), s("山田"));
    EXPECT_FALSE(viewer->findChild<QPushButton*>(s("Command1"))->isVisible());
    auto* open = viewer->findChild<QPushButton*>(s("Command2"));
    EXPECT_EQ(open->text(), s("このお気に入りを開く"));

    QTest::mouseClick(open, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].caption, s("b'"));
    EXPECT_EQ(opened[0].conditionText, kConditions);
    EXPECT_EQ(opened[0].comment, s("直したコメント")); // the table's, edited after registration
    EXPECT_FALSE(viewer->isVisible());

    emit grid->clicked(w.model()->index(row, organizer::kName));
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->isVisible(); }, 2000));
    auto* del = viewer->findChild<QPushButton*>(s("cmdDel"));
    ASSERT_TRUE(del->isVisible());
    prompter.pushAnswer(Answer::No);
    QTest::mouseClick(del, Qt::LeftButton);
    EXPECT_TRUE(FavouriteStore(*ctx.appDb).exists(s("b'")));
    prompter.pushAnswer(Answer::Yes);
    QTest::mouseClick(del, Qt::LeftButton);
    EXPECT_EQ(prompter.messages().back().text, s("お気に入り［b']を削除してもいいですか？"));
    EXPECT_FALSE(FavouriteStore(*ctx.appDb).exists(s("b'")));
    EXPECT_EQ(shownNames(), QStringList{s("a")});
    EXPECT_FALSE(viewer->isVisible());

    // Esc closes the viewer.
    emit grid->clicked(w.model()->index(0, organizer::kName));
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->isVisible(); }, 2000));
    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer.get()));
    QTest::keyClick(viewer.get(), Qt::Key_Escape);
    EXPECT_FALSE(viewer->isVisible());
}

TEST_F(FavouriteOrganizerTest, TheHistoryViewerPutsTheConditionsBackIntoItsWindowWhileItIsOpen)
{
    ConditionViewer history(ctx);
    analysis::AnalysisDocument doc;
    doc.conditions.rows.push_back(support::distanceRow(s("2000,2400")));
    auto window = std::make_unique<analysis::ui::AnalysisWindow>(ctx, doc);
    window->refreshFromDocument();

    history.ShowJouken(*window, kConditions);
    EXPECT_EQ(history.windowTitle(), s("分析結果履歴（条件表示）"));
    auto* restore = history.findChild<QPushButton*>(s("Command1"));
    ASSERT_TRUE(restore->isVisible());
    EXPECT_FALSE(history.findChild<QPushButton*>(s("cmdDel"))->isVisible());
    EXPECT_EQ(history.findChild<QPushButton*>(s("Command2"))->text(), s("この条件で新たに開く"));
    EXPECT_EQ(history.findChild<QLineEdit*>(s("txtUser"))->text(), s("作者"));

    QTest::mouseClick(restore, Qt::LeftButton);
    ASSERT_EQ(doc.conditions.rows.size(), 1u);
    EXPECT_EQ(doc.conditions.rows[0].value, s("1000,1400"));
    EXPECT_EQ(doc.comment, s("古いコメント"));
    EXPECT_TRUE(doc.modified);
    EXPECT_FALSE(history.isVisible());

    // The window closes while the viewer still shows its conditions.
    history.ShowJouken(*window, kConditions);
    window.reset();
    QTest::mouseClick(restore, Qt::LeftButton);
    EXPECT_TRUE(history.isVisible());
}

} // namespace
} // namespace tq::favourites::ui
