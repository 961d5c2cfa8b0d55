// The favourites tree dialog driven through its controls in each mode, with
// a real drag of a favourite onto another group and a label edit by the
// keyboard, checked against the table afterwards; and the analysis window's
// 参照 button filling the favourite link.

#include "analysis/AnalysisDocument.h"
#include "analysis/ui/AnalysisWindow.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "favourites/FavouriteStore.h"
#include "favourites/ui/FavouriteDialog.h"
#include "store/Database.h"
#include "support/FavouriteTables.h"
#include "support/GuiApplication.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace tq::favourites::ui {
namespace {

using context::Answer;

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// Types `text` into `widget` as key events (QTest::keyClicks takes ASCII only).
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

// Clicks a check box or option button on its indicator.
void clickBox(QAbstractButton* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

class FavouriteDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        support::ensureGuiApplication();
        ASSERT_TRUE(dir.isValid());
        ctx.appDb = store::Database::create(dir.filePath(s("app.mdb")));
        support::createFavouriteTables(*ctx.appDb);
        FavouriteStore store(*ctx.appDb);
        const struct {
            const char* name;
            const char* group;
            bool show;
        } rows[] = {{"a", "芝", true}, {"b'", "芝", false}, {"c", "ダート", false}, {"z", "お気に入り", false}};
        for (const auto& r : rows) {
            Favourite f;
            f.name = s(r.name);
            f.group = s(r.group);
            f.show = r.show;
            f.colour = r.show ? 0x00FF00 : kNoColour;
            store.save(f);
        }
    }

    // The dialog shown for `mode`, its tree built and expanded.
    std::unique_ptr<FavouriteDialog> open(FavoMode mode, const QString& name = {})
    {
        choice = FavoChoice{};
        choice.mode = mode;
        choice.name = name;
        auto dialog = std::make_unique<FavouriteDialog>(ctx, choice);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->isBuilt(); }, 5000));
        dialog->tree()->expandAll();
        return dialog;
    }

    QTreeWidgetItem* node(FavouriteDialog& d, const QString& text)
    {
        const QList<QTreeWidgetItem*> found = d.tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        EXPECT_EQ(found.size(), 1) << text.toStdString();
        return found.value(0);
    }

    void select(FavouriteDialog& d, const QString& text)
    {
        QTreeWidgetItem* item = node(d, text);
        QTest::mouseClick(d.tree()->viewport(), Qt::LeftButton, {}, d.tree()->visualItemRect(item).center());
        ASSERT_EQ(d.tree()->currentItem(), item);
    }

    void clickOk(FavouriteDialog& d) { QTest::mouseClick(d.findChild<QPushButton*>(s("OKButton")), Qt::LeftButton); }

    QStringList rows()
    {
        QStringList out;
        for (const Favourite& f : FavouriteStore(*ctx.appDb).list())
            out << f.group + QLatin1Char('/') + f.name + (f.show ? s("+") : s(""));
        return out;
    }

    QTemporaryDir dir;
    context::ScriptedPrompter prompter;
    context::SilentBusy busy;
    context::AppContext ctx{prompter, busy};
    FavoChoice choice;
};

TEST_F(FavouriteDialogTest, AddModeShowsGroupsOnlyAndPresetsAnExistingFavourite)
{
    auto d = open(FavoMode::Add, s("a"));
    EXPECT_EQ(d->windowTitle(), s("お気に入りに追加"));
    QTreeWidgetItem* root = d->tree()->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(0)->text(0), s("ダート"));
    EXPECT_EQ(root->child(0)->childCount(), 0);
    EXPECT_EQ(d->tree()->currentItem()->text(0), s("芝"));
    EXPECT_TRUE(d->findChild<QCheckBox*>(s("chkHyouji"))->isChecked());
    EXPECT_FALSE(d->findChild<QPushButton*>(s("cmdDel"))->isVisible());
    EXPECT_EQ(d->findChild<QLineEdit*>(s("txtFavoName"))->palette().color(QPalette::Base), QColor(0, 255, 0));

    auto fresh = open(FavoMode::Add, s("new'one"));
    EXPECT_EQ(fresh->tree()->currentItem(), fresh->tree()->topLevelItem(0));
    EXPECT_TRUE(fresh->findChild<QCheckBox*>(s("chkHyouji"))->isChecked());

    // A new group named in its label, a colour, 表示 off, OK.
    QTest::mouseClick(fresh->findChild<QPushButton*>(s("cmdNewGroup")), Qt::LeftButton);
    QWidget* editor = QApplication::focusWidget();
    ASSERT_TRUE(qobject_cast<QLineEdit*>(editor));
    static_cast<QLineEdit*>(editor)->selectAll();
    typeText(editor, s("新'組"));
    QTest::keyClick(editor, Qt::Key_Return);
    prompter.pushColour(0x0000FF);
    QTest::mouseClick(fresh->findChild<QPushButton*>(s("cmdColor")), Qt::LeftButton);
    clickBox(fresh->findChild<QCheckBox*>(s("chkHyouji")));
    clickOk(*fresh);
    EXPECT_EQ(fresh->result(), QDialog::Accepted);
    EXPECT_EQ(choice.name, s("new'one"));
    EXPECT_EQ(choice.group, s("新'組"));
    EXPECT_EQ(choice.colour, 0x0000FF);
    EXPECT_FALSE(choice.show);
}

TEST_F(FavouriteDialogTest, OpenAndSelectModesReturnAFavouriteOrAGroup)
{
    struct Case {
        FavoMode mode;
        const char* node;
        std::optional<Answer> answer;
        bool closes;
        const char* name;
        const char* group;
        const char* message;
    };
    const Case cases[] = {
        {FavoMode::Open, "お気に入り", {}, false, "", "", "お気に入り全体を開くことはできません"},
        {FavoMode::Open, "芝", Answer::No, false, "", "", "グループ配下をすべて開きますか"},
        {FavoMode::Open, "芝", Answer::Yes, true, "ALL GROUP", "芝", "グループ配下をすべて開きますか"},
        {FavoMode::Open, "b'", {}, true, "b'", "芝", nullptr},
        {FavoMode::Open, "z", {}, true, "z", "お気に入り", nullptr},
        {FavoMode::Select, "お気に入り", {}, false, "", "", "お気に入り全体を選択することはできません"},
        {FavoMode::Select, "ダート", {}, true, "", "ダート", nullptr},
        {FavoMode::Select, "c", {}, true, "c", "ダート", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.node) + (c.mode == FavoMode::Open ? " open" : " select"));
        auto d = open(c.mode);
        select(*d, s(c.node));
        prompter.clear();
        if (c.answer)
            prompter.pushAnswer(*c.answer);
        clickOk(*d);
        EXPECT_EQ(d->isVisible(), !c.closes);
        if (c.message) {
            EXPECT_EQ(prompter.texts(), QStringList{s(c.message)});
        }
        if (c.closes) {
            EXPECT_EQ(choice.name, s(c.name));
            EXPECT_EQ(choice.group, s(c.group));
        }
    }
    // A double click on a favourite opens it; Cancel empties the name.
    auto d = open(FavoMode::Open);
    QTreeWidgetItem* a = node(*d, s("a"));
    const QPoint at = d->tree()->visualItemRect(a).center();
    QTest::mouseClick(d->tree()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(d->tree()->viewport(), Qt::LeftButton, {}, at);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(choice.name, s("a"));
    auto cancelled = open(FavoMode::Open, s("x"));
    QTest::mouseClick(cancelled->findChild<QPushButton*>(s("CancelButton")), Qt::LeftButton);
    EXPECT_TRUE(choice.name.isEmpty());
}

TEST_F(FavouriteDialogTest, OrganiseModeMovesRenamesDeletesAndTicksOnOk)
{
    auto d = open(FavoMode::Organise);
    EXPECT_EQ(d->windowTitle(), s("お気に入りの整理"));
    EXPECT_EQ(node(*d, s("a"))->checkState(0), Qt::Checked);
    // A group's box follows its favourites' ticks.
    EXPECT_EQ(node(*d, s("芝"))->checkState(0), Qt::PartiallyChecked);
    EXPECT_EQ(node(*d, s("ダート"))->checkState(0), Qt::Unchecked);
    node(*d, s("b'"))->setCheckState(0, Qt::Checked);
    EXPECT_EQ(node(*d, s("芝"))->checkState(0), Qt::Checked);
    node(*d, s("b'"))->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(node(*d, s("芝"))->checkState(0), Qt::PartiallyChecked);

    // Drag a from 芝 onto ダート with the mouse.
    QWidget* viewport = d->tree()->viewport();
    const QPoint from = d->tree()->visualItemRect(node(*d, s("a"))).center();
    const QPoint onto = d->tree()->visualItemRect(node(*d, s("ダート"))).center();
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, from + QPoint(0, (onto.y() - from.y()) / 2));
    QTest::mouseMove(viewport, onto);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, onto);
    EXPECT_EQ(node(*d, s("a"))->parent()->text(0), s("ダート"));

    // Rename b' by editing its label.
    select(*d, s("b'"));
    QTest::keyClick(d->tree(), Qt::Key_F2);
    QWidget* editor = QApplication::focusWidget();
    ASSERT_TRUE(qobject_cast<QLineEdit*>(editor));
    static_cast<QLineEdit*>(editor)->selectAll();
    typeText(editor, s("b'2"));
    QTest::keyClick(editor, Qt::Key_Return);

    // Ticking a group ticks its favourites; delete z.
    node(*d, s("ダート"))->setCheckState(0, Qt::Unchecked);
    node(*d, s("ダート"))->setCheckState(0, Qt::Checked);
    EXPECT_EQ(node(*d, s("c"))->checkState(0), Qt::Checked);
    select(*d, s("z"));
    QTest::mouseClick(d->findChild<QPushButton*>(s("cmdDel")), Qt::LeftButton);

    EXPECT_EQ(rows().size(), 4) << "nothing is written before OK";
    clickOk(*d);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(rows(), (QStringList{s("ダート/a+"), s("ダート/c+"), s("芝/b'2")}));
}

TEST_F(FavouriteDialogTest, OrganiseRefusesARenameOntoAnotherFavouritesName)
{
    auto d = open(FavoMode::Organise);
    const QStringList before = rows();
    node(*d, s("a"))->setText(0, s("c"));
    clickOk(*d);
    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(prompter.texts().last().contains(s("既に登録されています")));
    EXPECT_EQ(rows(), before);
    QTest::mouseClick(d->findChild<QPushButton*>(s("CancelButton")), Qt::LeftButton);
    EXPECT_EQ(rows(), before);
}

TEST_F(FavouriteDialogTest, ExportModeBuildsTheFilterOfTheChoice)
{
    auto d = open(FavoMode::Export);
    EXPECT_TRUE(d->findChild<QGroupBox*>(s("frmTaishou"))->isVisible());
    clickBox(d->findChild<QRadioButton*>(s("optTaishou2")));
    clickOk(*d);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(prompter.texts().last(), s("１件も選択されていません"));

    QString handed;
    d->setExportHandler([&](const QString& filter) { handed = filter; });
    node(*d, s("芝"))->setCheckState(0, Qt::Checked);
    clickOk(*d);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(handed, s("WHERE 名称='a' OR 名称='b'''"));

    // Without an export the choice is told to be not available yet.
    auto shown = open(FavoMode::Export);
    clickBox(shown->findChild<QRadioButton*>(s("optTaishou1")));
    clickOk(*shown);
    EXPECT_EQ(choice.exportFilter, s("WHERE 表示=True"));
    EXPECT_TRUE(prompter.texts().last().contains(s("まだ利用できません")));
}

TEST_F(FavouriteDialogTest, ReferenceButtonFillsTheFavouriteLink)
{
    analysis::AnalysisDocument document;
    analysis::ui::AnalysisWindow window(ctx, document);
    window.show();
    auto* button = window.findChild<QPushButton*>(s("cmdFavorite0"));
    EXPECT_FALSE(button->isEnabled());
    window.setFavouritePicker([](QString& name, bool& wholeGroup) {
        name = s("芝");
        wholeGroup = true;
        return true;
    });
    ASSERT_TRUE(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(window.findChild<QLineEdit*>(s("txtFavorite"))->text(), s("芝"));
    EXPECT_TRUE(window.findChild<QCheckBox*>(s("chkFavoGroup"))->isChecked());
    EXPECT_EQ(document.conditions.favourite.name, s("芝"));
    EXPECT_TRUE(document.conditions.favourite.wholeGroup);
    EXPECT_TRUE(document.modified);

    auto* having = window.findChild<QComboBox*>(s("cboHaving0"));
    EXPECT_FALSE(having->isVisibleTo(&window));
    clickBox(window.findChild<QCheckBox*>(s("chkFavorite")));
    EXPECT_TRUE(having->isVisibleTo(&window));
    EXPECT_TRUE(document.conditions.favourite.isFavourite);
    EXPECT_EQ(document.conditions.favourite.havingOperator, s(">"));
}

} // namespace
} // namespace tq::favourites::ui
