#pragma once
// KORVEN.INI, the race-data service's configuration file: where it is found
// on Linux and how GetIniFile reads it into the context.
//
// Search order (the first that applies wins):
//   1. $KORVEN_INI when set and not empty (used even when the file is missing:
//      an explicit choice is never silently replaced by another file);
//   2. KORVEN.INI in the user's configuration directory
//      ($XDG_CONFIG_HOME, normally ~/.config) when it exists;
//   3. KORVEN.INI in the program directory (which may be missing: all values
//      then take their defaults).

#include <QString>

namespace tq::context {
class AppContext;
}

namespace tq::appdb {

// The search order above on explicit inputs: `envValue` is $KORVEN_INI,
// `configDir` the user's configuration directory.
QString locateKorvenIni(const QString& envValue, const QString& configDir, const QString& programDir);
// The search order on this process's environment.
QString findKorvenIni(const QString& programDir);

// Reads [main] DBDir into KorvenDir and the four race-data paths, and
// [FILENAME] LOGDAT / LOGMAX into the error log. DBDir may use "\" or "/";
// a relative DBDir is taken relative to the directory of `iniPath`;
// KorvenDir always ends in "/". A relative LOGDAT is taken relative to the
// program directory. Returns true; on any error (invalid bytes in the file,
// LOGMAX not a 32-bit number) reports "GetIniFile" and returns false, keeping
// what was set before the error.
bool GetIniFile(context::AppContext& ctx, const QString& iniPath);
// GetIniFile on the file findKorvenIni(ctx.programDir) names.
bool GetIniFile(context::AppContext& ctx);

} // namespace tq::appdb
