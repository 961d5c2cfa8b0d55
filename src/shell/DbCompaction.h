#pragma once
// DBComp: compacts the application database in place through a work file
// beside it.
//
// For a database path P: base B = P up to the first ".MDB" (any letter case)
// in its file name; work file W = B + "WK.MDB"; kept file K = B +
// "yyyyMMddhhmmss" (local time of the rename) + ".MDB".
//
// A W left by an interrupted run is kept as K after a warning, never deleted.
// Compaction is VACUUM INTO W, then W is copied back over P with SQLite's
// backup API (one write transaction on P, so P is never half-written and other
// readers see either the old or the new content), then W is deleted.
//
// "In use" means another connection holds a lock on P (an open transaction of
// another process): compaction is then skipped with a message and the result
// is still true. A connection merely open without a transaction is no obstacle.
//
// Every problem is shown through the prompter as a system-modal critical box
// captioned application title + " - データベース最適化"; failures are also
// written to the error log under "DBComp" with the engine's message.

#include "shell/PreparationReport.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace tq::shell {

class AppContext;

struct CompactionFiles {
    QString base, work; // empty when the file name has no ".MDB"
    // K for the given local time.
    QString kept(const QDateTime& localTime) const;
};
CompactionFiles compactionFiles(const QString& databasePath);

// Returns true when P was compacted or was in use, false on every other
// problem. `now` gives the local time used for K (the current time when empty).
// Records the outcome in ctx.preparation.
bool DBComp(AppContext& ctx, const QString& path, const std::function<QDateTime()>& now = {});

} // namespace tq::shell
