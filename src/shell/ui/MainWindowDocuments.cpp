#include "shell/ui/MainWindowDocuments.h"

#include "analysis/ConditionFile.h"
#include "analysis/Run.h"
#include "context/AppContext.h"
#include "store/Database.h"

#include <QEvent>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QVBoxLayout>

#include <exception>

namespace tq::shell::ui {

namespace {

QString kindText(DocumentKind kind)
{
    switch (kind) {
    case DocumentKind::WinType: return QStringLiteral("単複分析");
    case DocumentKind::BetType: return QStringLiteral("馬連分析");
    case DocumentKind::Viewer: return QStringLiteral("ビュワー");
    }
    return {};
}

} // namespace

QString notImplementedText()
{
    return QStringLiteral("未実装: この機能はまだ使用できません。");
}

bool writeDocumentFile(context::AppContext& ctx, analysis::AnalysisDocument& document, const QString& path)
{
    try {
        analysis::saveConditionFile(ctx, document, path);
    } catch (const std::exception& e) {
        const QString text = QString::fromUtf8(e.what());
        ctx.errorLog.report({0, text, {}}, QStringLiteral("subJoukenSave"));
        ctx.prompter.inform(context::Message{text, {}, context::Icon::Exclamation, false});
        return false;
    }
    return true;
}

DocumentWindow::DocumentWindow(DocumentKind kind, QWidget* parent) : QWidget(parent), m_kind(kind) {}

void DocumentWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowTitleChange)
        m_document.caption = windowTitle();
    QWidget::changeEvent(event);
}

PlaceholderDocumentWindow::PlaceholderDocumentWindow(context::AppContext& ctx, context::StatusLine& status, DocumentKind kind,
                                                     QWidget* parent)
    : DocumentWindow(kind, parent), m_ctx(ctx), m_statusLine(status), m_caption(new QLabel(this)), m_details(new QLabel(this))
{
    auto* layout = new QVBoxLayout(this);
    QFont big = m_caption->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    m_caption->setFont(big);
    m_caption->setObjectName(QStringLiteral("lblCaption"));
    m_details->setObjectName(QStringLiteral("lblDetails"));
    m_details->setWordWrap(true);
    layout->addWidget(m_caption);
    layout->addWidget(m_details);
    layout->addStretch(1);
    resize(480, 320);
    refresh();
}

void PlaceholderDocumentWindow::setAuthor(const QString& author)
{
    m_document.author = author;
    refresh();
}

bool PlaceholderDocumentWindow::loadConditionFile(const QString& path)
{
    // The reader logs what it cannot read and goes on; a file that cannot be
    // opened at all is the one case the main window must know about.
    const QFileInfo file(path);
    const bool readable = file.isFile() && file.isReadable();
    analysis::ConditionLoadOptions options;
    options.viewer = documentKind() == DocumentKind::Viewer;
    analysis::funJoukenLoad(m_ctx, m_document, path, options);
    refresh();
    return readable;
}

bool PlaceholderDocumentWindow::saveConditionFile(const QString& path)
{
    if (!writeDocumentFile(m_ctx, m_document, path))
        return false;
    refresh();
    return true;
}

void PlaceholderDocumentWindow::runAnalysis()
{
    if (documentKind() != DocumentKind::WinType) {
        notAvailable(QStringLiteral("分析実行"));
        return;
    }
    analysis::subBunseki(m_ctx, m_statusLine, m_document, false);
    refresh();
}

void PlaceholderDocumentWindow::copySelection()
{
    notAvailable(QStringLiteral("コピー"));
}

void PlaceholderDocumentWindow::deleteConditionRow()
{
    notAvailable(QStringLiteral("条件の削除"));
}

void PlaceholderDocumentWindow::changeEvent(QEvent* event)
{
    DocumentWindow::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange)
        refresh();
}

void PlaceholderDocumentWindow::notAvailable(const QString& what)
{
    m_ctx.prompter.inform(context::Message{what + QStringLiteral("\n") + notImplementedText(), {}, context::Icon::Information, false});
}

void PlaceholderDocumentWindow::refresh()
{
    m_caption->setText(windowTitle());
    QString details = kindText(documentKind());
    if (!m_document.author.trimmed().isEmpty())
        details += QStringLiteral("　作者: ") + m_document.author;
    if (!filePath().isEmpty())
        details += QStringLiteral("\n") + filePath();
    details += QStringLiteral("\n条件: %1 行　分析結果: %2 行")
                   .arg(m_document.conditions.rows.size())
                   .arg(m_document.result.rowCount());
    if (!m_document.comment.isEmpty())
        details += QStringLiteral("\n") + m_document.comment;
    m_details->setText(details);
}

DocumentWindow* PlaceholderDocumentFactory::createWindow(DocumentKind kind)
{
    return new PlaceholderDocumentWindow(m_ctx, m_status, kind);
}

} // namespace tq::shell::ui
