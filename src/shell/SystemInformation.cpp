#include "shell/SystemInformation.h"

#include "context/AppContext.h"

#include <QDir>
#include <QStringList>
#include <QSysInfo>

#include <sqlite3.h>

namespace tq::shell {

namespace {

QString pathOrUnset(const QString& path)
{
    return path.isEmpty() ? QStringLiteral("（未設定）") : QDir::toNativeSeparators(path);
}

} // namespace

QString systemInformation(const context::AppContext& ctx)
{
    QStringList lines = {
        context::AppContext::applicationTitle() + QStringLiteral(" ") + ctx.appVersion,
        QStringLiteral("Qt: ") + QString::fromLatin1(qVersion()),
        QStringLiteral("SQLite: ") + QString::fromLatin1(sqlite3_libversion()),
        QStringLiteral("OS: ") + QSysInfo::prettyProductName() + QStringLiteral(" (") + QSysInfo::kernelType() +
            QStringLiteral(" ") + QSysInfo::kernelVersion() + QStringLiteral(", ") +
            QSysInfo::currentCpuArchitecture() + QStringLiteral(")"),
        QStringLiteral("プログラムフォルダ: ") + pathOrUnset(ctx.programDir),
        QStringLiteral("AppDir: ") + pathOrUnset(ctx.appDir()),
        QStringLiteral("アプリケーションデータベース: ") + pathOrUnset(ctx.appDbPath()),
        QStringLiteral("エラーログ: ") + pathOrUnset(ctx.errorLog.logFileName()),
        QStringLiteral("レースデータフォルダ: ") + pathOrUnset(ctx.korvenDir),
    };
    for (const QString* path : {&ctx.thisDbPath, &ctx.dataDbPath, &ctx.codeDbPath, &ctx.ketoDbPath}) {
        if (!path->isEmpty())
            lines.append(QStringLiteral("レースデータ: ") + QDir::toNativeSeparators(*path));
    }
    return lines.join(u'\n');
}

} // namespace tq::shell
