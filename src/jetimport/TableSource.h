#pragma once
// A source of tables to convert: the libmdb reader of a Jet file, or a reader
// of a SQLite file (the same conversion, testable on generated data). Both hand
// out each table's columns with their declared types and its rows as cells.

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <variant>

namespace tq::jetimport {

// One value: Null, integer, real, text or bytes (binary and OLE columns).
using Cell = std::variant<std::monostate, qint64, double, QString, QByteArray>;

struct ColumnInfo {
    QString name;
    QString declaredType; // the SQLite declaration keeping the Jet name ("REAL SINGLE", "TEXT(50) COLLATE JET")
};

struct TableInfo {
    QString name;
    QList<ColumnInfo> columns;
    qint64 rowCount = 0; // as the source's table definition states it
};

// A value that could not be converted exactly; the cell then holds the best
// that could be read (U+FFFD for undecodable text) or Null.
struct CellProblem {
    int column = 0;
    QString reason;
};

// Receives rows in the source's order. Returning false stops the reading.
using RowSink = std::function<bool(const std::vector<Cell>& row, const QList<CellProblem>& problems)>;

class TableSource {
public:
    virtual ~TableSource() = default;
    // The user tables, in the source's order. Throws std::runtime_error.
    virtual QList<TableInfo> tables() = 0;
    // Streams every row of the table to `sink`. Throws std::runtime_error.
    virtual void readRows(const TableInfo& table, const RowSink& sink) = 0;
};

} // namespace tq::jetimport
