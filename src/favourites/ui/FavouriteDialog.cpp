#include "favourites/ui/FavouriteDialog.h"

#include "common/WindowsColour.h"
#include "conditions/Clauses.h"
#include "context/AppContext.h"
#include "favourites/FavouriteStore.h"
#include "favourites/ui/FavouriteDialogPending.h"
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
#include <QSignalBlocker>
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
    if (m_propagating || column != 0 || !(item->flags() & Qt::ItemIsUserCheckable))
        return;
    m_propagating = true;
    // Ticking a group ticks its favourites; ticking the root its groups and
    // top-level favourites (one level only).
    if (!isFavourite(item)) {
        const Qt::CheckState state = item->checkState(0);
        for (int i = 0; i < item->childCount(); ++i)
            item->child(i)->setCheckState(0, state);
    }
    for (QTreeWidgetItem* group = item->parent(); group; group = group->parent())
        reflectMembers(group);
    m_propagating = false;
}

void FavouriteDialog::reflectMembers(QTreeWidgetItem* group)
{
    if (!(group->flags() & Qt::ItemIsUserCheckable) || group->childCount() == 0)
        return;
    int ticked = 0;
    int touched = 0;
    for (int i = 0; i < group->childCount(); ++i) {
        const Qt::CheckState state = group->child(i)->checkState(0);
        ticked += state == Qt::Checked ? 1 : 0;
        touched += state != Qt::Unchecked ? 1 : 0;
    }
    group->setCheckState(0, ticked == group->childCount() ? Qt::Checked
                            : touched > 0                 ? Qt::PartiallyChecked
                                                          : Qt::Unchecked);
}

void FavouriteDialog::reflectAllGroups()
{
    const QSignalBlocker quiet(m_tree);
    for (int i = 0; i < m_root->childCount(); ++i)
        reflectMembers(m_root->child(i));
    reflectMembers(m_root);
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

} // namespace tq::favourites::ui
