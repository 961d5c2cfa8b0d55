#include "favourites/ui/FavouriteDialog.h"

#include "common/WindowsColour.h"
#include "conditions/Clauses.h"
#include "favourites/FavouriteStore.h"
#include "context/AppContext.h"
#include "store/DbError.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>
#include <optional>

namespace tq::favourites::ui {

namespace {

// Twips to pixels at the usual 96 dots per inch (1440 twips per inch).
constexpr int twips(int t)
{
    return t * 96 / 1440;
}

QString captionOf(FavoMode mode)
{
    switch (mode) {
    case FavoMode::Add:
        return QStringLiteral("お気に入りに追加");
    case FavoMode::Open:
        return QStringLiteral("お気に入りを開く");
    case FavoMode::Organise:
        return QStringLiteral("お気に入りの整理");
    case FavoMode::Select:
        return QStringLiteral("お気に入りの選択");
    case FavoMode::Export:
        return QStringLiteral("対象選択");
    }
    return QStringLiteral("お気に入りを開く");
}

} // namespace

// What the tree building still has to add: the rows still to read, the
// group node being filled.
struct FavouriteDialog::Pending {
    std::optional<FavouriteEntryCursor> grouped;
    std::optional<FavouriteEntryCursor> topLevel;
    QStringList groupsOnly; // the add mode's groups
    qsizetype nextGroup = 0;
    QTreeWidgetItem* group = nullptr;
    QString groupName;
    bool anyGroup = false;
    int inGroup = 0; // m: favourites added to the current group
    QTreeWidgetItem* selected = nullptr;
};

FavouriteDialog::FavouriteDialog(context::AppContext& context, FavoChoice& choice, QWidget* parent)
    : QDialog(parent), m_context(context), m_choice(choice)
{
    setObjectName(QStringLiteral("frmFavorite"));
    setWindowTitle(QStringLiteral("お気に入りを開く"));

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("Tree"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setUniformRowHeights(true);
    m_tree->viewport()->installEventFilter(this);
    m_tree->setMinimumSize(260, 300);

    m_nameFrame = new QGroupBox(this);
    m_nameFrame->setObjectName(QStringLiteral("fraName"));
    auto* label = new QLabel(QStringLiteral("名前"), m_nameFrame);
    label->setObjectName(QStringLiteral("Label1"));
    m_txtFavoName = new QLineEdit(m_nameFrame);
    m_txtFavoName->setObjectName(QStringLiteral("txtFavoName"));
    m_txtFavoName->setAutoFillBackground(true);
    m_cmdColor = new QPushButton(QStringLiteral("色変更"), m_nameFrame);
    m_cmdColor->setObjectName(QStringLiteral("cmdColor"));
    m_chkHyouji = new QCheckBox(QStringLiteral("本日のお気に入りに表示する"), m_nameFrame);
    m_chkHyouji->setObjectName(QStringLiteral("chkHyouji"));
    m_lblMsg = new QLabel(QStringLiteral("※チェックされたお気に入りのみ本日のお気に入りに表示されます"), m_nameFrame);
    m_lblMsg->setObjectName(QStringLiteral("lblMsg"));
    m_lblMsg->setWordWrap(true);
    auto* nameLayout = new QGridLayout(m_nameFrame);
    nameLayout->addWidget(label, 0, 0);
    nameLayout->addWidget(m_txtFavoName, 0, 1);
    nameLayout->addWidget(m_cmdColor, 0, 2);
    nameLayout->addWidget(m_chkHyouji, 1, 0, 1, 3);
    nameLayout->addWidget(m_lblMsg, 2, 0, 1, 3);

    m_frmTaishou = new QGroupBox(QStringLiteral("対象を選択して下さい"), this);
    m_frmTaishou->setObjectName(QStringLiteral("frmTaishou"));
    auto* targetLayout = new QVBoxLayout(m_frmTaishou);
    const QString options[] = {QStringLiteral("全てのお気に入り"), QStringLiteral("表示対象のお気に入りのみ"),
                               QStringLiteral("以下でチェックしたお気に入りのみ")};
    for (int i = 0; i < 3; ++i) {
        auto* option = new QRadioButton(options[i], m_frmTaishou);
        option->setObjectName(QStringLiteral("optTaishou%1").arg(i));
        targetLayout->addWidget(option);
        m_optTaishou.push_back(option);
    }
    m_optTaishou[0]->setChecked(true);

    m_cmdNewGroup = new QPushButton(QStringLiteral("新規グループ"), this);
    m_cmdNewGroup->setObjectName(QStringLiteral("cmdNewGroup"));
    m_cmdDel = new QPushButton(QStringLiteral("削除"), this);
    m_cmdDel->setObjectName(QStringLiteral("cmdDel"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdNewGroup);
    buttons->addWidget(m_cmdDel);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_nameFrame);
    layout->addWidget(m_frmTaishou);
    layout->addWidget(m_tree, 1);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, [this] { report(QStringLiteral("OKButton_Click"), [this] { onOk(); }); });
    connect(cancel, &QPushButton::clicked, this,
            [this] { report(QStringLiteral("CancelButton_Click"), [this] { onCancel(); }); });
    connect(m_cmdNewGroup, &QPushButton::clicked, this,
            [this] { report(QStringLiteral("cmdNewGroup_Click"), [this] { onNewGroup(); }); });
    connect(m_cmdDel, &QPushButton::clicked, this,
            [this] { report(QStringLiteral("cmdDel_Click"), [this] { onDelete(); }); });
    connect(m_cmdColor, &QPushButton::clicked, this,
            [this] { report(QStringLiteral("cmdColor_Click"), [this] { onColour(); }); });
    connect(m_tree, &QTreeWidget::itemChanged, this, &FavouriteDialog::onItemChanged);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        report(QStringLiteral("Tree_DblClick"), [this, item] { onDoubleClicked(item); });
    });

    applyMode();
    if (parent) {
        const QPoint origin = parent->window()->geometry().topLeft();
        move(origin + QPoint(twips(1000), twips(500)));
    }
    resize(420, 520);
}

FavouriteDialog::~FavouriteDialog() = default;

void FavouriteDialog::setExportHandler(ExportHandler handler)
{
    m_exportHandler = std::move(handler);
}

void FavouriteDialog::applyMode()
{
    const FavoMode mode = m_choice.mode;
    setWindowTitle(captionOf(mode));
    const bool add = mode == FavoMode::Add;
    const bool organise = mode == FavoMode::Organise;
    const bool exporting = mode == FavoMode::Export;
    m_cmdNewGroup->setVisible(add || organise);
    m_cmdDel->setVisible(organise);
    m_nameFrame->setVisible(!exporting);
    for (QWidget* w : {static_cast<QWidget*>(m_txtFavoName), static_cast<QWidget*>(m_cmdColor),
                       static_cast<QWidget*>(m_chkHyouji), m_nameFrame->findChild<QWidget*>(QStringLiteral("Label1"))})
        w->setVisible(add);
    m_lblMsg->setVisible(organise);
    m_frmTaishou->setVisible(exporting);
    if (organise)
        m_tree->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
}

void FavouriteDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_buildStarted)
        return;
    m_buildStarted = true;
    QTimer::singleShot(0, this, [this] { report(QStringLiteral("Form_Load"), [this] { startBuilding(); }); });
}

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

void FavouriteDialog::report(const QString& handler, const std::function<void()>& body)
{
    try {
        body();
    } catch (const store::DbError& e) {
        m_context.errorLog.report({e.code(), e.describe(), QString()}, handler);
    } catch (const std::exception& e) {
        m_context.errorLog.report({0, QString::fromUtf8(e.what()), QString()}, handler);
    }
}

void FavouriteDialog::setNameColour(qint32 colour)
{
    m_nameColour = colour;
    QPalette palette = m_txtFavoName->palette();
    palette.setColor(QPalette::Base, colour == kNoColour ? QApplication::palette().color(QPalette::Base)
                                                        : QColor(common::redOf(colour), common::greenOf(colour),
                                                                 common::blueOf(colour)));
    m_txtFavoName->setPalette(palette);
}

void FavouriteDialog::onColour()
{
    qint32 colour = m_nameColour == kNoColour ? common::windowsColour(255, 255, 255) : m_nameColour;
    if (m_context.prompter.pickColour(colour))
        setNameColour(colour);
}

void FavouriteDialog::onItemChanged(QTreeWidgetItem* item, int column)
{
    if (m_propagating || column != 0 || isFavourite(item) || !(item->flags() & Qt::ItemIsUserCheckable))
        return;
    // Ticking a group ticks its favourites; ticking the root its groups and
    // top-level favourites (one level only).
    m_propagating = true;
    const Qt::CheckState state = item->checkState(0);
    for (int i = 0; i < item->childCount(); ++i)
        item->child(i)->setCheckState(0, state);
    m_propagating = false;
}

void FavouriteDialog::onDoubleClicked(QTreeWidgetItem* item)
{
    if (m_choice.mode == FavoMode::Open && item && item->childCount() == 0)
        onOk();
}

void FavouriteDialog::onNewGroup()
{
    QTreeWidgetItem* group =
        addNode(m_root, QStringLiteral("R%1").arg(++m_counter), QStringLiteral("新しいグループ"), NodeKind::Group);
    group->setFlags(group->flags() | Qt::ItemIsEditable);
    m_tree->scrollToItem(group);
    m_tree->setCurrentItem(group);
    m_tree->setFocus();
    m_tree->editItem(group, 0);
}

void FavouriteDialog::onDelete()
{
    QTreeWidgetItem* item = selectedNode();
    if (item == m_root || item->childCount() > 0)
        return;
    if (isFavourite(item))
        m_deletions << item->data(0, kTagRole).toString();
    delete item;
    m_tree->setCurrentItem(m_root);
}

void FavouriteDialog::onOk()
{
    if (!m_built)
        return;
    bool close = false;
    switch (m_choice.mode) {
    case FavoMode::Add:
        close = okAdd();
        break;
    case FavoMode::Open:
    case FavoMode::Select:
        close = okOpenOrSelect();
        break;
    case FavoMode::Organise:
        close = okOrganise();
        break;
    case FavoMode::Export:
        close = okExport();
        break;
    }
    if (!close)
        return;
    accept();
    if (m_choice.mode == FavoMode::Export) {
        QCoreApplication::processEvents();
        if (m_exportHandler)
            m_exportHandler(m_choice.exportFilter);
        else
            m_context.prompter.inform({QStringLiteral("お気に入りのエクスポートはまだ利用できません"), QString(),
                                       context::Icon::Exclamation, false});
    }
}

bool FavouriteDialog::okAdd()
{
    m_choice.name = m_txtFavoName->text();
    QTreeWidgetItem* node = selectedNode();
    m_choice.group = node == m_root ? topLevelGroup() : node->text(0);
    m_choice.colour = m_nameColour;
    m_choice.show = m_chkHyouji->isChecked();
    return true;
}

bool FavouriteDialog::okOpenOrSelect()
{
    const bool open = m_choice.mode == FavoMode::Open;
    QTreeWidgetItem* node = selectedNode();
    if (node == m_root) {
        m_context.prompter.inform({open ? QStringLiteral("お気に入り全体を開くことはできません")
                                        : QStringLiteral("お気に入り全体を選択することはできません"),
                                   QString(), context::Icon::Exclamation, true});
        return false;
    }
    if (node->childCount() > 0) {
        if (open) {
            if (m_context.prompter.ask({QStringLiteral("グループ配下をすべて開きますか"), QString(),
                                        context::Icon::Question, true}) != context::Answer::Yes)
                return false;
            m_choice.name = allGroupName();
        } else {
            m_choice.name.clear();
        }
        m_choice.group = node->text(0);
        return true;
    }
    m_choice.name = node->text(0);
    m_choice.group = node->parent() ? node->parent()->text(0) : topLevelGroup();
    return true;
}

bool FavouriteDialog::okOrganise()
{
    std::vector<FavouriteRewrite> rewrites;
    std::vector<QTreeWidgetItem*> stack{m_root};
    // Tree order: depth first, children in order.
    while (!stack.empty()) {
        QTreeWidgetItem* item = stack.back();
        stack.pop_back();
        for (int i = item->childCount() - 1; i >= 0; --i)
            stack.push_back(item->child(i));
        if (isFavourite(item))
            rewrites.push_back({item->data(0, kTagRole).toString(), item->text(0), item->parent()->text(0),
                                item->checkState(0) == Qt::Checked});
    }
    try {
        FavouriteStore(*m_context.appDb).reorganise(m_deletions, rewrites);
    } catch (const FavouriteError& e) {
        m_context.prompter.inform({e.message(), QString(), context::Icon::Exclamation, true});
        return false;
    }
    return true;
}

bool FavouriteDialog::okExport()
{
    if (m_optTaishou[0]->isChecked()) {
        m_choice.exportFilter.clear();
        return true;
    }
    if (m_optTaishou[1]->isChecked()) {
        m_choice.exportFilter = QStringLiteral("WHERE 表示=True");
        return true;
    }
    QStringList ticked;
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        if (isFavourite(*it) && (*it)->checkState(0) == Qt::Checked)
            ticked << QStringLiteral("名称='") + conditions::quoteLiteral((*it)->text(0)) + QLatin1Char('\'');
    if (ticked.isEmpty()) {
        m_context.prompter.inform({QStringLiteral("１件も選択されていません"), QString()});
        return false;
    }
    m_choice.exportFilter = QStringLiteral("WHERE ") + ticked.join(QStringLiteral(" OR "));
    return true;
}

void FavouriteDialog::onCancel()
{
    m_choice.name.clear();
    reject();
}

// --- dragging a favourite onto a group or the root --------------------------

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
    if (!m_dragging && std::abs(at.y() - m_pressAt.y()) > twips(100)) {
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
