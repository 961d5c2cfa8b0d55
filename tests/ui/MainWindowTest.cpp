// The main window: menu tree, visibility rules, geometry in twips, document
// numbering, the file commands' dialogs, closing.

#include "analysis/Run.h"
#include "analysis/ui/AnalysisWindow.h"
#include "context/AppContext.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/MainWindowAnalysisDocument.h"
#include "shell/ui/MainWindowGeometry.h"
#include "shell/ui/MainWindowStatusBar.h"
#include "store/Database.h"
#include "support/GuiApplication.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <deque>

using namespace tq::shell;
using namespace tq::context;
using namespace tq::shell::ui;
using tq::common::pixelsToTwips;
using tq::common::twipsToPixels;

namespace {

// Records every dialog with its title, proposed name and filter.
struct Dialog {
    QString kind, caption, proposed, filter;
};

class RecordingPrompter final : public Prompter {
  public:
    std::deque<QString> fileNames; // answers of the file dialogs; empty = cancelled
    std::deque<Answer> answers;
    std::vector<Dialog> dialogs;
    QStringList informed;

    void inform(const Message& m) override { informed << m.text; }
    Answer ask(const Message& m, bool) override
    {
        dialogs.push_back({QStringLiteral("ask"), m.text, {}, {}});
        Answer a = answers.empty() ? Answer::No : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return a;
    }
    bool inputText(const QString&, const QString&, QString&) override { return false; }
    QString openFileName(const QString& caption, const QString& dir, const QString& filter) override
    {
        dialogs.push_back({QStringLiteral("open"), caption, dir, filter});
        return next();
    }
    QString saveFileName(const QString& caption, const QString& name, const QString& filter) override
    {
        dialogs.push_back({QStringLiteral("save"), caption, name, filter});
        return next();
    }
    bool pickColour(qint32&) override { return false; }

  private:
    QString next()
    {
        QString s = fileNames.empty() ? QString() : fileNames.front();
        if (!fileNames.empty())
            fileNames.pop_front();
        return s;
    }
};

// A document window that records what the main window asks of it.
class FakeDocument final : public DocumentWindow {
  public:
    using DocumentWindow::DocumentWindow;
    QStringList calls;
    bool saveSucceeds = true;
    bool keepOpen = false;

    void setAuthor(const QString& a) override { calls << QStringLiteral("author ") + a; }
    bool loadConditionFile(const QString& p) override
    {
        calls << QStringLiteral("load ") + p;
        return true;
    }
    bool saveConditionFile(const QString& p) override
    {
        calls << QStringLiteral("save ") + p;
        return saveSucceeds;
    }
    void runAnalysis() override { calls << QStringLiteral("run"); }
    void copySelection() override { calls << QStringLiteral("copy"); }
    void deleteConditionRow() override { calls << QStringLiteral("jdel"); }

  protected:
    void closeEvent(QCloseEvent* e) override
    {
        if (keepOpen)
            e->ignore();
        else
            DocumentWindow::closeEvent(e);
    }
};

class FakeFactory final : public DocumentWindowFactory {
  public:
    DocumentWindow* createWindow(DocumentKind kind) override { return new FakeDocument(kind); }
};

struct Fixture {
    QTemporaryDir temp;
    RecordingPrompter prompter;
    SilentBusy busy;
    AppContext ctx{prompter, busy};
    FakeFactory factory;
    bool useRealDocuments = false;

    QString settingsFile() const { return QDir(temp.path()).filePath(QStringLiteral("settings.ini")); }

    std::unique_ptr<MainWindow> window()
    {
        MainWindow::Options options;
        options.settingsFile = settingsFile();
        options.openUrl = [this](const QUrl& url) { opened << url; };
        options.helpDir = temp.path();
        auto w = std::make_unique<MainWindow>(ctx, useRealDocuments ? nullptr : &factory, options);
        w->load();
        return w;
    }

    // An application database whose add-in registry holds the given ids.
    void addInRegistry(const QStringList& ids)
    {
        ctx.appDb = tq::store::Database::create(QDir(temp.path()).filePath(QStringLiteral("app.mdb")));
        ctx.appDb->execute(QStringLiteral("CREATE TABLE Sアドイン管理 (ソフトID TEXT(50), 名称 TEXT(50))"));
        for (const QString& id : ids)
            ctx.appDb->execute(QStringLiteral("INSERT INTO Sアドイン管理 (ソフトID, 名称) VALUES ('") + id +
                               QStringLiteral("', 'x')"));
    }

    QList<QUrl> opened;
};

QString parentMenuOf(QAction* action)
{
    for (QObject* w : action->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(w))
            return menu->objectName();
    return {};
}

FakeDocument* fake(DocumentWindow* w)
{
    return static_cast<FakeDocument*>(w);
}

} // namespace

TEST(MainWindow, MenuTreeHasControlNamesCaptionsAndParents)
{
    tq::support::ensureGuiApplication();
    Fixture f;
    auto w = f.window();
    struct Case {
        const char* name;
        const char* parent; // "" for the menu bar
        const char* caption;
    };
    const Case cases[] = {
        {"mnuFile", "", "ファイル(&F)"},
        {"mnuNew", "mnuFile", "新規作成（単複分析）"},
        {"mnuUmaren", "mnuFile", "新規作成（馬連分析）"},
        {"mnuSep0", "mnuFile", ""},
        {"mnuViewOpen", "mnuFile", "ファイルからビュワーで表示"},
        {"mnuQuit", "mnuFile", "終了(&Q)"},
        {"mnuCopyTextShort", "mnuHensyu", "分析結果をテキストでコピー（短縮）"},
        {"mnuREDivor", "mnuAnalyze", "グラフアドイン"},
        {"mnuOption", "mnuTools", "オプション(&O)"},
        {"mnuOptIro", "mnuOption", "分析結果色設定"},
        {"mnuDefault", "mnuView", "標準の大きさ･位置に戻す(&D)"},
        {"mnuFavoMnt_2", "mnuFavoMnt", "お気に入りのダイレクト編集"},
        {"mnuMarkSeisekiOld", "mnuFavorite", "過去の印別成績作成"},
        {"mnuWindowArrangeIcons", "mnuWindow", "ｱｲｺﾝの整列(&A)"},
        {"mnuVIZIvev", "mnuHelp", "TQAヘルプの表示"},
        {"mnuVersion", "mnuHelp", "バージョン情報(&V)"},
        {"mnuCopy", "mnuHenshu", "コピー"},
        {"mnuJdel", "mnuJouken", "削除"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QAction* a = w->action(QString::fromLatin1(c.name));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), QString::fromUtf8(c.caption));
        if (*c.caption == '\0') {
            EXPECT_TRUE(a->isSeparator());
        }
        if (*c.parent) {
            EXPECT_EQ(parentMenuOf(a), QString::fromLatin1(c.parent));
        }
    }
    // The menu bar holds the eight menus in order; the two pop-ups are not on it.
    QStringList bar;
    for (QAction* a : w->menuBar()->actions())
        bar << a->objectName();
    EXPECT_EQ(bar, (QStringList{"mnuFile", "mnuHensyu", "mnuAnalyze", "mnuTools", "mnuView", "mnuFavorite", "mnuWindow",
                                "mnuHelp"}));
    EXPECT_EQ(w->editPopupMenu()->objectName(), QStringLiteral("mnuHenshu"));
    EXPECT_EQ(w->conditionPopupMenu()->objectName(), QStringLiteral("mnuJouken"));
}

TEST(MainWindow, DebugEntriesFollowDebugFlagAndGraphEntriesTheAddInRegistry)
{
    tq::support::ensureGuiApplication();
    const QStringList debugOnly{"mnu_ChokuHen",      "mnuSyukeiFavoAdd", "mnuSyukeiFavoOpen",
                                "mnuSyukeiFavorite", "mnuMarkSeiseki",   "mnuMarkSeisekiOld"};
    struct Case {
        qint16 debugFlag;
        QStringList addIns;
        bool graphVisible;
    };
    const Case cases[] = {
        {0, {}, false},
        {1, {QStringLiteral("ZAVozivuzar")}, false},
        {0, {QStringLiteral("REDivor")}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.debugFlag);
        Fixture f;
        f.ctx.catalogue.debugFlag = c.debugFlag;
        f.addInRegistry(c.addIns);
        auto w = f.window();
        for (const QString& name : debugOnly)
            EXPECT_EQ(w->action(name)->isVisible(), c.debugFlag == 1) << name.toStdString();
        EXPECT_EQ(w->action(QStringLiteral("mnuREDivor"))->isVisible(), c.graphVisible);
        EXPECT_EQ(w->action(QStringLiteral("tlbREDivorExecute"))->isVisible(), c.graphVisible);
        EXPECT_FALSE(w->action(QStringLiteral("mnuTopic"))->isVisible());
    }
}

TEST(MainWindow, OptionAndHelpEntriesOpenTheColourDialogAndTheAboutBoxModally)
{
    tq::support::ensureGuiApplication();
    Fixture f;
    auto w = f.window();
    QStringList shown;
    const auto closeModal = [&shown](const char* link) {
        QTimer::singleShot(0, [&shown, link] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            shown << dialog->objectName() + QStringLiteral(":") + dialog->windowTitle();
            if (link)
                QTest::mouseClick(dialog->findChild<QLabel*>(QString::fromLatin1(link)), Qt::LeftButton);
            dialog->reject();
        });
    };
    closeModal(nullptr);
    w->action(QStringLiteral("mnuOptIro"))->trigger();
    closeModal("lblUrl_0");
    w->action(QStringLiteral("mnuVersion"))->trigger();

    EXPECT_EQ(shown, QStringList({QStringLiteral("frmIroSet:分析結果色設定"),
                                  QStringLiteral("frmTQAbout:") + AppContext::applicationTitle() +
                                      QStringLiteral(" のバージョン情報")}));
    // The about box's links open through the main window's opener.
    ASSERT_EQ(f.opened.size(), 1);
    EXPECT_EQ(f.opened[0].scheme(), QStringLiteral("https"));
}

TEST(MainWindow, ToolbarButtonsFollowTheirCommands)
{
    tq::support::ensureGuiApplication();
    Fixture f;
    auto w = f.window();
    // A toolbar button follows its command: disabled with it, and enabled
    // again by a handler.
    QAction* favoMnt = w->action(QStringLiteral("tblFavoMnt"));
    EXPECT_TRUE(favoMnt->isEnabled());
    w->action(QStringLiteral("mnuFavoMnt_2"))->setEnabled(false);
    EXPECT_FALSE(favoMnt->isEnabled());
    EXPECT_TRUE(favoMnt->toolTip().startsWith(QStringLiteral("お気に入りの整理を行います")));
    QAction* favoAdd = w->action(QStringLiteral("tblFavoAdd"));
    EXPECT_TRUE(favoAdd->isEnabled());
    EXPECT_TRUE(w->action(QStringLiteral("tlbTanNew"))->isEnabled());
    EXPECT_EQ(w->action(QStringLiteral("tlbTanNew"))->toolTip(), QStringLiteral("単複の分析を新規に行います"));

    // Installing a handler enables the entry, its button and its drop-down item.
    int runs = 0;
    w->setCommandHandler(QStringLiteral("mnuFavoMnt_2"), [&runs] { ++runs; });
    EXPECT_TRUE(w->action(QStringLiteral("tblFavoMnt"))->isEnabled());
    w->action(QStringLiteral("tblFavoMnt"))->trigger();
    w->action(QStringLiteral("bmnuFavoMnt_2"))->trigger();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(w->action(QStringLiteral("tblFavoMnt"))->toolTip(), QStringLiteral("お気に入りの整理を行います"));

    // A command that asks first runs its handler only on Yes.
    w->setCommandHandler(QStringLiteral("mnuMarkSeisekiOld"), [&runs] { ++runs; });
    f.prompter.answers = {Answer::No, Answer::Yes};
    w->action(QStringLiteral("mnuMarkSeisekiOld"))->trigger();
    w->action(QStringLiteral("mnuMarkSeisekiOld"))->trigger();
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(f.prompter.dialogs.at(0).caption, QStringLiteral("過去の印別成績を全作成します。よろしいですか？"));
}

TEST(MainWindowGeometry, TwipsConvertAtTheScreenDpi)
{
    EXPECT_EQ(twipsToPixels(9600, 96), 640);
    EXPECT_EQ(twipsToPixels(7200, 120), 600);
    EXPECT_FLOAT_EQ(pixelsToTwips(640, 96), 9600);
    EXPECT_EQ(toPixels(TwipsGeometry{150, 300, 12000, 9000}, 144, 144), QRect(15, 30, 1200, 900));
}

TEST(MainWindow, GeometryDefaultsRoundTripsInTwipsAndResetsToStandard)
{
    tq::support::ensureGuiApplication();
    Fixture f;
    const double dpi = [] {
        QWidget probe;
        return probe.screen()->logicalDotsPerInchX();
    }();
    {
        auto w = f.window();
        EXPECT_EQ(w->pos(), QPoint(0, 0));
        EXPECT_EQ(w->size(), QSize(twipsToPixels(9600, dpi), twipsToPixels(7200, dpi)));
        w->move(30, 45);
        w->resize(700, 500);
        w->close();
    }
    QSettings stored(f.settingsFile(), QSettings::IniFormat);
    stored.beginGroup(QStringLiteral("MDIFrmDEVovuved_Settings"));
    EXPECT_EQ(stored.value(QStringLiteral("MainWidth")).toString().toFloat(), pixelsToTwips(700, dpi));
    EXPECT_EQ(stored.value(QStringLiteral("MainTop")).toString().toFloat(), pixelsToTwips(45, dpi));
    stored.endGroup();
    {
        auto w = f.window();
        EXPECT_EQ(w->pos(), QPoint(30, 45));
        EXPECT_EQ(w->size(), QSize(700, 500));
        w->action(QStringLiteral("mnuDefault"))->trigger();
        EXPECT_EQ(w->pos(), QPoint(0, 0));
        EXPECT_EQ(w->size(), QSize(twipsToPixels(12000, dpi), twipsToPixels(9000, dpi)));
    }
    // A value that is not a number falls back to its default.
    QSettings broken(f.settingsFile(), QSettings::IniFormat);
    broken.setValue(QStringLiteral("MDIFrmDEVovuved_Settings/MainWidth"), QStringLiteral("abc"));
    broken.sync();
    EXPECT_EQ(readGeometry(broken).width, 9600.0f);
}

TEST(MainWindow, NoHorseListIsAChoiceRememberedAcrossStarts)
{
    tq::support::ensureGuiApplication();
    Fixture f;
    {
        auto w = f.window();
        QAction* noList = w->action(QStringLiteral("mnuAnalyzeNoList"));
        ASSERT_NE(noList, nullptr);
        EXPECT_EQ(parentMenuOf(noList), QStringLiteral("mnuAnalyze"));
        EXPECT_TRUE(noList->isCheckable());
        EXPECT_FALSE(noList->isChecked());
        EXPECT_TRUE(f.ctx.buildHorseList);
        noList->trigger();
        EXPECT_FALSE(f.ctx.buildHorseList);
    }
    f.ctx.buildHorseList = true; // a new run of the program
    {
        auto w = f.window();
        EXPECT_TRUE(w->action(QStringLiteral("mnuAnalyzeNoList"))->isChecked());
        EXPECT_FALSE(f.ctx.buildHorseList);
        w->action(QStringLiteral("mnuAnalyzeNoList"))->trigger();
        EXPECT_TRUE(f.ctx.buildHorseList);
    }
    f.ctx.buildHorseList = false;
    auto w = f.window();
    EXPECT_FALSE(w->action(QStringLiteral("mnuAnalyzeNoList"))->isChecked());
    EXPECT_TRUE(f.ctx.buildHorseList);
}

TEST(MainWindow, DocumentsShareOneCounterAcrossNewBetTypeAndOpen)
{
    tq::support::ensureGuiApplication();
    Fixture f;
    f.ctx.userName = QStringLiteral("鈴木");
    auto w = f.window();
    ASSERT_EQ(w->documents().size(), 1);
    EXPECT_EQ(w->activeDocument()->windowTitle(), QStringLiteral("Document 1"));
    EXPECT_EQ(fake(w->activeDocument())->calls, QStringList{QStringLiteral("author 鈴木")});

    w->action(QStringLiteral("tlbUmaNew"))->trigger();
    EXPECT_EQ(w->activeDocument()->windowTitle(), QStringLiteral("UMAREN 2"));
    EXPECT_EQ(w->activeDocument()->documentKind(), DocumentKind::BetType);

    f.prompter.fileNames = {QStringLiteral("/data/race.tqb"), QStringLiteral("/data/view.tqb"), QString()};
    w->action(QStringLiteral("mnuOpen"))->trigger();
    DocumentWindow* opened = w->activeDocument();
    EXPECT_EQ(opened->windowTitle(), QStringLiteral("race"));
    EXPECT_EQ(opened->filePath(), QStringLiteral("/data/race.tqb"));
    EXPECT_TRUE(fake(opened)->calls.contains(QStringLiteral("load /data/race.tqb")));
    EXPECT_EQ(w->documentCounter(), 3);

    // The viewer does not count; a cancelled dialog creates nothing.
    w->action(QStringLiteral("mnuViewOpen"))->trigger();
    EXPECT_EQ(w->activeDocument()->documentKind(), DocumentKind::Viewer);
    EXPECT_EQ(w->activeDocument()->windowTitle(), QStringLiteral("view"));
    w->action(QStringLiteral("mnuOpen"))->trigger();
    EXPECT_EQ(w->documents().size(), 4);
    w->action(QStringLiteral("mnuWindowNewWindow"))->trigger();
    EXPECT_EQ(w->activeDocument()->windowTitle(), QStringLiteral("Document 4"));

    for (const Dialog& d : f.prompter.dialogs) {
        EXPECT_EQ(d.caption, QStringLiteral("開く"));
        EXPECT_EQ(d.filter, QStringLiteral("分析条件ファイル (*.tqb)|*.tqb|テキストファイル(*.txt)|*.txt"));
    }
}

TEST(MainWindow, SaveProposesTheCaptionOnceThenWritesWithoutAsking)
{
    tq::support::ensureGuiApplication();
    Fixture f;
    auto w = f.window();
    auto* doc = fake(w->activeDocument());

    f.prompter.fileNames = {QString()}; // cancelled: nothing written
    w->action(QStringLiteral("mnuSave"))->trigger();
    f.prompter.fileNames = {QStringLiteral("/tmp/x/first.tqb")};
    w->action(QStringLiteral("mnuSave"))->trigger();
    w->action(QStringLiteral("mnuSave"))->trigger();
    ASSERT_EQ(f.prompter.dialogs.size(), 2u);
    EXPECT_EQ(f.prompter.dialogs[1].caption, QStringLiteral("上書き保存"));
    EXPECT_EQ(f.prompter.dialogs[1].proposed, QStringLiteral("Document 1"));
    EXPECT_EQ(f.prompter.dialogs[1].filter, QStringLiteral("分析条件ファイル (*.tqb)|*.tqb"));
    EXPECT_EQ(doc->calls.filter(QStringLiteral("save")),
              (QStringList{"save /tmp/x/first.tqb", "save /tmp/x/first.tqb"}));
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("first"));

    // Save as names the document only once the file is written.
    doc->saveSucceeds = false;
    f.prompter.fileNames = {QStringLiteral("/tmp/x/second.tqb")};
    w->action(QStringLiteral("mnuSaveAs"))->trigger();
    EXPECT_EQ(f.prompter.dialogs.back().caption, QStringLiteral("名前を付けて保存"));
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("first"));
    EXPECT_EQ(doc->filePath(), QStringLiteral("/tmp/x/first.tqb"));

    // A bet-type document is not saved; the run and the pop-ups reach the active document.
    w->newBetTypeDocument();
    const auto before = f.prompter.dialogs.size();
    w->action(QStringLiteral("mnuSave"))->trigger();
    EXPECT_EQ(f.prompter.dialogs.size(), before);
    w->action(QStringLiteral("tlbAnalyzeExecute"))->trigger();
    w->editPopupMenu()->actions().at(0)->trigger();
    w->conditionPopupMenu()->actions().at(0)->trigger();
    EXPECT_EQ(fake(w->activeDocument())->calls, (QStringList{"run", "copy", "jdel"}));
}

TEST(MainWindow, GetDocTitleTakesTheNameBetweenSeparatorAndExtension)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\data\\race.tqb", "race"},
        {"C:\\data\\a.b.txt", "a.b"},
        {"race.tqb", "race.tqb"},
        {"/home/u/条件.tqb", "条件"},
        {"abc", "abc"},
    };
    for (const auto& [path, title] : cases)
        EXPECT_EQ(GetDocTitle(QString::fromUtf8(path)), QString::fromUtf8(title)) << path;
    EXPECT_EQ(toQtFileFilter(openFileFilter()), QStringLiteral("分析条件ファイル (*.tqb);;テキストファイル(*.txt)"));
    EXPECT_EQ(toQtFileFilter(QStringLiteral("CSV|*.csv;*.txt")), QStringLiteral("CSV (*.csv *.txt)"));
}

TEST(MainWindow, ClosingAsksEachDocumentAndLogsTheEnd)
{
    tq::support::ensureGuiApplication();
    Fixture f;
    auto w = f.window();
    w->show();
    fake(w->activeDocument())->keepOpen = true;
    EXPECT_FALSE(w->close());
    EXPECT_FALSE(QFileInfo::exists(f.settingsFile()));

    // Closing while minimised keeps the geometry stored before.
    fake(w->activeDocument())->keepOpen = false;
    w->showMinimized();
    EXPECT_TRUE(w->close());
    EXPECT_FALSE(QFileInfo::exists(f.settingsFile()));
    const auto entries = f.ctx.errorLog.recentEntries();
    ASSERT_FALSE(entries.isEmpty());
    EXPECT_EQ(entries.back().procedure, QStringLiteral("Form_Unload"));
    EXPECT_EQ(entries.back().description, QStringLiteral("終了しました"));
    EXPECT_TRUE(entries.back().information);
}

TEST(MainWindow, StatusHelpAndScreenshot)
{
    tq::support::ensureGuiApplication();
    Fixture f;
    f.useRealDocuments = true;
    f.ctx.userName = QStringLiteral("鈴木");
    auto w = f.window();
    w->statusLine().setText(QStringLiteral("10:00:00(分析開始) "));
    EXPECT_EQ(w->statusBarPanels()->statusPanel()->text(), QStringLiteral("10:00:00(分析開始) "));
    EXPECT_FALSE(w->statusBarPanels()->timePanel()->text().isEmpty());

    w->action(QStringLiteral("mnuVIZIvev"))->trigger();
    w->action(QStringLiteral("mnuTQAkatu"))->trigger();
    ASSERT_EQ(f.opened.size(), 2);
    EXPECT_EQ(f.opened[0], QUrl::fromLocalFile(QDir(f.temp.path()).filePath(QStringLiteral("VIZIVEV.CHM"))));
    EXPECT_EQ(f.opened[1].scheme(), QStringLiteral("https"));

    const QString png = QDir(f.temp.path()).filePath(QStringLiteral("main.png"));
    w->show();
    ASSERT_TRUE(w->grabMainWindow(png));
    EXPECT_GT(QFileInfo(png).size(), 1000);
    const QString keep = qEnvironmentVariable("TQ_SCREENSHOT");
    if (!keep.isEmpty())
        w->grabMainWindow(keep);
}

TEST(MainWindow, AnalysisDocumentsSaveReopenAndRunThroughTheDocumentCore)
{
    tq::support::ensureGuiApplication();
    Fixture f;
    f.useRealDocuments = true;
    auto w = f.window();
    auto* first = qobject_cast<AnalysisDocumentWindow*>(w->activeDocument());
    ASSERT_NE(first, nullptr);
    first->document().comment = QStringLiteral("芝の逃げ馬");

    const QString path = QDir(f.temp.path()).filePath(QStringLiteral("逃げ.tqb"));
    f.prompter.fileNames = {path, path, QDir(f.temp.path()).filePath(QStringLiteral("missing.tqb"))};
    w->action(QStringLiteral("mnuSave"))->trigger();
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(first->windowTitle(), QStringLiteral("逃げ"));
    EXPECT_EQ(first->document().caption, QStringLiteral("逃げ"));

    w->action(QStringLiteral("mnuOpen"))->trigger();
    auto* reopened = qobject_cast<AnalysisDocumentWindow*>(w->activeDocument());
    ASSERT_NE(reopened, first);
    EXPECT_EQ(reopened->windowTitle(), QStringLiteral("逃げ"));
    EXPECT_EQ(reopened->document().comment, QStringLiteral("芝の逃げ馬"));

    // A file that cannot be read leaves the new document untitled and unsaved.
    w->action(QStringLiteral("mnuOpen"))->trigger();
    EXPECT_EQ(w->activeDocument()->windowTitle(), QStringLiteral("Document 3"));
    EXPECT_TRUE(w->activeDocument()->filePath().isEmpty());

    // Running a document without conditions says so instead of analysing every race.
    w->action(QStringLiteral("mnuAnalyzeExecute"))->trigger();
    EXPECT_TRUE(f.prompter.informed.contains(tq::analysis::noConditionsMessage()));

    // Quitting asks about a modified document; Cancel keeps the program open.
    reopened->analysisWindow()->saveFlgSet(true);
    f.prompter.answers = {Answer::Cancel};
    EXPECT_FALSE(w->close());
    EXPECT_EQ(f.prompter.dialogs.back().caption,
              QStringLiteral("逃げはデータが変更されています。お気に入りに追加しますか？"));
    EXPECT_TRUE(w->documents().contains(reopened));
}

TEST(MainWindow, TilingPutsDocumentsAboveOrBesideEachOther)
{
    tq::support::ensureGuiApplication();
    Fixture f;
    auto w = f.window();
    w->show();
    w->LoadNewDoc();
    const QList<QMdiSubWindow*> subs = w->mdiArea()->subWindowList();
    ASSERT_EQ(subs.size(), 2);
    const QSize area = w->mdiArea()->viewport()->size();

    w->action(QStringLiteral("mnuWindowTileHorizontal"))->trigger();
    EXPECT_EQ(subs[0]->geometry(), QRect(0, 0, area.width(), area.height() / 2));
    EXPECT_EQ(subs[1]->geometry().top(), area.height() / 2);
    EXPECT_EQ(subs[1]->geometry().width(), area.width());

    w->action(QStringLiteral("mnuWindowTileVertical"))->trigger();
    EXPECT_EQ(subs[0]->geometry(), QRect(0, 0, area.width() / 2, area.height()));
    EXPECT_EQ(subs[1]->geometry().left(), area.width() / 2);
    EXPECT_EQ(subs[1]->geometry().height(), area.height());

    // The window menu lists the documents after its own entries.
    QMenu* menu = w->findChild<QMenu*>(QStringLiteral("mnuWindow"));
    emit menu->aboutToShow();
    QStringList listed;
    for (QAction* a : menu->actions())
        if (a->isCheckable())
            listed << a->text();
    EXPECT_EQ(listed, (QStringList{"&1 Document 1", "&2 Document 2"}));
}

TEST(MainWindow, AnalysisDocumentsShareStoredWidthsAndUseThePopUpMenus)
{
    tq::support::ensureGuiApplication();
    Fixture f;
    f.useRealDocuments = true;
    auto w = f.window();
    w->show();
    w->LoadNewDoc();
    w->LoadNewDoc();
    QList<AnalysisDocumentWindow*> docs;
    for (DocumentWindow* d : w->documents())
        docs << qobject_cast<AnalysisDocumentWindow*>(d);
    ASSERT_EQ(docs.size(), 3);
    for (AnalysisDocumentWindow* d : docs) {
        tq::analysis::Sheet& result = d->document().result;
        result.setColumnCount(2);
        result.setHeader(0, QStringLiteral("総件数"));
        result.setHeader(1, QStringLiteral("勝率"));
        result.setColumnWidth(1, 6.0);
    }

    // A width stored by one window reaches every other open window.
    emit docs[0]->analysisWindow()->resultColumnWidthStored(QStringLiteral("勝率"), 11.5);
    EXPECT_DOUBLE_EQ(docs[0]->document().result.columnWidth(1), 6.0); // the sender keeps its own
    EXPECT_DOUBLE_EQ(docs[1]->document().result.columnWidth(1), 11.5);
    EXPECT_DOUBLE_EQ(docs[2]->document().result.columnWidth(1), 11.5);
    // A closed window is left out.
    docs[1]->parentWidget()->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    emit docs[2]->analysisWindow()->resultColumnWidthStored(QStringLiteral("勝率"), 9.0);
    EXPECT_DOUBLE_EQ(docs[0]->document().result.columnWidth(1), 9.0);

    // The horse lists and the result grid ask for the edit menu, a condition row for the condition menu.
    auto* window = docs[0]->analysisWindow();
    for (auto request : {&tq::analysis::ui::AnalysisWindow::listMenuRequested,
                         &tq::analysis::ui::AnalysisWindow::resultMenuRequested}) {
        emit(window->*request)(QPoint(10, 10));
        EXPECT_TRUE(w->editPopupMenu()->isVisible());
        w->editPopupMenu()->hide();
    }
    emit window->conditionMenuRequested(0, QPoint(10, 10));
    EXPECT_TRUE(w->conditionPopupMenu()->isVisible());
    w->conditionPopupMenu()->hide();

    // 削除 removes the active condition row of the active document.
    w->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(docs[0]->parentWidget()));
    tq::conditions::ConditionRow row;
    row.itemName = QStringLiteral("距離");
    docs[0]->document().conditions.rows = {row, row};
    window->refreshFromDocument();
    auto* grid = window->findChild<QTableView*>(QStringLiteral("vaSpread3"));
    grid->setCurrentIndex(grid->model()->index(1, 2));
    w->action(QStringLiteral("mnuJdel"))->trigger();
    EXPECT_EQ(docs[0]->document().conditions.rows.size(), 1u);
    EXPECT_TRUE(docs[0]->document().modified);
}
