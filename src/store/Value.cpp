#include "store/Value.h"

#include <QStringList>

#include <charconv>
#include <cmath>
#include <limits>

namespace tq::store {

QString realToText(double v)
{
    if (std::isnan(v))
        return QStringLiteral("NaN");
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, int(res.ptr - buf));
}

qint64 realToInt(double v)
{
    if (std::isnan(v))
        return 0;
    const double r = std::nearbyint(v); // default rounding mode: halves to even
    if (r >= 9.2233720368547758e18)
        return std::numeric_limits<qint64>::max();
    if (r <= -9.2233720368547758e18)
        return std::numeric_limits<qint64>::min();
    return qint64(r);
}

double textToDouble(const QString& text)
{
    // The leading number of the text, blanks around it ignored.
    const QByteArray latin = text.trimmed().toLatin1();
    const char* begin = latin.constData();
    const char* end = begin + latin.size();
    if (begin != end && *begin == '+')
        ++begin;
    double v = 0;
    const auto res = std::from_chars(begin, end, v);
    return res.ec == std::errc() ? v : 0.0;
}

qint64 Value::toInt() const
{
    switch (kind()) {
    case Kind::Null: return 0;
    case Kind::Integer: return std::get<qint64>(m_v);
    case Kind::Real: return realToInt(std::get<double>(m_v));
    case Kind::Text: return realToInt(textToDouble(std::get<QString>(m_v)));
    }
    return 0;
}

double Value::toDouble() const
{
    switch (kind()) {
    case Kind::Null: return 0;
    case Kind::Integer: return double(std::get<qint64>(m_v));
    case Kind::Real: return std::get<double>(m_v);
    case Kind::Text: return textToDouble(std::get<QString>(m_v));
    }
    return 0;
}

QString Value::toText() const
{
    switch (kind()) {
    case Kind::Null: return {};
    case Kind::Integer: return QString::number(std::get<qint64>(m_v));
    case Kind::Real: return realToText(std::get<double>(m_v));
    case Kind::Text: return std::get<QString>(m_v);
    }
    return {};
}

FieldType fieldTypeFromDeclared(const QString& declaredType)
{
    if (declaredType.isEmpty())
        return FieldType::Unknown;
    // Split into words of letters and digits: "TEXT(50) COLLATE JET" -> TEXT 50 COLLATE JET.
    const QString upper = declaredType.toUpper();
    QStringList words;
    QString word;
    for (const QChar c : upper) {
        if (c.isLetterOrNumber()) {
            word += c;
        } else if (!word.isEmpty()) {
            words << word;
            word.clear();
        }
    }
    if (!word.isEmpty())
        words << word;

    auto has = [&words](std::initializer_list<const char*> names) {
        for (const char* n : names)
            if (words.contains(QLatin1String(n)))
                return true;
        return false;
    };
    // Jet names first: they are what the declared type keeps beside the affinity word.
    if (has({"BIT", "YESNO", "LOGICAL", "LOGICAL1", "BOOLEAN"})) return FieldType::Boolean;
    if (has({"BYTE", "TINYINT", "INTEGER1"})) return FieldType::Byte;
    if (has({"SHORT", "SMALLINT", "INTEGER2"})) return FieldType::Integer;
    if (has({"MEMO", "LONGTEXT", "LONGCHAR", "NOTE", "NTEXT"})) return FieldType::Memo;
    if (has({"LONGBINARY", "OLEOBJECT", "IMAGE", "GENERAL"})) return FieldType::LongBinary;
    if (has({"LONG", "INTEGER4", "COUNTER", "AUTOINCREMENT"})) return FieldType::Long;
    if (has({"SINGLE", "FLOAT4", "IEEESINGLE"})) return FieldType::Single;
    if (has({"DOUBLE", "FLOAT", "FLOAT8", "IEEEDOUBLE", "NUMBER"})) return FieldType::Double;
    if (has({"DATETIME", "DATE", "TIME"})) return FieldType::Date;
    if (has({"CURRENCY", "MONEY"})) return FieldType::Currency;
    if (has({"DECIMAL", "NUMERIC", "DEC"})) return FieldType::Decimal;
    if (has({"BINARY", "VARBINARY", "BLOB"})) return FieldType::Binary;
    if (has({"CHAR", "TEXT", "VARCHAR", "NCHAR", "CHARACTER", "STRING", "ALPHANUMERIC", "GUID", "CLOB"}))
        return FieldType::Text;
    // Bare SQLite affinities.
    if (upper.contains(QLatin1String("INT"))) return FieldType::Long;
    if (has({"REAL"})) return FieldType::Single;
    return FieldType::Unknown;
}

} // namespace tq::store
