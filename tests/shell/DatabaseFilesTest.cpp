// Damaged, missing and shared files of a program directory: the application
// database and its verified backup, the race-data files, the catalogue file,
// and the lock that keeps preparation to one process at a time.

#include "ShellFixture.h"

#include "appdb/DbLifecycle.h"
#include "appdb/Preparation.h"
#include "appdb/StartupAborted.h"
#include "common/DatabaseLock.h"
#include "store/DatabaseFileCheck.h"

#include <QFileInfo>

#include <random>

using namespace tq::context;
using namespace tq::appdb;
using namespace tq::shell::testing;
using tq::common::DatabaseLock;
using tq::store::Database;
using namespace std::chrono_literals;

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray randomBytes(int size)
{
    std::mt19937 generator(7);
    QByteArray bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xff);
    return bytes;
}

// A real SQLite file of another program.
QByteArray foreignDatabase(const QString& scratch)
{
    Database::create(scratch)->execute(QStringLiteral("CREATE TABLE 顧客 (名前 CHAR(20))"));
    return bytesOf(scratch);
}

int pageSize(const QByteArray& database)
{
    const int size = (static_cast<quint8>(database.at(16)) << 8) | static_cast<quint8>(database.at(17));
    return size == 1 ? 65536 : size;
}

// The first half of a database, cut at a page boundary.
QByteArray truncated(const QByteArray& database)
{
    const int page = pageSize(database);
    return database.left(std::max(page, int(database.size() / 2 / page * page)));
}

// A whole database whose second page is overwritten: the header and the
// schema page are fine, so only reading every page shows the damage.
QByteArray damagedInside(const QByteArray& database)
{
    QByteArray bytes = database;
    const int page = pageSize(bytes);
    bytes.replace(page, page, QByteArray(page, '\xA5'));
    return bytes;
}

QStringList filesMatching(const QString& dir, const QString& pattern)
{
    return QDir(dir).entryList({pattern}, QDir::Files);
}

// ---------------------------------------------------------------------------
// The application database

// A Jet file in these places is refused earlier, with the import command
// named (JetDatabaseGuardTest).
enum class Content { ZeroBytes, Truncated, RandomBytes, Foreign, DamagedInside };

struct DamageCase {
    const char* name;
    Content content;
    bool backupDamaged;
    const char* cause;
};

class DamagedDatabase : public ::testing::TestWithParam<DamageCase> {
protected:
    void SetUp() override
    {
        readSettings(c.ctx);
        dir.makeRaceData(c.ctx.catalogue);
        // A good verified copy carries a marker table, so a restore shows.
        QFile::copy(dir.appFile("DEVovuved_init.mdb"), backup);
        Database::open(backup)->execute(QStringLiteral("CREATE TABLE 復元印 (x LONG)"));
        const QByteArray good = bytesOf(dir.appFile("DEVovuved_init.mdb"));
        switch (GetParam().content) {
        case Content::ZeroBytes: damaged = QByteArray(); break;
        case Content::Truncated: damaged = truncated(good); break;
        case Content::RandomBytes: damaged = randomBytes(8192); break;
        case Content::Foreign: damaged = foreignDatabase(dir.appFile("other.db")); break;
        case Content::DamagedInside: damaged = damagedInside(good); break;
        }
        writeText(dir.appDb(), damaged);
        if (GetParam().backupDamaged)
            writeText(backup, randomBytes(4096));
    }

    ProgramDir dir;
    Context c{dir};
    QString backup = dir.appFile("DEVovuved.mdb.001");
    QByteArray damaged;
};

TEST_P(DamagedDatabase, IsNamedKeptAsItWasAndRestoredOnlyWhenTheUserAgrees)
{
    const DamageCase& tc = GetParam();
    const QByteArray backupBefore = bytesOf(backup);

    c.prompter.pushAnswer(Answer::No);
    EXPECT_THROW(prepareHeadless(c.ctx), StartupAborted);
    ASSERT_EQ(c.prompter.messages().size(), 1u) << c.prompter.texts().join(u'|').toStdString();
    const QString question = c.prompter.messages()[0].text;
    EXPECT_TRUE(question.startsWith(QStringLiteral("データベース（") + dir.appDb() + QStringLiteral("）が壊れています（")))
        << question.toStdString();
    EXPECT_TRUE(question.contains(QString::fromUtf8(tc.cause))) << question.toStdString();
    EXPECT_EQ(question.contains(QStringLiteral("バックアップ（") + backup + QStringLiteral("）も壊れている")),
              tc.backupDamaged);
    EXPECT_EQ(bytesOf(dir.appDb()), damaged) << "nothing may be written to the damaged file";
    EXPECT_EQ(filesMatching(dir.appDir, QStringLiteral("*.damaged*")), QStringList{});
    EXPECT_EQ(filesMatching(dir.appDir, QStringLiteral("DEVovuved2*.MDB")), QStringList{});

    c.prompter.clear();
    c.prompter.pushAnswer(Answer::Yes);
    prepareHeadless(c.ctx);
    const QStringList aside = filesMatching(dir.appDir, QStringLiteral("DEVovuved.mdb.*.damaged"));
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(dir.appFile(aside[0]), c.ctx.preparation.damagedFile);
    EXPECT_EQ(bytesOf(dir.appFile(aside[0])), damaged) << "the damaged file is kept, never deleted";
    EXPECT_EQ(c.ctx.preparation.source,
              tc.backupDamaged ? PreparationReport::Source::Initial : PreparationReport::Source::Backup);
    EXPECT_EQ(c.ctx.appDb->hasTable(QStringLiteral("復元印")), !tc.backupDamaged);
    EXPECT_EQ(c.ctx.preparation.linksMade, c.ctx.preparation.linksRequested);
    EXPECT_NE(bytesOf(backup), backupBefore) << "a new verified copy replaces the old one";
    EXPECT_EQ(c.ctx.preparation.verifiedCopy, backup);
    EXPECT_TRUE(tq::store::checkDatabaseFile(backup, {QStringLiteral("お気に入り")}, true).ok());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DamagedDatabase,
    ::testing::Values(DamageCase{"ZeroBytes", Content::ZeroBytes, false, "ファイルが空です（0 バイト）"},
                      DamageCase{"Truncated", Content::Truncated, false, "ファイルが途中で切れています"},
                      DamageCase{"RandomBytes", Content::RandomBytes, false, "データベースではありません"},
                      DamageCase{"ForeignSqlite", Content::Foreign, false, "テーブル「お気に入り」がありません"},
                      DamageCase{"DamagedInside", Content::DamagedInside, false, "データベースが壊れています"},
                      DamageCase{"ZeroBytesAndDamagedBackup", Content::ZeroBytes, true, "ファイルが空です"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DatabaseBackup, DamagedBackupIsNeverRestoredAndAPreparationWritesAVerifiedOne)
{
    ProgramDir dir;
    Context c(dir);
    readSettings(c.ctx);
    const QString backup = dir.appFile("DEVovuved.mdb.001");
    const QByteArray bad = truncated(bytesOf(dir.appFile("DEVovuved_init.mdb")));
    writeText(backup, bad);

    EXPECT_TRUE(funDBChk(c.ctx));
    EXPECT_EQ(c.ctx.preparation.source, PreparationReport::Source::Initial);
    EXPECT_EQ(c.prompter.texts(), QStringList{QStringLiteral("バックアップ（") + backup
                                              + QStringLiteral("）は壊れているため使用しません（ファイルが途中で切れています）。")});
    EXPECT_EQ(bytesOf(backup), bad);

    // The copy is written only from a database that passes integrity_check.
    subDB_Init(c.ctx);
    keepVerifiedCopy(c.ctx);
    EXPECT_EQ(c.ctx.preparation.verifiedCopy, backup);
    auto copy = Database::open(backup, tq::store::OpenMode::ReadOnly);
    EXPECT_EQ(tq::store::integrityProblem(copy->handle()), QString());
    EXPECT_EQ(filesMatching(dir.appDir, QStringLiteral("*.tmp")), QStringList{});
}

// ---------------------------------------------------------------------------
// Race data

struct RaceDataCase {
    const char* name;
    Content content;
    bool missing;
    const char* cause;
};

class DamagedRaceData : public ::testing::TestWithParam<RaceDataCase> {};

TEST_P(DamagedRaceData, IsNamedWithItsFileAndCauseAndNeverWritten)
{
    const RaceDataCase& tc = GetParam();
    ProgramDir dir;
    Context c(dir);
    readSettings(c.ctx);
    dir.makeRaceData(c.ctx.catalogue);
    const QString data = QDir(dir.korvenDir).filePath(QStringLiteral("korven_data.mdb"));
    QByteArray content;
    if (tc.missing) {
        QFile::remove(data);
    } else {
        switch (tc.content) {
        case Content::ZeroBytes: content = QByteArray(); break;
        case Content::Truncated: content = truncated(bytesOf(data)); break;
        case Content::RandomBytes: content = randomBytes(8192); break;
        case Content::Foreign: content = foreignDatabase(dir.appFile("other.db")); break;
        case Content::DamagedInside: content = damagedInside(bytesOf(data)); break;
        }
        writeText(data, content);
    }

    prepareHeadless(c.ctx);
    const QStringList& problems = c.ctx.preparation.raceDataProblems;
    ASSERT_EQ(problems.size(), 1) << problems.join(u'|').toStdString();
    EXPECT_TRUE(problems[0].startsWith(QStringLiteral("レースデータ（") + data + QStringLiteral("）を使用できません（")))
        << problems[0].toStdString();
    EXPECT_TRUE(problems[0].contains(QString::fromUtf8(tc.cause))) << problems[0].toStdString();
    EXPECT_LT(c.ctx.preparation.linksMade, c.ctx.preparation.linksRequested);
    ASSERT_FALSE(c.prompter.texts().isEmpty());
    EXPECT_TRUE(c.prompter.texts().last().contains(problems[0])) << "the warning names the file";
    EXPECT_EQ(QFileInfo::exists(data), !tc.missing);
    if (!tc.missing) {
        EXPECT_EQ(bytesOf(data), content);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DamagedRaceData,
    ::testing::Values(RaceDataCase{"Missing", Content::ZeroBytes, true, "ファイルがありません"},
                      RaceDataCase{"ZeroBytes", Content::ZeroBytes, false, "ファイルが空です（0 バイト）"},
                      RaceDataCase{"Truncated", Content::Truncated, false, "ファイルが途中で切れています"},
                      RaceDataCase{"RandomBytes", Content::RandomBytes, false, "データベースではありません"},
                      RaceDataCase{"ForeignSqlite", Content::Foreign, false, "テーブル「D番組データ」「"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RaceDataDirectory, MissingDirectoryOrKorvenIniIsNamedOnce)
{
    ProgramDir dir;
    const QString nowhere = QDir(dir.korvenDir).filePath(QStringLiteral("none"));
    const std::pair<const char*, QString> cases[] = {
        {"DBDir names no directory", QStringLiteral("レースデータのフォルダ（") + nowhere + QStringLiteral("/）がありません")},
        {"no KORVEN.INI", QStringLiteral("KORVEN.INI（") + dir.korvenIni() + QStringLiteral("）がありません")},
    };
    dir.writeKorvenIni(nowhere);
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        Context c(dir);
        prepareHeadless(c.ctx);
        EXPECT_EQ(c.ctx.preparation.raceDataProblems.mid(0, 1), QStringList{expected});
        QFile::remove(dir.korvenIni());
    }
}

// ---------------------------------------------------------------------------
// The catalogue file

TEST(CatalogueFile, MissingUnreadableOrCutShortIsNamedWithItsProblem)
{
    ProgramDir dir;
    const QString ini = dir.appFile("DEVovuved.ini");
    const QByteArray whole = bytesOf(ini);
    const int cut = int(whole.indexOf("\r\n", whole.size() / 3)) + 2;
    struct Case {
        const char* name;
        bool remove;
        QByteArray content;
        QString problem;
    };
    const Case cases[] = {
        {"missing", true, {}, QStringLiteral("）がありません。")},
        {"bytes that are not CP932", false, QByteArray("[DB]\r\nDbName=\x82\xff.mdb\r\n"),
         QStringLiteral("）を読み込めません（2 行目: ")},
        {"a number that is not one", false, QByteArray("[JOUKEN]\r\nCount=abc\r\n"),
         QStringLiteral("）を読み込めません（line 2: ")},
        {"cut short", false, whole.left(cut), QStringLiteral("）が正しくありません（セクション [ThisMDB] がありません")},
        {"no DbName", false, QByteArray(whole).replace("DbName=", "DbNam="),
         QStringLiteral("）が正しくありません（[DB] に DbName がありません")},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        if (tc.remove)
            QFile::remove(ini);
        else
            writeText(ini, tc.content);
        Context c(dir);
        try {
            readSettings(c.ctx);
            ADD_FAILURE() << "expected StartupAborted";
        } catch (const StartupAborted& e) {
            EXPECT_EQ(e.procedure(), QStringLiteral("subIniGetAll"));
        }
        ASSERT_EQ(c.prompter.texts().size(), 1);
        const QString text = c.prompter.texts()[0];
        EXPECT_TRUE(text.startsWith(QStringLiteral("設定ファイル（") + ini + tc.problem)) << text.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dir.appDb()));
    }
}

// ---------------------------------------------------------------------------
// One preparation at a time

TEST(DatabaseLock, ManyUsersOrOnePreparerAndConversionKeepsTheLockOnFailure)
{
    QTemporaryDir temp;
    const QString path = QDir(temp.path()).filePath(QStringLiteral("DEVovuved.mdb"));
    DatabaseLock a(path), b(path);
    using Mode = DatabaseLock::Mode;
    EXPECT_EQ(a.fileName(), path + QStringLiteral(".lock"));
    EXPECT_TRUE(a.acquire(Mode::Shared, 0ms));
    EXPECT_TRUE(b.acquire(Mode::Shared, 0ms));
    EXPECT_FALSE(b.acquire(Mode::Exclusive, 60ms));
    EXPECT_EQ(b.mode(), Mode::Shared);
    a.release();
    EXPECT_TRUE(b.acquire(Mode::Exclusive, 0ms));
    EXPECT_FALSE(a.acquire(Mode::Shared, 60ms));
    EXPECT_TRUE(b.acquire(Mode::Shared, 0ms)) << "a preparer goes back to shared without letting go";
    EXPECT_TRUE(a.acquire(Mode::Shared, 0ms));
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override
    {
        Context first(dir);
        readSettings(first.ctx);
        dir.makeRaceData(first.ctx.catalogue);
        prepareHeadless(first.ctx);
    }
    ProgramDir dir;
};

TEST_F(Commands, AnalysisOpensWithoutCompactingAndWaitsOnlyBrieflyForAPreparation)
{
    DatabaseLock preparer(dir.appDb());
    ASSERT_TRUE(preparer.acquire(DatabaseLock::Mode::Exclusive, 0ms));
    Context reader(dir);
    reader.ctx.lockWaits.shared = 100ms;
    EXPECT_THROW(openForCommand(reader.ctx), StartupAborted);
    ASSERT_EQ(reader.prompter.texts().size(), 1);
    EXPECT_EQ(reader.prompter.texts()[0], QStringLiteral("他のプロセスがデータベース（") + dir.appDb()
                                              + QStringLiteral("）を準備中です。\r\nしばらくしてから再度行って下さい"));
    preparer.release();

    // Two analyses at once; neither compacts a prepared database.
    Context first(dir), second(dir);
    EXPECT_FALSE(openForCommand(first.ctx));
    EXPECT_FALSE(openForCommand(second.ctx));
    EXPECT_EQ(first.ctx.preparation.compaction, PreparationReport::Compaction::NotRun);
    EXPECT_EQ(scalar(*second.ctx.appDb, QStringLiteral("select count(*) from D成績データ")), kResultRows);

    // A preparation waits for them and then says why it cannot go on.
    Context preparing(dir);
    preparing.ctx.lockWaits.exclusive = 100ms;
    EXPECT_THROW(prepareHeadless(preparing.ctx), StartupAborted);
    ASSERT_FALSE(preparing.prompter.texts().isEmpty());
    EXPECT_EQ(preparing.prompter.texts().last(),
              QStringLiteral("他のプロセスがデータベース（") + dir.appDb()
                  + QStringLiteral("）を使用中のため、準備できませんでした。\r\n他のプロセスを終了してから再度行って下さい"));
}

TEST_F(Commands, AnalysisPreparesOnlyWhenTheRaceDataDirectoryOrVersionChanged)
{
    const QString moved = dir.korvenDir + QStringLiteral("2");
    ASSERT_TRUE(QDir().rename(dir.korvenDir, moved));
    dir.writeKorvenIni(moved);
    Context c(dir);
    EXPECT_TRUE(openForCommand(c.ctx));
    EXPECT_EQ(c.ctx.preparation.compaction, PreparationReport::Compaction::Compacted);
    EXPECT_EQ(scalar(*c.ctx.appDb, QStringLiteral("select count(*) from D成績データ")), kResultRows);
    Context again(dir);
    EXPECT_FALSE(openForCommand(again.ctx));
}

} // namespace
