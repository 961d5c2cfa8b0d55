#include "store/DatabaseFileCheck.h"

#include "store/JetExtensions.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <memory>

namespace tq::store {

namespace {

constexpr int kHeaderSize = 100;

using Problem = FileCheck::Problem;

quint32 bigEndian(const QByteArray& bytes, int at, int size)
{
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | static_cast<quint8>(bytes.at(at + i));
    return value;
}

bool isJet(const QByteArray& head)
{
    // Jet 3/4 and the later engine's files carry their format name at byte 4.
    const QByteArray format = head.mid(4, 15);
    return format == "Standard Jet DB" || format == "Standard ACE DB";
}

// The header alone: the magic text, a sane page size, and a file at least as
// long as the page count the header gives (when the header's count is valid).
FileCheck checkHeader(const QByteArray& head, qint64 size)
{
    if (isJet(head))
        return {Problem::JetFile, {}};
    static const QByteArray magic("SQLite format 3", 16); // with its terminating zero
    if (head.size() < magic.size())
        return {magic.startsWith(head) ? Problem::Truncated : Problem::NotDatabase, {}};
    if (!head.startsWith(magic))
        return {Problem::NotDatabase, {}};
    if (size < kHeaderSize)
        return {Problem::Truncated, {}};
    quint32 pageSize = bigEndian(head, 16, 2);
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
        return {Problem::Damaged, QStringLiteral("page size %1").arg(pageSize)};
    const bool countValid = bigEndian(head, 24, 4) == bigEndian(head, 92, 4);
    const quint64 pages = bigEndian(head, 28, 4);
    if (countValid && pages > 0 && quint64(size) < pages * pageSize)
        return {Problem::Truncated, {}};
    if (quint64(size) % pageSize != 0)
        return {Problem::Truncated, {}};
    return {};
}

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

QString engineMessage(sqlite3* db, int rc)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
}

} // namespace

QString FileCheck::cause() const
{
    switch (problem) {
    case Problem::None: return {};
    case Problem::Missing: return QStringLiteral("ファイルがありません");
    case Problem::Unreadable: return QStringLiteral("ファイルを読み込めません: ") + detail;
    case Problem::Empty: return QStringLiteral("ファイルが空です（0 バイト）");
    case Problem::JetFile: return QStringLiteral("Jet 形式のファイルで、このプログラムでは読めません");
    case Problem::NotDatabase: return QStringLiteral("データベースではありません");
    case Problem::Truncated: return QStringLiteral("ファイルが途中で切れています");
    case Problem::Damaged: return QStringLiteral("データベースが壊れています: ") + detail;
    case Problem::MissingTable: return QStringLiteral("テーブル「") + detail + QStringLiteral("」がありません");
    }
    return {};
}

QString integrityProblem(sqlite3* db)
{
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA main.integrity_check(1)", -1, &stmt, nullptr);
    QString result;
    if (rc == SQLITE_OK)
        rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    else
        result = engineMessage(db, rc);
    sqlite3_finalize(stmt);
    return result == QLatin1String("ok") ? QString() : result;
}

FileCheck checkDatabaseFile(const QString& path, const QStringList& requiredTables, bool thorough)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {Problem::Missing, {}};
    if (!info.isFile())
        return {Problem::NotDatabase, {}};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {Problem::Unreadable, file.errorString()};
    const qint64 size = file.size();
    if (size == 0)
        return {Problem::Empty, {}};
    const QByteArray head = file.read(kHeaderSize);
    file.close();
    if (FileCheck header = checkHeader(head, size); !header.ok())
        return header;

    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    const std::unique_ptr<sqlite3, Closer> db(raw);
    if (rc != SQLITE_OK)
        return {Problem::Damaged, engineMessage(raw, rc)};
    sqlite3_busy_timeout(raw, 2000);
    // Indexes on text columns use the JET collation; the check reads them.
    registerJetExtensions(raw);

    QStringList tables;
    sqlite3_stmt* stmt = nullptr;
    int src = sqlite3_prepare_v2(raw, "SELECT name FROM sqlite_master WHERE type IN ('table', 'view')", -1, &stmt,
                                 nullptr);
    while (src == SQLITE_OK && (src = sqlite3_step(stmt)) == SQLITE_ROW)
        src = SQLITE_OK, tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    if (src != SQLITE_DONE) {
        // A hot journal of an interrupted write cannot be rolled back on a
        // read-only connection; the next writable open does that.
        if ((src & 0xff) == SQLITE_READONLY || (src & 0xff) == SQLITE_BUSY)
            return {};
        if ((src & 0xff) == SQLITE_NOTADB)
            return {Problem::NotDatabase, {}};
        return {Problem::Damaged, engineMessage(raw, src)};
    }

    QStringList missing;
    for (const QString& table : requiredTables)
        if (!tables.contains(table, Qt::CaseInsensitive))
            missing << table;
    if (!missing.isEmpty())
        return {Problem::MissingTable, missing.join(QStringLiteral("」「"))};

    if (thorough) {
        sqlite3_stmt* check = nullptr;
        int crc = sqlite3_prepare_v2(raw, "PRAGMA quick_check(1)", -1, &check, nullptr);
        QString result;
        if (crc == SQLITE_OK)
            crc = sqlite3_step(check);
        if (crc == SQLITE_ROW)
            result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
        else
            result = engineMessage(raw, crc);
        sqlite3_finalize(check);
        if (result != QLatin1String("ok"))
            return {Problem::Damaged, result};
    }
    return {};
}

} // namespace tq::store
