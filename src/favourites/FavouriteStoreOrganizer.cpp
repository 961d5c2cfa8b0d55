// The organizer's side of the favourites store: its filtered and sorted rows,
// the filter lists, cell edits and the actions on selected rows.

#include "favourites/FavouriteStore.h"

#include "conditions/Clauses.h"
#include "store/Database.h"
#include "store/Dynaset.h"

#include <algorithm>

namespace tq::favourites {

namespace {

QString quoted(const QString& text)
{
    return QLatin1Char('\'') + conditions::quoteLiteral(text) + QLatin1Char('\'');
}

QString bracketed(const QString& column)
{
    return QLatin1Char('[') + column + QLatin1Char(']');
}

QString whereName(const QString& name)
{
    return QStringLiteral(" where 名称 = ") + quoted(name);
}

// A filter on one text column; the empty text stands for "none", which the
// table holds as Null or as an empty text.
QString matching(const QString& column, const QString& value)
{
    if (value.isEmpty())
        return QStringLiteral("(") + column + QStringLiteral(" is null or ") + column + QStringLiteral(" = '')");
    return column + QStringLiteral(" = ") + quoted(value);
}

// The distinct values of a text column, ascending, Null and the empty text
// merged into one empty entry.
QStringList distinctValues(store::Database& db, const QString& column)
{
    QStringList out;
    store::Recordset rs =
        db.openRecordset(QStringLiteral("select ") + column + QStringLiteral(" from お気に入り group by ") + column +
                         QStringLiteral(" order by ") + column);
    for (; !rs.isEOF(); rs.moveNext()) {
        const QString value = rs.field(0).toText();
        if (!out.contains(value))
            out << value;
    }
    return out;
}

bool isOrganizerColumn(const QString& column)
{
    const auto& columns = organizerColumns();
    return std::find(columns.begin(), columns.end(), column) != columns.end();
}

} // namespace

OrganizerCursor FavouriteStore::openOrganizerRows(const OrganizerFilter& filter, const OrganizerSort& sort)
{
    QStringList columns;
    for (const QString& column : organizerColumns())
        columns << bracketed(column);
    QStringList conditions;
    if (filter.group)
        conditions << matching(QStringLiteral("グループ名"), *filter.group);
    if (filter.author)
        conditions << matching(QStringLiteral("作者名"), *filter.author);
    const QString where =
        conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    const QString order = isOrganizerColumn(sort.column) ? sort.column : OrganizerSort().column;
    return OrganizerCursor(m_db.openRecordset(
        QStringLiteral("SELECT ") + columns.join(QLatin1Char(',')) + QStringLiteral(" FROM お気に入り") + where +
        QStringLiteral(" ORDER BY ") + bracketed(order) + (sort.descending ? QStringLiteral(" DESC") : QString())));
}

QStringList FavouriteStore::allGroupNames()
{
    return distinctValues(m_db, QStringLiteral("グループ名"));
}

QStringList FavouriteStore::authorNames()
{
    return distinctValues(m_db, QStringLiteral("作者名"));
}

void FavouriteStore::setCell(const QString& name, int column, const store::Value& value)
{
    switch (cellEdit(column)) {
    case CellEdit::Locked:
        throw FavouriteError(QStringLiteral("この項目は変更できません"));
    case CellEdit::Name:
        rename(name, value.toText());
        return;
    case CellEdit::Group:
        move(name, value.toText());
        return;
    default:
        break;
    }
    store::Transaction transaction(m_db);
    auto rs = store::Dynaset::open(m_db, QStringLiteral("select * from お気に入り") + whereName(name));
    if (rs->isEOF())
        throw FavouriteError(QStringLiteral("お気に入り「%1」は登録されていません").arg(name));
    rs->edit();
    rs->setValue(organizerColumns()[std::size_t(column)], value);
    rs->update();
    transaction.commit();
}

void FavouriteStore::removeAll(const QStringList& names)
{
    store::Transaction transaction(m_db);
    for (const QString& name : names)
        m_db.execute(QStringLiteral("delete from お気に入り") + whereName(name));
    transaction.commit();
}

void FavouriteStore::recolour(const QStringList& names, qint32 colour)
{
    store::Transaction transaction(m_db);
    for (const QString& name : names)
        m_db.execute(QStringLiteral("update お気に入り set 色 = ") + QString::number(colour) + whereName(name));
    transaction.commit();
}

void FavouriteStore::regroup(const QStringList& names, const QString& group)
{
    if (group.isEmpty())
        throw FavouriteError(QStringLiteral("グループ名が空です"));
    store::Transaction transaction(m_db);
    for (const QString& name : names)
        m_db.execute(QStringLiteral("update お気に入り set グループ名 = ") + quoted(group) + whereName(name));
    transaction.commit();
}

} // namespace tq::favourites
