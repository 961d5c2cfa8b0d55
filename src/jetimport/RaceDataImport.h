#pragma once
// The race-data import: every race-data file (korven_this.mdb,
// korven_data.mdb, korven_code.mdb, korven_keto.mdb, VUDevuzI.mdb) found in a
// source directory is converted into a SQLite file of the same name in the
// output directory. A Jet source is read with libmdb; a SQLite source (such as
// generated data) goes through the same conversion.
//
// The sources are opened read-only and never changed. Every output is written
// as "<name>.tmp" first; only when all files are done are they renamed over
// the real names, so a failure or a cancellation leaves the output directory
// as it was (apart from no temporary file left behind).

#include "jetimport/ConvertedFile.h"

namespace tq::jetimport {

struct FileReport {
    QString source;
    QString target;
    QString format; // "Jet 3", "Jet 4" or "SQLite"
    QList<TableReport> tables;
};

struct ImportReport {
    QList<FileReport> files;
    QString error;          // set when the import stopped (nothing renamed then)
    bool cancelled = false; // likewise

    // True when every file was written and every value converted exactly.
    bool ok() const;
    qint64 unconverted() const;
};

struct RaceImportCallbacks {
    // Called per table with the file name, the table, rows done and rows stated.
    std::function<void(const QString& file, const QString& table, qint64 done, qint64 total)> progress;
    std::function<bool()> cancelled;
};

// Converts the race-data files of `fromDir` into `outDir` (created when
// missing). Refuses an output directory that is the source directory, and a
// source directory without any race-data file. Never throws.
ImportReport importRaceData(const QString& fromDir, const QString& outDir, const RaceImportCallbacks& callbacks);

// Opens a source file by its first bytes: Jet through libmdb, otherwise SQLite.
// Sets `format`. Throws std::runtime_error.
std::unique_ptr<TableSource> openTableSource(const QString& path, QString& format);

} // namespace tq::jetimport
