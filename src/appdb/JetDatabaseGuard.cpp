#include "appdb/JetDatabaseGuard.h"

#include "appdb/StartupAborted.h"
#include "context/AppContext.h"
#include "store/JetFileCheck.h"

#include <QDir>
#include <QFileInfo>

namespace tq::appdb {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString appDbMessage(const QString& path)
{
    return path + QStringLiteral(" はJet形式のデータベースです。このプログラムはSQLite形式のデータベースを使います。") + kCrLf +
           QStringLiteral("このファイルを別の場所へ移してから起動し、") + kCrLf +
           QStringLiteral("DEVovuved import-jet --app 移した先のファイル") + kCrLf +
           QStringLiteral("でお気に入りと設定を取り込んで下さい。");
}

QString raceDataMessage(const QString& path)
{
    const QString dir = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
    return path + QStringLiteral(" はJet形式のデータベースです。このプログラムはSQLite形式のデータベースを読みます。") + kCrLf +
           QStringLiteral("DEVovuved import-jet --from ") + dir + QStringLiteral(" --out 変換先のフォルダ") + kCrLf +
           QStringLiteral("で変換し、KORVEN.INI の DBDir を変換先に変えて下さい（VUDevuzI.mdb は変換先からプログラムのフォルダへ）。");
}

} // namespace

void refuseJetDatabases(context::AppContext& ctx)
{
    const QDir appDir(ctx.catalogue.appDir.isEmpty() ? ctx.programDir : ctx.catalogue.appDir);
    const QString appDbFiles[] = {ctx.appDbPath(), appDir.filePath(QStringLiteral("DEVovuved.mdb.001")),
                                  appDir.filePath(QStringLiteral("DEVovuved_init.mdb"))};
    const QString raceFiles[] = {ctx.thisDbPath, ctx.dataDbPath, ctx.codeDbPath, ctx.ketoDbPath,
                                 appDir.filePath(QStringLiteral("VUDevuzI.mdb"))};
    QString text;
    for (const QString& path : appDbFiles)
        if (text.isEmpty() && !path.isEmpty() && store::isJetFile(path))
            text = appDbMessage(path);
    for (const QString& path : raceFiles)
        if (text.isEmpty() && !path.isEmpty() && store::isJetFile(path))
            text = raceDataMessage(path);
    if (text.isEmpty())
        return;
    const QString procedure = QStringLiteral("Main");
    ctx.errorLog.report({0, text, {}}, procedure);
    ctx.prompter.inform(context::Message{text, {}, context::Icon::Critical, false});
    throw StartupAborted(procedure, text);
}

} // namespace tq::appdb
