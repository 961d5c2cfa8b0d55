#include "conditions/ui/ValueSearchForm.h"

#include "conditions/ui/ValueSearchModel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace tq::conditions::ui {

namespace {

QPushButton* button(const QString& caption, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

// Columns as wide as their contents, within reason.
void fitColumns(QTableView& grid)
{
    constexpr int kMaxWidth = 240;
    grid.resizeColumnsToContents();
    for (int c = 0; c < grid.model()->columnCount(); ++c)
        grid.setColumnWidth(c, std::min(grid.columnWidth(c), kMaxWidth));
}

} // namespace

ValueSearchForm::ValueSearchForm(ValueSearchList list, const QString& itemName, const QString& startingNames,
                                 QWidget* parent)
    : QDialog(parent), m_model(new ValueSearchModel(std::move(list), this))
{
    setObjectName(QStringLiteral("frmSrch"));
    setWindowTitle(itemName + QStringLiteral("検索"));

    auto* hint =
        new QLabel(QStringLiteral("１つだけ選択するには、ダブルクリック、複数選択するには複数をクリックしてOK"), this);
    hint->setObjectName(QStringLiteral("Label1"));
    hint->setWordWrap(true);

    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("vaSpread1"));
    m_grid->setModel(m_model);
    // The marking colour is the only selection the list shows.
    m_grid->setSelectionMode(QAbstractItemView::NoSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setFocusPolicy(Qt::NoFocus);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setSectionsClickable(true);
    fitColumns(*m_grid);

    m_txtSrch = new QLineEdit(this);
    m_txtSrch->setObjectName(QStringLiteral("txtSrch"));
    auto* search = button(QStringLiteral("検索"), "Command1", this);
    // Enter in the search box searches rather than accepting the dialog.
    search->setDefault(true);
    auto* clear = button(QStringLiteral("選択ｸﾘｱｰ"), "Command2", this);
    auto* ok = button(QStringLiteral("ＯＫ"), "cmdOk", this);
    auto* cancel = button(QStringLiteral("キャンセル"), "cmdCan", this);

    connect(m_grid, &QTableView::clicked, this, [this](const QModelIndex& index) { m_model->toggleMark(index.row()); });
    connect(m_grid, &QTableView::doubleClicked, this, &ValueSearchForm::onDoubleClick);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, m_model, &ValueSearchModel::sortByHeaderClick);
    connect(search, &QPushButton::clicked, this, &ValueSearchForm::onSearch);
    connect(clear, &QPushButton::clicked, m_model, &ValueSearchModel::clearMarks);
    connect(ok, &QPushButton::clicked, this, &ValueSearchForm::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(m_txtSrch, 1);
    searchRow->addWidget(search);
    searchRow->addWidget(clear);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_grid, 1);
    layout->addLayout(searchRow);
    layout->addLayout(buttons);
    resize(500, 440);

    m_model->markNames(startingNames);
    m_txtSrch->setFocus();
}

void ValueSearchForm::onSearch()
{
    const int row = m_model->list().findPrefix(m_txtSrch->text());
    if (row >= 0)
        m_grid->scrollTo(m_model->index(row, 0), QAbstractItemView::PositionAtTop);
}

void ValueSearchForm::onOk()
{
    m_choice = m_model->list().choice();
    accept();
}

void ValueSearchForm::onDoubleClick(const QModelIndex& index)
{
    m_model->mark(index.row());
    onOk();
}

} // namespace tq::conditions::ui
