#pragma once
// The result table the main program hands over in REDivor.csv: a header line,
// then one line per group; the columns before 総件数 are the aggregation keys,
// the rest are statistics. Read strictly: a file that is not such a table is
// refused with a reason a user can act on, never half-drawn.

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tq::addins::chart {

struct ChartTable {
    QStringList keyHeaders;       // the aggregation keys, in file order
    QStringList statisticHeaders; // 総件数 and every column after it
    QStringList labels;           // per group: its key values joined with " / "
    // values[row][column of statisticHeaders]; a missing value is NaN.
    std::vector<std::vector<double>> values;

    int rowCount() const { return int(labels.size()); }
    // The column of statisticHeaders named `header`, or -1.
    int statistic(const QString& header) const { return int(statisticHeaders.indexOf(header)); }
    double value(int row, const QString& header) const;
};

// One CSV line split into fields: a field in double quotes may hold commas
// and doubled quotes. False for a line whose quotes do not close.
bool splitCsvLine(const QString& line, QStringList& fields);

// Parses the lines of the file. On failure returns nothing and sets `error`
// (the file's name is not part of it).
std::optional<ChartTable> parseChartTable(const QStringList& lines, QString& error);

// Reads and parses the file (CP932, or UTF-8 with a byte-order mark). On
// failure `error` names the file and the problem.
std::optional<ChartTable> readChartTable(const QString& path, QString& error);

} // namespace tq::addins::chart
