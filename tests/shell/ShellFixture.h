#pragma once
// A program directory in a temporary folder: the built catalogue and initial
// database, race-data files holding every table the catalogue links (a few
// rows in D成績データ and T番組データ), and a KORVEN.INI naming them, picked
// up through $KORVEN_INI.

#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "store/Database.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace tq::shell::testing {

inline QString builtFile(const char* name)
{
    return QDir(QStringLiteral(TQ_BINARY_DIR "/bin")).filePath(QString::fromUtf8(name));
}

inline constexpr int kResultRows = 3;   // rows of D成績データ in the fixture
inline constexpr int kTodayRaces = 2;   // rows of T番組データ

// Creates one race-data file with the given tables; `rows` rows in `filledTable`.
inline void makeSource(const QString& path, const QStringList& tables, const QString& filledTable = {}, int rows = 0)
{
    auto db = store::Database::create(path);
    for (const QString& table : tables) {
        db->execute(QStringLiteral("CREATE TABLE ") + table + QStringLiteral(" (レースキー CHAR(8), 値 LONG)"));
        if (table == filledTable)
            for (int i = 0; i < rows; ++i)
                db->execute(QStringLiteral("INSERT INTO ") + table + QStringLiteral(" VALUES ('0125010%1', %1)").arg(i + 1));
    }
}

inline void writeText(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

class ProgramDir {
public:
    explicit ProgramDir(bool withInitialDb = true)
    {
        EXPECT_TRUE(m_temp.isValid());
        const QDir root(m_temp.path());
        root.mkpath(QStringLiteral("app"));
        root.mkpath(QStringLiteral("korven"));
        appDir = root.filePath(QStringLiteral("app"));
        korvenDir = root.filePath(QStringLiteral("korven"));
        EXPECT_TRUE(QFile::copy(builtFile("DEVovuved.ini"), appFile("DEVovuved.ini")));
        if (withInitialDb) {
            EXPECT_TRUE(QFile::copy(builtFile("DEVovuved_init.mdb"), appFile("DEVovuved_init.mdb")));
        }
        writeKorvenIni(korvenDir);
        qputenv("KORVEN_INI", korvenIni().toLocal8Bit());
    }
    ~ProgramDir() { qunsetenv("KORVEN_INI"); }

    QString appFile(const QString& name) const { return QDir(appDir).filePath(name); }
    QString appFile(const char* name) const { return appFile(QString::fromUtf8(name)); }
    QString appDb() const { return appFile("DEVovuved.mdb"); }
    QString korvenIni() const { return QDir(m_temp.path()).filePath(QStringLiteral("KORVEN.INI")); }

    void writeKorvenIni(const QString& dbDir) const
    {
        writeText(korvenIni(), QByteArray("[main]\r\nDBDir=") + dbDir.toLocal8Bit()
                                   + "\r\n[FILENAME]\r\nLOGDAT=" + QDir(m_temp.path()).filePath(QStringLiteral("TQ.log")).toLocal8Bit()
                                   + "\r\nLOGMAX=1000\r\n");
    }

    // Every table of the catalogue's five lists, in the files the lists name.
    void makeRaceData(const conditions::ConditionCatalogue& cat) const
    {
        const QDir k(korvenDir);
        makeSource(k.filePath(QStringLiteral("korven_this.mdb")), cat.thisLinks, QStringLiteral("T番組データ"), kTodayRaces);
        makeSource(k.filePath(QStringLiteral("korven_data.mdb")), cat.dataLinks, QStringLiteral("D成績データ"), kResultRows);
        makeSource(k.filePath(QStringLiteral("korven_code.mdb")), cat.codeLinks);
        makeSource(k.filePath(QStringLiteral("korven_keto.mdb")), cat.ketoLinks);
        makeSource(appFile("VUDevuzI.mdb"), cat.hensaLinks);
    }

    QString appDir, korvenDir;

private:
    QTemporaryDir m_temp;
};

// A context on a program directory with a scripted prompter.
struct Context {
    explicit Context(const ProgramDir& dir) : ctx(prompter, busy) { ctx.programDir = dir.appDir; }
    context::ScriptedPrompter prompter;
    context::SilentBusy busy;
    context::AppContext ctx;
};

inline qint64 scalar(store::Database& db, const QString& sql)
{
    store::Recordset rs = db.openRecordset(sql);
    return rs.isEOF() ? -1 : rs.value(0).toInt();
}

} // namespace tq::shell::testing
