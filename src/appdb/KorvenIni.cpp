#include "appdb/KorvenIni.h"

#include "common/ProfileFile.h"
#include "common/VbNumber.h"
#include "context/AppContext.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <stdexcept>

namespace tq::appdb {

namespace {

const QString kFileName = QStringLiteral("KORVEN.INI");

// Thrown inside GetIniFile; carries the error number the report shows.
struct IniError {
    int number;
    QString description;
};

// CLng on a text: a number (blanks around it allowed) rounded halves to even;
// anything else is a type mismatch, a value beyond 32 bits an overflow.
qint32 textToLong(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok)
        throw IniError{13, QStringLiteral("型が一致しません。")};
    try {
        return common::vbCLng(value);
    } catch (const std::out_of_range&) {
        throw IniError{6, QStringLiteral("オーバーフローしました。")};
    }
}

} // namespace

QString locateKorvenIni(const QString& envValue, const QString& configDir, const QString& programDir)
{
    if (!envValue.isEmpty())
        return envValue;
    if (!configDir.isEmpty()) {
        const QString candidate = QDir(configDir).filePath(kFileName);
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return QDir(programDir).filePath(kFileName);
}

QString findKorvenIni(const QString& programDir)
{
    return locateKorvenIni(qEnvironmentVariable("KORVEN_INI"),
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation), programDir);
}

bool GetIniFile(context::AppContext& ctx)
{
    return GetIniFile(ctx, findKorvenIni(ctx.programDir));
}

bool GetIniFile(context::AppContext& ctx, const QString& iniPath)
{
    try {
        const common::ProfileFile ini = common::ProfileFile::load(iniPath);

        QString dir = ini.value(QStringLiteral("main"), QStringLiteral("DBDir"));
        if (!dir.isEmpty()) {
            dir.replace(QLatin1Char('\\'), QLatin1Char('/'));
            // A relative directory belongs to the file that names it, not to
            // whatever directory the program was started from.
            if (QDir::isRelativePath(dir))
                dir = QDir::cleanPath(QFileInfo(iniPath).absoluteDir().filePath(dir));
            if (!dir.endsWith(QLatin1Char('/')))
                dir += QLatin1Char('/');
            ctx.korvenDir = dir;
            ctx.thisDbPath = dir + QStringLiteral("korven_this.mdb");
            ctx.dataDbPath = dir + QStringLiteral("korven_data.mdb");
            ctx.codeDbPath = dir + QStringLiteral("korven_code.mdb");
            ctx.ketoDbPath = dir + QStringLiteral("korven_keto.mdb");
        }

        QString logFile = ini.value(QStringLiteral("FILENAME"), QStringLiteral("LOGDAT"), QStringLiteral("TQ.log"));
        logFile.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (QFileInfo(logFile).isRelative() && !ctx.programDir.isEmpty())
            logFile = QDir(ctx.programDir).filePath(logFile);
        ctx.errorLog.setLogFileName(logFile);

        const QString logMax = ini.value(QStringLiteral("FILENAME"), QStringLiteral("LOGMAX"), QStringLiteral("1000"));
        ctx.errorLog.setLogMax(textToLong(logMax));
        return true;
    } catch (const IniError& e) {
        ctx.errorLog.report({e.number, e.description, {}}, QStringLiteral("GetIniFile"));
    } catch (const std::exception& e) {
        ctx.errorLog.report({0, QString::fromStdString(e.what()), {}}, QStringLiteral("GetIniFile"));
    }
    return false;
}

} // namespace tq::appdb
