// The list and history tabs of the analysis window, filling the controls from
// the document, and the closing question.

#include "analysis/ui/AnalysisWindow.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/ConditionFile.h"
#include "analysis/HorseList.h"
#include "analysis/ResultDisplay.h"
#include "analysis/ui/ConditionGridModel.h"
#include "analysis/ui/ResultGrid.h"
#include "analysis/ui/SheetModel.h"
#include "common/TextFile.h"
#include "context/AppContext.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace tq::analysis::ui {

namespace {

bool isDefaultList(const AnalysisDocument& document)
{
    return document.listCaption == AnalysisDocument::defaultListCaption();
}

} // namespace

QWidget* AnalysisWindow::buildListTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* chooser = new QHBoxLayout;
    auto* label1 = new QLabel(QStringLiteral("表示内容"), page);
    label1->setObjectName(QStringLiteral("Label1"));
    m_lblIchiran = new QLabel(page);
    m_lblIchiran->setObjectName(QStringLiteral("lblIchiran"));
    m_lblIchiran->setFrameShape(QFrame::StyledPanel);
    m_lblIchiran->setMinimumWidth(240);
    auto* cmdIchiran = new QPushButton(QStringLiteral("▼"), page);
    cmdIchiran->setObjectName(QStringLiteral("cmdIchiran"));
    cmdIchiran->setFixedWidth(cmdIchiran->fontMetrics().horizontalAdvance(QStringLiteral("▼")) + 16);
    m_chkSeigen = new QCheckBox(QStringLiteral("２０００件以上は表示しない"), page);
    m_chkSeigen->setObjectName(QStringLiteral("chkSeigen"));
    chooser->addWidget(label1);
    chooser->addWidget(m_lblIchiran);
    chooser->addWidget(cmdIchiran);
    chooser->addSpacing(20);
    chooser->addWidget(m_chkSeigen);
    chooser->addStretch(1);
    layout->addLayout(chooser);
    connect(m_chkSeigen, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_loading)
            m_document.listLimit = on;
    });
    connect(cmdIchiran, &QPushButton::clicked, this, [this, cmdIchiran] {
        QStringList choices{AnalysisDocument::defaultListCaption()};
        if (m_context.appDb)
            choices = listChoices(*m_context.appDb);
        QMenu menu(this);
        for (const QString& choice : choices)
            menu.addAction(choice);
        if (QAction* chosen = menu.exec(cmdIchiran->mapToGlobal(QPoint(0, cmdIchiran->height()))))
            chooseList(chosen->text());
    });

    m_defaultListGrid = makeSheetGrid(QStringLiteral("vaSpread4"), kGridRows);
    m_defaultListModel = new SheetModel(&m_document.defaultList, this);
    m_defaultListGrid->setModel(m_defaultListModel);
    m_settingListGrid = makeSheetGrid(QStringLiteral("vaSpread1"), kGridRows);
    m_settingListModel = new SheetModel(&m_document.settingList, this);
    m_settingListGrid->setModel(m_settingListModel);
    for (QTableView* grid : {m_defaultListGrid, m_settingListGrid}) {
        connect(grid->horizontalHeader(), &QHeaderView::sectionClicked, this, &AnalysisWindow::onListHeaderClicked);
        connect(grid, &QTableView::doubleClicked, this, &AnalysisWindow::onListDoubleClicked);
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid, &QWidget::customContextMenuRequested, this,
                [this, grid](const QPoint& pos) { emit listMenuRequested(grid->viewport()->mapToGlobal(pos)); });
        layout->addWidget(grid, 1);
    }
    connect(m_settingListGrid->horizontalHeader(), &QHeaderView::sectionResized, this,
            &AnalysisWindow::onListSectionResized);

    auto* buttons = new QHBoxLayout;
    auto* command1 = new QPushButton(QStringLiteral("一覧をCSVファイルに出力"), page);
    command1->setObjectName(QStringLiteral("Command1"));
    auto* command4 = new QPushButton(QStringLiteral("一覧SQLをクリップボードへコピー"), page);
    command4->setObjectName(QStringLiteral("Command4"));
    buttons->addWidget(command1);
    buttons->addWidget(command4);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(command1, &QPushButton::clicked, this, &AnalysisWindow::exportListCsv);
    connect(command4, &QPushButton::clicked, this, &AnalysisWindow::copyListSql);
    return page;
}

QWidget* AnalysisWindow::buildHistoryTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* label2 = new QLabel(QStringLiteral("各行をダブルクリックするとその時の分析条件が表示されます"), page);
    label2->setObjectName(QStringLiteral("Label2"));
    layout->addWidget(label2);
    m_historyGrid = makeSheetGrid(QStringLiteral("vaSpread5"), kGridRows);
    m_historyModel = new SheetModel(&m_document.history, this);
    m_historyGrid->setModel(m_historyModel);
    connect(m_historyGrid, &QTableView::clicked, this, &AnalysisWindow::onHistoryClicked);
    layout->addWidget(m_historyGrid, 1);
    auto* clear = new QPushButton(QStringLiteral("履歴クリアー"), page);
    clear->setObjectName(QStringLiteral("cmdRirekiClear"));
    connect(clear, &QPushButton::clicked, this, &AnalysisWindow::clearHistory);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(clear);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    return page;
}

void AnalysisWindow::chooseList(const QString& name)
{
    if (m_document.isRunning())
        return;
    // Building a list by setting lets events through; the lock keeps a run
    // (and closing the window) out until it is done.
    AnalysisDocument::RunLock lock(m_document);
    m_tabs->setEnabled(false);
    showListSetting(m_context, m_document, name);
    m_tabs->setEnabled(true);
    updateListView();
}

void AnalysisWindow::updateListView()
{
    m_lblIchiran->setText(m_document.listCaption);
    const bool defaultShown = isDefaultList(m_document);
    m_defaultListModel->refresh();
    m_settingListModel->refresh();
    applyColumnWidths(*m_defaultListGrid, m_document.defaultList);
    applyColumnWidths(*m_settingListGrid, m_document.settingList);
    m_defaultListGrid->setVisible(m_document.listsVisible && defaultShown);
    m_settingListGrid->setVisible(m_document.listsVisible && !defaultShown);
}

void AnalysisWindow::onListHeaderClicked(int column)
{
    Sheet& list = isDefaultList(m_document) ? m_document.defaultList : m_document.settingList;
    sortOnHeaderClick(m_document, list, column);
    // The list by setting belongs row by row to the default list; only the
    // shown list is sorted, as the grid the user clicked.
    (isDefaultList(m_document) ? m_defaultListModel : m_settingListModel)->refresh();
}

void AnalysisWindow::onListSectionResized(int column, int, int newSize)
{
    Sheet& list = m_document.settingList;
    if (column < 0 || column >= list.columnCount() || newSize <= 0 || !m_context.appDb)
        return;
    const double width = widthFromPixels(*m_settingListGrid, newSize);
    list.setColumnWidth(column, width);
    updateListColumnWidth(*m_context.appDb, m_document.listCaption, list.header(column), width);
}

void AnalysisWindow::onListDoubleClicked(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const bool defaultShown = isDefaultList(m_document);
    const QString key = raceKeyOfRow(shownList(m_document), index.row(), defaultShown);
    if (key.isEmpty())
        return;
    const QString dir = m_context.appDir().isEmpty() ? m_context.programDir : m_context.appDir();
    try {
        writeViewerRaceKey(dir, key);
    } catch (const common::TextFileError& e) {
        m_context.errorLog.report({0, QString::fromUtf8(e.what()), QString()}, QStringLiteral("subViewShow"));
        return;
    }
    emit raceViewerRequested();
}

void AnalysisWindow::onHistoryClicked(const QModelIndex& index)
{
    if (!index.isValid() || index.row() >= m_document.historyConditions.size())
        return;
    emit historyConditionsRequested(m_document.historyConditions[index.row()]);
}

void AnalysisWindow::clearHistory()
{
    m_document.clearHistory();
    m_historyModel->refresh();
}

void AnalysisWindow::exportListCsv()
{
    exportSheet(QStringLiteral("一覧をCSVファイルに出力"), QStringLiteral("一覧表示出力ファイル (*.csv)"),
                shownList(m_document));
}

void AnalysisWindow::copySelection()
{
    QTableView* grid = nullptr;
    const Sheet* sheet = nullptr;
    switch (m_tabs->currentIndex()) {
    case 1:
        grid = m_resultGrid;
        sheet = &m_document.result;
        break;
    case 2:
        grid = isDefaultList(m_document) ? m_defaultListGrid : m_settingListGrid;
        sheet = &shownList(m_document);
        break;
    case 3:
        grid = m_historyGrid;
        sheet = &m_document.history;
        break;
    default:
        return;
    }
    if (const auto range = selectedRange(*grid))
        QApplication::clipboard()->setText(sheet->toTsv(*range));
}

void AnalysisWindow::copyListSql()
{
    QApplication::clipboard()->setText(listSqlCopyText(m_context, m_document));
}

// --- the document -----------------------------------------------------------

void AnalysisWindow::markModified()
{
    if (!m_loading)
        saveFlgSet(true);
}

void AnalysisWindow::setCaption(const QString& caption)
{
    m_document.caption = caption;
    setWindowTitle(caption);
}

void AnalysisWindow::saveFlgSet(bool modified)
{
    const bool changed = m_document.modified != modified;
    m_document.modified = modified;
    if (changed)
        emit modifiedChanged(modified);
}

void AnalysisWindow::refreshFromDocument()
{
    m_loading = true;
    const conditions::ConditionSet& set = m_document.conditions;
    setWindowTitle(m_document.caption);
    m_conditionModel->refresh();
    m_txtFavorite->setText(set.favourite.name);
    m_chkFavoGroup->setChecked(set.favourite.wholeGroup);
    m_chkFavorite->setChecked(set.favourite.isFavourite);
    if (!set.favourite.havingOperator.isEmpty())
        m_cboHaving0->setCurrentText(set.favourite.havingOperator);
    if (!set.favourite.havingNumber.isEmpty())
        m_cboHaving1->setCurrentText(set.favourite.havingNumber);
    updateHavingVisibility();
    m_optSyurui[std::size_t(int(set.kind))]->setChecked(true);
    m_txtJiku->setText(set.axisFavourite);
    m_chkJikuGroup->setChecked(set.axisWholeGroup);
    updateKindControls();
    m_txtComment->setText(m_document.comment);
    m_txtUser->setText(m_document.author);
    for (std::size_t i = 0; i < m_txtKomoku.size(); ++i) {
        m_txtKomoku[i]->setText(set.keys[i].key);
        m_txtRange[i]->setText(set.keys[i].range.text);
    }
    for (std::size_t i = 0; i < m_lblKekka.size(); ++i)
        m_lblKekka[i]->setText(m_document.summaryLabels[i]);
    m_chkSeigen->setChecked(m_document.listLimit);
    refreshGrids();
    m_loading = false;
}

void AnalysisWindow::refreshGrids()
{
    m_resultModel->refresh();
    applyColumnWidths(*m_resultGrid, m_document.result);
    m_historyModel->refresh();
    applyColumnWidths(*m_historyGrid, m_document.history);
    updateListView();
    refreshCheckTab();
}

// --- events -------------------------------------------------------------------

bool AnalysisWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_conditionGrid->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            const QModelIndex index = m_conditionGrid->indexAt(mouse->position().toPoint());
            if (index.isValid() && m_conditionModel->isConditionRow(index.row())) {
                m_conditionGrid->selectRow(index.row());
                emit conditionMenuRequested(index.row(), mouse->globalPosition().toPoint());
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool AnalysisWindow::confirmClose()
{
    if (m_document.isRunning())
        return false;
    if (!m_document.modified)
        return true;
    context::Prompter& prompter = m_context.prompter;
    const context::Answer answer =
        prompter.ask({m_document.caption + QStringLiteral("はデータが変更されています。お気に入りに追加しますか？"),
                      QString(), context::Icon::Question, true},
                     true);
    if (answer == context::Answer::Cancel)
        return false;
    if (answer != context::Answer::Yes)
        return true;

    const auto& rows = m_document.conditions.rows;
    if (std::any_of(rows.begin(), rows.end(), [](const conditions::ConditionRow& r) { return r.masked; }))
        prompter.inform({maskedRowsWarning(), QString(), context::Icon::Exclamation, true});
    const Sheet& result = m_document.result;
    if (result.columnCount() > 1) {
        if (result.header(0) != QStringLiteral("総件数")) {
            prompter.inform({QStringLiteral("集計キーが指定されているものはお気に入りに追加できません"), QString(),
                             context::Icon::Exclamation, true});
            return false;
        }
    } else if (prompter.ask({QStringLiteral("分析実行を行っていません。本当にお気に入りに追加しますか？"), QString(),
                             context::Icon::Question, true}) != context::Answer::Yes) {
        return false;
    }
    if (!m_registration) {
        prompter.inform(
            {QStringLiteral("お気に入りへの追加はまだ利用できません"), QString(), context::Icon::Exclamation, true});
        return false;
    }
    return m_registration(*this);
}

void AnalysisWindow::closeEvent(QCloseEvent* event)
{
    if (confirmClose())
        event->accept();
    else
        event->ignore();
}

} // namespace tq::analysis::ui
