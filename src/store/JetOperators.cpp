// The operators of Jet expressions: precedence climbing over Or, And, Not,
// comparisons (Like, Between, In, Is Null), &, + -, Mod, \, * /, ^ and unary
// signs, and how each operand is written as an SQLite value.

#include "store/JetExpressionReader.h"

#include <utility>

namespace tq::store::jet {

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

ExpressionReader::ExpressionReader(const QString& src, bool parameterize, const StopCheck& stop)
    : TokenReader(src, stop),
      // Literal markers are private-use characters; a text that already holds
      // them is translated with its literals inline.
      m_parameterize(parameterize && !src.contains(QChar(kMarkOpen)) && !src.contains(QChar(kMarkClose)))
{
}

ExpressionReader::Nesting::Nesting(ExpressionReader& reader) : m_reader(reader)
{
    if (++m_reader.m_depth > kMaxJetNesting)
        m_reader.fail(QStringLiteral("The expression is nested too deeply: more than %1 levels").arg(kMaxJetNesting));
}

int ExpressionReader::addLiteral(QVariant value, QString inlineText)
{
    m_literals.push_back(std::move(value));
    m_literalTexts.push_back(std::move(inlineText));
    return int(m_literals.size() - 1);
}

QString ExpressionReader::valueText(const Expr& e) const
{
    if (e.truth != Truth::Sqlite)
        return e.text;
    if (e.shape == Shape::Paren)
        return QLatin1Char('-') + e.text;
    return QStringLiteral("-(") + e.text + QLatin1Char(')');
}

QString ExpressionReader::takeValueText(Expr& e) const
{
    if (e.truth != Truth::Sqlite)
        return std::move(e.text);
    return valueText(e);
}

QString ExpressionReader::operandText(Expr& e)
{
    if (m_parameterize && m_paramClause && e.literal >= 0)
        return marker(e.literal);
    return valueText(e);
}

bool ExpressionReader::needsParens(const Expr& e)
{
    return e.shape == Shape::Other;
}

QString ExpressionReader::collated(const Expr& e, const QString& text)
{
    if (needsParens(e) || e.truth == Truth::Sqlite)
        return QLatin1Char('(') + text + QStringLiteral(") COLLATE JET");
    return text + QStringLiteral(" COLLATE JET");
}

Expr ExpressionReader::parseExpr(int minPrec)
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

Expr ExpressionReader::comparison(Expr left)
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

Expr ExpressionReader::parseUnary()
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

Expr ExpressionReader::parsePowOperand()
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

} // namespace tq::store::jet
