// The condition editor's commands: ＯＫ in its three modes, the extended mode
// with 確定, 閉じる and the value search.

#include "conditions/ui/ConditionEditor.h"

#include "conditions/Clauses.h"
#include "conditions/ui/ConditionValueFrames.h"
#include "conditions/ui/ListSettingsFrame.h"
#include "conditions/ui/ValueSearchDialog.h"
#include "context/AppContext.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include <exception>

namespace tq::conditions::ui {

void ConditionEditor::ok()
{
    try {
        switch (m_mode) {
        case ConditionMode:
            okConditions();
            break;
        case KeyMode:
            okAggregation();
            break;
        case ListMode:
            okListSettings();
            break;
        }
    } catch (const ClauseError& e) {
        m_context.errorLog.report({e.number(), QString::fromUtf8(e.what()), {}}, QStringLiteral("cmdOk_Click"));
    } catch (const std::exception& e) {
        m_context.errorLog.report({0, QString::fromUtf8(e.what()), {}}, QStringLiteral("cmdOk_Click"));
    }
}

void ConditionEditor::okConditions()
{
    const ConditionItem* item = currentItem();
    if (!hasTarget() || !item)
        return;
    const int target = currentTarget();
    const EditorValues values = m_frames->values();
    if (m_extended) {
        m_extendedBox->setPlainText(
            appendClause(m_context.catalogue, m_extendedBox->toPlainText(), *item, target, values));
        return;
    }
    ConditionSet& set = *m_target.conditions;
    // The row is looked up again: the document may have lost rows since the
    // item was chosen, and an (item, target) pair must stay on one row.
    m_rows.edited = funJoukenGyou(set, item->name, target);
    const MadeCondition made = subJoukenMake(m_context.catalogue, *item, target, values);
    drawCurrentRed();
    writeCondition(set, m_rows, *item, target, made);
    if (m_target.changed)
        m_target.changed();
}

void ConditionEditor::okAggregation()
{
    const ConditionItem* item = currentItem();
    if (!hasTarget() || !item)
        return;
    ConditionSet& set = *m_target.conditions;
    AggregationKey& key = set.keys[static_cast<size_t>(lowestEmptyLevel(set, m_level))];
    key.key = keyTextOf(item->name, currentTarget());
    key.range = m_frames->shownFrame() == EditorFrame::Aggregation ? rangeSpecOf(m_frames->rangeChoice()) : RangeSpec{};
    if (m_target.changed)
        m_target.changed();
    accept();
}

void ConditionEditor::okListSettings()
{
    // A refused store is in the log; the dialog stays open with the list.
    if (m_listSettings->store())
        accept();
}

void ConditionEditor::closeEditor()
{
    setExtendedMode(false);
    reject();
}

void ConditionEditor::toggleExtendedMode()
{
    setExtendedMode(!m_extended);
}

void ConditionEditor::setExtendedMode(bool on)
{
    if (on == m_extended)
        return;
    m_extended = on;
    if (on) {
        m_collapsedHeight = height();
        const int count = hasTarget() ? static_cast<int>(m_target.conditions->rows.size()) : 0;
        const bool existing = m_rows.extended >= 0 && m_rows.extended < count;
        m_extendedBox->setPlainText(existing ? m_target.conditions->rows[static_cast<size_t>(m_rows.extended)].value
                                             : QString());
        m_extendedArea->show();
        m_extendButton->setText(QStringLiteral("▲拡張モード解除▲"));
        setMinimumHeight(twipsToPixels(6315));
        resize(width(), m_collapsedHeight + m_extendedBox->height() + twipsToPixels(100));
        return;
    }
    m_extendedArea->hide();
    m_extendButton->setText(QStringLiteral("▼拡張モード（高度な条件指定）▼"));
    setMinimumHeight(twipsToPixels(4230));
    if (m_collapsedHeight > 0)
        resize(width(), m_collapsedHeight);
}

void ConditionEditor::confirmExtended()
{
    if (!hasTarget())
        return;
    writeExtended(*m_target.conditions, m_rows, m_extendedBox->toPlainText());
    if (m_target.changed)
        m_target.changed();
    setExtendedMode(false);
}

void ConditionEditor::search()
{
    const ConditionItem* item = currentItem();
    if (!item)
        return;
    const std::optional<SearchChoice> choice =
        searchValues(m_context, item->name, m_frames->searchSource(), m_frames->valueText(), m_frames->searchButton());
    if (choice)
        m_frames->setSearchResult(choice->names, choice->codes);
}

} // namespace tq::conditions::ui
