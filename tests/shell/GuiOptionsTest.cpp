// The GUI's options: which command lines start the GUI, how they parse, and
// the screenshot run end to end (no dialog waits for an answer, the picture
// is written, nothing is stored in the user's settings).

#include "ShellFixture.h"

#include "appdb/Preparation.h"
#include "shell/GuiOptions.h"
#include "shell/Startup.h"
#include "store/Operations.h"

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>

using namespace tq::shell;
using namespace tq::context;
using namespace tq::appdb;
using namespace tq::shell::testing;

namespace {

QString example(const char* name)
{
    return QDir(QStringLiteral(TQ_SOURCE_DIR "/examples")).filePath(QString::fromUtf8(name));
}

TEST(GuiOptions, CommandLinesThatStartTheGuiAndWhatTheyMean)
{
    const QString file = example("tokyo-1400-1800.tqb");
    struct Case {
        QStringList args;
        bool gui;
        QString error; // the start of the error text; empty: parses
    };
    const Case cases[] = {
        {{}, true, {}},
        {{file}, true, {}},
        {{QStringLiteral("--open"), file, QStringLiteral("--run"), QStringLiteral("--tab"), QStringLiteral("list"),
          QStringLiteral("--size"), QStringLiteral("800x600"), QStringLiteral("--screenshot"), QStringLiteral("a.png")},
         true,
         {}},
        {{QStringLiteral("--screenshot"), QStringLiteral("a.png")}, true, {}},
        {{QStringLiteral("analyze"), file}, false, {}},
        {{QStringLiteral("--help")}, false, {}},
        {{QStringLiteral("--run")}, true, QStringLiteral("--run needs")},
        {{QStringLiteral("--screenshot")}, true, QStringLiteral("--screenshot needs a value")},
        {{file, QStringLiteral("--tab"), QStringLiteral("graph")}, true, QStringLiteral("--tab takes")},
        {{file, QStringLiteral("--size"), QStringLiteral("big")}, true, QStringLiteral("--size takes")},
        {{QStringLiteral("missing.tqb")}, true, QStringLiteral("cannot read missing.tqb")},
        {{QStringLiteral("--view"), file}, true, {}},
        {{QStringLiteral("--view"), QStringLiteral("gone.tqb")}, true, QStringLiteral("cannot read gone.tqb")},
        {{file, QStringLiteral("--fast")}, true, QStringLiteral("unknown argument: --fast")},
    };
    for (const Case& c : cases) {
        const std::string line = c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(isGuiCommandLine(c.args), c.gui) << line;
        if (!c.gui)
            continue;
        GuiOptions options;
        const QString error = parseGuiOptions(c.args, options);
        EXPECT_TRUE(c.error.isEmpty() ? error.isEmpty() : error.startsWith(c.error))
            << line << ": " << error.toStdString();
    }

    GuiOptions options;
    ASSERT_TRUE(parseGuiOptions(cases[2].args, options).isEmpty());
    EXPECT_EQ(options.openFile, file);
    EXPECT_TRUE(options.run);
    EXPECT_EQ(options.tab, 2);
    EXPECT_EQ(options.size, QSize(800, 600));
    EXPECT_EQ(options.screenshotFile, QStringLiteral("a.png"));
    EXPECT_TRUE(options.screenshot());

    GuiOptions viewer;
    ASSERT_TRUE(parseGuiOptions({QStringLiteral("--view"), file}, viewer).isEmpty());
    EXPECT_EQ(viewer.viewFile, file);
    EXPECT_TRUE(viewer.openFile.isEmpty());
}

struct ProgramRun {
    int exitCode;
    QString err;
};

// Runs the program with its user configuration and runtime directories in
// `home`, so the user's own settings and lock are not involved.
ProgramRun runProgram(const ProgramDir& dir, const QString& home, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVEN_INI"), dir.korvenIni());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir(home).filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    p.setProcessEnvironment(env);
    p.start(builtFile("DEVovuved"), QStringList{QStringLiteral("--app-dir"), dir.appDir} + args);
    // A dialog waiting for an answer would hang here until the timeout.
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
}

TEST(GuiOptions, ScreenshotRunsWithoutQuestionsWritesThePictureAndStoresNothing)
{
    ProgramDir dir;
    {
        Context c(dir);
        readSettings(c.ctx);
        dir.makeRaceData(c.ctx.catalogue);
    }
    QTemporaryDir home;
    const QString png = QDir(home.path()).filePath(QStringLiteral("main.png"));
    const ProgramRun shot =
        runProgram(dir, home.path(),
                   {QStringLiteral("--open"), example("tokyo-1400-1800.tqb"), QStringLiteral("--size"),
                    QStringLiteral("900x700"), QStringLiteral("--screenshot"), png});
    ASSERT_EQ(shot.exitCode, 0) << shot.err.toStdString();
    EXPECT_EQ(QImage(png).size(), QSize(900, 700));
    // The user-name request went to stderr instead of a dialog; no name, no
    // geometry was stored.
    EXPECT_TRUE(shot.err.contains(QStringLiteral("お気に入りの作者名に使用する名称を登録して下さい")))
        << shot.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(QDir(home.path()).filePath(QStringLiteral("config"))));
    auto db = tq::store::Database::open(dir.appDb());
    EXPECT_TRUE(isUnregisteredUser(tq::store::GetDBProp(*db, QStringLiteral("User"))));

    const ProgramRun unwritable =
        runProgram(dir, home.path(),
                   {QStringLiteral("--screenshot"), QDir(home.path()).filePath(QStringLiteral("no/such/dir.png"))});
    EXPECT_EQ(unwritable.exitCode, 1) << unwritable.err.toStdString();
    EXPECT_TRUE(unwritable.err.contains(QStringLiteral("cannot write"))) << unwritable.err.toStdString();
}

} // namespace
