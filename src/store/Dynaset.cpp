#include "store/Dynaset.h"

#include "store/Database.h"
#include "store/JetTranslator.h"

#include <sqlite3.h>

namespace tq::store {

namespace {

QString foldName(const QString& name)
{
    QString folded = name;
    for (QChar& c : folded)
        if (c.unicode() < 128)
            c = c.toLower();
    return folded;
}

// The table name when the text is a bare (possibly bracketed) name.
QString bareTableName(const QString& text)
{
    const QString t = text.trimmed();
    if (t.size() >= 2 && t.startsWith(u'[') && t.endsWith(u']') && t.indexOf(u']') == t.size() - 1)
        return t.mid(1, t.size() - 2);
    for (const QChar c : t)
        if (c.isSpace() || c == u'(' || c == u';' || c == u',' || c == u'\'' || c == u'"')
            return {};
    return t;
}

// The SELECT with the table's rowid as an extra first column, or empty when
// the statement is not a plain SELECT (DISTINCT rows have no single rowid).
QString withRowid(const QString& sql)
{
    qsizetype i = 0;
    while (i < sql.size() && sql.at(i).isSpace())
        ++i;
    if (sql.mid(i, 6).compare(QLatin1String("SELECT"), Qt::CaseInsensitive) != 0)
        return {};
    i += 6;
    if (i >= sql.size() || !sql.at(i).isSpace())
        return {};
    const QString rest = sql.mid(i);
    const QString next = rest.trimmed().section(u' ', 0, 0).toUpper();
    if (next == QLatin1String("DISTINCT") || next == QLatin1String("DISTINCTROW"))
        return {};
    return sql.left(i) + QStringLiteral(" rowid AS tq_rowid_,") + rest;
}

Value columnValue(sqlite3_stmt* stmt, int i)
{
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_NULL: return {};
    case SQLITE_INTEGER: return Value(qint64(sqlite3_column_int64(stmt, i)));
    case SQLITE_FLOAT: return Value(sqlite3_column_double(stmt, i));
    default:
        return Value(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                                       sqlite3_column_bytes(stmt, i)));
    }
}

void bindValue(sqlite3_stmt* stmt, int index, const Value& v)
{
    switch (v.kind()) {
    case Value::Kind::Null: sqlite3_bind_null(stmt, index); break;
    case Value::Kind::Integer: sqlite3_bind_int64(stmt, index, v.toInt()); break;
    case Value::Kind::Real: sqlite3_bind_double(stmt, index, v.toDouble()); break;
    case Value::Kind::Text: {
        const QByteArray utf8 = v.toText().toUtf8();
        sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        break;
    }
    }
}

// Owns one statement for the length of a scope.
struct Stmt {
    sqlite3_stmt* p = nullptr;
    ~Stmt() { sqlite3_finalize(p); }
};

} // namespace

void Dynaset::fail(const QString& message) const { throw DbError(0, message, m_jetSql); }

std::unique_ptr<Dynaset> Dynaset::open(Database& db, const QString& jetSqlOrTable)
{
    std::unique_ptr<Dynaset> ds(new Dynaset);
    ds->m_conn = db.connection();
    ds->m_jetSql = jetSqlOrTable;
    sqlite3* raw = ds->m_conn->db();

    QString sql;
    const QString table = bareTableName(jetSqlOrTable);
    if (!table.isEmpty()) {
        sql = QStringLiteral("SELECT * FROM ") + detail::quoteIdentifier(table);
    } else {
        if (detail::hasSecondStatement(jetSqlOrTable))
            ds->fail(QStringLiteral("Characters found after end of SQL statement."));
        try {
            sql = translateJet(jetSqlOrTable);
        } catch (const DbError& e) {
            throw DbError(e.code(), e.engineMessage(), jetSqlOrTable, e.sqliteSql());
        }
    }

    Stmt stmt;
    bool hasRowid = false;
    if (const QString injected = withRowid(sql); !injected.isEmpty()) {
        const QByteArray utf8 = injected.toUtf8();
        if (sqlite3_prepare_v2(raw, utf8.constData(), int(utf8.size()), &stmt.p, nullptr) == SQLITE_OK && stmt.p)
            hasRowid = true;
        else {
            sqlite3_finalize(stmt.p);
            stmt.p = nullptr;
        }
    }
    if (!stmt.p) {
        const QByteArray utf8 = sql.toUtf8();
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(raw, utf8.constData(), int(utf8.size()), &stmt.p, &tail);
        if (rc != SQLITE_OK)
            throw DbError(rc, QString::fromUtf8(sqlite3_errmsg(raw)), jetSqlOrTable, sql);
        if (!stmt.p || tail != utf8.constData() + utf8.size())
            throw DbError(0, QStringLiteral("A recordset needs a single SELECT statement."), jetSqlOrTable, sql);
    }
    if (sqlite3_column_count(stmt.p) == 0 || !sqlite3_stmt_readonly(stmt.p))
        throw DbError(0, QStringLiteral("Cannot open an action query as a recordset."), jetSqlOrTable, sql);

    // Columns, and the one table they come from when there is one.
    const int first = hasRowid ? 1 : 0;
    const int count = sqlite3_column_count(stmt.p);
    QString schema;
    QString source;
    bool single = hasRowid;
    for (int i = first; i < count; ++i) {
        Column c;
        c.name = QString::fromUtf8(sqlite3_column_name(stmt.p, i));
        c.declaredType = QString::fromUtf8(sqlite3_column_decltype(stmt.p, i));
        const char* tableName = sqlite3_column_table_name(stmt.p, i);
        if (tableName) {
            const QString s = QString::fromUtf8(sqlite3_column_database_name(stmt.p, i));
            const QString t = QString::fromUtf8(tableName);
            if (source.isEmpty()) {
                schema = s;
                source = t;
            } else if (s != schema || t != source) {
                single = false;
            }
            c.origin = QString::fromUtf8(sqlite3_column_origin_name(stmt.p, i));
        }
        ds->m_columns.push_back(c);
    }
    if (single && !source.isEmpty() && schema == QLatin1String("main"))
        ds->m_table = detail::quoteIdentifier(schema) + u'.' + detail::quoteIdentifier(source);
    else
        for (Column& c : ds->m_columns)
            c.origin.clear();

    int rc;
    while ((rc = sqlite3_step(stmt.p)) == SQLITE_ROW) {
        Row row;
        row.rowid = hasRowid ? sqlite3_column_int64(stmt.p, 0) : 0;
        row.values.reserve(ds->m_columns.size());
        for (int i = first; i < count; ++i)
            row.values.push_back(columnValue(stmt.p, i));
        ds->m_rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE)
        throw DbError(rc, QString::fromUtf8(sqlite3_errmsg(raw)), jetSqlOrTable, sql);
    ds->m_current = 0;
    ds->m_visited = ds->m_rows.empty() ? -1 : 0;
    return ds;
}

int Dynaset::recordCount() const
{
    int n = 0;
    for (int i = 0; i <= m_visited && i < int(m_rows.size()); ++i)
        n += m_rows[size_t(i)].deleted ? 0 : 1;
    return n;
}

void Dynaset::seekFrom(int index, int direction)
{
    while (index >= 0 && index < int(m_rows.size()) && m_rows[size_t(index)].deleted)
        index += direction;
    m_current = std::clamp(index, -1, int(m_rows.size()));
    if (m_current >= 0 && m_current < int(m_rows.size()))
        m_visited = std::max(m_visited, m_current);
    else if (m_current >= int(m_rows.size()))
        m_visited = int(m_rows.size()) - 1;
}

void Dynaset::moveNext()
{
    if (isEOF())
        fail(QStringLiteral("No current record."));
    cancelUpdate();
    seekFrom(m_current + 1, 1);
}

void Dynaset::movePrevious()
{
    if (isBOF())
        fail(QStringLiteral("No current record."));
    cancelUpdate();
    seekFrom(m_current - 1, -1);
}

void Dynaset::moveFirst()
{
    cancelUpdate();
    seekFrom(0, 1);
}

void Dynaset::moveLast()
{
    cancelUpdate();
    m_visited = int(m_rows.size()) - 1;
    seekFrom(int(m_rows.size()) - 1, -1);
    if (isBOF())
        m_current = int(m_rows.size()); // no live rows: stand at EOF
}

QString Dynaset::fieldName(int index) const
{
    if (index < 0 || index >= fieldCount())
        fail(QStringLiteral("Item not found in this collection."));
    return m_columns[size_t(index)].name;
}

int Dynaset::fieldIndex(const QString& name) const
{
    if (m_names.isEmpty()) {
        auto& names = const_cast<QHash<QString, int>&>(m_names);
        for (int i = fieldCount() - 1; i >= 0; --i)
            names.insert(foldName(m_columns[size_t(i)].name), i);
    }
    return m_names.value(foldName(name), -1);
}

int Dynaset::columnIndex(const QString& name) const
{
    const int index = fieldIndex(name);
    if (index < 0)
        fail(QStringLiteral("Item not found in this collection: ") + name);
    return index;
}

QString Dynaset::declaredType(int index) const
{
    fieldName(index); // range check
    return m_columns[size_t(index)].declaredType;
}

FieldType Dynaset::fieldType(int index) const
{
    const FieldType declared = fieldTypeFromDeclared(declaredType(index));
    if (declared != FieldType::Unknown || isEOF() || isBOF())
        return declared;
    switch (m_rows[size_t(m_current)].values[size_t(index)].kind()) {
    case Value::Kind::Integer: return FieldType::Long;
    case Value::Kind::Real: return FieldType::Double;
    case Value::Kind::Text: return FieldType::Text;
    case Value::Kind::Null: return FieldType::Unknown;
    }
    return FieldType::Unknown;
}

const Dynaset::Row& Dynaset::currentRow() const
{
    if (isEOF() || isBOF())
        fail(QStringLiteral("No current record."));
    const Row& row = m_rows[size_t(m_current)];
    if (row.deleted)
        fail(QStringLiteral("Record is deleted."));
    return row;
}

Value Dynaset::value(int index) const
{
    fieldName(index); // range check
    if (m_mode != Mode::None)
        return m_buffer[size_t(index)];
    return currentRow().values[size_t(index)];
}

Value Dynaset::value(const QString& name) const { return value(columnIndex(name)); }

void Dynaset::addNew()
{
    if (!isUpdatable())
        fail(QStringLiteral("Cannot update. Database or object is read-only."));
    m_mode = Mode::AddNew;
    m_buffer.assign(m_columns.size(), Value());
    m_dirty.assign(m_columns.size(), false);
}

void Dynaset::edit()
{
    if (!isUpdatable())
        fail(QStringLiteral("Cannot update. Database or object is read-only."));
    m_buffer = currentRow().values;
    m_dirty.assign(m_columns.size(), false);
    m_mode = Mode::Edit;
}

void Dynaset::setValue(int index, const Value& value)
{
    fieldName(index); // range check
    if (m_mode == Mode::None)
        fail(QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    if (m_columns[size_t(index)].origin.isEmpty())
        fail(QStringLiteral("Field cannot be updated: ") + m_columns[size_t(index)].name);
    m_buffer[size_t(index)] = value;
    m_dirty[size_t(index)] = true;
}

void Dynaset::setValue(const QString& name, const Value& value) { setValue(columnIndex(name), value); }

void Dynaset::cancelUpdate()
{
    m_mode = Mode::None;
    m_buffer.clear();
    m_dirty.clear();
}

void Dynaset::refreshRow(Row& row)
{
    QStringList origins;
    std::vector<int> indexes;
    for (int i = 0; i < fieldCount(); ++i) {
        if (!m_columns[size_t(i)].origin.isEmpty()) {
            origins << detail::quoteIdentifier(m_columns[size_t(i)].origin);
            indexes.push_back(i);
        }
    }
    if (origins.isEmpty())
        return;
    Stmt stmt;
    stmt.p = m_conn->prepareNative(QStringLiteral("SELECT ") + origins.join(u',') + QStringLiteral(" FROM ") + m_table
                                   + QStringLiteral(" WHERE rowid = ?1"));
    sqlite3_bind_int64(stmt.p, 1, row.rowid);
    if (sqlite3_step(stmt.p) == SQLITE_ROW)
        for (size_t k = 0; k < indexes.size(); ++k)
            row.values[size_t(indexes[k])] = columnValue(stmt.p, int(k));
}

void Dynaset::update()
{
    if (m_mode == Mode::None)
        fail(QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    QStringList names;
    std::vector<int> indexes;
    for (int i = 0; i < fieldCount(); ++i) {
        if (m_dirty[size_t(i)]) {
            names << detail::quoteIdentifier(m_columns[size_t(i)].origin);
            indexes.push_back(i);
        }
    }
    sqlite3* db = m_conn->db();
    Stmt stmt;
    if (m_mode == Mode::AddNew) {
        QString sql = QStringLiteral("INSERT INTO ") + m_table;
        if (names.isEmpty()) {
            sql += QStringLiteral(" DEFAULT VALUES");
        } else {
            QStringList marks;
            for (size_t k = 1; k <= indexes.size(); ++k)
                marks << u'?' + QString::number(k);
            sql += QStringLiteral(" (") + names.join(u',') + QStringLiteral(") VALUES (") + marks.join(u',') + u')';
        }
        stmt.p = m_conn->prepareNative(sql);
        for (size_t k = 0; k < indexes.size(); ++k)
            bindValue(stmt.p, int(k) + 1, m_buffer[size_t(indexes[k])]);
        const int rc = sqlite3_step(stmt.p);
        if (rc != SQLITE_DONE)
            throw DbError(rc, QString::fromUtf8(sqlite3_errmsg(db)), m_jetSql, sql);
        Row row;
        row.rowid = sqlite3_last_insert_rowid(db);
        row.values = m_buffer;
        refreshRow(row);
        m_rows.push_back(std::move(row));
    } else {
        Row& row = m_rows[size_t(m_current)];
        if (!names.isEmpty()) {
            QStringList sets;
            for (size_t k = 0; k < indexes.size(); ++k)
                sets << names[qsizetype(k)] + QStringLiteral(" = ?") + QString::number(k + 1);
            const QString sql = QStringLiteral("UPDATE ") + m_table + QStringLiteral(" SET ") + sets.join(u',')
                + QStringLiteral(" WHERE rowid = ?") + QString::number(indexes.size() + 1);
            stmt.p = m_conn->prepareNative(sql);
            for (size_t k = 0; k < indexes.size(); ++k)
                bindValue(stmt.p, int(k) + 1, m_buffer[size_t(indexes[k])]);
            sqlite3_bind_int64(stmt.p, int(indexes.size()) + 1, row.rowid);
            const int rc = sqlite3_step(stmt.p);
            if (rc != SQLITE_DONE)
                throw DbError(rc, QString::fromUtf8(sqlite3_errmsg(db)), m_jetSql, sql);
            if (sqlite3_changes(db) == 0)
                fail(QStringLiteral("Record is deleted."));
            refreshRow(row);
        }
    }
    cancelUpdate();
}

void Dynaset::deleteCurrent()
{
    if (!isUpdatable())
        fail(QStringLiteral("Cannot update. Database or object is read-only."));
    cancelUpdate();
    currentRow(); // throws at EOF or on a deleted row
    Row& row = m_rows[size_t(m_current)];
    Stmt stmt;
    const QString sql = QStringLiteral("DELETE FROM ") + m_table + QStringLiteral(" WHERE rowid = ?1");
    stmt.p = m_conn->prepareNative(sql);
    sqlite3_bind_int64(stmt.p, 1, row.rowid);
    const int rc = sqlite3_step(stmt.p);
    if (rc != SQLITE_DONE)
        throw DbError(rc, QString::fromUtf8(sqlite3_errmsg(m_conn->db())), m_jetSql, sql);
    row.deleted = true;
}

} // namespace tq::store
