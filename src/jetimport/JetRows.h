#pragma once
// The rows of a Jet table as their bytes lie on the data pages, checked
// against the table's definition before their values are read.
//
// libmdb takes a row's own header (its column count, its offset tables) on
// trust and silently drops a row it cannot crack; here every row of the
// table's data pages is visited, and one whose header or value positions do
// not fit the definition is reported as damaged, with the reason, instead of
// being read into the wrong columns or lost unseen.

// glib first: mdbtools.h includes it inside extern "C", where its C++ templates fail.
#include <glib.h>
#include <mdbtools.h>

#include <QString>

#include <cstddef>
#include <functional>

namespace tq::jetimport {

// The column count a row of `table` may state: the definition's count with
// deleted columns (read from its definition page, which is left in the page
// buffer), at least the live count.
int maxRowColumns(MdbTableDef* table);

// Calls `visit(start, size)` for each live row of the table's data pages, in
// page order, with its page in the handle's page buffer. Rows that cannot be
// located on a page are passed to `lost` with the reason. Returning false
// from `visit` stops the walk.
void forEachRow(MdbTableDef* table, const std::function<bool(int start, std::size_t size)>& visit,
                const std::function<void(const QString& reason)>& lost);

// Why the row (bytes [start, start + size) of the page buffer) cannot be a
// row of `table`; empty when its header fits. Checked before mdb_crack_row,
// which reads the row's offset tables without these bounds.
QString rowHeaderDamage(const MdbTableDef* table, int maxColumns, int start, std::size_t size);

// Whether the column is held in a row that states `rowColumns` columns
// (a column added after the row was written is not, and reads as Null).
bool columnInRow(const MdbColumn* column, int rowColumns);

// Why the fields mdb_crack_row made of the row do not fit the table; empty
// when every column the row holds lies inside it and the fixed-size columns
// end where the variable ones start.
QString rowFieldsDamage(const MdbTableDef* table, const MdbField* fields, int rowColumns, int start, std::size_t size);

} // namespace tq::jetimport
