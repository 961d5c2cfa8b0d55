// The token stream under the Jet rewriter: looking ahead, taking and
// expecting tokens, names as SQLite text, and the text helpers of every layer.

#include "store/JetTokenReader.h"

#include "store/DbError.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>

namespace tq::store::jet {

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

TokenReader::TokenReader(const QString& src, const StopCheck& stop)
    : m_src(withinLength(src)), m_stop(stop), m_tok(tokenize(src))
{
}

const Token& TokenReader::peek(int k) const
{
    const size_t i = std::min(m_pos + size_t(k), m_tok.size() - 1);
    return m_tok[i];
}

bool TokenReader::isKw(Kw kw, int k) const
{
    const Token& t = peek(k);
    return t.kind == Tok::Word && t.kw == kw;
}

bool TokenReader::isPunct(char16_t c, int k) const
{
    const Token& t = peek(k);
    return t.kind == Tok::Punct && t.end - t.start == 1 && m_src[t.start].unicode() == c;
}

bool TokenReader::isPunct(QStringView p, int k) const
{
    const Token& t = peek(k);
    return t.kind == Tok::Punct && text(t) == p;
}

const Token& TokenReader::take()
{
    if (m_stop && (++m_taken % kStopCheckTokens) == 0 && m_stop())
        throw DbError(SQLITE_INTERRUPT, QStringLiteral("The translation was interrupted"), m_src.left(200));
    const Token& t = m_tok[m_pos];
    if (m_pos + 1 < m_tok.size())
        ++m_pos;
    return t;
}

const Token& TokenReader::expectKw(Kw kw, const char* what)
{
    if (!isKw(kw))
        fail(QStringLiteral("Syntax error: %1 expected near \"%2\"")
                 .arg(QLatin1String(what), peek().kind == Tok::End ? QStringLiteral("end of statement")
                                                                  : text(peek()).toString()));
    return take();
}

const Token& TokenReader::expectPunct(char16_t c)
{
    if (!isPunct(c))
        fail(QStringLiteral("Syntax error: \"%1\" expected near \"%2\"")
                 .arg(QChar(c), peek().kind == Tok::End ? QStringLiteral("end of statement")
                                                        : text(peek()).toString()));
    return take();
}

void TokenReader::fail(const QString& message) const
{
    throw DbError(0, message, m_src);
}

void TokenReader::syntaxError() const
{
    if (peek().kind == Tok::End)
        fail(QStringLiteral("Syntax error: unexpected end of statement"));
    fail(QStringLiteral("Syntax error near \"%1\"").arg(text(peek()).toString()));
}

QString TokenReader::spelled(const Token& t) const
{
    return QStringView(m_src).mid(t.lead, t.end - t.lead).toString();
}

QString TokenReader::identifier(const Token& t) const
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

QString TokenReader::bareName(QStringView identText)
{
    if (identText.size() >= 2
        && ((identText.front() == QLatin1Char('[') && identText.back() == QLatin1Char(']'))
            || (identText.front() == QLatin1Char('`') && identText.back() == QLatin1Char('`'))))
        return identText.mid(1, identText.size() - 2).toString();
    if (identText.size() >= 2 && identText.front() == QLatin1Char('"') && identText.back() == QLatin1Char('"'))
        return identText.mid(1, identText.size() - 2).toString().replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return identText.toString();
}

bool TokenReader::isNameToken(int k) const
{
    const Token& t = peek(k);
    if (t.kind == Tok::Bracket || t.kind == Tok::Backtick)
        return true;
    return t.kind == Tok::Word && !isHardKeyword(t.kw);
}

QString TokenReader::spelledName()
{
    const Token& t = take();
    return leadOf(t) + identifier(t);
}

QString TokenReader::quoteName(const QString& bare)
{
    QString q = bare;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

} // namespace tq::store::jet
