// The condition editor's construction: its lists, target options, value
// frames, extended-mode area and placement.

#include "conditions/ui/ConditionEditor.h"

#include "common/Twips.h"
#include "conditions/ui/ConditionValueFrames.h"
#include "conditions/ui/ListSettingsFrame.h"
#include "context/AppContext.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace tq::conditions::ui {

namespace {

QTableWidget* makeList(const QString& name, const QString& heading, QWidget* parent)
{
    auto* list = new QTableWidget(0, 1, parent);
    list->setObjectName(name);
    list->setHorizontalHeaderLabels({heading});
    list->horizontalHeader()->setStretchLastSection(true);
    list->horizontalHeader()->setSectionsClickable(false);
    list->verticalHeader()->hide();
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The chosen row is shown by its own background colour, not by selection.
    list->setSelectionMode(QAbstractItemView::NoSelection);
    // Tab moves on to the next control; the arrow keys choose within the list.
    list->setTabKeyNavigation(false);
    list->setMinimumWidth(150);
    return list;
}

QPushButton* makeButton(const char* name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

ConditionEditor::ConditionEditor(context::AppContext& context, QWidget* parent) : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("frmJouken"));
    setWindowTitle(QStringLiteral("条件設定画面"));
    setSizeGripEnabled(true);

    m_listSettings = new ListSettingsFrame(m_context, [this] { return currentItemText(); });
    m_frames = new ConditionValueFrames(m_listSettings, this);
    connect(m_frames->searchButton(), &QPushButton::clicked, this, &ConditionEditor::search);

    m_ok = makeButton("cmdOk", QStringLiteral("ＯＫ"), this);
    m_close = makeButton("cmdClose", QStringLiteral("閉じる"), this);
    connect(m_ok, &QPushButton::clicked, this, &ConditionEditor::ok);
    connect(m_close, &QPushButton::clicked, this, &ConditionEditor::closeEditor);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_close);

    auto* right = new QVBoxLayout;
    right->addWidget(buildTargets());
    right->addWidget(m_frames, 1);
    right->addLayout(buttons);

    auto* top = new QHBoxLayout;
    top->addWidget(buildLists(), 1);
    top->addLayout(right, 2);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_status->setFrameShape(QFrame::StyledPanel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(buildExtended());
    layout->addWidget(m_status);

    fillGroups();
    setMinimumHeight(twipsToPixels(4230));
    resize(sizeHint().expandedTo(QSize(940, 560)));
}

ConditionEditor::~ConditionEditor() = default;

QWidget* ConditionEditor::buildLists()
{
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    m_groups = makeList(QStringLiteral("grdGroup"), QStringLiteral("情報種類"), box);
    m_items = makeList(QStringLiteral("grdItem"), QStringLiteral("情報名"), box);
    layout->addWidget(m_groups);
    layout->addWidget(m_items);
    connect(m_groups, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 0 && row != m_group)
            chooseGroup(row);
    });
    connect(m_items, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 0 && row != m_item)
            chooseItem(row);
    });
    connect(m_items, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        chooseItem(row);
        if (m_mode == KeyMode)
            ok();
        else if (m_mode == ListMode)
            m_listSettings->add();
    });
    return box;
}

QGroupBox* ConditionEditor::buildTargets()
{
    m_targetFrame = new QGroupBox(QStringLiteral("比較対象"), this);
    m_targetFrame->setObjectName(QStringLiteral("fraTaisyou"));
    auto* grid = new QGridLayout(m_targetFrame);
    m_targetOptions = new QButtonGroup(this);
    for (int t = 0; t < kTargetCount; ++t) {
        auto* option = new QRadioButton(targetCaption(t), m_targetFrame);
        option->setObjectName(QStringLiteral("optTaisyou") + QString::number(t));
        m_targetOptions->addButton(option, t);
        m_targetButtons[static_cast<size_t>(t)] = option;
        // 今走 alone on the first line, then each earlier run beside its comparison.
        grid->addWidget(option, (t + 1) / 2, isComparisonTarget(t) ? 1 : 0);
    }
    grid->setColumnStretch(2, 1);
    connect(m_targetOptions, &QButtonGroup::idClicked, this, [this] { targetChanged(); });
    return m_targetFrame;
}

QWidget* ConditionEditor::buildExtended()
{
    auto* box = new QWidget(this);
    auto* layout = new QGridLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    m_extendButton = makeButton("cmdKakucyou", QStringLiteral("▼拡張モード（高度な条件指定）▼"), box);
    connect(m_extendButton, &QPushButton::clicked, this, &ConditionEditor::toggleExtendedMode);
    // Wide enough for the longer caption, so the note beside it does not move.
    m_extendButton->setMinimumWidth(m_extendButton->sizeHint().width());
    m_extendNote =
        new QLabel(QStringLiteral("※拡張モードでは通常指定できない条件が指定できます（SQLの知識が必要）"), box);
    m_extendNote->setObjectName(QStringLiteral("lblKakucyou"));
    layout->addWidget(m_extendButton, 0, 0);
    layout->addWidget(m_extendNote, 0, 1);

    m_extendedArea = new QWidget(box);
    auto* area = new QHBoxLayout(m_extendedArea);
    area->setContentsMargins(0, 0, 0, 0);
    m_extendedBox = new QPlainTextEdit(m_extendedArea);
    m_extendedBox->setObjectName(QStringLiteral("txtKakucyou"));
    m_extendedBox->setFixedHeight(twipsToPixels(1900));
    auto* confirm = makeButton("cmdKakutei", QStringLiteral("確定"), m_extendedArea);
    connect(confirm, &QPushButton::clicked, this, &ConditionEditor::confirmExtended);
    area->addWidget(m_extendedBox, 1);
    area->addWidget(confirm, 0, Qt::AlignBottom);
    m_extendedArea->hide();
    layout->addWidget(m_extendedArea, 1, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    return box;
}

void ConditionEditor::fillGroups()
{
    // The pedigree group needs the pedigree database; the mark-result group
    // is a debugging aid.
    const bool pedigree = !m_context.ketoDbPath.isEmpty() && QFileInfo::exists(m_context.ketoDbPath);
    const bool debug = m_context.catalogue.debugFlag == 1;
    m_groupNames.clear();
    for (const QString& group : m_context.catalogue.groups) {
        if (group == QStringLiteral("血統") && !pedigree)
            continue;
        if (group == QStringLiteral("印別成績") && !debug)
            continue;
        m_groupNames << group;
    }
    m_groups->setRowCount(static_cast<int>(m_groupNames.size()));
    for (int i = 0; i < m_groupNames.size(); ++i)
        m_groups->setItem(i, 0, new QTableWidgetItem(m_groupNames.at(i)));
}

int ConditionEditor::twipsToPixels(int twips) const
{
    return common::twipsToPixels(twips, logicalDpiY());
}

void ConditionEditor::placeUnderToolBar()
{
    auto* main = qobject_cast<QMainWindow*>(parentWidget());
    if (!main)
        return;
    const QToolBar* bar = main->findChild<QToolBar*>();
    const int barHeight = bar && bar->isVisible() ? bar->height() : 0;
    const QPoint origin = main->geometry().topLeft();
    move(origin.x() + twipsToPixels(100), origin.y() + barHeight + twipsToPixels(650 + 2000));
}

void ConditionEditor::showEvent(QShowEvent* event)
{
    if (!m_placed) {
        m_placed = true;
        placeUnderToolBar();
    }
    QDialog::showEvent(event);
}

} // namespace tq::conditions::ui
