// The order of the windows as the window manager keeps it, on a real X
// display with a window manager (run-under-window-manager.sh starts Xvfb and
// openbox): after a run the run's document is the active one; a message shown
// during a run or a recalculation lies above the busy window with its OK
// button in view, and a recalculation tells it once; the organizer stays above
// the main window after its own refusal. The order is read from the root
// window's _NET_CLIENT_LIST_STACKING and _NET_ACTIVE_WINDOW.
//
// With TQ_X11_SHOTS set to a directory, the screen is saved there at each
// checked moment.

#include "analysis/ConditionFile.h"
#include "analysis/Run.h"
#include "context/AppContext.h"
#include "context/StatusLine.h"
#include "favourites/OrganizerRows.h"
#include "favourites/Recalculation.h"
#include "favourites/Registration.h"
#include "favourites/ui/FavouriteOrganizer.h"
#include "favourites/ui/FavouriteOrganizerModel.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/StartUpWindow.h"
#include "shell/ui/WindowBusy.h"
#include "store/Database.h"
#include "support/GeneratedData.h"
#include "support/GuiApplication.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace tq {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QString rootProperty(const char* name)
{
    QProcess xprop;
    xprop.start(s("xprop"), {s("-root"), QString::fromLatin1(name)});
    xprop.waitForFinished(5000);
    return QString::fromLatin1(xprop.readAllStandardOutput());
}

QList<WId> windowIds(const QString& property)
{
    QList<WId> ids;
    static const QRegularExpression hex(s("0x[0-9a-fA-F]+"));
    for (auto it = hex.globalMatch(property.section(QLatin1Char('#'), 1)); it.hasNext();)
        ids << WId(it.next().captured().toULongLong(nullptr, 16));
    return ids;
}

// The managed windows, bottom to top.
QList<WId> stackingOrder()
{
    return windowIds(rootProperty("_NET_CLIENT_LIST_STACKING"));
}

WId activeWindow()
{
    const QList<WId> ids = windowIds(rootProperty("_NET_ACTIVE_WINDOW"));
    return ids.isEmpty() ? 0 : ids.first();
}

void saveScreen(const QString& name)
{
    const QString dir = qEnvironmentVariable("TQ_X11_SHOTS");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    QProcess::execute(s("import"), {s("-window"), s("root"), QDir(dir).filePath(name + s(".png"))});
}

// Where a message box stands when it is checked.
struct BoxSeen {
    QString text;
    bool active = false;           // the window manager's active window
    bool aboveBusy = false;        // the busy window hidden or below it
    bool okInView = false;         // on the screen and under none of the program's windows
    WId parentWindow = 0;          // the window it opened over
};

class WindowOrderTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        support::ensureGuiApplication();
        s_data = std::make_unique<support::GeneratedData>(1, 11);
        if (!s_data->ready())
            return;
        // Two favourites on the example's conditions, registered headless.
        context::AppContext& setup = s_data->context();
        for (const char* name : {"東京A", "東京B"}) {
            analysis::AnalysisDocument doc;
            analysis::funJoukenLoad(setup, doc, example());
            context::MemoryStatusLine status;
            analysis::subBunseki(setup, status, doc, true);
            favourites::FavoChoice choice;
            choice.name = s(name);
            favourites::subFavoAdd(setup, doc, choice);
        }
    }
    static void TearDownTestSuite() { s_data.reset(); }

    static QString example() { return s(TQ_SOURCE_DIR "/examples/tokyo-1400-1800.tqb"); }

    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), s("xcb")) << "needs a real X display";
        ASSERT_TRUE(s_data->ready()) << s_data->problem();
        ctx.catalogue = s_data->context().catalogue;
        ctx.appDb = std::move(s_data->context().appDb);
        prompter.setBusy(&busy);
        shell::ui::MainWindow::Options options;
        options.settingsFile = settings.filePath(s("settings.ini"));
        window = std::make_unique<shell::ui::MainWindow>(ctx, nullptr, options);
        prompter.setParent(window.get());
        window->resize(1200, 800);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    void TearDown() override
    {
        window.reset();
        s_data->context().appDb = std::move(ctx.appDb);
    }

    // Runs `work`, checking and answering every message box that opens
    // meanwhile (OK, or the default button of a question).
    std::vector<BoxSeen> answeringBoxes(const std::function<void()>& work, const QString& shotName)
    {
        std::vector<BoxSeen> seen;
        QPointer<QMessageBox> handled;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box == handled)
                return;
            handled = box;
            poll.stop(); // the checks below wait in an event loop of their own
            seen.push_back(check(*box));
            if (seen.size() == 1)
                saveScreen(shotName);
            QPushButton* answer = qobject_cast<QPushButton*>(box->defaultButton());
            if (answer)
                answer->click();
            else
                box->accept();
            poll.start();
        });
        poll.start();
        work();
        poll.stop();
        return seen;
    }

    BoxSeen check(QMessageBox& box)
    {
        BoxSeen seen;
        seen.text = box.text();
        const WId id = box.winId();
        seen.active = QTest::qWaitFor([&] { return activeWindow() == id; }, 3000);
        QTest::qWait(100); // the window manager's restacking settles
        const QList<WId> order = stackingOrder();
        shell::ui::StartUpWindow* busyWindow = busy.window();
        const bool busyShown = busyWindow && busyWindow->isVisible() && order.contains(busyWindow->winId());
        seen.aboveBusy = order.contains(id) && (!busyShown || order.indexOf(busyWindow->winId()) < order.indexOf(id));
        QWidget* ok = box.defaultButton() ? static_cast<QWidget*>(box.defaultButton()) : box.button(QMessageBox::Ok);
        if (ok) {
            const QRect okRect(ok->mapToGlobal(QPoint(0, 0)), ok->size());
            seen.okInView = box.screen()->geometry().contains(okRect);
            for (QWidget* other : QApplication::topLevelWidgets()) {
                if (other == &box || !other->isVisible() || !order.contains(other->winId()))
                    continue;
                if (order.indexOf(other->winId()) > order.indexOf(id) && other->frameGeometry().intersects(okRect))
                    seen.okInView = false;
            }
        }
        seen.parentWindow = box.parentWidget() ? box.parentWidget()->window()->winId() : 0;
        return seen;
    }

    static inline std::unique_ptr<support::GeneratedData> s_data;
    shell::ui::QtPrompter prompter;
    shell::ui::WindowBusy busy;
    context::AppContext ctx{prompter, busy};
    QTemporaryDir settings;
    std::unique_ptr<shell::ui::MainWindow> window;
};

void expectAboveBusyAndInView(const std::vector<BoxSeen>& seen)
{
    for (const BoxSeen& box : seen) {
        SCOPED_TRACE(box.text.toStdString());
        EXPECT_TRUE(box.active);
        EXPECT_TRUE(box.aboveBusy);
        EXPECT_TRUE(box.okInView);
    }
}

TEST_F(WindowOrderTest, ARunFromTheToolbarTellsIncompleteDataAboveTheBusyWindowAndLeavesItsDocumentActive)
{
    shell::ui::DocumentWindow* first = window->LoadNewDoc();
    shell::ui::DocumentWindow* ran = window->openDocument(example());
    ASSERT_NE(first, ran);
    ASSERT_EQ(window->activeDocument(), ran);
    // The focus in the document's conditions, as after a user's click.
    const QList<QAbstractItemView*> views = ran->findChildren<QAbstractItemView*>();
    ASSERT_FALSE(views.isEmpty());
    views.first()->setFocus(Qt::MouseFocusReason);

    QAction* runButton = window->action(s("tlbAnalyzeExecute"));
    ASSERT_NE(runButton, nullptr);
    const std::vector<BoxSeen> seen = answeringBoxes([&] { runButton->trigger(); }, s("run-message-over-busy"));
    ASSERT_FALSE(seen.empty()) << "the generated data has days of preliminary results";
    EXPECT_TRUE(seen.front().text.contains(s("のデータが不完全（又は成績速報版）")));
    expectAboveBusyAndInView(seen);

    EXPECT_TRUE(QTest::qWaitFor([&] { return activeWindow() == window->winId(); }, 3000));
    EXPECT_EQ(window->activeDocument(), ran) << "the run's document stays the active one";
    EXPECT_EQ(busy.window(), nullptr);
    saveScreen(s("run-document-active"));
}

TEST_F(WindowOrderTest, ARecalculationTellsIncompleteDataOnceAboveTheBusyWindow)
{
    favourites::BatchSummary summary;
    const std::vector<BoxSeen> seen = answeringBoxes(
        [&] { summary = favourites::subFavoSaiKeisan(ctx, QString()); }, s("recalculation-message-over-busy"));
    ASSERT_EQ(seen.size(), 1u);
    expectAboveBusyAndInView(seen);
    EXPECT_EQ(summary.updated, 2);
    EXPECT_EQ(summary.incompleteData, 2);
}

TEST_F(WindowOrderTest, DISABLED_TheOrganizerStaysAboveTheMainWindowAfterItsMessage)
{
    QAction* organize = window->action(s("mnuFavoMnt_2"));
    ASSERT_NE(organize, nullptr);
    organize->trigger();
    auto* organizer = window->findChild<favourites::ui::FavouriteOrganizer*>(s("frmFavoSeiri"));
    ASSERT_NE(organizer, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return activeWindow() == organizer->winId(); }, 3000));
    favourites::ui::FavouriteOrganizerModel* model = organizer->model();
    ASSERT_GE(model->rowCount(), 2);

    // Renaming the first favourite to the second's name is refused.
    const QString taken = model->nameAt(1);
    const std::vector<BoxSeen> seen = answeringBoxes(
        [&] { model->setData(model->index(0, favourites::organizer::kName), taken, Qt::EditRole); },
        s("organizer-message"));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, s("「%1」という名前のお気に入りは既に登録されています").arg(taken));
    EXPECT_TRUE(seen[0].active);
    EXPECT_EQ(seen[0].parentWindow, organizer->winId()) << "the message opens over the organizer";

    EXPECT_TRUE(QTest::qWaitFor([&] { return activeWindow() == organizer->winId(); }, 3000));
    const QList<WId> order = stackingOrder();
    EXPECT_GT(order.indexOf(organizer->winId()), order.indexOf(window->winId()));
    saveScreen(s("organizer-after-message"));
    organizer->close();
}

} // namespace
} // namespace tq
