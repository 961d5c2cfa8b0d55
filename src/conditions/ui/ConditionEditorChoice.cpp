// The condition editor's opening in its three modes and the choice of group,
// item and target: which rows are highlighted or red, which target options
// are offered and which value frame is shown.

#include "conditions/ui/ConditionEditor.h"

#include "conditions/LookAhead.h"

#include "conditions/ui/ConditionValueFrames.h"
#include "conditions/ui/ListSettingsFrame.h"
#include "context/AppContext.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableWidget>

namespace tq::conditions::ui {

namespace {

const QColor kHighlight(128, 255, 128); // 8454016
const QColor kUsed(255, 0, 0);

void setRed(QTableWidget* list, int row, bool red)
{
    if (QTableWidgetItem* item = list->item(row, 0))
        item->setForeground(red ? QBrush(kUsed) : QBrush());
}

} // namespace

void ConditionEditor::openForConditions(const EditorTarget& target, int row)
{
    m_mode = ConditionMode;
    m_target = target;
    setModal(false);
    show();
    activate(row);
}

void ConditionEditor::startAggregation(const EditorTarget& target, int level)
{
    m_mode = KeyMode;
    m_target = target;
    m_level = level;
    activate(0);
}

int ConditionEditor::openForAggregation(const EditorTarget& target, int level)
{
    startAggregation(target, level);
    return exec();
}

void ConditionEditor::startListSettings()
{
    m_mode = ListMode;
    activate(0);
}

int ConditionEditor::openForListSettings()
{
    startListSettings();
    return exec();
}

void ConditionEditor::retarget(const EditorTarget& target)
{
    if (!isVisible() || m_mode != ConditionMode || isTargeting(target.owner))
        return;
    m_target = target;
    activate(0);
}

bool ConditionEditor::isTargeting(const QObject* owner) const
{
    return hasTarget() && m_target.owner == owner;
}

bool ConditionEditor::hasTarget() const
{
    return m_target.conditions && m_target.owner;
}

int ConditionEditor::currentTarget() const
{
    return std::max(0, m_targetOptions->checkedId());
}

const ConditionItem* ConditionEditor::currentItem() const
{
    if (m_item < 0 || m_item >= static_cast<int>(m_itemsOfGroup.size()))
        return nullptr;
    return m_itemsOfGroup[static_cast<size_t>(m_item)];
}

QString ConditionEditor::currentItemText() const
{
    const ConditionItem* item = currentItem();
    return item ? keyTextOf(item->name, currentTarget()) : QString();
}

void ConditionEditor::activate(int row)
{
    if (isVisible()) {
        raise();
        activateWindow();
    }
    m_extendButton->hide();
    m_extendNote->hide();
    m_frames->showFrame(EditorFrame::None);
    if (m_mode != ConditionMode) {
        // The extended box belongs to the conditions; the other modes close
        // it. A key or list item starts on the current run, not on the
        // target last used for a condition.
        setExtendedMode(false);
        m_targetButtons[0]->setChecked(true);
        const bool list = m_mode == ListMode;
        m_status->setText(list ? QString() : QStringLiteral("集計したい項目を選択して下さい"));
        if (list) {
            m_listSettings->reload();
            m_frames->showFrame(EditorFrame::ListSettings);
        }
        for (int i = 0; i < m_groups->rowCount(); ++i)
            setRed(m_groups, i, !list && hasTarget() && groupInUse(*m_target.conditions, m_groupNames.at(i)));
        chooseGroup(0);
        return;
    }
    if (!hasTarget())
        return;
    m_extendButton->show();
    m_extendNote->show();
    m_status->setText(QStringLiteral("処理中です。しばらくお待ち下さい。"));
    const ConditionSet& set = *m_target.conditions;
    const int count = static_cast<int>(set.rows.size());
    m_rows.edited = std::clamp(row, 0, count);
    const ConditionRow current = m_rows.edited < count ? set.rows[static_cast<size_t>(m_rows.edited)] : ConditionRow{};
    if (current.isExtended()) {
        m_rows.extended = m_rows.edited;
        setExtendedMode(true);
        m_extendedBox->setPlainText(current.value);
    } else {
        m_rows.extended = count;
        setExtendedMode(false);
    }
    for (int i = 0; i < m_groups->rowCount(); ++i)
        setRed(m_groups, i, groupInUse(set, m_groupNames.at(i)));
    chooseGroup(std::max(0, static_cast<int>(m_groupNames.indexOf(current.group))));
    for (int i = 0; i < static_cast<int>(m_itemsOfGroup.size()); ++i) {
        if (m_itemsOfGroup[static_cast<size_t>(i)]->name == current.itemName) {
            chooseItem(i);
            chooseTarget(current.target);
            break;
        }
    }
    m_status->clear();
}

void ConditionEditor::highlight(QTableWidget* list, int index)
{
    for (int i = 0; i < list->rowCount(); ++i) {
        if (QTableWidgetItem* item = list->item(i, 0))
            item->setBackground(i == index ? QBrush(kHighlight) : QBrush(Qt::white));
    }
    const QSignalBlocker block(list);
    list->setCurrentCell(index, 0);
    if (QTableWidgetItem* item = list->item(index, 0))
        list->scrollToItem(item);
}

void ConditionEditor::chooseGroup(int index)
{
    m_item = -1;
    m_itemsOfGroup.clear();
    m_items->setRowCount(0);
    if (index < 0 || index >= m_groupNames.size()) {
        m_group = -1;
        return;
    }
    m_group = index;
    highlight(m_groups, index);
    m_itemsOfGroup = m_context.catalogue.itemsOfGroup(m_groupNames.at(index));
    const bool colour = m_mode != ListMode && hasTarget();
    m_items->setRowCount(static_cast<int>(m_itemsOfGroup.size()));
    for (int i = 0; i < static_cast<int>(m_itemsOfGroup.size()); ++i) {
        const ConditionItem* item = m_itemsOfGroup[static_cast<size_t>(i)];
        auto* cell = new QTableWidgetItem(item->name);
        if (item->knownAfterRace) {
            // Known only after the race: fine for an analysis, useless for a
            // favourite that picks today's runners.
            cell->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
            cell->setToolTip(lookAheadNote());
        }
        m_items->setItem(i, 0, cell);
        const ConditionSet* set = m_target.conditions;
        setRed(m_items, i, colour && funJoukenGyou(*set, item->name, -1) < static_cast<int>(set->rows.size()));
    }
    chooseItem(0);
}

void ConditionEditor::chooseItem(int index)
{
    if (index < 0 || index >= static_cast<int>(m_itemsOfGroup.size()))
        return;
    m_item = index;
    highlight(m_items, index);
    const ConditionItem& item = *m_itemsOfGroup[static_cast<size_t>(index)];
    offerTargets();
    if (m_mode == ConditionMode && hasTarget()) {
        const std::array<bool, kTargetCount> used = targetsInUse(*m_target.conditions, item.name);
        colourTargets(used);
        const auto first = std::find(used.begin(), used.end(), true);
        chooseTarget(first == used.end() ? 0 : static_cast<int>(first - used.begin()));
        return;
    }
    colourTargets({});
    if (m_targetButtons[static_cast<size_t>(currentTarget())]->isHidden() || m_targetOptions->checkedId() < 0)
        m_targetButtons[0]->setChecked(true);
    if (m_mode == KeyMode) {
        RangeChoice choice = m_frames->rangeChoice();
        const bool shown = applyDefaultRange(item.range, choice);
        if (shown)
            m_frames->setRangeChoice(choice);
        m_frames->showFrame(shown ? EditorFrame::Aggregation : EditorFrame::None);
    }
}

void ConditionEditor::offerTargets()
{
    const ConditionItem* item = currentItem();
    const bool comparisons = m_mode != KeyMode || (item && comparisonKeyAllowed(item->type));
    for (int t = 0; t < kTargetCount; ++t)
        m_targetButtons[static_cast<size_t>(t)]->setVisible(comparisons || !isComparisonTarget(t));
}

void ConditionEditor::colourTargets(const std::array<bool, kTargetCount>& used)
{
    for (int t = 0; t < kTargetCount; ++t) {
        QPalette palette = m_targetFrame->palette();
        if (used[static_cast<size_t>(t)])
            palette.setColor(QPalette::WindowText, kUsed);
        m_targetButtons[static_cast<size_t>(t)]->setPalette(palette);
    }
}

void ConditionEditor::chooseTarget(int target)
{
    if (target < 0 || target >= kTargetCount)
        target = 0;
    m_targetButtons[static_cast<size_t>(target)]->setChecked(true);
    const ConditionItem* item = currentItem();
    if (m_mode != ConditionMode || !hasTarget() || !item)
        return;
    const ConditionSet& set = *m_target.conditions;
    m_rows.edited = funJoukenGyou(set, item->name, target);
    m_frames->showFrame(EditorFrame::None);
    const bool existing = m_rows.edited < static_cast<int>(set.rows.size());
    m_frames->setUp(*item, target, existing ? &set.rows[static_cast<size_t>(m_rows.edited)].value : nullptr);
}

void ConditionEditor::targetChanged()
{
    if (m_mode == ConditionMode)
        chooseTarget(currentTarget());
}

void ConditionEditor::drawCurrentRed()
{
    setRed(m_groups, m_group, true);
    setRed(m_items, m_item, true);
    QPalette palette = m_targetFrame->palette();
    palette.setColor(QPalette::WindowText, kUsed);
    m_targetButtons[static_cast<size_t>(currentTarget())]->setPalette(palette);
}

} // namespace tq::conditions::ui
