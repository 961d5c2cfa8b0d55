// Builds the initial application database from its schema script.
//
//   tq_initdb SCHEMA.sql OUTPUT.mdb
//
// The script holds one Jet statement per line (blank lines and lines starting
// with "--" are skipped). Each statement goes through the same translation the
// program uses at run time and runs on a connection prepared the same way, so
// the tables get the types and collations the program expects. Everything runs
// in one transaction on a temporary file that is renamed over OUTPUT only when
// every statement succeeded: a failed build never leaves a usable-looking file.

#include "store/DbError.h"
#include "store/JetExtensions.h"
#include "store/JetTranslator.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

struct Statement {
    int line = 0;
    QString jet;
};

void fail(const QString& text)
{
    std::fprintf(stderr, "tq_initdb: %s\n", text.toLocal8Bit().constData());
}

// Runs every statement of `sql` (the translator may expand one Jet statement
// into several). Returns the engine's message, or an empty text on success.
QString runAll(sqlite3* db, const QByteArray& sql)
{
    const char* tail = sql.constData();
    const char* end = tail + sql.size();
    while (tail < end) {
        sqlite3_stmt* stmt = nullptr;
        const char* next = nullptr;
        if (sqlite3_prepare_v2(db, tail, int(end - tail), &stmt, &next) != SQLITE_OK)
            return QString::fromUtf8(sqlite3_errmsg(db));
        tail = next;
        if (!stmt)
            continue; // only blanks or a ";" were left
        int rc = SQLITE_ROW;
        while (rc == SQLITE_ROW)
            rc = sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE)
            return QString::fromUtf8(sqlite3_errmsg(db));
    }
    return {};
}

bool readScript(const QString& path, QList<Statement>& out)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return false;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString text = lines[i].trimmed();
        if (text.isEmpty() || text.startsWith(QLatin1String("--")))
            continue;
        out.append({i + 1, text});
    }
    if (out.isEmpty()) {
        fail(QStringLiteral("%1 holds no statement").arg(path));
        return false;
    }
    return true;
}

bool build(const QList<Statement>& script, const QString& schemaPath, const std::string& tempPath)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(tempPath.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        fail(QStringLiteral("cannot create %1: %2")
                 .arg(QString::fromStdString(tempPath), QString::fromUtf8(sqlite3_errmsg(db))));
        sqlite3_close(db);
        return false;
    }
    tq::store::registerJetExtensions(db);

    bool ok = runAll(db, "BEGIN").isEmpty();
    for (const Statement& st : script) {
        if (!ok)
            break;
        QString sqlite;
        QString error;
        try {
            sqlite = tq::store::translateJet(st.jet);
        } catch (const tq::store::DbError& e) {
            error = QStringLiteral("translation failed: ") + e.engineMessage();
        }
        if (error.isEmpty())
            error = runAll(db, sqlite.toUtf8());
        if (!error.isEmpty()) {
            fail(QStringLiteral("%1:%2: %3\n  Jet:    %4\n  SQLite: %5")
                     .arg(schemaPath)
                     .arg(st.line)
                     .arg(error, st.jet, sqlite));
            ok = false;
        }
    }
    if (ok) {
        const QString error = runAll(db, "COMMIT");
        if (!error.isEmpty()) {
            fail(QStringLiteral("commit failed: ") + error);
            ok = false;
        }
    }
    if (sqlite3_close(db) != SQLITE_OK) {
        fail(QStringLiteral("closing the database failed"));
        ok = false;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: tq_initdb SCHEMA.sql OUTPUT.mdb\n");
        return 2;
    }
    const QString schemaPath = QString::fromLocal8Bit(argv[1]);
    const std::filesystem::path output(argv[2]);
    const std::filesystem::path temp(output.string() + ".tmp");

    QList<Statement> script;
    if (!readScript(schemaPath, script))
        return 1;

    std::error_code ec;
    std::filesystem::remove(temp, ec);
    if (!build(script, schemaPath, temp.string())) {
        std::filesystem::remove(temp, ec);
        return 1;
    }
    std::filesystem::rename(temp, output, ec);
    if (ec) {
        fail(QStringLiteral("cannot rename to %1: %2")
                 .arg(QString::fromStdString(output.string()), QString::fromStdString(ec.message())));
        std::filesystem::remove(temp, ec);
        return 1;
    }
    return 0;
}
