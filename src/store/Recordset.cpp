#include "store/Recordset.h"

#include "store/RowBatch.h"

#include <sqlite3.h>

#include <algorithm>

namespace tq::store {

namespace {

[[noreturn]] void noCurrentRecord(const QString& jetSql)
{
    throw DbError(0, QStringLiteral("No current record."), jetSql);
}

QString foldName(const QString& name)
{
    // Field names compare without regard to the case of ASCII letters.
    QString folded = name;
    for (QChar& c : folded)
        if (c.unicode() < 128)
            c = c.toLower();
    return folded;
}

} // namespace

// The field keeps the column's value object: one column call per field, and
// the value calls of its accessors are plain reads. A copied cell answers as
// the value object it was copied from.
Field::Field(sqlite3_stmt* stmt, int index) : m_value(sqlite3_column_value(stmt, index)) {}

namespace {

[[noreturn]] void notCopiedAs(const char* form)
{
    throw DbError(0, QStringLiteral("The column was not copied to be read %1.").arg(QLatin1String(form)));
}

} // namespace

bool Field::isNull() const
{
    if (m_cell)
        return m_cell->kind() == Value::Kind::Null;
    return sqlite3_value_type(m_value) == SQLITE_NULL;
}

Value::Kind Field::kind() const
{
    if (m_cell)
        return m_cell->kind();
    switch (sqlite3_value_type(m_value)) {
    case SQLITE_NULL:
        return Value::Kind::Null;
    case SQLITE_INTEGER:
        return Value::Kind::Integer;
    case SQLITE_FLOAT:
        return Value::Kind::Real;
    default:
        return Value::Kind::Text;
    }
}

qint64 Field::toInt() const
{
    switch (kind()) {
    case Value::Kind::Integer:
        return m_cell ? m_cell->integer : sqlite3_value_int64(m_value);
    case Value::Kind::Null:
        return 0;
    case Value::Kind::Real:
        return realToInt(m_cell ? m_cell->real : sqlite3_value_double(m_value));
    case Value::Kind::Text:
        break;
    }
    return value().toInt();
}

double Field::toDouble() const
{
    if (!m_cell)
        return sqlite3_value_double(m_value);
    switch (m_cell->kind()) {
    case Value::Kind::Null:
        return 0;
    case Value::Kind::Integer:
        return double(m_cell->integer);
    case Value::Kind::Real:
        return m_cell->real;
    case Value::Kind::Text:
        break;
    }
    if (!m_cell->hasReal)
        notCopiedAs("as a number");
    return m_cell->real;
}

QString Field::toText() const
{
    switch (kind()) {
    case Value::Kind::Null:
        return {};
    case Value::Kind::Integer:
        return QString::number(toInt());
    case Value::Kind::Real:
        return realToText(m_cell ? m_cell->real : sqlite3_value_double(m_value));
    case Value::Kind::Text:
        break;
    }
    return QString::fromUtf8(utf8());
}

QByteArrayView Field::utf8Of(sqlite3_value* value)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return QByteArrayView(text, sqlite3_value_bytes(value));
}

QByteArrayView Field::utf8() const
{
    if (!m_cell)
        return utf8Of(m_value);
    if (m_cell->kind() == Value::Kind::Null)
        return {};
    if (!m_cell->hasText)
        notCopiedAs("as text");
    return QByteArrayView(m_cell->text, m_cell->textSize);
}

bool Recordset::utf8At(int index, QByteArrayView& text) const
{
    if (index < 0 || index >= m_fieldCount || m_eof) [[unlikely]]
        badField(index);
    sqlite3_value* v = sqlite3_column_value(m_lease.stmt, index);
    if (sqlite3_value_type(v) == SQLITE_NULL)
        return false;
    text = Field::utf8Of(v);
    return true;
}

Value Field::value() const
{
    switch (kind()) {
    case Value::Kind::Null:
        return {};
    case Value::Kind::Integer:
        return Value(toInt());
    case Value::Kind::Real:
        return Value(m_cell ? m_cell->real : sqlite3_value_double(m_value));
    case Value::Kind::Text:
        break;
    }
    return Value(toText());
}

Recordset::Recordset(std::shared_ptr<detail::Connection> conn, const QString& jetSql) : m_conn(std::move(conn))
{
    m_lease = m_conn->acquire(jetSql);
    if (!m_lease.stmt)
        throw DbError(0, QStringLiteral("A recordset needs a single SELECT statement."), jetSql, m_lease.script);
    m_fieldCount = sqlite3_column_count(m_lease.stmt);
    if (m_fieldCount == 0 || !sqlite3_stmt_readonly(m_lease.stmt)) {
        const QString sql = m_lease.key;
        m_conn->release(m_lease);
        throw DbError(0, QStringLiteral("Cannot open an action query as a recordset."), jetSql, sql);
    }
    m_eof = false;
    try {
        step();
    } catch (...) {
        m_conn->release(m_lease);
        throw;
    }
    // A cached statement is prepared again inside its first step when the
    // schema changed since (a column added on this connection): only now is
    // its column list current.
    m_fieldCount = sqlite3_column_count(m_lease.stmt);
}

Recordset::~Recordset()
{
    if (m_conn)
        m_conn->release(m_lease);
}

Recordset::Recordset(Recordset&& other) noexcept
    : m_conn(std::move(other.m_conn)), m_lease(std::exchange(other.m_lease, {})), m_fieldCount(other.m_fieldCount),
      m_eof(other.m_eof), m_position(other.m_position), m_count(other.m_count), m_names(std::move(other.m_names))
{
}

Recordset& Recordset::operator=(Recordset&& other) noexcept
{
    if (this != &other) {
        if (m_conn)
            m_conn->release(m_lease);
        m_conn = std::move(other.m_conn);
        m_lease = std::exchange(other.m_lease, {});
        m_fieldCount = other.m_fieldCount;
        m_eof = other.m_eof;
        m_position = other.m_position;
        m_count = other.m_count;
        m_names = std::move(other.m_names);
    }
    return *this;
}

void Recordset::step()
{
    const int rc = sqlite3_step(m_lease.stmt);
    if (rc == SQLITE_ROW) {
        ++m_position;
        m_count = std::max(m_count, m_position + 1);
    } else if (rc == SQLITE_DONE) {
        m_eof = true;
    } else {
        m_eof = true;
        sqlite3_reset(m_lease.stmt);
        m_conn->fail(rc, m_lease.jetSql, m_lease.key);
    }
}

void Recordset::rerun()
{
    sqlite3_reset(m_lease.stmt);
    m_eof = false;
    m_position = -1;
}

void Recordset::moveNext()
{
    if (m_eof)
        noCurrentRecord(m_lease.jetSql);
    step();
}

void Recordset::moveFirst()
{
    rerun();
    step();
}

void Recordset::moveLast()
{
    if (m_eof && m_count == 0)
        noCurrentRecord(m_lease.jetSql);
    // Count to the end, then run again and stop on the last row: the statement
    // streams forwards only and a finished statement keeps no row.
    while (!m_eof)
        step();
    const int total = m_count;
    rerun();
    for (int i = 0; i < total && !m_eof; ++i)
        step();
}

void Recordset::checkIndex(int index) const
{
    if (index < 0 || index >= m_fieldCount)
        throw DbError(0, QStringLiteral("Item not found in this collection."), m_lease.jetSql);
}

QString Recordset::fieldName(int index) const
{
    checkIndex(index);
    return QString::fromUtf8(sqlite3_column_name(m_lease.stmt, index));
}

int Recordset::fieldIndex(const QString& name) const
{
    if (m_names.isEmpty()) {
        for (int i = m_fieldCount - 1; i >= 0; --i) // first of equal names wins
            m_names.insert(foldName(QString::fromUtf8(sqlite3_column_name(m_lease.stmt, i))), i);
    }
    return m_names.value(foldName(name), -1);
}

QString Recordset::declaredType(int index) const
{
    checkIndex(index);
    return QString::fromUtf8(sqlite3_column_decltype(m_lease.stmt, index));
}

FieldType Recordset::fieldType(int index) const
{
    const FieldType declared = fieldTypeFromDeclared(declaredType(index));
    if (declared != FieldType::Unknown || m_eof)
        return declared;
    switch (sqlite3_column_type(m_lease.stmt, index)) {
    case SQLITE_INTEGER:
        return FieldType::Long;
    case SQLITE_FLOAT:
        return FieldType::Double;
    case SQLITE_TEXT:
        return FieldType::Text;
    case SQLITE_BLOB:
        return FieldType::LongBinary;
    default:
        return FieldType::Unknown;
    }
}

void Recordset::badField(int index) const
{
    checkIndex(index);
    noCurrentRecord(m_lease.jetSql);
}

Field Recordset::field(const QString& name) const
{
    const int index = fieldIndex(name);
    if (index < 0)
        throw DbError(0, QStringLiteral("Item not found in this collection: ") + name, m_lease.jetSql);
    return field(index);
}

} // namespace tq::store
