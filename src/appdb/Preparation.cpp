#include "appdb/Preparation.h"

#include "appdb/DbLifecycle.h"
#include "appdb/JetDatabaseGuard.h"
#include "appdb/KorvenIni.h"
#include "appdb/StartupAborted.h"
#include "common/TextFile.h"
#include "common/VbNumber.h"
#include "conditions/CatalogueReader.h"
#include "context/AppContext.h"
#include "store/Operations.h"

#include <QDir>
#include <QFileInfo>

namespace tq::appdb {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Reads DEVovuved.ini from the program directory. A missing, unreadable or
// incomplete file is named with its problem and ends start-up, rather than
// leaving an empty catalogue for later steps to stumble over.
void loadCatalogue(context::AppContext& ctx)
{
    const QString procedure = QStringLiteral("subIniGetAll");
    const QString path = QDir(ctx.programDir).filePath(QStringLiteral("DEVovuved.ini"));
    auto fail = [&](const QString& problem) {
        ctx.errorLog.report({0, path + QStringLiteral(": ") + problem, {}}, procedure);
        ctx.prompter.inform(context::Message{QStringLiteral("設定ファイル（") + path + QStringLiteral("）") + problem
                                        + QStringLiteral("。") + kCrLf + QStringLiteral("再セットアップを行って下さい"),
                                    {}, context::Icon::Critical, false});
        throw StartupAborted(procedure, path + QStringLiteral(": ") + problem);
    };
    if (!QFileInfo(path).isFile())
        fail(QStringLiteral("がありません"));
    conditions::ConditionCatalogue catalogue;
    catalogue.appDir = ctx.programDir;
    QStringList lines;
    try {
        lines = common::readTextLines(path);
        conditions::parseCatalogueLines(lines, catalogue);
    } catch (const common::TextFileError& e) {
        fail(QStringLiteral("を読み込めません（")
             + (e.line() > 0 ? QStringLiteral("%1 行目: ").arg(e.line()) : QString()) + e.detail()
             + QStringLiteral("）"));
    } catch (const conditions::CatalogueError& e) {
        fail(QStringLiteral("を読み込めません（") + QString::fromUtf8(e.what()) + QStringLiteral("）"));
    }
    const QStringList gaps = conditions::catalogueGaps(lines, catalogue);
    if (!gaps.isEmpty())
        fail(QStringLiteral("が正しくありません（") + gaps.join(QStringLiteral("、")) + QStringLiteral("）"));
    ctx.catalogue = std::move(catalogue);
}

} // namespace

// Whether the stored Version or DBDir differ from this run's (step 8).
bool preparedForAnotherRun(context::AppContext& ctx)
{
    return store::GetDBProp(ctx.errorLog, ctx.appDbPath(), QStringLiteral("Version")) != ctx.appVersion
        || store::GetDBProp(ctx.errorLog, ctx.appDbPath(), QStringLiteral("DBDir")) != ctx.korvenDir;
}

void openAppDb(context::AppContext& ctx)
{
    bool ok = false;
    ctx.appDb = store::DBOpn(ctx.errorLog, ctx.appDbPath(), ok);
    if (!ok || !ctx.appDb)
        throw std::runtime_error(QString(QStringLiteral("cannot open ") + ctx.appDbPath()).toStdString());
}

void prepareDatabase(context::AppContext& ctx)
{
    subDB_Init(ctx);
    store::SetDBProp(*ctx.appDb, QStringLiteral("Version"), ctx.appVersion);
    store::SetDBProp(*ctx.appDb, QStringLiteral("DBDir"), ctx.korvenDir);
    keepVerifiedCopy(ctx);
    lockDatabaseShared(ctx, QStringLiteral("subDB_Init"));
    const QStringList& problems = ctx.preparation.raceDataProblems;
    if (!problems.isEmpty())
        ctx.prompter.inform(context::Message{QStringLiteral("レースデータのリンクを作成できませんでした。") + kCrLf
                                        + problems.join(kCrLf),
                                    {}, context::Icon::Exclamation, false});
}

void readSettings(context::AppContext& ctx)
{
    GetIniFile(ctx);
    loadCatalogue(ctx);
    refuseJetDatabases(ctx);
}

void readColourSettings(context::AppContext& ctx)
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
    context::ColourSettings colours;
    for (int i = 0; i < 8; ++i) {
        const store::Value value = rs->value(i);
        if (value.isNull())
            throw std::runtime_error("Null in 色設定");
        colours.values[std::size_t(i)] = common::vbCLng(value.toDouble());
    }
    ctx.colours = colours;
}

void prepareHeadless(context::AppContext& ctx)
{
    readSettings(ctx);
    // Even the check reads the database: not while another process holds it
    // for its preparation, whose compaction would then find it in use.
    lockDatabaseShared(ctx, QStringLiteral("Main"));
    funDBChk(ctx);
    prepareDatabase(ctx);
    countLinks(ctx);
}

bool openForCommand(context::AppContext& ctx)
{
    const QString procedure = QStringLiteral("Main");
    readSettings(ctx);
    lockDatabaseShared(ctx, procedure);
    const bool restored = funDBChk(ctx);
    ctx.appVersion = context::AppContext::programVersion();
    // Another process that needed the same preparation may do it while this
    // one waits: then this one uses its result.
    if ((restored || preparedForAnotherRun(ctx))
        && lockDatabaseExclusive(ctx, procedure, [&ctx] { return !preparedForAnotherRun(ctx); })) {
        prepareDatabase(ctx);
        countLinks(ctx);
        return true;
    }
    lockDatabaseShared(ctx, procedure);
    try {
        openAppDb(ctx);
    } catch (const std::exception& e) {
        ctx.errorLog.report({0, QString::fromStdString(e.what()), {}}, procedure);
        throw StartupAborted(procedure, QString::fromStdString(e.what()));
    }
    return false;
}

} // namespace tq::appdb
