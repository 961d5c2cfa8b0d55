// A Jet file where the program expects a SQLite database: prepare stops with a
// message naming the file and the import command, and changes nothing.

#include "ShellFixture.h"

#include "appdb/Preparation.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QProcess>

using namespace tq::context;
using namespace tq::appdb;
using namespace tq::shell::testing;

namespace {

// Every file under `root` with the hash of its bytes.
QStringList snapshot(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        files << f.fileName() + QLatin1Char(' ') +
                     QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1).toHex());
    }
    files.sort();
    return files;
}

TEST(JetDatabaseGuard, PrepareStopsOnAJetFileNamingItAndTheImportCommand)
{
    const struct {
        const char* file;    // where the Jet file goes
        const char* command; // the command the message names
    } cases[] = {
        {"korven/korven_data.mdb", "import-jet --from"},
        {"app/DEVovuved.mdb", "import-jet --app"},
    };
    for (const auto& c : cases) {
        ProgramDir dir;
        {
            Context ctx(dir);
            readSettings(ctx.ctx);
            dir.makeRaceData(ctx.ctx.catalogue);
        }
        const QString target = QDir(dir.appDir + QStringLiteral("/..")).absoluteFilePath(QString::fromUtf8(c.file));
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(QStringLiteral(TQ_JET_FIXTURES "/DateTestDatabase.mdb"), target));
        const QString root = QDir(dir.appDir + QStringLiteral("/..")).absolutePath();
        const QStringList before = snapshot(root);

        QProcess p;
        p.start(builtFile("DEVovuved"), {QStringLiteral("--app-dir"), dir.appDir, QStringLiteral("prepare")});
        ASSERT_TRUE(p.waitForFinished(60000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitCode(), 1) << c.file;
        EXPECT_TRUE(err.contains(target)) << err.toStdString();
        EXPECT_TRUE(err.contains(QString::fromUtf8(c.command))) << err.toStdString();
        EXPECT_TRUE(err.contains(QStringLiteral("Jet形式"))) << err.toStdString();

        QStringList after = snapshot(root);
        after.removeIf([](const QString& f) { return f.contains(QStringLiteral("TQ.log")); });
        EXPECT_EQ(after, before) << c.file;
    }
}

} // namespace
