#pragma once
// The race-data generator: builds a deterministic race world and writes the
// five race-data databases (korven_data.mdb, korven_this.mdb, korven_code.mdb,
// korven_keto.mdb, VUDevuzI.mdb) into one directory. docs/data-model.md
// describes every table and column written here.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace tq::tools {

struct GenOptions {
    QString outDir;              // must exist or be creatable
    int years = 1;               // 1..50 years of past races ending 2025-12-31
    int months = 0;              // when > 0, only the last `months` months of 2025 (tests)
    std::uint64_t seed = 1;
};

struct GenReport {
    int pastRaces = 0, pastRunners = 0;
    int todayRaces = 0, todayRunners = 0;
    int horses = 0, jockeys = 0, trainers = 0, sires = 0;
    double seconds = 0;
    QStringList files;           // full paths written, in order
};

// Generates and writes everything. Each file is written under a temporary name
// and renamed when complete, so a failure never leaves a half-written database
// under a real name (files finished before the failure stay). Returns false and
// sets *error on failure. Same options, same rows.
bool generateRaceData(const GenOptions& options, GenReport* report, QString* error);

} // namespace tq::tools
