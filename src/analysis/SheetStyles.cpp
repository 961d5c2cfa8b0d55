// The colours and row tags of a Sheet.

#include "analysis/Sheet.h"

#include "analysis/SheetColumn.h"

#include <stdexcept>

namespace tq::analysis {

qint32 Sheet::backColour(int row, int column) const
{
    checkCell(row, column);
    const Column& c = col(column);
    return c.back.empty() ? kDefaultColour : c.back[std::size_t(row)];
}

void Sheet::setBackColour(int row, int column, qint32 colour)
{
    checkCell(row, column);
    Column& c = col(column);
    if (c.back.empty()) {
        if (colour == kDefaultColour)
            return;
        c.back.assign(std::size_t(m_rowCount), kDefaultColour);
    }
    c.back[std::size_t(row)] = colour;
}

qint32 Sheet::foreColour(int row, int column) const
{
    checkCell(row, column);
    const Column& c = col(column);
    return c.fore.empty() ? kDefaultColour : c.fore[std::size_t(row)];
}

void Sheet::setForeColour(int row, int column, qint32 colour)
{
    checkCell(row, column);
    Column& c = col(column);
    if (c.fore.empty()) {
        if (colour == kDefaultColour)
            return;
        c.fore.assign(std::size_t(m_rowCount), kDefaultColour);
    }
    c.fore[std::size_t(row)] = colour;
}

QString Sheet::rowTag(int row) const
{
    if (row < 0 || row >= m_rowCount)
        throw std::out_of_range("Sheet: row out of range");
    return m_rowTags.empty() ? QString() : m_rowTags[std::size_t(row)];
}

void Sheet::setRowTag(int row, const QString& tag)
{
    if (row < 0 || row >= m_rowCount)
        throw std::out_of_range("Sheet: row out of range");
    if (m_rowTags.empty()) {
        if (tag.isEmpty())
            return;
        m_rowTags.resize(std::size_t(m_rowCount));
    }
    m_rowTags[std::size_t(row)] = tag;
}

} // namespace tq::analysis
