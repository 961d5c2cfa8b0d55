// The construction of the condition editor's value regions: their
// captions, controls and notes.

#include "conditions/ui/ConditionValueFrames.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tq::conditions::ui {

namespace {

QString name(const char* base, int index)
{
    return QString::fromLatin1(base) + QString::number(index);
}

QLabel* note(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

ConditionValueFrames::ConditionValueFrames(QWidget* listSettingsPage, QWidget* parent) : QStackedWidget(parent)
{
    setObjectName(QStringLiteral("fraValues"));
    buildChoices();
    buildRange();
    buildRangeChoice();
    buildDirect();
    buildDates();
    buildComparison();
    addWidget(listSettingsPage);
    buildAggregation();
    addWidget(new QWidget(this)); // None
    showFrame(EditorFrame::None);
}

QGroupBox* ConditionValueFrames::frame(int index, const QString& caption)
{
    auto* box = new QGroupBox(caption, this);
    box->setObjectName(name("fraJouken", index));
    addWidget(box);
    return box;
}

QLabel* ConditionValueFrames::helpLine(QWidget* parent)
{
    const int index = indexOf(parent);
    auto* label = note(QString(), parent);
    label->setObjectName(name("lblHelp", index));
    m_help[static_cast<size_t>(index)] = label;
    return label;
}

void ConditionValueFrames::buildChoices()
{
    QGroupBox* box = frame(0, QStringLiteral("選択条件（選択したい条件をチェックします）※複数選択可"));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(helpLine(box));
    auto* grid = new QGridLayout;
    for (int i = 0; i < kChoiceBoxCount; ++i) {
        auto* check = new QCheckBox(box);
        check->setObjectName(name("chkSentaku", i));
        // Hidden boxes keep their place, so the columns stay where they are
        // whatever the number of entries.
        QSizePolicy policy = check->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        check->setSizePolicy(policy);
        grid->addWidget(check, i / 5, i % 5);
        m_choices[static_cast<size_t>(i)] = check;
    }
    for (int column = 0; column < 5; ++column)
        grid->setColumnStretch(column, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
}

void ConditionValueFrames::buildRange()
{
    QGroupBox* box = frame(1, QStringLiteral("範囲指定（条件の範囲を指定する）"));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(helpLine(box));
    auto* row = new QHBoxLayout;
    m_from = new QLineEdit(box);
    m_from->setObjectName(QStringLiteral("txtFrom"));
    m_to = new QLineEdit(box);
    m_to->setObjectName(QStringLiteral("txtTo"));
    row->addWidget(m_from);
    row->addWidget(new QLabel(QStringLiteral("～"), box));
    row->addWidget(m_to);
    row->addStretch(1);
    layout->addLayout(row);
    m_firstRun = new QCheckBox(QStringLiteral("初出走のみ"), box);
    m_firstRun->setObjectName(QStringLiteral("chkSyosyutsu"));
    connect(m_firstRun, &QCheckBox::toggled, this, [this](bool on) {
        m_from->setEnabled(!on);
        m_to->setEnabled(!on);
    });
    layout->addWidget(m_firstRun);
    layout->addStretch(1);
}

void ConditionValueFrames::buildRangeChoice()
{
    QGroupBox* box = frame(2, QStringLiteral("範囲選択（条件の範囲をコンボボックスから選択する）"));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(helpLine(box));
    auto* row = new QHBoxLayout;
    m_fromChoice = new QComboBox(box);
    m_fromChoice->setObjectName(QStringLiteral("cboFrom"));
    m_toChoice = new QComboBox(box);
    m_toChoice->setObjectName(QStringLiteral("cboTo"));
    for (QComboBox* combo : {m_fromChoice, m_toChoice}) {
        combo->setMinimumContentsLength(8);
        combo->setMaxVisibleItems(20);
    }
    row->addWidget(m_fromChoice);
    row->addWidget(new QLabel(QStringLiteral("～"), box));
    row->addWidget(m_toChoice);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(1);
}

void ConditionValueFrames::buildDirect()
{
    QGroupBox* box = frame(3, QStringLiteral("直接指定（抜き出す条件を直接指定）※検索可能"));
    auto* layout = new QGridLayout(box);
    layout->addWidget(helpLine(box), 0, 0, 1, 3);
    m_value = new QLineEdit(box);
    m_value->setObjectName(QStringLiteral("txtValue"));
    m_code = new QLineEdit(box);
    m_code->setObjectName(QStringLiteral("txtCode"));
    m_code->hide();
    m_search = new QPushButton(QStringLiteral("検索"), box);
    m_search->setObjectName(QStringLiteral("cmdSrch"));
    layout->addWidget(m_value, 1, 0, 1, 2);
    layout->addWidget(m_search, 1, 2);
    m_hint = note(QString(), box);
    m_hint->setObjectName(QStringLiteral("lblHint"));
    layout->addWidget(m_hint, 2, 0, 1, 3);
    m_exclude = new QCheckBox(QStringLiteral("以外"), box);
    m_exclude->setObjectName(QStringLiteral("chkIgai"));
    layout->addWidget(m_exclude, 3, 0);
    layout->addWidget(note(QStringLiteral("指定した条件以外を抜き出す場合はチェック"), box), 3, 1, 1, 2);
    m_allOf = new QCheckBox(QStringLiteral("AND条件"), box);
    m_allOf->setObjectName(QStringLiteral("chkAnd"));
    m_allOfNote = note(QStringLiteral("全て該当するもののみ対象"), box);
    m_allOfNote->setObjectName(QStringLiteral("lblAnd"));
    layout->addWidget(m_allOf, 4, 0);
    layout->addWidget(m_allOfNote, 4, 1, 1, 2);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(5, 1);
}

void ConditionValueFrames::buildDates()
{
    QGroupBox* box = frame(4, QStringLiteral("日付範囲指定（日付の範囲をカレンダーから選択する）"));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(helpLine(box));
    auto* row = new QHBoxLayout;
    m_fromDate = new QDateEdit(QDate::currentDate(), box);
    m_fromDate->setObjectName(QStringLiteral("dtpFrom"));
    m_toDate = new QDateEdit(QDate::currentDate(), box);
    m_toDate->setObjectName(QStringLiteral("dtpTo"));
    for (QDateEdit* date : {m_fromDate, m_toDate}) {
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    }
    row->addWidget(m_fromDate);
    row->addWidget(new QLabel(QStringLiteral("～"), box));
    row->addWidget(m_toDate);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(1);
}

void ConditionValueFrames::buildComparison()
{
    QGroupBox* box = frame(5, QStringLiteral("今走と前走の比較条件"));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(helpLine(box));
    layout->addWidget(note(QStringLiteral("※今走と前走の比較式を入力します"), box));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("今走"), box));
    m_operator = new QComboBox(box);
    m_operator->setObjectName(QStringLiteral("cboHikaku"));
    m_operator->addItems({QStringLiteral("＝"), QStringLiteral("≠"), QStringLiteral("＞"), QStringLiteral("＜"),
                          QStringLiteral("≧"), QStringLiteral("≦")});
    row->addWidget(m_operator);
    m_runLabel = new QLabel(box);
    m_runLabel->setObjectName(QStringLiteral("lblZensou"));
    row->addWidget(m_runLabel);
    m_sign = new QComboBox(box);
    m_sign->setObjectName(QStringLiteral("cboFugou"));
    m_sign->addItems({QString(), QStringLiteral("+"), QStringLiteral("-")});
    row->addWidget(m_sign);
    m_number = new QLineEdit(box);
    m_number->setObjectName(QStringLiteral("txtSuuti"));
    m_number->setMaximumWidth(100);
    row->addWidget(m_number);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addWidget(note(QStringLiteral("例）今走と前走が違う（騎手乗り代わり等）は「今走≠前走」"), box));
    layout->addWidget(note(QStringLiteral("例）前走より１０以上UPを条件にする場合は「今走≧前走＋１０」"), box));
    layout->addStretch(1);
}

void ConditionValueFrames::buildAggregation()
{
    QGroupBox* box = frame(7, QStringLiteral("集計単位の設定"));
    auto* layout = new QGridLayout(box);
    m_rangeOptions = new QButtonGroup(this);
    const QString captions[] = {QStringLiteral("そのままの値で集計"), QStringLiteral("一定間隔毎に集計→"),
                                QStringLiteral("範囲を指定して集計→"), QStringLiteral("指定した件数毎に集計→")};
    // Drawn in the order 0, 1, 3, 2 so that both options using box 0 stand beside it.
    const int rowOf[] = {0, 1, 3, 2};
    for (int i = 0; i < 4; ++i) {
        auto* option = new QRadioButton(captions[i], box);
        option->setObjectName(name("optRange", i));
        m_rangeOptions->addButton(option, i);
        layout->addWidget(option, rowOf[i], 0);
    }
    m_interval = new QLineEdit(box);
    m_interval->setObjectName(QStringLiteral("txtRange0"));
    layout->addWidget(m_interval, 1, 1, 2, 1);
    m_bounds = new QPlainTextEdit(box);
    m_bounds->setObjectName(QStringLiteral("txtRange1"));
    m_bounds->setMaximumHeight(4 * fontMetrics().height());
    layout->addWidget(m_bounds, 3, 1, 2, 1);
    m_rangeMessage = note(QString(), box);
    m_rangeMessage->setObjectName(QStringLiteral("lblRangeMsg"));
    layout->addWidget(m_rangeMessage, 5, 0, 1, 2);
    layout->addWidget(
        note(QStringLiteral("集計する単位をデフォルトから変更することができます。（保存はされません）"), box), 6, 0, 1,
        2);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(7, 1);
    connect(m_rangeOptions, &QButtonGroup::idClicked, this, &ConditionValueFrames::onRangeOption);
    setRangeChoice(RangeChoice{});
}

} // namespace tq::conditions::ui
