#pragma once
// What the three add-in programs share at start: their command-line options,
// the program directory they work in, the application database opened the
// way a command of the main program opens it, and their own row in the add-in
// registry Sアドイン管理, written when it is missing or no longer leads to the
// running executable (so the main program finds them after their first run).

#include "context/Busy.h"
#include "context/ConsoleContext.h"

#include <QString>
#include <QStringList>

namespace tq::addins {

// What an add-in works with: the program's context, its messages on the
// console, no busy window.
using AddinContext = context::ConsoleContext<context::SilentBusy>;

struct AddinIdentity {
    QString softwareId;  // ソフトID
    QString displayName; // 名称
};

// The options every add-in accepts. Anything else stays in `rest`, in order.
struct AddinOptions {
    QString appDir; // --app-dir DIR
    QString png;    // --png FILE: render headless into FILE and quit
    QString csv;    // --csv FILE: write headless into FILE and quit
    bool registerOnly = false; // --register: write the registry row and quit
    QStringList rest;
    QString error;  // an option without its value
    bool headless() const { return !png.isEmpty() || !csv.isEmpty(); }
};

// The options of a program's command line. Headless runs (and --register)
// need no display: the offscreen platform is chosen for them unless the
// environment names one. Call before the application object exists.
AddinOptions startAddin(int argc, char** argv);

// "ID: text" on stderr, ID the add-in's ソフトID.
void printAddinError(const AddinIdentity& identity, const QString& text);

// The program directory: --app-dir; else the working directory when it holds
// the catalogue DEVovuved.ini (the main program starts add-ins in its
// program directory); else the executable's directory.
QString addinProgramDir(const QString& appDirOption);

// Reads KORVEN.INI and the catalogue of `programDir`, opens the application
// database as the main program's commands do (preparing it only when it must
// be) and registers the add-in. Returns an empty text on success, else why
// the database could not be opened.
QString openAddinDatabase(context::AppContext& ctx, const QString& programDir, const AddinIdentity& identity);

// openAddinDatabase in the program directory of `options`; when the database
// cannot be opened, says why on stderr and, unless the run is headless, in a
// message box titled with the add-in's name. True when it is open.
bool openAddinDatabaseOrTell(context::AppContext& ctx, const AddinOptions& options, const AddinIdentity& identity);

// Writes the add-in's row of Sアドイン管理 (ソフトID, 名称, パス = `executable`,
// 起動オプション empty, 買い目出力 "0") when there is none or when its パス does
// not lead to `executable`. True when the row is (now) right; failures are
// reported to the error log under "subAddinEntry".
bool registerAddin(context::AppContext& ctx, const AddinIdentity& identity, const QString& executable);

// "YYYYMMDD" as "YYYY/MM/DD"; other texts unchanged.
QString formatRaceDate(const QString& yyyymmdd);

} // namespace tq::addins
