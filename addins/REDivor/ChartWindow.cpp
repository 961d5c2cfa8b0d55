#include "ChartWindow.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBoxPlotSeries>
#include <QBoxSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineSeries>
#include <QMessageBox>
#include <QPen>
#include <QPixmap>
#include <QSplitter>
#include <QToolBar>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tq::addins::chart {

namespace {

struct RateSeries {
    const char16_t* rate;
    const char16_t* lowerBound;
    QColor colour;
};

const RateSeries kRates[] = {
    {u"勝率", u"最低勝率", QColor(0xd6, 0x4f, 0x3b)},
    {u"連対率", u"最低連対率", QColor(0x2f, 0x7f, 0xc1)},
    {u"複勝率", u"最低複勝率", QColor(0x3b, 0x9a, 0x4f)},
};

QString text(const char16_t* utf16)
{
    return QString::fromUtf16(utf16);
}

double valueOr(double value, double fallback)
{
    return std::isnan(value) ? fallback : value;
}

// Category labels: the group and its 総件数, so a thin group reads as thin.
QStringList categoryLabels(const ChartTable& table)
{
    QStringList labels;
    for (int row = 0; row < table.rowCount(); ++row)
        labels << table.labels.at(row) + QStringLiteral(" (") +
                      QString::number(valueOr(table.value(row, QStringLiteral("総件数")), 0), 'f', 0) +
                      QStringLiteral("件)");
    return labels;
}

QBarCategoryAxis* categoryAxis(const ChartTable& table)
{
    auto* axis = new QBarCategoryAxis;
    axis->append(categoryLabels(table));
    if (table.rowCount() > 6)
        axis->setLabelsAngle(-45);
    return axis;
}

QValueAxis* valueAxis(const QString& title, double maximum)
{
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setRange(0, maximum > 0 ? maximum * 1.1 : 1);
    axis->applyNiceNumbers();
    axis->setLabelFormat(QStringLiteral("%.0f"));
    return axis;
}

QChart* newChart(const QString& title)
{
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setAnimationOptions(QChart::NoAnimation);
    return chart;
}

// A box from the lower bound to the rate per group; the rate is the box's
// top edge and its middle line.
QChart* ratesChart(const ChartTable& table)
{
    QChart* chart = newChart(QStringLiteral("勝率・連対率・複勝率（箱の下端は最低値）"));
    double maximum = 0;
    std::vector<QBoxPlotSeries*> series;
    for (const RateSeries& rate : kRates) {
        auto* boxes = new QBoxPlotSeries;
        boxes->setName(text(rate.rate) + QStringLiteral(" / ") + text(rate.lowerBound));
        boxes->setBrush(rate.colour.lighter(130));
        boxes->setPen(QPen(rate.colour.darker(120), 1.5));
        for (int row = 0; row < table.rowCount(); ++row) {
            const double value = valueOr(table.value(row, text(rate.rate)), 0);
            const double lower = std::min(value, valueOr(table.value(row, text(rate.lowerBound)), value));
            maximum = std::max(maximum, value);
            auto* set = new QBoxSet(lower, lower, value, value, value);
            boxes->append(set);
        }
        chart->addSeries(boxes);
        series.push_back(boxes);
    }
    QBarCategoryAxis* x = categoryAxis(table);
    QValueAxis* y = valueAxis(QStringLiteral("%"), maximum);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QBoxPlotSeries* boxes : series) {
        boxes->attachAxis(x);
        boxes->attachAxis(y);
    }
    return chart;
}

// One statistic column as bars.
QChart* statisticChart(const ChartTable& table, const QString& header)
{
    QChart* chart = newChart(header);
    auto* set = new QBarSet(header);
    double maximum = 0;
    double minimum = 0;
    for (int row = 0; row < table.rowCount(); ++row) {
        const double value = valueOr(table.value(row, header), 0);
        *set << value;
        maximum = std::max(maximum, value);
        minimum = std::min(minimum, value);
    }
    auto* bars = new QBarSeries;
    bars->append(set);
    chart->addSeries(bars);
    QBarCategoryAxis* x = categoryAxis(table);
    QValueAxis* y = valueAxis(header, maximum);
    if (minimum < 0)
        y->setMin(minimum * 1.1);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    bars->attachAxis(x);
    bars->attachAxis(y);
    return chart;
}

// 単回収率 and 複回収率 as bars, the 100 % line, and 総件数 on the right axis.
QChart* returnsChart(const ChartTable& table)
{
    QChart* chart = newChart(QStringLiteral("単回収率・複回収率と総件数"));
    auto* bars = new QBarSeries;
    double maximum = 100;
    const std::pair<const char16_t*, QColor> rates[] = {{u"単回収率", QColor(0xe0, 0x8a, 0x1e)},
                                                        {u"複回収率", QColor(0x7b, 0x5c, 0xb8)}};
    for (const auto& [name, colour] : rates) {
        auto* set = new QBarSet(text(name));
        set->setColor(colour);
        for (int row = 0; row < table.rowCount(); ++row) {
            const double value = valueOr(table.value(row, text(name)), 0);
            *set << value;
            maximum = std::max(maximum, value);
        }
        bars->append(set);
    }
    chart->addSeries(bars);

    auto* reference = new QLineSeries;
    reference->setName(QStringLiteral("100%"));
    reference->setPen(QPen(Qt::red, 1.5, Qt::DashLine));
    reference->append(-0.5, 100);
    reference->append(table.rowCount() - 0.5, 100);
    chart->addSeries(reference);

    auto* counts = new QLineSeries;
    counts->setName(QStringLiteral("総件数（右目盛）"));
    counts->setPen(QPen(QColor(0x55, 0x55, 0x55), 2));
    counts->setPointsVisible(true);
    double maxCount = 0;
    for (int row = 0; row < table.rowCount(); ++row) {
        const double count = valueOr(table.value(row, QStringLiteral("総件数")), 0);
        counts->append(row, count);
        maxCount = std::max(maxCount, count);
    }
    chart->addSeries(counts);

    QBarCategoryAxis* x = categoryAxis(table);
    QValueAxis* y = valueAxis(QStringLiteral("回収率 %"), maximum);
    QValueAxis* right = valueAxis(QStringLiteral("総件数"), maxCount);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    chart->addAxis(right, Qt::AlignRight);
    for (QAbstractSeries* series : {static_cast<QAbstractSeries*>(bars), static_cast<QAbstractSeries*>(reference)}) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
    counts->attachAxis(x);
    counts->attachAxis(right);
    return chart;
}

QChartView* chartView(QChart* chart)
{
    auto* view = new QChartView(chart);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(220);
    return view;
}

} // namespace

ChartWindow::ChartWindow(ChartTable table, const QString& title, QWidget* parent)
    : QMainWindow(parent), m_table(std::move(table)), m_title(title)
{
    setWindowTitle(title.isEmpty() ? QStringLiteral("グラフ") : title);

    auto* tools = addToolBar(QStringLiteral("表示"));
    tools->setMovable(false);
    tools->addWidget(new QLabel(QStringLiteral("上段の表示: ")));
    m_choice = new QComboBox;
    m_choice->addItems(statisticChoices());
    tools->addWidget(m_choice);
    tools->addSeparator();
    tools->addAction(QStringLiteral("PNG保存..."), this, &ChartWindow::saveAs);

    m_panels = new QWidget;
    auto* layout = new QVBoxLayout(m_panels);
    auto* heading = new QLabel(title);
    QFont font = heading->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    heading->setFont(font);
    heading->setAlignment(Qt::AlignCenter);
    layout->addWidget(heading);
    auto* splitter = new QSplitter(Qt::Vertical);
    m_upper = chartView(ratesChart(m_table));
    m_lower = chartView(returnsChart(m_table));
    splitter->addWidget(m_upper);
    splitter->addWidget(m_lower);
    layout->addWidget(splitter, 1);
    setCentralWidget(m_panels);
    resize(1100, 800);

    connect(m_choice, &QComboBox::currentIndexChanged, this, &ChartWindow::showUpperPanel);
}

QStringList ChartWindow::statisticChoices() const
{
    return QStringList{QStringLiteral("勝率・連対率・複勝率（最低値つき）")} + m_table.statisticHeaders;
}

void ChartWindow::chooseStatistic(int index)
{
    m_choice->setCurrentIndex(index);
}

void ChartWindow::showUpperPanel()
{
    const int index = m_choice->currentIndex();
    QChart* chart = index <= 0 ? ratesChart(m_table) : statisticChart(m_table, m_table.statisticHeaders.at(index - 1));
    QChart* old = m_upper->chart();
    m_upper->setChart(chart);
    delete old;
}

bool ChartWindow::savePng(const QString& path)
{
    return m_panels->grab().save(path, "PNG");
}

void ChartWindow::saveAs()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("PNG保存"), QStringLiteral("REDivor.png"),
                                                      QStringLiteral("PNG (*.png)"));
    if (!path.isEmpty() && !savePng(path))
        QMessageBox::warning(this, windowTitle(), path + QStringLiteral(" に保存できません"));
}

} // namespace tq::addins::chart
