#include "store/JetTranslator.h"

#include "store/JetParser.h"

namespace tq::store {

QString translateJet(const QString& jetSql)
{
    return translateJetStatements(jetSql).join(QStringLiteral("; "));
}

QStringList translateJetStatements(const QString& jetSql, const ColumnTypeLookup& lookup)
{
    jet::Parser parser(jetSql, lookup, false);
    return parser.run();
}

ParameterizedSql translateJetParameterized(const QString& jetSql, const StopCheck& stop)
{
    const ColumnTypeLookup none;
    jet::Parser parser(jetSql, none, true, stop);
    const QStringList statements = parser.run();
    return {statements.join(QStringLiteral("; ")), parser.boundLiterals()};
}

} // namespace tq::store
