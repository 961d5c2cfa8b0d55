#include "shell/ui/MainWindowAnalysisDocument.h"

#include "analysis/ConditionFile.h"
#include "analysis/ui/AnalysisWindow.h"
#include "analysis/ui/ViewerWindow.h"
#include "bettypes/GroupedRun.h"
#include "context/AppContext.h"
#include "shell/ui/FavouriteCommands.h"
#include "shell/ui/MainWindowBetTypeDocument.h"
#include "shell/ui/MainWindowViewerDocument.h"
#include "store/Database.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFileInfo>
#include <QMenu>
#include <QVBoxLayout>

namespace tq::shell::ui {

AnalysisDocumentWindow::AnalysisDocumentWindow(context::AppContext& ctx, context::StatusLine& status, QWidget* parent)
    : DocumentWindow(DocumentKind::WinType, parent), m_ctx(ctx),
      m_window(new analysis::ui::AnalysisWindow(ctx, m_document, this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_window);
    m_window->setStatusLine(&status);
}

AnalysisDocumentWindow::~AnalysisDocumentWindow()
{
    // The analysis window refers to the document: it goes first, before the
    // document member is destroyed (child widgets would outlive it).
    delete m_window;
}

void AnalysisDocumentWindow::setAuthor(const QString& author)
{
    m_document.author = author;
    m_window->refreshFromDocument();
}

bool AnalysisDocumentWindow::loadConditionFile(const QString& path)
{
    const QFileInfo file(path);
    const bool readable = file.isFile() && file.isReadable();
    analysis::funJoukenLoad(m_ctx, m_document, path);
    m_window->refreshFromDocument();
    m_window->saveFlgSet(false);
    return readable;
}

bool AnalysisDocumentWindow::saveConditionFile(const QString& path)
{
    if (!writeDocumentFile(m_ctx, m_document, path))
        return false;
    m_window->saveFlgSet(false);
    return true;
}

void AnalysisDocumentWindow::runAnalysis()
{
    m_window->runAnalysis();
}

void AnalysisDocumentWindow::copySelection()
{
    m_window->copySelection();
}

void AnalysisDocumentWindow::deleteConditionRow()
{
    m_window->deleteConditionRow();
}

void AnalysisDocumentWindow::closeEvent(QCloseEvent* event)
{
    if (m_window->confirmClose())
        event->accept();
    else
        event->ignore();
}

// A result column width one window stores applies to every other open
// window. The connection's context is the factory's guard, so nothing is
// called on a factory that is gone.
template <typename Window> void AnalysisDocumentFactory::shareResultColumnWidths(Window* window)
{
    QObject::connect(
        window, &Window::resultColumnWidthStored, &m_guard,
        [this, window](const QString& header, double width) { shareResultColumnWidth(window, header, width); });
    m_windows.append(window);
}

DocumentWindow* AnalysisDocumentFactory::createWindow(DocumentKind kind)
{
    if (kind == DocumentKind::Viewer)
        return createViewer();
    if (kind == DocumentKind::BetType)
        return new BetTypeDocumentWindow(m_ctx, m_chooser);
    auto* doc = new AnalysisDocumentWindow(m_ctx, m_status);
    analysis::ui::AnalysisWindow* window = doc->analysisWindow();
    window->setBetTypeRun(bettypes::runBetTypeAnalysis);
    window->setBetTypeSql(bettypes::betTypeAnalysisSql);
    if (m_popups) {
        const auto showEditMenu = popupAt(false);
        const auto showConditionMenu = popupAt(true);
        QObject::connect(window, &analysis::ui::AnalysisWindow::resultMenuRequested, doc, showEditMenu);
        QObject::connect(window, &analysis::ui::AnalysisWindow::listMenuRequested, doc, showEditMenu);
        QObject::connect(window, &analysis::ui::AnalysisWindow::conditionMenuRequested, doc,
                         [showConditionMenu](int, const QPoint& at) { showConditionMenu(at); });
    }
    window->setFavouriteRegistration(
        [ctx = &m_ctx, doc](analysis::ui::AnalysisWindow&) { return registerFavourite(*ctx, *doc); });
    window->setFavouritePicker([ctx = &m_ctx, doc](QString& name, bool& wholeGroup) {
        return pickFavourite(*ctx, doc->window(), name, wholeGroup);
    });
    QObject::connect(window, &analysis::ui::AnalysisWindow::raceViewerRequested, doc, [this] {
        if (m_raceViewer)
            m_raceViewer();
    });
    QObject::connect(window, &analysis::ui::AnalysisWindow::historyConditionsRequested, doc,
                     [this, window](const QString& text) {
                         if (m_historyViewer)
                             m_historyViewer(*window, text);
                     });
    shareResultColumnWidths(window);
    return doc;
}

DocumentWindow* AnalysisDocumentFactory::createViewer()
{
    auto* doc = new ViewerDocumentWindow(m_ctx);
    if (m_popups)
        QObject::connect(doc->viewerWindow(), &analysis::ui::ViewerWindow::editMenuRequested, doc, popupAt(false));
    shareResultColumnWidths(doc->viewerWindow());
    return doc;
}

std::function<void(const QPoint&)> AnalysisDocumentFactory::popupAt(bool conditionMenu) const
{
    return [popups = m_popups, conditionMenu](const QPoint& at) {
        const auto menus = popups();
        if (QMenu* menu = conditionMenu ? menus.second : menus.first)
            menu->popup(at);
    };
}

void AnalysisDocumentFactory::shareResultColumnWidth(const QWidget* from, const QString& header, double width)
{
    m_windows.removeAll(nullptr);
    for (const QPointer<QWidget>& other : std::as_const(m_windows)) {
        if (other == from)
            continue;
        if (auto* analysisWindow = qobject_cast<analysis::ui::AnalysisWindow*>(other))
            analysisWindow->applyResultColumnWidth(header, width);
        else if (auto* viewerWindow = qobject_cast<analysis::ui::ViewerWindow*>(other))
            viewerWindow->applyResultColumnWidth(header, width);
    }
}

} // namespace tq::shell::ui
