// Statement half of the Jet rewriter: SELECT (TOP, DISTINCTROW, INTO, UNION),
// INSERT, UPDATE, DELETE; the entry point run() and the literal markers.

#include "store/JetParser.h"

#include "store/DbError.h"

namespace tq::store::jet {

namespace {

// Sets a flag for the extent of a clause and restores it afterwards.
class FlagScope {
public:
    FlagScope(bool& flag, bool value) : m_flag(flag), m_saved(flag) { m_flag = value; }
    ~FlagScope() { m_flag = m_saved; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
    bool m_saved;
};

bool isJoinStart(const Token& t)
{
    return t.kind == Tok::Word
           && (t.kw == Kw::Inner || t.kw == Kw::Left || t.kw == Kw::Right || t.kw == Kw::Full || t.kw == Kw::Join);
}

} // namespace

QStringList Parser::run()
{
    QStringList out = statement();
    if (isPunct(u';'))
        take();
    if (peek().kind == Tok::Word && text(peek()).compare(u"LIMIT", Qt::CaseInsensitive) == 0)
        fail(QStringLiteral("LIMIT is not Jet SQL: use SELECT TOP n to limit the rows"));
    if (peek().kind != Tok::End)
        fail(QStringLiteral("Only one SQL statement can be run at a time: text follows the statement near \"%1\"")
                 .arg(text(peek()).toString()));

    // Literal markers: "?" plus the value when one statement came out,
    // otherwise the literal's own text.
    const bool bind = m_parameterize && out.size() == 1;
    for (QString& sql : out) {
        if (!m_parameterize)
            continue;
        QString done;
        done.reserve(sql.size());
        for (qsizetype i = 0; i < sql.size(); ++i) {
            if (sql[i].unicode() != kMarkOpen) {
                done += sql[i];
                continue;
            }
            const qsizetype close = sql.indexOf(QChar(kMarkClose), i);
            const int index = QStringView(sql).mid(i + 1, close - i - 1).toInt();
            if (bind) {
                done += QLatin1Char('?');
                m_bound.push_back(m_literals[index]);
            } else {
                done += m_literalTexts[index];
            }
            i = close;
        }
        sql = std::move(done);
    }
    return out;
}

QStringList Parser::statement()
{
    const Token& t = peek();
    if (t.kind == Tok::Word) {
        switch (t.kw) {
        case Kw::Select:
            return selectStatement();
        case Kw::Insert:
            return {insertStatement()};
        case Kw::Update:
            return {updateStatement()};
        case Kw::Delete:
            return {deleteStatement()};
        case Kw::Create:
            return createStatement();
        case Kw::Alter:
            return alterStatement();
        case Kw::Drop:
            return {dropStatement()};
        case Kw::Transform:
            fail(QStringLiteral("TRANSFORM ... PIVOT (crosstab) queries are not supported"));
        case Kw::Parameters:
            fail(QStringLiteral("PARAMETERS declarations are not supported: put the values into the statement"));
        default:
            break;
        }
    }
    if (t.kind == Tok::End)
        fail(QStringLiteral("Empty SQL statement"));
    fail(QStringLiteral("Unsupported SQL statement starting with \"%1\"").arg(text(t).toString()));
}

// ------------------------------------------------------------------- SELECT

QStringList Parser::selectStatement()
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

QString Parser::typeForSelectInto(const Select& s, const SelectItem& item) const
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

Parser::Select Parser::parseSelect()
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

void Parser::parseSelectCore(Select& s)
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

QString Parser::predicateClause(const Token& kw)
{
    FlagScope params(m_paramClause, true);
    QString out = spelled(kw);
    take();
    Expr e = parseExpr(0);
    appendSql(out, e.lead);
    appendSql(out, e.text);
    return out;
}

QString Parser::parseFrom(std::vector<TableRef>& tables, int& joins)
{
    QString out = parseTableRef(tables, joins);
    while (isPunct(u',')) {
        out += spelled(take());
        out += parseTableRef(tables, joins);
    }
    return out;
}

QString Parser::parseTableRef(std::vector<TableRef>& tables, int& joins)
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

QString Parser::parseTableUnit(std::vector<TableRef>& tables, int& joins)
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

QString Parser::parseAlias(QString* aliasName)
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

QString Parser::subquery()
{
    Select s = parseSelect();
    if (!s.into.isEmpty())
        fail(QStringLiteral("SELECT ... INTO inside a sub-query is not supported"));
    QString out = selectText(s);
    out += spelled(expectPunct(u')'));
    return out;
}

QString Parser::selectText(const Select& s) const
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

// ------------------------------------------------------- INSERT / UPDATE / DELETE

QString Parser::insertStatement()
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

QString Parser::updateStatement()
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

QString Parser::deleteStatement()
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
