#pragma once
// The starts of the add-in programs: today's favourites (ZAVozivuzar), the
// graph of a result (REDivor, with the hand-over file REDivor.csv) and the
// race viewer (DEZide, not started twice). Programs are found through the
// add-in registry Sアドイン管理; a relative path is taken in AppDir, and a
// registered name ending in ".exe" is also looked for without it. A program
// not found there is looked for under its file name in the main program's
// own directory, where the build installs the add-ins.
//
// A program that is missing or does not start is reported to the error log
// under the operation's name and told to the user; nothing else depends on it.

#include <QString>

namespace tq::context {
class AppContext;
}
namespace tq::analysis {
class AnalysisDocument;
}

namespace tq::favourites {

class ProcessStarter;

// パス of the registry row of `softwareId`, or `fallback` when there is none
// (or the registry cannot be read, reported as "TBOpn").
QString funAddinPath(context::AppContext& context, const QString& softwareId, const QString& fallback);

// The executable a registry path or fallback names on this system: relative
// paths in `appDir`; "X.exe" becomes "X" when only that exists.
QString addinExecutable(const QString& appDir, const QString& path);

// The program an add-in start runs: addinExecutable(appDir, path) when that
// file exists, else the file of the same name in `ownDir` (the main
// program's directory, where the build installs the add-ins) when that one
// exists, else the first.
QString addinProgram(const QString& appDir, const QString& ownDir, const QString& path);

// The message shown when an add-in cannot be started.
QString addinNotStartedMessage(const QString& program, const QString& reason);

// 本日のお気に入り: starts today's favourites. True when it was started.
bool subFavoToday(context::AppContext& context, ProcessStarter& starter);

// The graph's title: the caption and the keys in use, "caption【k1、k2】".
QString graphTitle(const analysis::AnalysisDocument& document);

// グラフアドイン on a document: refuses a result without analysis or with fewer
// than two rows (with their messages), writes the result table to
// AppDir/REDivor.csv and starts the graph with the title.
bool mnuREDivor_Click(context::AppContext& context, ProcessStarter& starter, const analysis::AnalysisDocument& document);

// Starts the graph: "/F <AppDir>/REDivor.csv /T <title>".
bool subGraphShow(context::AppContext& context, ProcessStarter& starter, const QString& title);

// Starts the race viewer unless a process named DEZide or DEZIDE (file name
// without extension) runs. True when it runs or was started.
bool subViewShow(context::AppContext& context, ProcessStarter& starter);

} // namespace tq::favourites
