#pragma once
// A source of tables to convert: the libmdb reader of a Jet file, or a reader
// of a SQLite file (the same conversion, testable on generated data). Both hand
// out each table's columns with their declared types and its rows as cells.

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <stdexcept>
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
    QString unreadable;  // why the table the catalogue lists cannot be read; empty when it can
};

// A value that could not be converted exactly; the cell then holds the best
// that could be read (U+FFFD for undecodable text) or Null. `damaged` when the
// value was lost to damaged bytes (a broken long-value chain) rather than
// merely not convertible.
struct CellProblem {
    int column = 0;
    QString reason;
    bool damaged = false;
};

// Receives rows in the source's order. Returning false stops the reading.
using RowSink = std::function<bool(const std::vector<Cell>& row, const QList<CellProblem>& problems)>;

// What a reading hands its rows to.
struct RowHandlers {
    RowSink row;
    // A row left out because its bytes do not fit the table, with the reason.
    std::function<void(const QString& reason)> damaged;
    // Asked between rows and inside long reads; yes makes readRows throw
    // ImportCancelled.
    std::function<bool()> cancelled;
};

// Thrown when the cancel question said yes.
class ImportCancelled : public std::runtime_error {
public:
    ImportCancelled() : std::runtime_error("cancelled") {}
};

class TableSource {
public:
    virtual ~TableSource() = default;
    // The user tables, in the source's order; a table the catalogue lists but
    // whose definition cannot be read comes with `unreadable` set. Throws
    // std::runtime_error.
    virtual QList<TableInfo> tables() = 0;
    // Damage of the file beyond single tables (a catalogue with entries that
    // cannot be read, so tables may be missing unseen); empty when none.
    virtual QString damage() const { return {}; }
    // Streams every row of the table to `handlers`. Throws std::runtime_error,
    // ImportCancelled.
    virtual void readRows(const TableInfo& table, const RowHandlers& handlers) = 0;
};

} // namespace tq::jetimport
