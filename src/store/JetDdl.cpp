// DDL statements of the Jet rewriter: CREATE TABLE / INDEX / VIEW, ALTER TABLE,
// DROP.
//
// Jet index names are scoped per table (DROP INDEX i ON t), so they become
// "t.i" in SQLite's schema-wide namespace.

#include "store/JetDdlReader.h"

namespace tq::store::jet {

QString DdlReader::indexName(const QString& table, const QString& index) const
{
    return quoteName(table + QLatin1Char('.') + index);
}

QStringList DdlReader::createStatement()
{
    QString head = spelled(take()); // CREATE
    if (isKw(Kw::Temporary)) {
        take();
        head += QStringLiteral(" TEMP");
    }
    if (isKw(Kw::Unique) || isKw(Kw::Index))
        return {createIndex(head)};
    if (isKw(Kw::View)) {
        head += spelled(take());
        if (!isNameToken())
            syntaxError();
        head += spelledName();
        head += spelled(expectKw(Kw::As, "AS"));
        if (!isKw(Kw::Select))
            syntaxError();
        return {head + selectText(parseSelect())};
    }
    if (!isKw(Kw::Table))
        fail(QStringLiteral("Unsupported CREATE statement near \"%1\"").arg(text(peek()).toString()));
    head += spelled(take());
    if (!isNameToken())
        syntaxError();
    head += spelledName();
    head += spelled(expectPunct(u'('));

    struct Entry {
        bool isColumn = false;
        ColumnDef column;
        QString text;          // table constraint text
        QStringList keyColumns; // columns of a table-level PRIMARY KEY
        QString keyName;
    };
    std::vector<Entry> entries;
    QStringList separators;
    while (true) {
        Entry e;
        if (isKw(Kw::Constraint) || isKw(Kw::Primary) || isKw(Kw::Unique) || isKw(Kw::Foreign)) {
            if (isKw(Kw::Constraint)) {
                e.text = spelled(take());
                if (!isNameToken())
                    syntaxError();
                const Token& n = take();
                e.keyName = identifier(n);
                e.text += leadOf(n) + identifier(n);
            }
            if (isKw(Kw::Primary)) {
                e.text += spelled(take());
                e.text += spelled(expectKw(Kw::Key, "KEY"));
                e.text += columnList(&e.keyColumns);
            } else if (isKw(Kw::Unique)) {
                e.text += spelled(take());
                e.text += columnList(nullptr);
            } else if (isKw(Kw::Foreign)) {
                e.text += spelled(take());
                e.text += spelled(expectKw(Kw::Key, "KEY"));
                if (isKw(Kw::No) && isKw(Kw::Index, 1)) {
                    take(); // Jet's "no index for this key": nothing to do here
                    take();
                }
                e.text += columnList(nullptr);
                e.text += spelled(expectKw(Kw::References, "REFERENCES"));
                e.text += copyUntilListEnd();
            } else {
                syntaxError();
            }
        } else {
            e.isColumn = true;
            e.column = parseColumnDef(false);
        }
        entries.push_back(std::move(e));
        if (!isPunct(u','))
            break;
        separators << spelled(take());
    }
    const QString close = spelled(expectPunct(u')'));

    // Key fields are NOT NULL; a COUNTER key becomes INTEGER PRIMARY KEY AUTOINCREMENT.
    for (Entry& e : entries) {
        if (e.isColumn || e.keyColumns.isEmpty())
            continue;
        for (Entry& c : entries) {
            if (!c.isColumn || !e.keyColumns.contains(c.column.bare, Qt::CaseInsensitive))
                continue;
            if (c.column.isCounter) {
                if (e.keyColumns.size() != 1)
                    fail(QStringLiteral("A COUNTER field in a primary key of several fields is not supported"));
                c.column.primaryKey = true;
                c.column.keyName = e.keyName;
                e.text.clear();
            } else {
                c.column.notNull = true;
            }
        }
    }
    QString out = head;
    bool first = true;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        if (e.isColumn && e.column.isCounter && !e.column.primaryKey)
            fail(QStringLiteral("A COUNTER field that is not the primary key is not supported"));
        const QString t = e.isColumn ? columnText(e.column, false) : e.text;
        if (t.isEmpty())
            continue;
        if (!first)
            out += i > 0 ? separators[qsizetype(i - 1)] : QStringLiteral(",");
        out += t;
        first = false;
    }
    return {out + close};
}

QString DdlReader::createIndex(const QString& createHead)
{
    bool unique = false;
    if (isKw(Kw::Unique)) {
        take();
        unique = true;
    }
    expectKw(Kw::Index, "INDEX");
    if (!isNameToken())
        syntaxError();
    const QString index = bareName(text(take()));
    expectKw(Kw::On, "ON");
    if (!isNameToken())
        syntaxError();
    const Token& tableTok = take();
    const QString columns = columnList(nullptr);
    if (isKw(Kw::With)) {
        take();
        while (true) {
            if (isKw(Kw::Primary)) {
                take();
                unique = true; // the key's uniqueness; NOT NULL needs the column definition
            } else if (isKw(Kw::Disallow) && isKw(Kw::Null, 1)) {
                fail(QStringLiteral("CREATE INDEX ... WITH DISALLOW NULL is not supported"));
            } else if (isKw(Kw::Ignore) && isKw(Kw::Null, 1)) {
                take(); // Null keys are never unique-checked in SQLite anyway
                take();
            } else {
                syntaxError();
            }
            if (isKw(Kw::And) || isPunct(u','))
                take();
            else
                break;
        }
    }
    return createHead.trimmed() + (unique ? QStringLiteral(" UNIQUE INDEX ") : QStringLiteral(" INDEX "))
           + indexName(bareName(text(tableTok)), index) + QStringLiteral(" ON ") + identifier(tableTok) + columns;
}

QStringList DdlReader::alterStatement()
{
    QString head = spelled(take()); // ALTER
    head += spelled(expectKw(Kw::Table, "TABLE"));
    if (!isNameToken())
        syntaxError();
    const Token& tableTok = take();
    const QString table = identifier(tableTok);
    const QString tableBare = bareName(text(tableTok));
    head += leadOf(tableTok) + table;

    if (isKw(Kw::Add)) {
        const QString add = spelled(take());
        if (isKw(Kw::Constraint)) {
            take();
            if (!isNameToken())
                syntaxError();
            const QString name = bareName(text(take()));
            if (isKw(Kw::Primary)) {
                take();
                expectKw(Kw::Key, "KEY");
            } else if (isKw(Kw::Unique)) {
                take();
            } else {
                fail(QStringLiteral("ALTER TABLE ... ADD CONSTRAINT supports PRIMARY KEY and UNIQUE only"));
            }
            return {QStringLiteral("CREATE UNIQUE INDEX ") + indexName(tableBare, name) + QStringLiteral(" ON ")
                    + table + columnList(nullptr)};
        }
        if (isKw(Kw::Primary) || isKw(Kw::Unique) || isKw(Kw::Foreign))
            fail(QStringLiteral("ALTER TABLE ... ADD needs CONSTRAINT name before a key"));
        QString col = add;
        if (isKw(Kw::Column))
            col += spelled(take());
        else
            col += QStringLiteral(" COLUMN");
        ColumnDef d = parseColumnDef(true);
        if (d.isCounter)
            fail(QStringLiteral("Adding a COUNTER field with ALTER TABLE is not supported"));
        QStringList out{head + col + columnText(d, true)};
        // SQLite cannot add a key column; a unique index gives the same check.
        if (d.primaryKey || d.unique)
            out << QStringLiteral("CREATE UNIQUE INDEX ")
                       + indexName(tableBare, d.keyName.isEmpty() ? d.bare : bareName(d.keyName)) + QStringLiteral(" ON ")
                       + table + QStringLiteral(" (") + d.name + QLatin1Char(')');
        return out;
    }
    if (isKw(Kw::Drop)) {
        const QString drop = spelled(take());
        if (isKw(Kw::Constraint)) {
            take();
            if (!isNameToken())
                syntaxError();
            return {QStringLiteral("DROP INDEX ") + indexName(tableBare, bareName(text(take())))};
        }
        QString col = drop;
        if (isKw(Kw::Column))
            col += spelled(take());
        else
            col += QStringLiteral(" COLUMN");
        if (!isNameToken())
            syntaxError();
        col += spelledName();
        return {head + col};
    }
    if (isKw(Kw::Alter))
        fail(QStringLiteral("ALTER TABLE ... ALTER COLUMN is not supported"));
    syntaxError();
}

QString DdlReader::dropStatement()
{
    QString out = spelled(take()); // DROP
    if (isKw(Kw::Index)) {
        take();
        if (!isNameToken())
            syntaxError();
        const Token& index = take();
        if (isKw(Kw::On)) {
            take();
            if (!isNameToken())
                syntaxError();
            return out + QStringLiteral(" INDEX ") + indexName(bareName(text(take())), bareName(text(index)));
        }
        return out + QStringLiteral(" INDEX ") + identifier(index);
    }
    if (isKw(Kw::Table) || isKw(Kw::View)) {
        out += spelled(take());
        if (!isNameToken())
            syntaxError();
        return out + spelledName();
    }
    fail(QStringLiteral("Unsupported DROP statement near \"%1\"").arg(text(peek()).toString()));
}

} // namespace tq::store::jet
