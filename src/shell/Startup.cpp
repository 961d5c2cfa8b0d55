#include "shell/Startup.h"

#include "appdb/DbLifecycle.h"
#include "appdb/Preparation.h"
#include "appdb/StartupAborted.h"
#include "context/AppContext.h"
#include "store/Operations.h"

namespace tq::shell {

namespace {

const QString kUserMessage = QStringLiteral("お気に入りの作者名に使用する名称を登録して下さい");

void askForUserName(context::AppContext& ctx, const StartupHooks& hooks)
{
    ctx.prompter.inform(context::Message{kUserMessage, {}, context::Icon::None, false});
    if (hooks.askUserName)
        hooks.askUserName(ctx);
}

} // namespace

bool isUnregisteredUser(const QString& name)
{
    return name.isEmpty() || name == QLatin1String(" ");
}

bool storeUserName(context::AppContext& ctx, const QString& text)
{
    ctx.userName = text.isEmpty() ? QStringLiteral(" ") : text;
    if (ctx.appDb)
        return store::SetDBProp(*ctx.appDb, QStringLiteral("User"), ctx.userName);
    return store::SetDBProp(ctx.errorLog, ctx.appDbPath(), QStringLiteral("User"), ctx.userName);
}

void startUp(context::AppContext& ctx, const StartupHooks& hooks)
{
    const QString procedure = QStringLiteral("Main");
    try {
        ctx.busy.show();
        ctx.busy.yield();
        ctx.busy.setProgress(QStringLiteral("INIファイル読込中です"));

        appdb::readSettings(ctx);
        auto& initFlag = ctx.catalogue.initFlag;

        // Waits briefly while another process prepares the database; held
        // (shared) for the whole run once start-up is done.
        appdb::lockDatabaseShared(ctx, procedure);
        if (appdb::funDBChk(ctx))
            initFlag = 0;

        ctx.userName = store::GetDBProp(ctx.errorLog, ctx.appDbPath(), QStringLiteral("User"));
        if (isUnregisteredUser(ctx.userName))
            askForUserName(ctx, hooks);

        ctx.errorLog.setExeName(hooks.exeName);

        ctx.appVersion = context::AppContext::programVersion();
        if (appdb::preparedForAnotherRun(ctx))
            initFlag = 0;

        if (initFlag != 0) {
            appdb::lockDatabaseShared(ctx, procedure);
            appdb::openAppDb(ctx);
        } else {
            appdb::prepareDatabase(ctx);
        }

        appdb::readColourSettings(ctx);

        ctx.errorLog.report({0, QStringLiteral("起動しました"), {}}, procedure, 0, true);

        if (hooks.showMainWindow)
            hooks.showMainWindow(ctx);
        ctx.busy.hide();

        if (isUnregisteredUser(ctx.userName))
            askForUserName(ctx, hooks);
    } catch (const appdb::StartupAborted&) {
        ctx.busy.hide();
        throw;
    } catch (const std::exception& e) {
        const QString text = QString::fromStdString(e.what());
        ctx.errorLog.report({0, text, {}}, procedure);
        ctx.busy.hide();
        throw appdb::StartupAborted(procedure, text);
    }
}

} // namespace tq::shell
