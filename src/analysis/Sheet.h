#pragma once
// The grid model of the analysis tool: header texts, column widths, rows of
// typed cells with colours, a Tag text per row and one for the sheet, sorting
// and copying. Result grids, history grids and horse lists are Sheets; the
// window layer only displays them (ui/SheetModel), it never fills them.
//
// Indexes are 0-based: rows 0..rowCount()-1 are data rows (the grid's rows
// 1..n), columns 0..columnCount()-1 (the grid's columns 1..n). The header row
// is reached through header()/setHeader().
//
// Storage is per column: one byte of kind per cell, a vector of numbers only
// when the column holds numbers, a vector of 32-bit text references only when
// it holds texts, and a per-column text pool, one UTF-16 buffer that stores
// every distinct text once (in a column marked as holding distinct texts,
// keys, each text as it comes unless it repeats the row above). Colours and
// row Tags take memory only once one is set. Appending a row and setting its
// cells allocates nothing but the growth of these buffers. A million-row
// default list therefore costs tens of bytes per row, not hundreds.
//
// Cell kinds:
//  - Integer: a whole number, shown as its digits.
//  - Decimal: a double shown with its own number of decimal places (rounded
//    half away from zero on the decimal value); the cell keeps the full value.
//  - Text: a text shown unchanged. StaticText: the same, marked as a label
//    that the grid shows as plain text (a "初出走" in a numeric list column).
//  - Empty.
//
// Sorting (sort()): stable; ascending order puts numbers first (by value),
// then texts (by UTF-16 code units), then empty cells; descending is the exact
// reverse of that order, so empty cells come first. Colours and row Tags move
// with their rows.
//
// Threading: none; one thread at a time. Text views returned by textView()
// are valid until the next change of the sheet.

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tq::analysis {

class TextPool;

enum class CellKind : quint8 { Empty = 0, Integer = 1, Decimal = 2, Text = 3, StaticText = 4 };

struct SortKey {
    int column = 0;
    bool descending = false;
};

// A rectangle of cells for copying; rows may include the header row as -1.
struct SheetRange {
    int firstRow = 0;
    int firstColumn = 0;
    int lastRow = 0;    // inclusive
    int lastColumn = 0; // inclusive
};

class Sheet final {
  public:
    // The width a column gets when nothing set it (the grid's width unit:
    // characters of the grid font).
    static constexpr double kDefaultColumnWidth = 10.0;
    // A colour value meaning "the grid's normal colour".
    static constexpr qint32 kDefaultColour = -1;

    Sheet();
    ~Sheet();
    Sheet(const Sheet& other);
    Sheet& operator=(const Sheet& other);
    Sheet(Sheet&&) noexcept;
    Sheet& operator=(Sheet&&) noexcept;

    // --- columns and header -------------------------------------------------
    int columnCount() const { return int(m_columns.size()); }
    // Grows with empty columns (default width, empty header, empty cells) or
    // drops columns from the right.
    void setColumnCount(int count);
    QString header(int column) const;
    void setHeader(int column, const QString& text);
    QStringList headers() const;
    // The column whose header text equals `text`, or -1.
    int columnOfHeader(QStringView text) const;

    // Marks a column whose texts are nearly all distinct (race and result
    // keys): its texts are then stored without looking for an equal earlier
    // one, which saves the lookup's time and its table. Shown texts do not
    // change. Kept by clearRows().
    void setColumnTextsDistinct(int column, bool distinct);

    // kDefaultColumnWidth until setColumnWidth gave the column a width.
    double columnWidth(int column) const;
    void setColumnWidth(int column, double width);
    // Whether setColumnWidth gave the column its width (a stored or chosen
    // one); a grid sizes the other columns to their header and contents.
    bool hasColumnWidth(int column) const;
    bool isColumnHidden(int column) const { return columnWidth(column) <= 0.0; }

    // --- rows ---------------------------------------------------------------
    int rowCount() const { return m_rowCount; }
    // Grows with empty rows or drops rows from the end.
    void setRowCount(int count);
    // Appends an empty row and returns its index.
    int appendRow();
    void removeRow(int row);
    // No rows; columns, headers and widths stay.
    void clearRows();
    // No rows, no columns, no header; the sheet Tag stays.
    void clear();

    // --- cells --------------------------------------------------------------
    CellKind kind(int row, int column) const;
    bool isNumber(int row, int column) const;
    void setEmpty(int row, int column);
    void setInteger(int row, int column, qint64 value);
    // `places`: the decimal places shown (0-15).
    void setDecimal(int row, int column, double value, int places = 1);
    void setText(int row, int column, QStringView text);
    // A text cell from the UTF-8 bytes a database hands out (decoded as
    // QString::fromUtf8 would), without building a QString.
    void setTextUtf8(int row, int column, QByteArrayView utf8);
    void setStaticText(int row, int column, QStringView text);
    // Cell (row, column) gets the kind and value of cell (fromRow, column);
    // its colours stay. Cheaper than setting the same text again.
    void copyCell(int fromRow, int row, int column);

    // The number of a numeric cell (0 for others).
    double number(int row, int column) const;
    qint64 integer(int row, int column) const;
    int decimalPlaces(int row, int column) const;
    // The text of a text cell (empty for others).
    QStringView textView(int row, int column) const;
    // What the grid shows in the cell: the digits of an integer, a decimal with
    // its places, a text unchanged, nothing for an empty cell.
    QString displayText(int row, int column) const;
    // displayText, with a decimal cell shown with `places` places instead of its own.
    QString displayText(int row, int column, int places) const;

    qint32 backColour(int row, int column) const;
    void setBackColour(int row, int column, qint32 colour);
    qint32 foreColour(int row, int column) const;
    void setForeColour(int row, int column, qint32 colour);

    QString rowTag(int row) const;
    void setRowTag(int row, const QString& tag);
    const QString& tag() const { return m_tag; }
    void setTag(const QString& tag) { m_tag = tag; }

    // --- operations ---------------------------------------------------------
    // Sorts all rows by the keys in order (the first key decides, later keys
    // break ties); stable. Keys naming a column outside the sheet are ignored.
    void sort(std::span<const SortKey> keys);
    void sort(int column, bool descending)
    {
        const SortKey k{column, descending};
        sort(std::span(&k, 1));
    }

    // The shown texts of a range, cells separated by TAB and rows ended by
    // CR LF. Row -1 is the header row. The range is clipped to the sheet.
    QString toTsv(const SheetRange& range) const;

    // The bytes the sheet holds (vectors' capacities, text pools), for
    // measurements.
    std::size_t memoryBytes() const;

  private:
    struct Column;

    Column& col(int column);
    const Column& col(int column) const;
    void checkCell(int row, int column) const;
    TextPool& writablePool(int row, int column);
    void setTextCell(int row, int column, QStringView text, CellKind kind);
    int compareCells(int column, int rowA, int rowB) const;

    std::vector<std::unique_ptr<Column>> m_columns;
    int m_rowCount = 0;
    std::vector<QString> m_rowTags; // empty until a Tag is set
    QString m_tag;
};

} // namespace tq::analysis
