#pragma once
// Writing a group's statistics into a result or history table: the header on
// the first row, label and statistics cells, threshold colours, and the merge
// of a repeated label combination into its first row.

#include "analysis/ResultTable.h"
#include "analysis/Sheet.h"
#include "analysis/StatRow.h"

#include <QHash>
#include <QStringList>

#include <optional>
#include <vector>

namespace tq::context {
struct ColourSettings;
}
namespace tq::store {
class Database;
}

namespace tq::analysis {

// Writes groups into a result or history table (subKekkaGyou). Keeps an index
// of the label combinations written, so that with two or more levels a
// repeated combination is merged into its first row without a scan. The
// table must not be reordered while a writer is in use.
class GroupWriter final {
  public:
    // `appDb` (may be null) supplies stored column widths when the table gets
    // its header.
    GroupWriter(Sheet& table, const QStringList& keyTexts, store::Database* appDb,
                const context::ColourSettings& colours);

    // Writes one group: nothing when stats.n is 0; the header when the table
    // has no rows; then a new row, or, with two or more levels, a merge into
    // the earlier row with the same label texts (stats then holds the merged
    // accumulators). Returns the row written, -1 when nothing was.
    int write(const QStringList& labels, StatRow& stats);
    // Whether the last write() added a row (rather than merging or skipping).
    bool addedRow() const { return m_added; }
    // Reads the stored column widths of the header now, so that later writes
    // run no statement (while the rows are read on another thread).
    void readStoredWidths();

  private:
    void writeRow(int row, const QStringList& labels, const StatRow& stats);

    Sheet& m_table;
    QStringList m_keyTexts;
    store::Database* m_appDb;
    const context::ColourSettings& m_colours;
    QHash<QStringList, int> m_rows; // shown label texts -> row (k >= 2)
    std::optional<std::vector<double>> m_storedWidths; // of the header's columns, read ahead
    std::optional<std::vector<ThresholdColumn>> m_thresholds; // of the header's columns, once written
    bool m_indexed = false;
    bool m_added = false;
};

// One-call form of GroupWriter::write on an existing table.
int subKekkaGyou(Sheet& table, const QStringList& keyTexts, const QStringList& labels, StatRow& stats,
                 store::Database* appDb, const context::ColourSettings& colours);

} // namespace tq::analysis
