#pragma once
// The table お気に入り with every column the schema upgrade gives it, and the
// add-in registry Sアドイン管理, for tests that build a small application
// database by hand.

#include "store/Database.h"

#include <QString>

namespace tq::support {

inline void createFavouriteTables(store::Database& db)
{
    db.execute(QString::fromUtf8("CREATE TABLE お気に入り (名称 CHAR(50), グループ名 CHAR(50), 条件 MEMO, ＷＨＥＲＥ文 MEMO, "
                 "総件数 LONG, [１着件数] LONG, [２着件数] LONG, [３着件数] LONG, 着外件数 LONG, 勝率 SINGLE, "
                 "連対率 SINGLE, 複勝率 SINGLE, 単回収率 SINGLE, 複回収率 SINGLE, コメント MEMO, 表示 BIT, "
                 "単平均配当 SINGLE, 単最高配当 SINGLE, 複平均配当 SINGLE, 複最高配当 SINGLE, "
                 "最高配当抜き単回収率 SINGLE, 最高配当抜き複回収率 SINGLE, レース件数 LONG, レース勝率 SINGLE, "
                 "レース連対率 SINGLE, レース複勝率 SINGLE, 平均頭数 SINGLE, 最低勝率 SINGLE, 最低連対率 SINGLE, "
                 "最低複勝率 SINGLE, 戻り均等単回収率 SINGLE, 戻り均等最低単回収率 SINGLE, 色 LONG, "
                 "登録日時 DATETIME, 作者名 CHAR(50))"));
    db.execute(QString::fromUtf8("CREATE TABLE Sアドイン管理 (ソフトID CHAR(20), 名称 CHAR(50), パス CHAR(255), "
                 "起動オプション CHAR(255), 買い目出力 CHAR(1))"));
}

} // namespace tq::support
