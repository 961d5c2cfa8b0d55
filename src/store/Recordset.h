#pragma once
// A read-only recordset (the snapshot of TBOpr): rows are streamed from the
// statement, never held in memory, so a million-row query costs one row.
//
// Navigation as the original engine's recordsets: on open it stands on the
// first row (or at EOF when there is none); MoveNext, MoveFirst (re-runs the
// statement), MoveLast (steps to the end, then re-runs to stand on the last
// row). RecordCount is the number of rows visited so far, which is the total
// once the end has been reached (MoveLast or MoveNext onto EOF).
//
// Fields by index (0-based, fast) or by name (letter case of ASCII letters
// ignored). A Field is a view of the current row: read it before moving.
// Errors throw DbError: "No current record." when reading or moving at EOF,
// "Item not found in this collection." for an unknown field.

#include "store/Connection.h"
#include "store/Value.h"

#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <memory>

struct sqlite3_stmt;
struct sqlite3_value;

namespace tq::store {

namespace detail {
struct CopiedCell;
}

class Field final {
  public:
    bool isNull() const;
    Value::Kind kind() const; // the storage class of the current value
    qint64 toInt() const;     // Null -> 0; reals rounded halves to even
    double toDouble() const;  // Null -> 0
    QString toText() const;   // Null -> empty
    // The text's UTF-8 bytes without a copy; valid until the recordset moves.
    QByteArrayView utf8() const;
    Value value() const;

  private:
    friend class Recordset;
    friend class RowBatch;
    Field(sqlite3_stmt* stmt, int index);
    // The text of a statement's value object (a number converted, as SQLite
    // converts it); valid until the statement moves.
    static QByteArrayView utf8Of(sqlite3_value* value);
    explicit Field(const detail::CopiedCell* cell) : m_cell(cell) {}
    // A column of the statement's current row, or a cell copied out of it
    // (RowBatch), read the same way.
    sqlite3_value* m_value = nullptr;
    const detail::CopiedCell* m_cell = nullptr;
};

// A row whose fields can be read: the current row of a recordset, or a row
// copied out of one (BatchRow).
class Row {
  public:
    virtual Field field(int index) const = 0;

  protected:
    ~Row() = default;
};

class Recordset final : public Row {
  public:
    ~Recordset();
    Recordset(Recordset&& other) noexcept;
    Recordset& operator=(Recordset&& other) noexcept;
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    bool isEOF() const { return m_eof; }
    void moveNext();
    void moveFirst();
    void moveLast();
    int recordCount() const { return m_count; }

    int fieldCount() const { return m_fieldCount; }
    QString fieldName(int index) const;
    int fieldIndex(const QString& name) const; // -1 when absent
    // The column's declared type ("INTEGER LONG", "TEXT(8) COLLATE JET"), empty
    // for an expression.
    QString declaredType(int index) const;
    // From the declared type; for an expression, from the current value.
    FieldType fieldType(int index) const;

    Field field(int index) const override
    {
        if (index < 0 || index >= m_fieldCount || m_eof) [[unlikely]]
            badField(index);
        return Field(m_lease.stmt, index);
    }
    Field field(const QString& name) const;
    // The current row's column as UTF-8 (as Field::utf8 reads it), false when
    // it is Null: one call where a loop reads many columns of every row.
    bool utf8At(int index, QByteArrayView& text) const;
    Value value(int index) const { return field(index).value(); }
    Value value(const QString& name) const { return field(name).value(); }

    // Internal: Database::openRecordset builds it.
    Recordset(std::shared_ptr<detail::Connection> conn, const QString& jetSql);

  private:
    friend class RowBatch; // copies columns of the current row, checked once per batch
    void step();
    void rerun();
    void checkIndex(int index) const;
    [[noreturn]] void badField(int index) const;

    std::shared_ptr<detail::Connection> m_conn;
    detail::Lease m_lease;
    int m_fieldCount = 0;
    bool m_eof = true;
    int m_position = -1; // 0-based index of the current row
    int m_count = 0;
    mutable QHash<QString, int> m_names; // folded name -> index, built on first use
};

} // namespace tq::store
