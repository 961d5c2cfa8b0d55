#pragma once
// What the files of the application database's lifecycle share: how a
// procedure ends start-up on failure, the program directory's database
// files, and the recovery of a damaged database (used by the check at
// start-up and again by the preparation's thorough check).

#include "appdb/StartupAborted.h"
#include "context/AppContext.h"
#include "store/DatabaseFileCheck.h"
#include "store/DbError.h"

#include <QString>

#include <exception>

namespace tq::appdb {

inline const QString kCrLf = QStringLiteral("\r\n");
inline const QString kBackupName = QStringLiteral("DEVovuved.mdb.001");
inline const QString kInitialName = QStringLiteral("DEVovuved_init.mdb");

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

// Shows `text` as a critical message and ends start-up under `procedure`.
[[noreturn]] void fatalMessage(context::AppContext& ctx, const QString& procedure, const QString& text);

// `fileName` in the program directory (AppDir).
QString inAppDir(const context::AppContext& ctx, const QString& fileName);

// The application database is recognised by its favourites table.
store::FileCheck checkApplicationFile(const QString& path, bool thorough);

// The database at AppDbPath is damaged: names the file and the cause, offers
// the restore from the verified backup (or, without a good backup, from the
// initial database), moves the damaged file aside (it is never deleted) and
// copies the source in. Ends start-up when the user declines or there is
// nothing to restore from; the damaged file is then left as it was.
void recoverDamaged(context::AppContext& ctx, const QString& procedure, const store::FileCheck& damage);

} // namespace tq::appdb
