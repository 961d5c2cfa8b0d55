#include "shell/ui/MainWindowAnalysisDocument.h"

#include "analysis/ConditionFile.h"
#include "analysis/ui/AnalysisWindow.h"
#include "shell/AppContext.h"
#include "store/Database.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFileInfo>
#include <QMenu>
#include <QVBoxLayout>

#include <exception>

namespace tq::shell::ui {

AnalysisDocumentWindow::AnalysisDocumentWindow(AppContext& ctx, StatusLine& status, QWidget* parent)
    : DocumentWindow(DocumentKind::WinType, parent),
      m_ctx(ctx),
      m_window(new analysis::ui::AnalysisWindow(ctx, m_document, this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_window);
    m_window->setStatusLine(&status);
}

AnalysisDocumentWindow::~AnalysisDocumentWindow() = default;

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
    try {
        analysis::saveConditionFile(m_ctx, m_document, path);
    } catch (const std::exception& e) {
        const QString text = QString::fromUtf8(e.what());
        m_ctx.errorLog.report({0, text, {}}, QStringLiteral("subJoukenSave"));
        m_ctx.prompter.inform(Message{text, {}, Icon::Exclamation, false});
        return false;
    }
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
    m_ctx.prompter.inform(
        Message{QStringLiteral("条件の削除\n") + notImplementedText(), {}, Icon::Information, false});
}

void AnalysisDocumentWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowTitleChange)
        m_document.caption = windowTitle();
    DocumentWindow::changeEvent(event);
}

void AnalysisDocumentWindow::closeEvent(QCloseEvent* event)
{
    if (m_window->confirmClose())
        event->accept();
    else
        event->ignore();
}

DocumentWindow* AnalysisDocumentFactory::createWindow(DocumentKind kind)
{
    if (kind != DocumentKind::WinType)
        return m_placeholders.createWindow(kind);
    auto* doc = new AnalysisDocumentWindow(m_ctx, m_status);
    if (m_popups) {
        const Popups popups = m_popups;
        QObject::connect(doc->analysisWindow(), &analysis::ui::AnalysisWindow::resultMenuRequested, doc,
                         [popups](const QPoint& at) {
                             if (QMenu* menu = popups().first)
                                 menu->popup(at);
                         });
        QObject::connect(doc->analysisWindow(), &analysis::ui::AnalysisWindow::conditionMenuRequested, doc,
                         [popups](int, const QPoint& at) {
                             if (QMenu* menu = popups().second)
                                 menu->popup(at);
                         });
    }
    return doc;
}

} // namespace tq::shell::ui
