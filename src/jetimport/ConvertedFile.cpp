#include "jetimport/ConvertedFile.h"

#include "jetimport/SqlText.h"
#include "store/JetExtensions.h"

#include <QFile>

#include <sqlite3.h>

namespace tq::jetimport {

namespace {

constexpr int kMaxSamples = 5;
constexpr qint64 kProgressEvery = 2000;

std::runtime_error sqliteError(sqlite3* db, const QString& what)
{
    return std::runtime_error(what.toStdString() + ": " + sqlite3_errmsg(db));
}

// SQLITE_OK, or what binding the cell gave (too big, out of memory).
int bindCell(sqlite3_stmt* stmt, int i, const Cell& cell)
{
    switch (cell.index()) {
    case 1: return sqlite3_bind_int64(stmt, i, std::get<qint64>(cell));
    case 2: return sqlite3_bind_double(stmt, i, std::get<double>(cell));
    case 3: {
        const QString& s = std::get<QString>(cell);
        return sqlite3_bind_text64(stmt, i, reinterpret_cast<const char*>(s.utf16()), sqlite3_uint64(s.size()) * 2,
                                   SQLITE_TRANSIENT, SQLITE_UTF16);
    }
    case 4: {
        const QByteArray& b = std::get<QByteArray>(cell);
        return sqlite3_bind_blob64(stmt, i, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT);
    }
    default: return sqlite3_bind_null(stmt, i);
    }
}

// The key of a row as comparable text (keys are codes and digits).
QString keyText(const std::vector<Cell>& row, const QList<int>& keyColumns)
{
    QString key;
    for (int c : keyColumns) {
        const Cell& cell = row[std::size_t(c)];
        if (const auto* s = std::get_if<QString>(&cell))
            key += *s;
        else if (const auto* i = std::get_if<qint64>(&cell))
            key += QString::number(*i);
        key += QChar(0);
    }
    return key;
}

QList<int> columnPositions(const TableInfo& table, const QStringList& names)
{
    QList<int> positions;
    for (const QString& name : names) {
        int found = -1;
        for (int i = 0; i < table.columns.size(); ++i)
            if (table.columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
                found = i;
        if (found < 0)
            return {};
        positions << found;
    }
    return positions;
}

} // namespace

ConvertedFile::ConvertedFile(QString path) : m_path(std::move(path))
{
    QFile::remove(m_path);
    if (sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw std::runtime_error(m_path.toStdString() + ": " + message);
    }
    store::registerJetExtensions(m_db);
    // The journal stays in memory: pages of a new file need none, and a failed
    // file is deleted rather than rolled back.
    exec(QStringLiteral("PRAGMA page_size = %1").arg(kRaceDataPageSize));
    exec(QStringLiteral("PRAGMA journal_mode = MEMORY"));
    exec(QStringLiteral("BEGIN"));
}

ConvertedFile::~ConvertedFile()
{
    if (!m_db)
        return;
    sqlite3_close(m_db);
    QFile::remove(m_path);
}

void ConvertedFile::exec(const QString& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw std::runtime_error(sql.toStdString() + ": " + text);
    }
}

TableReport ConvertedFile::copyTable(TableSource& source, const TableInfo& table, const QList<IndexDef>& indexes,
                                     const CopyCallbacks& callbacks)
{
    TableReport report;
    report.table = table.name;
    report.stated = table.rowCount;
    if (!table.unreadable.isEmpty()) {
        report.failure = table.unreadable;
        return report;
    }

    QStringList definitions, placeholders;
    for (const ColumnInfo& c : table.columns) {
        definitions << quoteName(c.name) + QLatin1Char(' ') + c.declaredType;
        placeholders << QStringLiteral("?");
    }
    exec(QStringLiteral("CREATE TABLE ") + quoteName(table.name) + QStringLiteral(" (") +
         definitions.join(QStringLiteral(", ")) + QLatin1Char(')'));

    const QString insertSql = QStringLiteral("INSERT INTO ") + quoteName(table.name) + QStringLiteral(" VALUES (") +
                              placeholders.join(QStringLiteral(", ")) + QLatin1Char(')');
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare16_v2(m_db, insertSql.utf16(), -1, &insert, nullptr) != SQLITE_OK)
        throw sqliteError(m_db, QStringLiteral("INSERT into ") + table.name);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(insert, sqlite3_finalize);

    const bool keyed = !indexes.isEmpty() && indexes.first().unique;
    const QList<int> keyColumns = keyed ? columnPositions(table, indexes.first().columns) : QList<int>{};
    QString previousKey;
    bool inKeyOrder = true;

    auto progress = [&] {
        if (callbacks.progress)
            callbacks.progress(table.name, report.read, report.stated);
    };
    progress();
    if (callbacks.cancelled && callbacks.cancelled())
        throw ImportCancelled();
    auto sample = [&](qint64 row, const QString& column, const QString& reason) {
        if (report.samples.size() < kMaxSamples)
            report.samples << (column.isEmpty() ? QStringLiteral("row %1: %2").arg(row).arg(reason)
                                                : QStringLiteral("row %1, %2: %3").arg(row).arg(column, reason));
    };
    RowHandlers handlers;
    handlers.cancelled = callbacks.cancelled;
    handlers.damaged = [&](const QString& reason) {
        ++report.damaged;
        sample(report.read + report.damaged, QString(), reason);
    };
    handlers.row = [&](const std::vector<Cell>& row, const QList<CellProblem>& problems) {
        ++report.read;
        const qint64 rowNumber = report.read + report.damaged;
        for (const CellProblem& p : problems) {
            ++(p.damaged ? report.damagedValues : report.unconverted);
            sample(rowNumber, table.columns[p.column].name, p.reason);
        }
        for (int i = 0; i < int(row.size()); ++i)
            if (const int rc = bindCell(insert, i + 1, row[std::size_t(i)]); rc != SQLITE_OK)
                throw std::runtime_error(QStringLiteral("row %1 of %2, %3: the value cannot be stored (%4)")
                                             .arg(rowNumber)
                                             .arg(table.name, table.columns[i].name, QString::fromUtf8(sqlite3_errstr(rc)))
                                             .toStdString());
        if (sqlite3_step(insert) != SQLITE_DONE)
            throw sqliteError(m_db, QStringLiteral("row %1 of %2").arg(rowNumber).arg(table.name));
        sqlite3_reset(insert);
        ++report.written;
        if (!keyColumns.isEmpty() && inKeyOrder) {
            QString key = keyText(row, keyColumns);
            inKeyOrder = report.written == 1 || previousKey <= key;
            previousKey = std::move(key);
        }
        if (report.read % kProgressEvery == 0) {
            progress();
            if (callbacks.cancelled && callbacks.cancelled())
                throw ImportCancelled();
        }
        return true;
    };
    source.readRows(table, handlers);
    progress();
    if (report.read != report.stated)
        report.notes << QStringLiteral("%1 rows read where the table states %2").arg(report.read).arg(report.stated);
    if (!inKeyOrder)
        putInKeyOrder(table, indexes.first().columns);
    createIndexes(table, indexes, report);
    return report;
}

void ConvertedFile::putInKeyOrder(const TableInfo& table, const QStringList& keyColumns)
{
    const QString name = quoteName(table.name);
    const QString unsorted = quoteName(table.name + QStringLiteral(" unsorted"));
    exec(QStringLiteral("ALTER TABLE ") + name + QStringLiteral(" RENAME TO ") + unsorted);
    QStringList definitions;
    for (const ColumnInfo& c : table.columns)
        definitions << quoteName(c.name) + QLatin1Char(' ') + c.declaredType;
    exec(QStringLiteral("CREATE TABLE ") + name + QStringLiteral(" (") + definitions.join(QStringLiteral(", ")) +
         QLatin1Char(')'));
    exec(QStringLiteral("INSERT INTO ") + name + QStringLiteral(" SELECT * FROM ") + unsorted + QStringLiteral(" ORDER BY ") +
         quoteNames(keyColumns) + QStringLiteral(", rowid"));
    exec(QStringLiteral("DROP TABLE ") + unsorted);
}

void ConvertedFile::createIndexes(const TableInfo& table, const QList<IndexDef>& indexes, TableReport& report)
{
    for (const IndexDef& index : indexes) {
        if (columnPositions(table, index.columns).isEmpty())
            continue;
        const QString tail = QStringLiteral("INDEX ") + quoteName(index.name) + QStringLiteral(" ON ") +
                             quoteName(table.name) + QStringLiteral(" (") + quoteNames(index.columns) + QLatin1Char(')');
        if (!index.unique) {
            exec(QStringLiteral("CREATE ") + tail);
            continue;
        }
        try {
            exec(QStringLiteral("CREATE UNIQUE ") + tail);
        } catch (const std::runtime_error&) {
            // Duplicate keys: keep the rows, index them anyway and say so.
            exec(QStringLiteral("CREATE ") + tail);
            report.notes << QStringLiteral("%1 is not unique; %2 made without UNIQUE").arg(index.columns.join(QLatin1Char(',')), index.name);
        }
    }
}

void ConvertedFile::finish()
{
    exec(QStringLiteral("ANALYZE"));
    exec(QStringLiteral("COMMIT"));
    if (sqlite3_close(m_db) != SQLITE_OK)
        throw sqliteError(m_db, m_path);
    m_db = nullptr;
}

} // namespace tq::jetimport
