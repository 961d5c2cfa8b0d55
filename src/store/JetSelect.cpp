// Reading a select query: the select list with TOP, DISTINCT and
// DISTINCTROW, INTO, FROM with its joins and derived tables, WHERE, GROUP BY,
// HAVING, UNION and ORDER BY; and the sub-queries inside expressions.

#include "store/JetQueryReader.h"

namespace tq::store::jet {

bool isJoinStart(const Token& t)
{
    return t.kind == Tok::Word
           && (t.kw == Kw::Inner || t.kw == Kw::Left || t.kw == Kw::Right || t.kw == Kw::Full || t.kw == Kw::Join);
}

QueryReader::QueryReader(const QString& src, const ColumnTypeLookup& lookup, bool parameterize,
                         const StopCheck& stop)
    : ExpressionReader(src, parameterize, stop), m_lookup(lookup)
{
}

QueryReader::Select QueryReader::parseSelect()
{
    Select s;
    parseSelectCore(s);
    while (isKw(Kw::Union)) {
        s.compound += spelled(take());
        if (isKw(Kw::All))
            s.compound += spelled(take());
        Select part;
        parseSelectCore(part);
        if (part.top >= 0 || !part.into.isEmpty())
            fail(QStringLiteral("TOP or INTO in the second part of a UNION is not supported"));
        s.compound += selectText(part);
    }
    if (isKw(Kw::Order)) {
        FlagScope noParams(m_paramClause, false);
        s.orderBy = spelled(take());
        s.orderBy += spelled(expectKw(Kw::By, "BY"));
        while (true) {
            Expr k = parseExpr(0);
            OrderKey key;
            key.expr = valueText(k);
            if (k.shape != Shape::Column && k.shape != Shape::Literal && k.type == Type::Text)
                key.expr = collated(k, key.expr);
            if (k.shape == Shape::Column && !key.expr.contains(QLatin1Char('.')))
                key.bare = m_nameLast;
            if (k.shape == Shape::Literal && k.literal >= 0 && m_literals[k.literal].typeId() == QMetaType::LongLong)
                key.position = m_literals[k.literal].toLongLong();
            if (isKw(Kw::Asc) || isKw(Kw::Desc))
                key.dir = spelled(take());
            appendSql(s.orderBy, k.lead);
            appendSql(s.orderBy, key.expr);
            s.orderBy += key.dir;
            s.keys.push_back(std::move(key));
            if (!isPunct(u','))
                break;
            s.orderBy += spelled(take());
        }
    }
    return s;
}

void QueryReader::parseSelectCore(Select& s)
{
    FlagScope noParams(m_paramClause, false);
    s.head = spelled(expectKw(Kw::Select, "SELECT"));
    bool distinctRow = false;
    if (isKw(Kw::Distinct)) {
        s.quantifier = spelled(take());
        s.distinct = true;
    } else if (isKw(Kw::Distinctrow)) {
        take();
        distinctRow = true;
    } else if (isKw(Kw::All)) {
        s.quantifier = spelled(take());
    }
    if (isKw(Kw::Top)) {
        take();
        if (peek().kind != Tok::Number)
            syntaxError();
        bool ok = false;
        s.top = text(take()).toLongLong(&ok);
        if (!ok)
            fail(QStringLiteral("TOP needs a whole number"));
        if (isKw(Kw::Percent))
            fail(QStringLiteral("TOP ... PERCENT is not supported"));
    }

    // select list
    while (true) {
        SelectItem item;
        QStringView lead;
        if (isPunct(u'*')) {
            lead = leadOf(peek());
            take();
            item.star = true;
            item.text = QStringLiteral("*");
        } else if (isNameToken() && isPunct(u'.', 1) && isPunct(u'*', 2)) {
            lead = leadOf(peek());
            item.text = identifier(take());
            item.text += spelled(take());
            item.text += spelled(take());
            item.star = true;
        } else {
            Expr e = parseExpr(0);
            lead = e.lead;
            item.expr = valueText(e);
            item.type = e.type;
            if (e.shape == Shape::Column) {
                item.column = m_nameLastIdent;
                item.columnName = m_nameLast;
                item.columnTable = m_nameQualifier;
            }
            if (s.distinct && e.shape != Shape::Column && e.shape != Shape::Literal && e.type == Type::Text)
                item.expr = collated(e, item.expr);
            item.text = item.expr;
            if (isKw(Kw::As) || isNameToken()) {
                if (isKw(Kw::As))
                    item.text += spelled(take());
                if (!isNameToken())
                    syntaxError();
                const Token& name = take();
                item.alias = identifier(name);
                appendSql(item.text, leadOf(name));
                item.text += item.alias;
            }
        }
        appendSql(s.itemsText, lead);
        appendSql(s.itemsText, item.text);
        s.items.push_back(std::move(item));
        if (!isPunct(u','))
            break;
        s.itemsText += spelled(take());
    }

    if (isKw(Kw::Into)) {
        take();
        if (!isNameToken())
            syntaxError();
        const Token& name = take();
        s.into = identifier(name);
        s.intoName = bareName(text(name));
        if (isKw(Kw::In))
            fail(QStringLiteral("SELECT ... INTO another database is not supported"));
    }
    if (isKw(Kw::From)) {
        s.from = spelled(take());
        s.from += parseFrom(s.tables, s.joins);
    }
    if (distinctRow && (s.tables.size() != 1 || s.joins != 0))
        fail(QStringLiteral("DISTINCTROW over several tables is not supported"));
    if (isKw(Kw::Where))
        s.where = predicateClause(peek());
    if (isKw(Kw::Group)) {
        s.groupBy = spelled(take());
        s.groupBy += spelled(expectKw(Kw::By, "BY"));
        while (true) {
            Expr g = parseExpr(0);
            QString t = valueText(g);
            // Jet groups text without regard to case and width.
            if (g.shape != Shape::Column && g.shape != Shape::Literal && g.type == Type::Text)
                t = collated(g, t);
            appendSql(s.groupBy, g.lead);
            appendSql(s.groupBy, t);
            if (!isPunct(u','))
                break;
            s.groupBy += spelled(take());
        }
    }
    if (isKw(Kw::Having))
        s.having = predicateClause(peek());
}

QString QueryReader::predicateClause(const Token& kw)
{
    FlagScope params(m_paramClause, true);
    QString out = spelled(kw);
    take();
    Expr e = parseExpr(0);
    appendSql(out, e.lead);
    appendSql(out, e.text);
    return out;
}

QString QueryReader::parseFrom(std::vector<TableRef>& tables, int& joins)
{
    QString out = parseTableRef(tables, joins);
    while (isPunct(u',')) {
        out += spelled(take());
        out += parseTableRef(tables, joins);
    }
    return out;
}

QString QueryReader::parseTableRef(std::vector<TableRef>& tables, int& joins)
{
    QString out = parseTableUnit(tables, joins);
    while (isJoinStart(peek())) {
        while (!isKw(Kw::Join)) {
            if (!isJoinStart(peek()) && !isKw(Kw::Outer))
                syntaxError();
            out += spelled(take());
        }
        out += spelled(take());
        ++joins;
        out += parseTableUnit(tables, joins);
        out += spelled(expectKw(Kw::On, "ON"));
        FlagScope params(m_paramClause, true);
        Expr on = parseExpr(0);
        appendSql(out, on.lead);
        appendSql(out, on.text);
    }
    return out;
}

QString QueryReader::parseTableUnit(std::vector<TableRef>& tables, int& joins)
{
    QString out;
    if (isPunct(u'(')) {
        out = spelled(take());
        if (isKw(Kw::Select)) {
            out += subquery();
            out += parseAlias(nullptr);
            tables.push_back({});
            ++joins; // a derived table counts as more than one plain table
        } else {
            out += parseTableRef(tables, joins);
            out += spelled(expectPunct(u')'));
            out += parseAlias(nullptr);
        }
        return out;
    }
    if (!isNameToken())
        syntaxError();
    const Token& first = take();
    out = leadOf(first) + identifier(first);
    TableRef ref;
    ref.name = bareName(text(first));
    if (isPunct(u'.') && isNameToken(1)) {
        out += spelled(take());
        const Token& part = take();
        out += leadOf(part) + identifier(part);
        ref.name = bareName(text(part));
    }
    if (isKw(Kw::In))
        fail(QStringLiteral("Tables IN another database are not supported"));
    out += parseAlias(&ref.alias);
    tables.push_back(std::move(ref));
    return out;
}

QString QueryReader::parseAlias(QString* aliasName)
{
    QString out;
    if (isKw(Kw::As)) {
        out += spelled(take());
        if (!isNameToken())
            syntaxError();
    } else if (!isNameToken()) {
        return out;
    } else {
        out += QStringLiteral(" AS"); // UPDATE and DELETE need the AS that Jet lets one leave out
    }
    const Token& name = take();
    out += leadOf(name) + identifier(name);
    if (aliasName)
        *aliasName = bareName(text(name));
    return out;
}

QString QueryReader::subquery()
{
    Select s = parseSelect();
    if (!s.into.isEmpty())
        fail(QStringLiteral("SELECT ... INTO inside a sub-query is not supported"));
    QString out = selectText(s);
    out += spelled(expectPunct(u')'));
    return out;
}

} // namespace tq::store::jet
