#include "jetimport/SqliteTableSource.h"

#include "jetimport/SqlText.h"
#include "store/JetExtensions.h"

#include <QFile>

#include <sqlite3.h>

#include <stdexcept>

namespace tq::jetimport {

namespace {

class Statement final {
public:
    Statement(sqlite3* db, const QString& sql)
    {
        if (sqlite3_prepare16_v2(db, sql.utf16(), -1, &m_stmt, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool step()
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(sqlite3_db_handle(m_stmt)));
        return false;
    }
    QString text(int i) const
    {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i)),
                                 sqlite3_column_bytes(m_stmt, i));
    }
    Cell cell(int i) const
    {
        switch (sqlite3_column_type(m_stmt, i)) {
        case SQLITE_INTEGER: return qint64(sqlite3_column_int64(m_stmt, i));
        case SQLITE_FLOAT: return sqlite3_column_double(m_stmt, i);
        case SQLITE_TEXT: return text(i);
        case SQLITE_BLOB:
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(m_stmt, i)), sqlite3_column_bytes(m_stmt, i));
        default: return {};
        }
    }
    int columns() const { return sqlite3_column_count(m_stmt); }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

} // namespace

SqliteTableSource::SqliteTableSource(const QString& path)
{
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        throw std::runtime_error(path.toStdString() + ": " + message);
    }
    store::registerJetExtensions(m_db);
}

SqliteTableSource::~SqliteTableSource()
{
    sqlite3_close(m_db);
}

QStringList SqliteTableSource::tableNames()
{
    QStringList out;
    // Plain comparisons: LIKE is the Jet one on this connection.
    Statement names(m_db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND substr(name, 1, 7) "
                                         "<> 'sqlite_' AND substr(name, 1, 4) <> 'MSys' ORDER BY rowid"));
    while (names.step())
        out << names.text(0);
    return out;
}

QList<TableInfo> SqliteTableSource::tables()
{
    QList<TableInfo> out;
    for (const QString& name : tableNames()) {
        TableInfo info;
        info.name = name;
        Statement columns(m_db, QStringLiteral("PRAGMA table_info(") + quoteName(info.name) + QLatin1Char(')'));
        while (columns.step())
            info.columns.append({columns.text(1), columns.text(2)});
        Statement count(m_db, QStringLiteral("SELECT count(*) FROM ") + quoteName(info.name));
        count.step();
        info.rowCount = std::get<qint64>(count.cell(0));
        out.append(info);
    }
    return out;
}

void SqliteTableSource::readRows(const TableInfo& table, const RowHandlers& handlers)
{
    Statement rows(m_db, QStringLiteral("SELECT * FROM ") + quoteName(table.name) + QStringLiteral(" ORDER BY rowid"));
    std::vector<Cell> row(std::size_t(rows.columns()));
    const QList<CellProblem> none;
    while (rows.step()) {
        for (int i = 0; i < rows.columns(); ++i)
            row[std::size_t(i)] = rows.cell(i);
        if (!handlers.row(row, none))
            return;
    }
}

} // namespace tq::jetimport
