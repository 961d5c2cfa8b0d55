#include "shell/ui/MainWindowViewerDocument.h"

#include "analysis/ConditionFile.h"
#include "analysis/ui/ViewerWindow.h"
#include "context/AppContext.h"
#include "shell/ui/MainWindowGeometry.h"

#include <QFileInfo>
#include <QLayout>
#include <QScreen>
#include <QVBoxLayout>

namespace tq::shell::ui {

QString viewerNotAnalysedText()
{
    return QStringLiteral("ビュワーで表示している条件は分析できません。\n分析するにはファイルを開いてください。");
}

ViewerDocumentWindow::ViewerDocumentWindow(context::AppContext& ctx, QWidget* parent)
    : DocumentWindow(DocumentKind::Viewer, parent), m_ctx(ctx),
      m_window(new analysis::ui::ViewerWindow(ctx, m_document, this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_window);
}

ViewerDocumentWindow::~ViewerDocumentWindow()
{
    // The viewer refers to the document: it goes before the document member.
    delete m_window;
}

void ViewerDocumentWindow::setAuthor(const QString& author)
{
    m_document.author = author;
    m_window->refreshFromDocument();
}

bool ViewerDocumentWindow::loadConditionFile(const QString& path)
{
    const QFileInfo file(path);
    const bool readable = file.isFile() && file.isReadable();
    analysis::ConditionLoadOptions options;
    options.viewer = true;
    const analysis::ConditionLoadResult loaded = analysis::funJoukenLoad(m_ctx, m_document, path, options);
    m_window->refreshFromDocument();
    m_window->saveFlgSet(false);
    if (loaded.splitterTwips) {
        layout()->activate();
        const QScreen* s = screen();
        m_window->setSplitPosition(common::twipsToPixels(*loaded.splitterTwips, s ? s->logicalDotsPerInchY() : 96.0));
    }
    return readable;
}

bool ViewerDocumentWindow::saveConditionFile(const QString& path)
{
    if (!writeDocumentFile(m_ctx, m_document, path))
        return false;
    m_window->saveFlgSet(false);
    return true;
}

void ViewerDocumentWindow::runAnalysis()
{
    m_ctx.prompter.inform(context::Message{viewerNotAnalysedText(), {}, context::Icon::Information, false});
}

void ViewerDocumentWindow::copySelection()
{
    m_window->copySelection();
}

void ViewerDocumentWindow::deleteConditionRow() {}

} // namespace tq::shell::ui
