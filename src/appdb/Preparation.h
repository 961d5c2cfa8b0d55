#pragma once
// The preparation of the application database that start-up, the commands
// and the Jet import of an old application database share: reading the
// settings and the catalogue, preparing the database (with or without
// windows), opening it for a command, and reading its colour thresholds.
// Failures are reported under the procedure's name and thrown as
// StartupAborted after their message has been shown.

namespace tq::context {
class AppContext;
}

namespace tq::appdb {

// Steps 3 and 4: KORVEN.INI (result ignored) and the catalogue from
// ctx.programDir, which also sets AppDir, AppDbPath, InitFlag and DebugFlag.
// A catalogue file that is missing, unreadable, or lacks a section the
// program needs (or entries its Counts promise) is named with its problem,
// logged under "subIniGetAll", and ends start-up (StartupAborted); so does
// a database of the program directory or the race data that is a Jet file.
void readSettings(context::AppContext& ctx);

// The preparation without windows (the prepare command): steps 3-5 and the
// preparation branch of step 9, whatever InitFlag says, then the verified
// copy DEVovuved.mdb.001 and the link count. Leaves ctx.appDb open and the
// shared database lock held; throws StartupAborted like start-up.
//
// Every preparation (here, in startUp and in openForCommand) holds the
// exclusive database lock (DatabaseLock) from the restore or compaction to
// the verified copy, and a started program holds the shared lock for its
// whole run, so a preparation never rewrites the file under another process.
void prepareHeadless(context::AppContext& ctx);

// The preparation itself, on a context whose settings and catalogue are read
// and whose database file was checked (funDBChk): subDB_Init, the stored
// Version and DBDir (ctx.appVersion, ctx.korvenDir), the verified copy, a
// warning naming the race-data files that could not be linked; then the
// database lock goes back to shared, so other processes can use it.
void prepareDatabase(context::AppContext& ctx);

// For a command that uses the database (analyze): steps 3-5, then the
// preparation only when the file was restored or initialised in this run or
// was prepared by another version or for another race-data directory;
// otherwise the database is opened as it is, so a script running many
// analyses does not compact the database each time. The INIT line plays no
// part. Returns whether it prepared. Leaves ctx.appDb open and the shared
// lock held; throws StartupAborted like start-up.
bool openForCommand(context::AppContext& ctx);

// Step 10: the first row of 色設定 into ctx.colours. Throws on a missing
// table, a missing row or a Null value.
void readColourSettings(context::AppContext& ctx);

// Whether the stored Version or DBDir differ from this run's.
bool preparedForAnotherRun(context::AppContext& ctx);

// Opens ctx.appDb on AppDbPath as it is; throws std::runtime_error when it
// cannot.
void openAppDb(context::AppContext& ctx);

} // namespace tq::appdb
