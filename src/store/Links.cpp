#include "store/Links.h"

#include "store/Connection.h"
#include "store/Database.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QUrl>

#include <sqlite3.h>

#include <vector>

namespace tq::store::detail {

namespace {

struct Link {
    QString name;
    QString sourceTable;
};

QString text(sqlite3_stmt* stmt, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                             sqlite3_column_bytes(stmt, column));
}

bool tableExists(sqlite3* db, const char* schema, const QString& name)
{
    const QByteArray sql = QByteArray("SELECT 1 FROM \"") + schema +
                           "\".sqlite_master WHERE type IN ('table','view') AND name = ?1 COLLATE NOCASE";
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return false;
    }
    const QByteArray utf8 = name.toUtf8();
    sqlite3_bind_text(stmt, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    const bool found = sqlite3_step(stmt) == SQLITE_ROW;
    sqlite3_finalize(stmt);
    return found;
}

// The source path as stored: absolute, with "/" even where the caller built it
// with the Windows separator.
QString normalisedSource(const QString& sourcePath)
{
    QString path = sourcePath;
    path.replace(u'\\', u'/');
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

void loadLinks(Connection& conn) noexcept
{
    sqlite3* db = conn.db();
    if (!tableExists(db, "main", QString::fromLatin1(kLinksTable)))
        return;

    // Source file -> its links, so each file is attached once.
    QMap<QString, std::vector<Link>> bySource;
    {
        sqlite3_stmt* stmt = nullptr;
        const QByteArray sql = QByteArray("SELECT name, source, source_table FROM main.") + kLinksTable;
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK) {
            sqlite3_finalize(stmt);
            return;
        }
        while (sqlite3_step(stmt) == SQLITE_ROW)
            bySource[text(stmt, 1)].push_back(Link{text(stmt, 0), text(stmt, 2)});
        sqlite3_finalize(stmt);
    }

    const int maxAttached = sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, -1);
    for (auto it = bySource.cbegin(); it != bySource.cend(); ++it) {
        if (conn.linkSchemas.size() >= maxAttached)
            break; // the engine's limit: further sources stay unlinked
        if (!QFileInfo(it.key()).isFile())
            continue;
        const QString schema = QStringLiteral("tq_link%1").arg(conn.linkSchemas.size() + 1);
        const QByteArray uri = QUrl::fromLocalFile(it.key()).toEncoded() + "?mode=ro";
        sqlite3_stmt* attach = nullptr;
        const QByteArray attachSql = "ATTACH DATABASE ?1 AS " + schema.toUtf8();
        bool attached = sqlite3_prepare_v2(db, attachSql.constData(), -1, &attach, nullptr) == SQLITE_OK;
        if (attached) {
            sqlite3_bind_text(attach, 1, uri.constData(), int(uri.size()), SQLITE_TRANSIENT);
            attached = sqlite3_step(attach) == SQLITE_DONE;
        }
        sqlite3_finalize(attach);
        if (!attached)
            continue;
        const QByteArray schemaName = schema.toUtf8();

        int made = 0;
        for (const Link& link : it.value()) {
            if (!tableExists(db, schemaName.constData(), link.sourceTable))
                continue; // also when the file is not a database
            const QString sql = QStringLiteral("CREATE TEMP VIEW %1 AS SELECT * FROM %2.%3")
                                    .arg(quoteIdentifier(link.name), schema, quoteIdentifier(link.sourceTable));
            if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK) {
                conn.linkViews << link.name;
                ++made;
            }
        }
        if (made > 0)
            conn.linkSchemas << schema;
        else {
            const QByteArray detach = QByteArray("DETACH DATABASE ") + schemaName;
            sqlite3_exec(db, detach.constData(), nullptr, nullptr, nullptr);
        }
    }
}

void dropLinks(Connection& conn)
{
    for (const QString& view : std::as_const(conn.linkViews))
        conn.execNative(QStringLiteral("DROP VIEW IF EXISTS temp.") + quoteIdentifier(view));
    conn.linkViews.clear();
    while (!conn.linkSchemas.isEmpty()) {
        conn.execNative(QStringLiteral("DETACH DATABASE ") + conn.linkSchemas.last());
        conn.linkSchemas.removeLast();
    }
}

namespace {

void writeLink(Connection& conn, const LinkRequest& link) noexcept
{
    const QString& name = link.name;
    auto attempt = [&conn](const QString& sql) {
        try {
            conn.execNative(sql);
        } catch (const DbError&) {
            // Each step of relinking stands alone: a failing one is skipped.
        }
    };
    const QString quoted = quoteIdentifier(name);
    attempt(QStringLiteral("DROP VIEW IF EXISTS temp.") + quoted);
    attempt(QStringLiteral("DROP TABLE IF EXISTS main.") + quoted);
    attempt(QStringLiteral("DROP VIEW IF EXISTS main.") + quoted);
    attempt(QStringLiteral("CREATE TABLE IF NOT EXISTS main.%1 (name TEXT PRIMARY KEY COLLATE NOCASE, "
                           "source TEXT NOT NULL, source_table TEXT NOT NULL)")
                .arg(QString::fromLatin1(kLinksTable)));
    try {
        sqlite3_stmt* stmt = conn.prepareNative(
            QStringLiteral("INSERT OR REPLACE INTO main.%1 (name, source, source_table) VALUES (?1, ?2, ?3)")
                .arg(QString::fromLatin1(kLinksTable)));
        const QVariantList values{name, normalisedSource(link.sourcePath), link.sourceTable};
        bindLiterals(stmt, values);
        sqlite3_step(stmt);
        sqlite3_finalize(stmt);
    } catch (const DbError&) {
        // as above: skipped
    }
}

} // namespace

void replaceLinks(Database& db, std::span<const LinkRequest> links) noexcept
{
    Connection& conn = *db.connection();
    // One transaction: one sync of the file instead of several per link.
    try {
        Transaction tx(db);
        for (const LinkRequest& link : links)
            writeLink(conn, link);
        tx.commit();
    } catch (const DbError&) {
        // the transaction could not be opened or committed: nothing was written
    }
    try {
        db.reloadLinks();
    } catch (const DbError&) {
        // a recordset still running on this connection: the links come with the next open
    }
}

} // namespace tq::store::detail
