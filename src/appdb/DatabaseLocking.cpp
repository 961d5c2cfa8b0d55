// The database lock as start-up and preparation take it: shared to use the
// database, exclusive to restore or prepare it.

#include "appdb/DbLifecycle.h"

#include "appdb/LifecycleSteps.h"
#include "common/DatabaseLock.h"

#include <QThread>

#include <chrono>

namespace tq::appdb {

namespace {

common::DatabaseLock& databaseLock(context::AppContext& ctx)
{
    if (!ctx.databaseLock)
        ctx.databaseLock = std::make_unique<common::DatabaseLock>(ctx.appDbPath());
    return *ctx.databaseLock;
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

} // namespace tq::appdb
