// The check tab of the analysis window: the options that make a run count
// every group in a discovery and a validation period and give its return
// rates an interval, and the two tables those runs add.

#include "analysis/ui/AnalysisWindow.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/ui/ResultGrid.h"
#include "analysis/ui/SheetModel.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace tq::analysis::ui {

QWidget* AnalysisWindow::buildCheckTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* options = new QHBoxLayout;
    m_chkSplit = new QCheckBox(QStringLiteral("期間を分けて検証する　検証期間の開始日"), page);
    m_chkSplit->setObjectName(QStringLiteral("chkSplit"));
    m_splitDate = new QDateEdit(page);
    m_splitDate->setObjectName(QStringLiteral("dtpSplit"));
    m_splitDate->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    m_splitDate->setCalendarPopup(true);
    m_splitDate->setDate(QDate(QDate::currentDate().year() - 1, 1, 1));
    m_chkIntervals = new QCheckBox(QStringLiteral("回収率の95%信頼区間と配当の集中度を求める"), page);
    m_chkIntervals->setObjectName(QStringLiteral("chkIntervals"));
    options->addWidget(m_chkSplit);
    options->addWidget(m_splitDate);
    options->addSpacing(24);
    options->addWidget(m_chkIntervals);
    options->addStretch(1);
    layout->addLayout(options);
    auto* note = new QLabel(QStringLiteral("次の分析実行から有効です（単複分析のみ。条件ファイルには保存されません）"), page);
    layout->addWidget(note);

    // The options live in the document, for this session only.
    auto applySplit = [this] {
        m_document.splitDate = m_chkSplit->isChecked() ? m_splitDate->date() : QDate();
    };
    connect(m_chkSplit, &QCheckBox::toggled, this, applySplit);
    connect(m_splitDate, &QDateEdit::dateChanged, this, applySplit);
    connect(m_chkIntervals, &QCheckBox::toggled, this, [this](bool on) { m_document.intervals = on; });

    layout->addWidget(new QLabel(QStringLiteral("発見期間と検証期間"), page));
    m_splitGrid = makeSheetGrid(QStringLiteral("vaSplit"), kGridRows);
    m_splitModel = new SheetModel(&m_document.splitResult, this);
    m_splitGrid->setModel(m_splitModel);
    layout->addWidget(m_splitGrid, 1);

    layout->addWidget(new QLabel(QStringLiteral("回収率の信頼区間（ブートストラップ、レース単位）と上位1%配当の占有率"), page));
    m_intervalGrid = makeSheetGrid(QStringLiteral("vaIntervals"), kGridRows);
    m_intervalModel = new SheetModel(&m_document.intervalResult, this);
    m_intervalGrid->setModel(m_intervalModel);
    layout->addWidget(m_intervalGrid, 1);
    return page;
}

void AnalysisWindow::refreshCheckTab()
{
    const QSignalBlocker splitBlocker(m_chkSplit);
    const QSignalBlocker dateBlocker(m_splitDate);
    const QSignalBlocker intervalBlocker(m_chkIntervals);
    m_chkSplit->setChecked(m_document.splitDate.isValid());
    if (m_document.splitDate.isValid())
        m_splitDate->setDate(m_document.splitDate);
    m_chkIntervals->setChecked(m_document.intervals);
    m_splitModel->refresh();
    applyColumnWidths(*m_splitGrid, m_document.splitResult);
    m_intervalModel->refresh();
    applyColumnWidths(*m_intervalGrid, m_document.intervalResult);
}

} // namespace tq::analysis::ui
