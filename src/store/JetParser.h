#pragma once
// The Jet-to-SQLite rewriter behind translateJet(). Internal to the store
// layer: other subsystems call the functions of JetTranslator.h.
//
// A recursive-descent reader over the token stream: statements and clauses by
// keyword, expressions by precedence climbing. It is built in layers, each on
// the one below and in a header of its own: the token stream
// (JetTokenReader.h), expressions (JetExpressionReader.h), select and action
// queries (JetQueryReader.h), data definition (JetDdlReader.h). Parser, on
// top, offers the translation of one statement.

#include "store/JetDdlReader.h"

#include <QStringList>
#include <QVariantList>

namespace tq::store::jet {

class Parser final : public DdlReader {
public:
    // `stop`, when set, is asked every few thousand tokens; true stops the
    // translation with DbError SQLITE_INTERRUPT (9).
    Parser(const QString& src, const ColumnTypeLookup& lookup, bool parameterize, const StopCheck& stop = {});

    // Translates the one statement of the source. Several SQLite statements
    // come back when one Jet statement needs them (SELECT ... INTO, ALTER
    // TABLE ... ADD with a key constraint). Throws DbError on rejection.
    QStringList run();

    // Literal values replaced by "?" (parameterize mode), in text order of
    // the statements returned by run().
    const QVariantList& boundLiterals() const { return m_bound; }

private:
    QStringList statement();

    QVariantList m_bound;
};

} // namespace tq::store::jet
