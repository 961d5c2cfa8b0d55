#include "support/StoredFavourites.h"

#include "store/Database.h"
#include "store/Dynaset.h"
#include "store/Recordset.h"

namespace tq::support {

namespace {

QString cellText(const store::Value& v)
{
    switch (v.kind()) {
    case store::Value::Kind::Null:
        return QStringLiteral("Null");
    case store::Value::Kind::Integer:
        return QStringLiteral("i:") + QString::number(v.toInt());
    case store::Value::Kind::Real:
        return QStringLiteral("r:") + QString::number(v.toDouble(), 'g', 17);
    case store::Value::Kind::Text:
        return QStringLiteral("t:") + v.toText();
    }
    return {};
}

store::Value valueOfText(const QString& cell)
{
    const QString tail = cell.mid(2);
    if (cell.startsWith(QStringLiteral("i:")))
        return store::Value(tail.toLongLong());
    if (cell.startsWith(QStringLiteral("r:")))
        return store::Value(tail.toDouble());
    if (cell.startsWith(QStringLiteral("t:")))
        return store::Value(tail);
    return {};
}

QString inGroup(const QString& group)
{
    QString quoted = group;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QStringLiteral(" WHERE グループ名 = '") + quoted + QLatin1Char('\'');
}

} // namespace

std::vector<StoredFavourite> storedFavourites(store::Database& db, const QString& group)
{
    store::Recordset rs =
        db.openRecordset(QStringLiteral("SELECT * FROM お気に入り") + inGroup(group) + QStringLiteral(" ORDER BY 名称"));
    std::vector<StoredFavourite> rows;
    for (; !rs.isEOF(); rs.moveNext()) {
        StoredFavourite row;
        for (int c = 0; c < rs.fieldCount(); ++c)
            row << rs.fieldName(c) + QLatin1Char('=') + cellText(rs.field(c).value());
        rows.push_back(row);
    }
    return rows;
}

void restoreFavourites(store::Database& db, const QString& group, const std::vector<StoredFavourite>& rows)
{
    db.execute(QStringLiteral("DELETE FROM お気に入り") + inGroup(group));
    auto table = store::Dynaset::open(db, QStringLiteral("SELECT * FROM お気に入り"));
    for (const StoredFavourite& row : rows) {
        table->addNew();
        for (const QString& cell : row) {
            const qsizetype equals = cell.indexOf(QLatin1Char('='));
            table->setValue(cell.left(equals), valueOfText(cell.mid(equals + 1)));
        }
        table->update();
    }
}

QStringList differingFavourites(const std::vector<StoredFavourite>& a, const std::vector<StoredFavourite>& b)
{
    QStringList names;
    for (std::size_t r = 0; r < a.size(); ++r)
        if (r >= b.size() || a[r] != b[r])
            names << a[r].value(0);
    return names;
}

} // namespace tq::support
