#pragma once
// The system information the about box shows and copies: what a user needs
// to describe the installation when asking for help (versions of the program,
// Qt and SQLite, the operating system, and where the program's files are).

#include <QString>

namespace tq::context {
class AppContext;
}

namespace tq::shell {

// One "name: value" line per item, lines separated by "\n". Directories and
// files that are not set show as "（未設定）"; race-data files only when set.
QString systemInformation(const context::AppContext& ctx);

} // namespace tq::shell
