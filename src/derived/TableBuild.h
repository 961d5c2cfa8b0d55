#pragma once
// What the derived-table builds share: SQLite statements on the application
// database's own connection for the bulk writes (table and column names
// quoted natively, values bound), the source statement opened under the busy
// window, and the rows that publish a table's columns to the add-in programs.
//
// Errors throw store::DbError; a cancel by the busy window throws
// BuildCancelled. Callers run these inside their own transaction.

#include "store/DbError.h"

#include <QString>
#include <QStringList>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace tq::context {
class AppContext;
}
namespace tq::store {
class Recordset;
class Value;
}

namespace tq::derived {

// The busy window's cancel stopped the build.
struct BuildCancelled {};

// "name" with inner double quotes doubled, for native SQLite text.
QString nativeName(const QString& name);

// [name] for Jet text. The name must not hold "]" (Jet's table names never do).
QString bracketed(const QString& name);

// 'text' with inner single quotes doubled, for Jet or SQLite text.
QString quotedText(const QString& text);

// What the status line says after a build: "<what>を作成しました（n 行、s.s 秒）".
QString builtText(const QString& what, qint64 rows, qint64 milliseconds);

// Runs native SQLite text on the connection; throws DbError on failure.
void execNative(sqlite3* db, const QString& sql);

// One prepared native statement, reused by bind/step/reset per row.
class NativeStatement final {
  public:
    NativeStatement(sqlite3* db, const QString& sql);
    ~NativeStatement();
    NativeStatement(const NativeStatement&) = delete;
    NativeStatement& operator=(const NativeStatement&) = delete;

    // Parameters are 1-based. Text is bound as a copy.
    void bindText(int parameter, const QString& text);
    void bindValue(int parameter, const store::Value& value);
    void bindDouble(int parameter, double value);
    void bindInteger(int parameter, qint64 value);
    void bindNull(int parameter);
    // Steps once (a write) and resets the statement for the next row.
    void run();

    sqlite3_stmt* handle() const { return m_stmt; }

  private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    QString m_sql;
};

// "INSERT INTO "table" VALUES (?,?,...)" with `count` parameters per row,
// for `rows` rows ("VALUES (...),(...)").
QString nativeInsertSql(const QString& table, int count, int rows = 1);

// Opens the source statement of a build. The joins and sorts before the first
// row may take a while: the busy window stays painted meanwhile and its
// cancel interrupts the statement (BuildCancelled).
std::unique_ptr<store::Recordset> openBuildSource(context::AppContext& ctx, const QString& jetSql);

// Turns the connection's secure_delete off for its lifetime, then back to
// what it was. Debian's SQLite zeroes every page a DROP frees, which for a
// large derived table means journaling and rewriting all of it before the
// new rows are written; derived tables hold nothing that needs erasing.
class SecureDeleteOff final {
  public:
    explicit SecureDeleteOff(sqlite3* db);
    ~SecureDeleteOff();
    SecureDeleteOff(const SecureDeleteOff&) = delete;
    SecureDeleteOff& operator=(const SecureDeleteOff&) = delete;

  private:
    sqlite3* m_db;
    int m_previous;
};

// Rewrites the rows of Sアドイン項目管理 for `table`: deletes them, then one row
// ('DEVovuved','B',AppDbPath,table,column,' ') per column in order.
void registerAddInColumns(context::AppContext& ctx, const QString& table, const QStringList& columns);

} // namespace tq::derived
