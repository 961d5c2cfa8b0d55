// The action queries of the Jet rewriter: INSERT (VALUES or SELECT), UPDATE
// of one table, DELETE (of one table of a join through its rowids).

#include "store/JetQueryReader.h"

namespace tq::store::jet {

QString QueryReader::insertStatement()
{
    QString out = spelled(take());
    out += spelled(expectKw(Kw::Into, "INTO"));
    std::vector<TableRef> tables;
    int joins = 0;
    if (!isNameToken())
        syntaxError();
    out += parseTableUnit(tables, joins);
    if (isPunct(u'(') && !isKw(Kw::Select, 1)) {
        out += spelled(take());
        while (true) {
            if (!isNameToken())
                syntaxError();
            Expr name = parseName();
            appendSql(out, name.lead);
            out += m_nameLastIdent; // SQLite takes no table qualifier here
            if (!isPunct(u','))
                break;
            out += spelled(take());
        }
        out += spelled(expectPunct(u')'));
    }
    if (isKw(Kw::Values)) {
        out += spelled(take());
        FlagScope params(m_paramClause, true);
        while (true) {
            out += spelled(expectPunct(u'('));
            while (true) {
                Expr v = parseExpr(0);
                appendSql(out, v.lead);
                appendSql(out, operandText(v));
                if (!isPunct(u','))
                    break;
                out += spelled(take());
            }
            out += spelled(expectPunct(u')'));
            if (!isPunct(u','))
                break;
            out += spelled(take());
        }
        return out;
    }
    if (isKw(Kw::Select)) {
        Select s = parseSelect();
        if (!s.into.isEmpty())
            fail(QStringLiteral("INSERT ... SELECT ... INTO is not valid"));
        return out + selectText(s);
    }
    if (isPunct(u'(') && isKw(Kw::Select, 1)) {
        out += spelled(take());
        return out + subquery();
    }
    syntaxError();
}

QString QueryReader::updateStatement()
{
    QString out = spelled(take());
    std::vector<TableRef> tables;
    int joins = 0;
    out += parseTableUnit(tables, joins);
    if (isJoinStart(peek()) || isPunct(u',') || joins != 0)
        fail(QStringLiteral("UPDATE over several tables is not supported"));
    out += spelled(expectKw(Kw::Set, "SET"));
    FlagScope params(m_paramClause, true);
    while (true) {
        if (!isNameToken())
            syntaxError();
        Expr target = parseName();
        appendSql(out, target.lead);
        out += m_nameLastIdent; // SQLite's SET takes the bare column name
        out += spelled(expectPunct(u'='));
        Expr v = parseExpr(0);
        appendSql(out, v.lead);
        appendSql(out, operandText(v));
        if (!isPunct(u','))
            break;
        out += spelled(take());
    }
    if (isKw(Kw::Where))
        out += predicateClause(peek());
    return out;
}

QString QueryReader::deleteStatement()
{
    const QString del = spelled(take());
    QString target;
    if (isPunct(u'*')) {
        take();
    } else if (isNameToken() && isPunct(u'.', 1) && isPunct(u'*', 2)) {
        target = bareName(text(take()));
        take();
        take();
    } else {
        // DELETE field list FROM ...: Jet deletes whole rows whatever is named.
        while (!isKw(Kw::From) && peek().kind != Tok::End)
            take();
    }
    const QString from = spelled(expectKw(Kw::From, "FROM"));
    std::vector<TableRef> tables;
    int joins = 0;
    const QString source = parseFrom(tables, joins);
    const QString where = isKw(Kw::Where) ? predicateClause(peek()) : QString();
    if (tables.size() == 1 && joins == 0)
        return del + from + source + where;

    if (target.isEmpty())
        fail(QStringLiteral("DELETE over several tables must name the table to delete from (DELETE t.* FROM ...)"));
    const TableRef* victim = nullptr;
    for (const TableRef& ref : tables)
        if ((!ref.alias.isEmpty() && ref.alias.compare(target, Qt::CaseInsensitive) == 0)
            || (ref.alias.isEmpty() && ref.name.compare(target, Qt::CaseInsensitive) == 0))
            victim = &ref;
    if (!victim)
        fail(QStringLiteral("DELETE %1.* names no table of the FROM clause").arg(target));
    return del + QStringLiteral(" FROM ") + quoteName(victim->name) + QStringLiteral(" WHERE rowid IN (SELECT ")
           + quoteName(target) + QStringLiteral(".rowid") + from + source + where + QLatin1Char(')');
}

} // namespace tq::store::jet
