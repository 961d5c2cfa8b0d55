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
// The caller holds the exclusive database lock (DatabaseLock), so a W found
// here was left by a run that stopped, never by one still working.
//
// "In use" means another connection holds a lock on P (an open transaction of
// another process): compaction is then skipped with a message and the result
// is still true. A connection merely open without a transaction is no obstacle.
//
// Every problem is shown through the prompter as a system-modal critical box
// captioned application title + " - データベース最適化"; failures are also
// written to the error log under "DBComp" with the engine's message.

#include "context/PreparationReport.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace tq::context {
class AppContext;
}

namespace tq::appdb {

struct CompactionFiles {
    QString base, work; // empty when the file name has no ".MDB"
    // K for the given local time.
    QString kept(const QDateTime& localTime) const;
};
CompactionFiles compactionFiles(const QString& databasePath);

// The steps of a compaction that tests replace to inject faults; an empty
// member means the real step.
struct CompactionSteps {
    // The local time used for K.
    std::function<QDateTime()> now;
    // Copies W over P; returns an error text, empty on success.
    std::function<QString(const QString& work, const QString& path)> copyBack;
    // Deletes a file; false when it could not.
    std::function<bool(const QString& file)> removeFile;
};

// Returns true when P was compacted or was in use, false on every other
// problem. A W that this run made is removed again whatever fails (P is whole
// then: the copy back is one transaction), so a failed compaction never looks
// like an interrupted run to the next start; only a W that cannot be deleted
// stays. Records the outcome in ctx.preparation.
bool DBComp(context::AppContext& ctx, const QString& path, const CompactionSteps& steps = {});

} // namespace tq::appdb
