// The bet-type window driven through its controls: the flow and box options,
// the 参照 buttons with a chooser, and a box run writing its table.

#include "bettypes/ui/BetTypeWindow.h"

#include "analysis/Sheet.h"
#include "support/BetRaces.h"
#include "support/GuiApplication.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace tq::bettypes::ui {
namespace {

using support::s;

template <typename T> T* child(QWidget& w, const char* name)
{
    T* c = w.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

class BetTypeWindowTest : public ::testing::Test, public support::BetFixture {
  protected:
    BetTypeWindowTest()
    {
        support::ensureGuiApplication();
        window = std::make_unique<BetTypeWindow>(ctx, [this](QWidget*) { return nextPick; });
    }
    std::optional<FavouritePick> nextPick;
    std::unique_ptr<BetTypeWindow> window;
};

TEST_F(BetTypeWindowTest, BoxOptionHidesThePartnerFrame)
{
    window->show();
    auto* axisFrame = child<QGroupBox>(*window, "frmFavo0");
    auto* partnerFrame = child<QGroupBox>(*window, "frmFavo1");
    EXPECT_TRUE(child<QRadioButton>(*window, "optSyurui0")->isChecked()) << "flow is chosen when the window opens";
    EXPECT_EQ(axisFrame->title(), s("軸馬用お気に入り"));
    EXPECT_TRUE(partnerFrame->isVisible());

    child<QRadioButton>(*window, "optSyurui1")->click();
    EXPECT_EQ(axisFrame->title(), s("ＢＯＸ用お気に入り"));
    EXPECT_FALSE(partnerFrame->isVisible());
    EXPECT_FALSE(window->state().flow);

    child<QRadioButton>(*window, "optSyurui0")->click();
    EXPECT_TRUE(partnerFrame->isVisible());
    EXPECT_EQ(axisFrame->title(), s("軸馬用お気に入り"));
}

TEST_F(BetTypeWindowTest, ReferenceButtonsFillNameAndGroupBox)
{
    auto* name = child<QLineEdit>(*window, "txtFavorite1");
    auto* group = child<QCheckBox>(*window, "chkFavoGroup1");
    nextPick = FavouritePick{s("穴狙い"), true};
    child<QPushButton>(*window, "cmdFavorite1")->click();
    EXPECT_EQ(name->text(), s("穴狙い"));
    EXPECT_TRUE(group->isChecked());

    nextPick = FavouritePick{s("本命"), false};
    child<QPushButton>(*window, "cmdFavorite1")->click();
    EXPECT_EQ(name->text(), s("本命"));
    EXPECT_FALSE(group->isChecked());

    nextPick.reset(); // nothing picked: nothing changes
    child<QPushButton>(*window, "cmdFavorite1")->click();
    EXPECT_EQ(name->text(), s("本命"));
    EXPECT_TRUE(child<QLineEdit>(*window, "txtFavorite0")->text().isEmpty());
}

TEST_F(BetTypeWindowTest, BoxRunWritesTheTable)
{
    const std::vector<support::Runner> r1 = {{s("01"), s("1"), 1, s("A")}, {s("02"), s("1"), 2, s("A")},
                                             {s("03"), s("2"), 3, s("A")}};
    addRace(s("R1"), r1, support::payoutsFor(r1));
    addFavourite(s("BOX"), s("G"), s("D競走馬データ.印 = 'A'"));
    child<QRadioButton>(*window, "optSyurui1")->click();
    child<QLineEdit>(*window, "txtFavorite0")->setText(s("BOX"));

    ASSERT_TRUE(window->runAnalysis());
    const analysis::Sheet& t = window->table();
    ASSERT_EQ(t.rowCount(), 4);
    EXPECT_EQ(t.displayText(2, 0), s("馬単"));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(window->selectionText().startsWith(s("\tレース数\t"))) << "without selection the whole table";

    // The table answered the box: switching to the flow empties it.
    child<QRadioButton>(*window, "optSyurui0")->click();
    EXPECT_EQ(window->table().rowCount(), 0);
}

} // namespace
} // namespace tq::bettypes::ui
