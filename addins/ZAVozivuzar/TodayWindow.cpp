#include "TodayWindow.h"

#include "analysis/CsvExport.h"
#include "analysis/ui/SheetModel.h"
#include "context/AppContext.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>

namespace tq::addins::today {

namespace {

constexpr qint32 kShade = 0xF3EAE0; // a light blue in Windows colour order (red lowest)

} // namespace

TodayWindow::TodayWindow(context::AppContext& ctx, QWidget* parent) : QMainWindow(parent), m_ctx(ctx)
{
    setWindowTitle(QStringLiteral("本日のお気に入り"));
    auto* tools = addToolBar(QStringLiteral("表示"));
    tools->setMovable(false);
    tools->addWidget(new QLabel(QStringLiteral("並べ方: ")));
    m_grouping = new QComboBox;
    m_grouping->addItems({QStringLiteral("レース別"), QStringLiteral("お気に入り別")});
    tools->addWidget(m_grouping);
    tools->addSeparator();
    tools->addAction(QStringLiteral("再表示"), this, &TodayWindow::reload);
    tools->addAction(QStringLiteral("CSV出力..."), this, &TodayWindow::exportCsv);

    m_model = new analysis::ui::SheetModel(&m_list.sheet, this);
    m_view = new QTableView;
    m_view->setModel(m_model);
    m_view->verticalHeader()->hide();
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    setCentralWidget(m_view);
    resize(1200, 700);
    connect(m_grouping, &QComboBox::currentIndexChanged, this, &TodayWindow::reload);
}

void TodayWindow::setGrouping(Grouping grouping)
{
    const QSignalBlocker quiet(m_grouping);
    m_grouping->setCurrentIndex(grouping == Grouping::ByRace ? 0 : 1);
}

bool TodayWindow::reload()
{
    const Grouping grouping = m_grouping->currentIndex() == 0 ? Grouping::ByRace : Grouping::ByFavourite;
    auto list = buildTodayList(m_ctx, grouping, m_error);
    m_list = list ? std::move(*list) : TodayList{};
    shadeGroups();
    m_model->setSheet(&m_list.sheet);
    m_view->resizeColumnsToContents();
    if (!list) {
        statusBar()->showMessage(m_error);
        return false;
    }
    QString status = QStringLiteral("お気に入り %1 件、該当 %2 行").arg(m_list.favourites).arg(m_list.matches);
    if (m_list.failedFavourites > 0)
        status += QStringLiteral("、条件を実行できないお気に入り %1 件").arg(m_list.failedFavourites);
    if (m_list.lookAheadFavourites > 0)
        status += QStringLiteral("、レース後に確定する情報を条件に含むお気に入り %1 件").arg(m_list.lookAheadFavourites);
    if (!m_list.problems.isEmpty())
        status += QStringLiteral("、読めない項目: ") + m_list.problems.join(QStringLiteral("; "));
    statusBar()->showMessage(status);
    return true;
}

// Every other group (race or favourite) in a light shade, so the grouping
// can be seen; failed and warned favourites keep their text colour.
void TodayWindow::shadeGroups()
{
    analysis::Sheet& sheet = m_list.sheet;
    const bool byRace = m_grouping->currentIndex() == 0;
    const int keyColumn = byRace ? kRaceKey : kFavourite;
    bool shaded = false;
    QString previous;
    for (int row = 0; row < sheet.rowCount(); ++row) {
        const QString key = byRace ? sheet.displayText(row, keyColumn)
                                   : sheet.displayText(row, keyColumn) + QLatin1Char('|') + sheet.displayText(row, kGroup);
        if (row > 0 && key != previous)
            shaded = !shaded;
        previous = key;
        if (shaded)
            for (int c = 0; c < sheet.columnCount(); ++c)
                sheet.setBackColour(row, c, kShade);
    }
}

void TodayWindow::exportCsv()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("CSV出力"), QStringLiteral("本日のお気に入り.csv"),
                                                      QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    if (analysis::subExport(path, m_list.sheet, m_ctx.busy, m_ctx.errorLog) != analysis::ExportResult::Completed)
        QMessageBox::warning(this, windowTitle(), path + QStringLiteral(" に出力できません"));
}

} // namespace tq::addins::today
