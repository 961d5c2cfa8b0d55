#include "shell/ui/MainWindow.h"

#include "appdb/DbLifecycle.h"
#include "appdb/StartupAborted.h"
#include "context/AppContext.h"
#include "derived/MarkColumns.h"
#include "derived/MarkResults.h"
#include "derived/TableBuild.h"
#include "favourites/AddIns.h"
#include "favourites/ProcessStarter.h"
#include "jetimport/ui/JetImportDialog.h"
#include "shell/AddInCheck.h"
#include "shell/ui/AboutBox.h"
#include "shell/ui/AggregateFavouriteCommands.h"
#include "shell/ui/BaseSetDialog.h"
#include "shell/ui/ColourDialog.h"
#include "shell/ui/ConditionEditorLink.h"
#include "shell/ui/FavouriteCommands.h"
#include "shell/ui/MainWindowAnalysisDocument.h"
#include "shell/ui/MainWindowGeometry.h"
#include "shell/ui/MainWindowStatusBar.h"
#include "shell/ui/MenuBuilder.h"
#include "shell/ui/ToolBar.h"
#include "context/ui/WindowFocus.h"
#include "store/Database.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QToolBar>

#include <algorithm>
#include <exception>

namespace tq::shell::ui {

namespace {

const QString kFormName = QStringLiteral("MDIFrmDEVovuved");

} // namespace

MainWindow::MainWindow(context::AppContext& ctx, DocumentWindowFactory* factory, Options options, QWidget* parent)
    : QMainWindow(parent),
      m_ctx(ctx),
      m_factory(factory),
      m_options(std::move(options)),
      m_mdi(new QMdiArea(this)),
      m_status(new MainWindowStatusBar(this))
{
    setObjectName(kFormName);
    if (!m_factory) {
        auto factory = std::make_unique<AnalysisDocumentFactory>(
            m_ctx, *m_status, [this] { return std::make_pair(m_editPopup, m_conditionPopup); });
        factory->setRaceViewer([this] { favourites::subViewShow(m_ctx, *m_options.processStarter); });
        factory->setHistoryViewer([this](analysis::ui::AnalysisWindow& source, const QString& text) {
            showHistoryConditions(m_ctx, *this, source, text);
        });
        m_ownFactory = std::move(factory);
        m_factory = m_ownFactory.get();
    }
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    setStatusBar(m_status);

    BuiltMenus menus = buildMainMenus(menuBar(), this);
    m_actions = menus.actions;
    m_editPopup = menus.editPopup;
    m_conditionPopup = menus.conditionPopup;
    m_windowMenu = menus.windowMenu;
    connect(m_windowMenu, &QMenu::aboutToShow, this, &MainWindow::refreshWindowList);

    connectCommands();

    BuiltToolBar bar = buildMainToolBar(this, m_actions, [this](QAction* command) {
        runReported(QStringLiteral("tlbMain_ButtonMenuClick"), [command] { command->trigger(); });
    });
    m_toolBar = bar.toolBar;
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    for (auto it = bar.buttons.cbegin(); it != bar.buttons.cend(); ++it)
        m_actions.insert(it.key(), it.value());
}

MainWindow::~MainWindow() = default;

void MainWindow::load()
{
    runReported(QStringLiteral("Form_Load"), [this] {
        setWindowTitle(context::AppContext::applicationTitle());
        m_ctx.errorLog.setFormName(kFormName);
        std::unique_ptr<QSettings> settings = openSettings();
        const QRect r = toPixels(readGeometry(*settings), dpiX(), dpiY());
        move(r.topLeft());
        resize(r.size());
        applyHorseListOption(*settings);
        QCoreApplication::processEvents();
        applyDebugMenus();
        applyAddInMenus();
        LoadNewDoc();
    });
}

void MainWindow::applyDebugMenus()
{
    const bool debug = m_ctx.catalogue.debugFlag == 1;
    for (const QString& name : debugOnlyEntries())
        m_actions.value(name)->setVisible(debug);
}

void MainWindow::applyAddInMenus()
{
    const bool registered = isAddInRegistered(m_ctx, graphAddInId());
    m_actions.value(QStringLiteral("mnuREDivor"))->setVisible(registered);
    if (QAction* button = m_actions.value(QStringLiteral("tlbREDivorExecute")))
        button->setVisible(registered);
}

DocumentWindow* MainWindow::addDocument(DocumentKind kind, const QString& caption)
{
    DocumentWindow* doc = m_factory->createWindow(kind);
    doc->setWindowTitle(caption);
    QMdiSubWindow* sub = m_mdi->addSubWindow(doc);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    // A document opens at a readable size that fits the workspace, even
    // before the frame is laid out (the menu, tool and status bars take about
    // 110 pixels of the frame's height).
    const QSize room = m_mdi->isVisible() ? m_mdi->viewport()->size() : size() - QSize(8, 110);
    const QSize fits = room.expandedTo(QSize(320, 200));
    sub->resize(doc->sizeHint().expandedTo(QSize(560, 360)).boundedTo(fits));
    doc->show();
    // The workspace places it below and right of the last one: moved back so
    // that all of it lies in the workspace.
    const QRect placed = sub->geometry();
    sub->move(std::clamp(placed.left(), 0, std::max(0, fits.width() - placed.width())),
              std::clamp(placed.top(), 0, std::max(0, fits.height() - placed.height())));
    m_mdi->setActiveSubWindow(sub);
    return doc;
}

DocumentWindow* MainWindow::LoadNewDoc()
{
    ++m_counter;
    DocumentWindow* doc = addDocument(DocumentKind::WinType, QStringLiteral("Document ") + QString::number(m_counter));
    doc->setAuthor(m_ctx.userName);
    DocumentWindow* active = activeDocument();
    return active ? active : doc;
}

DocumentWindow* MainWindow::newBetTypeDocument()
{
    ++m_counter;
    return addDocument(DocumentKind::BetType, QStringLiteral("UMAREN ") + QString::number(m_counter));
}

DocumentWindow* MainWindow::activeDocument() const
{
    QMdiSubWindow* sub = m_mdi->currentSubWindow();
    return sub ? qobject_cast<DocumentWindow*>(sub->widget()) : nullptr;
}

QList<DocumentWindow*> MainWindow::documents() const
{
    QList<DocumentWindow*> out;
    for (QMdiSubWindow* sub : m_mdi->subWindowList())
        if (auto* doc = qobject_cast<DocumentWindow*>(sub->widget()))
            out << doc;
    return out;
}

void MainWindow::openFile()
{
    const QString path = m_ctx.prompter.openFileName(QStringLiteral("開く"), QString(), openFileFilter());
    if (!path.isEmpty())
        openDocument(path);
}

DocumentWindow* MainWindow::openDocument(const QString& path)
{
    return loadInto(LoadNewDoc(), path);
}

DocumentWindow* MainWindow::loadInto(DocumentWindow* doc, const QString& path)
{
    // A file that could not be read leaves the document without a file, so a
    // later save asks for a name instead of overwriting that file.
    if (!doc->loadConditionFile(path))
        return doc;
    doc->setFilePath(path);
    doc->setWindowTitle(GetDocTitle(path));
    return doc;
}

void MainWindow::viewOpen()
{
    const QString path = m_ctx.prompter.openFileName(QStringLiteral("開く"), QString(), openFileFilter());
    if (!path.isEmpty())
        viewDocument(path);
}

DocumentWindow* MainWindow::viewDocument(const QString& path)
{
    return loadInto(addDocument(DocumentKind::Viewer, GetDocTitle(path)), path);
}

void MainWindow::saveTo(DocumentWindow* doc, const QString& path)
{
    // The caption and file change only once the file is written: a failed
    // save must not make the document look saved under the new name.
    if (!doc->saveConditionFile(path))
        return;
    doc->setFilePath(path);
    doc->setWindowTitle(GetDocTitle(path));
}

void MainWindow::saveFileAs()
{
    DocumentWindow* doc = activeDocument();
    if (!doc || doc->documentKind() == DocumentKind::BetType)
        return;
    const QString path = m_ctx.prompter.saveFileName(QStringLiteral("名前を付けて保存"), QString(), openFileFilter());
    if (path.isEmpty())
        return;
    saveTo(doc, path);
}

void MainWindow::saveFile()
{
    DocumentWindow* doc = activeDocument();
    if (!doc || doc->documentKind() == DocumentKind::BetType)
        return;
    if (!doc->filePath().isEmpty()) {
        doc->saveConditionFile(doc->filePath());
        return;
    }
    const QString path = m_ctx.prompter.saveFileName(QStringLiteral("上書き保存"), doc->windowTitle(), saveFileFilter());
    if (path.isEmpty())
        return;
    saveTo(doc, path);
}

void MainWindow::runAnalysis()
{
    QPointer<DocumentWindow> doc = activeDocument();
    if (!doc)
        return;
    doc->runAnalysis();
    // The run's document stays the one the next command acts on, whatever
    // window the busy window and the run's messages handed the focus to.
    if (doc)
        context::ui::bringToFront(*doc);
}

void MainWindow::prepareDatabase()
{
    m_ctx.busy.show();
    m_ctx.appDb.reset();
    try {
        appdb::subDB_Init(m_ctx);
    } catch (const appdb::StartupAborted&) {
        // The preparation has shown its message and logged the failure; the
        // program cannot go on without its database.
        m_ctx.busy.hide();
        QCoreApplication::exit(1);
        return;
    }
    m_ctx.busy.hide();
    applyAddInMenus();
}

void MainWindow::buildMarkTable(bool today)
{
    QElapsedTimer clock;
    clock.start();
    const derived::MarkBuildResult result = derived::subMarkBunseki(m_ctx, today);
    if (result.outcome == derived::MarkBuildOutcome::Completed)
        statusLine().setText(derived::builtText(derived::markTableName(today), result.rows, clock.elapsed()));
    if (result.outcome != derived::MarkBuildOutcome::Failed)
        return;
    // The build has been rolled back and logged; say so rather than leave the
    // user with an old table that looks new.
    m_ctx.prompter.inform(context::Message{derived::markTableName(today) +
                                      QStringLiteral("を作成できませんでした（以前の表はそのままです）。\r\n") +
                                      result.message,
                                  {}, context::Icon::Exclamation, false});
}

void MainWindow::restoreStandardGeometry()
{
    if (isMaximized() || isMinimized())
        showNormal();
    const QRect r = toPixels(kStandardGeometry, dpiX(), dpiY());
    move(r.topLeft());
    resize(r.size());
}

context::StatusLine& MainWindow::statusLine()
{
    return *m_status;
}

QAction* MainWindow::action(const QString& name) const
{
    return m_actions.value(name);
}

void MainWindow::refreshWindowList()
{
    for (QAction* a : std::as_const(m_windowListActions)) {
        m_windowMenu->removeAction(a);
        a->deleteLater();
    }
    m_windowListActions.clear();
    const QList<QMdiSubWindow*> subs = m_mdi->subWindowList();
    if (subs.isEmpty())
        return;
    m_windowListActions << m_windowMenu->addSeparator();
    QMdiSubWindow* current = m_mdi->currentSubWindow();
    for (int i = 0; i < subs.size(); ++i) {
        QMdiSubWindow* sub = subs[i];
        QString title = sub->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        const QString text = i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title) : title;
        QAction* a = m_windowMenu->addAction(text);
        a->setCheckable(true);
        a->setChecked(sub == current);
        QPointer<QMdiSubWindow> target(sub);
        connect(a, &QAction::triggered, this, [this, target] {
            if (target)
                m_mdi->setActiveSubWindow(target);
        });
        m_windowListActions << a;
    }
}

void MainWindow::openUrl(const QUrl& url)
{
    if (m_options.openUrl)
        m_options.openUrl(url);
    else
        QDesktopServices::openUrl(url);
}

double MainWindow::dpiX() const
{
    const QScreen* s = screen();
    return s ? s->logicalDotsPerInchX() : 96.0;
}

double MainWindow::dpiY() const
{
    const QScreen* s = screen();
    return s ? s->logicalDotsPerInchY() : 96.0;
}

std::unique_ptr<QSettings> MainWindow::openSettings() const
{
    if (!m_options.settingsFile.isEmpty())
        return std::make_unique<QSettings>(m_options.settingsFile, QSettings::IniFormat);
    const QString title = context::AppContext::applicationTitle();
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, title, title);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Each document closes first and may keep itself open (its closing
    // question's Cancel), which keeps the program running.
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (!sub->close()) {
            event->ignore();
            return;
        }
    }
    if (!isMinimized()) {
        std::unique_ptr<QSettings> settings = openSettings();
        writeGeometry(*settings, toTwips(QRect(pos(), size()), dpiX(), dpiY()));
    }
    m_ctx.errorLog.report({0, QStringLiteral("終了しました"), {}}, QStringLiteral("Form_Unload"), 0, true);
    event->accept();
}

bool MainWindow::grabMainWindow(const QString& file)
{
    return grab().save(file, "PNG");
}

} // namespace tq::shell::ui
