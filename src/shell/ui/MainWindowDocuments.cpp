#include "shell/ui/MainWindowDocuments.h"

#include "shell/AppContext.h"

#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QVBoxLayout>

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

DocumentWindow::DocumentWindow(DocumentKind kind, QWidget* parent) : QWidget(parent), m_kind(kind) {}

PlaceholderDocumentWindow::PlaceholderDocumentWindow(AppContext& ctx, DocumentKind kind, QWidget* parent)
    : DocumentWindow(kind, parent), m_ctx(ctx), m_caption(new QLabel(this)), m_details(new QLabel(this))
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
    m_author = author;
    refresh();
}

bool PlaceholderDocumentWindow::loadConditionFile(const QString& /*path*/)
{
    notAvailable(QStringLiteral("分析条件ファイルの読込"));
    return false;
}

bool PlaceholderDocumentWindow::saveConditionFile(const QString& /*path*/)
{
    notAvailable(QStringLiteral("分析条件ファイルの保存"));
    return false;
}

void PlaceholderDocumentWindow::runAnalysis()
{
    notAvailable(QStringLiteral("分析実行"));
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
    if (event->type() == QEvent::WindowTitleChange)
        refresh();
    DocumentWindow::changeEvent(event);
}

void PlaceholderDocumentWindow::notAvailable(const QString& what)
{
    m_ctx.prompter.inform(Message{what + QStringLiteral("\n") + notImplementedText(), {}, Icon::Information, false});
}

void PlaceholderDocumentWindow::refresh()
{
    m_caption->setText(windowTitle());
    QString details = kindText(documentKind());
    if (!m_author.trimmed().isEmpty())
        details += QStringLiteral("　作者: ") + m_author;
    if (!filePath().isEmpty())
        details += QStringLiteral("\n") + filePath();
    m_details->setText(details);
}

DocumentWindow* PlaceholderDocumentFactory::createWindow(DocumentKind kind)
{
    return new PlaceholderDocumentWindow(m_ctx, kind);
}

} // namespace tq::shell::ui
