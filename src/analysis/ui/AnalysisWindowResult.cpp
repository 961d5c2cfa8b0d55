// The result tab of the analysis window: the twenty key levels, the result
// grid with its buttons and the summary labels, and the run itself.

#include "analysis/ui/AnalysisWindow.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/CsvExport.h"
#include "analysis/ResultDisplay.h"
#include "analysis/Run.h"
#include "analysis/TextReport.h"
#include "analysis/ui/ConditionCaptions.h"
#include "analysis/ui/ResultGrid.h"
#include "analysis/ui/ResultHelpWindow.h"
#include "analysis/ui/SheetModel.h"
#include "context/AppContext.h"
#include "context/StatusLine.h"
#include "context/ui/WindowFocus.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace tq::analysis::ui {

QWidget* AnalysisWindow::buildResultTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    // The key levels: levels 1-15 in three columns of five; levels 16-20 in
    // five more rows under the first column, shown by "more".
    auto* keys = new QWidget(page);
    keys->setObjectName(QStringLiteral("picSyukei"));
    auto* keyLayout = new QGridLayout(keys);
    keyLayout->setContentsMargins(0, 0, 0, 0);
    keyLayout->setVerticalSpacing(2);
    for (int i = 0; i < conditions::kAggregationLevels; ++i) {
        auto* row = new QWidget(keys);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        auto* label = new QLabel(keyLevelCaption(i), row);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("集計第一キー")) + 4);
        auto* komoku = new QLineEdit(row);
        komoku->setObjectName(QStringLiteral("txtKomoku%1").arg(i));
        auto* range = new QLineEdit(row);
        range->setObjectName(QStringLiteral("txtRange%1").arg(i));
        range->setMaximumWidth(90);
        auto* sitei = new QPushButton(QStringLiteral("▼"), row);
        sitei->setObjectName(QStringLiteral("cmdSitei%1").arg(i));
        sitei->setFixedWidth(sitei->fontMetrics().horizontalAdvance(QStringLiteral("▼")) + 16);
        rowLayout->addWidget(label);
        rowLayout->addWidget(komoku, 2);
        rowLayout->addWidget(range, 1);
        rowLayout->addWidget(sitei);
        keyLayout->addWidget(row, i < kVisibleKeyLevels ? i % 5 : i - 10, i < kVisibleKeyLevels ? i / 5 : 0);
        m_keyRows[std::size_t(i)] = row;
        m_txtKomoku[std::size_t(i)] = komoku;
        m_txtRange[std::size_t(i)] = range;
        connect(komoku, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            m_document.conditions.keys[std::size_t(i)].key = text.trimmed();
            markModified();
        });
        connect(range, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            m_document.conditions.keys[std::size_t(i)].range.text = text.trimmed();
            markModified();
        });
        connect(sitei, &QPushButton::clicked, this, [this, i] { emit keyEditorRequested(i); });
    }
    layout->addWidget(keys);

    auto* keyButtons = new QHBoxLayout;
    auto* cmdClear = new QPushButton(QStringLiteral("ｸﾘｱ"), page);
    cmdClear->setObjectName(QStringLiteral("cmdClear"));
    m_cmdMore = new QPushButton(QStringLiteral("more"), page);
    m_cmdMore->setObjectName(QStringLiteral("cmdMore"));
    keyButtons->addWidget(cmdClear);
    keyButtons->addWidget(m_cmdMore);
    keyButtons->addStretch(1);
    layout->addLayout(keyButtons);
    connect(cmdClear, &QPushButton::clicked, this, [this] {
        // The range texts stay: a key chosen again for the level reuses them.
        bool changed = false;
        for (std::size_t i = 0; i < m_txtKomoku.size(); ++i) {
            changed = changed || !m_document.conditions.keys[i].key.isEmpty();
            m_document.conditions.keys[i].key.clear();
            m_txtKomoku[i]->clear();
        }
        if (changed)
            markModified();
    });
    connect(m_cmdMore, &QPushButton::clicked, this,
            [this] { setKeysExpanded(m_cmdMore->text() == QStringLiteral("more")); });

    m_resultGrid = makeSheetGrid(QStringLiteral("vaSpread2"), kGridRows);
    m_resultModel = new SheetModel(&m_document.result, this);
    m_resultGrid->setModel(m_resultModel);
    m_resultGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_resultGrid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { emit resultMenuRequested(m_resultGrid->viewport()->mapToGlobal(pos)); });
    connect(m_resultGrid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &AnalysisWindow::onResultHeaderClicked);
    connect(m_resultGrid->horizontalHeader(), &QHeaderView::sectionResized, this,
            &AnalysisWindow::onResultSectionResized);
    layout->addWidget(m_resultGrid, 1);

    // The summary labels that only condition files fill.
    auto* summary = new QGridLayout;
    static const char16_t* const captions[12] = {u"総件数",   u"１着件数", u"２着件数", u"３着件数",
                                                 u"着外件数", u"勝率",     u"連対率",   u"複勝率",
                                                 u"単回収率", u"複回収率", u"単配当計", u"複配当計"};
    for (int i = 0; i < 12; ++i) {
        auto* caption = new QLabel(QString::fromUtf16(captions[i]), page);
        auto* value = new QLabel(page);
        value->setObjectName(QStringLiteral("lblKekka%1").arg(i));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(60);
        value->setFrameShape(QFrame::StyledPanel);
        summary->addWidget(caption, i / 6, (i % 6) * 2);
        summary->addWidget(value, i / 6, (i % 6) * 2 + 1);
        m_lblKekka[std::size_t(i)] = value;
    }
    layout->addLayout(summary);

    auto* buttons = new QHBoxLayout;
    auto* command2 = new QPushButton(QStringLiteral("結果をクリップボードにコピー"), page);
    command2->setObjectName(QStringLiteral("Command2"));
    auto* textCopy = new QPushButton(QStringLiteral("分析結果をテキストでコピー"), page);
    textCopy->setObjectName(QStringLiteral("cmdTextCopy"));
    auto* command5 = new QPushButton(QStringLiteral("分析結果をCSVファイルに出力"), page);
    command5->setObjectName(QStringLiteral("Command5"));
    auto* command6 = new QPushButton(QStringLiteral("表示項目説明"), page);
    command6->setObjectName(QStringLiteral("Command6"));
    auto* command3 = new QPushButton(QStringLiteral("SQLコピー（DEBUG）"), page);
    command3->setObjectName(QStringLiteral("Command3"));
    for (QPushButton* b : {command2, textCopy, command5, command6, command3})
        buttons->addWidget(b);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(command2, &QPushButton::clicked, this, &AnalysisWindow::copyResultToClipboard);
    connect(textCopy, &QPushButton::clicked, this, [this] {
        QApplication::clipboard()->setText(textReport(m_document, TextReportKind::Full));
    });
    connect(command5, &QPushButton::clicked, this, &AnalysisWindow::exportResultCsv);
    connect(command3, &QPushButton::clicked, this, &AnalysisWindow::copyAnalysisSql);
    connect(command6, &QPushButton::clicked, this, [this] { ResultHelpWindow::showFor(this); });

    setKeysExpanded(false);
    return page;
}

void AnalysisWindow::setKeysExpanded(bool expanded)
{
    for (int i = 0; i < conditions::kAggregationLevels; ++i)
        m_keyRows[std::size_t(i)]->setVisible(expanded || i < kVisibleKeyLevels);
    m_cmdMore->setText(expanded ? QStringLiteral("close") : QStringLiteral("more"));
}

bool AnalysisWindow::runAnalysis()
{
    if (m_document.isRunning())
        return false;
    bool complete = false;
    {
        // The controls stay disabled while the run lets events through, so
        // the conditions cannot change under it.
        const context::ui::ControlsLockedDuringRun locked(*m_tabs);
        complete = subBunseki(m_context, *m_status, m_document, false, m_betTypeRun);
    }
    refreshGrids();
    if (complete)
        m_tabs->setCurrentIndex(1);
    return complete;
}

void AnalysisWindow::onResultHeaderClicked(int column)
{
    sortResultGrid(m_document, *m_resultModel, *m_resultGrid, column);
}

void AnalysisWindow::onResultSectionResized(int column, int, int newSize)
{
    if (const auto width = keepResizedColumn(m_context.appDb.get(), m_document.result, *m_resultGrid, column, newSize))
        emit resultColumnWidthStored(m_document.result.header(column), *width);
}

void AnalysisWindow::applyResultColumnWidth(const QString& header, double width)
{
    applyWidthOfHeader(m_document.result, *m_resultGrid, header, width);
}

void AnalysisWindow::copyResultToClipboard()
{
    QApplication::clipboard()->setText(resultClipboardText(m_context, m_document));
}

void AnalysisWindow::copyAnalysisSql()
{
    QApplication::clipboard()->setText(analysisSqlText(m_context, m_document, m_betTypeSql));
}

void AnalysisWindow::exportResultCsv()
{
    exportSheet(QStringLiteral("分析結果をCSVファイルに出力"), QStringLiteral("分析結果ファイル (*.csv)"),
                m_document.result);
}

void AnalysisWindow::exportSheet(const QString& caption, const QString& filter, const Sheet& sheet)
{
    const QString name = m_context.prompter.saveFileName(caption, QString(), filter);
    if (name.isEmpty())
        return;
    const QString file = QDir::toNativeSeparators(name);
    switch (subExport(name, sheet, m_context.busy, m_context.errorLog)) {
    case ExportResult::Completed:
        m_status->setText(file + QStringLiteral(" に %1 行を出力しました").arg(sheet.rowCount()));
        break;
    case ExportResult::Cancelled:
        m_status->setText(file + QStringLiteral(" への出力を中止しました（途中までの行が残っています）"));
        break;
    case ExportResult::Failed:
        m_status->setText(file + QStringLiteral(" への出力に失敗しました（エラーログを参照）"));
        break;
    }
}

} // namespace tq::analysis::ui
