#pragma once
// Helpers shared by the database-layer tests: a temporary directory with an
// error log in it, raw SQLite access for building fixtures and checking what
// was written behind the layer's back.

#include "common/ErrorLog.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace tq::store::testing {

class StoreFixture : public ::testing::Test {
protected:
    StoreFixture() { log.setLogFileName(dir.filePath(QStringLiteral("TQ.log"))); }

    QString path(const QString& name) const { return dir.filePath(name); }

    // How many entries were reported under `procedure`.
    int reports(const QString& procedure) const
    {
        int n = 0;
        for (const common::LogEntry& e : log.recentEntries())
            n += e.procedure == procedure ? 1 : 0;
        return n;
    }
    // The descriptions reported under `procedure`, oldest first.
    QStringList descriptions(const QString& procedure) const
    {
        QStringList texts;
        for (const common::LogEntry& e : log.recentEntries())
            if (e.procedure == procedure)
                texts << e.description;
        return texts;
    }

    // Creates a database file with the given SQLite script, without the layer.
    void makeDb(const QString& file, const char* script) const
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
        char* error = nullptr;
        const int rc = sqlite3_exec(db, script, nullptr, nullptr, &error);
        const std::string message = error ? error : "";
        sqlite3_free(error);
        sqlite3_close(db);
        ASSERT_EQ(rc, SQLITE_OK) << message;
    }

    // The first column of the first row of a query run without the layer.
    QString scalar(const QString& file, const char* sql) const
    {
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* stmt = nullptr;
        QString result = QStringLiteral("<error>");
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
            result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return result;
    }

    QTemporaryDir dir;
    common::ErrorLog log;
};

} // namespace tq::store::testing
