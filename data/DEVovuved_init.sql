-- Schema of the initial application database DEVovuved_init.mdb.
-- One Jet statement per line; lines starting with "--" and blank lines are skipped.
-- The favourites table holds the columns of the first release only: the start-up
-- preparation adds 表示, the sixteen later statistics, 色, 登録日時 and 作者名
-- (and 作者名 to お気に入り直前なし), so every fresh copy goes through that upgrade.
-- Tお気に入り該当馬 likewise still has its old column 名称, which the preparation
-- replaces by お気に入り名称. 色設定, 分析結果表示設定 and 一覧表示設定 are created with
-- their default rows by the preparation, so they are not here.

CREATE TABLE お気に入り (名称 CHAR(50), グループ名 CHAR(50), 条件 MEMO, ＷＨＥＲＥ文 MEMO, 総件数 LONG, [１着件数] LONG, [２着件数] LONG, [３着件数] LONG, 着外件数 LONG, 勝率 SINGLE, 連対率 SINGLE, 複勝率 SINGLE, 単回収率 SINGLE, 複回収率 SINGLE, コメント MEMO)
CREATE INDEX 名称 ON お気に入り (名称)
CREATE INDEX グループ名 ON お気に入り (グループ名)

CREATE TABLE お気に入り直前なし (名称 CHAR(50), グループ名 CHAR(50), 表示 BIT, 条件 MEMO, ＷＨＥＲＥ文 MEMO, 総件数 LONG, [１着件数] LONG, [２着件数] LONG, [３着件数] LONG, 着外件数 LONG, 勝率 SINGLE, 連対率 SINGLE, 複勝率 SINGLE, 単回収率 SINGLE, 複回収率 SINGLE, 単平均配当 SINGLE, 単最高配当 SINGLE, 複平均配当 SINGLE, 複最高配当 SINGLE, 最高配当抜き単回収率 SINGLE, 最高配当抜き複回収率 SINGLE, レース件数 LONG, レース勝率 SINGLE, レース連対率 SINGLE, レース複勝率 SINGLE, 平均頭数 SINGLE, 最低勝率 SINGLE, 最低連対率 SINGLE, 最低複勝率 SINGLE, 戻り均等単回収率 SINGLE, 戻り均等最低単回収率 SINGLE, コメント MEMO, 直前省略有無 SHORT)

CREATE TABLE Sアドイン管理 (ソフトID CHAR(20), 名称 CHAR(50), パス CHAR(255), 起動オプション CHAR(255), 買い目出力 CHAR(1), CONSTRAINT PRIKEY PRIMARY KEY (ソフトID))

CREATE TABLE Sアドイン項目管理 (ソフトID CHAR(20), 区分 CHAR(1), MDB名 CHAR(255), テーブル名 CHAR(64), 項目名 CHAR(64), 説明 CHAR(255))
CREATE INDEX テーブル名 ON Sアドイン項目管理 (テーブル名)

CREATE TABLE Tお気に入り該当馬 (レースキー CHAR(8), 馬番 CHAR(2), 競走成績キー CHAR(16), 馬名 CHAR(18), お気に入り件数 LONG, 名称 CHAR(255), CONSTRAINT PRIKEY PRIMARY KEY (レースキー, 馬番))
