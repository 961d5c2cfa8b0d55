#pragma once
// One SQLite file written from a table source: created at a temporary path,
// page size set, every table created with the source's names and declared
// types and filled in one transaction (one prepared INSERT per table), rows
// put into key order when the source had them otherwise, indexed, analysed,
// committed and closed. The caller renames the file once every file of the
// import is done; a ConvertedFile destroyed before finish() deletes its file.

#include "jetimport/RaceDataLayout.h"
#include "jetimport/TableSource.h"

#include <functional>

struct sqlite3;

namespace tq::jetimport {

// What became of one table.
struct TableReport {
    QString table;
    qint64 stated = 0;        // rows the source's table definition states
    qint64 read = 0;          // rows the source delivered
    qint64 written = 0;       // rows inserted
    qint64 damaged = 0;       // rows left out because their bytes do not fit the table
    qint64 damagedValues = 0; // values lost to damaged bytes (written as Null)
    qint64 unconverted = 0;   // values that could not be converted exactly
    QString failure;          // why the table could not be read at all; empty when it could
    QStringList samples;      // the first few problems ("row 12, 名称: text not decodable")
    QStringList notes;        // other problems (rows missing, a key that is not unique)

    bool ok() const
    {
        return unconverted == 0 && notes.isEmpty() && !lostData() && read == written;
    }
    // Rows or values of the source are missing from the copy: rows or values
    // left out as damaged, a table that could not be read, or fewer or more
    // rows than its definition states.
    bool lostData() const { return damaged > 0 || damagedValues > 0 || !failure.isEmpty() || read != stated; }
};

// Progress of a table (rows done of the stated total) and the cancel question.
struct CopyCallbacks {
    std::function<void(const QString& table, qint64 done, qint64 total)> progress;
    std::function<bool()> cancelled;
};

class ConvertedFile final {
public:
    // Creates `path` (an existing file there is removed first). Throws
    // std::runtime_error.
    explicit ConvertedFile(QString path);
    ~ConvertedFile();
    ConvertedFile(const ConvertedFile&) = delete;
    ConvertedFile& operator=(const ConvertedFile&) = delete;

    // Copies one table. `indexes` from raceDataIndexes (those naming a missing
    // column are skipped). A table the source cannot read is reported with its
    // failure and not created. Throws std::runtime_error on a read or write
    // failure, ImportCancelled when cancelled.
    TableReport copyTable(TableSource& source, const TableInfo& table, const QList<IndexDef>& indexes,
                          const CopyCallbacks& callbacks);

    // ANALYZE, commit and close. Throws std::runtime_error.
    void finish();

private:
    void exec(const QString& sql);
    void putInKeyOrder(const TableInfo& table, const QStringList& keyColumns);
    void createIndexes(const TableInfo& table, const QList<IndexDef>& indexes, TableReport& report);

    QString m_path;
    sqlite3* m_db = nullptr;
};

} // namespace tq::jetimport
