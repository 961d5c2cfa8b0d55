// Token helpers and the expression half of the Jet rewriter.

#include "store/JetParser.h"

#include "store/DbError.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
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

bool isHardKeyword(Kw kw)
{
    switch (kw) {
    case Kw::All: case Kw::And: case Kw::Any: case Kw::As: case Kw::Asc: case Kw::Between:
    case Kw::By: case Kw::Create: case Kw::Delete: case Kw::Desc: case Kw::Distinct:
    case Kw::Distinctrow: case Kw::Drop: case Kw::Eqv: case Kw::Exists: case Kw::False:
    case Kw::From: case Kw::Full: case Kw::Group: case Kw::Having: case Kw::Imp: case Kw::In:
    case Kw::Inner: case Kw::Insert: case Kw::Into: case Kw::Is: case Kw::Join: case Kw::Left:
    case Kw::Like: case Kw::Mod: case Kw::Not: case Kw::Null: case Kw::On: case Kw::Or:
    case Kw::Order: case Kw::Outer: case Kw::Pivot: case Kw::Right: case Kw::Select:
    case Kw::Set: case Kw::Some: case Kw::Top: case Kw::Transform: case Kw::True:
    case Kw::Union: case Kw::Update: case Kw::Values: case Kw::Where: case Kw::Xor:
    case Kw::Escape:
        return true;
    default:
        return false;
    }
}

void appendSql(QString& out, QStringView piece)
{
    if (!out.isEmpty() && !piece.isEmpty()) {
        const QChar a = out.back();
        const QChar b = piece.front();
        if ((a == QLatin1Char('-') && b == QLatin1Char('-')) || (a == QLatin1Char('/') && b == QLatin1Char('*')))
            out += QLatin1Char(' ');
    }
    out += piece;
}

namespace {

QString marker(int index)
{
    QString m;
    m += QChar(kMarkOpen);
    m += QString::number(index);
    m += QChar(kMarkClose);
    return m;
}

} // namespace

QString realLiteral(double value)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    QString s = QString::fromLatin1(buf, int(r.ptr - buf));
    if (!s.contains(QLatin1Char('.')) && !s.contains(QLatin1Char('e')) && !s.contains(QLatin1Char('n')))
        s += QStringLiteral(".0");
    return s;
}

namespace {

const QString& withinLength(const QString& src)
{
    if (src.size() > kMaxJetStatementLength)
        throw DbError(0,
                      QStringLiteral("The statement is too long: %1 characters, at most %2")
                          .arg(src.size())
                          .arg(kMaxJetStatementLength),
                      src.left(200));
    return src;
}

// Tokens taken between two stop checks (a power of two).
constexpr unsigned kStopCheckTokens = 4096;

} // namespace

Parser::Parser(const QString& src, const ColumnTypeLookup& lookup, bool parameterize, const StopCheck& stop)
    : m_src(withinLength(src)),
      m_lookup(lookup),
      // Literal markers are private-use characters; a text that already holds
      // them is translated with its literals inline.
      m_parameterize(parameterize && !src.contains(QChar(kMarkOpen)) && !src.contains(QChar(kMarkClose))),
      m_stop(stop),
      m_tok(tokenize(src))
{
}

Parser::Nesting::Nesting(Parser& parser) : m_parser(parser)
{
    if (++m_parser.m_depth > kMaxJetNesting)
        m_parser.fail(QStringLiteral("The expression is nested too deeply: more than %1 levels").arg(kMaxJetNesting));
}

const Token& Parser::peek(int k) const
{
    const size_t i = std::min(m_pos + size_t(k), m_tok.size() - 1);
    return m_tok[i];
}

bool Parser::isKw(Kw kw, int k) const
{
    const Token& t = peek(k);
    return t.kind == Tok::Word && t.kw == kw;
}

bool Parser::isPunct(char16_t c, int k) const
{
    const Token& t = peek(k);
    return t.kind == Tok::Punct && t.end - t.start == 1 && m_src[t.start].unicode() == c;
}

bool Parser::isPunct(QStringView p, int k) const
{
    const Token& t = peek(k);
    return t.kind == Tok::Punct && text(t) == p;
}

const Token& Parser::take()
{
    if (m_stop && (++m_taken % kStopCheckTokens) == 0 && m_stop())
        throw DbError(SQLITE_INTERRUPT, QStringLiteral("The translation was interrupted"), m_src.left(200));
    const Token& t = m_tok[m_pos];
    if (m_pos + 1 < m_tok.size())
        ++m_pos;
    return t;
}

const Token& Parser::expectKw(Kw kw, const char* what)
{
    if (!isKw(kw))
        fail(QStringLiteral("Syntax error: %1 expected near \"%2\"")
                 .arg(QLatin1String(what), peek().kind == Tok::End ? QStringLiteral("end of statement")
                                                                  : text(peek()).toString()));
    return take();
}

const Token& Parser::expectPunct(char16_t c)
{
    if (!isPunct(c))
        fail(QStringLiteral("Syntax error: \"%1\" expected near \"%2\"")
                 .arg(QChar(c), peek().kind == Tok::End ? QStringLiteral("end of statement")
                                                        : text(peek()).toString()));
    return take();
}

void Parser::fail(const QString& message) const
{
    throw DbError(0, message, m_src);
}

void Parser::syntaxError() const
{
    if (peek().kind == Tok::End)
        fail(QStringLiteral("Syntax error: unexpected end of statement"));
    fail(QStringLiteral("Syntax error near \"%1\"").arg(text(peek()).toString()));
}

QString Parser::spelled(const Token& t) const
{
    return QStringView(m_src).mid(t.lead, t.end - t.lead).toString();
}

QString Parser::identifier(const Token& t) const
{
    const QStringView s = text(t);
    if (t.kind == Tok::Word) {
        // A name SQLite would read as one of its own keywords goes in brackets.
        if (s.size() < 32) {
            char buf[32];
            bool ascii = true;
            for (qsizetype i = 0; i < s.size(); ++i) {
                const char16_t c = s[i].unicode();
                if (c >= 0x80) {
                    ascii = false;
                    break;
                }
                buf[i] = char(c);
            }
            if (ascii && sqlite3_keyword_check(buf, int(s.size())))
                return QLatin1Char('[') + s + QLatin1Char(']');
        }
    }
    return s.toString();
}

QString Parser::bareName(QStringView identText)
{
    if (identText.size() >= 2
        && ((identText.front() == QLatin1Char('[') && identText.back() == QLatin1Char(']'))
            || (identText.front() == QLatin1Char('`') && identText.back() == QLatin1Char('`'))))
        return identText.mid(1, identText.size() - 2).toString();
    if (identText.size() >= 2 && identText.front() == QLatin1Char('"') && identText.back() == QLatin1Char('"'))
        return identText.mid(1, identText.size() - 2).toString().replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return identText.toString();
}

bool Parser::isNameToken(int k) const
{
    const Token& t = peek(k);
    if (t.kind == Tok::Bracket || t.kind == Tok::Backtick)
        return true;
    return t.kind == Tok::Word && !isHardKeyword(t.kw);
}

int Parser::addLiteral(QVariant value, QString inlineText)
{
    m_literals.push_back(std::move(value));
    m_literalTexts.push_back(std::move(inlineText));
    return int(m_literals.size() - 1);
}

// ---------------------------------------------------------------- expressions

QString Parser::valueText(const Expr& e) const
{
    if (e.truth != Truth::Sqlite)
        return e.text;
    if (e.shape == Shape::Paren)
        return QLatin1Char('-') + e.text;
    return QStringLiteral("-(") + e.text + QLatin1Char(')');
}

QString Parser::takeValueText(Expr& e) const
{
    if (e.truth != Truth::Sqlite)
        return std::move(e.text);
    return valueText(e);
}

QString Parser::operandText(Expr& e)
{
    if (m_parameterize && m_paramClause && e.literal >= 0)
        return marker(e.literal);
    return valueText(e);
}

bool Parser::needsParens(const Expr& e)
{
    return e.shape == Shape::Other;
}

QString Parser::collated(const Expr& e, const QString& text)
{
    if (needsParens(e) || e.truth == Truth::Sqlite)
        return QLatin1Char('(') + text + QStringLiteral(") COLLATE JET");
    return text + QStringLiteral(" COLLATE JET");
}

Expr Parser::parseExpr(int minPrec)
{
    const Nesting nesting(*this);
    Expr left;
    if (isKw(Kw::Not)) {
        const Token& notTok = take();
        Expr operand = parseExpr(6);
        left.lead = leadOf(notTok);
        left.text = text(notTok).toString();
        appendSql(left.text, operand.lead);
        appendSql(left.text, operand.text);
        left.truth = Truth::Sqlite;
    } else {
        left = parseUnary();
    }

    while (true) {
        const Token& t = peek();
        int prec = 0;
        if (t.kind == Tok::Word) {
            switch (t.kw) {
            case Kw::Imp: case Kw::Eqv: case Kw::Xor:
                if (minPrec <= 3)
                    fail(QStringLiteral("The %1 operator is not supported").arg(text(t).toString()));
                break;
            case Kw::Or: prec = 4; break;
            case Kw::And: prec = 5; break;
            case Kw::Like: case Kw::Is: case Kw::Between: case Kw::In: prec = 7; break;
            case Kw::Not:
                if (isKw(Kw::Like, 1) || isKw(Kw::Between, 1) || isKw(Kw::In, 1))
                    prec = 7;
                break;
            case Kw::Mod: prec = 10; break;
            default: break;
            }
        } else if (t.kind == Tok::Punct) {
            const QStringView p = text(t);
            if (p == u"=" || p == u"<>" || p == u"<" || p == u">" || p == u"<=" || p == u">=")
                prec = 7;
            else if (p == u"&")
                prec = 8;
            else if (p == u"+" || p == u"-")
                prec = 9;
            else if (p == u"\\")
                prec = 11;
            else if (p == u"*" || p == u"/")
                prec = 12;
        }
        if (prec == 0 || prec < minPrec)
            return left;

        if (prec == 7) {
            left = comparison(std::move(left));
            continue;
        }

        const Token& op = take();
        const QStringView opText = text(op);
        Expr right = parseExpr(prec + 1);
        Expr out;
        out.lead = left.lead;
        // Every branch takes over left's text instead of copying it: a copy
        // per operator made long Or chains (a condition with many values)
        // quadratic in the statement's length.
        if (prec == 4 || prec == 5) { // Or, And: truth values stay as SQLite has them
            out.text = std::move(left.text);
            appendSql(out.text, leadOf(op));
            appendSql(out.text, opText);
            appendSql(out.text, right.lead);
            appendSql(out.text, right.text);
            out.truth = Truth::Sqlite;
        } else if (prec == 8) { // & chain -> jet_cat(a, b, ...)
            const QString r = valueText(right);
            if (left.cat) {
                out.text = std::move(left.text);
                out.text.chop(1);
            } else {
                out.text = takeValueText(left);
                out.text.prepend(QStringLiteral("jet_cat("));
            }
            out.text += QStringLiteral(", ") + r + QLatin1Char(')');
            out.shape = Shape::Call;
            out.type = Type::Text;
            out.cat = true;
        } else if (prec == 10 || prec == 11) {
            out.text = takeValueText(left);
            out.text.prepend(prec == 10 ? QStringLiteral("jet_mod(") : QStringLiteral("jet_idiv("));
            out.text += QStringLiteral(", ") + valueText(right) + QLatin1Char(')');
            out.shape = Shape::Call;
            out.type = Type::Number;
        } else if (opText == u"+" && left.type != Type::Number && right.type != Type::Number) {
            // Jet's + concatenates two texts; only known numbers may use SQLite's +.
            out.text = takeValueText(left);
            out.text.prepend(QStringLiteral("jet_add("));
            out.text += QStringLiteral(", ") + valueText(right) + QLatin1Char(')');
            out.shape = Shape::Call;
        } else {
            out.text = takeValueText(left);
            if (opText == u"/") {
                out.text.prepend(QStringLiteral("CAST("));
                out.text += QStringLiteral(" AS REAL)");
            }
            appendSql(out.text, leadOf(op));
            appendSql(out.text, opText);
            appendSql(out.text, right.lead);
            appendSql(out.text, valueText(right));
            out.type = Type::Number;
        }
        left = std::move(out);
    }
}

Expr Parser::comparison(Expr left)
{
    Expr out;
    out.lead = left.lead;
    out.truth = Truth::Sqlite;
    QString notText;
    if (isKw(Kw::Not)) {
        notText = spelled(take());
    }
    const Token& op = take();
    const QString opSpelled = spelled(op);

    if (op.kind == Tok::Word && op.kw == Kw::Is) {
        out.text = valueText(left) + opSpelled;
        if (isKw(Kw::Not))
            out.text += spelled(take());
        out.text += spelled(expectKw(Kw::Null, "Null"));
        return out;
    }
    if (op.kind == Tok::Word && op.kw == Kw::Like) {
        Expr pattern = parseExpr(8);
        if (isKw(Kw::Escape))
            fail(QStringLiteral("LIKE ... ESCAPE is not supported"));
        out.text = valueText(left) + notText + opSpelled;
        appendSql(out.text, pattern.lead);
        appendSql(out.text, operandText(pattern));
        // like() is overridden to return Jet's -1/0; NOT turns it into 1/0.
        out.truth = notText.isEmpty() ? Truth::Jet : Truth::Sqlite;
        return out;
    }
    if (op.kind == Tok::Word && op.kw == Kw::Between) {
        Expr lo = parseExpr(8);
        const Token& andTok = expectKw(Kw::And, "And");
        Expr hi = parseExpr(8);
        // Jet accepts the bounds in either order.
        bool swapped = false;
        bool ordered = false;
        if (lo.literal >= 0 && hi.literal >= 0) {
            const QVariant& a = m_literals[lo.literal];
            const QVariant& b = m_literals[hi.literal];
            if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString) {
                swapped = a.toString().compare(b.toString(), Qt::CaseInsensitive) > 0;
                ordered = true;
            } else if (a.typeId() != QMetaType::QString && b.typeId() != QMetaType::QString) {
                swapped = a.toDouble() > b.toDouble();
                ordered = true;
            }
        }
        QString loText = operandText(lo);
        QString hiText = operandText(hi);
        if (swapped)
            std::swap(loText, hiText);
        if (!ordered) {
            const QString a = loText, b = hiText;
            loText = QStringLiteral("min(") + a + QStringLiteral(", ") + b + QLatin1Char(')');
            hiText = QStringLiteral("max(") + a + QStringLiteral(", ") + b + QLatin1Char(')');
        }
        QString l = valueText(left);
        if (left.shape != Shape::Column
            && (left.type == Type::Text || lo.type == Type::Text || hi.type == Type::Text))
            l = collated(left, l);
        out.text = l + notText + opSpelled;
        appendSql(out.text, lo.lead);
        appendSql(out.text, loText);
        out.text += spelled(andTok);
        appendSql(out.text, hi.lead);
        appendSql(out.text, hiText);
        return out;
    }
    if (op.kind == Tok::Word && op.kw == Kw::In) {
        const Token& open = expectPunct(u'(');
        QString list = spelled(open);
        bool anyText = false;
        if (isKw(Kw::Select)) {
            list += subquery();
        } else {
            while (true) {
                Expr item = parseExpr(0);
                anyText = anyText || item.type == Type::Text;
                appendSql(list, item.lead);
                appendSql(list, operandText(item));
                if (!isPunct(u','))
                    break;
                list += spelled(take());
            }
            list += spelled(expectPunct(u')'));
        }
        QString l = valueText(left);
        if (left.shape != Shape::Column && (left.type == Type::Text || anyText))
            l = collated(left, l);
        out.text = l + notText + opSpelled + list;
        return out;
    }

    // = <> < > <= >=
    Expr right = parseExpr(8);
    QString l = operandText(left);
    QString r = operandText(right);
    if (left.shape != Shape::Column && right.shape != Shape::Column
        && (left.type == Type::Text || right.type == Type::Text))
        r = collated(right, r);
    out.text = l;
    appendSql(out.text, leadOf(op));
    appendSql(out.text, text(op));
    appendSql(out.text, right.lead);
    appendSql(out.text, r);
    return out;
}

Expr Parser::parseUnary()
{
    if (isPunct(u'-') || isPunct(u'+')) {
        const Nesting nesting(*this);
        const Token& op = take();
        Expr operand = parseUnary();
        Expr out;
        out.lead = leadOf(op);
        out.type = operand.type == Type::Unknown ? Type::Number : operand.type;
        if (m_src[op.start] == QLatin1Char('+')) {
            operand.lead = out.lead;
            return operand;
        }
        out.text = QStringLiteral("-");
        appendSql(out.text, operand.lead);
        appendSql(out.text, valueText(operand));
        if (operand.shape == Shape::Literal && operand.literal >= 0
            && m_literals[operand.literal].typeId() != QMetaType::QString) {
            const QVariant& v = m_literals[operand.literal];
            out.literal = addLiteral(v.typeId() == QMetaType::Double ? QVariant(-v.toDouble())
                                                                      : QVariant(-v.toLongLong()),
                                     out.text);
            out.shape = Shape::Literal;
        }
        return out;
    }
    Expr base = parsePrimary();
    while (isPunct(u'^')) {
        take();
        Expr exponent = parsePowOperand();
        Expr out;
        out.lead = base.lead;
        out.text = QStringLiteral("jet_pow(") + valueText(base) + QStringLiteral(", ") + valueText(exponent)
                   + QLatin1Char(')');
        out.shape = Shape::Call;
        out.type = Type::Number;
        base = std::move(out);
    }
    return base;
}

Expr Parser::parsePowOperand()
{
    if (isPunct(u'-')) {
        const Token& op = take();
        Expr operand = parsePowOperand();
        Expr out;
        out.lead = leadOf(op);
        out.text = QStringLiteral("-");
        appendSql(out.text, valueText(operand));
        out.type = Type::Number;
        return out;
    }
    return parsePrimary();
}

Expr Parser::parsePrimary()
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

Expr Parser::parseName()
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

Expr Parser::parseCall(const Token& name)
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
