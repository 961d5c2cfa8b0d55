#pragma once
// The database operations the rest of the system calls, under their original
// names and with their failure values: each catches the engine's error,
// reports it to the error log under its own name and returns "nothing"
// (nullptr) with ok = false, an empty text or false.
//
// Threading: as Database (one thread per connection). None of them throws.

#include "store/Database.h"
#include "store/Dynaset.h"
#include "store/Recordset.h"

#include <QString>

#include <memory>
#include <vector>

namespace tq::common {
class ErrorLog;
}

namespace tq::store {

// Opens the database at `path` read-write. A missing file is created (DBOpc)
// unless `noCreate`. A file another connection holds locked is tried 10 times
// in all, then reported once. A file that is not a database, or one without
// write permission, fails. On failure: one report "DBOpn", nullptr, ok = false.
// `connect` is accepted for the original signature and ignored.
std::unique_ptr<Database> DBOpn(common::ErrorLog& log, const QString& path, bool& ok, bool noCreate = false,
                                const QString& connect = {});

// Creates a new, empty database file. On failure (the file exists, the
// directory is missing or not writable): report "DBOpc", nullptr, ok = false.
std::unique_ptr<Database> DBOpc(common::ErrorLog& log, const QString& path, bool& ok);

// A read-only recordset of one Jet SELECT. On failure: report "TBOpr"
// (engine message and statement), nullptr, ok = false. A statement stopped by
// an interrupt or a progress handler gives nullptr without a report.
std::unique_ptr<Recordset> TBOpr(common::ErrorLog& log, Database& db, const QString& sql, bool& ok);

// An updatable recordset of a single-table Jet SELECT or a bare table name.
// On failure two reports "TBOpn": the engine's message, then the SQL text as
// description; nullptr, ok = false.
std::unique_ptr<Dynaset> TBOpn(common::ErrorLog& log, Database& db, const QString& sql, bool& ok);

// Makes `tableName` in the database at `databasePath` a link to the table of
// the same name in `sourcePath` (replacing any table, view or link of that
// name). Never reports a failing step; only opening the database reports
// ("DBOpn"). Open connections see the link after Database::reloadLinks().
void TBLink(common::ErrorLog& log, const QString& databasePath, const QString& sourcePath, const QString& tableName);

// TBLink for several tables, in order, opening the database once and writing
// all links in one transaction (relinking every table at start-up).
struct TableLink {
    QString sourcePath;
    QString tableName;
};
void TBLinkAll(common::ErrorLog& log, const QString& databasePath, const std::vector<TableLink>& links);

// Appends a column to an existing table by a Japanese type name ("ﾃｷｽﾄ型",
// "数値型 (長整数)", "数値型 (整数)", "数値型 (ﾊﾞｲﾄ)", "数値型 (単精度浮動小数点)",
// "数値型 (倍精度浮動小数点)", "ﾒﾓ型", "日付型"). `size` is "-" for the type's
// default, else a number (used by text columns). Returns an empty text on
// success, else the engine's description for the caller to show.
QString TBFldAdd(Database& db, const QString& tableName, const QString& fieldName, const QString& typeName,
                 const QString& size);

// The SQLite column type TBFldAdd declares for a Japanese type name, empty for
// an unknown name. Text types carry COLLATE JET.
QString declaredTypeForJapaneseName(const QString& typeName, int size);

// Summary properties of a database, kept in its table MSysProperties (name
// compared without regard to ASCII letter case). Get returns an empty text for
// a missing property or any failure. Set creates a missing property with the
// value "なし", then assigns; returns false on failure.
QString GetDBProp(Database& db, const QString& name);
bool SetDBProp(Database& db, const QString& name, const QString& value);
// The same on the database file at `appDbPath`, opened for the call. A missing
// file is not created (an empty text / false, with the "DBOpn" report).
QString GetDBProp(common::ErrorLog& log, const QString& appDbPath, const QString& name);
bool SetDBProp(common::ErrorLog& log, const QString& appDbPath, const QString& name, const QString& value);

// Copies a file. With failIfExists an existing target is refused (false).
// The data goes to a temporary file beside the target which is then renamed,
// so a failed copy never leaves a partial target. The copy gets the default
// permissions of a new file, not the source's. Returns false without a report
// when the source is missing or the target is refused; other failures (a full
// disk, an unwritable directory) are reported as "Fun_blnCopyFile".
bool Fun_blnCopyFile(common::ErrorLog& log, const QString& source, const QString& target, bool failIfExists);

// DBOpn without the report: opens an existing file, retrying a locked one up
// to `attempts` times in all. Throws DbError.
std::unique_ptr<Database> openWithRetry(const QString& path, OpenMode mode = OpenMode::ReadWrite, int attempts = 10);

} // namespace tq::store
