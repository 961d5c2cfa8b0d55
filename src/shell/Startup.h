#pragma once
// Main's start-up sequence after the single-instance check: busy window,
// KORVEN.INI, the catalogue, the database check, the user name, the decision
// to prepare the database, the colour thresholds, the start entry in the log,
// the main window, and the second chance to register a user name.
//
// The windows it needs are passed in as callbacks, so the sequence runs the
// same in the GUI and in tests.

#include <QString>

#include <functional>

namespace tq::context {
class AppContext;
}

namespace tq::shell {

struct StartupHooks {
    // Shows the user-name dialog modally (frmBaseSet). May be empty: no dialog.
    std::function<void(context::AppContext&)> askUserName;
    // Shows the main window (step 12). May be empty.
    std::function<void(context::AppContext&)> showMainWindow;
    // The executable's name for the error log.
    QString exeName = QStringLiteral("DEVovuved");
};

// Steps 3 and 4: KORVEN.INI (result ignored) and the catalogue from
// ctx.programDir, which also sets AppDir, AppDbPath, InitFlag and DebugFlag.
// A catalogue file that is missing, unreadable, or lacks a section the
// program needs (or entries its Counts promise) is named with its problem,
// logged under "subIniGetAll", and ends start-up (StartupAborted); so does
// a database of the program directory or the race data that is a Jet file.
void readSettings(context::AppContext& ctx);

// Runs the sequence on a context whose programDir is set. Leaves ctx.appDb
// open, the colours read and ctx.userName set. Any failure is reported (under
// the failing procedure's name, "Main" for the sequence itself) and thrown as
// StartupAborted after its message has been shown.
void startUp(context::AppContext& ctx, const StartupHooks& hooks);

// The preparation without windows (the prepare command): steps 3-5 and the
// preparation branch of step 9, whatever InitFlag says, then the verified
// copy DEVovuved.mdb.001 and the link count. Leaves ctx.appDb open and the
// shared database lock held; throws StartupAborted like startUp.
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
// lock held; throws StartupAborted like startUp.
bool openForCommand(context::AppContext& ctx);

// True when `name` means that no user name is registered (empty or one blank).
bool isUnregisteredUser(const QString& name);

// The user-name dialog's OK: an empty text becomes a single blank; stored as
// property "User" on ctx.appDb when open, else on the file at AppDbPath.
// Returns false when the property could not be stored.
bool storeUserName(context::AppContext& ctx, const QString& text);

// Step 10: the first row of 色設定 into ctx.colours. Throws on a missing
// table, a missing row or a Null value.
void readColourSettings(context::AppContext& ctx);

} // namespace tq::shell
