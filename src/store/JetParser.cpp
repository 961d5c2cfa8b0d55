// The entry point of the Jet rewriter: one statement dispatched by its first
// keyword, then the literal markers replaced.

#include "store/JetParser.h"

namespace tq::store::jet {

Parser::Parser(const QString& src, const ColumnTypeLookup& lookup, bool parameterize, const StopCheck& stop)
    : DdlReader(src, lookup, parameterize, stop)
{
}

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

} // namespace tq::store::jet
