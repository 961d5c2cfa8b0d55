// DDL half of the Jet rewriter: CREATE TABLE / INDEX / VIEW, ALTER TABLE, DROP.
//
// Jet type names become "SQLite affinity word + Jet name" (INTEGER LONG, REAL
// SINGLE, TEXT MEMO ...), so values keep one storage class per column and
// PRAGMA table_info still shows the Jet name. Text columns compare with the
// JET collation. Jet index names are scoped per table (DROP INDEX i ON t), so
// they become "t.i" in SQLite's schema-wide namespace.

#include "store/JetParser.h"

#include "store/DbError.h"

namespace tq::store::jet {

struct Parser::ColumnDef {
    QString lead;
    QString name;  // identifier text
    QString bare;  // name without brackets
    QString type;  // mapped type, COLLATE JET included for text
    bool isText = false;
    bool isBit = false;
    bool isCounter = false;
    bool notNull = false;
    QString defaultText; // " DEFAULT x"
    bool primaryKey = false;
    bool unique = false;
    QString keyName;     // constraint name (identifier text) of the PRIMARY KEY / UNIQUE
    QString constraints; // other constraints, as SQLite text
};

namespace {

enum class TypeKind { Keep, Text, TextPrefix, IntegerPrefix, Bit, Counter, RealPrefix, BlobPrefix, GuidPrefix };

TypeKind typeKind(const QString& u)
{
    static const struct {
        const char* name;
        TypeKind kind;
    } table[] = {
        {"TEXT", TypeKind::Text},          {"CHAR", TypeKind::Text},
        {"VARCHAR", TypeKind::Text},       {"NCHAR", TypeKind::Text},
        {"NVARCHAR", TypeKind::Text},      {"CHARACTER", TypeKind::Text},
        {"LONGTEXT", TypeKind::Text},      {"LONGCHAR", TypeKind::Text},
        {"NTEXT", TypeKind::Text},         {"MEMO", TypeKind::TextPrefix},
        {"NOTE", TypeKind::TextPrefix},    {"ALPHANUMERIC", TypeKind::TextPrefix},
        {"STRING", TypeKind::TextPrefix},  {"LONG", TypeKind::IntegerPrefix},
        {"SHORT", TypeKind::IntegerPrefix}, {"BYTE", TypeKind::IntegerPrefix},
        {"BIT", TypeKind::Bit},            {"YESNO", TypeKind::Bit},
        {"LOGICAL", TypeKind::Bit},        {"LOGICAL1", TypeKind::Bit},
        {"BOOLEAN", TypeKind::Bit},        {"COUNTER", TypeKind::Counter},
        {"AUTOINCREMENT", TypeKind::Counter}, {"SINGLE", TypeKind::RealPrefix},
        {"IEEESINGLE", TypeKind::RealPrefix}, {"NUMBER", TypeKind::RealPrefix},
        {"CURRENCY", TypeKind::RealPrefix}, {"MONEY", TypeKind::RealPrefix},
        {"DATETIME", TypeKind::RealPrefix}, {"DATE", TypeKind::RealPrefix},
        {"TIME", TypeKind::RealPrefix},    {"BINARY", TypeKind::BlobPrefix},
        {"VARBINARY", TypeKind::BlobPrefix}, {"LONGBINARY", TypeKind::BlobPrefix},
        {"OLEOBJECT", TypeKind::BlobPrefix}, {"IMAGE", TypeKind::BlobPrefix},
        {"GENERAL", TypeKind::BlobPrefix}, {"GUID", TypeKind::GuidPrefix},
        {"UNIQUEIDENTIFIER", TypeKind::GuidPrefix},
    };
    for (const auto& e : table)
        if (u == QLatin1String(e.name))
            return e.kind;
    return TypeKind::Keep;
}

} // namespace

QString Parser::mapType(QStringView name, const QString& size, bool* isText, bool* isBit, bool* isCounter) const
{
    const QString n = name.toString();
    switch (typeKind(n.toUpper())) {
    case TypeKind::Text:
        *isText = true;
        return n + size + QStringLiteral(" COLLATE JET");
    case TypeKind::TextPrefix:
        *isText = true;
        return QStringLiteral("TEXT ") + n + size + QStringLiteral(" COLLATE JET");
    case TypeKind::IntegerPrefix:
        return QStringLiteral("INTEGER ") + n + size;
    case TypeKind::Bit:
        *isBit = true;
        return QStringLiteral("INTEGER ") + n;
    case TypeKind::Counter:
        *isCounter = true;
        return QStringLiteral("INTEGER");
    case TypeKind::RealPrefix:
        return QStringLiteral("REAL ") + n + size;
    case TypeKind::BlobPrefix:
        return QStringLiteral("BLOB ") + n + size;
    case TypeKind::GuidPrefix:
        return QStringLiteral("TEXT ") + n;
    case TypeKind::Keep:
        break;
    }
    return n + size;
}

QString Parser::quoteName(const QString& bare)
{
    QString q = bare;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString Parser::indexName(const QString& table, const QString& index) const
{
    return quoteName(table + QLatin1Char('.') + index);
}

QString Parser::copyUntilListEnd()
{
    QString out;
    int depth = 0;
    bool nameNext = true; // the referenced table comes first
    while (peek().kind != Tok::End) {
        if (depth == 0 && (isPunct(u',') || isPunct(u')')))
            break;
        if (isPunct(u'('))
            ++depth;
        else if (isPunct(u')'))
            --depth;
        const Token& t = take();
        // Names (the table and its columns) may need brackets; the action
        // words after them (ON DELETE CASCADE, NO ACTION) must stay bare.
        const bool isName = nameNext || depth > 0;
        nameNext = t.kind == Tok::Word && t.kw == Kw::References;
        if (t.kind == Tok::Word && !isHardKeyword(t.kw) && isName)
            out += leadOf(t) + identifier(t);
        else if (t.kind == Tok::DqString)
            out += leadOf(t) + sqliteStringLiteral(stringValue(m_src, t));
        else
            out += spelled(t);
    }
    return out;
}

Parser::ColumnDef Parser::parseColumnDef(bool alter)
{
    ColumnDef d;
    if (!isNameToken())
        syntaxError();
    const Token& nameTok = take();
    d.lead = leadOf(nameTok).toString();
    d.name = identifier(nameTok);
    d.bare = bareName(text(nameTok));
    if (peek().kind == Tok::Word && !isHardKeyword(peek().kw)) {
        const Token& typeTok = take();
        QString size;
        if (isPunct(u'(')) {
            take();
            size = QStringLiteral("(");
            while (!isPunct(u')')) {
                if (peek().kind == Tok::End)
                    syntaxError();
                size += text(take());
                if (isPunct(u',')) {
                    take();
                    size += QStringLiteral(", ");
                }
            }
            take();
            size += QLatin1Char(')');
        } else if (peek().kind == Tok::Number) {
            // CHAR 255: Jet takes the number as the size.
            size = QLatin1Char('(') + text(take()) + QLatin1Char(')');
        }
        d.type = mapType(text(typeTok), size, &d.isText, &d.isBit, &d.isCounter);
    }
    while (true) {
        if (isKw(Kw::Not) && isKw(Kw::Null, 1)) {
            take();
            take();
            d.notNull = true;
        } else if (isKw(Kw::With) && (isKw(Kw::Compression, 1) || isKw(Kw::Comp, 1))) {
            take(); // Jet's Unicode compression: storage detail only
            take();
        } else if (isKw(Kw::Default)) {
            take();
            Expr v = parseUnary();
            d.defaultText = QStringLiteral(" DEFAULT ") + v.text;
        } else if (isKw(Kw::Constraint) || isKw(Kw::Primary) || isKw(Kw::Unique) || isKw(Kw::References)) {
            QString cname;
            if (isKw(Kw::Constraint)) {
                take();
                if (!isNameToken())
                    syntaxError();
                cname = identifier(take());
            }
            if (isKw(Kw::Primary)) {
                take();
                expectKw(Kw::Key, "KEY");
                d.primaryKey = true;
                d.keyName = cname;
            } else if (isKw(Kw::Unique)) {
                take();
                d.unique = true;
                if (!d.primaryKey)
                    d.keyName = cname;
            } else if (isKw(Kw::Not) && isKw(Kw::Null, 1)) {
                take();
                take();
                d.notNull = true;
            } else if (isKw(Kw::References)) {
                if (alter)
                    fail(QStringLiteral("ALTER TABLE ... ADD COLUMN with REFERENCES is not supported"));
                if (!cname.isEmpty())
                    d.constraints += QStringLiteral(" CONSTRAINT ") + cname;
                d.constraints += spelled(take());
                d.constraints += copyUntilListEnd();
            } else {
                syntaxError();
            }
        } else {
            break;
        }
    }
    return d;
}

QString Parser::spelledName()
{
    const Token& t = take();
    return leadOf(t) + identifier(t);
}

QString Parser::columnText(const ColumnDef& d, bool alter) const
{
    QString t = d.lead + d.name;
    if (d.isCounter) {
        // AUTOINCREMENT needs the declared type to be exactly INTEGER.
        t += QStringLiteral(" INTEGER");
        if (!d.keyName.isEmpty())
            t += QStringLiteral(" CONSTRAINT ") + d.keyName;
        return t + QStringLiteral(" PRIMARY KEY AUTOINCREMENT") + d.constraints;
    }
    if (!d.type.isEmpty())
        t += QLatin1Char(' ') + d.type;
    // Jet key fields and Yes/No fields never hold Null.
    const bool notNull = d.notNull || d.primaryKey || d.isBit;
    QString def = d.defaultText;
    if (d.isBit && def.isEmpty())
        def = QStringLiteral(" DEFAULT 0");
    // SQLite needs a default to add a NOT NULL column to a table with rows.
    if (alter && notNull && def.isEmpty())
        def = d.isText ? QStringLiteral(" DEFAULT ''") : QStringLiteral(" DEFAULT 0");
    if (notNull)
        t += QStringLiteral(" NOT NULL");
    t += def;
    if (!alter) {
        if (d.primaryKey || d.unique) {
            if (!d.keyName.isEmpty())
                t += QStringLiteral(" CONSTRAINT ") + d.keyName;
            t += d.primaryKey ? QStringLiteral(" PRIMARY KEY") : QStringLiteral(" UNIQUE");
        }
    }
    return t + d.constraints;
}

// "(a, b DESC)" after CREATE INDEX / PRIMARY KEY / UNIQUE; fills the bare names.
QString Parser::columnList(QStringList* bareNames)
{
    QString out = spelled(expectPunct(u'('));
    while (true) {
        if (!isNameToken())
            syntaxError();
        const Token& name = take();
        out += leadOf(name) + identifier(name);
        if (bareNames)
            *bareNames << bareName(text(name));
        if (isKw(Kw::Asc) || isKw(Kw::Desc))
            out += spelled(take());
        if (!isPunct(u','))
            break;
        out += spelled(take());
    }
    return out + spelled(expectPunct(u')'));
}

QStringList Parser::createStatement()
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

QString Parser::createIndex(const QString& createHead)
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

QStringList Parser::alterStatement()
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

QString Parser::dropStatement()
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
