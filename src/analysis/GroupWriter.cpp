#include "analysis/GroupWriter.h"

#include "context/AppContext.h"

namespace tq::analysis {

GroupWriter::GroupWriter(Sheet& table, const QStringList& keyTexts, store::Database* appDb,
                         const context::ColourSettings& colours)
    : m_table(table), m_keyTexts(keyTexts), m_appDb(appDb), m_colours(colours)
{
}

int GroupWriter::write(const QStringList& labels, StatRow& stats)
{
    m_added = false;
    if (stats.n == 0)
        return -1;
    const int k = int(m_keyTexts.size());
    if (m_table.rowCount() == 0) {
        setupResultColumns(m_table, m_keyTexts);
        if (m_storedWidths) {
            for (int c = 0; c < m_table.columnCount() && c < int(m_storedWidths->size()); ++c)
                m_table.setColumnWidth(c, (*m_storedWidths)[std::size_t(c)]);
        } else {
            applyStoredColumnWidths(m_appDb, m_table);
        }
        m_rows.clear();
        m_indexed = true;
    }
    if (k >= 2) {
        if (!m_indexed) {
            // A table written before this writer: index its rows, first row wins.
            for (int r = 0; r < m_table.rowCount(); ++r) {
                QStringList shown;
                for (int c = 0; c < k; ++c)
                    shown << m_table.displayText(r, c);
                m_rows.insert(shown, r);
            }
            m_indexed = true;
        }
        QStringList shown;
        shown.reserve(k);
        for (int c = 0; c < k; ++c)
            shown << labelDisplayText(labels.value(c));
        const auto it = m_rows.constFind(shown);
        if (it != m_rows.cend()) {
            const int row = *it;
            stats.addGroup(readStatistics(m_table, row, k));
            writeRow(row, labels, stats);
            return row;
        }
        const int row = m_table.appendRow();
        m_rows.insert(shown, row);
        writeRow(row, labels, stats);
        m_added = true;
        return row;
    }
    const int row = m_table.appendRow();
    writeRow(row, labels, stats);
    m_added = true;
    return row;
}

void GroupWriter::readStoredWidths()
{
    Sheet header;
    setupResultColumns(header, m_keyTexts);
    applyStoredColumnWidths(m_appDb, header);
    std::vector<double> widths;
    for (int c = 0; c < header.columnCount(); ++c)
        widths.push_back(header.columnWidth(c));
    m_storedWidths = std::move(widths);
}

void GroupWriter::writeRow(int row, const QStringList& labels, const StatRow& stats)
{
    const int k = int(m_keyTexts.size());
    for (int c = 0; c < k; ++c)
        writeLabelCell(m_table, row, c, labels.value(c));
    writeStatistics(m_table, row, k, stats);
    if (!m_thresholds)
        m_thresholds = thresholdColumns(m_colours, m_table, k);
    applyThresholdColours(*m_thresholds, m_table, row);
}

int subKekkaGyou(Sheet& table, const QStringList& keyTexts, const QStringList& labels, StatRow& stats,
                 store::Database* appDb, const context::ColourSettings& colours)
{
    GroupWriter writer(table, keyTexts, appDb, colours);
    return writer.write(labels, stats);
}

} // namespace tq::analysis
