#pragma once
// The list behind the value search dialog: the rows of a catalogue-defined
// source (a table name or a SELECT statement), which of them are marked, and
// the texts handed back to the condition editor. No widgets: the dialog only
// shows this list and forwards clicks to it.
//
// Columns are 0-based here: column 0 is the entry's name (marking, searching
// and the returned names use it), column 1, when there is one, its code. The
// first column headed "登録" is a status column; rows whose status is "抹消"
// are struck off (the dialog shows their name in red).

#include "store/Value.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace tq::store {
class Database;
}

namespace tq::conditions {

// The names and codes of the marked entries, each joined with "+".
struct SearchChoice {
    QString names; // in: the starting selection ("+", "＋" or line breaks between names)
    QString codes; // out only
};

// The names of a starting selection: "+", "＋" and CR end a name, LF is
// dropped, empty names are skipped ("東京+中山＋京都", "東京\r\n中山").
QStringList splitSearchNames(const QString& names);

// Windows colour values of the list's cells (red in the lowest byte).
inline constexpr qint32 kMarkedColour = 16777088;   // RGB(128, 255, 255)
inline constexpr qint32 kUnmarkedColour = 16777215; // white
inline constexpr qint32 kStruckOffColour = 255;     // red

class ValueSearchList final {
  public:
    ValueSearchList() = default;
    // `rows` hold one value per header; shorter rows are padded with Null.
    ValueSearchList(QStringList headers, std::vector<std::vector<store::Value>> rows);

    // Reads every row of `source` from `db`: a SELECT statement as it is, any
    // other text as the name of a table. Throws store::DbError when the
    // database cannot run it.
    static ValueSearchList read(store::Database& db, const QString& source);

    int rowCount() const { return int(m_rows.size()); }
    int columnCount() const { return int(m_headers.size()); }
    const QString& header(int column) const { return m_headers.at(column); }
    // The cell as the grid shows it (Null shows as empty).
    QString text(int row, int column) const;

    bool isMarked(int row) const { return m_rows.at(row).marked; }
    void setMarked(int row, bool marked) { m_rows.at(row).marked = marked; }
    void toggleMark(int row) { setMarked(row, !isMarked(row)); }
    void clearMarks();
    // Marks every row whose name equals one of the starting selection's names
    // (exact comparison). Names not in the list mark nothing.
    void markNames(const QString& startingNames);

    // Whether the row's status column says "抹消".
    bool isStruckOff(int row) const;

    // The first row, from the top, whose name begins with `prefix`; -1 when
    // none. An empty prefix finds row 0 (when there is one).
    int findPrefix(const QString& prefix) const;

    // A header click: sorts all rows by `column`, ascending when it differs
    // from the last clicked column, otherwise in the opposite order of the
    // last sort. Stable; numbers come before texts (by value), then texts (by
    // UTF-16 code units), then empty cells; descending is the exact reverse.
    // Marks move with their rows.
    void sortByHeaderClick(int column);
    int sortColumn() const { return m_sortColumn; } // -1 before the first click
    bool sortDescending() const { return m_sortDescending; }

    // The marked rows' names and (with more than one column) codes, in the
    // current row order, each joined with "+".
    SearchChoice choice() const;

  private:
    struct Row {
        std::vector<store::Value> cells;
        bool marked = false;
    };

    QStringList m_headers;
    std::vector<Row> m_rows;
    int m_statusColumn = -1;
    int m_sortColumn = -1;
    bool m_sortDescending = false;
};

} // namespace tq::conditions
