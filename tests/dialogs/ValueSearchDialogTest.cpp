// The value search dialog driven through its controls: marking by clicks,
// header sorting, double click, search scrolling, and searchValues() over a
// table of the application database with ＯＫ and キャンセル.

#include "DialogTestSupport.h"

#include "conditions/ui/ValueSearchDialog.h"
#include "conditions/ui/ValueSearchForm.h"
#include "store/Database.h"

#include <gtest/gtest.h>

#include <QBrush>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <ostream>

static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tq::conditions::ui {
namespace {

using dialogs::testing::clickCell;
using dialogs::testing::doubleClickCell;
using dialogs::testing::s;

ValueSearchList places(const QStringList& names)
{
    std::vector<std::vector<store::Value>> rows;
    for (int i = 0; i < names.size(); ++i)
        rows.push_back({store::Value(names[i]), store::Value(QString::number(i + 1).rightJustified(2, u'0'))});
    return ValueSearchList({s("場名"), s("場コード")}, std::move(rows));
}

class ValueSearchDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { support::ensureGuiApplication(); }

    // Shows a form over `names` with `start` as the starting selection.
    void open(const QStringList& names, const QString& start = {})
    {
        form = std::make_unique<ValueSearchForm>(places(names), s("競馬場"), start);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        grid = form->findChild<QTableView*>(s("vaSpread1"));
        ASSERT_TRUE(grid);
    }

    bool shownMarked(int row) const
    {
        const QColor colour = grid->model()->index(row, 0).data(Qt::BackgroundRole).value<QColor>();
        return colour == QColor(128, 255, 255);
    }

    void click(const char* name) { form->findChild<QPushButton*>(s(name))->click(); }

    std::unique_ptr<ValueSearchForm> form;
    QTableView* grid = nullptr;
};

TEST_F(ValueSearchDialogTest, StartingSelectionIsShownInTheMarkingColour)
{
    for (const char* start : {"東京+中山＋京都", "東京\r\n中山\r\n京都"}) {
        open({s("東京"), s("京都"), s("阪神")}, s(start));
        EXPECT_TRUE(shownMarked(0)) << start;
        EXPECT_TRUE(shownMarked(1)) << start;
        EXPECT_FALSE(shownMarked(2)) << start;
        EXPECT_EQ(grid->model()->index(2, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));
    }
}

TEST_F(ValueSearchDialogTest, ClicksToggleMarksAndOkReturnsThemInTheShownOrder)
{
    open({s("札幌"), s("函館"), s("福島"), s("新潟")});
    clickCell(*grid, 2);
    clickCell(*grid, 0, 1); // any cell of the row marks it
    clickCell(*grid, 1);
    clickCell(*grid, 1); // a second click unmarks
    EXPECT_FALSE(shownMarked(1));
    EXPECT_EQ(grid->horizontalHeader()->model()->headerData(0, Qt::Horizontal).toString(), s("場名"));

    // Two clicks on the name header: descending by name (code units).
    grid->horizontalHeader()->sectionClicked(0);
    grid->horizontalHeader()->sectionClicked(0);
    click("cmdOk");
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_EQ(form->choice().names, s("福島+札幌"));
    EXPECT_EQ(form->choice().codes, s("03+01"));
}

TEST_F(ValueSearchDialogTest, DoubleClickAcceptsWithEveryMarkedRow)
{
    open({s("東京"), s("中山"), s("京都"), s("阪神")}, s("東京+阪神"));
    doubleClickCell(*grid, 2);
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->choice().names, s("東京+京都+阪神"));
}

TEST_F(ValueSearchDialogTest, ClearUnmarksEveryRow)
{
    open({s("東京"), s("中山")}, s("東京+中山"));
    click("Command2");
    click("cmdOk");
    EXPECT_EQ(form->choice().names, QString());
    EXPECT_EQ(form->choice().codes, QString());
}

TEST_F(ValueSearchDialogTest, EnterInTheSearchBoxScrollsTheFirstMatchToTheTopWithoutAccepting)
{
    QStringList names;
    for (int i = 0; i < 30; ++i)
        names << s("札幌%1").arg(i);
    names << s("東京") << s("中山") << s("中京");
    for (int i = 0; i < 30; ++i)
        names << s("函館%1").arg(i);
    open(names, s("東京"));
    ASSERT_EQ(grid->rowAt(0), 0);

    auto* box = form->findChild<QLineEdit*>(s("txtSrch"));
    box->setText(s("中"));
    form->activateWindow();
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Return);

    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(grid->rowAt(0), 31);
    // Searching marks nothing.
    EXPECT_FALSE(shownMarked(31));
}

// searchValues over the application database: the dialog is driven while it
// runs modally.
class SearchValuesTest : public ::testing::Test, public dialogs::testing::ContextFixture {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ctx.appDb = store::Database::create(dir.filePath(s("app.mdb")));
        ctx.appDb->execute(s("CREATE TABLE 競馬場 (場名 CHAR(4), 場コード CHAR(2))"));
        ctx.appDb->execute(s("INSERT INTO 競馬場 VALUES ('東京', '05')"));
        ctx.appDb->execute(s("INSERT INTO 競馬場 VALUES ('京都', '08')"));
        ctx.appDb->execute(s("INSERT INTO 競馬場 VALUES ('阪神', '09')"));
    }

    // Runs searchValues; `drive` gets the modal dialog once it shows.
    std::optional<SearchChoice> run(const QString& source, const QString& start,
                                    const std::function<void(QDialog&)>& drive)
    {
        bool driven = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            driven = true;
            drive(*dialog);
        });
        auto result = searchValues(ctx, s("競馬場"), source, start, nullptr);
        EXPECT_TRUE(driven);
        return result;
    }

    QTemporaryDir dir;
};

TEST_F(SearchValuesTest, OkReturnsNamesAndCodesReadFromTheTable)
{
    const auto choice = run(s("競馬場"), s("阪神"), [](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), s("競馬場検索"));
        auto* grid = dialog.findChild<QTableView*>(s("vaSpread1"));
        clickCell(*grid, 0);
        dialog.findChild<QPushButton*>(s("cmdOk"))->click();
    });
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->names, s("東京+阪神"));
    EXPECT_EQ(choice->codes, s("05+09"));
}

TEST_F(SearchValuesTest, CancelAfterChangingTheMarkingReturnsNothing)
{
    const auto choice = run(s("SELECT 場名 FROM 競馬場"), s("東京"), [](QDialog& dialog) {
        clickCell(*dialog.findChild<QTableView*>(s("vaSpread1")), 1);
        dialog.findChild<QPushButton*>(s("cmdCan"))->click();
    });
    EXPECT_FALSE(choice);
}

TEST_F(SearchValuesTest, UnreadableSourceShowsAnEmptyList)
{
    const auto choice = run(s("存在しない表"), {}, [](QDialog& dialog) {
        EXPECT_EQ(dialog.findChild<QTableView*>(s("vaSpread1"))->model()->rowCount(), 0);
        dialog.findChild<QPushButton*>(s("cmdOk"))->click();
    });
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->names, QString());
}

} // namespace
} // namespace tq::conditions::ui
