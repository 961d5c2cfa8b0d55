// Making sure the application database exists and is sound (funDBChk):
// restoring a missing one from the verified backup or the initial database,
// and recovering a damaged one after the user agrees.

#include "appdb/DbLifecycle.h"

#include "appdb/LifecycleSteps.h"
#include "store/Operations.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace tq::appdb {

namespace {

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

} // namespace

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

} // namespace tq::appdb
