#pragma once
// Translates one Jet SQL statement into the SQLite SQL that has the same meaning
// on tables created through this layer (text columns COLLATE JET, Jet types
// mapped to SQLite affinities, Jet functions registered by JetExtensions).
//
// Throws DbError (code 0) for what the layer rejects: a second statement after
// ";" (one trailing ";" is allowed), parameter markers (?, :x, @x, $x),
// TRANSFORM/PIVOT, PARAMETERS, unbalanced quotes or brackets, and the few Jet
// forms that have no faithful SQLite equivalent (the message names the form).
// Pure functions of their input; safe to call from any thread.

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

namespace tq::store {

inline constexpr qsizetype kMaxJetStatementLength = 8 * 1024 * 1024;
inline constexpr int kMaxJetNesting = 200;

// Asked now and then during a long translation; true stops it with DbError
// SQLITE_INTERRUPT (9), as an interrupted statement stops.
using StopCheck = std::function<bool()>;

// Declared SQLite type of `column` in `table` (names without brackets), or an
// empty text when the table has no such column. Only SELECT ... INTO asks: the
// new table's columns take the types of the source columns, as in Jet.
using ColumnTypeLookup = std::function<QString(const QString& table, const QString& column)>;

// The statement as SQLite text. Some Jet statements need several SQLite
// statements (SELECT ... INTO becomes CREATE TABLE + INSERT; ALTER TABLE ...
// ADD COLUMN with a key constraint adds a CREATE UNIQUE INDEX); they are
// joined with "; " here. Run them in order inside one transaction, or use
// translateJetStatements() to get them separately.
QString translateJet(const QString& jetSql);

// The same, one list entry per SQLite statement. Without `lookup`, the
// columns of a SELECT ... INTO table get types inferred from the expressions
// only (text expressions TEXT COLLATE JET, numbers REAL, others untyped).
QStringList translateJetStatements(const QString& jetSql, const ColumnTypeLookup& lookup = {});

// Translation with the literals of value positions (operands of comparisons in
// WHERE / HAVING / ON, Between bounds, In lists, SET and VALUES items)
// replaced by "?", so that statements differing only in those literals share
// one prepared statement. `literals` holds the values in "?" order: strings as
// QString, integers as qlonglong, reals (and #dates#) as double. Literals in
// DDL, TOP, ORDER BY / GROUP BY, select lists and function arguments stay
// inline. Statements that translate to several SQLite statements come back
// inline (joined with "; ") with no literals.
struct ParameterizedSql {
    QString sql;
    QVariantList literals;
};
ParameterizedSql translateJetParameterized(const QString& jetSql, const StopCheck& stop = {});

} // namespace tq::store
