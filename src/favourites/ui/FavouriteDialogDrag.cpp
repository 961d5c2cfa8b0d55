// Dragging a favourite onto a group or the root of the favourites dialog's
// tree.

#include "favourites/ui/FavouriteDialog.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTreeWidget>

#include <cstdlib>

namespace tq::favourites::ui {

namespace {

// A drag starts once the pointer has moved 100 twips (at 96 dots per inch).
constexpr int kDragStartPixels = 100 * 96 / 1440;

} // namespace

bool FavouriteDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_tree->viewport() || m_choice.mode != FavoMode::Organise)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            report(QStringLiteral("Tree_MouseDown"), [&] { dragPress(mouse->position().toPoint()); });
        break;
    }
    case QEvent::MouseMove:
        if (m_pressed) {
            report(QStringLiteral("Tree_MouseMove"),
                   [&] { dragMove(static_cast<QMouseEvent*>(event)->position().toPoint()); });
            if (m_dragging)
                return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (m_dragging) {
            report(QStringLiteral("Tree_DragDrop"),
                   [&] { dragRelease(static_cast<QMouseEvent*>(event)->position().toPoint()); });
            return true;
        }
        m_pressed = nullptr;
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void FavouriteDialog::dragPress(const QPoint& at)
{
    QTreeWidgetItem* item = m_tree->itemAt(at);
    m_pressed = isFavourite(item) ? item : nullptr;
    m_pressAt = at;
    m_dragging = false;
}

void FavouriteDialog::dragMove(const QPoint& at)
{
    if (!m_dragging && std::abs(at.y() - m_pressAt.y()) > kDragStartPixels) {
        m_dragging = true;
        m_tree->viewport()->setCursor(Qt::DragMoveCursor);
    }
    if (!m_dragging)
        return;
    QTreeWidgetItem* over = m_tree->itemAt(at);
    if (over && !isFavourite(over))
        markTarget(over);
}

void FavouriteDialog::dragRelease(const QPoint& at)
{
    dragMove(at);
    QTreeWidgetItem* target = m_target;
    QTreeWidgetItem* dragged = m_pressed;
    markTarget(nullptr);
    m_dragging = false;
    m_pressed = nullptr;
    m_tree->viewport()->unsetCursor();
    if (!target || !dragged || dragged->parent() == target)
        return;
    dragged->parent()->removeChild(dragged);
    target->addChild(dragged);
    target->setExpanded(true);
    m_tree->setCurrentItem(dragged);
}

void FavouriteDialog::markTarget(QTreeWidgetItem* target)
{
    if (m_target == target)
        return;
    if (m_target)
        m_target->setData(0, Qt::BackgroundRole, QVariant());
    m_target = target;
    if (m_target)
        m_target->setBackground(0, m_tree->palette().brush(QPalette::Highlight));
}

} // namespace tq::favourites::ui
