// The favourites dialog's tree: built in slices from the store's cursors,
// so that thousands of favourites do not freeze the window, and the nodes it
// is made of.

#include "favourites/ui/FavouriteDialog.h"

#include "common/WindowsColour.h"
#include "context/AppContext.h"
#include "favourites/ui/FavouriteDialogPending.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>

namespace tq::favourites::ui {

QTreeWidgetItem* FavouriteDialog::addNode(QTreeWidgetItem* parent, const QString& key, const QString& text,
                                          NodeKind kind)
{
    static const QIcon groupIcon = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    static const QIcon favouriteIcon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    auto* item = new QTreeWidgetItem;
    item->setText(0, text);
    item->setData(0, kKeyRole, key);
    item->setData(0, kKindRole, int(kind));
    item->setIcon(0, kind == NodeKind::Favourite ? favouriteIcon : groupIcon);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_choice.mode == FavoMode::Organise || m_choice.mode == FavoMode::Export)
        flags |= Qt::ItemIsUserCheckable;
    if (m_choice.mode == FavoMode::Organise)
        flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    if (flags & Qt::ItemIsUserCheckable)
        item->setCheckState(0, Qt::Unchecked);
    if (parent)
        parent->addChild(item);
    return item;
}

void FavouriteDialog::startBuilding()
{
    m_txtFavoName->setText(m_choice.name);
    FavouriteStore store(*m_context.appDb);
    if (m_choice.mode == FavoMode::Add) {
        m_choice.group = topLevelGroup();
        m_chkHyouji->setChecked(true);
        qint32 colour = kNoColour;
        if (const std::optional<Favourite> existing = store.find(m_choice.name)) {
            m_choice.group = existing->group;
            colour = existing->colour;
            m_chkHyouji->setChecked(existing->show);
        }
        setNameColour(colour);
    }
    m_pending = std::make_unique<Pending>();
    if (m_choice.mode == FavoMode::Add) {
        // Only the groups appear: read their names, not every favourite.
        m_pending->groupsOnly = store.groupNames();
    } else {
        m_pending->grouped.emplace(store.openGroupedEntries());
        m_pending->topLevel.emplace(store.openTopLevelEntries());
    }
    m_tree->blockSignals(true);
    m_root = addNode(nullptr, QStringLiteral("ROOT"), topLevelGroup(), NodeKind::Group);
    m_tree->addTopLevelItem(m_root);
    m_root->setExpanded(true);
    m_tree->blockSignals(false);
    m_counter = -1;
    buildSlice();
}

void FavouriteDialog::addGroupNode(const QString& group)
{
    Pending& p = *m_pending;
    p.anyGroup = true;
    p.groupName = group;
    p.group = addNode(m_root, QStringLiteral("R%1").arg(++m_counter), group, NodeKind::Group);
    p.group->setData(0, kTagRole, group);
    p.inGroup = 0;
    if (group == m_choice.group)
        p.selected = p.group;
}

bool FavouriteDialog::addNextNode()
{
    Pending& p = *m_pending;
    const bool ticks = m_choice.mode == FavoMode::Organise;
    if (p.nextGroup < p.groupsOnly.size()) {
        addGroupNode(p.groupsOnly[p.nextGroup++]);
        return true;
    }
    if (p.grouped && !p.grouped->atEnd()) {
        const FavouriteEntry e = p.grouped->next();
        if (!p.anyGroup || e.group != p.groupName)
            addGroupNode(e.group);
        QTreeWidgetItem* item =
            addNode(p.group, p.group->data(0, kKeyRole).toString() + QStringLiteral("C%1").arg(p.inGroup++), e.name,
                    NodeKind::Favourite);
        item->setData(0, kTagRole, e.name);
        if (ticks && e.show)
            item->setCheckState(0, Qt::Checked);
        return true;
    }
    if (p.topLevel && !p.topLevel->atEnd()) {
        const FavouriteEntry e = p.topLevel->next();
        QTreeWidgetItem* item = addNode(m_root, QStringLiteral("R%1").arg(++m_counter), e.name, NodeKind::Favourite);
        item->setData(0, kTagRole, e.name);
        if (ticks && e.show)
            item->setCheckState(0, Qt::Checked);
        return true;
    }
    return false;
}

void FavouriteDialog::buildSlice()
{
    // Work for about 30 ms, then let the event loop run.
    QElapsedTimer clock;
    clock.start();
    m_tree->blockSignals(true);
    bool more = true;
    for (int added = 0; more; ++added) {
        more = addNextNode();
        if (added % 64 == 63 && clock.elapsed() >= m_sliceMs)
            break;
    }
    m_tree->blockSignals(false);
    if (more) {
        QTimer::singleShot(0, this, [this] { report(QStringLiteral("Form_Load"), [this] { buildSlice(); }); });
        return;
    }
    reflectAllGroups();
    QTreeWidgetItem* selected = m_pending->selected ? m_pending->selected : m_root;
    m_tree->setCurrentItem(selected);
    m_tree->scrollToItem(selected);
    m_pending.reset();
    m_built = true;
    emit treeBuilt();
}

bool FavouriteDialog::isFavourite(const QTreeWidgetItem* item)
{
    return item && item->data(0, kKindRole).toInt() == int(NodeKind::Favourite);
}

QTreeWidgetItem* FavouriteDialog::selectedNode() const
{
    QTreeWidgetItem* item = m_tree->currentItem();
    return item ? item : m_root;
}

} // namespace tq::favourites::ui
