#pragma once
// The application database's life at start-up: making sure the file exists
// (funDBChk) and preparing it (subDB_Init: compaction, relinking of the
// race-data tables, schema upgrade with default rows and the add-in registry).
//
// Progress texts go to ctx.busy.setProgress, messages to ctx.prompter. Each
// procedure that ends the process on failure reports to the error log under
// its own name, shows its message, and throws StartupAborted; nothing here
// ends the process itself. What each one did is recorded in ctx.preparation.

#include <QString>

#include <functional>

namespace tq::context {
class AppContext;
}

namespace tq::appdb {

// True when the file at AppDbPath had to be restored (from AppDir/
// DEVovuved.mdb.001, preferred) or initialised (from AppDir/
// DEVovuved_init.mdb) in this run, false when it was present and sound.
// A backup is copied only when it passes the engine's check. A present file
// that is damaged (empty, truncated, not a database, a Jet file, a database
// without the favourites table) is named with its cause and, when the user
// agrees, moved aside under a dated name (AppDbPath.yyyyMMddhhmmss.damaged,
// never deleted) and replaced from the backup or the initial database.
// Restoring takes the exclusive database lock. Throws StartupAborted when it
// can neither find nor produce the file, or the user keeps the damaged one
// (which is then left untouched); an existing target is never overwritten.
bool funDBChk(context::AppContext& ctx);

// Takes the exclusive database lock, checks the whole file (damage found here
// is handled as in funDBChk), compacts AppDbPath (DBComp), relinks and
// upgrades it, and leaves ctx.appDb open on it. Throws StartupAborted on
// failure. The caller keeps the exclusive lock until its preparation is done.
void subDB_Init(context::AppContext& ctx);

// Checks the race-data files first (checkRaceData), then links every table of
// the catalogue's five link lists into AppDbPath, in list order; sets
// HensaDbPath = AppDir/VUDevuzI.mdb. A table that cannot be linked stays
// missing. Throws StartupAborted on other failures.
void subDB_Link(context::AppContext& ctx);

// Names every race-data file the link lists need that cannot serve its links
// (missing, unreadable, not a database, damaged, a table missing), and a
// KORVEN.INI or DBDir that names no directory, in
// ctx.preparation.raceDataProblems (Japanese texts naming file and cause),
// each also written to the error log under "subDB_Link". Writes nothing.
void checkRaceData(context::AppContext& ctx);

// Writes AppDir/DEVovuved.mdb.001, the copy that a damaged or missing
// database is restored from, from ctx.appDb once PRAGMA integrity_check has
// passed: into a temporary file beside it, synced, then renamed over the old
// copy, so the name never holds a half-written file. Records the result in
// ctx.preparation (verifiedCopy, or copyProblem and an error-log entry).
void keepVerifiedCopy(context::AppContext& ctx);

// The lock on the application database (DatabaseLock beside AppDbPath),
// made on first use and held in ctx. Shared: taken by a process that uses the
// database; waits up to ctx.lockWaits.shared while another process prepares
// it. Exclusive: taken for restoring and preparing; waits up to
// ctx.lockWaits.exclusive for every other process to let go, and returns
// true. With `doneElsewhere`, whenever the shared lock can be had meanwhile
// the predicate is asked whether another process has done the work; then
// the shared lock is kept and the result is false. On timeout each shows its
// message and throws StartupAborted(procedure).
void lockDatabaseShared(context::AppContext& ctx, const QString& procedure);
bool lockDatabaseExclusive(context::AppContext& ctx, const QString& procedure,
                           const std::function<bool()>& doneElsewhere = {});

// Opens ctx.appDb and brings the schema, default rows and add-in registry up
// to date. Upgrade steps skip failing statements; a failure to open the
// database or to write the add-in registry throws StartupAborted.
void subDB_Set(context::AppContext& ctx);

// Counts which names of the five link lists resolve in ctx.appDb and records
// them in ctx.preparation (links requested, made, missing).
void countLinks(context::AppContext& ctx);

// The executable paths written into the add-in registry for this program and
// for the today's-favourites add-in.
QString programPath(const QString& appDir, const QString& softwareId);

} // namespace tq::appdb
