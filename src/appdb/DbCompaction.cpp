#include "appdb/DbCompaction.h"

#include "context/AppContext.h"
#include "store/JetExtensions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace tq::appdb {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Progress of a compaction: decides the message of a failure.
enum class Step { Compact = 0, CopyBack = 1, DeleteWork = 2 };

struct CompactionError {
    QString detail;
    bool inUse = false;
};

bool isReadOnlyFile(const QString& path)
{
    // Permission bits rather than access(): the superuser may write anything,
    // but a file nobody may write is treated as read-only for everyone.
    const QFileInfo info(path);
    return !(info.permissions() & (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther))
        || !info.isWritable();
}

// A raw connection closed on scope exit.
class RawDb final {
public:
    RawDb(const QString& path, int flags)
    {
        const int rc = sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr);
        if (rc != SQLITE_OK)
            fail(rc, path);
        sqlite3_busy_timeout(m_db, 0);
        // Indexes on text columns use the JET collation; VACUUM rebuilds them.
        store::registerJetExtensions(m_db);
    }
    ~RawDb() { sqlite3_close_v2(m_db); }
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    sqlite3* get() const { return m_db; }

    void exec(const char* sql)
    {
        const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            fail(rc, QString::fromUtf8(sql));
    }

    [[noreturn]] void fail(int rc, const QString& what) const
    {
        const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
        const int primary = rc & 0xff;
        throw CompactionError{message + QStringLiteral(" (") + what + QLatin1Char(')'),
                              primary == SQLITE_BUSY || primary == SQLITE_LOCKED};
    }

private:
    sqlite3* m_db = nullptr;
};

// Fails with inUse when another connection holds any lock on the file: an
// exclusive transaction needs every other lock to be released.
void checkNotInUse(RawDb& db)
{
    db.exec("BEGIN EXCLUSIVE");
    db.exec("COMMIT");
}

void vacuumInto(RawDb& db, const QString& target)
{
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db.get(), "VACUUM INTO ?1", -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        const QByteArray file = target.toUtf8();
        sqlite3_bind_text(stmt, 1, file.constData(), int(file.size()), SQLITE_TRANSIENT);
        rc = sqlite3_step(stmt);
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE && rc != SQLITE_OK)
        db.fail(rc, QStringLiteral("VACUUM INTO ") + target);
}

void copyBackOrThrow(const QString& work, const QString& path)
{
    RawDb source(work, SQLITE_OPEN_READONLY);
    RawDb target(path, SQLITE_OPEN_READWRITE);
    sqlite3_backup* backup = sqlite3_backup_init(target.get(), "main", source.get(), "main");
    if (!backup)
        target.fail(sqlite3_errcode(target.get()), QStringLiteral("backup to ") + path);
    const int rc = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        target.fail(rc, QStringLiteral("backup to ") + path);
}

} // namespace

QString CompactionFiles::kept(const QDateTime& localTime) const
{
    if (base.isEmpty())
        return {};
    return base + localTime.toString(QStringLiteral("yyyyMMddHHmmss")) + QStringLiteral(".MDB");
}

CompactionFiles compactionFiles(const QString& databasePath)
{
    // The search starts at the file name: a directory called "x.mdb" must not
    // move the work file out of the database's directory.
    const int nameStart = int(std::max(databasePath.lastIndexOf(QLatin1Char('/')),
                                       databasePath.lastIndexOf(QLatin1Char('\\')))) + 1;
    const int at = int(databasePath.indexOf(QLatin1String(".MDB"), nameStart, Qt::CaseInsensitive));
    if (at < 0)
        return {};
    CompactionFiles files;
    files.base = databasePath.left(at);
    files.work = files.base + QStringLiteral("WK.MDB");
    return files;
}

QString copyBack(const QString& work, const QString& path)
{
    try {
        copyBackOrThrow(work, path);
        return {};
    } catch (const CompactionError& e) {
        return e.detail;
    }
}

bool DBComp(context::AppContext& ctx, const QString& path, const CompactionSteps& steps)
{
    const auto now = steps.now ? steps.now : [] { return QDateTime::currentDateTime(); };
    const auto copyWorkBack = steps.copyBack ? steps.copyBack : copyBack;
    const auto removeFile = steps.removeFile ? steps.removeFile : [](const QString& file) { return QFile::remove(file); };
    auto show = [&ctx](const QString& text) {
        ctx.prompter.inform(context::Message{text, context::AppContext::applicationTitle() + QStringLiteral(" - データベース最適化"),
                                    context::Icon::Critical, true});
    };
    auto& report = ctx.preparation;
    report.compaction = context::PreparationReport::Compaction::Failed;
    Step step = Step::Compact;
    QString createdWork; // W once this run has started writing it
    try {
        const CompactionFiles files = compactionFiles(path);
        if (files.work.isEmpty())
            throw CompactionError{QStringLiteral("no .MDB in the file name: ") + path};

        if (QFileInfo::exists(files.work)) {
            if (isReadOnlyFile(files.work)) {
                show(QStringLiteral("データベース一時ファイルが、書込み禁止の状態になっています"));
                return false;
            }
            show(QStringLiteral("前回起動時に異常終了しています。") + kCrLf
                 + QStringLiteral("起動されたら、データに異常がないか、ご確認下さい。"));
            const QString kept = files.kept(now());
            if (QFileInfo::exists(kept) || !QFile::rename(files.work, kept))
                throw CompactionError{QStringLiteral("cannot rename ") + files.work + QStringLiteral(" to ") + kept};
            report.keptWorkFile = kept;
        }
        if (!QFileInfo::exists(path)) {
            show(QStringLiteral("データベース（") + path + QStringLiteral("）が存在しません。"));
            return false;
        }
        if (isReadOnlyFile(path)) {
            show(QStringLiteral("データベースファイルが、書込み禁止の状態になっています"));
            return false;
        }

        {
            RawDb db(path, SQLITE_OPEN_READWRITE);
            checkNotInUse(db);
            createdWork = files.work;
            vacuumInto(db, files.work);
        }
        step = Step::CopyBack;
        if (const QString error = copyWorkBack(files.work, path); !error.isEmpty())
            throw CompactionError{error};
        step = Step::DeleteWork;
        if (!removeFile(files.work))
            throw CompactionError{QStringLiteral("cannot delete ") + files.work};
        report.compaction = context::PreparationReport::Compaction::Compacted;
        return true;
    } catch (const CompactionError& e) {
        ctx.errorLog.report({0, e.detail, {}}, QStringLiteral("DBComp"));
        // A work file this run began holds nothing that P does not (a failed
        // copy back has rolled back), and left behind it would make the next
        // start report an interrupted run and keep a copy forever.
        if (!createdWork.isEmpty() && QFileInfo::exists(createdWork) && !removeFile(createdWork))
            ctx.errorLog.report({0, QStringLiteral("cannot delete ") + createdWork, {}}, QStringLiteral("DBComp"));
        switch (step) {
        case Step::Compact:
            if (e.inUse) {
                show(QStringLiteral("データベースが使用されているために、最適化が実行できませんでした。") + kCrLf
                     + QStringLiteral("最適化を行わずに処理を続行します。"));
                report.compaction = context::PreparationReport::Compaction::SkippedInUse;
                return true;
            }
            show(QStringLiteral("データベースの最適化に失敗しました"));
            break;
        case Step::CopyBack:
            show(QStringLiteral("最適化したファイルの復元に失敗しました"));
            break;
        case Step::DeleteWork:
            show(QStringLiteral("データベース一時ファイルの削除に失敗しました"));
            break;
        }
    }
    return false;
}

} // namespace tq::appdb
