#include "favourites/AddIns.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/CsvExport.h"
#include "common/Tokens.h"
#include "conditions/Clauses.h"
#include "context/AppContext.h"
#include "favourites/ProcessStarter.h"
#include "store/Operations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tq::favourites {

namespace {

// Starts `path` (as found in the registry) from AppDir; a missing or failing
// program is reported under `procedure` and shown.
bool startAddin(context::AppContext& context, ProcessStarter& starter, const QString& procedure, const QString& path,
                const QStringList& arguments = {})
{
    const QString program = addinProgram(context.appDir(),
                                         QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString(),
                                         path);
    QString reason;
    const QFileInfo file(program);
    if (!file.isFile())
        reason = QStringLiteral("ファイルがありません");
    else if (!file.isExecutable())
        reason = QStringLiteral("実行できないファイルです");
    else if (starter.start(program, arguments, context.appDir(), reason))
        return true;
    const QString message = addinNotStartedMessage(program, reason);
    context.errorLog.report({0, message, program}, procedure);
    context.prompter.inform({message, QString(), context::Icon::Exclamation, false});
    return false;
}

} // namespace

QString funAddinPath(context::AppContext& context, const QString& softwareId, const QString& fallback)
{
    if (!context.appDb)
        return fallback;
    bool ok = false;
    auto rs = store::TBOpn(context.errorLog, *context.appDb,
                           QStringLiteral("select * from Sアドイン管理 Where ソフトID='") +
                               conditions::quoteLiteral(softwareId) + QLatin1Char('\''),
                           ok);
    if (!ok || !rs || rs->isEOF())
        return fallback;
    return rs->value(QStringLiteral("パス")).toText();
}

QString addinExecutable(const QString& appDir, const QString& path)
{
    const QString absolute = QDir(appDir).absoluteFilePath(QDir::fromNativeSeparators(path.trimmed()));
    if (QFileInfo::exists(absolute) || !absolute.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive))
        return absolute;
    const QString bare = absolute.chopped(4);
    return QFileInfo::exists(bare) ? bare : absolute;
}

QString addinProgram(const QString& appDir, const QString& ownDir, const QString& path)
{
    const QString program = addinExecutable(appDir, path);
    if (QFileInfo::exists(program) || ownDir.isEmpty())
        return program;
    // The add-ins are installed beside the main program; a registry row
    // written for another program directory (or the preparation's ".exe"
    // name) may name no file here, so that directory is tried too.
    const QString beside = addinExecutable(ownDir, QFileInfo(QDir::fromNativeSeparators(path.trimmed())).fileName());
    return QFileInfo(beside).isFile() ? beside : program;
}

QString addinNotStartedMessage(const QString& program, const QString& reason)
{
    return QStringLiteral("アドイン %1 を起動できません（%2）").arg(program, reason);
}

bool subFavoToday(context::AppContext& context, ProcessStarter& starter)
{
    return startAddin(context, starter, QStringLiteral("subFavoToday"),
                      funAddinPath(context, QStringLiteral("ZAVozivuzar"), QStringLiteral("ZAVozivuzar.exe")));
}

QString graphTitle(const analysis::AnalysisDocument& document)
{
    QStringList keys;
    for (const conditions::AggregationKey* key : document.conditions.keysInUse())
        keys << key->key;
    return document.caption + QStringLiteral("【") + keys.join(QStringLiteral("、")) + QStringLiteral("】");
}

bool mnuREDivor_Click(context::AppContext& context, ProcessStarter& starter, const analysis::AnalysisDocument& document)
{
    const analysis::Sheet& result = document.result;
    if (result.columnCount() < 2) {
        context.prompter.inform({QStringLiteral("分析実行を行わないとグラフは表示できません"), QString()});
        return false;
    }
    if (result.rowCount() <= 1) {
        context.prompter.inform(
            {QStringLiteral("グラフを表示するには、集計キーを指定して分析し、結果が２行以上でなければなりません"),
             QString()});
        return false;
    }
    const QString csv = QDir(context.appDir()).filePath(QStringLiteral("REDivor.csv"));
    if (analysis::subExport(csv, result, context.busy, context.errorLog) != analysis::ExportResult::Completed)
        return false;
    return subGraphShow(context, starter, graphTitle(document));
}

bool subGraphShow(context::AppContext& context, ProcessStarter& starter, const QString& title)
{
    const QString csv = QDir(context.appDir()).filePath(QStringLiteral("REDivor.csv"));
    return startAddin(context, starter, QStringLiteral("subGraphShow"),
                      funAddinPath(context, QStringLiteral("REDivor"), QStringLiteral("REDivor.exe")),
                      {QStringLiteral("/F"), csv, QStringLiteral("/T"), title});
}

bool subViewShow(context::AppContext& context, ProcessStarter& starter)
{
    const QString path = funAddinPath(context, QStringLiteral("DEZide"), QStringLiteral("DEZide.exe"));
    for (const QString& running : starter.runningExecutables()) {
        const QString title = common::funFileTitle(running);
        if (title == QStringLiteral("DEZIDE") || title == QStringLiteral("DEZide"))
            return true;
    }
    return startAddin(context, starter, QStringLiteral("subViewShow"), path);
}

} // namespace tq::favourites
