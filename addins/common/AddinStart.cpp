#include "AddinStart.h"

#include "appdb/Preparation.h"
#include "appdb/StartupAborted.h"
#include "conditions/Clauses.h"
#include "context/AppContext.h"
#include "favourites/AddIns.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/Operations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include <cstdio>

namespace tq::addins {

namespace {

AddinOptions parseAddinOptions(const QStringList& arguments)
{
    AddinOptions options;
    const std::pair<QString, QString AddinOptions::*> valued[] = {
        {QStringLiteral("--app-dir"), &AddinOptions::appDir},
        {QStringLiteral("--png"), &AddinOptions::png},
        {QStringLiteral("--csv"), &AddinOptions::csv},
    };
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (arg == QLatin1String("--register")) {
            options.registerOnly = true;
            continue;
        }
        const auto option = std::find_if(std::begin(valued), std::end(valued),
                                         [&arg](const auto& entry) { return entry.first == arg; });
        if (option == std::end(valued)) {
            options.rest << arg;
            continue;
        }
        if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
            options.error = arg + QStringLiteral(" needs a value");
            return options;
        }
        options.*(option->second) = arguments.at(++i);
    }
    return options;
}

void chooseHeadlessPlatform(const AddinOptions& options)
{
    if ((options.headless() || options.registerOnly) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace

AddinOptions startAddin(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    AddinOptions options = parseAddinOptions(arguments);
    chooseHeadlessPlatform(options);
    return options;
}

void printAddinError(const AddinIdentity& identity, const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", identity.softwareId.toUtf8().constData(), text.toUtf8().constData());
}

QString addinProgramDir(const QString& appDirOption)
{
    if (!appDirOption.isEmpty())
        return QDir(appDirOption).absolutePath();
    if (QFileInfo::exists(QDir::current().filePath(QStringLiteral("DEVovuved.ini"))))
        return QDir::currentPath();
    return QCoreApplication::applicationDirPath();
}

QString openAddinDatabase(context::AppContext& ctx, const QString& programDir, const AddinIdentity& identity)
{
    ctx.programDir = programDir;
    ctx.errorLog.setExeName(identity.softwareId);
    try {
        appdb::openForCommand(ctx);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    registerAddin(ctx, identity, QCoreApplication::applicationFilePath());
    return {};
}

bool openAddinDatabaseOrTell(context::AppContext& ctx, const AddinOptions& options, const AddinIdentity& identity)
{
    const QString problem = openAddinDatabase(ctx, addinProgramDir(options.appDir), identity);
    if (problem.isEmpty())
        return true;
    const QString message = QStringLiteral("データベースを開けません。\n") + problem;
    if (!options.headless())
        QMessageBox::warning(nullptr, identity.displayName, message);
    printAddinError(identity, message);
    return false;
}

bool registerAddin(context::AppContext& ctx, const AddinIdentity& identity, const QString& executable)
{
    if (!ctx.appDb)
        return false;
    const QString registered = favourites::funAddinPath(ctx, identity.softwareId, QString());
    const QString self = QFileInfo(executable).canonicalFilePath();
    if (!registered.isEmpty()
        && QFileInfo(favourites::addinExecutable(ctx.appDir(), registered)).canonicalFilePath() == self)
        return true;
    const QString where =
        QStringLiteral(" Where ソフトID='") + conditions::quoteLiteral(identity.softwareId) + QLatin1Char('\'');
    try {
        store::Transaction transaction(*ctx.appDb);
        ctx.appDb->execute(QStringLiteral("delete * from Sアドイン管理") + where);
        bool ok = false;
        auto rs = store::TBOpn(ctx.errorLog, *ctx.appDb, QStringLiteral("select * from Sアドイン管理") + where, ok);
        if (!ok || !rs)
            return false;
        rs->addNew();
        rs->setValue(QStringLiteral("ソフトID"), store::Value(identity.softwareId));
        rs->setValue(QStringLiteral("名称"), store::Value(identity.displayName));
        rs->setValue(QStringLiteral("パス"), store::Value(self));
        rs->setValue(QStringLiteral("起動オプション"), store::Value(QString()));
        rs->setValue(QStringLiteral("買い目出力"), store::Value(QStringLiteral("0")));
        rs->update();
        transaction.commit();
        return true;
    } catch (const std::exception& e) {
        ctx.errorLog.report({0, QString::fromUtf8(e.what()), identity.softwareId}, QStringLiteral("subAddinEntry"));
        return false;
    }
}

QString formatRaceDate(const QString& yyyymmdd)
{
    if (yyyymmdd.size() != 8)
        return yyyymmdd;
    return yyyymmdd.left(4) + QLatin1Char('/') + yyyymmdd.mid(4, 2) + QLatin1Char('/') + yyyymmdd.mid(6, 2);
}

} // namespace tq::addins
