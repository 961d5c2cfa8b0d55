#pragma once
// The chart window: per group, the chosen statistic in the upper panel (by
// default 勝率, 連対率 and 複勝率, each drawn as an interval from its lower
// bound 最低勝率 / 最低連対率 / 最低複勝率 up to the rate) and the return rates
// 単回収率 / 複回収率 against a 100 % line in the lower panel, with each
// group's 総件数 on a second axis so that a thin group shows as thin.

#include "ChartData.h"

#include <QMainWindow>

class QComboBox;
class QChartView;

namespace tq::addins::chart {

class ChartWindow final : public QMainWindow {
    Q_OBJECT
public:
    ChartWindow(ChartTable table, const QString& title, QWidget* parent = nullptr);

    // The choices of the upper panel: the rates with their lower bounds, then
    // every statistic column of the file.
    QStringList statisticChoices() const;
    void chooseStatistic(int index);

    // Renders the title and both panels as laid out into a PNG file. False
    // when the file cannot be written.
    bool savePng(const QString& path);

private:
    void showUpperPanel();
    void saveAs();

    ChartTable m_table;
    QString m_title;
    QComboBox* m_choice = nullptr;
    QChartView* m_upper = nullptr;
    QChartView* m_lower = nullptr;
    QWidget* m_panels = nullptr;
};

} // namespace tq::addins::chart
