#pragma once
// Tables of a SQLite file (one the program already reads, such as generated
// race data) through the same interface as a Jet file, so the conversion that
// follows can be checked end to end without a Jet writer. Declared types are
// passed on as they are; the file is opened read-only.

#include "jetimport/TableSource.h"

struct sqlite3;

namespace tq::jetimport {

class SqliteTableSource final : public TableSource {
public:
    // Throws std::runtime_error when the file cannot be opened.
    explicit SqliteTableSource(const QString& path);
    ~SqliteTableSource() override;
    SqliteTableSource(const SqliteTableSource&) = delete;
    SqliteTableSource& operator=(const SqliteTableSource&) = delete;

    QList<TableInfo> tables() override;
    // The names of the user tables, without reading them. Throws std::runtime_error.
    QStringList tableNames();
    void readRows(const TableInfo& table, const RowHandlers& handlers) override;

private:
    sqlite3* m_db = nullptr;
};

} // namespace tq::jetimport
