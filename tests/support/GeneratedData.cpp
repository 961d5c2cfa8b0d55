#include "support/GeneratedData.h"

#include "appdb/DbLifecycle.h"
#include "appdb/KorvenIni.h"
#include "appdb/Preparation.h"
#include "conditions/CatalogueReader.h"
#include "store/Database.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <exception>

namespace tq::support {

namespace {

// The files the build puts beside the program.
QString builtFile(const char* name)
{
    return QDir(QStringLiteral(TQ_BINARY_DIR "/bin")).filePath(QString::fromUtf8(name));
}

} // namespace

GeneratedData::GeneratedData(int years, std::uint64_t seed, int months)
{
    try {
        generateAndPrepare(years, seed, months);
    } catch (const std::exception& e) { // StartupAborted among them
        m_problem = std::string("the preparation failed: ") + e.what();
    }
    if (!m_problem.empty())
        m_ctx.appDb.reset();
}

QString GeneratedData::dataDir() const
{
    return m_dir.filePath(QStringLiteral("korven"));
}
QString GeneratedData::programDir() const
{
    return m_dir.filePath(QStringLiteral("app"));
}

QString GeneratedData::korvenIni() const
{
    return m_dir.filePath(QStringLiteral("KORVEN.INI"));
}

GeneratedData::ProgramRun GeneratedData::runProgram(const QStringList& args) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVEN_INI"), korvenIni());
    p.setProcessEnvironment(env);
    p.start(builtFile("DEVovuved"), QStringList{QStringLiteral("--app-dir"), programDir()} + args);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return {-1, {}, QStringLiteral("the program did not end within two minutes")};
    }
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

void GeneratedData::generateAndPrepare(int years, std::uint64_t seed, int months)
{
    if (!m_dir.isValid()) {
        m_problem = "no temporary directory";
        return;
    }
    tools::GenOptions options;
    options.outDir = dataDir();
    options.years = years;
    options.seed = seed;
    options.months = months;
    QString error;
    if (!tools::generateRaceData(options, &m_report, &error)) {
        m_problem = "the generator failed: " + error.toStdString();
        return;
    }

    // The program directory as the installation fills it.
    const QDir program(programDir());
    QDir().mkpath(program.path());
    const QString copies[][2] = {
        {builtFile("DEVovuved.ini"), program.filePath(QStringLiteral("DEVovuved.ini"))},
        {builtFile("DEVovuved_init.mdb"), program.filePath(QStringLiteral("DEVovuved_init.mdb"))},
        {QDir(dataDir()).filePath(QStringLiteral("VUDevuzI.mdb")), program.filePath(QStringLiteral("VUDevuzI.mdb"))},
    };
    for (const auto& [from, to] : copies) {
        if (!QFile::copy(from, to)) {
            m_problem = "cannot copy " + from.toStdString() + " (are the program's data files built?)";
            return;
        }
    }
    const QString ini = korvenIni();
    QFile iniFile(ini);
    if (!iniFile.open(QIODevice::WriteOnly) ||
        iniFile.write(QStringLiteral("[main]\r\nDBDir=%1\r\n").arg(dataDir()).toUtf8()) < 0) {
        m_problem = "cannot write " + ini.toStdString();
        return;
    }
    iniFile.close();

    // The preparation of the prepare command, with this KORVEN.INI.
    m_ctx.programDir = program.path();
    appdb::GetIniFile(m_ctx, ini);
    m_ctx.catalogue = conditions::subIniGetAll(m_ctx.programDir, m_ctx.errorLog);
    appdb::funDBChk(m_ctx);
    m_ctx.appVersion = context::AppContext::programVersion();
    appdb::prepareDatabase(m_ctx);
    if (!m_ctx.appDb)
        m_problem = "the application database is not open after the preparation";
}

} // namespace tq::support
