#pragma once
// Registers on one SQLite connection everything translated Jet SQL relies on:
// the collation "JET" (case-, width- and kana-insensitive text comparison), the
// Jet functions (jet_cat, jet_mid, jet_val, jet_format, ...), the Jet LIKE, and
// turns off double-quoted string literals. Call it once right after opening.

struct sqlite3;

namespace tq::store {

void registerJetExtensions(sqlite3* db);

} // namespace tq::store
