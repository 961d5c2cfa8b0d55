// The condition editor in mode 0: conditions composed through its controls,
// rows reopened and overwritten, the choice and direct-entry frames, the
// extended mode and the groups it offers.

#include "EditorFixture.h"

#include "conditions/LookAhead.h"
#include "conditions/Where.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

namespace tq::conditions::ui::testing {
namespace {

const QColor kRed(255, 0, 0);

QColor foreground(QTableWidget* list, const char* text)
{
    return list->findItems(s(text), Qt::MatchExactly).first()->foreground().color();
}

TEST_F(EditorTest, ConditionsComposedThroughTheControlsGiveRowsAndTheirWhereText)
{
    editor().openForConditions(target, 0);
    EXPECT_TRUE(editor().isVisible());
    EXPECT_FALSE(editor().isModal());
    // The first group and item are chosen, with the item's defaults and help line.
    EXPECT_EQ(child<QLineEdit>("txtFrom")->text(), s("1000"));
    EXPECT_EQ(child<QLineEdit>("txtTo")->text(), s("2000"));
    EXPECT_FALSE(child<QCheckBox>("chkSyosyutsu")->isVisibleTo(child<QGroupBox>("fraJouken1")));
    EXPECT_EQ(child<QLabel>("lblHelp1")->text(), s("距離の条件を指定します"));
    QTableWidget* items = child<QTableWidget>("grdItem");
    EXPECT_EQ(items->item(0, 0)->background().color(), QColor(128, 255, 128));

    type("txtFrom", "1200");
    type("txtTo", "1600");
    click("cmdOk");
    choose("場所", "開催場");
    child<QCheckBox>("chkSentaku1")->setChecked(true);
    click("cmdOk");

    ASSERT_EQ(set.rows.size(), 2u);
    EXPECT_EQ(set.rows[0].group, s("レース条件"));
    EXPECT_EQ(set.rows[0].itemName, s("距離"));
    EXPECT_EQ(set.rows[0].targetCaption, s("今走"));
    EXPECT_EQ(set.rows[0].display, s("1200～1600"));
    EXPECT_EQ(set.rows[0].value, s("1200,1600"));
    EXPECT_EQ(set.rows[1].display, s("場2"));
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(editor().isVisible()); // stays open after OK
    EXPECT_EQ(funWhere(ctx.catalogue, set, true, nullptr, ctx.errorLog),
              s("D番組データ.距離 >= 1200 AND D番組データ.距離 <=1600 AND (D番組データ.場コード = '02')"));
    // What was written is drawn red.
    EXPECT_EQ(foreground(child<QTableWidget>("grdGroup"), "場所"), kRed);
    EXPECT_EQ(foreground(items, "開催場"), kRed);
    EXPECT_EQ(child<QRadioButton>("optTaisyou0")->palette().color(QPalette::WindowText), kRed);
}

// An item known only after the race carries a warning icon and note in the
// item list, and its help line says so on the race itself but not on a
// previous run.
TEST_F(EditorTest, LookAheadItemsAreMarkedInTheListAndTheHelpLine)
{
    ctx.catalogue.items[std::size_t(ctx.catalogue.nameMap.value(s("斤量")))].knownAfterRace = true;
    editor().openForConditions(target, 0);
    choose("レース条件", "斤量");
    QTableWidget* items = child<QTableWidget>("grdItem");
    const QTableWidgetItem* marked = items->findItems(s("斤量"), Qt::MatchExactly).first();
    const QTableWidgetItem* plain = items->findItems(s("距離"), Qt::MatchExactly).first();
    EXPECT_FALSE(marked->icon().isNull());
    EXPECT_EQ(marked->toolTip(), lookAheadNote());
    EXPECT_TRUE(plain->icon().isNull());
    EXPECT_TRUE(plain->toolTip().isEmpty());

    const auto shownHelp = [this] {
        QString text;
        for (QLabel* label : editor().findChildren<QLabel*>())
            if (label->objectName().startsWith(s("lblHelp")) && label->isVisibleTo(&editor()))
                text += label->text();
        return text;
    };
    EXPECT_TRUE(shownHelp().contains(lookAheadNote())) << shownHelp().toStdString();
    if (const QString shot = qEnvironmentVariable("TQ_EDITOR_SHOT"); !shot.isEmpty())
        editor().grab().save(shot);
    clickTarget(1);
    EXPECT_FALSE(shownHelp().contains(lookAheadNote())) << shownHelp().toStdString();
}

TEST_F(EditorTest, AnItemAndTargetThatHaveARowReopenItAndOkOverwritesIt)
{
    ConditionRow current{false, s("レース条件"), s("距離"), s("今走"), s("1200～1600"), s("1200,1600"), 0};
    ConditionRow previous{false, s("レース条件"), s("距離"), s("前走"), s("1100～1300"), s("1100,1300"), 1};
    set.rows = {current, previous};

    editor().openForConditions(target, 1);
    EXPECT_TRUE(child<QRadioButton>("optTaisyou1")->isChecked());
    EXPECT_EQ(child<QLineEdit>("txtFrom")->text(), s("1100"));
    EXPECT_EQ(editor().rows().edited, 1);
    type("txtTo", "1500");
    click("cmdOk");
    ASSERT_EQ(set.rows.size(), 2u);
    EXPECT_EQ(set.rows[1].value, s("1100,1500"));

    // Another target of the same item: its own row, or a new one with the defaults.
    clickTarget(0);
    EXPECT_EQ(child<QLineEdit>("txtFrom")->text(), s("1200"));
    clickTarget(3);
    EXPECT_EQ(child<QLineEdit>("txtFrom")->text(), s("1000"));
    EXPECT_EQ(editor().rows().edited, 2);
    click("cmdOk");
    ASSERT_EQ(set.rows.size(), 3u);
    EXPECT_EQ(set.rows[2].targetCaption, s("２走前"));
    EXPECT_EQ(set.rows[2].target, 3);

    // The targets with rows are red; the comparison frame resets its controls.
    EXPECT_EQ(child<QRadioButton>("optTaisyou3")->palette().color(QPalette::WindowText), kRed);
    EXPECT_NE(child<QRadioButton>("optTaisyou4")->palette().color(QPalette::WindowText), kRed);
    clickTarget(4);
    EXPECT_EQ(child<QStackedWidget>("fraValues")->currentIndex(), 5);
    EXPECT_EQ(child<QLabel>("lblZensou")->text(), s("２走前"));
    EXPECT_TRUE(child<QLineEdit>("txtSuuti")->isVisibleTo(child<QGroupBox>("fraJouken5")));
}

TEST_F(EditorTest, ChoiceFrameShowsAtMostTwentyFiveEntries)
{
    editor().openForConditions(target, 0);
    choose("場所", "開催場");
    auto* frame = child<QGroupBox>("fraJouken0");
    int shown = 0;
    for (QCheckBox* box : frame->findChildren<QCheckBox*>())
        shown += box->isVisibleTo(frame) ? 1 : 0;
    EXPECT_EQ(shown, 25);
    EXPECT_EQ(child<QCheckBox>("chkSentaku24")->text(), s("場25"));
    child<QCheckBox>("chkSentaku24")->setChecked(true);
    click("cmdOk");
    ASSERT_EQ(set.rows.size(), 1u);
    EXPECT_EQ(set.rows[0].value.count(QLatin1Char(',')), 24);
    EXPECT_TRUE(set.rows[0].value.endsWith(s(",1")));
}

TEST_F(EditorTest, ScaledChoicesLeaveOutTheMultiplierAndAFaultyClauseIsLoggedUnderOk)
{
    set.rows = {ConditionRow{false, s("レース条件"), s("斤量"), s("今走"), {}, s("55.5,58.0"), 0}};
    editor().openForConditions(target, 0);
    auto* from = child<QComboBox>("cboFrom");
    auto* to = child<QComboBox>("cboTo");
    EXPECT_EQ(from->itemText(0), s("50.0"));
    // The stored bounds are shown, also one that is no longer among the choices.
    EXPECT_EQ(from->currentText(), s("55.5"));
    EXPECT_EQ(to->currentText(), s("58.0"));
    click("cmdOk");
    EXPECT_EQ(set.rows[0].value, s("55.5,58.0"));

    // A clause that cannot be built leaves the extended box as it was.
    choose("レース条件", "壊れた倍率");
    click("cmdKakucyou");
    child<QPlainTextEdit>("txtKakucyou")->setPlainText(s("A = 1 AND "));
    click("cmdOk");
    EXPECT_EQ(child<QPlainTextEdit>("txtKakucyou")->toPlainText(), s("A = 1 AND "));
    ASSERT_FALSE(ctx.errorLog.recentEntries().empty());
    EXPECT_EQ(ctx.errorLog.recentEntries().back().procedure, s("cmdOk_Click"));
}

TEST_F(EditorTest, SearchOnlyItemsOfferAndConditionOnlyForSeveralKeyColumns)
{
    editor().openForConditions(target, 0);
    auto* frame = child<QGroupBox>("fraJouken3");
    struct Case {
        const char* item;
        bool allOf;
    };
    for (const Case& c : {Case{"騎手", false}, Case{"馬主", true}}) {
        choose("騎手", c.item);
        EXPECT_EQ(child<QCheckBox>("chkAnd")->isVisibleTo(frame), c.allOf) << c.item;
        EXPECT_EQ(child<QLabel>("lblAnd")->isVisibleTo(frame), c.allOf) << c.item;
        EXPECT_FALSE(child<QLineEdit>("txtValue")->isEnabled());
        EXPECT_TRUE(child<QPushButton>("cmdSrch")->isVisibleTo(frame));
        EXPECT_EQ(child<QLabel>("lblHint")->text(), s("※直接入力はできません。検索して選択して下さい"));
    }
    // A stored row sets names, codes and both flags; OK keeps them.
    set.rows = {ConditionRow{false, s("騎手"), s("馬主"), s("今走"), {}, s("甲+乙,01+02,1,1"), 0}};
    editor().openForConditions(target, 0);
    EXPECT_EQ(child<QLineEdit>("txtValue")->text(), s("甲+乙"));
    EXPECT_TRUE(child<QCheckBox>("chkIgai")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("chkAnd")->isChecked());
    click("cmdOk");
    EXPECT_EQ(set.rows[0].value, s("甲+乙,01+02,1,1"));
    EXPECT_EQ(set.rows[0].display, s("甲+乙[全て含む(AND)][以外]"));
}

TEST_F(EditorTest, SearchFillsNamesAndCodesWhenAcceptedAndKeepsThemWhenCancelled)
{
    ctx.appDb->execute(s("CREATE TABLE 騎手 (騎手名 CHAR(10), 騎手コード CHAR(5))"));
    ctx.appDb->execute(s("INSERT INTO 騎手 VALUES ('甲', '01')"));
    ctx.appDb->execute(s("INSERT INTO 騎手 VALUES ('乙', '02')"));
    // A stored row whose code is out of date: the search brings the current one.
    set.rows = {ConditionRow{false, s("騎手"), s("騎手"), s("今走"), {}, s("乙,99,0,0"), 0}};
    editor().openForConditions(target, 0);
    QString title;
    // The search dialog is modal: it is answered from inside its event loop.
    const auto answer = [&title](const char* button) {
        QTimer::singleShot(0, [&title, button] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            title = dialog->windowTitle();
            dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        });
    };
    answer("cmdCan");
    click("cmdSrch");
    EXPECT_EQ(title, s("騎手検索"));
    click("cmdOk");
    EXPECT_EQ(set.rows[0].value, s("乙,99,0,0")); // cancelled: both boxes kept
    answer("cmdOk");                              // the starting selection is the value box: 乙 stays marked
    click("cmdSrch");
    click("cmdOk");
    EXPECT_EQ(set.rows[0].value, s("乙,02,0,0"));
}

TEST_F(EditorTest, ExtendedModeAppendsClausesAndConfirmStoresTheTextOnOneLine)
{
    editor().openForConditions(target, 0);
    const int collapsed = editor().height();
    click("cmdKakucyou");
    EXPECT_TRUE(editor().extendedMode());
    EXPECT_EQ(child<QPushButton>("cmdKakucyou")->text(), s("▲拡張モード解除▲"));
    EXPECT_GT(editor().height(), collapsed);
    auto* box = child<QPlainTextEdit>("txtKakucyou");
    EXPECT_TRUE(box->toPlainText().isEmpty());

    click("cmdOk");
    EXPECT_EQ(box->toPlainText(), s("D番組データ.距離 >= 1000 AND D番組データ.距離 <=2000 "));
    EXPECT_TRUE(set.rows.empty());
    EXPECT_EQ(changes, 0);

    box->setPlainText(s("D番組データ.距離 >= 1000\nOR 1 = 1"));
    click("cmdKakutei");
    ASSERT_EQ(set.rows.size(), 1u);
    EXPECT_EQ(set.rows[0].itemName, s("【拡張】"));
    EXPECT_EQ(set.rows[0].value, s("D番組データ.距離 >= 1000 OR 1 = 1"));
    EXPECT_EQ(set.rows[0].display, set.rows[0].value);
    EXPECT_FALSE(editor().extendedMode());
    EXPECT_EQ(editor().rows().extended, 1);
    EXPECT_EQ(changes, 1);

    // Reopening the extended row opens extended mode with its text; 閉じる closes both.
    editor().openForConditions(target, 0);
    EXPECT_TRUE(editor().extendedMode());
    EXPECT_EQ(box->toPlainText(), set.rows[0].value);
    click("cmdClose");
    EXPECT_FALSE(editor().extendedMode());
    EXPECT_FALSE(editor().isVisible());
}

TEST_F(EditorTest, PedigreeGroupNeedsItsDatabaseAndMarkResultsTheDebugFlag)
{
    const QString keto = dir.filePath(s("korven_keto.mdb"));
    struct Case {
        bool ketoFile;
        int debug;
        QStringList groups;
    };
    const Case cases[] = {
        {false, 0, {s("レース条件"), s("場所"), s("騎手")}},
        {true, 1, {s("レース条件"), s("場所"), s("騎手"), s("血統"), s("印別成績")}},
    };
    for (const Case& c : cases) {
        ctx.ketoDbPath = keto;
        if (c.ketoFile) {
            QFile file(keto);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        ctx.catalogue.debugFlag = static_cast<qint16>(c.debug);
        ConditionEditor fresh(ctx);
        auto* groups = fresh.findChild<QTableWidget*>(s("grdGroup"));
        QStringList shown;
        for (int i = 0; i < groups->rowCount(); ++i)
            shown << groups->item(i, 0)->text();
        EXPECT_EQ(shown, c.groups);
    }
}

// Tab in either list moves on to the next control; it never changes the
// chosen group or item (the arrow keys do that).
TEST_F(EditorTest, TabLeavesTheListsWithoutChangingTheChoice)
{
    editor().openForConditions(target, 0);
    editor().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor()));
    for (const char* name : {"grdGroup", "grdItem"}) {
        SCOPED_TRACE(name);
        QTableWidget* list = child<QTableWidget>(name);
        list->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(list->hasFocus());
        const int chosen = list->currentRow();
        QTest::keyClick(list, Qt::Key_Tab);
        EXPECT_FALSE(list->hasFocus());
        EXPECT_EQ(list->currentRow(), chosen);
    }
    QTableWidget* groups = child<QTableWidget>("grdGroup");
    groups->setFocus(Qt::TabFocusReason);
    QTest::keyClick(groups, Qt::Key_Down);
    EXPECT_EQ(groups->currentRow(), 1);
}

} // namespace
} // namespace tq::conditions::ui::testing
