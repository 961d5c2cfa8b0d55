// The condition editor's value regions at work: set up for an item and
// target, loaded from a stored value, read back into control values.

#include "conditions/ui/ConditionValueFrames.h"

#include "conditions/Clauses.h"
#include "conditions/LookAhead.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tq::conditions::ui {

namespace {

// Selects `text` in a fixed combo box; a stored text that is no longer among
// the choices is added, so reopening a row never changes its value.
void selectText(QComboBox* box, const QString& text)
{
    int index = box->findText(text);
    if (index < 0) {
        box->addItem(text);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

void fillChoices(QComboBox* from, QComboBox* to, const QStringList& choices)
{
    from->clear();
    to->clear();
    from->addItems(choices);
    to->addItems(choices);
    from->setCurrentIndex(choices.isEmpty() ? -1 : 0);
    to->setCurrentIndex(static_cast<int>(choices.size()) - 1);
}

} // namespace

void ConditionValueFrames::showFrame(EditorFrame frame)
{
    setCurrentIndex(static_cast<int>(frame));
}

EditorFrame ConditionValueFrames::shownFrame() const
{
    return static_cast<EditorFrame>(currentIndex());
}

void ConditionValueFrames::setUp(const ConditionItem& item, int target, const QString* storedValue)
{
    m_type = item.type;
    m_target = target;
    const EditorFrame shown = frameOf(item.type, target);
    const int index = static_cast<int>(shown);
    if (index < static_cast<int>(m_help.size()))
        m_help[static_cast<size_t>(index)]->setText(
            item.knownAfterRace && (target == 0 || isComparisonTarget(target)) ? QString(item.msg + QLatin1Char(' ') + lookAheadNote())
                                                                                : item.msg);
    const QStringList tokens = commaTokens(item.data);
    switch (shown) {
    case EditorFrame::Comparison: {
        m_runLabel->setText(targetCaption(target - 1));
        m_operator->setCurrentIndex(0);
        m_sign->setCurrentIndex(0);
        m_number->clear();
        const bool offset = comparisonTakesOffset(item.type);
        m_sign->setVisible(offset);
        m_number->setVisible(offset);
        break;
    }
    case EditorFrame::Choices: {
        const std::vector<DataEntry> entries = dataEntries(item.data);
        m_choiceCount = std::min(static_cast<int>(entries.size()), kChoiceBoxCount);
        for (int i = 0; i < kChoiceBoxCount; ++i) {
            QCheckBox* check = m_choices[static_cast<size_t>(i)];
            check->setChecked(false);
            check->setVisible(i < m_choiceCount);
            const QString label = i < m_choiceCount ? entries[static_cast<size_t>(i)].label : QString();
            check->setText(QString(label).replace(QLatin1Char('&'), QStringLiteral("&&")));
            check->setProperty("code", i < m_choiceCount ? entries[static_cast<size_t>(i)].code : QString());
        }
        break;
    }
    case EditorFrame::Range:
        m_from->setText(tokens.value(0));
        m_to->setText(tokens.value(1));
        m_firstRun->setChecked(false);
        m_firstRun->setVisible(item.type == 8);
        m_from->setEnabled(true);
        m_to->setEnabled(true);
        break;
    case EditorFrame::RangeChoice:
        fillChoices(m_fromChoice, m_toChoice, item.type == 7 ? tokens.mid(1) : tokens);
        break;
    case EditorFrame::Direct:
        setUpDirect(item);
        break;
    default:
        break;
    }
    showFrame(shown);
    if (storedValue)
        loadValues(item.type, valuesFromStored(item.type, target, *storedValue));
}

void ConditionValueFrames::setUpDirect(const ConditionItem& item)
{
    const bool searchOnly = item.type == 9;
    m_value->clear();
    m_code->clear();
    m_exclude->setChecked(false);
    m_allOf->setChecked(false);
    m_value->setEnabled(!searchOnly);
    m_hint->setText(searchOnly ? QStringLiteral("※直接入力はできません。検索して選択して下さい")
                               : QStringLiteral("※複数指定する場合は\"+\"で連結する"));
    const bool allOf = searchOnly && keyExpressionCount(item.key) >= 2;
    m_allOf->setVisible(allOf);
    m_allOfNote->setVisible(allOf);
    m_searchSource = item.data;
    m_search->setVisible(!item.data.isEmpty());
}

void ConditionValueFrames::loadValues(int type, const EditorValues& v)
{
    switch (shownFrame()) {
    case EditorFrame::Comparison:
        m_operator->setCurrentIndex(v.comparison);
        m_sign->setCurrentIndex(v.sign);
        m_number->setText(v.number);
        break;
    case EditorFrame::Choices:
        for (int i = 0; i < m_choiceCount && i < static_cast<int>(v.ticks.size()); ++i)
            m_choices[static_cast<size_t>(i)]->setChecked(v.ticks[static_cast<size_t>(i)]);
        break;
    case EditorFrame::Range:
        m_from->setText(v.from);
        m_to->setText(v.to);
        if (type == 8)
            m_firstRun->setChecked(v.firstRunOnly);
        break;
    case EditorFrame::RangeChoice:
        selectText(m_fromChoice, v.from);
        selectText(m_toChoice, v.to);
        break;
    case EditorFrame::Direct:
        m_value->setText(v.names);
        m_code->setText(v.codes);
        m_exclude->setChecked(v.exclude);
        m_allOf->setChecked(v.allOf);
        break;
    case EditorFrame::Dates:
        if (v.fromDate.isValid())
            m_fromDate->setDate(v.fromDate);
        if (v.toDate.isValid())
            m_toDate->setDate(v.toDate);
        break;
    default:
        break;
    }
}

EditorValues ConditionValueFrames::values() const
{
    EditorValues v;
    for (int i = 0; i < m_choiceCount; ++i)
        v.ticks.push_back(m_choices[static_cast<size_t>(i)]->isChecked());
    const EditorFrame shown = frameOf(m_type, m_target);
    const bool range = shown == EditorFrame::Range;
    v.from = range ? m_from->text() : m_fromChoice->currentText();
    v.to = range ? m_to->text() : m_toChoice->currentText();
    v.firstRunOnly = m_firstRun->isChecked();
    v.names = m_value->text();
    v.codes = m_code->text();
    v.exclude = m_exclude->isChecked();
    v.allOf = m_allOf->isChecked();
    v.fromDate = m_fromDate->date();
    v.toDate = m_toDate->date();
    v.comparison = m_operator->currentIndex();
    v.sign = m_sign->currentIndex();
    v.number = m_number->text();
    return v;
}

QString ConditionValueFrames::valueText() const
{
    return m_value->text();
}

void ConditionValueFrames::setSearchResult(const QString& names, const QString& codes)
{
    m_value->setText(names);
    m_code->setText(codes);
}

void ConditionValueFrames::setRangeChoice(const RangeChoice& choice)
{
    m_interval->setText(choice.interval);
    m_bounds->setPlainText(choice.bounds);
    const int option = static_cast<int>(choice.option);
    m_rangeOptions->button(option)->setChecked(true);
    onRangeOption(option);
}

RangeChoice ConditionValueFrames::rangeChoice() const
{
    RangeChoice choice;
    choice.option = static_cast<RangeOption>(std::max(0, m_rangeOptions->checkedId()));
    choice.interval = m_interval->text();
    choice.bounds = m_bounds->toPlainText();
    return choice;
}

void ConditionValueFrames::onRangeOption(int option)
{
    const auto kind = static_cast<RangeOption>(option);
    m_interval->setEnabled(kind == RangeOption::Interval || kind == RangeOption::Count);
    m_bounds->setEnabled(kind == RangeOption::Bounds);
    m_rangeMessage->setText(rangeOptionMessage(kind));
}

} // namespace tq::conditions::ui
