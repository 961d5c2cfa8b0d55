#pragma once
// What the application database check and preparation did in this run, for
// the `prepare` command's report and for tests.

#include <QString>
#include <QStringList>

namespace tq::context {

struct PreparationReport {
    enum class Source { NotChecked, Present, Backup, Initial };
    enum class Compaction { NotRun, Compacted, SkippedInUse, Failed };

    Source source = Source::NotChecked;
    Compaction compaction = Compaction::NotRun;
    QString keptWorkFile;      // the leftover work file kept under a dated name, if any
    QString damagedFile;       // where a damaged database was moved before the restore, if any
    QString verifiedCopy;      // DEVovuved.mdb.001 when it was written in this run
    QString copyProblem;       // why DEVovuved.mdb.001 was not written, if it was not
    QStringList raceDataProblems; // race-data files that cannot be linked, each with its cause
    int linksRequested = 0;    // table names in the catalogue's five link lists
    int linksMade = 0;         // of those, the names that resolve after relinking
    QStringList missingLinks;  // names that do not resolve
    QStringList upgrades;      // schema upgrade steps whose probe failed and that were run
    int addinRows = 0;         // rows written into the add-in registry tables
};

} // namespace tq::context
