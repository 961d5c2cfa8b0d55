// Writing a select query as SQLite: Jet's TOP (ties kept) as LIMIT or a
// ranking window, and SELECT ... INTO as CREATE TABLE typed after the source
// columns plus INSERT.

#include "store/JetQueryReader.h"

namespace tq::store::jet {

QStringList QueryReader::selectStatement()
{
    Select s = parseSelect();
    if (s.into.isEmpty())
        return {selectText(s)};

    // SELECT ... INTO: a new table typed after the source columns, then the rows.
    if (!s.compound.isEmpty())
        fail(QStringLiteral("SELECT ... INTO with UNION is not supported"));
    QStringList names, defs;
    int exprNo = 1000;
    for (const SelectItem& item : s.items) {
        if (item.star)
            fail(QStringLiteral("SELECT * INTO is not supported: list the columns"));
        QString name = !item.alias.isEmpty() ? item.alias
                       : !item.column.isEmpty() ? item.column
                                                : QStringLiteral("[Expr%1]").arg(exprNo++);
        const QString type = typeForSelectInto(s, item);
        defs << (type.isEmpty() ? name : name + QLatin1Char(' ') + type);
        names << name;
    }
    Select plain = s;
    plain.into.clear();
    const QString create = QStringLiteral("CREATE TABLE ") + s.into + QStringLiteral(" (") + defs.join(QStringLiteral(", "))
                           + QLatin1Char(')');
    const QString insert = QStringLiteral("INSERT INTO ") + s.into + QStringLiteral(" (") + names.join(QStringLiteral(", "))
                           + QStringLiteral(") ") + selectText(plain).trimmed();
    return {create, insert};
}

QString QueryReader::typeForSelectInto(const Select& s, const SelectItem& item) const
{
    if (!item.columnName.isEmpty() && m_lookup) {
        QStringList candidates;
        for (const TableRef& ref : s.tables) {
            if (item.columnTable.isEmpty() || item.columnTable.compare(ref.alias, Qt::CaseInsensitive) == 0
                || (ref.alias.isEmpty() && item.columnTable.compare(ref.name, Qt::CaseInsensitive) == 0))
                candidates << ref.name;
        }
        for (const QString& table : candidates) {
            const QString declared = m_lookup(table, item.columnName);
            if (declared.isEmpty())
                continue;
            const QString upper = declared.toUpper();
            const bool text = !upper.contains(QLatin1String("INT"))
                              && (upper.contains(QLatin1String("CHAR")) || upper.contains(QLatin1String("CLOB"))
                                  || upper.contains(QLatin1String("TEXT")));
            if (text && !upper.contains(QLatin1String("COLLATE")))
                return declared + QStringLiteral(" COLLATE JET");
            return declared;
        }
    }
    if (item.type == Type::Text)
        return QStringLiteral("TEXT COLLATE JET");
    if (item.type == Type::Number)
        return QStringLiteral("REAL");
    return {};
}

QString QueryReader::selectText(const Select& s) const
{
    const QString rest = s.from + s.where + s.groupBy + s.having;
    if (s.top < 0)
        return s.head + s.quantifier + s.itemsText + rest + s.compound + s.orderBy;

    const QString n = QString::number(s.top);
    if (!s.compound.isEmpty())
        fail(QStringLiteral("TOP with UNION is not supported"));
    if (s.keys.empty())
        return s.head + s.quantifier + s.itemsText + rest + QStringLiteral(" LIMIT ") + n;
    if (s.distinct)
        fail(QStringLiteral("TOP with DISTINCT and ORDER BY is not supported"));

    // Jet's TOP keeps every row tied with the last one: rank the rows by the
    // sort keys and keep ranks up to n.
    QStringList keys;
    bool star = false;
    for (const SelectItem& item : s.items)
        star = star || item.star;
    for (const OrderKey& key : s.keys) {
        QString k = key.expr;
        if (key.position > 0) {
            if (key.position > qint64(s.items.size()) || s.items[size_t(key.position - 1)].star)
                fail(QStringLiteral("ORDER BY position %1 cannot be used with TOP").arg(key.position));
            k = s.items[size_t(key.position - 1)].expr;
        } else if (!key.bare.isEmpty()) {
            for (const SelectItem& item : s.items)
                if (!item.alias.isEmpty() && bareName(item.alias).compare(key.bare, Qt::CaseInsensitive) == 0)
                    k = item.expr;
        }
        keys << k + key.dir;
    }
    const QString window = QStringLiteral("RANK() OVER (ORDER BY ") + keys.join(QStringLiteral(", "))
                           + QStringLiteral(") AS jet_top_rank");
    if (star) {
        // The select list cannot be repeated outside: count the ranked rows instead.
        return s.head + s.quantifier + s.itemsText + rest + s.orderBy
               + QStringLiteral(" LIMIT (SELECT count(*) FROM (SELECT ") + window + rest
               + QStringLiteral(") WHERE jet_top_rank <= ") + n + QLatin1Char(')');
    }
    QStringList outerNames;
    for (const SelectItem& item : s.items)
        outerNames << bareName(!item.alias.isEmpty() ? item.alias : item.column).toLower();
    QStringList inner, outer;
    int c = 1;
    for (size_t i = 0; i < s.items.size(); ++i) {
        const SelectItem& item = s.items[i];
        const QString name = !item.alias.isEmpty() ? item.alias : item.column;
        if (!name.isEmpty() && outerNames.count(outerNames[qsizetype(i)]) == 1) {
            inner << item.text;
            outer << name;
        } else {
            const QString tmp = QStringLiteral("jet_c%1").arg(c++);
            inner << item.expr + QStringLiteral(" AS ") + tmp;
            outer << tmp + QStringLiteral(" AS ")
                         + quoteName(!name.isEmpty() ? bareName(name) : item.expr);
        }
    }
    return s.head + QLatin1Char(' ') + outer.join(QStringLiteral(", ")) + QStringLiteral(" FROM (SELECT ")
           + inner.join(QStringLiteral(", ")) + QStringLiteral(", ") + window + rest
           + QStringLiteral(") WHERE jet_top_rank <= ") + n + QStringLiteral(" ORDER BY jet_top_rank");
}

} // namespace tq::store::jet
