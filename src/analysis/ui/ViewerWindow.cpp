#include "analysis/ui/ViewerWindow.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/ui/ConditionCaptions.h"
#include "analysis/ui/ConditionGridModel.h"
#include "analysis/ui/ResultGrid.h"
#include "analysis/ui/SheetModel.h"
#include "context/AppContext.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace tq::analysis::ui {

namespace {

constexpr int kKeysPerRow = 5;

QLineEdit* readOnlyBox(const QString& name, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    return box;
}

// A check box that shows a flag of the file: the user cannot change it.
QCheckBox* flagBox(const QString& name, const QString& caption, QWidget* parent)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

// Draws a splitter handle as a raised bar, so it can be seen and grabbed.
void showAsBar(QWidget* handle)
{
    auto* bar = new QFrame(handle);
    bar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bar->setBackgroundRole(QPalette::Mid);
    bar->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(handle);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
}

void setPointSize(QWidget* widget, int size)
{
    if (size <= 0)
        return;
    QFont font = widget->font();
    font.setPointSize(size);
    widget->setFont(font);
}

// The shown texts of the condition grid's selected block: cells separated by
// TAB, rows ended by CR LF; hidden columns are left out.
QString conditionSelectionText(const QTableView& grid, const SheetRange& range)
{
    const QAbstractItemModel& model = *grid.model();
    QString text;
    for (int r = range.firstRow; r <= range.lastRow; ++r) {
        QStringList cells;
        for (int c = range.firstColumn; c <= range.lastColumn; ++c)
            if (!grid.isColumnHidden(c))
                cells << model.data(model.index(r, c)).toString();
        text += cells.join(QLatin1Char('\t')) + QStringLiteral("\r\n");
    }
    return text;
}

} // namespace

ViewerWindow::ViewerWindow(context::AppContext& context, AnalysisDocument& document, QWidget* parent)
    : QWidget(parent), m_context(context), m_document(document)
{
    setObjectName(QStringLiteral("frmView"));

    m_resultGrid = makeGrid(QStringLiteral("vaSpread2"));
    m_resultModel = new SheetModel(&m_document.result, this);
    m_resultGrid->setModel(m_resultModel);
    connect(m_resultGrid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { sortResultGrid(m_document, *m_resultModel, *m_resultGrid, column); });
    connect(m_resultGrid->horizontalHeader(), &QHeaderView::sectionResized, this,
            &ViewerWindow::onResultSectionResized);

    // The bar keeps its place when the window grows: the result grid takes
    // the change.
    m_split = new QSplitter(Qt::Vertical, this);
    m_split->setObjectName(QStringLiteral("cmdSplit"));
    m_split->setChildrenCollapsible(false);
    m_split->setHandleWidth(8);
    m_split->addWidget(buildTop());
    m_split->addWidget(m_resultGrid);
    m_split->setStretchFactor(0, 0);
    m_split->setStretchFactor(1, 1);
    showAsBar(m_split->handle(1));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_split);

    resize(sizeHint());
    refreshFromDocument();
    // Without a position from the file the condition grid shows a few more
    // rows than its minimum and the result grid takes the rest.
    const int top =
        m_split->widget(0)->minimumSizeHint().height() + 3 * m_conditionGrid->verticalHeader()->defaultSectionSize();
    m_split->setSizes({top, std::max(0, sizeHint().height() - top)});
}

ViewerWindow::~ViewerWindow() = default;

QSize ViewerWindow::sizeHint() const
{
    return {960, 680};
}

QTableView* ViewerWindow::makeGrid(const QString& name)
{
    QTableView* grid = makeSheetGrid(name, 4, m_context.catalogue.fontSize);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this, grid](const QPoint& pos) { emit editMenuRequested(grid->viewport()->mapToGlobal(pos)); });
    return grid;
}

QWidget* ViewerWindow::buildTop()
{
    auto* top = new QWidget;
    auto* layout = new QVBoxLayout(top);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* notes = new QGridLayout;
    auto* lblComment = new QLabel(QStringLiteral("コメント"), top);
    lblComment->setObjectName(QStringLiteral("lblComment"));
    m_txtComment = readOnlyBox(QStringLiteral("txtComment"), top);
    setPointSize(lblComment, m_context.catalogue.fontSize);
    setPointSize(m_txtComment, m_context.catalogue.fontSize);
    m_txtUser = readOnlyBox(QStringLiteral("txtUser"), top);
    notes->addWidget(lblComment, 0, 0);
    notes->addWidget(m_txtComment, 0, 1);
    notes->addWidget(new QLabel(QStringLiteral("作者名"), top), 1, 0);
    notes->addWidget(m_txtUser, 1, 1);
    layout->addLayout(notes);
    layout->addWidget(buildKeys());
    layout->addWidget(buildFavourites());

    m_conditionGrid = makeGrid(QStringLiteral("vaSpread3"));
    m_conditionModel = new ConditionGridModel(m_document.conditions, this);
    m_conditionModel->setReadOnly(true);
    m_conditionGrid->setModel(m_conditionModel);
    m_conditionGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    layOutConditionGrid(*m_conditionGrid);
    layout->addWidget(m_conditionGrid, 1);
    return top;
}

QWidget* ViewerWindow::buildKeys()
{
    auto* keys = new QWidget;
    keys->setObjectName(QStringLiteral("picSyukei"));
    auto* grid = new QGridLayout(keys);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(2);
    for (int i = 0; i < conditions::kAggregationLevels; ++i) {
        auto* cell = new QWidget(keys);
        auto* cellLayout = new QHBoxLayout(cell);
        cellLayout->setContentsMargins(0, 0, 0, 0);
        cellLayout->addWidget(new QLabel(keyLevelCaption(i), cell));
        m_txtKomoku[std::size_t(i)] = readOnlyBox(QStringLiteral("txtKomoku%1").arg(i), cell);
        cellLayout->addWidget(m_txtKomoku[std::size_t(i)], 1);
        grid->addWidget(cell, i / kKeysPerRow, i % kKeysPerRow);
        m_keyCells[std::size_t(i)] = cell;
    }
    for (int c = 0; c < kKeysPerRow; ++c)
        grid->setColumnStretch(c, 1);
    return keys;
}

QWidget* ViewerWindow::buildFavourites()
{
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* link = new QHBoxLayout;
    link->addWidget(new QLabel(QStringLiteral("他のお気に入りとのリンク"), box));
    m_txtFavorite = readOnlyBox(QStringLiteral("txtFavorite"), box);
    link->addWidget(m_txtFavorite, 1);
    m_chkFavoGroup = flagBox(QStringLiteral("chkFavoGroup"), QStringLiteral("グループ全体を指定"), box);
    m_chkFavorite = flagBox(QStringLiteral("chkFavorite"), QStringLiteral("レースの絞込み条件として使用する"), box);
    m_lblHaving = new QLabel(box);
    m_lblHaving->setObjectName(QStringLiteral("lblHaving"));
    link->addWidget(m_chkFavoGroup);
    link->addWidget(m_chkFavorite);
    link->addWidget(m_lblHaving);
    layout->addLayout(link);

    m_axis = new QWidget(box);
    auto* axis = new QHBoxLayout(m_axis);
    axis->setContentsMargins(0, 0, 0, 0);
    m_lblJiku = new QLabel(m_axis);
    m_lblJiku->setObjectName(QStringLiteral("lblJiku"));
    m_txtJiku = readOnlyBox(QStringLiteral("txtJiku"), m_axis);
    m_chkJikuGroup = flagBox(QStringLiteral("chkJikuGroup"), QStringLiteral("グループ全体を指定"), m_axis);
    axis->addWidget(m_lblJiku);
    axis->addWidget(m_txtJiku, 1);
    axis->addWidget(m_chkJikuGroup);
    layout->addWidget(m_axis);
    return box;
}

void ViewerWindow::refreshFromDocument()
{
    const conditions::ConditionSet& set = m_document.conditions;
    m_txtComment->setText(m_document.comment);
    m_txtComment->setCursorPosition(0);
    m_txtUser->setText(m_document.author);
    bool anyKey = false;
    for (std::size_t i = 0; i < m_txtKomoku.size(); ++i) {
        m_txtKomoku[i]->setText(set.keys[i].key);
        m_keyCells[i]->setVisible(set.keys[i].inUse());
        anyKey = anyKey || set.keys[i].inUse();
    }
    m_keyCells[0]->parentWidget()->setVisible(anyKey);

    const conditions::FavouriteFilter& fav = set.favourite;
    m_txtFavorite->setText(fav.name);
    m_chkFavoGroup->setChecked(fav.wholeGroup);
    m_chkFavorite->setChecked(fav.isFavourite);
    m_lblHaving->setText(
        QStringLiteral("レース中の該当件数が %1 %2 の場合のみ対象").arg(fav.havingOperator, fav.havingNumber));
    m_lblHaving->setVisible(fav.isFavourite);

    const int kind = int(set.kind);
    m_axis->setVisible(kind == 2 || kind == 3);
    m_lblJiku->setText(axisFavouriteCaption(kind));
    m_txtJiku->setText(set.axisFavourite);
    m_chkJikuGroup->setChecked(set.axisWholeGroup);

    m_conditionModel->refresh();
    m_resultModel->refresh();
    applyColumnWidths(*m_resultGrid, m_document.result);
}

void ViewerWindow::setSplitPosition(int pixels)
{
    layout()->activate();
    const int room = std::max(0, m_split->height() - m_split->handleWidth());
    const int top = std::clamp(pixels - m_split->y(), 0, room);
    m_split->setSizes({top, room - top});
}

int ViewerWindow::splitPosition() const
{
    return m_split->y() + m_split->handle(1)->y();
}

void ViewerWindow::saveFlgSet(bool modified)
{
    m_document.modified = modified;
}

void ViewerWindow::copySelection()
{
    if (m_conditionGrid->hasFocus()) {
        if (const auto range = selectedRange(*m_conditionGrid))
            QApplication::clipboard()->setText(conditionSelectionText(*m_conditionGrid, *range));
        return;
    }
    if (const auto range = selectedRange(*m_resultGrid))
        QApplication::clipboard()->setText(m_document.result.toTsv(*range));
}

void ViewerWindow::onResultSectionResized(int column, int, int newSize)
{
    if (const auto width = keepResizedColumn(m_context.appDb.get(), m_document.result, *m_resultGrid, column, newSize))
        emit resultColumnWidthStored(m_document.result.header(column), *width);
}

void ViewerWindow::applyResultColumnWidth(const QString& header, double width)
{
    applyWidthOfHeader(m_document.result, *m_resultGrid, header, width);
}

} // namespace tq::analysis::ui
