// DBComp: work file and kept file names, the compaction itself, and the
// problems it stops on or goes around.

#include "appdb/DbCompaction.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "shell/FaultyFiles.h"
#include "store/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ostream>

// Readable texts in failure messages.
static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace tq::shell;
using namespace tq::context;
using namespace tq::appdb;
using tq::store::Database;

namespace {

const QString kInUse = QStringLiteral("データベースが使用されているために、最適化が実行できませんでした。\r\n"
                                      "最適化を行わずに処理を続行します。");
const QString kAbnormalEnd = QStringLiteral("前回起動時に異常終了しています。\r\n"
                                            "起動されたら、データに異常がないか、ご確認下さい。");

TEST(CompactionFiles, NamesFollowTheFileNamesMdbInAnyCase)
{
    struct Case {
        QString path, base, work;
    };
    const Case cases[] = {
        {QStringLiteral("/a/DEVovuved.mdb"), QStringLiteral("/a/DEVovuved"), QStringLiteral("/a/DEVovuvedWK.MDB")},
        {QStringLiteral("/a/DEVovuved.MDB"), QStringLiteral("/a/DEVovuved"), QStringLiteral("/a/DEVovuvedWK.MDB")},
        {QStringLiteral("/a/x.mdb.001"), QStringLiteral("/a/x"), QStringLiteral("/a/xWK.MDB")},
        // A directory named like a database does not move the work file out of it.
        {QStringLiteral("/old.mdb/DEVovuved.mdb"), QStringLiteral("/old.mdb/DEVovuved"),
         QStringLiteral("/old.mdb/DEVovuvedWK.MDB")},
        {QStringLiteral("/a/DEVovuved.db"), QString(), QString()},
    };
    for (const Case& tc : cases) {
        const CompactionFiles files = compactionFiles(tc.path);
        EXPECT_EQ(files.base, tc.base) << tc.path.toStdString();
        EXPECT_EQ(files.work, tc.work) << tc.path.toStdString();
    }
    EXPECT_EQ(compactionFiles(QStringLiteral("/a/DEVovuved.mdb")).kept(QDateTime(QDate(2001, 12, 31), QTime(23, 59, 59))),
              QStringLiteral("/a/DEVovuved20011231235959.MDB"));
    EXPECT_EQ(compactionFiles(QStringLiteral("/a/DEVovuved.mdb")).kept(QDateTime(QDate(2002, 1, 2), QTime(3, 4, 5))),
              QStringLiteral("/a/DEVovuved20020102030405.MDB"));
}

class Compaction : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        path = QDir(m_temp.path()).filePath(QStringLiteral("DEVovuved.mdb"));
        work = QDir(m_temp.path()).filePath(QStringLiteral("DEVovuvedWK.MDB"));
        auto db = Database::create(path);
        db->execute(QStringLiteral("CREATE TABLE お気に入り (名称 CHAR(50), 条件 MEMO)"));
        tq::store::Transaction transaction(*db);
        const QString filler(2000, QLatin1Char('x'));
        for (int i = 0; i < 200; ++i)
            db->execute(QStringLiteral("INSERT INTO お気に入り VALUES ('%1', '%2')").arg(i).arg(filler));
        db->execute(QStringLiteral("DELETE FROM お気に入り WHERE 名称 <> '7'"));
        transaction.commit();
    }

    QByteArray bytes(const QString& file) const
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList files() const { return QDir(m_temp.path()).entryList(QDir::Files, QDir::Name); }
    QString favourite() const
    {
        auto db = Database::open(path, tq::store::OpenMode::ReadOnly);
        auto rs = db->openRecordset(QStringLiteral("select 名称 from お気に入り"));
        return rs.isEOF() ? QString() : rs.value(0).toText();
    }

    QTemporaryDir m_temp;
    QString path, work;
    ScriptedPrompter prompter;
    SilentBusy busy;
    AppContext ctx{prompter, busy};
};

TEST_F(Compaction, NormalRunShrinksTheFileKeepsTheDataAndLeavesNoWorkFile)
{
    const qint64 before = QFileInfo(path).size();
    EXPECT_TRUE(DBComp(ctx, path));
    EXPECT_LT(QFileInfo(path).size(), before / 4);
    EXPECT_EQ(favourite(), QStringLiteral("7"));
    EXPECT_EQ(files(), QStringList{QStringLiteral("DEVovuved.mdb")});
    EXPECT_TRUE(prompter.messages().empty());
    EXPECT_EQ(ctx.preparation.compaction, PreparationReport::Compaction::Compacted);
}

TEST_F(Compaction, LeftoverWorkFileIsKeptUnderTheCurrentTimeThenCompactionRuns)
{
    const QByteArray leftover("a half-written work file");
    QFile f(work);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(leftover);
    f.close();

    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    EXPECT_TRUE(DBComp(ctx, path));
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_EQ(prompter.messages()[0].text, kAbnormalEnd);
    EXPECT_EQ(prompter.messages()[0].caption, QStringLiteral("DEVovuved - データベース最適化"));
    EXPECT_TRUE(prompter.messages()[0].systemModal);
    EXPECT_EQ(prompter.messages()[0].icon, Icon::Critical);

    const QStringList kept = QDir(m_temp.path()).entryList({QStringLiteral("DEVovuved2*.MDB")}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    const QDateTime stamp = QDateTime::fromString(kept[0].mid(9, 14), QStringLiteral("yyyyMMddHHmmss"));
    EXPECT_TRUE(stamp >= before.addMSecs(-before.time().msec()) && stamp <= after) << kept[0].toStdString();
    EXPECT_EQ(bytes(QDir(m_temp.path()).filePath(kept[0])), leftover);
    EXPECT_FALSE(QFileInfo::exists(work));
    EXPECT_EQ(favourite(), QStringLiteral("7"));
    EXPECT_EQ(ctx.preparation.keptWorkFile, QDir(m_temp.path()).filePath(kept[0]));
}

TEST_F(Compaction, ReadOnlyFilesStopWithoutTouchingTheDatabase)
{
    struct Case {
        const char* name;
        bool readOnlyWork;
        QString expected;
    };
    const Case cases[] = {
        {"read-only work file", true, QStringLiteral("データベース一時ファイルが、書込み禁止の状態になっています")},
        {"read-only database", false, QStringLiteral("データベースファイルが、書込み禁止の状態になっています")},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        prompter.clear();
        const QString target = tc.readOnlyWork ? work : path;
        if (tc.readOnlyWork) {
            QFile f(work);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("leftover");
        }
        const QByteArray original = bytes(path);
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ReadGroup);

        EXPECT_FALSE(DBComp(ctx, path));
        EXPECT_EQ(prompter.texts(), QStringList{tc.expected});
        EXPECT_EQ(bytes(path), original);
        EXPECT_EQ(QDir(m_temp.path()).entryList({QStringLiteral("DEVovuved2*")}, QDir::Files), QStringList{});

        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile::remove(work);
    }
}

TEST_F(Compaction, MissingDatabaseOrNameWithoutExtensionFails)
{
    const QString missing = QDir(m_temp.path()).filePath(QStringLiteral("other.mdb"));
    EXPECT_FALSE(DBComp(ctx, missing));
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("データベース（") + missing + QStringLiteral("）が存在しません。")});

    prompter.clear();
    const QString noExtension = QDir(m_temp.path()).filePath(QStringLiteral("plain.db"));
    QFile::copy(path, noExtension);
    EXPECT_FALSE(DBComp(ctx, noExtension));
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("データベースの最適化に失敗しました")});
}

// Faults injected after the work file exists: the database keeps its data,
// the work file goes with the failure (only one that cannot be deleted
// stays), and the next run reports an interrupted run only in that case.
TEST_F(Compaction, FailuresAfterTheWorkFileExistsRemoveItAndLeaveTheDatabaseWhole)
{
    struct Case {
        const char* name;
        bool copyBackFails;
        int removalsFailing; // -1: every removal fails
        QString message;
        bool workLeft;
    };
    const QString copyBackFailed = QStringLiteral("最適化したファイルの復元に失敗しました");
    const QString deleteFailed = QStringLiteral("データベース一時ファイルの削除に失敗しました");
    const Case cases[] = {
        {"copy back fails (disk full)", true, 0, copyBackFailed, false},
        {"copy back fails and the work file cannot be deleted", true, -1, copyBackFailed, true},
        {"deletion fails once", false, 1, deleteFailed, false},
        {"deletion always fails", false, -1, deleteFailed, true},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        prompter.clear();
        int removals = 0;
        CompactionSteps steps;
        if (tc.copyBackFails)
            steps.copyBack = [](const QString&, const QString&) { return QStringLiteral("database or disk is full"); };
        steps.removeFile = [&removals, &tc](const QString& file) {
            if (tc.removalsFailing < 0 || removals++ < tc.removalsFailing)
                return false;
            return QFile::remove(file);
        };

        EXPECT_FALSE(DBComp(ctx, path, steps));
        EXPECT_EQ(prompter.texts(), QStringList{tc.message});
        EXPECT_EQ(QFileInfo::exists(work), tc.workLeft);
        EXPECT_EQ(favourite(), QStringLiteral("7"));
        EXPECT_FALSE(ctx.errorLog.recentEntries().isEmpty());

        prompter.clear();
        EXPECT_TRUE(DBComp(ctx, path));
        EXPECT_EQ(prompter.texts(), tc.workLeft ? QStringList{kAbnormalEnd} : QStringList{});
        for (const QString& kept : QDir(m_temp.path()).entryList({QStringLiteral("DEVovuved2*.MDB")}, QDir::Files))
            QFile::remove(QDir(m_temp.path()).filePath(kept));
        EXPECT_EQ(files(), QStringList{QStringLiteral("DEVovuved.mdb")});
    }
}

// The same through a real write failure of the database file during the copy
// back: SQLite's own journal keeps the database whole.
TEST_F(Compaction, CopyBackThatTheDiskRefusesLeavesTheDatabaseWholeAndNoWorkFile)
{
    {
        tq::shell::testing::FaultyFiles faults;
        faults.failWritesTo(path);
        EXPECT_FALSE(DBComp(ctx, path));
    }
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("最適化したファイルの復元に失敗しました")});
    ASSERT_FALSE(ctx.errorLog.recentEntries().isEmpty());
    EXPECT_EQ(ctx.errorLog.recentEntries().last().procedure, QStringLiteral("DBComp"));
    EXPECT_FALSE(QFileInfo::exists(work));

    prompter.clear();
    EXPECT_TRUE(DBComp(ctx, path));
    EXPECT_EQ(prompter.texts(), QStringList{});
    EXPECT_EQ(favourite(), QStringLiteral("7"));
}

TEST_F(Compaction, DatabaseLockedByAnotherProcessIsLeftAsItWasAndStartUpGoesOn)
{
    // The child holds a read transaction (a shared lock) until told to stop.
    int ready[2], stop[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(stop), 0);
    const QByteArray file = path.toUtf8();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_exec(db, "BEGIN; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr);
        char c = 1;
        (void)!write(ready[1], &c, 1);
        (void)!read(stop[0], &c, 1);
        sqlite3_close(db);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    const QByteArray original = bytes(path);

    EXPECT_TRUE(DBComp(ctx, path));
    EXPECT_EQ(prompter.texts(), QStringList{kInUse});
    EXPECT_EQ(ctx.preparation.compaction, PreparationReport::Compaction::SkippedInUse);
    EXPECT_EQ(bytes(path), original);
    EXPECT_EQ(files(), QStringList{QStringLiteral("DEVovuved.mdb")});

    (void)!write(stop[1], &c, 1);
    int status = 0;
    waitpid(child, &status, 0);
    for (int fd : {ready[0], ready[1], stop[0], stop[1]})
        close(fd);

    // Merely open elsewhere (no lock) is no obstacle.
    auto reader = Database::open(path, tq::store::OpenMode::ReadOnly);
    prompter.clear();
    EXPECT_TRUE(DBComp(ctx, path));
    EXPECT_EQ(prompter.texts(), QStringList{});
    EXPECT_EQ(ctx.preparation.compaction, PreparationReport::Compaction::Compacted);
}

} // namespace
