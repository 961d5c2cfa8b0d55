#include "jetimport/JetRows.h"

#include <QtEndian>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

namespace tq::jetimport {

namespace {

constexpr int kOffsetMask = 0x1FFF; // row offsets carry flags in their top bits
constexpr int kSkippedRow = 0x4000; // the flag of rows libmdb leaves out

int le16(const unsigned char* p)
{
    return qFromLittleEndian<quint16>(p);
}

guint32 le32(const unsigned char* p)
{
    return qFromLittleEndian<quint32>(p);
}

MdbHandle* handleOf(const MdbTableDef* table)
{
    return table->entry->mdb;
}

bool isJet3(const MdbTableDef* table)
{
    return handleOf(table)->f->jet_version == MDB_VER_JET3;
}

std::size_t countSize(const MdbTableDef* table)
{
    return isJet3(table) ? 1 : 2;
}

const MdbColumn* columnAt(const MdbTableDef* table, guint i)
{
    return static_cast<const MdbColumn*>(g_ptr_array_index(table->columns, i));
}

guint32 pageCount(MdbHandle* mdb)
{
    struct stat st {};
    if (fstat(fileno(mdb->f->stream), &st) != 0 || mdb->fmt->pg_size <= 0)
        return 0;
    return guint32(st.st_size / mdb->fmt->pg_size);
}

// The next page after `page` the table's usage map names; 0 when there is
// none. A map of a kind libmdb does not know means every page is looked at.
guint32 nextPage(MdbTableDef* table, guint32 page, guint32 pages)
{
    MdbHandle* mdb = handleOf(table);
    if (table->usage_map && table->map_sz > 0) {
        const gint32 next = mdb_map_find_next(mdb, table->usage_map, guint(table->map_sz), page);
        if (next >= 0)
            return guint32(next) > page ? guint32(next) : 0;
    }
    return page + 1 < pages ? page + 1 : 0;
}

// Visits the live rows of the page in the page buffer; false when stopped.
bool visitPage(MdbHandle* mdb, guint32 page, const std::function<bool(int, std::size_t)>& visit,
               const std::function<void(const QString&)>& lost)
{
    const int rco = mdb->fmt->row_count_offset;
    const int pageSize = int(mdb->fmt->pg_size);
    const int rows = le16(mdb->pg_buf + rco);
    if (rco + 2 + rows * 2 > pageSize) {
        lost(QStringLiteral("data page %1 states %2 rows, more than it can hold").arg(page).arg(rows));
        return true;
    }
    for (int r = 0; r < rows; ++r) {
        const int offset = le16(mdb->pg_buf + rco + 2 + r * 2);
        if (offset & kSkippedRow)
            continue;
        const int start = offset & kOffsetMask;
        const int end = r == 0 ? pageSize : le16(mdb->pg_buf + rco + r * 2) & kOffsetMask;
        if (start < rco + 2 + rows * 2 || start >= end || end > pageSize) {
            lost(QStringLiteral("row %1 of data page %2 lies outside the page's rows").arg(r).arg(page));
            continue;
        }
        if (!visit(start, std::size_t(end - start)))
            return false;
    }
    return true;
}

} // namespace

int maxRowColumns(MdbTableDef* table)
{
    MdbHandle* mdb = handleOf(table);
    int stated = 0;
    if (mdb_read_pg(mdb, table->entry->table_pg) == mdb->fmt->pg_size)
        stated = le16(mdb->pg_buf + mdb->fmt->tab_num_cols_offset - 4);
    int live = 0;
    for (guint i = 0; i < table->num_cols; ++i)
        live = std::max(live, columnAt(table, i)->col_num + 1);
    return std::max(stated, live);
}

void forEachRow(MdbTableDef* table, const std::function<bool(int start, std::size_t size)>& visit,
                const std::function<void(const QString& reason)>& lost)
{
    MdbHandle* mdb = handleOf(table);
    const guint32 pages = pageCount(mdb);
    for (guint32 page = nextPage(table, 0, pages); page != 0; page = nextPage(table, page, pages)) {
        if (page >= pages)
            continue; // named by a damaged map; the rows missing are counted by the caller
        if (mdb_read_pg(mdb, page) != mdb->fmt->pg_size)
            continue;
        if (mdb->pg_buf[0] != MDB_PAGE_DATA || le32(mdb->pg_buf + 4) != table->entry->table_pg)
            continue; // another table's page, or one the map names wrongly
        if (!visitPage(mdb, page, visit, lost))
            return;
    }
}

QString rowHeaderDamage(const MdbTableDef* table, int maxColumns, int start, std::size_t size)
{
    const unsigned char* row = handleOf(table)->pg_buf + start;
    const bool jet3 = isJet3(table);
    const std::size_t count = countSize(table);
    if (size <= count)
        return QStringLiteral("a row of %1 bytes").arg(size);
    const int columns = jet3 ? row[0] : le16(row);
    if (columns < 1 || columns > maxColumns)
        return QStringLiteral("the row states %1 columns where the table has %2").arg(columns).arg(maxColumns);
    const std::size_t mask = std::size_t(columns + 7) / 8;
    const std::size_t varCount = table->num_var_cols > 0 ? (jet3 ? 1 : 2) : 0;
    if (count + mask + varCount > size)
        return QStringLiteral("a row of %1 bytes cannot hold %2 columns").arg(size).arg(columns);
    const unsigned char* end = row + size - 1;
    // The null mask's bits past the row's columns are clear in a row that
    // states its count rightly.
    const unsigned char lastMaskByte = end[0];
    if (columns % 8 != 0 && (lastMaskByte >> (columns % 8)) != 0)
        return QStringLiteral("the row's null mask marks more columns than the %1 it states").arg(columns);
    if (table->num_var_cols == 0)
        return {};
    const int varColumns = jet3 ? end[-std::ptrdiff_t(mask)] : le16(end - mask - 1);
    if (varColumns > columns)
        return QStringLiteral("the row states %1 variable columns of %2").arg(varColumns).arg(columns);
    // The offsets of the variable columns and the end of data, and in Jet 3
    // the jump table, lie before the count and the null mask.
    const std::size_t offsets = jet3 ? std::size_t(varColumns + 1) + (size - 1) / 256 : std::size_t(varColumns + 1) * 2;
    if (count + offsets + varCount + mask > size)
        return QStringLiteral("a row of %1 bytes cannot hold %2 variable columns").arg(size).arg(varColumns);
    return {};
}

bool columnInRow(const MdbColumn* column, int rowColumns)
{
    return column->col_num < rowColumns;
}

QString rowFieldsDamage(const MdbTableDef* table, const MdbField* fields, int rowColumns, int start, std::size_t size)
{
    const int count = int(countSize(table));
    int held = 0;
    int fixedEnd = count;
    int firstVariable = -1;
    for (guint i = 0; i < table->num_cols; ++i) {
        const MdbColumn* column = columnAt(table, i);
        if (!columnInRow(column, rowColumns))
            continue;
        ++held;
        const MdbField& f = fields[i];
        const QString name = QString::fromUtf8(column->name);
        if (!f.value)
            return QStringLiteral("column %1 is missing from the row").arg(name);
        const int from = f.start - start;
        if (f.siz < 0 || from < count || std::size_t(from) + std::size_t(f.siz) > size)
            return QStringLiteral("column %1 lies outside the row").arg(name);
        if (column->is_fixed)
            fixedEnd = std::max(fixedEnd, from + f.siz);
        else if (column->var_col_num == 0)
            firstVariable = from;
    }
    // Without deleted columns in the row the variable columns follow the
    // fixed ones at once; a deleted fixed column may leave a gap.
    const bool exact = held == rowColumns;
    if (firstVariable >= 0 && (exact ? firstVariable != fixedEnd : firstVariable < fixedEnd))
        return QStringLiteral("the fixed columns end at byte %1, the variable ones start at %2").arg(fixedEnd).arg(firstVariable);
    return {};
}

} // namespace tq::jetimport
