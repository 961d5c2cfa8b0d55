#pragma once
// Translates one Jet SQL statement into the SQLite SQL that has the same meaning
// on tables created through this layer (text columns COLLATE JET, Jet types
// mapped to SQLite affinities, Jet functions registered by JetExtensions).
//
// Throws DbError (code 0) for what the layer rejects: a second statement after
// ";", parameter markers, TRANSFORM/PIVOT, unbalanced quotes or brackets.
// Pure function of its input; safe to call from any thread.

#include <QString>

namespace tq::store {

QString translateJet(const QString& jetSql);

} // namespace tq::store
