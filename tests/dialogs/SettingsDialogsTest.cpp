// The colour dialog over a 色設定 table (rounding of thresholds, picked and
// cancelled colours, refused input, キャンセル) and the about box (caption,
// version label, links, system information).

#include "DialogTestSupport.h"

#include "shell/ColourSettingsStore.h"
#include "shell/ui/AboutBox.h"
#include "shell/ui/ColourDialog.h"
#include "store/Database.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

#include <array>
#include <ostream>

static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tq::shell::ui {
namespace {

using dialogs::testing::s;

TEST(ThresholdText, RoundsHalvesToEvenAndRefusesWhatIsNotANumber)
{
    const struct {
        const char* text;
        std::optional<qint32> value;
    } cases[] = {
        {"50.5", 50}, {"51.5", 52}, {"80", 80},  {" 20 ", 20}, {"-2.5", -2},
        {"５０", 50}, {"", {}},     {"abc", {}}, {"50円", {}}, {"1e10", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(thresholdFromText(s(c.text)), c.value) << c.text;
}

class ColourDialogTest : public ::testing::Test, public dialogs::testing::ContextFixture {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ctx.appDb = store::Database::create(dir.filePath(s("app.mdb")));
        ctx.appDb->execute(s("CREATE TABLE 色設定   (回収率値 LONG , 回収率色 LONG,勝率値 LONG,勝率色 LONG,"
                             "連対率値 LONG,連対率色 LONG,複勝率値 LONG,複勝率色 LONG )"));
        ctx.appDb->execute(s("INSERT INTO 色設定 VALUES (100 , 8421631,20,8453888,50,16744576,80,8454143 )"));
        dialog = std::make_unique<ColourDialog>(ctx);
        dialog->show();
    }

    std::array<qint64, 8> storedRow() const
    {
        auto rs = ctx.appDb->openRecordset(s("select * from 色設定"));
        std::array<qint64, 8> row{};
        for (int i = 0; i < 8; ++i)
            row[std::size_t(i)] = rs.field(i).toInt();
        return row;
    }

    QLineEdit* threshold(int i) const { return dialog->findChild<QLineEdit*>(s("Text1_%1").arg(i)); }
    void click(const QString& name) const { dialog->findChild<QPushButton*>(name)->click(); }
    QColor shownColour(int i) const { return threshold(i)->palette().color(QPalette::Base); }

    QTemporaryDir dir;
    std::unique_ptr<ColourDialog> dialog;
    const std::array<qint64, 8> defaults{100, 8421631, 20, 8453888, 50, 16744576, 80, 8454143};
};

TEST_F(ColourDialogTest, OkStoresRoundedThresholdsAndPickedColoursInTableAndMemory)
{
    EXPECT_EQ(dialog->windowTitle(), s("分析結果色設定"));
    EXPECT_EQ(threshold(0)->text(), s("100"));
    EXPECT_EQ(shownColour(0), QColor(255, 128, 128)); // 8421631 with red in the lowest byte

    threshold(1)->setText(s("50.5"));
    threshold(2)->setText(s("51.5"));
    prompter.pushColour(255);
    click(s("Command1_3"));
    EXPECT_EQ(shownColour(3), QColor(255, 0, 0));
    click(s("Command2"));

    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    const std::array<qint64, 8> expected{100, 8421631, 50, 8453888, 52, 16744576, 80, 255};
    EXPECT_EQ(storedRow(), expected);
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(ctx.colours.values[i], expected[i]) << i;
}

TEST_F(ColourDialogTest, CancelledPickerKeepsTheColourAndCancelChangesNothing)
{
    prompter.pushColour(-1);
    click(s("Command1_0"));
    EXPECT_EQ(shownColour(0), QColor(255, 128, 128));

    threshold(0)->setText(s("120"));
    prompter.pushColour(0);
    click(s("Command1_1"));
    click(s("Command3"));

    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(storedRow(), defaults);
    EXPECT_EQ(ctx.colours.returnRateValue(), 100);
    EXPECT_EQ(ctx.colours.winRateColour(), 8453888);
}

TEST_F(ColourDialogTest, ThresholdThatIsNotANumberIsRefusedAndTheDialogStaysOpen)
{
    threshold(0)->setText(s("110"));
    threshold(2)->setText(s("五十"));
    click(s("Command2"));

    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_EQ(prompter.messages()[0].caption, s("分析結果色設定"));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(storedRow(), defaults);
    EXPECT_EQ(ctx.colours.returnRateValue(), 100);

    threshold(2)->setText(s("55"));
    click(s("Command2"));
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(storedRow()[0], 110);
    EXPECT_EQ(storedRow()[4], 55);
}

TEST_F(ColourDialogTest, TableThatCannotBeWrittenKeepsMemoryAndTheDialogOpen)
{
    ctx.appDb->execute(s("DROP TABLE 色設定"));
    threshold(0)->setText(s("90"));
    click(s("Command2"));

    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(ctx.colours.returnRateValue(), 100);
}

class AboutBoxTest : public ::testing::Test, public dialogs::testing::ContextFixture {};

TEST_F(AboutBoxTest, CaptionVersionAndLinks)
{
    ctx.appVersion = s("1.2.3");
    QList<QUrl> opened;
    AboutBox box(ctx, [&opened](const QUrl& url) { opened << url; });
    box.setDescription(AboutBox::standardDescription());
    box.show();

    EXPECT_EQ(box.windowTitle(), context::AppContext::applicationTitle() + s(" のバージョン情報"));
    EXPECT_EQ(box.findChild<QLabel*>(s("lblTitle"))->text(), context::AppContext::applicationTitle());
    EXPECT_EQ(box.findChild<QLabel*>(s("lblVersion"))->text(), s("Version 1.2.3  （αバージョン）"));
    EXPECT_EQ(box.findChild<QLabel*>(s("lblDescription"))->text().count(u'\n'), 2);

    auto* link = box.findChild<QLabel*>(s("lblUrl_1"));
    QTest::mouseClick(link, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl(link->text()));
}

TEST_F(AboutBoxTest, SystemInformationIsShownAndCopied)
{
    ctx.programDir = s("/opt/tq");
    AboutBox box(ctx);
    box.findChild<QPushButton*>(s("cmdSysInfo"))->click();

    ASSERT_EQ(prompter.messages().size(), 1u);
    const QString shown = prompter.messages()[0].text;
    EXPECT_TRUE(shown.contains(s("SQLite: 3."))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(s("/opt/tq"))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QApplication::clipboard()->text()));
}

} // namespace
} // namespace tq::shell::ui
