// The application database check and preparation: restore or initialise,
// compaction, relinking, schema upgrade, default rows, add-in registry.

#include "ShellFixture.h"

#include "appdb/DbLifecycle.h"
#include "appdb/Preparation.h"
#include "appdb/StartupAborted.h"
#include "common/DatabaseLock.h"
#include "store/Operations.h"

#include <QFileInfo>

using namespace tq::context;
using namespace tq::appdb;
using namespace tq::shell::testing;
using tq::store::Database;

namespace {

void prepare(AppContext& ctx)
{
    funDBChk(ctx);
    subDB_Init(ctx);
    countLinks(ctx);
    // Later contexts of a test prepare the same directory in this process.
    ctx.databaseLock.reset();
}

bool hasColumn(Database& db, const QString& table, const QString& column)
{
    return !db.declaredColumnType(table, column).isEmpty();
}

// The schema of the database's own tables and indexes, links left out.
QStringList ownSchema(Database& db)
{
    QStringList rows;
    tq::store::Recordset rs = db.openRecordset(
        QStringLiteral("select name, sql from sqlite_master where name not like 'MSys%' order by name"));
    for (; !rs.isEOF(); rs.moveNext())
        rows << rs.value(0).toText() + QLatin1Char('|') + rs.value(1).toText();
    return rows;
}

QStringList rowsOf(Database& db, const QString& sql)
{
    QStringList rows;
    tq::store::Recordset rs = db.openRecordset(sql);
    for (; !rs.isEOF(); rs.moveNext()) {
        QStringList cells;
        for (int i = 0; i < rs.fieldCount(); ++i)
            cells << rs.value(i).toText();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

class Preparation : public ::testing::Test {
protected:
    void SetUp() override
    {
        readSettings(c.ctx);
        dir.makeRaceData(c.ctx.catalogue);
    }
    ProgramDir dir;
    Context c{dir};
};

TEST_F(Preparation, FreshDirectoryGetsTheDatabaseLinksDefaultsAndRegistry)
{
    prepare(c.ctx);
    AppContext& ctx = c.ctx;
    Database& db = *ctx.appDb;

    EXPECT_EQ(ctx.preparation.source, PreparationReport::Source::Initial);
    EXPECT_EQ(ctx.preparation.compaction, PreparationReport::Compaction::Compacted);
    EXPECT_TRUE(QFileInfo::exists(dir.appDb()));
    EXPECT_EQ(ctx.preparation.linksRequested, 24);
    EXPECT_EQ(ctx.preparation.linksMade, 24) << ctx.preparation.missingLinks.join(u',').toStdString();
    EXPECT_EQ(scalar(db, QStringLiteral("select count(*) from D成績データ")), kResultRows);
    EXPECT_EQ(scalar(db, QStringLiteral("select count(*) from T番組データ")), kTodayRaces);
    EXPECT_EQ(scalar(db, QStringLiteral("select count(*) from H偏差値データ")), 0);

    // 色設定: exactly its one default row, which start-up reads.
    EXPECT_EQ(rowsOf(db, QStringLiteral("select * from 色設定")),
              QStringList{QStringLiteral("100|8421631|20|8453888|50|16744576|80|8454143")});
    readColourSettings(ctx);
    EXPECT_EQ(ctx.colours.values, ColourSettings{}.values);

    // 分析結果表示設定: the 26 result columns in order, size 10.
    const QStringList sizes = rowsOf(db, QStringLiteral("select 項目名, 表示順, サイズ from 分析結果表示設定 order by 表示順"));
    ASSERT_EQ(sizes.size(), 26);
    EXPECT_EQ(sizes.first(), QStringLiteral("総件数|1|10"));
    EXPECT_EQ(sizes.at(1), QStringLiteral("１着件数|2|10"));
    EXPECT_EQ(sizes.last(), QStringLiteral("戻り均等最低単回収率|26|10"));
    EXPECT_TRUE(db.hasTable(QStringLiteral("一覧表示設定")));

    for (const char* column : {"表示", "単平均配当", "レース件数", "戻り均等最低単回収率", "色", "登録日時", "作者名"})
        EXPECT_TRUE(hasColumn(db, QStringLiteral("お気に入り"), QString::fromUtf8(column))) << column;
    EXPECT_TRUE(hasColumn(db, QStringLiteral("お気に入り直前なし"), QStringLiteral("作者名")));
    EXPECT_TRUE(hasColumn(db, QStringLiteral("Tお気に入り該当馬"), QStringLiteral("お気に入り名称")));
    EXPECT_FALSE(hasColumn(db, QStringLiteral("Tお気に入り該当馬"), QStringLiteral("名称")));

    EXPECT_EQ(rowsOf(db, QStringLiteral("select ソフトID, 名称, パス, 起動オプション, 買い目出力 from Sアドイン管理 order by ソフトID")),
              (QStringList{QStringLiteral("DEVovuved|過去データ分析|") + dir.appFile("DEVovuved") + QStringLiteral("||0"),
                           QStringLiteral("ZAVozivuzar|本日のお気に入り|") + dir.appFile("ZAVozivuzar") + QStringLiteral("||0")}));
    EXPECT_EQ(rowsOf(db, QStringLiteral("select * from Sアドイン項目管理 order by 項目名")),
              (QStringList{QStringLiteral("ZAVozivuzar|B|") + dir.appDb() + QStringLiteral("|Tお気に入り該当馬|お気に入り件数|お気に入りに該当した件数"),
                           QStringLiteral("ZAVozivuzar|B|") + dir.appDb()
                               + QStringLiteral("|Tお気に入り該当馬|お気に入り名称|該当したお気に入りの名称（複数ある場合はカンマでつなげて表示）")}));

    EXPECT_EQ(c.prompter.texts(), QStringList{}); // no TBFldAdd failure, no compaction problem
    EXPECT_EQ(c.busy.lastText(), QStringLiteral("アドイン管理登録終了しました"));
    EXPECT_EQ(QDir(dir.appDir).entryList({QStringLiteral("*.MDB")}, QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("DEVovuved.mdb"), QStringLiteral("DEVovuved_init.mdb"), QStringLiteral("VUDevuzI.mdb")}))
        << "no work file or kept file left";
}

TEST_F(Preparation, SecondRunChangesNothingButLinksAndAddinRows)
{
    prepare(c.ctx);
    EXPECT_FALSE(c.ctx.preparation.upgrades.isEmpty());
    Database& db = *c.ctx.appDb;
    db.execute(QStringLiteral("INSERT INTO お気に入り (名称, グループ名, 表示) VALUES ('本命', 'G', True)"));
    db.execute(QStringLiteral("UPDATE 色設定 SET 勝率値 = 25"));
    db.execute(QStringLiteral("INSERT INTO Sアドイン管理 (ソフトID, 名称) VALUES ('REDivor', 'グラフ')"));
    const QStringList schema = ownSchema(db);
    const QStringList data = rowsOf(db, QStringLiteral("select * from お気に入り"))
        + rowsOf(db, QStringLiteral("select * from 色設定")) + rowsOf(db, QStringLiteral("select * from 分析結果表示設定"));
    c.ctx.appDb.reset();

    Context again(dir);
    readSettings(again.ctx);
    prepare(again.ctx);
    Database& db2 = *again.ctx.appDb;
    EXPECT_EQ(again.ctx.preparation.source, PreparationReport::Source::Present);
    EXPECT_EQ(again.ctx.preparation.upgrades, QStringList{});
    EXPECT_EQ(ownSchema(db2), schema);
    EXPECT_EQ(rowsOf(db2, QStringLiteral("select * from お気に入り")) + rowsOf(db2, QStringLiteral("select * from 色設定"))
                  + rowsOf(db2, QStringLiteral("select * from 分析結果表示設定")),
              data);
    EXPECT_EQ(rowsOf(db2, QStringLiteral("select ソフトID from Sアドイン管理 order by ソフトID")),
              (QStringList{QStringLiteral("DEVovuved"), QStringLiteral("REDivor"), QStringLiteral("ZAVozivuzar")}));
    EXPECT_EQ(scalar(db2, QStringLiteral("select count(*) from Sアドイン項目管理 where ソフトID='ZAVozivuzar'")), 2);
    EXPECT_EQ(again.ctx.preparation.linksMade, 24);
    EXPECT_EQ(scalar(db2, QStringLiteral("select count(*) from D成績データ")), kResultRows);
}

TEST_F(Preparation, OldFavouritesAreShownAfterTheUpgrade)
{
    ASSERT_TRUE(funDBChk(c.ctx));
    {
        auto db = Database::open(dir.appDb());
        db->execute(QStringLiteral("INSERT INTO お気に入り (名称, グループ名) VALUES ('A', 'G')"));
        db->execute(QStringLiteral("INSERT INTO お気に入り (名称, グループ名) VALUES ('B', 'G')"));
    }
    subDB_Init(c.ctx);
    EXPECT_EQ(rowsOf(*c.ctx.appDb, QStringLiteral("select 名称, 表示 from お気に入り order by 名称")),
              (QStringList{QStringLiteral("A|-1"), QStringLiteral("B|-1")}));
}

TEST_F(Preparation, ExistingSettingsTablesKeepTheirRowsAndMissingOptionalTablesStayMissing)
{
    ASSERT_TRUE(funDBChk(c.ctx));
    {
        auto db = Database::open(dir.appDb());
        db->execute(QStringLiteral("CREATE TABLE 分析結果表示設定 (項目名 CHAR(50), 表示順 LONG, サイズ SINGLE, PRIMARY KEY(項目名))"));
        db->execute(QStringLiteral("DROP TABLE お気に入り直前なし"));
    }
    subDB_Init(c.ctx);
    EXPECT_EQ(scalar(*c.ctx.appDb, QStringLiteral("select count(*) from 分析結果表示設定")), 0);
    EXPECT_FALSE(c.ctx.appDb->hasTable(QStringLiteral("お気に入り直前なし")));
    EXPECT_EQ(scalar(*c.ctx.appDb, QStringLiteral("select count(*) from 色設定")), 1);
    EXPECT_EQ(c.prompter.texts(), QStringList{});
}

TEST_F(Preparation, MissingAddinRegistryEndsStartUp)
{
    ASSERT_TRUE(funDBChk(c.ctx));
    Database::open(dir.appDb())->execute(QStringLiteral("DROP TABLE Sアドイン管理"));
    try {
        subDB_Init(c.ctx);
        FAIL() << "expected StartupAborted";
    } catch (const StartupAborted& e) {
        EXPECT_EQ(e.procedure(), QStringLiteral("subDB_Set"));
    }
    const auto entries = c.ctx.errorLog.recentEntries();
    ASSERT_FALSE(entries.isEmpty());
    EXPECT_EQ(entries.last().procedure, QStringLiteral("subDB_Set"));
}

// Which file funDBChk uses when the database is missing.
struct SourceCase {
    const char* name;
    bool present, backup, initial;
    bool expectedResult;
    PreparationReport::Source expected;
    const char* message; // shown before the end of start-up, or nullptr
};

class DatabaseCheck : public ::testing::TestWithParam<SourceCase> {};

TEST_P(DatabaseCheck, PicksTheRightSource)
{
    const SourceCase& tc = GetParam();
    ProgramDir dir(tc.initial);
    Context c(dir);
    readSettings(c.ctx);
    // Each candidate carries a marker table, so the copy's origin shows.
    auto makeDb = [](const QString& path, const QString& marker) {
        auto db = Database::create(path);
        db->execute(QStringLiteral("CREATE TABLE お気に入り (名称 CHAR(50))"));
        db->execute(QStringLiteral("CREATE TABLE ") + marker + QStringLiteral(" (x LONG)"));
    };
    if (tc.present)
        makeDb(dir.appDb(), QStringLiteral("既存"));
    if (tc.backup)
        makeDb(dir.appFile("DEVovuved.mdb.001"), QStringLiteral("バックアップ"));

    if (tc.message) {
        EXPECT_THROW(funDBChk(c.ctx), StartupAborted);
        EXPECT_EQ(c.prompter.texts(), QStringList{QString::fromUtf8(tc.message)});
        EXPECT_FALSE(QFileInfo::exists(dir.appDb()));
        return;
    }
    EXPECT_EQ(funDBChk(c.ctx), tc.expectedResult);
    EXPECT_EQ(c.ctx.preparation.source, tc.expected);
    auto db = Database::open(dir.appDb());
    switch (tc.expected) {
    case PreparationReport::Source::Present: EXPECT_TRUE(db->hasTable(QStringLiteral("既存"))); break;
    case PreparationReport::Source::Backup: EXPECT_TRUE(db->hasTable(QStringLiteral("バックアップ"))); break;
    case PreparationReport::Source::Initial: EXPECT_TRUE(db->hasTable(QStringLiteral("お気に入り"))); break;
    case PreparationReport::Source::NotChecked: break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, DatabaseCheck,
    ::testing::Values(
        SourceCase{"Present", true, true, true, false, PreparationReport::Source::Present, nullptr},
        SourceCase{"BackupPreferredOverInitial", false, true, true, true, PreparationReport::Source::Backup, nullptr},
        SourceCase{"InitialWithoutBackup", false, false, true, true, PreparationReport::Source::Initial, nullptr},
        SourceCase{"Nothing", false, false, false, false, PreparationReport::Source::NotChecked,
                   "初期化用データベースが存在しません。再セットアップを行って下さい"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
