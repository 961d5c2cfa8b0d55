#pragma once
// The race-data import: every race-data file (korven_this.mdb,
// korven_data.mdb, korven_code.mdb, korven_keto.mdb, VUDevuzI.mdb) found in a
// source directory is converted into a SQLite file of the same name in the
// output directory. A Jet source is read with libmdb; a SQLite source (such as
// generated data) goes through the same conversion.
//
// The sources are opened read-only and never changed. A source that is
// neither a Jet file nor a SQLite file with race-data tables is refused.
// Every output is written as "<name>.tmp" first; only when all files are done
// are they put in place of the real names, all or none (an earlier file is
// moved aside to "<name>.previous" until every file is in place, and put back
// when one cannot be), so a failure or a cancellation leaves the output
// directory as it was, without a temporary file. When rows or values of a
// source were lost to damage, nothing is put in place unless the caller
// accepts that.

#include "jetimport/ConvertedFile.h"

namespace tq::jetimport {

struct FileReport {
    QString source;
    QString target;
    QString format; // "Jet 3", "Jet 4" or "SQLite"
    QString damage; // of the file beyond its tables (a damaged catalogue); empty when none
    QList<TableReport> tables;

    // Rows or values of the source are missing from the conversion.
    bool lostData() const;
};

struct ImportReport {
    QList<FileReport> files;
    QString error;          // set when the import stopped
    QString errorFile;      // the file the error concerns, when it concerns one
    bool cancelled = false; // the user cancelled
    bool heldBack = false;  // data were lost to damage and not accepted, so nothing was put in place
    bool written = false;   // the converted files are in place
    // The output directory was changed although the import failed (putting
    // back an earlier file failed too; the error says which).
    bool partlyWritten = false;

    // True when every file was written and every value converted exactly.
    bool ok() const;
    qint64 unconverted() const;
    bool lostData() const;
    // The sources of the files that lost data.
    QStringList lostDataSources() const;
};

struct RaceImportCallbacks {
    // Called per table with the file name, the table, rows done and rows stated.
    std::function<void(const QString& file, const QString& table, qint64 done, qint64 total)> progress;
    std::function<bool()> cancelled;
};

// Converts the race-data files of `fromDir` into `outDir` (created when
// missing). Refuses an output directory that is the source directory, and a
// source directory without any race-data file. With `acceptDamaged` a
// conversion that lost rows or values to damage is put in place all the
// same (and still reported). Never throws.
ImportReport importRaceData(const QString& fromDir, const QString& outDir, const RaceImportCallbacks& callbacks,
                            bool acceptDamaged = false);

// Opens a source file by its first bytes: Jet through libmdb, SQLite when it
// holds a race-data table; anything else is refused. Sets `format`. Throws
// std::runtime_error with the cause (the caller names the file).
std::unique_ptr<TableSource> openTableSource(const QString& path, QString& format);

} // namespace tq::jetimport
