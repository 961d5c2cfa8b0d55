#include "store/Operations.h"

#include "common/ErrorLog.h"
#include "store/Connection.h"
#include "store/Links.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tq::store {

namespace {

void report(common::ErrorLog& log, int number, const QString& description, const char* procedure)
{
    log.report(common::ErrorInfo{number, description, QStringLiteral("SQLite")}, QString::fromLatin1(procedure), 0,
               false);
}

bool isLockedError(int code)
{
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

} // namespace

std::unique_ptr<Database> openWithRetry(const QString& path, OpenMode mode, int attempts)
{
    for (int attempt = 1;; ++attempt) {
        try {
            return Database::open(path, mode);
        } catch (const DbError& e) {
            if (!isLockedError(e.code()) || attempt >= attempts)
                throw;
        }
    }
}

std::unique_ptr<Database> DBOpc(common::ErrorLog& log, const QString& path, bool& ok)
{
    ok = false;
    try {
        auto db = Database::create(path);
        ok = true;
        return db;
    } catch (const DbError& e) {
        report(log, e.code(), e.describe(), "DBOpc");
    } catch (const std::exception& e) {
        report(log, 0, QString::fromUtf8(e.what()), "DBOpc");
    }
    return nullptr;
}

std::unique_ptr<Database> DBOpn(common::ErrorLog& log, const QString& path, bool& ok, bool noCreate,
                                const QString& /*connect*/)
{
    ok = false;
    try {
        if (!noCreate && !QFileInfo::exists(path)) {
            auto db = DBOpc(log, path, ok);
            if (ok)
                return db;
            report(log, SQLITE_CANTOPEN, QStringLiteral("Could not create the database: ") + path, "DBOpn");
            return nullptr;
        }
        auto db = openWithRetry(path, OpenMode::ReadWrite, 10);
        ok = true;
        return db;
    } catch (const DbError& e) {
        report(log, e.code(), e.describe(), "DBOpn");
    } catch (const std::exception& e) {
        report(log, 0, QString::fromUtf8(e.what()), "DBOpn");
    }
    return nullptr;
}

std::unique_ptr<Recordset> TBOpr(common::ErrorLog& log, Database& db, const QString& sql, bool& ok)
{
    ok = false;
    try {
        auto rs = std::make_unique<Recordset>(db.openRecordset(sql));
        ok = true;
        return rs;
    } catch (const DbError& e) {
        // An interrupted statement was stopped on purpose (a cancelled run).
        if (e.code() != SQLITE_INTERRUPT)
            report(log, e.code(), e.describe(), "TBOpr");
    } catch (const std::exception& e) {
        report(log, 0, QString::fromUtf8(e.what()), "TBOpr");
    }
    return nullptr;
}

std::unique_ptr<Dynaset> TBOpn(common::ErrorLog& log, Database& db, const QString& sql, bool& ok)
{
    ok = false;
    int code = 0;
    QString message;
    try {
        auto ds = Dynaset::open(db, sql);
        ok = true;
        return ds;
    } catch (const DbError& e) {
        code = e.code();
        message = e.engineMessage();
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    }
    report(log, code, message, "TBOpn");
    report(log, code, sql, "TBOpn");
    return nullptr;
}

void TBLink(common::ErrorLog& log, const QString& databasePath, const QString& sourcePath, const QString& tableName)
{
    TBLinkAll(log, databasePath, {TableLink{sourcePath, tableName}});
}

void TBLinkAll(common::ErrorLog& log, const QString& databasePath, const std::vector<TableLink>& links)
{
    bool ok = false;
    auto db = DBOpn(log, databasePath, ok);
    if (!db)
        return;
    std::vector<detail::LinkRequest> requests;
    requests.reserve(links.size());
    for (const TableLink& link : links)
        requests.push_back({link.tableName, link.sourcePath, link.tableName});
    detail::replaceLinks(*db, requests);
}

QString declaredTypeForJapaneseName(const QString& typeName, int size)
{
    const QString sized = size > 0 ? QStringLiteral("(%1)").arg(size) : QString();
    if (typeName == u"ﾃｷｽﾄ型")
        return QStringLiteral("TEXT%1 COLLATE JET").arg(sized);
    if (typeName == u"数値型 (長整数)")
        return QStringLiteral("INTEGER LONG");
    if (typeName == u"数値型 (整数)")
        return QStringLiteral("INTEGER SHORT");
    if (typeName == u"数値型 (ﾊﾞｲﾄ)")
        return QStringLiteral("INTEGER BYTE");
    if (typeName == u"数値型 (単精度浮動小数点)")
        return QStringLiteral("REAL SINGLE");
    if (typeName == u"数値型 (倍精度浮動小数点)")
        return QStringLiteral("REAL DOUBLE");
    if (typeName == u"ﾒﾓ型")
        return QStringLiteral("TEXT MEMO COLLATE JET");
    if (typeName == u"日付型")
        return QStringLiteral("REAL DATETIME");
    return {};
}

QString TBFldAdd(Database& db, const QString& tableName, const QString& fieldName, const QString& typeName,
                 const QString& size)
{
    int width = 0;
    if (size.trimmed() != u"-") {
        bool numeric = false;
        const double value = size.trimmed().toDouble(&numeric);
        if (!numeric || value < 0 || value > 2147483647.0)
            return QStringLiteral("Type mismatch.");
        width = int(realToInt(value));
    }
    const QString type = declaredTypeForJapaneseName(typeName, width);
    if (type.isEmpty())
        return QStringLiteral("Invalid field data type.");
    // Text columns accept empty strings: SQLite never turns '' into Null, and
    // no CHECK is added against it.
    try {
        db.connection()->execNative(
            QStringLiteral("ALTER TABLE main.%1 ADD COLUMN %2 %3")
                .arg(detail::quoteIdentifier(tableName), detail::quoteIdentifier(fieldName), type));
    } catch (const DbError& e) {
        return e.engineMessage();
    }
    return {};
}

QString GetDBProp(Database& db, const QString& name)
{
    try {
        auto& conn = *db.connection();
        if (!db.hasTable(QString::fromLatin1(kPropertiesTable)))
            return {};
        sqlite3_stmt* stmt = conn.prepareNative(
            QStringLiteral("SELECT value FROM main.%1 WHERE name = ?1").arg(QString::fromLatin1(kPropertiesTable)));
        detail::bindLiterals(stmt, QVariantList{name});
        QString value;
        if (sqlite3_step(stmt) == SQLITE_ROW)
            value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                                      sqlite3_column_bytes(stmt, 0));
        sqlite3_finalize(stmt);
        return value;
    } catch (const std::exception&) {
        return {};
    }
}

bool SetDBProp(Database& db, const QString& name, const QString& value)
{
    try {
        auto& conn = *db.connection();
        const QString table = QString::fromLatin1(kPropertiesTable);
        Transaction tx(db);
        conn.execNative(QStringLiteral("CREATE TABLE IF NOT EXISTS main.%1 (name TEXT PRIMARY KEY COLLATE NOCASE, "
                                       "value TEXT NOT NULL)")
                            .arg(table));
        // A property that does not exist yet starts as "なし", then takes the value.
        for (const QString& sql :
             {QStringLiteral("INSERT OR IGNORE INTO main.%1 (name, value) VALUES (?1, 'なし')").arg(table),
              QStringLiteral("UPDATE main.%1 SET value = ?2 WHERE name = ?1").arg(table)}) {
            sqlite3_stmt* stmt = conn.prepareNative(sql);
            detail::bindLiterals(stmt, sql.contains(u"?2") ? QVariantList{name, value} : QVariantList{name});
            const int rc = sqlite3_step(stmt);
            sqlite3_finalize(stmt);
            if (rc != SQLITE_DONE)
                conn.fail(rc, sql, sql);
        }
        tx.commit();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

QString GetDBProp(common::ErrorLog& log, const QString& appDbPath, const QString& name)
{
    bool ok = false;
    auto db = DBOpn(log, appDbPath, ok, true);
    return db ? GetDBProp(*db, name) : QString();
}

bool SetDBProp(common::ErrorLog& log, const QString& appDbPath, const QString& name, const QString& value)
{
    bool ok = false;
    auto db = DBOpn(log, appDbPath, ok, true);
    return db && SetDBProp(*db, name, value);
}

bool Fun_blnCopyFile(common::ErrorLog& log, const QString& source, const QString& target, bool failIfExists)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false; // as the platform's copy: a missing source is a plain failure
    if (failIfExists && QFileInfo::exists(target))
        return false;

    auto fail = [&log](const QString& what) {
        report(log, 0, what, "Fun_blnCopyFile");
        return false;
    };
    // A fresh name beside the target, created with the default permissions.
    const QString dir = QFileInfo(target).absolutePath();
    QFile out;
    for (int i = 0; i < 100 && !out.isOpen(); ++i) {
        out.setFileName(dir + QStringLiteral("/.") + QFileInfo(target).fileName() +
                        QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0')));
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly) && out.error() != QFileDevice::OpenError)
            break;
    }
    if (!out.isOpen())
        return fail(QStringLiteral("Cannot create a file in %1: %2").arg(dir, out.errorString()));
    const QString temp = out.fileName();
    auto abandon = [&](const QString& why) {
        out.close();
        QFile::remove(temp);
        return fail(why);
    };

    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            return abandon(QStringLiteral("Cannot read %1: %2").arg(source, in.errorString()));
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n)
            return abandon(QStringLiteral("Cannot write %1: %2").arg(target, out.errorString()));
    }
    if (!out.flush() || ::fsync(out.handle()) != 0)
        return abandon(QStringLiteral("Cannot write %1: %2").arg(target, out.errorString()));
    out.close();

    const QByteArray from = QFile::encodeName(temp);
    const QByteArray to = QFile::encodeName(target);
    int rc;
    if (failIfExists) {
        // Refuse a target that appeared meanwhile: no replacing rename.
        rc = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
            rc = ::link(from.constData(), to.constData());
            if (rc == 0)
                ::unlink(from.constData());
        }
        if (rc != 0 && errno == EEXIST) {
            QFile::remove(temp);
            return false;
        }
    } else {
        rc = ::rename(from.constData(), to.constData());
    }
    if (rc != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temp);
        return fail(QStringLiteral("Cannot create %1: %2").arg(target, why));
    }
    return true;
}

} // namespace tq::store
