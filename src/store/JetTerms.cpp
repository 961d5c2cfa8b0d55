// The terms of Jet expressions: literals (numbers, strings, dates, True,
// False, Null), parentheses and sub-queries, names, and function calls with
// the Jet functions whose SQLite name or meaning differs.

#include "store/JetExpressionReader.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace tq::store::jet {

namespace {

struct FuncEntry {
    const char* jet;     // upper case
    const char* sqlite;  // replacement name, or nullptr to keep the name
    Type type;
};

// Jet functions whose SQLite name or meaning differs; sorted by `jet`.
// Names not listed are passed through unchanged (Count, Sum, Trim, ...).
constexpr FuncEntry kFunctions[] = {
    {"ABS", nullptr, Type::Number},        {"AVG", nullptr, Type::Number},
    {"CDBL", "jet_cdbl", Type::Number},    {"CHR", "jet_chr", Type::Text},
    {"CINT", "jet_cint", Type::Number},    {"CLNG", "jet_clng", Type::Number},
    {"COUNT", nullptr, Type::Number},      {"CSTR", "jet_cstr", Type::Text},
    {"DATE", "jet_date", Type::Number},    {"DATESERIAL", "jet_dateserial", Type::Number},
    {"DAY", "jet_day", Type::Number},      {"EXP", nullptr, Type::Number},
    {"FIX", "jet_fix", Type::Number},      {"FORMAT", "jet_format", Type::Text},
    {"HEX", "jet_hex", Type::Text},        {"IIF", "iif", Type::Unknown},
    {"INSTR", "jet_instr", Type::Number},  {"INT", "jet_int", Type::Number},
    {"ISNULL", nullptr, Type::Unknown},    {"LCASE", "jet_lcase", Type::Text},
    {"LEFT", "jet_left", Type::Text},      {"LEN", "jet_len", Type::Number},
    {"LOG", "ln", Type::Number},           {"LTRIM", nullptr, Type::Text},
    {"MID", "jet_mid", Type::Text},        {"MONTH", "jet_month", Type::Number},
    {"NOW", "jet_now", Type::Number},      {"NZ", "jet_nz", Type::Unknown},
    {"REPLACE", nullptr, Type::Text},      {"RIGHT", "jet_right", Type::Text},
    {"ROUND", "jet_round", Type::Number},  {"RTRIM", nullptr, Type::Text},
    {"SGN", "sign", Type::Number},         {"SPACE", "jet_space", Type::Text},
    {"SQR", "sqrt", Type::Number},         {"STR", "jet_str", Type::Text},
    {"SUM", nullptr, Type::Number},        {"TRIM", nullptr, Type::Text},
    {"UCASE", "jet_ucase", Type::Text},    {"VAL", "jet_val", Type::Number},
    {"YEAR", "jet_year", Type::Number},
};

const FuncEntry* findFunction(QStringView name)
{
    if (name.endsWith(QLatin1Char('$')))
        name.chop(1);
    if (name.size() > 15)
        return nullptr;
    char buf[16];
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (c >= 0x80)
            return nullptr;
        buf[i] = (c >= 'a' && c <= 'z') ? char(c - 32) : char(c);
    }
    buf[name.size()] = 0;
    const auto it = std::lower_bound(std::begin(kFunctions), std::end(kFunctions), buf,
                                     [](const FuncEntry& e, const char* key) { return std::strcmp(e.jet, key) < 0; });
    if (it != std::end(kFunctions) && std::strcmp(it->jet, buf) == 0)
        return &*it;
    return nullptr;
}

} // namespace

Expr ExpressionReader::parsePrimary()
{
    const Token& t = peek();
    Expr e;
    e.lead = leadOf(t);
    switch (t.kind) {
    case Tok::Number: {
        take();
        e.text = text(t).toString();
        e.shape = Shape::Literal;
        e.type = Type::Number;
        bool ok = false;
        const qlonglong i = e.text.toLongLong(&ok);
        if (ok)
            e.literal = addLiteral(i, e.text);
        else if (!text(t).contains(QLatin1Char('.')) && !text(t).contains(QLatin1Char('e'))
                 && !text(t).contains(QLatin1Char('E')))
            e.literal = -1; // an integer beyond 64 bits stays inline, as SQLite reads it
        else
            e.literal = addLiteral(e.text.toDouble(), e.text);
        return e;
    }
    case Tok::SqString:
    case Tok::DqString: {
        take();
        QString value = stringValue(m_src, t);
        e.text = t.kind == Tok::SqString ? text(t).toString() : sqliteStringLiteral(value);
        e.shape = Shape::Literal;
        e.type = Type::Text;
        e.literal = addLiteral(std::move(value), e.text);
        return e;
    }
    case Tok::Date: {
        take();
        double serial = 0;
        if (!parseJetDate(text(t).mid(1, t.end - t.start - 2), &serial))
            fail(QStringLiteral("Invalid date literal %1").arg(text(t).toString()));
        e.text = realLiteral(serial);
        e.shape = Shape::Literal;
        e.type = Type::Number;
        e.literal = addLiteral(serial, e.text);
        return e;
    }
    case Tok::Punct:
        if (isPunct(u'(')) {
            take();
            if (isKw(Kw::Select)) {
                e.text = QStringLiteral("(") + subquery();
                e.shape = Shape::Paren;
                return e;
            }
            const bool savedStar = m_starAllowed;
            m_starAllowed = false;
            Expr inner = parseExpr(0);
            m_starAllowed = savedStar;
            const Token& close = expectPunct(u')');
            e.text = QStringLiteral("(");
            appendSql(e.text, inner.lead);
            appendSql(e.text, inner.text);
            appendSql(e.text, leadOf(close));
            e.text += QLatin1Char(')');
            e.shape = Shape::Paren;
            e.type = inner.type;
            e.truth = inner.truth;
            return e;
        }
        if (isPunct(u'*') && m_starAllowed) {
            take();
            e.text = QStringLiteral("*");
            e.shape = Shape::Call;
            return e;
        }
        syntaxError();
    case Tok::Word:
        switch (t.kw) {
        case Kw::Null:
            take();
            e.text = text(t).toString();
            e.shape = Shape::Null;
            return e;
        case Kw::True:
        case Kw::False:
            take();
            e.text = t.kw == Kw::True ? QStringLiteral("-1") : QStringLiteral("0");
            e.shape = Shape::Literal;
            e.type = Type::Number;
            e.literal = addLiteral(qlonglong(t.kw == Kw::True ? -1 : 0), e.text);
            return e;
        case Kw::Exists: {
            take();
            expectPunct(u'(');
            if (!isKw(Kw::Select))
                syntaxError();
            e.text = text(t).toString() + QStringLiteral(" (") + subquery();
            e.shape = Shape::Other;
            e.truth = Truth::Sqlite;
            return e;
        }
        case Kw::Any: case Kw::Some: case Kw::All:
            if (isPunct(u'(', 1))
                fail(QStringLiteral("Comparisons with %1 (sub-query) are not supported").arg(text(t).toString()));
            break;
        default:
            break;
        }
        if (isPunct(u'(', 1) && (t.kw == Kw::None || t.kw == Kw::Left || t.kw == Kw::Right || !isHardKeyword(t.kw)))
            return parseCall(take());
        if (isNameToken())
            return parseName();
        syntaxError();
    case Tok::Bracket:
    case Tok::Backtick:
        return parseName();
    case Tok::End:
        syntaxError();
    }
    syntaxError();
}

Expr ExpressionReader::parseName()
{
    Expr e;
    const Token& first = take();
    e.lead = leadOf(first);
    e.text = identifier(first);
    e.shape = Shape::Column;
    m_nameQualifier.clear();
    m_nameLast = bareName(text(first));
    m_nameLastIdent = e.text;
    while (isPunct(u'.') && isNameToken(1)) {
        e.text += spelled(take());
        const Token& part = take();
        appendSql(e.text, leadOf(part));
        m_nameQualifier = m_nameLast;
        m_nameLast = bareName(text(part));
        m_nameLastIdent = identifier(part);
        e.text += m_nameLastIdent;
    }
    return e;
}

Expr ExpressionReader::parseCall(const Token& name)
{
    const FuncEntry* f = findFunction(text(name));
    const bool isIif = f && std::strcmp(f->jet, "IIF") == 0;
    const bool isIsNull = f && std::strcmp(f->jet, "ISNULL") == 0;
    take(); // (
    Expr e;
    e.lead = leadOf(name);
    e.shape = Shape::Call;
    e.type = f ? f->type : Type::Unknown;
    QString args;
    std::vector<Type> argTypes;
    Expr single;
    if (!isPunct(u')')) {
        const bool savedStar = m_starAllowed;
        m_starAllowed = true;
        if (isKw(Kw::Distinct) || isKw(Kw::All))
            args += text(take()) + QLatin1Char(' ');
        while (true) {
            Expr a = parseExpr(0);
            m_starAllowed = false;
            if (!argTypes.empty())
                args += QStringLiteral(", ");
            // IIf's condition is a truth test; every other argument is a value.
            args += (isIif && argTypes.empty()) ? a.text : valueText(a);
            argTypes.push_back(a.type);
            single = std::move(a);
            if (!isPunct(u','))
                break;
            take();
        }
        m_starAllowed = savedStar;
    }
    expectPunct(u')');
    if (isIsNull) {
        if (argTypes.size() != 1)
            fail(QStringLiteral("IsNull takes one argument"));
        const QString v = valueText(single);
        e.text = (needsParens(single) ? QLatin1Char('(') + v + QLatin1Char(')') : v) + QStringLiteral(" IS NULL");
        e.shape = Shape::Other;
        e.type = Type::Unknown;
        e.truth = Truth::Sqlite;
        return e;
    }
    if (isIif && argTypes.size() == 3 && argTypes[1] == argTypes[2])
        e.type = argTypes[1];
    QStringView plainName = text(name);
    if (plainName.endsWith(QLatin1Char('$')))
        plainName.chop(1);
    e.text = (f && f->sqlite ? QString::fromLatin1(f->sqlite) : plainName.toString()) + QLatin1Char('(') + args
             + QLatin1Char(')');
    return e;
}

} // namespace tq::store::jet
