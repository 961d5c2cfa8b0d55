#pragma once
// Registers on one SQLite connection everything translated Jet SQL relies on:
// the collation "JET" (case-, width- and kana-insensitive text comparison, see
// JetFold.h), the Jet functions (jet_cat, jet_mid, jet_val, jet_format, ...),
// the Jet LIKE (see JetLike.h; the 2-argument like() is replaced, ESCAPE is
// refused), and turns off double-quoted string literals.
//
// Call it once right after opening, before touching any table whose text
// columns are declared COLLATE JET. Registration on a valid connection only
// fails when memory runs out; the connection then reports "no such function"
// or "no such collation sequence" when a statement needs the missing part.
//
// Functions raise the runtime's errors ("Type mismatch", "Invalid use of
// Null", "Division by zero", "Overflow", "Invalid procedure call or argument",
// "Invalid pattern string") through sqlite3_result_error, so a statement fails
// where Jet would fail rather than yielding Null. One deliberate exception:
// "/" is SQLite's own division (see the translator), and a divisor of 0 gives
// Null instead of failing. A key expression or an extended condition that
// divides by a column which is 0 in a few rows then leaves those rows out, as
// any Null does, rather than stopping the whole analysis on them. "\" and Mod
// by 0 still raise "Division by zero".

struct sqlite3;

namespace tq::store {

void registerJetExtensions(sqlite3* db);

} // namespace tq::store
