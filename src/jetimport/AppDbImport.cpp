#include "jetimport/AppDbImport.h"

#include "appdb/DbLifecycle.h"
#include "appdb/Preparation.h"
#include "appdb/StartupAborted.h"
#include "context/AppContext.h"
#include "context/ConsolePrompter.h"
#include "jetimport/ConvertedFile.h"
#include "jetimport/JetTableSource.h"
#include "jetimport/SqlText.h"
#include "store/Database.h"
#include "store/JetFileCheck.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

namespace tq::jetimport {

namespace {

// A table to merge and the column naming its rows (empty: the table is one
// unit, as 色設定 with its single row).
struct MergedTable {
    const char* table;
    const char* key;
};

constexpr MergedTable kMergedTables[] = {
    {"お気に入り", "名称"},           {"お気に入り直前なし", "名称"}, {"集計お気に入り", "名称"},
    {"一覧表示設定", "設定名"},       {"分析結果表示設定", "項目名"}, {"色設定", ""},
};

// Tables the schema upgrade needs besides the merged ones.
const char* const kRegistryTables[] = {
    "CREATE TABLE Sアドイン管理 (ソフトID CHAR(20), 名称 CHAR(50), パス CHAR(255), 起動オプション CHAR(255), 買い目出力 CHAR(1))",
    "CREATE TABLE Sアドイン項目管理 (ソフトID CHAR(20), 区分 CHAR(1), MDB名 CHAR(255), テーブル名 CHAR(64), 項目名 CHAR(64), 説明 CHAR(255))",
};

class Stmt final {
public:
    Stmt(sqlite3* db, const QString& sql) : m_db(db)
    {
        if (sqlite3_prepare16_v2(db, sql.utf16(), -1, &m_stmt, nullptr) != SQLITE_OK)
            throw std::runtime_error(sql.toStdString() + ": " + sqlite3_errmsg(db));
    }
    ~Stmt() { sqlite3_finalize(m_stmt); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    Stmt& bind(int i, const QVariant& v)
    {
        const int rc = v.isNull() ? sqlite3_bind_null(m_stmt, i)
                                  : sqlite3_bind_text16(m_stmt, i, v.toString().utf16(), -1, SQLITE_TRANSIENT);
        if (rc != SQLITE_OK)
            throw std::runtime_error(std::string("a value cannot be bound: ") + sqlite3_errstr(rc));
        return *this;
    }
    bool step()
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(m_db));
        return rc == SQLITE_ROW;
    }
    QVariant value(int i) const
    {
        switch (sqlite3_column_type(m_stmt, i)) {
        case SQLITE_NULL: return {};
        case SQLITE_INTEGER: return qint64(sqlite3_column_int64(m_stmt, i));
        case SQLITE_FLOAT: return sqlite3_column_double(m_stmt, i);
        default:
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i)),
                                     sqlite3_column_bytes(m_stmt, i));
        }
    }
    int columns() const { return sqlite3_column_count(m_stmt); }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

void exec(sqlite3* db, const QString& sql)
{
    Stmt s(db, sql);
    while (s.step()) {
    }
}

QVariantList column(sqlite3* db, const QString& sql, const QVariantList& args = {})
{
    Stmt s(db, sql);
    for (int i = 0; i < args.size(); ++i)
        s.bind(i + 1, args[i]);
    QVariantList out;
    while (s.step())
        out << s.value(0);
    return out;
}

// Every row of a query as one comparable text list (rows in order).
QStringList rowsText(sqlite3* db, const QString& sql, const QVariant& key)
{
    Stmt s(db, sql);
    if (sql.contains(QLatin1Char('?')))
        s.bind(1, key);
    QStringList rows;
    while (s.step()) {
        QStringList cells;
        for (int i = 0; i < s.columns(); ++i) {
            const QVariant v = s.value(i);
            cells << (v.isNull() ? QStringLiteral("\x01null") : v.toString());
        }
        rows << cells.join(QChar(0));
    }
    return rows;
}

QStringList tableColumns(sqlite3* db, const QString& schema, const QString& table)
{
    QStringList names;
    for (const QVariant& v : column(db, QStringLiteral("SELECT name FROM pragma_table_info(?, ?)"), {table, schema}))
        names << v.toString();
    return names;
}

QString tableSql(sqlite3* db, const QString& schema, const QString& table)
{
    const QVariantList sql = column(db, QStringLiteral("SELECT sql FROM ") + schema +
                                            QStringLiteral(".sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"),
                                    {table});
    return sql.isEmpty() ? QString() : sql.first().toString();
}

// The names listed in 集計お気に入り of the source (each names a table of its own).
QStringList aggregateNames(TableSource& source, const QList<TableInfo>& tables)
{
    QStringList names;
    for (const TableInfo& t : tables) {
        if (t.name != QStringLiteral("集計お気に入り"))
            continue;
        for (int c = 0; c < t.columns.size(); ++c) {
            if (t.columns[c].name != QStringLiteral("名称"))
                continue;
            RowHandlers handlers;
            handlers.row = [&](const std::vector<Cell>& row, const QList<CellProblem>&) {
                if (const auto* name = std::get_if<QString>(&row[std::size_t(c)]))
                    names << *name;
                return true;
            };
            source.readRows(t, handlers);
        }
    }
    return names;
}

// Refuses a source holding none of the merged tables: it is not an
// application database, and there would be nothing to import.
void requireApplicationTables(const QList<TableInfo>& tables)
{
    QStringList names;
    for (const MergedTable& m : kMergedTables)
        names << QString::fromUtf8(m.table);
    for (const TableInfo& t : tables)
        if (names.contains(t.name, Qt::CaseInsensitive))
            return;
    throw std::runtime_error(
        QStringLiteral("not an application database: it holds none of the tables %1").arg(names.join(QStringLiteral(", "))).toStdString());
}

// Refuses a table whose rows or values were lost to damage: favourites are
// not taken over in part.
void requireWhole(const TableReport& r)
{
    if (!r.lostData())
        return;
    QString what = r.failure.isEmpty() ? QStringLiteral("%1 of %2 rows read").arg(r.read).arg(r.stated) : r.failure;
    if (!r.samples.isEmpty())
        what += QStringLiteral("; ") + r.samples.join(QStringLiteral("; "));
    throw std::runtime_error(QStringLiteral("table %1 is damaged (%2)").arg(r.table, what).toStdString());
}

// Converts the tables worth importing into `staging` and upgrades them there.
// Sets `copied` to the names of the tables the source had.
qint64 stage(TableSource& source, const QString& staging, const QString& appDir, QStringList& lines,
             QStringList& copied)
{
    if (const QString damage = source.damage(); !damage.isEmpty())
        throw std::runtime_error(damage.toStdString());
    const QList<TableInfo> tables = source.tables();
    requireApplicationTables(tables);
    QStringList wanted = aggregateNames(source, tables);
    for (const MergedTable& m : kMergedTables)
        wanted << QString::fromUtf8(m.table);
    wanted << QStringLiteral("Sアドイン管理") << QStringLiteral("Sアドイン項目管理");
    qint64 unconverted = 0;
    {
        ConvertedFile file(staging);
        for (const TableInfo& t : tables) {
            if (!wanted.contains(t.name, Qt::CaseInsensitive))
                continue;
            const TableReport r = file.copyTable(source, t, {}, {});
            requireWhole(r);
            copied << t.name;
            unconverted += r.unconverted;
            for (const QString& sample : r.samples)
                lines << QStringLiteral("%1 の変換できなかった値: %2").arg(t.name, sample);
        }
        file.finish();
    }
    {
        auto db = store::Database::open(staging);
        for (const char* sql : kRegistryTables) {
            const QString text = QString::fromUtf8(sql);
            const QString name = text.section(QLatin1Char(' '), 2, 2);
            if (!db->hasTable(name))
                db->execute(text);
        }
    }
    // The start-up's upgrade on the staged copy (its add-in rows are of no interest here).
    context::ConsolePrompter prompter(context::Answer::No);
    context::SilentBusy busy;
    context::AppContext ctx(prompter, busy);
    ctx.programDir = appDir;
    ctx.catalogue.appDbPath = staging;
    ctx.errorLog.setLogFileName(staging + QStringLiteral(".log"));
    appdb::subDB_Set(ctx);
    for (const QString& u : ctx.preparation.upgrades)
        lines << QStringLiteral("古いデータベースの%1を更新しました").arg(u);
    return unconverted;
}

struct Merger {
    sqlite3* db;
    bool replace;
    QStringList sourceTables; // tables the old file had (the upgrade may have added others)
    AppImportReport& report;

    void copyRows(const QString& table, const QString& where, const QStringList& cols, const QVariant& key)
    {
        Stmt s(db, QStringLiteral("INSERT INTO main.%1 (%2) SELECT %2 FROM jet_import_old.%1").arg(quoteName(table), quoteNames(cols)) + where);
        if (!where.isEmpty())
            s.bind(1, key);
        s.step();
    }

    void copyWholeTable(const QString& name)
    {
        exec(db, QStringLiteral("DROP TABLE IF EXISTS main.") + quoteName(name));
        exec(db, tableSql(db, QStringLiteral("jet_import_old"), name));
        exec(db, QStringLiteral("INSERT INTO main.%1 SELECT * FROM jet_import_old.%1").arg(quoteName(name)));
    }

    void merge(const MergedTable& m)
    {
        const QString table = QString::fromUtf8(m.table), key = QString::fromUtf8(m.key);
        if (!sourceTables.contains(table, Qt::CaseInsensitive))
            return;
        if (tableSql(db, QStringLiteral("main"), table).isEmpty())
            exec(db, tableSql(db, QStringLiteral("jet_import_old"), table));
        const QStringList mainCols = tableColumns(db, QStringLiteral("main"), table);
        QStringList cols;
        for (const QString& c : tableColumns(db, QStringLiteral("jet_import_old"), table))
            if (mainCols.contains(c, Qt::CaseInsensitive))
                cols << c;
        const QString where = key.isEmpty() ? QString() : QStringLiteral(" WHERE %1 IS ?").arg(quoteName(key));
        const QString order = QStringLiteral(" ORDER BY ") + quoteNames(cols);
        const QVariantList keys = key.isEmpty() ? QVariantList{QVariant()}
                                                : column(db, QStringLiteral("SELECT DISTINCT %1 FROM jet_import_old.%2")
                                                                 .arg(quoteName(key), quoteName(table)));
        qint64 added = 0;
        for (const QVariant& k : keys) {
            const QString label = key.isEmpty() ? table : table + QStringLiteral(" ") + k.toString();
            const QString select = QStringLiteral("SELECT %1 FROM %3.%2").arg(quoteNames(cols), quoteName(table));
            const QStringList mine = rowsText(db, select.arg(QStringLiteral("main")) + where + order, k);
            if (!mine.isEmpty()) {
                if (mine == rowsText(db, select.arg(QStringLiteral("jet_import_old")) + where + order, k))
                    continue;
                if (!replace) {
                    ++report.kept;
                    report.lines << QStringLiteral("%1 は両方にあるため今の方を残しました（取り込んだ方にするには「同じ名前は取り込んだ方にする」、コマンドでは --replace）").arg(label);
                    continue;
                }
                Stmt del(db, QStringLiteral("DELETE FROM main.") + quoteName(table) + where);
                if (!where.isEmpty())
                    del.bind(1, k);
                del.step();
                ++report.replaced;
                report.lines << QStringLiteral("%1 を取り込んだ方に置き換えました").arg(label);
            } else {
                ++added;
            }
            copyRows(table, where, cols, k);
            if (table == QStringLiteral("集計お気に入り") && !tableSql(db, QStringLiteral("jet_import_old"), k.toString()).isEmpty())
                copyWholeTable(k.toString());
        }
        report.added += added;
        report.lines << QStringLiteral("%1: %2 added").arg(table).arg(added);
    }
};

} // namespace

AppImportReport importAppDatabase(context::AppContext& ctx, const QString& jetFile, bool replace)
{
    AppImportReport report;
    const QFileInfo info(jetFile);
    if (!info.exists())
        report.error = QStringLiteral("%1 does not exist").arg(jetFile);
    else if (!info.isFile())
        report.error = QStringLiteral("%1 is not a regular file").arg(jetFile);
    else if (!store::isJetFile(jetFile))
        report.error = QStringLiteral("%1 is not a Jet database (%2)")
                           .arg(jetFile, info.size() == 0 ? QStringLiteral("the file is empty")
                                                          : QStringLiteral("it does not start like one"));
    if (!report.error.isEmpty())
        return report;
    try {
        JetTableSource source(jetFile);
        report = importAppDatabase(ctx, source, replace);
    } catch (const std::exception& e) {
        report.error = QString::fromStdString(e.what());
    }
    if (!report.error.isEmpty())
        report.error = QStringLiteral("%1: %2").arg(jetFile, report.error);
    return report;
}

AppImportReport importAppDatabase(context::AppContext& ctx, TableSource& source, bool replace)
{
    AppImportReport report;
    if (!ctx.appDb) {
        report.error = QStringLiteral("データベースが開かれていません");
        return report;
    }
    QTemporaryDir dir;
    if (!dir.isValid()) {
        report.error = QStringLiteral("一時フォルダを作れません");
        return report;
    }
    const QString staging = dir.filePath(QStringLiteral("old.mdb"));
    try {
        QStringList sourceTables;
        report.unconverted = stage(source, staging, ctx.programDir, report.lines, sourceTables);
        sqlite3* db = ctx.appDb->handle();
        QString attach = staging;
        attach.replace(QLatin1Char('\''), QStringLiteral("''"));
        exec(db, QStringLiteral("ATTACH '") + attach + QStringLiteral("' AS jet_import_old"));
        try {
            store::Transaction transaction(*ctx.appDb);
            Merger merger{db, replace, sourceTables, report};
            for (const MergedTable& m : kMergedTables)
                merger.merge(m);
            transaction.commit();
        } catch (...) {
            exec(db, QStringLiteral("DETACH jet_import_old"));
            throw;
        }
        exec(db, QStringLiteral("DETACH jet_import_old"));
    } catch (const appdb::StartupAborted& e) {
        report.error = QStringLiteral("古いデータベースを更新できません（%1）").arg(QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        report.error = QString::fromStdString(e.what());
    }
    if (!report.error.isEmpty())
        report.added = report.replaced = report.kept = 0;
    return report;
}

AppImportReport importAppDatabase(const QString& appDir, const QString& jetFile, bool replace)
{
    context::ConsolePrompter prompter(context::Answer::No);
    context::SilentBusy busy;
    context::AppContext ctx(prompter, busy);
    ctx.programDir = appDir;
    ctx.errorLog.setExeName(QStringLiteral("DEVovuved"));
    try {
        appdb::prepareHeadless(ctx);
    } catch (const appdb::StartupAborted& e) {
        AppImportReport report;
        report.error = QStringLiteral("%1 のデータベースを準備できません（%2）").arg(appDir, QString::fromUtf8(e.what()));
        return report;
    }
    return importAppDatabase(ctx, jetFile, replace);
}

} // namespace tq::jetimport
