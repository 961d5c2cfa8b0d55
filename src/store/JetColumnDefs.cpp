// Column definitions of the Jet rewriter's CREATE TABLE and ALTER TABLE.
//
// Jet type names become "SQLite affinity word + Jet name" (INTEGER LONG, REAL
// SINGLE, TEXT MEMO ...), so values keep one storage class per column and
// PRAGMA table_info still shows the Jet name. Text columns compare with the
// JET collation.

#include "store/JetDdlReader.h"

namespace tq::store::jet {

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

QString DdlReader::mapType(QStringView name, const QString& size, bool* isText, bool* isBit, bool* isCounter) const
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

QString DdlReader::copyUntilListEnd()
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

DdlReader::ColumnDef DdlReader::parseColumnDef(bool alter)
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

QString DdlReader::columnText(const ColumnDef& d, bool alter) const
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
QString DdlReader::columnList(QStringList* bareNames)
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

} // namespace tq::store::jet
