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

// Runs the sequence on a context whose programDir is set. Leaves ctx.appDb
// open, the colours read and ctx.userName set. Any failure is reported (under
// the failing procedure's name, "Main" for the sequence itself) and thrown as
// StartupAborted after its message has been shown.
void startUp(context::AppContext& ctx, const StartupHooks& hooks);

// True when `name` means that no user name is registered (empty or one blank).
bool isUnregisteredUser(const QString& name);

// The user-name dialog's OK: an empty text becomes a single blank; stored as
// property "User" on ctx.appDb when open, else on the file at AppDbPath.
// Returns false when the property could not be stored.
bool storeUserName(context::AppContext& ctx, const QString& text);

} // namespace tq::shell
