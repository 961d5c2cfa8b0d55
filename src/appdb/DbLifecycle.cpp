#include "appdb/DbLifecycle.h"

#include "context/AppContext.h"
#include "common/DatabaseLock.h"
#include "appdb/DbCompaction.h"
#include "appdb/KorvenIni.h"
#include "appdb/StartupAborted.h"
#include "store/DatabaseFileCheck.h"
#include "store/Operations.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace tq::appdb {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Reports an unexpected error under `procedure` and ends start-up; an end
// already decided further down passes through unchanged.
template <typename Body> auto fatalOnError(context::AppContext& ctx, const QString& procedure, Body&& body)
{
    try {
        return body();
    } catch (const StartupAborted&) {
        throw;
    } catch (const store::DbError& e) {
        ctx.errorLog.report({e.code(), e.describe(), {}}, procedure);
        throw StartupAborted(procedure, e.describe());
    } catch (const std::exception& e) {
        const QString text = QString::fromStdString(e.what());
        ctx.errorLog.report({0, text, {}}, procedure);
        throw StartupAborted(procedure, text);
    }
}

[[noreturn]] void fatalMessage(context::AppContext& ctx, const QString& procedure, const QString& text)
{
    ctx.prompter.inform(context::Message{text, {}, context::Icon::Critical, false});
    throw StartupAborted(procedure, text);
}

// Whether the SELECT opens without error.
bool probe(store::Database& db, const QString& sql)
{
    try {
        const store::Recordset rs = db.openRecordset(sql);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Runs one upgrade statement; a failing statement is skipped.
bool tryExecute(store::Database& db, const QString& sql)
{
    try {
        db.execute(sql);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Adds a column with TBFldAdd; a failure shows the engine's description and
// the preparation goes on.
void addField(context::AppContext& ctx, const QString& table, const QString& field, const QString& typeName, const QString& size)
{
    const QString error = store::TBFldAdd(*ctx.appDb, table, field, typeName, size);
    if (!error.isEmpty())
        ctx.prompter.inform(context::Message{error, {}, context::Icon::Exclamation, false});
}

const QString kSingle = QStringLiteral("数値型 (単精度浮動小数点)");
const QString kLong = QStringLiteral("数値型 (長整数)");

// The sixteen statistics columns added to お気に入り in one step, with their types.
const std::pair<const char16_t*, bool> kStatisticsColumns[] = {
    {u"単平均配当", false},
    {u"単最高配当", false},
    {u"複平均配当", false},
    {u"複最高配当", false},
    {u"最高配当抜き単回収率", false},
    {u"最高配当抜き複回収率", false},
    {u"レース件数", true},
    {u"レース勝率", false},
    {u"レース連対率", false},
    {u"レース複勝率", false},
    {u"平均頭数", false},
    {u"最低勝率", false},
    {u"最低連対率", false},
    {u"最低複勝率", false},
    {u"戻り均等単回収率", false},
    {u"戻り均等最低単回収率", false},
};

// The result grid's column names in display order (the default rows of 分析結果表示設定).
const char16_t* const kResultColumns[] = {
    u"総件数",
    u"１着件数",
    u"２着件数",
    u"３着件数",
    u"着外件数",
    u"勝率",
    u"連対率",
    u"複勝率",
    u"単回収率",
    u"複回収率",
    u"単平均配当",
    u"単最高配当",
    u"複平均配当",
    u"複最高配当",
    u"最高配当抜き単回収率",
    u"最高配当抜き複回収率",
    u"レース件数",
    u"レース勝率",
    u"レース連対率",
    u"レース複勝率",
    u"平均頭数",
    u"最低勝率",
    u"最低連対率",
    u"最低複勝率",
    u"戻り均等単回収率",
    u"戻り均等最低単回収率",
};

void upgradeSchema(context::AppContext& ctx)
{
    store::Database& db = *ctx.appDb;
    QStringList& applied = ctx.preparation.upgrades;

    if (!probe(db, QStringLiteral("select 表示 from お気に入り"))) {
        applied << QStringLiteral("お気に入り.表示");
        if (tryExecute(db, QStringLiteral("ALTER TABLE お気に入り ADD COLUMN 表示 BIT")))
            tryExecute(db, QStringLiteral("update お気に入り set 表示=True"));
    }
    if (!probe(db, QStringLiteral("select 単平均配当 from お気に入り"))) {
        applied << QStringLiteral("お気に入り.単平均配当 …");
        for (const auto& [name, isLong] : kStatisticsColumns)
            addField(ctx, QStringLiteral("お気に入り"), QString::fromUtf16(name), isLong ? kLong : kSingle,
                     QStringLiteral("4"));
    }
    if (!probe(db, QStringLiteral("select 色 from お気に入り"))) {
        applied << QStringLiteral("お気に入り.色");
        addField(ctx, QStringLiteral("お気に入り"), QStringLiteral("色"), kLong, QStringLiteral("4"));
    }
    if (!probe(db, QStringLiteral("select 登録日時 from お気に入り"))) {
        applied << QStringLiteral("お気に入り.登録日時");
        addField(ctx, QStringLiteral("お気に入り"), QStringLiteral("登録日時"), QStringLiteral("日付型"),
                 QStringLiteral("-"));
    }
    if (probe(db, QStringLiteral("select * from お気に入り直前なし")) &&
        !probe(db, QStringLiteral("select 作者名 from お気に入り直前なし"))) {
        applied << QStringLiteral("お気に入り直前なし.作者名");
        addField(ctx, QStringLiteral("お気に入り直前なし"), QStringLiteral("作者名"), QStringLiteral("ﾃｷｽﾄ型"),
                 QStringLiteral("50"));
    }
    if (!probe(db, QStringLiteral("select 作者名 from お気に入り"))) {
        applied << QStringLiteral("お気に入り.作者名");
        addField(ctx, QStringLiteral("お気に入り"), QStringLiteral("作者名"), QStringLiteral("ﾃｷｽﾄ型"),
                 QStringLiteral("50"));
    }
    if (!probe(db, QStringLiteral("select * from 色設定"))) {
        applied << QStringLiteral("色設定");
        tryExecute(db, QStringLiteral("CREATE TABLE 色設定   (回収率値 LONG , 回収率色 LONG,勝率値 LONG,勝率色 LONG,"
                                      "連対率値 LONG,連対率色 LONG,複勝率値 LONG,複勝率色 LONG )"));
        tryExecute(db, QStringLiteral("INSERT INTO 色設定 VALUES (100 , 8421631,20,8453888,50,16744576,80,8454143 )"));
    }
    if (!probe(db, QStringLiteral("select * from 分析結果表示設定"))) {
        applied << QStringLiteral("分析結果表示設定");
        tryExecute(db, QStringLiteral("CREATE TABLE 分析結果表示設定   (項目名 CHAR(50),表示順 LONG,サイズ SINGLE "
                                      ",PRIMARY KEY(項目名 ))"));
        int order = 0;
        for (const char16_t* name : kResultColumns)
            tryExecute(db, QStringLiteral("INSERT INTO 分析結果表示設定 VALUES ('") + QString::fromUtf16(name) +
                               QStringLiteral("' , ") + QString::number(++order) + QStringLiteral(",10 )"));
    }
    if (!probe(db, QStringLiteral("select お気に入り名称 from Tお気に入り該当馬"))) {
        applied << QStringLiteral("Tお気に入り該当馬.お気に入り名称");
        tryExecute(db, QStringLiteral("ALTER TABLE Tお気に入り該当馬 ADD COLUMN お気に入り名称 CHAR 255"));
        tryExecute(db, QStringLiteral("ALTER TABLE Tお気に入り該当馬 DROP COLUMN 名称"));
    }
    if (!probe(db, QStringLiteral("select * from 一覧表示設定"))) {
        applied << QStringLiteral("一覧表示設定");
        tryExecute(db, QStringLiteral("CREATE TABLE 一覧表示設定   (設定名 CHAR(50) , 項目名 CHAR(50),表示順 LONG,"
                                      "サイズ SINGLE ,PRIMARY KEY( 設定名,項目名 ))"));
    }
}

std::unique_ptr<store::Dynaset> openOrThrow(context::AppContext& ctx, const QString& sql)
{
    bool ok = false;
    auto rs = store::TBOpn(ctx.errorLog, *ctx.appDb, sql, ok);
    if (!ok || !rs)
        throw std::runtime_error(QString(QStringLiteral("cannot open: ") + sql).toStdString());
    return rs;
}

// Rewrites this program's row, or the today's-favourites add-in's row, of Sアドイン管理.
void registerProgram(context::AppContext& ctx, const QString& id, const QString& displayName)
{
    const QString where = QStringLiteral(" Where ソフトID='") + id + QLatin1Char('\'');
    ctx.appDb->execute(QStringLiteral("delete * from Sアドイン管理") + where);
    auto rs = openOrThrow(ctx, QStringLiteral("select * from Sアドイン管理") + where);
    if (rs->recordCount() != 0)
        return;
    rs->addNew();
    rs->setValue(QStringLiteral("ソフトID"), store::Value(id));
    rs->setValue(QStringLiteral("名称"), store::Value(displayName));
    rs->setValue(QStringLiteral("パス"), store::Value(programPath(ctx.appDir(), id)));
    rs->setValue(QStringLiteral("起動オプション"), store::Value(QString()));
    rs->setValue(QStringLiteral("買い目出力"), store::Value(QStringLiteral("0")));
    rs->update();
    ++ctx.preparation.addinRows;
}

void registerAddins(context::AppContext& ctx)
{
    store::Transaction transaction(*ctx.appDb);
    registerProgram(ctx, QStringLiteral("DEVovuved"), QStringLiteral("過去データ分析"));
    registerProgram(ctx, QStringLiteral("ZAVozivuzar"), QStringLiteral("本日のお気に入り"));

    ctx.appDb->execute(QStringLiteral("delete * from Sアドイン項目管理 Where ソフトID='ZAVozivuzar'"));
    auto rs = openOrThrow(ctx, QStringLiteral("Sアドイン項目管理"));
    const std::pair<QString, QString> columns[] = {
        {QStringLiteral("お気に入り件数"), QStringLiteral("お気に入りに該当した件数")},
        {QStringLiteral("お気に入り名称"),
         QStringLiteral("該当したお気に入りの名称（複数ある場合はカンマでつなげて表示）")},
    };
    for (const auto& [column, description] : columns) {
        rs->addNew();
        rs->setValue(QStringLiteral("ソフトID"), store::Value(QStringLiteral("ZAVozivuzar")));
        rs->setValue(QStringLiteral("区分"), store::Value(QStringLiteral("B")));
        rs->setValue(QStringLiteral("MDB名"), store::Value(ctx.appDbPath()));
        rs->setValue(QStringLiteral("テーブル名"), store::Value(QStringLiteral("Tお気に入り該当馬")));
        rs->setValue(QStringLiteral("項目名"), store::Value(column));
        rs->setValue(QStringLiteral("説明"), store::Value(description));
        rs->update();
        ++ctx.preparation.addinRows;
    }
    transaction.commit();
}

QString inAppDir(const context::AppContext& ctx, const QString& fileName)
{
    return QDir(ctx.appDir()).filePath(fileName);
}

const QString kBackupName = QStringLiteral("DEVovuved.mdb.001");
const QString kInitialName = QStringLiteral("DEVovuved_init.mdb");

// The application database is recognised by its favourites table.
store::FileCheck checkApplicationFile(const QString& path, bool thorough)
{
    return store::checkDatabaseFile(path, {QStringLiteral("お気に入り")}, thorough);
}

// Where a damaged database is moved: beside it, named with the local time;
// a suffix keeps two moves in one second apart.
QString damagedName(const QString& path)
{
    const QString stem = path + QLatin1Char('.')
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")) + QStringLiteral(".damaged");
    QString name = stem;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = stem + QLatin1Char('-') + QString::number(n);
    return name;
}

// Moves the file and the engine's journal files beside it (a journal left
// with the restored file would be played back into it).
bool moveAside(const QString& path, const QString& target)
{
    if (!QFile::rename(path, target))
        return false;
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        if (QFileInfo::exists(path + QLatin1String(suffix)))
            QFile::rename(path + QLatin1String(suffix), target + QLatin1String(suffix));
    return true;
}

void copyOrEnd(context::AppContext& ctx, const QString& procedure, const QString& source, const QString& target,
               const QString& failureText)
{
    if (!store::Fun_blnCopyFile(ctx.errorLog, source, target, true))
        fatalMessage(ctx, procedure, failureText);
}

const QString kBackupFailed =
    QStringLiteral("バックアップからのリカバリーに失敗しました。ＴＱＡを再起動後に再度行って下さい");
const QString kInitialFailed =
    QStringLiteral("初期化用データベースからのコピーに失敗しました。ＴＱＡを再起動後に再度行って下さい");

// The database at AppDbPath is damaged: names the file and the cause, offers
// the restore from the verified backup (or, without a good backup, from the
// initial database), moves the damaged file aside (it is never deleted) and
// copies the source in. Ends start-up when the user declines or there is
// nothing to restore from; the damaged file is then left as it was.
void recoverDamaged(context::AppContext& ctx, const QString& procedure, const store::FileCheck& damage)
{
    const QString target = ctx.appDbPath();
    ctx.errorLog.report({0, target + QStringLiteral(": ") + damage.cause(), {}}, procedure);
    QString text = QStringLiteral("データベース（") + target + QStringLiteral("）が壊れています（") + damage.cause()
        + QStringLiteral("）。");

    const QString backup = inAppDir(ctx, kBackupName);
    const store::FileCheck backupCheck = checkApplicationFile(backup, true);
    const QString initial = inAppDir(ctx, kInitialName);
    const bool fromBackup = backupCheck.ok();
    if (!fromBackup && backupCheck.problem != store::FileCheck::Problem::Missing)
        text += kCrLf + QStringLiteral("バックアップ（") + backup + QStringLiteral("）も壊れているため使用できません（")
            + backupCheck.cause() + QStringLiteral("）。");
    if (!fromBackup && !QFileInfo::exists(initial))
        fatalMessage(ctx, procedure, text + kCrLf + QStringLiteral("再セットアップを行って下さい"));

    const QString aside = damagedName(target);
    text += kCrLf + QStringLiteral("壊れたファイルを（") + aside + QStringLiteral("）に移して、")
        + (fromBackup ? QString(QStringLiteral("バックアップ（") + backup + QStringLiteral("）から復元しますか？"))
                      : QString(QStringLiteral("初期化用データベース（") + initial
                                + QStringLiteral("）から初期化しますか？") + kCrLf
                                + QStringLiteral("登録したお気に入りなどは失われます。")));
    if (ctx.prompter.ask(context::Message{text, {}, context::Icon::Exclamation, false}) != context::Answer::Yes)
        throw StartupAborted(procedure, target + QStringLiteral(": ") + damage.cause());

    if (!moveAside(target, aside))
        fatalMessage(ctx, procedure, QStringLiteral("壊れたファイル（") + target + QStringLiteral("）を移動できませんでした。"));
    ctx.preparation.damagedFile = aside;
    if (fromBackup) {
        ctx.busy.setProgress(QStringLiteral("DEVovuved.mdbをバックアップから復元します"));
        copyOrEnd(ctx, procedure, backup, target, kBackupFailed);
        ctx.preparation.source = context::PreparationReport::Source::Backup;
    } else {
        ctx.busy.setProgress(QStringLiteral("DEVovuved.mdbを初期化します"));
        copyOrEnd(ctx, procedure, initial, target, kInitialFailed);
        ctx.preparation.source = context::PreparationReport::Source::Initial;
    }
}

// Restores or initialises a missing database; a backup that fails its check
// is named and passed over, never copied.
bool produceMissing(context::AppContext& ctx, const QString& procedure)
{
    const QString target = ctx.appDbPath();
    const QString backup = inAppDir(ctx, kBackupName);
    if (QFileInfo::exists(backup)) {
        const store::FileCheck check = checkApplicationFile(backup, true);
        if (check.ok()) {
            ctx.busy.setProgress(QStringLiteral("DEVovuved.mdbが存在しないのでバックアップから復元します"));
            copyOrEnd(ctx, procedure, backup, target, kBackupFailed);
            ctx.preparation.source = context::PreparationReport::Source::Backup;
            return true;
        }
        ctx.errorLog.report({0, backup + QStringLiteral(": ") + check.cause(), {}}, procedure);
        ctx.prompter.inform(context::Message{QStringLiteral("バックアップ（") + backup
                                        + QStringLiteral("）は壊れているため使用しません（") + check.cause()
                                        + QStringLiteral("）。"),
                                    {}, context::Icon::Exclamation, false});
    }
    const QString initial = inAppDir(ctx, kInitialName);
    if (QFileInfo::exists(initial)) {
        ctx.busy.setProgress(QStringLiteral("DEVovuved.mdbが存在しないので初期化します"));
        copyOrEnd(ctx, procedure, initial, target, kInitialFailed);
        ctx.preparation.source = context::PreparationReport::Source::Initial;
        return true;
    }
    fatalMessage(ctx, procedure, QStringLiteral("初期化用データベースが存在しません。再セットアップを行って下さい"));
}

common::DatabaseLock& databaseLock(context::AppContext& ctx)
{
    if (!ctx.databaseLock)
        ctx.databaseLock = std::make_unique<common::DatabaseLock>(ctx.appDbPath());
    return *ctx.databaseLock;
}

void vacuumInto(sqlite3* db, const QString& target)
{
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "VACUUM main INTO ?1", -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        const QByteArray file = target.toUtf8();
        sqlite3_bind_text(stmt, 1, file.constData(), int(file.size()), SQLITE_TRANSIENT);
        rc = sqlite3_step(stmt);
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errmsg(db));
}

// Forces the file's content to the disk before it is renamed into place.
void syncFile(const QString& path)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        if (fd >= 0)
            ::close(fd);
        throw std::runtime_error("cannot sync " + path.toStdString());
    }
    ::close(fd);
}

} // namespace

void lockDatabaseShared(context::AppContext& ctx, const QString& procedure)
{
    common::DatabaseLock& lock = databaseLock(ctx);
    if (lock.mode() == common::DatabaseLock::Mode::Shared)
        return;
    if (lock.acquire(common::DatabaseLock::Mode::Shared, std::chrono::milliseconds(0)))
        return;
    ctx.busy.setProgress(QStringLiteral("他のプロセスがデータベースを準備中です。終了を待っています"));
    if (lock.acquire(common::DatabaseLock::Mode::Shared, ctx.lockWaits.shared))
        return;
    fatalMessage(ctx, procedure,
                 QStringLiteral("他のプロセスがデータベース（") + ctx.appDbPath() + QStringLiteral("）を準備中です。")
                     + kCrLf + QStringLiteral("しばらくしてから再度行って下さい"));
}

bool lockDatabaseExclusive(context::AppContext& ctx, const QString& procedure, const std::function<bool()>& doneElsewhere)
{
    common::DatabaseLock& lock = databaseLock(ctx);
    if (lock.mode() == common::DatabaseLock::Mode::Exclusive)
        return true;
    // Waiting for the exclusive lock while holding the shared one would
    // deadlock two processes that both want to prepare: let go first.
    lock.release();
    const auto deadline = std::chrono::steady_clock::now() + ctx.lockWaits.exclusive;
    for (bool first = true;; first = false) {
        if (lock.acquire(common::DatabaseLock::Mode::Exclusive, std::chrono::milliseconds(0)))
            return true;
        if (doneElsewhere && lock.acquire(common::DatabaseLock::Mode::Shared, std::chrono::milliseconds(0))) {
            if (doneElsewhere())
                return false;
            lock.release();
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        if (first)
            ctx.busy.setProgress(QStringLiteral("他のプロセスがデータベースを使用中です。終了を待っています"));
        QThread::msleep(50);
    }
    fatalMessage(ctx, procedure,
                 QStringLiteral("他のプロセスがデータベース（") + ctx.appDbPath()
                     + QStringLiteral("）を使用中のため、準備できませんでした。") + kCrLf
                     + QStringLiteral("他のプロセスを終了してから再度行って下さい"));
}

void keepVerifiedCopy(context::AppContext& ctx)
{
    auto& report = ctx.preparation;
    report.verifiedCopy.clear();
    report.copyProblem.clear();
    const QString copy = inAppDir(ctx, kBackupName);
    const QString work = copy + QStringLiteral(".tmp");
    try {
        if (!ctx.appDb)
            throw std::runtime_error("the application database is not open");
        if (const QString problem = store::integrityProblem(ctx.appDb->handle()); !problem.isEmpty())
            throw std::runtime_error("integrity_check: " + problem.toStdString());
        QFile::remove(work);
        vacuumInto(ctx.appDb->handle(), work);
        syncFile(work);
        // rename() replaces the old copy in one step: a crash leaves the old
        // copy or the new one, never a half-written file under its name.
        if (std::rename(work.toLocal8Bit().constData(), copy.toLocal8Bit().constData()) != 0)
            throw std::runtime_error("cannot rename " + work.toStdString() + " to " + copy.toStdString());
        report.verifiedCopy = copy;
    } catch (const std::exception& e) {
        QFile::remove(work);
        report.copyProblem = QString::fromStdString(e.what());
        ctx.errorLog.report({0, copy + QStringLiteral(": ") + report.copyProblem, {}}, QStringLiteral("subDB_Init"));
    }
}

void checkRaceData(context::AppContext& ctx)
{
    QStringList& problems = ctx.preparation.raceDataProblems;
    problems.clear();
    const auto& cat = ctx.catalogue;
    const bool needsKorvenDir =
        !cat.thisLinks.isEmpty() || !cat.dataLinks.isEmpty() || !cat.codeLinks.isEmpty() || !cat.ketoLinks.isEmpty();
    bool korvenDirUsable = true;
    if (needsKorvenDir && ctx.korvenDir.isEmpty()) {
        const QString ini = findKorvenIni(ctx.programDir);
        problems << QStringLiteral("KORVEN.INI（") + ini
                + (QFileInfo::exists(ini) ? QStringLiteral("）にレースデータのフォルダ（[main] DBDir）がありません")
                                          : QStringLiteral("）がありません"));
        korvenDirUsable = false;
    } else if (needsKorvenDir && !QFileInfo(ctx.korvenDir).isDir()) {
        problems << QStringLiteral("レースデータのフォルダ（") + ctx.korvenDir + QStringLiteral("）がありません");
        korvenDirUsable = false;
    }
    const std::tuple<const QStringList*, QString, bool> sources[] = {
        {&cat.thisLinks, ctx.thisDbPath, true},   {&cat.dataLinks, ctx.dataDbPath, true},
        {&cat.codeLinks, ctx.codeDbPath, true},   {&cat.ketoLinks, ctx.ketoDbPath, true},
        {&cat.hensaLinks, inAppDir(ctx, QStringLiteral("VUDevuzI.mdb")), false},
    };
    for (const auto& [names, path, inKorvenDir] : sources) {
        if (names->isEmpty() || (inKorvenDir && !korvenDirUsable))
            continue;
        QStringList tables;
        for (const QString& name : *names)
            if (!name.isEmpty())
                tables << name;
        const store::FileCheck check = store::checkDatabaseFile(path, tables);
        if (!check.ok())
            problems << QStringLiteral("レースデータ（") + path + QStringLiteral("）を使用できません（") + check.cause()
                    + QStringLiteral("）");
    }
    for (const QString& problem : problems)
        ctx.errorLog.report({0, problem, {}}, QStringLiteral("subDB_Link"));
}

QString programPath(const QString& appDir, const QString& softwareId)
{
    // Linux executables carry no extension.
    return QDir(appDir).filePath(softwareId);
}

bool funDBChk(context::AppContext& ctx)
{
    const QString procedure = QStringLiteral("funDBChk");
    return fatalOnError(ctx, procedure, [&]() {
        const QString target = ctx.appDbPath();
        if (QFileInfo::exists(target) && checkApplicationFile(target, false).ok()) {
            ctx.preparation.source = context::PreparationReport::Source::Present;
            return false;
        }
        // Restoring writes: one process at a time, and what another process
        // restored while this one waited is used as it is.
        lockDatabaseExclusive(ctx, procedure);
        if (!QFileInfo::exists(target))
            return produceMissing(ctx, procedure);
        const store::FileCheck check = checkApplicationFile(target, false);
        if (check.ok()) {
            ctx.preparation.source = context::PreparationReport::Source::Present;
            return false;
        }
        recoverDamaged(ctx, procedure, check);
        return true;
    });
}

void subDB_Init(context::AppContext& ctx)
{
    const QString procedure = QStringLiteral("subDB_Init");
    fatalOnError(ctx, procedure, [&]() {
        lockDatabaseExclusive(ctx, procedure);
        const QString path = ctx.appDbPath();
        ctx.busy.setProgress(QStringLiteral("データベースの最適化中です") + kCrLf + QStringLiteral("（") + path +
                             QStringLiteral("）"));
        // Damage that the header does not show is found here, before the
        // compaction writes anything.
        ctx.appDb.reset();
        if (const store::FileCheck check = checkApplicationFile(path, true); !check.ok())
            recoverDamaged(ctx, procedure, check);
        if (!DBComp(ctx, path)) {
            ctx.prompter.inform(context::Message{
                QStringLiteral("起動時にエラーが発生しました。") + kCrLf + QStringLiteral("システムを終了します。"),
                context::AppContext::applicationTitle() + QStringLiteral(" - データベース最適化"), context::Icon::Critical, true});
            throw StartupAborted(QStringLiteral("subDB_Init"), QStringLiteral("compaction failed"));
        }
        ctx.busy.setProgress(QStringLiteral("データベースの最適化を終了しました") + kCrLf + QStringLiteral("（") +
                             path + QStringLiteral("）"));
        subDB_Link(ctx);
        subDB_Set(ctx);
    });
}

void subDB_Link(context::AppContext& ctx)
{
    fatalOnError(ctx, QStringLiteral("subDB_Link"), [&]() {
        ctx.busy.setProgress(QStringLiteral("リンク再作成中です"));
        checkRaceData(ctx);
        const auto& cat = ctx.catalogue;
        ctx.hensaDbPath = inAppDir(ctx, QStringLiteral("VUDevuzI.mdb"));
        const std::pair<const QStringList*, QString> sources[] = {
            {&cat.thisLinks, ctx.thisDbPath}, {&cat.dataLinks, ctx.dataDbPath},   {&cat.codeLinks, ctx.codeDbPath},
            {&cat.ketoLinks, ctx.ketoDbPath}, {&cat.hensaLinks, ctx.hensaDbPath},
        };
        std::vector<store::TableLink> links;
        for (const auto& [names, source] : sources)
            for (const QString& name : *names)
                links.push_back({source, name});
        store::TBLinkAll(ctx.errorLog, ctx.appDbPath(), links);
        ctx.busy.setProgress(QStringLiteral("リンク再作成を終了しました"));
    });
}

void subDB_Set(context::AppContext& ctx)
{
    const QString procedure = QStringLiteral("subDB_Set");
    fatalOnError(ctx, procedure, [&]() {
        ctx.busy.setProgress(QStringLiteral("アドイン管理登録中です"));
        ctx.appDb.reset();
        bool ok = false;
        ctx.appDb = store::DBOpn(ctx.errorLog, ctx.appDbPath(), ok);
        if (!ok || !ctx.appDb)
            throw std::runtime_error(
                QString(QStringLiteral("cannot open the application database ") + ctx.appDbPath()).toStdString());
        {
            // One transaction for all upgrade steps: one file sync instead of
            // one per statement, and a crash leaves the old schema whole. A
            // failing statement only undoes itself.
            store::Transaction transaction(*ctx.appDb);
            upgradeSchema(ctx);
            transaction.commit();
        }
        registerAddins(ctx);
        ctx.busy.setProgress(QStringLiteral("アドイン管理登録終了しました"));
    });
}

void countLinks(context::AppContext& ctx)
{
    auto& report = ctx.preparation;
    report.linksRequested = report.linksMade = 0;
    report.missingLinks.clear();
    const auto& cat = ctx.catalogue;
    for (const QStringList* names : {&cat.thisLinks, &cat.dataLinks, &cat.codeLinks, &cat.ketoLinks, &cat.hensaLinks}) {
        for (const QString& name : *names) {
            ++report.linksRequested;
            if (ctx.appDb && ctx.appDb->hasTable(name))
                ++report.linksMade;
            else
                report.missingLinks << name;
        }
    }
}

} // namespace tq::appdb
