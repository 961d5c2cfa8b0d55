#pragma once
// An updatable recordset (the dynaset of TBOpn) on a single-table SELECT or a
// bare table name. The rows are read when it opens (dynasets here are small:
// settings, registries, favourites); each change is written to the table at
// once by Update or Delete, and the row is read back so defaults and type
// conversions show.
//
// Navigation as Recordset, plus MovePrevious. Rows deleted through this
// dynaset are skipped by moves; reading a deleted current row throws
// "Record is deleted.". AddNew + Update appends the new row at the end and
// leaves the current row where it was.
//
// A SELECT that is not on one table (a join, DISTINCT, aggregates, a link to a
// read-only source) opens read-only: reading works, changing throws.
// Errors throw DbError.

#include "store/Connection.h"
#include "store/Value.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

namespace tq::store {

class Database;

class Dynaset final {
public:
    static std::unique_ptr<Dynaset> open(Database& db, const QString& jetSqlOrTable);

    bool isEOF() const { return m_current >= int(m_rows.size()); }
    bool isBOF() const { return m_current < 0; }
    void moveNext();
    void movePrevious();
    void moveFirst();
    void moveLast();
    int recordCount() const;

    int fieldCount() const { return int(m_columns.size()); }
    QString fieldName(int index) const;
    int fieldIndex(const QString& name) const; // -1 when absent
    QString declaredType(int index) const;
    FieldType fieldType(int index) const;

    // During AddNew or Edit the values being edited, else the current row's.
    Value value(int index) const;
    Value value(const QString& name) const;

    bool isUpdatable() const { return !m_table.isEmpty(); }
    void addNew();
    void edit();
    void setValue(int index, const Value& value);
    void setValue(const QString& name, const Value& value);
    void update();
    void cancelUpdate();
    void deleteCurrent();

private:
    struct Column {
        QString name;
        QString declaredType;
        QString origin; // column of the table, empty when not updatable
    };
    struct Row {
        qint64 rowid = 0;
        std::vector<Value> values;
        bool deleted = false;
    };
    enum class Mode { None, Edit, AddNew };

    Dynaset() = default;
    int columnIndex(const QString& name) const; // throws for an unknown name
    const Row& currentRow() const;
    void refreshRow(Row& row);
    void seekFrom(int index, int direction);
    [[noreturn]] void fail(const QString& message) const;

    std::shared_ptr<detail::Connection> m_conn;
    QString m_jetSql;
    QString m_table; // "schema"."table", empty when read-only
    std::vector<Column> m_columns;
    std::vector<Row> m_rows;
    int m_current = 0;
    int m_visited = -1; // highest row index stood on
    Mode m_mode = Mode::None;
    std::vector<Value> m_buffer;
    std::vector<bool> m_dirty;
    QHash<QString, int> m_names;
};

} // namespace tq::store
