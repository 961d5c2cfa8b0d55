#pragma once
// A field value as the database layer hands it out: Null, a 64-bit integer, a
// double or a text. Cheap to copy for numbers; text is an implicitly shared
// QString. Also the field types of the layer, numbered as the original engine
// numbered them (Text 10, Long 4, ...), derived from the declared column type.

#include <QString>

#include <variant>

namespace tq::store {

class Value final {
public:
    enum class Kind { Null, Integer, Real, Text };

    Value() = default; // Null
    Value(int v) : m_v(qint64(v)) {}
    Value(qint64 v) : m_v(v) {}
    Value(double v) : m_v(v) {}
    Value(QString v) : m_v(std::move(v)) {}
    Value(const char*) = delete; // say QStringLiteral: no silent Latin-1/UTF-8 guess
    Value(bool) = delete;        // Jet's True is -1: write Value(-1) or Value(0)

    Kind kind() const { return Kind(m_v.index()); }
    bool isNull() const { return m_v.index() == 0; }

    // Conversions never throw. Null gives 0, 0.0 and an empty text. A real
    // converts to an integer rounding halves to even (as CLng does); a text to a
    // number by its leading number (0 when there is none).
    qint64 toInt() const;
    double toDouble() const;
    // Integers as decimal digits, reals as the shortest text that reads back as
    // the same double ("15", "15.5").
    QString toText() const;

    bool operator==(const Value& other) const = default;

private:
    std::variant<std::monostate, qint64, double, QString> m_v;
};

// Field types, numbered as the original engine's (0 when unknown).
enum class FieldType : int {
    Unknown = 0,
    Boolean = 1,
    Byte = 2,
    Integer = 3,
    Long = 4,
    Currency = 5,
    Single = 6,
    Double = 7,
    Date = 8,
    Binary = 9,
    Text = 10,
    LongBinary = 11,
    Memo = 12,
    Decimal = 20,
};

// The field type a declared column type stands for. The layer declares columns
// as "affinity word + Jet name" ("INTEGER LONG", "REAL SINGLE",
// "TEXT(50) COLLATE JET", "INTEGER BIT"), so the Jet name decides; a bare
// SQLite type falls back to its affinity. Empty (an expression) gives Unknown.
FieldType fieldTypeFromDeclared(const QString& declaredType);

// Shared text conversions of Value and of recordset fields.
QString realToText(double v);
qint64 realToInt(double v);
double textToDouble(const QString& text);

} // namespace tq::store
