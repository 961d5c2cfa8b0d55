#include "shell/ui/MainWindowBetTypeDocument.h"

#include <QApplication>
#include <QClipboard>
#include <QVBoxLayout>

namespace tq::shell::ui {

BetTypeDocumentWindow::BetTypeDocumentWindow(context::AppContext& ctx, bettypes::ui::FavouriteChooser chooser, QWidget* parent)
    : DocumentWindow(DocumentKind::BetType, parent), m_window(new bettypes::ui::BetTypeWindow(ctx, std::move(chooser), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_window);
}

void BetTypeDocumentWindow::runAnalysis()
{
    m_window->runAnalysis();
}

void BetTypeDocumentWindow::copySelection()
{
    QApplication::clipboard()->setText(m_window->selectionText());
}

} // namespace tq::shell::ui
