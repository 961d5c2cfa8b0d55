#include "appdb/DbLifecycle.h"

#include "appdb/DbCompaction.h"
#include "appdb/KorvenIni.h"
#include "appdb/LifecycleSteps.h"
#include "store/Operations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace tq::appdb {

namespace {

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

void fatalMessage(context::AppContext& ctx, const QString& procedure, const QString& text)
{
    ctx.prompter.inform(context::Message{text, {}, context::Icon::Critical, false});
    throw StartupAborted(procedure, text);
}

QString inAppDir(const context::AppContext& ctx, const QString& fileName)
{
    return QDir(ctx.appDir()).filePath(fileName);
}

// The application database is recognised by its favourites table.
store::FileCheck checkApplicationFile(const QString& path, bool thorough)
{
    return store::checkDatabaseFile(path, {QStringLiteral("お気に入り")}, thorough);
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
