// The Jet dialect table: each row is a Jet statement, the SQLite text it must
// become (compared token by token, ignoring blanks and letter case of words),
// and the rows Jet gives for it, checked by running the translation on a small
// fixture database with the Jet functions and collation registered.

#include "store/DbError.h"
#include "store/JetExtensions.h"
#include "store/JetTranslator.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using tq::store::DbError;
using tq::store::translateJetParameterized;
using tq::store::translateJetStatements;

// Every case is translated. A refused statement (sqlite nullptr) stops there:
// there is nothing to run. Every other case is run and its rows compared. Only
// a plain query on the fixture (no setup, no check) is also run with its
// literals bound: a case with a check changes the database or builds its own,
// so running it twice would not compare like with like.
struct DialectCase {
    const char* id;
    const char* jet;
    const char* sqlite; // expected translation; nullptr: the translator must refuse (not run)
    const char* setup;  // statements run on an empty database instead of the fixture
    const char* check;  // query (or "stmt; ...; query") whose rows are compared; "<query>" = the translation
    const char* rows;   // expected rows, "(a, b) (c, d)"; "" = none; nullptr only for a refusal
    bool anyOrder;
};

const DialectCase kCases[] = {
    {"A01", R"sql(SELECT D番組データ.レースキー, D競走馬データ.馬番 FROM ((D番組データ INNER JOIN D競走馬データ ON D番組データ.レースキー = D競走馬データ.レースキー) INNER JOIN D払戻情報データ ON D番組データ.レースキー = D払戻情報データ.レースキー) INNER JOIN D成績データ ON (D競走馬データ.レースキー = D成績データ.レースキー) AND (D競走馬データ.馬番 = D成績データ.馬番) WHERE K >= 1 AND K <=3 AND (J = 'c2') ORDER BY D番組データ.レースキー)sql",
     R"sql(SELECT D番組データ.レースキー, D競走馬データ.馬番 FROM ((D番組データ INNER JOIN D競走馬データ ON D番組データ.レースキー = D競走馬データ.レースキー) INNER JOIN D払戻情報データ ON D番組データ.レースキー = D払戻情報データ.レースキー) INNER JOIN D成績データ ON (D競走馬データ.レースキー = D成績データ.レースキー) AND (D競走馬データ.馬番 = D成績データ.馬番) WHERE K >= 1 AND K <=3 AND (J = 'c2') ORDER BY D番組データ.レースキー)sql",
     nullptr, nullptr,
     R"sql(('20230105', 1) ('20230105', 2) ('20230106', 1))sql", true},
    {"A02", R"sql(SELECT e & " - " & Z AS k FROM D番組データ ORDER BY レースキー)sql",
     R"sql(SELECT jet_cat(e, ' - ', Z) AS k FROM D番組データ ORDER BY レースキー)sql",
     nullptr, nullptr,
     R"sql(('A - ') (' - ') ('B - Z') ('E - F'))sql", false},
    {"A03", R"sql(SELECT [１着件数], D払戻情報データ.[３連複組合せ１] FROM D払戻情報データ WHERE [１着件数] > 1 ORDER BY D払戻情報データ.[３連複組合せ１])sql",
     R"sql(SELECT [１着件数], D払戻情報データ.[３連複組合せ１] FROM D払戻情報データ WHERE [１着件数] > 1 ORDER BY D払戻情報データ.[３連複組合せ１])sql",
     nullptr, nullptr,
     R"sql((3, '010203') (2, '030405'))sql", false},
    {"A04", R"sql(SELECT レースキー FROM D番組データ WHERE Z Is Null ORDER BY レースキー)sql",
     R"sql(SELECT レースキー FROM D番組データ WHERE Z Is Null ORDER BY レースキー)sql",
     nullptr, nullptr,
     R"sql(('20230105') ('20230106'))sql", false},
    {"A05", R"sql(delete * from お気に入り直前なし)sql",
     R"sql(delete from お気に入り直前なし)sql",
     nullptr, R"sql(SELECT count(*) FROM お気に入り直前なし)sql",
     R"sql((0))sql", false},
    {"A06", R"sql(update お気に入り set 表示=True)sql",
     R"sql(update お気に入り set 表示=-1)sql",
     nullptr, R"sql(SELECT 表示 FROM お気に入り ORDER BY 名称)sql",
     R"sql((-1) (-1))sql", false},
    {"A07", R"sql(select * from お気に入り where 表示=True)sql",
     R"sql(select * from お気に入り where 表示=-1)sql",
     nullptr, nullptr,
     R"sql(('b', -1))sql", false},
    {"A08", R"sql(ALTER TABLE お気に入り ADD COLUMN 表示 BIT)sql",
     R"sql(ALTER TABLE お気に入り ADD COLUMN 表示 INTEGER BIT NOT NULL DEFAULT 0)sql",
     R"sql(CREATE TABLE お気に入り (名称 TEXT(50) COLLATE JET); INSERT INTO お気に入り VALUES ('a');)sql", R"sql(SELECT 表示, typeof(表示) FROM お気に入り)sql",
     R"sql((0, 'integer'))sql", false},
    {"A09", R"sql(ALTER TABLE Tお気に入り該当馬 ADD COLUMN お気に入り名称 CHAR 255)sql",
     R"sql(ALTER TABLE Tお気に入り該当馬 ADD COLUMN お気に入り名称 CHAR(255) COLLATE JET)sql",
     R"sql(CREATE TABLE Tお気に入り該当馬 (名称 TEXT(50) COLLATE JET);)sql", R"sql(INSERT INTO Tお気に入り該当馬 VALUES ('x', '0123'); SELECT お気に入り名称, typeof(お気に入り名称) FROM Tお気に入り該当馬)sql",
     R"sql(('0123', 'text'))sql", false},
    {"A10", R"sql(ALTER TABLE Tお気に入り該当馬 DROP COLUMN 名称)sql",
     R"sql(ALTER TABLE Tお気に入り該当馬 DROP COLUMN 名称)sql",
     R"sql(CREATE TABLE Tお気に入り該当馬 (名称 TEXT(50) COLLATE JET, お気に入り名称 CHAR(255) COLLATE JET);)sql", R"sql(SELECT group_concat(name) FROM pragma_table_info('Tお気に入り該当馬'))sql",
     R"sql(('お気に入り名称'))sql", false},
    {"A11", R"sql(ALTER TABLE T ADD COLUMN c順位 INTEGER)sql",
     R"sql(ALTER TABLE T ADD COLUMN c順位 INTEGER)sql",
     R"sql(CREATE TABLE T (レースキー CHAR(8) COLLATE JET);)sql", R"sql(INSERT INTO T VALUES ('a', '7'); SELECT typeof(c順位) FROM T)sql",
     R"sql(('integer'))sql", false},
    {"A12", R"sql(CREATE TABLE 色設定   (回収率値 LONG , 回収率色 LONG))sql",
     R"sql(CREATE TABLE 色設定   (回収率値 INTEGER LONG , 回収率色 INTEGER LONG))sql",
     nullptr, R"sql(INSERT INTO 色設定 VALUES ('0123', 5.0); SELECT typeof(回収率値), 回収率値, typeof(回収率色) FROM 色設定)sql",
     R"sql(('integer', 123, 'integer'))sql", false},
    {"A13", R"sql(CREATE TABLE 分析結果表示設定   (項目名 CHAR(50),表示順 LONG,サイズ SINGLE ,PRIMARY KEY(項目名 )))sql",
     R"sql(CREATE TABLE 分析結果表示設定   (項目名 CHAR(50) COLLATE JET NOT NULL,表示順 INTEGER LONG,サイズ REAL SINGLE ,PRIMARY KEY(項目名 )))sql",
     nullptr, R"sql(INSERT INTO 分析結果表示設定 VALUES ('総件数', 1, 10); SELECT typeof(サイズ), サイズ / 4 FROM 分析結果表示設定)sql",
     R"sql(('real', 2.5))sql", false},
    {"A14", R"sql(CREATE TABLE T (レースキー CHAR(8), 馬番 LONG, CONSTRAINT PRIKEY PRIMARY KEY (レースキー,馬番)))sql",
     R"sql(CREATE TABLE T (レースキー CHAR(8) COLLATE JET NOT NULL, 馬番 INTEGER LONG NOT NULL, CONSTRAINT PRIKEY PRIMARY KEY (レースキー,馬番)))sql",
     nullptr, R"sql(INSERT INTO T VALUES ('abc', 1); INSERT OR IGNORE INTO T VALUES ('ＡＢＣ', 1); INSERT OR IGNORE INTO T VALUES (NULL, 2); SELECT count(*) FROM T)sql",
     R"sql((1))sql", false},
    {"A15", R"sql(drop TABLE N)sql",
     R"sql(drop TABLE N)sql",
     R"sql(CREATE TABLE N (a);)sql", R"sql(SELECT count(*) FROM sqlite_schema WHERE name = 'N')sql",
     R"sql((0))sql", false},
    {"A16", R"sql(INSERT INTO 分析結果表示設定 VALUES ('総件数' , 1,10 ))sql",
     R"sql(INSERT INTO 分析結果表示設定 VALUES ('総件数' , 1,10 ))sql",
     nullptr, R"sql(SELECT 表示順, サイズ, typeof(サイズ) FROM 分析結果表示設定 WHERE 項目名 = '総件数')sql",
     R"sql((1, 10.0, 'real'))sql", false},
    {"A17", R"sql(UPDATE 分析結果表示設定 SET サイズ=12.5 WHERE 項目名='勝率')sql",
     R"sql(UPDATE 分析結果表示設定 SET サイズ=12.5 WHERE 項目名='勝率')sql",
     nullptr, R"sql(SELECT サイズ FROM 分析結果表示設定 WHERE 項目名 = '勝率')sql",
     R"sql((12.5))sql", false},
    {"A18", R"sql(SELECT 設定名 FROM 一覧表示設定 GROUP BY 設定名)sql",
     R"sql(SELECT 設定名 FROM 一覧表示設定 GROUP BY 設定名)sql",
     nullptr, R"sql(SELECT count(*) FROM (<query>))sql",
     R"sql((2))sql", false},
    {"A19", R"sql(SELECT レースキー FROM T番組データ WHERE T番組データ.レースキー in (select D番組データ.レースキー FROM D番組データ INNER JOIN D競走馬データ ON D番組データ.レースキー = D競走馬データ.レースキー group by D番組データ.レースキー HAVING COUNT(D競走馬データ.馬番) >1) ORDER BY レースキー)sql",
     R"sql(SELECT レースキー FROM T番組データ WHERE T番組データ.レースキー in (select D番組データ.レースキー FROM D番組データ INNER JOIN D競走馬データ ON D番組データ.レースキー = D競走馬データ.レースキー group by D番組データ.レースキー HAVING COUNT(D競走馬データ.馬番) >1) ORDER BY レースキー)sql",
     nullptr, nullptr,
     R"sql(('20230105') ('20230107'))sql", false},
    {"A20", R"sql(SELECT D番組データ.レースキー, D払戻情報データ.[１着件数], D成績データ.着順 FROM (D番組データ LEFT JOIN D払戻情報データ ON D番組データ.レースキー = D払戻情報データ.レースキー) LEFT JOIN D成績データ ON D払戻情報データ.レースキー = D成績データ.レースキー WHERE D成績データ.馬番 = 1 Or D成績データ.馬番 Is Null ORDER BY D番組データ.レースキー)sql",
     R"sql(SELECT D番組データ.レースキー, D払戻情報データ.[１着件数], D成績データ.着順 FROM (D番組データ LEFT JOIN D払戻情報データ ON D番組データ.レースキー = D払戻情報データ.レースキー) LEFT JOIN D成績データ ON D払戻情報データ.レースキー = D成績データ.レースキー WHERE D成績データ.馬番 = 1 Or D成績データ.馬番 Is Null ORDER BY D番組データ.レースキー)sql",
     nullptr, nullptr,
     R"sql(('20230105', 3, 1) ('20230106', 1, 2) ('20230107', 2, 1) ('20230108', NULL, NULL))sql", false},
    {"A21", R"sql(SELECT D番組データ.レースキー FROM D番組データ INNER JOIN (D競走馬データ INNER JOIN D成績データ ON D競走馬データ.レースキー = D成績データ.レースキー AND D競走馬データ.馬番 = D成績データ.馬番) ON D番組データ.レースキー = D競走馬データ.レースキー WHERE D成績データ.着順 = 1 ORDER BY D番組データ.レースキー)sql",
     R"sql(SELECT D番組データ.レースキー FROM D番組データ INNER JOIN (D競走馬データ INNER JOIN D成績データ ON D競走馬データ.レースキー = D成績データ.レースキー AND D競走馬データ.馬番 = D成績データ.馬番) ON D番組データ.レースキー = D競走馬データ.レースキー WHERE D成績データ.着順 = 1 ORDER BY D番組データ.レースキー)sql",
     nullptr, nullptr,
     R"sql(('20230105') ('20230107'))sql", false},
    {"L01", R"sql(SELECT "say ""hi""" FROM One)sql",
     R"sql(SELECT 'say "hi"' FROM One)sql",
     nullptr, nullptr,
     R"sql(('say "hi"'))sql", false},
    {"L02", R"sql(SELECT "O'Brien" FROM One)sql",
     R"sql(SELECT 'O''Brien' FROM One)sql",
     nullptr, nullptr,
     R"sql(('O'Brien'))sql", false},
    {"L03", R"sql(SELECT Null & Null, Null & "a" FROM One)sql",
     R"sql(SELECT jet_cat(Null, Null), jet_cat(Null, 'a') FROM One)sql",
     nullptr, nullptr,
     R"sql((NULL, 'a'))sql", false},
    {"L04", R"sql(SELECT "v=" & サイズ FROM 分析結果表示設定 WHERE 項目名 = "勝率")sql",
     R"sql(SELECT jet_cat('v=', サイズ) FROM 分析結果表示設定 WHERE 項目名 = '勝率')sql",
     nullptr, nullptr,
     R"sql(('v=10'))sql", false},
    {"L05", R"sql(SELECT "Check " & 123 & " Check" FROM One)sql",
     R"sql(SELECT jet_cat('Check ', 123, ' Check') FROM One)sql",
     nullptr, nullptr,
     R"sql(('Check 123 Check'))sql", false},
    {"L06", R"sql(SELECT レースキー FROM D番組データ WHERE 日付 >= #1/6/2023# ORDER BY レースキー)sql",
     R"sql(SELECT レースキー FROM D番組データ WHERE 日付 >= 44932.0 ORDER BY レースキー)sql",
     nullptr, nullptr,
     R"sql(('20230106') ('20230107'))sql", false},
    {"L07", R"sql(SELECT #1/5/2023 12:00:00# FROM One)sql",
     R"sql(SELECT 44931.5 FROM One)sql",
     nullptr, nullptr,
     R"sql((44931.5))sql", false},
    {"L08", R"sql(SELECT 名称 FROM お気に入り WHERE 表示 = False)sql",
     R"sql(SELECT 名称 FROM お気に入り WHERE 表示 = 0)sql",
     nullptr, nullptr,
     R"sql(('a'))sql", false},
    {"L09", R"sql(SELECT 5--3 FROM One)sql",
     R"sql(SELECT 5- -3 FROM One)sql",
     nullptr, nullptr,
     R"sql((8))sql", false},
    {"L10", R"sql(SELECT * FROM お気に入り WHERE 名称 = ?)sql",
     nullptr,
     nullptr, nullptr,
     nullptr, false},
    {"L11", R"sql(SELECT * FROM お気に入り; DROP TABLE お気に入り)sql",
     nullptr,
     nullptr, nullptr,
     nullptr, false},
    {"S01", R"sql(DELETE お気に入り.* FROM お気に入り WHERE 表示=False)sql",
     R"sql(DELETE FROM お気に入り WHERE 表示=0)sql",
     nullptr, R"sql(SELECT 名称 FROM お気に入り)sql",
     R"sql(('b'))sql", false},
    {"S02", R"sql(SELECT DISTINCTROW 名称 FROM お気に入り ORDER BY 名称)sql",
     R"sql(SELECT 名称 FROM お気に入り ORDER BY 名称)sql",
     nullptr, nullptr,
     R"sql(('a') ('b'))sql", false},
    {"S03", R"sql(SELECT TOP 2 name, gpa FROM s ORDER BY gpa DESC)sql",
     R"sql(SELECT name, gpa FROM (SELECT name, gpa, RANK() OVER (ORDER BY gpa DESC) AS jet_top_rank FROM s) WHERE jet_top_rank <= 2 ORDER BY jet_top_rank)sql",
     nullptr, nullptr,
     R"sql(('a', 4.0) ('b', 3.5) ('c', 3.5))sql", true},
    {"S04", R"sql(SELECT TOP 1 項目名 FROM 分析結果表示設定)sql",
     R"sql(SELECT 項目名 FROM 分析結果表示設定 LIMIT 1)sql",
     nullptr, nullptr,
     R"sql(('勝率'))sql", false},
    {"S05", R"sql(SELECT 項目名, 表示順 INTO 退避 FROM 分析結果表示設定)sql",
     R"sql(CREATE TABLE 退避 (項目名 CHAR(50) COLLATE JET, 表示順 INTEGER LONG); INSERT INTO 退避 (項目名, 表示順) SELECT 項目名, 表示順 FROM 分析結果表示設定)sql",
     nullptr, R"sql(SELECT 項目名, 表示順 FROM 退避)sql",
     R"sql(('勝率', 2))sql", false},
    {"S06", R"sql(TRANSFORM Count(馬番) SELECT レースキー FROM D競走馬データ GROUP BY レースキー PIVOT 着順)sql",
     nullptr,
     nullptr, nullptr,
     nullptr, false},
    {"S07", R"sql(CREATE TABLE 履歴 (ID COUNTER CONSTRAINT pk PRIMARY KEY, 内容 TEXT(20)))sql",
     R"sql(CREATE TABLE 履歴 (ID INTEGER CONSTRAINT pk PRIMARY KEY AUTOINCREMENT, 内容 TEXT(20) COLLATE JET))sql",
     nullptr, R"sql(INSERT INTO 履歴 (内容) VALUES ('a'); INSERT INTO 履歴 (内容) VALUES ('b'); DELETE FROM 履歴 WHERE ID = 2; INSERT INTO 履歴 (内容) VALUES ('c'); SELECT ID FROM 履歴 ORDER BY ID)sql",
     R"sql((1) (3))sql", false},
    {"S08", R"sql(CREATE TABLE メモ (本文 MEMO))sql",
     R"sql(CREATE TABLE メモ (本文 TEXT MEMO COLLATE JET))sql",
     nullptr, R"sql(INSERT INTO メモ VALUES ('0123'); SELECT 本文, typeof(本文) FROM メモ)sql",
     R"sql(('0123', 'text'))sql", false},
    {"S09", R"sql(CREATE TABLE 日程 (日付 DATETIME))sql",
     R"sql(CREATE TABLE 日程 (日付 REAL DATETIME))sql",
     nullptr, R"sql(INSERT INTO 日程 VALUES (44931); SELECT 日付, typeof(日付) FROM 日程)sql",
     R"sql((44931.0, 'real'))sql", false},
    {"S10", R"sql(CREATE INDEX idx ON D成績データ (馬番))sql",
     R"sql(CREATE INDEX "D成績データ.idx" ON D成績データ (馬番))sql",
     nullptr, R"sql(SELECT name FROM sqlite_schema WHERE type = 'index' AND tbl_name = 'D成績データ')sql",
     R"sql(('D成績データ.idx'))sql", false},
    {"S11", R"sql(ALTER TABLE D成績データ ADD CONSTRAINT uq UNIQUE (レースキー, 馬番))sql",
     R"sql(CREATE UNIQUE INDEX "D成績データ.uq" ON D成績データ (レースキー, 馬番))sql",
     nullptr, R"sql(SELECT count(*) FROM sqlite_schema WHERE name = 'D成績データ.uq')sql",
     R"sql((1))sql", false},
    {"E01", R"sql(SELECT 10 / 4, 7 / 2 FROM One)sql",
     R"sql(SELECT CAST(10 AS REAL) / 4, CAST(7 AS REAL) / 2 FROM One)sql",
     nullptr, nullptr,
     R"sql((2.5, 3.5))sql", false},
    {"E02", R"sql(SELECT レースキー FROM D番組データ WHERE K / 2 = 1.5)sql",
     R"sql(SELECT レースキー FROM D番組データ WHERE CAST(K AS REAL) / 2 = 1.5)sql",
     nullptr, nullptr,
     R"sql(('20230107'))sql", false},
    // Division by zero gives Null (Jet would raise "Division by zero"): a row
    // whose divisor is 0 is neither selected by a comparison nor by its negation.
    {"E18", R"sql(SELECT 1 / 0, 0 / 0, Null / 0, 6 / (K - 1) FROM D番組データ WHERE レースキー = "20230105")sql",
     R"sql(SELECT CAST(1 AS REAL) / 0, CAST(0 AS REAL) / 0, CAST(Null AS REAL) / 0, CAST(6 AS REAL) / (K - 1) FROM D番組データ WHERE レースキー = '20230105')sql",
     nullptr, nullptr,
     R"sql((NULL, NULL, NULL, NULL))sql", false},
    {"E19", R"sql(SELECT レースキー, Not (6 / (K - 1) >= 3) FROM D番組データ WHERE 6 / (K - 1) >= 3 Or Not (6 / (K - 1) >= 3) ORDER BY レースキー)sql",
     R"sql(SELECT レースキー, -(Not (CAST(6 AS REAL) / (K - 1) >= 3)) FROM D番組データ WHERE CAST(6 AS REAL) / (K - 1) >= 3 Or Not (CAST(6 AS REAL) / (K - 1) >= 3) ORDER BY レースキー)sql",
     nullptr, nullptr,
     R"sql(('20230106', 0) ('20230107', 0) ('20230108', -1))sql", false},
    {"E03", R"sql(SELECT 11 \ 4, 9 \ 3, 100 \ 3 FROM One)sql",
     R"sql(SELECT jet_idiv(11, 4), jet_idiv(9, 3), jet_idiv(100, 3) FROM One)sql",
     nullptr, nullptr,
     R"sql((2, 3, 33))sql", false},
    {"E04", R"sql(SELECT 10 Mod 3, 12 Mod 4.3, 12.6 Mod 5, 19 Mod 6.7 FROM One)sql",
     R"sql(SELECT jet_mod(10, 3), jet_mod(12, 4.3), jet_mod(12.6, 5), jet_mod(19, 6.7) FROM One)sql",
     nullptr, nullptr,
     R"sql((1, 0, 3, 5))sql", false},
    {"E05", R"sql(SELECT 2 ^ 2, 3 ^ 3 ^ 3, (-5) ^ 3, -2 ^ 2 FROM One)sql",
     R"sql(SELECT jet_pow(2, 2), jet_pow(jet_pow(3, 3), 3), jet_pow((-5), 3), -jet_pow(2, 2) FROM One)sql",
     nullptr, nullptr,
     R"sql((4.0, 19683.0, -125.0, -4.0))sql", false},
    {"E06", R"sql(SELECT "34" + "6", Null + "a" FROM One)sql",
     R"sql(SELECT jet_add('34', '6'), jet_add(Null, 'a') FROM One)sql",
     nullptr, nullptr,
     R"sql(('346', NULL))sql", false},
    {"E07", R"sql(SELECT Sum(K > 1) FROM D番組データ)sql",
     R"sql(SELECT Sum(-(K > 1)) FROM D番組データ)sql",
     nullptr, nullptr,
     R"sql((-3))sql", false},
    {"E08", R"sql(SELECT レースキー FROM D番組データ WHERE K Between 3 And 1 ORDER BY レースキー)sql",
     R"sql(SELECT レースキー FROM D番組データ WHERE K Between 1 And 3 ORDER BY レースキー)sql",
     nullptr, nullptr,
     R"sql(('20230105') ('20230106') ('20230107'))sql", false},
    {"E09", R"sql(SELECT "aBBBa" Like "a*a", "ab" Like "a*b", "aBC" Like "ab*" FROM One)sql",
     R"sql(SELECT 'aBBBa' Like 'a*a', 'ab' Like 'a*b', 'aBC' Like 'ab*' FROM One)sql",
     nullptr, nullptr,
     R"sql((-1, -1, -1))sql", false},
    {"E10", R"sql(SELECT "BAT123khg" Like "B?T*", "CAT123khg" Like "B?T*", "a2a" Like "a#a", "aM5b" Like "a[L-P]#[!c-e]", "a*a" Like "a[*]a", "F" Like "[!A-Z]" FROM One)sql",
     R"sql(SELECT 'BAT123khg' Like 'B?T*', 'CAT123khg' Like 'B?T*', 'a2a' Like 'a#a', 'aM5b' Like 'a[L-P]#[!c-e]', 'a*a' Like 'a[*]a', 'F' Like '[!A-Z]' FROM One)sql",
     nullptr, nullptr,
     R"sql((-1, 0, -1, -1, -1, 0))sql", false},
    {"E11", R"sql(SELECT "abc" Like "a%", "a%" Like "a%" FROM One)sql",
     R"sql(SELECT 'abc' Like 'a%', 'a%' Like 'a%' FROM One)sql",
     nullptr, nullptr,
     R"sql((0, -1))sql", false},
    {"E12", R"sql(SELECT 馬名 FROM D競走馬データ WHERE 馬名 Not Like "*ab*" AND レースキー = "20230108")sql",
     R"sql(SELECT 馬名 FROM D競走馬データ WHERE 馬名 Not Like '*ab*' AND レースキー = '20230108')sql",
     nullptr, nullptr,
     R"sql()sql", false},
    {"E13", R"sql(SELECT count(*) FROM 一覧表示設定 WHERE 設定名 = "abc")sql",
     R"sql(SELECT count(*) FROM 一覧表示設定 WHERE 設定名 = 'abc')sql",
     nullptr, nullptr,
     R"sql((2))sql", false},
    {"E14", R"sql(SELECT count(*) FROM D競走馬データ WHERE 馬名 = "ｱｲﾉｶｾﾞ")sql",
     R"sql(SELECT count(*) FROM D競走馬データ WHERE 馬名 = 'ｱｲﾉｶｾﾞ')sql",
     nullptr, nullptr,
     R"sql((3))sql", false},
    {"E15", R"sql(SELECT count(*) FROM D競走馬データ WHERE Mid(馬名, 1, 2) = "AB")sql",
     R"sql(SELECT count(*) FROM D競走馬データ WHERE jet_mid(馬名, 1, 2) = 'AB' COLLATE JET)sql",
     nullptr, nullptr,
     R"sql((2))sql", false},
    {"E16", R"sql(SELECT count(*) FROM 一覧表示設定 WHERE 設定名 In ("abc", "xy"))sql",
     R"sql(SELECT count(*) FROM 一覧表示設定 WHERE 設定名 In ('abc', 'xy'))sql",
     nullptr, nullptr,
     R"sql((4))sql", false},
    {"E17", R"sql(SELECT Count(着順), Count(*) FROM D成績データ)sql",
     R"sql(SELECT Count(着順), Count(*) FROM D成績データ)sql",
     nullptr, nullptr,
     R"sql((3, 4))sql", false},
    {"F01", R"sql(SELECT Int(99.8), Fix(99.2), Int(-99.8), Fix(-99.8), Int(-8.4), Fix(-8.4) FROM One)sql",
     R"sql(SELECT jet_int(99.8), jet_fix(99.2), jet_int(-99.8), jet_fix(-99.8), jet_int(-8.4), jet_fix(-8.4) FROM One)sql",
     nullptr, nullptr,
     R"sql((99.0, 99.0, -100.0, -99.0, -9.0, -8.0))sql", false},
    {"F02", R"sql(SELECT レースキー FROM D番組データ WHERE INT(K * 0.6) = 1 ORDER BY レースキー)sql",
     R"sql(SELECT レースキー FROM D番組データ WHERE jet_int(K * 0.6) = 1 ORDER BY レースキー)sql",
     nullptr, nullptr,
     R"sql(('20230106') ('20230107'))sql", false},
    {"F03", R"sql(SELECT Val("2457"), Val(" 2 45 7"), Val("24 and 57"), Val("    1615 198th Street N.E."), Val("&HFFFF"), Val("12abc"), Val(" 1 2"), Val("abc") FROM One)sql",
     R"sql(SELECT jet_val('2457'), jet_val(' 2 45 7'), jet_val('24 and 57'), jet_val('    1615 198th Street N.E.'), jet_val('&HFFFF'), jet_val('12abc'), jet_val(' 1 2'), jet_val('abc') FROM One)sql",
     nullptr, nullptr,
     R"sql((2457, 2457, 24, 1615198, -1, 12, 12, 0))sql", false},
    {"F04", R"sql(SELECT CInt(0.5), CInt(1.5), CInt(2.5), CLng(-2.5) FROM One)sql",
     R"sql(SELECT jet_cint(0.5), jet_cint(1.5), jet_cint(2.5), jet_clng(-2.5) FROM One)sql",
     nullptr, nullptr,
     R"sql((0, 2, 2, -2))sql", false},
    {"F05", R"sql(SELECT Round(0.12345, 4), Round(0.12355, 4), Round(0.00005, 4) FROM One)sql",
     R"sql(SELECT jet_round(0.12345, 4), jet_round(0.12355, 4), jet_round(0.00005, 4) FROM One)sql",
     nullptr, nullptr,
     R"sql((0.1234, 0.1236, 0.0))sql", false},
    {"F06", R"sql(SELECT CStr(サイズ) FROM 分析結果表示設定 WHERE 項目名 = "勝率")sql",
     R"sql(SELECT jet_cstr(サイズ) FROM 分析結果表示設定 WHERE 項目名 = '勝率')sql",
     nullptr, nullptr,
     R"sql(('10'))sql", false},
    {"F07", R"sql(SELECT IIf(K > 1000, "Large", "Small") FROM D番組データ WHERE レースキー = "20230105")sql",
     R"sql(SELECT iif(K > 1000, 'Large', 'Small') FROM D番組データ WHERE レースキー = '20230105')sql",
     nullptr, nullptr,
     R"sql(('Small'))sql", false},
    {"F08", R"sql(SELECT IIf(K = 1, 0, 1 / (K - 1)) FROM D番組データ WHERE レースキー = "20230105")sql",
     R"sql(SELECT iif(K = 1, 0, CAST(1 AS REAL) / (K - 1)) FROM D番組データ WHERE レースキー = '20230105')sql",
     nullptr, nullptr,
     R"sql((0))sql", false},
    // A truth value returned by IIf is Jet's True (-1), whichever way it is written.
    {"F19", R"sql(SELECT レースキー, IIf(K = 1, K = 1, 0), IIf(K > 1, K > 1, 5), IIf(K = 1, True, False) FROM D番組データ WHERE K <= 2 ORDER BY レースキー)sql",
     R"sql(SELECT レースキー, iif(K = 1, -(K = 1), 0), iif(K > 1, -(K > 1), 5), iif(K = 1, -1, 0) FROM D番組データ WHERE K <= 2 ORDER BY レースキー)sql",
     nullptr, nullptr,
     R"sql(('20230105', -1, 5, -1) ('20230106', 0, -1, 0))sql", false},
    {"F09", R"sql(SELECT Nz(Z, "なし") FROM D番組データ WHERE レースキー = "20230105")sql",
     R"sql(SELECT jet_nz(Z, 'なし') FROM D番組データ WHERE レースキー = '20230105')sql",
     nullptr, nullptr,
     R"sql(('なし'))sql", false},
    {"F10", R"sql(SELECT IsNull(Z), IsNull(e) FROM D番組データ WHERE レースキー = "20230105")sql",
     R"sql(SELECT -(Z IS NULL), -(e IS NULL) FROM D番組データ WHERE レースキー = '20230105')sql",
     nullptr, nullptr,
     R"sql((-1, 0))sql", false},
    {"F11", R"sql(SELECT Len(馬名), Left(馬名, 2), Right(馬名, 2), Mid(馬名, 2), Right(馬名, 0) FROM D競走馬データ WHERE 馬名 = "xab")sql",
     R"sql(SELECT jet_len(馬名), jet_left(馬名, 2), jet_right(馬名, 2), jet_mid(馬名, 2), jet_right(馬名, 0) FROM D競走馬データ WHERE 馬名 = 'xab')sql",
     nullptr, nullptr,
     R"sql((3, 'xa', 'ab', 'ab', ''))sql", false},
    {"F12", R"sql(SELECT Mid(Z, 1, 2), Len(Z) FROM D番組データ WHERE レースキー = "20230105")sql",
     R"sql(SELECT jet_mid(Z, 1, 2), jet_len(Z) FROM D番組データ WHERE レースキー = '20230105')sql",
     nullptr, nullptr,
     R"sql((NULL, NULL))sql", false},
    {"F13", R"sql(SELECT InStr("abc", "c"), InStr("abc", ""), InStr("", "a"), InStr(5, "abc", "a"), InStr(Null, "a") FROM One)sql",
     R"sql(SELECT jet_instr('abc', 'c'), jet_instr('abc', ''), jet_instr('', 'a'), jet_instr(5, 'abc', 'a'), jet_instr(Null, 'a') FROM One)sql",
     nullptr, nullptr,
     R"sql((3, 1, 0, 0, NULL))sql", false},
    {"F14", R"sql(SELECT Format(5459.4, "##,##0.00"), Format(334.9, "###0.00"), Format(5, "0.00%"), Format(0.5, "0.00") FROM One)sql",
     R"sql(SELECT jet_format(5459.4, '##,##0.00'), jet_format(334.9, '###0.00'), jet_format(5, '0.00%'), jet_format(0.5, '0.00') FROM One)sql",
     nullptr, nullptr,
     R"sql(('5,459.40', '334.90', '500.00%', '0.50'))sql", false},
    {"F15", R"sql(SELECT Format(レースキー, "@@@@/@@/@@"), Format("HELLO", "<") FROM D番組データ WHERE レースキー = "20230105")sql",
     R"sql(SELECT jet_format(レースキー, '@@@@/@@/@@'), jet_format('HELLO', '<') FROM D番組データ WHERE レースキー = '20230105')sql",
     nullptr, nullptr,
     R"sql(('2023/01/05', 'hello'))sql", false},
    {"F16", R"sql(SELECT Format(日付, "yyyy/mm/dd") FROM D番組データ WHERE レースキー = "20230105")sql",
     R"sql(SELECT jet_format(日付, 'yyyy/mm/dd') FROM D番組データ WHERE レースキー = '20230105')sql",
     nullptr, nullptr,
     R"sql(('2023/01/05'))sql", false},
    {"F17", R"sql(SELECT Year(#1/5/2023#), Month(日付), Day(日付) FROM D番組データ WHERE レースキー = "20230105")sql",
     R"sql(SELECT jet_year(44931.0), jet_month(日付), jet_day(日付) FROM D番組データ WHERE レースキー = '20230105')sql",
     nullptr, nullptr,
     R"sql((2023, 1, 5))sql", false},
    {"F18", R"sql(SELECT Format(DateSerial(1990 - 10, 8 - 2, 1 - 1), "yyyy/mm/dd") FROM One)sql",
     R"sql(SELECT jet_format(jet_dateserial(1990 - 10, 8 - 2, 1 - 1), 'yyyy/mm/dd') FROM One)sql",
     nullptr, nullptr,
     R"sql(('1980/05/31'))sql", false},

};

const char* const kFixture = R"sql(
CREATE TABLE One (x INTEGER LONG);
INSERT INTO One VALUES (1);
CREATE TABLE 分析結果表示設定 (項目名 CHAR(50) COLLATE JET NOT NULL,表示順 INTEGER LONG,サイズ REAL SINGLE ,PRIMARY KEY(項目名 ));
INSERT INTO 分析結果表示設定 VALUES ('勝率', 2, 10);
CREATE TABLE お気に入り (名称 TEXT(50) COLLATE JET, 表示 INTEGER BIT NOT NULL DEFAULT 0);
INSERT INTO お気に入り VALUES ('a', 0), ('b', -1);
CREATE TABLE お気に入り直前なし (名称 TEXT(50) COLLATE JET);
INSERT INTO お気に入り直前なし VALUES ('x'), ('y');
CREATE TABLE 一覧表示設定 (設定名 TEXT(50) COLLATE JET, 項目 TEXT(50) COLLATE JET);
INSERT INTO 一覧表示設定 VALUES ('abc','x'),('ABC','y'),('ｘｙ','z'),('XY','w');
CREATE TABLE D番組データ (レースキー CHAR(8) COLLATE JET NOT NULL, K INTEGER LONG, J TEXT(10) COLLATE JET, e TEXT(20) COLLATE JET, Z TEXT(20) COLLATE JET, 日付 REAL DATETIME, PRIMARY KEY (レースキー));
INSERT INTO D番組データ VALUES ('20230105',1,'c2','A',NULL,44931.0),('20230106',2,'C2',NULL,NULL,44932.0),('20230107',3,'c3','B','Z',44933.0),('20230108',5,'c2','E','F',NULL);
CREATE TABLE D競走馬データ (レースキー CHAR(8) COLLATE JET NOT NULL, 馬番 INTEGER LONG NOT NULL, 馬名 TEXT(40) COLLATE JET, 着順 INTEGER LONG, CONSTRAINT PRIKEY PRIMARY KEY (レースキー,馬番));
INSERT INTO D競走馬データ VALUES ('20230105',1,'アイノカゼ',1),('20230105',2,'あいのかぜ',2),('20230106',1,'ｱｲﾉｶｾﾞ',NULL),('20230107',1,'ABC',3),('20230107',2,'ａｂｃ',1),('20230108',1,'xab',2);
CREATE TABLE D払戻情報データ (レースキー CHAR(8) COLLATE JET NOT NULL, [３連複組合せ１] CHAR(6) COLLATE JET, [１着件数] INTEGER LONG);
INSERT INTO D払戻情報データ VALUES ('20230105','010203',3),('20230106','020304',1),('20230107','030405',2);
CREATE TABLE D成績データ (レースキー CHAR(8) COLLATE JET, 馬番 INTEGER LONG, 着順 INTEGER LONG);
INSERT INTO D成績データ VALUES ('20230105',1,1),('20230105',2,NULL),('20230106',1,2),('20230107',1,1);
CREATE TABLE T番組データ (レースキー CHAR(8) COLLATE JET);
INSERT INTO T番組データ VALUES ('20230105'),('20230106'),('20230107'),('20230108');
CREATE TABLE s (name TEXT COLLATE JET, gpa DOUBLE);
INSERT INTO s VALUES ('a',4.0),('b',3.5),('c',3.5),('d',3.0);
)sql";

// Tokens of an SQL text: quoted texts whole, words upper-cased, operators.
QStringList sqlTokens(const QString& sql)
{
    QStringList out;
    qsizetype i = 0;
    const qsizetype n = sql.size();
    auto isWord = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c.unicode() >= 0x80; };
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            while (j < n) {
                if (sql[j] == close) {
                    if (close != QLatin1Char(']') && j + 1 < n && sql[j + 1] == close) {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            out << sql.mid(i, j - i);
        } else if (isWord(c) || (c == QLatin1Char('.') && i + 1 < n && sql[i + 1].isDigit())) {
            while (j < n && (isWord(sql[j]) || (sql[j] == QLatin1Char('.') && c.isDigit())))
                ++j;
            out << sql.mid(i, j - i).toUpper();
        } else {
            if (j < n && QStringLiteral("<=,>=,<>").split(QLatin1Char(',')).contains(sql.mid(i, 2)))
                ++j;
            out << sql.mid(i, j - i);
        }
        i = j;
    }
    return out;
}

QString realText(double v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    QString s = QString::fromLatin1(buf, int(r.ptr - buf));
    if (!s.contains(QLatin1Char('.')) && !s.contains(QLatin1Char('e')))
        s += QStringLiteral(".0");
    return s;
}

// One in-memory database with the Jet extensions.
class Db {
public:
    Db()
    {
        sqlite3_open(":memory:", &m_db);
        tq::store::registerJetExtensions(m_db);
    }
    ~Db() { sqlite3_close(m_db); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    // Runs a script; returns the error text or an empty text.
    QString exec(const QString& sql)
    {
        char* error = nullptr;
        const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error);
        QString message = rc == SQLITE_OK ? QString() : QString::fromUtf8(error ? error : sqlite3_errstr(rc));
        sqlite3_free(error);
        return message;
    }

    // Runs one query with bound values; rows as "(a, b) (c, d)".
    QString rows(const QString& sql, const QVariantList& bind = {}, bool sorted = false)
    {
        sqlite3_stmt* stmt = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, utf8.constData(), -1, &stmt, nullptr) != SQLITE_OK)
            return QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(m_db));
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(stmt, sqlite3_finalize);
        for (int i = 0; i < bind.size(); ++i) {
            const QVariant& v = bind[i];
            if (v.typeId() == QMetaType::QString) {
                const QByteArray text = v.toString().toUtf8();
                sqlite3_bind_text(stmt, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            } else if (v.typeId() == QMetaType::Double) {
                sqlite3_bind_double(stmt, i + 1, v.toDouble());
            } else {
                sqlite3_bind_int64(stmt, i + 1, v.toLongLong());
            }
        }
        QStringList out;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            QStringList cells;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                switch (sqlite3_column_type(stmt, c)) {
                case SQLITE_INTEGER:
                    cells << QString::number(sqlite3_column_int64(stmt, c));
                    break;
                case SQLITE_FLOAT:
                    cells << realText(sqlite3_column_double(stmt, c));
                    break;
                case SQLITE_NULL:
                    cells << QStringLiteral("NULL");
                    break;
                default:
                    cells << QLatin1Char('\'')
                                 + QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)))
                                 + QLatin1Char('\'');
                }
            }
            out << QLatin1Char('(') + cells.join(QStringLiteral(", ")) + QLatin1Char(')');
        }
        if (rc != SQLITE_DONE)
            return QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(m_db));
        if (sorted)
            out.sort();
        return out.join(QLatin1Char(' '));
    }

    // Declared type of a column, for SELECT ... INTO.
    QString columnType(const QString& table, const QString& column)
    {
        const QString found = rows(QStringLiteral("SELECT type FROM pragma_table_info(?) WHERE name = ? COLLATE NOCASE"),
                                   {table, column});
        return found.isEmpty() ? QString() : found.mid(2, found.size() - 4);
    }

    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

QString sortedRows(const QString& rows)
{
    QStringList list = rows.split(QStringLiteral(") ("));
    for (QString& r : list) {
        if (!r.startsWith(QLatin1Char('(')))
            r.prepend(QLatin1Char('('));
        if (!r.endsWith(QLatin1Char(')')))
            r.append(QLatin1Char(')'));
    }
    list.sort();
    return rows.isEmpty() ? QString() : list.join(QLatin1Char(' '));
}

void PrintTo(const DialectCase& c, std::ostream* os)
{
    *os << c.id;
}

class JetDialect : public ::testing::TestWithParam<DialectCase> {};

TEST_P(JetDialect, TranslatesToTheExpectedText)
{
    const DialectCase& c = GetParam();
    const QString jet = QString::fromUtf8(c.jet);
    Db db;
    const auto lookup = [&db](const QString& t, const QString& col) { return db.columnType(t, col); };
    if (!c.sqlite) {
        try {
            const QStringList out = translateJetStatements(jet, lookup);
            FAIL() << "accepted: " << out.join(QStringLiteral("; ")).toStdString();
        } catch (const DbError& e) {
            EXPECT_EQ(e.code(), 0);
            EXPECT_FALSE(e.engineMessage().isEmpty());
        }
        return;
    }
    ASSERT_TRUE(db.exec(QString::fromUtf8(kFixture)).isEmpty());
    const QString out = translateJetStatements(jet, lookup).join(QStringLiteral("; "));
    EXPECT_EQ(sqlTokens(out).join(QLatin1Char(' ')).toStdString(),
              sqlTokens(QString::fromUtf8(c.sqlite)).join(QLatin1Char(' ')).toStdString());
}

// The cases that run: every case the translator accepts.
class JetDialectRun : public JetDialect {};

TEST_P(JetDialectRun, TranslationGivesJetResult)
{
    const DialectCase& c = GetParam();
    ASSERT_NE(c.rows, nullptr) << "a translated case states the rows Jet gives";
    Db db;
    const bool fresh = c.setup || QByteArray(c.jet).toUpper().startsWith("CREATE TABLE");
    const QString setupError = db.exec(fresh ? QString::fromUtf8(c.setup ? c.setup : "") : QString::fromUtf8(kFixture));
    ASSERT_TRUE(setupError.isEmpty()) << setupError.toStdString();
    const auto lookup = [&db](const QString& t, const QString& col) { return db.columnType(t, col); };
    const QStringList statements = translateJetStatements(QString::fromUtf8(c.jet), lookup);

    QString actual;
    if (!c.check) {
        ASSERT_EQ(statements.size(), 1);
        actual = db.rows(statements.front(), {}, c.anyOrder);
    } else {
        for (const QString& s : statements) {
            if (!QString::fromUtf8(c.check).contains(QStringLiteral("<query>"))) {
                const QString error = db.exec(s);
                ASSERT_TRUE(error.isEmpty()) << s.toStdString() << ": " << error.toStdString();
            }
        }
        QStringList check = QString::fromUtf8(c.check).replace(QStringLiteral("<query>"), statements.join(QString()))
                                .split(QStringLiteral("; "));
        const QString query = check.takeLast();
        for (const QString& s : check) {
            const QString error = db.exec(s);
            ASSERT_TRUE(error.isEmpty()) << s.toStdString() << ": " << error.toStdString();
        }
        actual = db.rows(query, {}, c.anyOrder);
    }
    const QString expected = QString::fromUtf8(c.rows);
    EXPECT_EQ(actual.toStdString(), (c.anyOrder ? sortedRows(expected) : expected).toStdString())
        << statements.join(QStringLiteral("; ")).toStdString();
}

// Statements that differ only in literals share one prepared text; binding the
// literals back must give the rows of the inline form.
class JetDialectQuery : public JetDialect {};

TEST_P(JetDialectQuery, ParameterizedFormGivesTheSameRows)
{
    const DialectCase& c = GetParam();
    Db db;
    ASSERT_TRUE(db.exec(QString::fromUtf8(kFixture)).isEmpty());
    const QString jet = QString::fromUtf8(c.jet);
    const tq::store::ParameterizedSql p = translateJetParameterized(jet);
    EXPECT_EQ(db.rows(p.sql, p.literals, true).toStdString(),
              db.rows(translateJetStatements(jet).front(), {}, true).toStdString())
        << p.sql.toStdString();
}

std::string caseName(const ::testing::TestParamInfo<DialectCase>& info)
{
    return info.param.id;
}

template <typename Keep>
std::vector<DialectCase> casesWhere(Keep keep)
{
    std::vector<DialectCase> kept;
    std::copy_if(std::begin(kCases), std::end(kCases), std::back_inserter(kept), keep);
    return kept;
}

INSTANTIATE_TEST_SUITE_P(Table, JetDialect, ::testing::ValuesIn(kCases), caseName);
INSTANTIATE_TEST_SUITE_P(Table, JetDialectRun,
                         ::testing::ValuesIn(casesWhere([](const DialectCase& c) { return c.sqlite != nullptr; })),
                         caseName);
INSTANTIATE_TEST_SUITE_P(Table, JetDialectQuery, ::testing::ValuesIn(casesWhere([](const DialectCase& c) {
                             return c.sqlite != nullptr && !c.setup && !c.check;
                         })),
                         caseName);

} // namespace
