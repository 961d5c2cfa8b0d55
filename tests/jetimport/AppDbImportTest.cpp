// Import of an old application database into a prepared one. No Jet writer
// is at hand, so the old database is a SQLite file with the old schema, read
// through the same table-source interface as a Jet file.

#include "appdb/Preparation.h"
#include "context/AppContext.h"
#include "context/ConsolePrompter.h"
#include "jetimport/AppDbImport.h"
#include "jetimport/SqliteTableSource.h"
#include "store/Database.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tq;

namespace {

QString builtFile(const char* name)
{
    return QDir(QStringLiteral(TQ_BINARY_DIR "/bin")).filePath(QString::fromUtf8(name));
}

// An application database of an earlier version: お気に入り without the later
// columns, an aggregate favourite with its table, a list setting, widths and colours.
void writeOldDatabase(const QString& path)
{
    auto db = store::Database::create(path);
    const char* const statements[] = {
        "CREATE TABLE お気に入り (名称 CHAR(50), グループ名 CHAR(50), 条件 MEMO, ＷＨＥＲＥ文 MEMO, 総件数 LONG, コメント MEMO)",
        "INSERT INTO お気に入り VALUES ('古い条件', 'G1', 'c1', 'w1', 10, '')",
        "INSERT INTO お気に入り VALUES ('O''Brien', 'G1', 'c2', 'w2', 20, Null)",
        "INSERT INTO お気に入り VALUES ('共通', 'G2', 'old', 'w3', 30, 'old')",
        "CREATE TABLE 集計お気に入り (名称 CHAR(50), 集計KEY1 CHAR(20), 集計RANGE1 CHAR(50))",
        "INSERT INTO 集計お気に入り VALUES ('集計A', '距離', '')",
        "CREATE TABLE 集計A (距離 CHAR(20), 総件数 LONG)",
        "INSERT INTO 集計A VALUES ('1200', 5)",
        "CREATE TABLE 一覧表示設定 (設定名 CHAR(50), 項目名 CHAR(50), 表示順 LONG, サイズ SINGLE)",
        "INSERT INTO 一覧表示設定 VALUES ('私の一覧', '馬名', 1, 12)",
        "INSERT INTO 一覧表示設定 VALUES ('私の一覧', '騎手名', 2, 8)",
        "CREATE TABLE 色設定 (回収率値 LONG, 回収率色 LONG, 勝率値 LONG, 勝率色 LONG, 連対率値 LONG, 連対率色 LONG, 複勝率値 LONG, 複勝率色 LONG)",
        "INSERT INTO 色設定 VALUES (120, 255, 25, 65280, 55, 16711680, 85, 0)",
    };
    for (const char* sql : statements)
        db->execute(QString::fromUtf8(sql));
}

class AppDbImport : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("KORVEN_INI", m_dir.filePath(QStringLiteral("none.ini")).toUtf8());
        ASSERT_TRUE(QFile::copy(builtFile("DEVovuved.ini"), m_dir.filePath(QStringLiteral("DEVovuved.ini"))));
        ASSERT_TRUE(QFile::copy(builtFile("DEVovuved_init.mdb"), m_dir.filePath(QStringLiteral("DEVovuved_init.mdb"))));
        m_ctx.programDir = m_dir.path();
        m_ctx.errorLog.setLogFileName(m_dir.filePath(QStringLiteral("TQ.log")));
        appdb::prepareHeadless(m_ctx);
        m_ctx.appDb->execute(QStringLiteral("INSERT INTO お気に入り (名称, 条件, 総件数) VALUES ('共通', 'mine', 1)"));
        m_old = m_dir.filePath(QStringLiteral("old.mdb"));
        writeOldDatabase(m_old);
    }

    store::Value value(const QString& jetSql)
    {
        store::Recordset rs = m_ctx.appDb->openRecordset(jetSql);
        return rs.isEOF() ? store::Value() : rs.value(0);
    }

    QTemporaryDir m_dir;
    context::ConsolePrompter m_prompter{context::Answer::No};
    context::SilentBusy m_busy;
    context::AppContext m_ctx{m_prompter, m_busy};
    QString m_old;
};

TEST_F(AppDbImport, OldRowsArriveUpgradedAndNamesOnBothSidesKeepTheTarget)
{
    jetimport::SqliteTableSource source(m_old);
    const jetimport::AppImportReport report = jetimport::importAppDatabase(m_ctx, source, false);
    ASSERT_TRUE(report.error.isEmpty()) << report.error.toStdString();
    EXPECT_EQ(report.unconverted, 0);

    // Upgraded on the way: 表示 True, as the start-up's upgrade sets it for old rows.
    EXPECT_EQ(value(QStringLiteral("SELECT 表示 FROM お気に入り WHERE 名称 = '古い条件'")), store::Value(-1));
    EXPECT_EQ(value(QStringLiteral("SELECT 総件数 FROM お気に入り WHERE 名称 = 'O''Brien'")), store::Value(20));
    EXPECT_TRUE(value(QStringLiteral("SELECT コメント FROM お気に入り WHERE 名称 = 'O''Brien'")).isNull());
    EXPECT_EQ(value(QStringLiteral("SELECT コメント FROM お気に入り WHERE 名称 = '古い条件'")), store::Value(QString()));
    EXPECT_EQ(value(QStringLiteral("SELECT 総件数 FROM 集計A")), store::Value(5));
    EXPECT_EQ(value(QStringLiteral("SELECT Count(*) FROM 一覧表示設定 WHERE 設定名 = '私の一覧'")), store::Value(2));

    // On both sides: the target's row and thresholds stay, and the report says so.
    EXPECT_EQ(value(QStringLiteral("SELECT 条件 FROM お気に入り WHERE 名称 = '共通'")), store::Value(QStringLiteral("mine")));
    EXPECT_EQ(value(QStringLiteral("SELECT Count(*) FROM お気に入り WHERE 名称 = '共通'")), store::Value(1));
    EXPECT_EQ(value(QStringLiteral("SELECT 回収率値 FROM 色設定")), store::Value(100));
    EXPECT_EQ(report.kept, 2);
    EXPECT_TRUE(report.lines.join(QLatin1Char('\n')).contains(QStringLiteral("お気に入り 共通 は両方にあるため今の方を残しました")))
        << report.lines.join(QLatin1Char('\n')).toStdString();

    // A second import finds everything the same and adds nothing.
    jetimport::SqliteTableSource again(m_old);
    const jetimport::AppImportReport second = jetimport::importAppDatabase(m_ctx, again, false);
    EXPECT_EQ(second.added, 0);
    EXPECT_EQ(value(QStringLiteral("SELECT Count(*) FROM お気に入り")), store::Value(3));
}

TEST_F(AppDbImport, ReplaceTakesTheImportedRows)
{
    jetimport::SqliteTableSource source(m_old);
    const jetimport::AppImportReport report = jetimport::importAppDatabase(m_ctx, source, true);
    ASSERT_TRUE(report.error.isEmpty()) << report.error.toStdString();
    EXPECT_EQ(report.replaced, 2);
    EXPECT_EQ(value(QStringLiteral("SELECT 条件 FROM お気に入り WHERE 名称 = '共通'")), store::Value(QStringLiteral("old")));
    EXPECT_EQ(value(QStringLiteral("SELECT Count(*) FROM お気に入り WHERE 名称 = '共通'")), store::Value(1));
    EXPECT_EQ(value(QStringLiteral("SELECT 回収率値 FROM 色設定")), store::Value(120));
    EXPECT_EQ(value(QStringLiteral("SELECT Count(*) FROM 色設定")), store::Value(1));
}

TEST_F(AppDbImport, AFileThatIsNoApplicationDatabaseIsRefusedNamingIt)
{
    const QString empty = m_dir.filePath(QStringLiteral("empty.mdb"));
    QFile(empty).open(QIODevice::WriteOnly);
    const struct {
        QString file;
        const char* cause;
    } cases[] = {
        {m_dir.filePath(QStringLiteral("missing.mdb")), "does not exist"},
        {empty, "is not a Jet database (the file is empty)"},
        {QStringLiteral(TQ_JET_FIXTURES "/nwind.mdb"), "not an application database: it holds none of the tables お気に入り"},
    };
    const store::Value before = value(QStringLiteral("SELECT Count(*) FROM お気に入り"));
    for (const auto& c : cases) {
        const jetimport::AppImportReport report = jetimport::importAppDatabase(m_ctx, c.file, false);
        EXPECT_TRUE(report.error.startsWith(c.file)) << report.error.toStdString();
        EXPECT_TRUE(report.error.contains(QString::fromUtf8(c.cause))) << report.error.toStdString();
        EXPECT_TRUE(report.lines.isEmpty()) << report.lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(report.added, 0);
    }
    EXPECT_EQ(value(QStringLiteral("SELECT Count(*) FROM お気に入り")), before);
}

} // namespace
