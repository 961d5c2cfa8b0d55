#include "shell/Startup.h"

#include "common/VbNumber.h"
#include "conditions/CatalogueReader.h"
#include "shell/AppContext.h"
#include "shell/DbLifecycle.h"
#include "shell/JetDatabaseGuard.h"
#include "shell/KorvenIni.h"
#include "shell/StartupAborted.h"
#include "store/Operations.h"

namespace tq::shell {

namespace {

const QString kUserMessage = QStringLiteral("お気に入りの作者名に使用する名称を登録して下さい");

void askForUserName(AppContext& ctx, const StartupHooks& hooks)
{
    ctx.prompter.inform(Message{kUserMessage, {}, Icon::None, false});
    if (hooks.askUserName)
        hooks.askUserName(ctx);
}

} // namespace

bool isUnregisteredUser(const QString& name)
{
    return name.isEmpty() || name == QLatin1String(" ");
}

bool storeUserName(AppContext& ctx, const QString& text)
{
    ctx.userName = text.isEmpty() ? QStringLiteral(" ") : text;
    if (ctx.appDb)
        return store::SetDBProp(*ctx.appDb, QStringLiteral("User"), ctx.userName);
    return store::SetDBProp(ctx.errorLog, ctx.appDbPath(), QStringLiteral("User"), ctx.userName);
}

void readSettings(AppContext& ctx)
{
    GetIniFile(ctx);
    ctx.catalogue = conditions::subIniGetAll(ctx.programDir, ctx.errorLog);
    refuseJetDatabases(ctx);
}

void readColourSettings(AppContext& ctx)
{
    if (!ctx.appDb)
        throw std::runtime_error("the application database is not open");
    bool ok = false;
    auto rs = store::TBOpn(ctx.errorLog, *ctx.appDb, QStringLiteral("select * from 色設定"), ok);
    if (!ok || !rs)
        throw std::runtime_error("色設定 cannot be opened");
    if (rs->isEOF())
        throw std::runtime_error("色設定 has no row");
    if (rs->fieldCount() < 8)
        throw std::runtime_error("色設定 has fewer than eight columns");
    ColourSettings colours;
    for (int i = 0; i < 8; ++i) {
        const store::Value value = rs->value(i);
        if (value.isNull())
            throw std::runtime_error("Null in 色設定");
        colours.values[std::size_t(i)] = common::vbCLng(value.toDouble());
    }
    ctx.colours = colours;
}

void prepareHeadless(AppContext& ctx)
{
    readSettings(ctx);
    funDBChk(ctx);
    subDB_Init(ctx);
    store::SetDBProp(*ctx.appDb, QStringLiteral("Version"), ctx.appVersion);
    store::SetDBProp(*ctx.appDb, QStringLiteral("DBDir"), ctx.korvenDir);
    countLinks(ctx);
}

void startUp(AppContext& ctx, const StartupHooks& hooks)
{
    const QString procedure = QStringLiteral("Main");
    try {
        ctx.busy.show();
        ctx.busy.yield();
        ctx.busy.setProgress(QStringLiteral("INIファイル読込中です"));

        readSettings(ctx);
        auto& initFlag = ctx.catalogue.initFlag;

        if (funDBChk(ctx))
            initFlag = 0;

        ctx.userName = store::GetDBProp(ctx.errorLog, ctx.appDbPath(), QStringLiteral("User"));
        if (isUnregisteredUser(ctx.userName))
            askForUserName(ctx, hooks);

        ctx.errorLog.setExeName(hooks.exeName);

        ctx.appVersion = AppContext::programVersion();
        if (store::GetDBProp(ctx.errorLog, ctx.appDbPath(), QStringLiteral("Version")) != ctx.appVersion)
            initFlag = 0;
        if (store::GetDBProp(ctx.errorLog, ctx.appDbPath(), QStringLiteral("DBDir")) != ctx.korvenDir)
            initFlag = 0;

        if (initFlag != 0) {
            bool ok = false;
            ctx.appDb = store::DBOpn(ctx.errorLog, ctx.appDbPath(), ok);
            if (!ok || !ctx.appDb)
                throw std::runtime_error(QString(QStringLiteral("cannot open ") + ctx.appDbPath()).toStdString());
        } else {
            subDB_Init(ctx);
            store::SetDBProp(*ctx.appDb, QStringLiteral("Version"), ctx.appVersion);
            store::SetDBProp(*ctx.appDb, QStringLiteral("DBDir"), ctx.korvenDir);
        }

        readColourSettings(ctx);

        ctx.errorLog.report({0, QStringLiteral("起動しました"), {}}, procedure, 0, true);

        if (hooks.showMainWindow)
            hooks.showMainWindow(ctx);
        ctx.busy.hide();

        if (isUnregisteredUser(ctx.userName))
            askForUserName(ctx, hooks);
    } catch (const StartupAborted&) {
        ctx.busy.hide();
        throw;
    } catch (const std::exception& e) {
        const QString text = QString::fromStdString(e.what());
        ctx.errorLog.report({0, text, {}}, procedure);
        ctx.busy.hide();
        throw StartupAborted(procedure, text);
    }
}

} // namespace tq::shell
