#pragma once
// A small application database for the favourites tests: the hand-built race
// tables of tests/support with two races, the table お気に入り with every
// column the schema upgrade gives it, and the add-in registry.

#include "analysis/AnalysisDocument.h"
#include "shell/AppContext.h"
#include "shell/ScriptedPrompter.h"
#include "store/Database.h"
#include "support/RaceTables.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <ostream>

static inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tq::favourites {

inline QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

inline void createFavouriteTables(store::Database& db)
{
    db.execute(s("CREATE TABLE お気に入り (名称 CHAR(50), グループ名 CHAR(50), 条件 MEMO, ＷＨＥＲＥ文 MEMO, "
                 "総件数 LONG, [１着件数] LONG, [２着件数] LONG, [３着件数] LONG, 着外件数 LONG, 勝率 SINGLE, "
                 "連対率 SINGLE, 複勝率 SINGLE, 単回収率 SINGLE, 複回収率 SINGLE, コメント MEMO, 表示 BIT, "
                 "単平均配当 SINGLE, 単最高配当 SINGLE, 複平均配当 SINGLE, 複最高配当 SINGLE, "
                 "最高配当抜き単回収率 SINGLE, 最高配当抜き複回収率 SINGLE, レース件数 LONG, レース勝率 SINGLE, "
                 "レース連対率 SINGLE, レース複勝率 SINGLE, 平均頭数 SINGLE, 最低勝率 SINGLE, 最低連対率 SINGLE, "
                 "最低複勝率 SINGLE, 戻り均等単回収率 SINGLE, 戻り均等最低単回収率 SINGLE, 色 LONG, "
                 "登録日時 DATETIME, 作者名 CHAR(50))"));
    db.execute(s("CREATE TABLE Sアドイン管理 (ソフトID CHAR(20), 名称 CHAR(50), パス CHAR(255), "
                 "起動オプション CHAR(255), 買い目出力 CHAR(1))"));
}

class FavouritesTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        support::addDistanceItem(ctx.catalogue);
        ctx.catalogue.appDir = dir.path();
        ctx.appDb = store::Database::create(dir.filePath(s("app.mdb")));
        support::createRaceTables(*ctx.appDb);
        createFavouriteTables(*ctx.appDb);
        support::addRace(*ctx.appDb, s("R1"), 1200, 4);
        support::addRace(*ctx.appDb, s("R2"), 1600, 5);
    }

    // A document with one 距離 condition, analysed when `run`.
    void makeDocument(analysis::AnalysisDocument& doc, const QString& range, bool run);

    store::Database& db() { return *ctx.appDb; }

    QTemporaryDir dir;
    shell::ScriptedPrompter prompter;
    shell::SilentBusy busy;
    shell::AppContext ctx{prompter, busy};
};

} // namespace tq::favourites
