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

namespace tq::shell {

class AppContext;

// True when the file at AppDbPath had to be restored (from AppDir/
// DEVovuved.mdb.001, preferred) or initialised (from AppDir/
// DEVovuved_init.mdb) in this run, false when it was present. Throws
// StartupAborted when it can neither find nor produce the file (an existing
// target is never overwritten).
bool funDBChk(AppContext& ctx);

// Compacts AppDbPath (DBComp), relinks and upgrades it, and leaves ctx.appDb
// open on it. Throws StartupAborted on failure.
void subDB_Init(AppContext& ctx);

// Links every table of the catalogue's five link lists into AppDbPath, in list
// order; sets HensaDbPath = AppDir/VUDevuzI.mdb. A table that cannot be linked
// stays missing. Throws StartupAborted on other failures.
void subDB_Link(AppContext& ctx);

// Opens ctx.appDb and brings the schema, default rows and add-in registry up
// to date. Upgrade steps skip failing statements; a failure to open the
// database or to write the add-in registry throws StartupAborted.
void subDB_Set(AppContext& ctx);

// Counts which names of the five link lists resolve in ctx.appDb and records
// them in ctx.preparation (links requested, made, missing).
void countLinks(AppContext& ctx);

// The executable paths written into the add-in registry for this program and
// for the today's-favourites add-in.
QString programPath(const QString& appDir, const QString& softwareId);

} // namespace tq::shell
