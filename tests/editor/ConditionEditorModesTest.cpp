// The condition editor as key editor (mode 1) and list-settings editor
// (mode 9).

#include "EditorFixture.h"

#include "conditions/ConditionEditing.h"
#include "store/Recordset.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

namespace tq::conditions::ui::testing {
namespace {

QStringList listed(QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

TEST_F(EditorTest, KeyEditorWritesTheLowestEmptyLevelWithTheItemsRange)
{
    set.keys[0].key = s("馬場");
    set.keys[1].key = s("枠番");
    editor().startAggregation(target, 5);
    EXPECT_EQ(child<QLabel>("lblStatus")->text(), s("集計したい項目を選択して下さい"));
    EXPECT_FALSE(child<QPushButton>("cmdKakucyou")->isVisibleTo(&editor()));
    // 距離 has the default range "2,200": interval option with its step.
    EXPECT_EQ(child<QStackedWidget>("fraValues")->currentIndex(), 7);
    EXPECT_TRUE(child<QRadioButton>("optRange1")->isChecked());
    EXPECT_EQ(child<QLineEdit>("txtRange0")->text(), s("200"));
    EXPECT_FALSE(child<QRadioButton>("optTaisyou2")->isHidden()); // type 2 may be compared
    clickTarget(2);
    click("cmdOk");
    EXPECT_EQ(editor().result(), QDialog::Accepted);
    EXPECT_EQ(set.keys[2].key, s("前走比較距離"));
    EXPECT_EQ(set.keys[2].range.text, s("2,200"));
    EXPECT_FALSE(set.keys[3].inUse());
    EXPECT_EQ(changes, 1);
}

TEST_F(EditorTest, KeyEditorRangeOptionsGiveTheirRangeSpecs)
{
    struct Case {
        const char* option;
        const char* box0;
        const char* box1;
        const char* expected;
    };
    const Case cases[] = {
        {"optRange0", "", "", "0"},
        {"optRange1", "100", "", "2,100"},
        {"optRange2", "", "1000,1400,1800", "3,1000,1400,1800"},
        {"optRange3", "30", "", "9,30"},
    };
    int level = 0;
    for (const Case& c : cases) {
        editor().startAggregation(target, 19);
        click(c.option);
        if (*c.box0)
            type("txtRange0", c.box0);
        if (*c.box1)
            child<QPlainTextEdit>("txtRange1")->setPlainText(s(c.box1));
        click("cmdOk");
        EXPECT_EQ(set.keys[static_cast<size_t>(level)].key, s("距離")) << c.option;
        EXPECT_EQ(set.keys[static_cast<size_t>(level)].range.text, s(c.expected)) << c.option;
        ++level;
    }
    editor().startAggregation(target, 19);
    click("optRange3");
    EXPECT_EQ(child<QLabel>("lblRangeMsg")->text(), rangeOptionMessage(RangeOption::Count));
    EXPECT_TRUE(child<QLineEdit>("txtRange0")->isEnabled());
    EXPECT_FALSE(child<QPlainTextEdit>("txtRange1")->isEnabled());
}

TEST_F(EditorTest, KeyEditorHidesTheRangeAndComparisonsForAnItemWithoutThem)
{
    editor().startAggregation(target, 0);
    choose("場所", "開催場");
    EXPECT_EQ(child<QStackedWidget>("fraValues")->currentIndex(), 8); // nothing shown
    EXPECT_TRUE(child<QRadioButton>("optTaisyou2")->isHidden());
    EXPECT_FALSE(child<QRadioButton>("optTaisyou1")->isHidden());
    clickTarget(1);
    click("cmdOk");
    EXPECT_EQ(set.keys[0].key, s("前走開催場"));
    EXPECT_TRUE(set.keys[0].range.isEmpty());
}

struct StoredItem {
    QString name;
    double width;
    bool operator==(const StoredItem&) const = default;
};

std::vector<StoredItem> stored(store::Database& db, const char* setting)
{
    std::vector<StoredItem> items;
    store::Recordset rs = db.openRecordset(
        s("SELECT 項目名, サイズ FROM 一覧表示設定 WHERE 設定名='%1' ORDER BY 表示順").arg(s(setting)));
    for (; !rs.isEOF(); rs.moveNext())
        items.push_back({rs.field(0).toText().trimmed(), rs.field(1).toDouble()});
    return items;
}

TEST_F(EditorTest, ListSettingsNewNameSelectsAnExistingOneOrStartsWithTheDefaults)
{
    editor().startListSettings();
    auto* names = child<QComboBox>("cboSettei");
    auto* list = child<QListWidget>("lstKoumoku");
    EXPECT_EQ(child<QStackedWidget>("fraValues")->currentIndex(), 6);
    EXPECT_EQ(names->currentText(), s("既存"));
    EXPECT_EQ(listed(list), (QStringList{s("馬名"), s("着順")}));

    prompter.pushText(s("既存"));
    click("cmdNew");
    EXPECT_EQ(names->count(), 1);
    EXPECT_EQ(listed(list), (QStringList{s("馬名"), s("着順")}));

    prompter.pushText(s("新しい"));
    click("cmdNew");
    EXPECT_EQ(names->currentText(), s("新しい"));
    EXPECT_EQ(listed(list), SettingItemList::defaults());
    EXPECT_EQ(prompter.messages().back().text, s("新規に追加する一覧表示設定名を入力します"));

    choose("レース条件", "距離");
    clickTarget(1);
    click("cmdAdd");
    EXPECT_EQ(list->currentItem()->text(), s("前走距離"));
    click("cmdOk");
    EXPECT_EQ(editor().result(), QDialog::Accepted);
    const std::vector<StoredItem> items = stored(*ctx.appDb, "新しい");
    ASSERT_EQ(items.size(), 7u);
    EXPECT_EQ(items.front(), (StoredItem{s("開催日"), 10.0}));
    EXPECT_EQ(items.back(), (StoredItem{s("前走距離"), 10.0}));
}

TEST_F(EditorTest, ListSettingsOkStoresTheOrderWithWidthTenAndDeleteRemovesTheSetting)
{
    editor().startListSettings();
    auto* list = child<QListWidget>("lstKoumoku");
    list->setCurrentRow(1);
    click("cmdUp");
    click("cmdOk");
    EXPECT_EQ(stored(*ctx.appDb, "既存"), (std::vector<StoredItem>{{s("着順"), 10.0}, {s("馬名"), 10.0}}));

    editor().startListSettings();
    click("cmdSetteiDel");
    EXPECT_TRUE(stored(*ctx.appDb, "既存").empty());
    EXPECT_EQ(child<QComboBox>("cboSettei")->count(), 0);
    EXPECT_EQ(list->count(), 0);
}

} // namespace
} // namespace tq::conditions::ui::testing
