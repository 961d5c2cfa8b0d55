// The Jet functions and Like on an in-memory connection: every case is an SQL
// expression (already in its translated form) with the value and storage
// class it must produce, or the runtime error it must raise.

#include "store/JetExtensions.h"

#include <QDate>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Value {
    enum Kind { Null, Integer, Real, Text, Error } kind = Null;
    long long i = 0;
    double d = 0.0;
    std::string s; // text, or the error message

    friend bool operator==(const Value& a, const Value& b)
    {
        if (a.kind != b.kind) {
            return false;
        }
        switch (a.kind) {
        case Integer: return a.i == b.i;
        case Real: return a.d == b.d || std::fabs(a.d - b.d) < 1e-9 * std::max(1.0, std::fabs(a.d));
        case Text:
        case Error: return a.s == b.s;
        case Null: return true;
        }
        return false;
    }
    friend std::ostream& operator<<(std::ostream& out, const Value& v)
    {
        switch (v.kind) {
        case Null: return out << "NULL";
        case Integer: return out << "integer " << v.i;
        case Real: return out << "real " << v.d;
        case Text: return out << "text '" << v.s << "'";
        case Error: return out << "error \"" << v.s << "\"";
        }
        return out;
    }
};

Value N() { return {}; }
Value I(long long i) { return {Value::Integer, i, 0.0, {}}; }
Value R(double d) { return {Value::Real, 0, d, {}}; }
Value T(std::string s) { return {Value::Text, 0, 0.0, std::move(s)}; }
Value E(std::string message) { return {Value::Error, 0, 0.0, std::move(message)}; }

constexpr const char* kFixture = R"(
CREATE TABLE One (x INTEGER LONG);
INSERT INTO One VALUES (1);
CREATE TABLE 分析結果表示設定 (項目名 CHAR(50) COLLATE JET NOT NULL,表示順 INTEGER LONG,サイズ REAL SINGLE ,PRIMARY KEY(項目名 ));
INSERT INTO 分析結果表示設定 VALUES ('勝率', 2, 10);
CREATE TABLE D番組データ (レースキー CHAR(8) COLLATE JET NOT NULL, K INTEGER LONG, J TEXT(10) COLLATE JET, e TEXT(20) COLLATE JET, Z TEXT(20) COLLATE JET, 日付 REAL DATETIME, PRIMARY KEY (レースキー));
INSERT INTO D番組データ VALUES ('20230105',1,'c2','A',NULL,44931.0),('20230106',2,'C2',NULL,NULL,44932.0),('20230107',3,'c3','B','Z',44933.0),('20230108',5,'c2','E','F',NULL);
CREATE TABLE D競走馬データ (レースキー CHAR(8) COLLATE JET NOT NULL, 馬番 INTEGER LONG NOT NULL, 馬名 TEXT(40) COLLATE JET, 着順 INTEGER LONG, CONSTRAINT PRIKEY PRIMARY KEY (レースキー,馬番));
INSERT INTO D競走馬データ VALUES ('20230105',1,'アイノカゼ',1),('20230105',2,'あいのかぜ',2),('20230106',1,'ｱｲﾉｶｾﾞ',NULL),('20230107',1,'ABC',3),('20230107',2,'ａｂｃ',1),('20230108',1,'xab',2);
)";

class JetDb {
public:
    JetDb()
    {
        sqlite3* db = nullptr;
        sqlite3_open(":memory:", &db);
        m_db.reset(db);
        tq::store::registerJetExtensions(db);
        char* message = nullptr;
        if (sqlite3_exec(db, kFixture, nullptr, nullptr, &message) != SQLITE_OK) {
            ADD_FAILURE() << "fixture: " << message;
            sqlite3_free(message);
        }
    }

    // All rows of a query; a failing statement gives one row with its error.
    std::vector<std::vector<Value>> rows(const std::string& sql) const
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(m_db.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
            return {{E(sqlite3_errmsg(m_db.get()))}};
        }
        std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(raw, sqlite3_finalize);
        std::vector<std::vector<Value>> out;
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
            std::vector<Value> row;
            for (int c = 0; c < sqlite3_column_count(raw); ++c) {
                switch (sqlite3_column_type(raw, c)) {
                case SQLITE_INTEGER: row.push_back(I(sqlite3_column_int64(raw, c))); break;
                case SQLITE_FLOAT: row.push_back(R(sqlite3_column_double(raw, c))); break;
                case SQLITE_TEXT:
                    row.push_back(T(reinterpret_cast<const char*>(sqlite3_column_text(raw, c))));
                    break;
                default: row.push_back(N()); break;
                }
            }
            out.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) {
            return {{E(sqlite3_errmsg(m_db.get()))}};
        }
        return out;
    }

    Value value(const std::string& expression) const
    {
        const auto result = rows("SELECT " + expression);
        return result.size() == 1 && result[0].size() == 1 ? result[0][0] : E("not one value");
    }

private:
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> m_db{nullptr, sqlite3_close};
};

struct Case {
    std::string expression;
    Value expected;
};

void expectAll(const std::vector<Case>& cases)
{
    const JetDb db;
    for (const Case& c : cases) {
        EXPECT_EQ(db.value(c.expression), c.expected) << c.expression;
    }
}

TEST(JetFunctions, OperatorsFollowTheRuntime)
{
    expectAll({
        // & concatenation: Null is "", numbers as CStr, Null only when all are Null.
        {"jet_cat(NULL, NULL)", N()},
        {"jet_cat(NULL, 'a')", T("a")},
        {"jet_cat('Check ', 123, ' Check')", T("Check 123 Check")},
        {"jet_cat('v=', 10.0, '/', 2.5)", T("v=10/2.5")},
        {"jet_cat(0.1 + 0.2)", T("0.3")},
        // + on values the translator could not type.
        {"jet_add('34', '6')", T("346")},
        {"jet_add(NULL, 'a')", N()},
        {"jet_add('34', 6)", I(40)},
        {"jet_add(1.5, 1)", R(2.5)},
        {"jet_add(9223372036854775807, 1)", R(9223372036854775808.0)},
        {"jet_add('abc', 1)", E("Type mismatch")},
        // \ and Mod round their operands (halves to even) first.
        {"jet_idiv(11, 4)", I(2)},
        {"jet_idiv(9, 3)", I(3)},
        {"jet_idiv(100, 3)", I(33)},
        {"jet_idiv(-7, 2)", I(-3)},
        {"jet_idiv(7.5, 2.5)", I(4)},
        {"jet_idiv(5, 0.4)", E("Division by zero")},
        {"jet_idiv(NULL, 0)", N()},
        {"jet_mod(10, 3)", I(1)},
        {"jet_mod(12, 4.3)", I(0)},
        {"jet_mod(12.6, 5)", I(3)},
        {"jet_mod(19, 6.7)", I(5)},
        {"jet_mod(-7, 3)", I(-1)},
        {"jet_mod(1, 0)", E("Division by zero")},
        // ^.
        {"jet_pow(2, 2)", R(4.0)},
        {"jet_pow(jet_pow(3, 3), 3)", R(19683.0)},
        {"jet_pow((-5), 3)", R(-125.0)},
        {"-jet_pow(2, 2)", R(-4.0)},
        {"jet_pow(-8, 0.5)", E("Invalid procedure call or argument")},
        {"jet_pow(NULL, 2)", N()},
    });
}

TEST(JetFunctions, NumberConversions)
{
    expectAll({
        {"jet_int(99.8)", R(99.0)},
        {"jet_fix(99.2)", R(99.0)},
        {"jet_int(-99.8)", R(-100.0)},
        {"jet_fix(-99.8)", R(-99.0)},
        {"jet_int(-8.4)", R(-9.0)},
        {"jet_fix(-8.4)", R(-8.0)},
        {"jet_int(7)", I(7)},
        {"jet_int(' 12.5 ')", R(12.0)},
        {"jet_int(NULL)", N()},
        {"jet_int('x')", E("Type mismatch")},
        {"jet_cint(0.5)", I(0)},
        {"jet_cint(1.5)", I(2)},
        {"jet_cint(2.5)", I(2)},
        {"jet_clng(-2.5)", I(-2)},
        {"jet_cint('&HFFFF')", I(-1)},
        {"jet_cint(32767.5)", E("Overflow")},
        {"jet_clng(2147483648)", E("Overflow")},
        {"jet_cint(NULL)", E("Invalid use of Null")},
        {"jet_cdbl('1.25')", R(1.25)},
        {"jet_cdbl(3)", R(3.0)},
        {"jet_cdbl(NULL)", E("Invalid use of Null")},
        {"jet_round(0.12345, 4)", R(0.1234)},
        {"jet_round(0.12355, 4)", R(0.1236)},
        {"jet_round(0.00005, 4)", R(0.0)},
        {"jet_round(2.5)", R(2.0)},
        {"jet_round(3.5)", R(4.0)},
        {"jet_round(7)", I(7)},
        {"jet_round(NULL, 2)", N()},
        {"jet_round(1.5, -1)", E("Invalid procedure call or argument")},
        // Val: integral results are integers, so they compare with integer columns.
        {"jet_val('2457')", I(2457)},
        {"jet_val(' 2 45 7')", I(2457)},
        {"jet_val('24 and 57')", I(24)},
        {"jet_val('    1615 198th Street N.E.')", I(1615198)},
        {"jet_val('&HFFFF')", I(-1)},
        {"jet_val('12abc')", I(12)},
        {"jet_val(' 1 2')", I(12)},
        {"jet_val('abc')", I(0)},
        {"jet_val('1.5')", R(1.5)},
        {"jet_val(NULL)", N()},
        // CStr: integral doubles without fraction, otherwise 15 significant digits.
        {"jet_cstr(10.0)", T("10")},
        {"jet_cstr(123456789012345.0)", T("123456789012345")},
        {"jet_cstr(2.5)", T("2.5")},
        {"jet_cstr(-0.5)", T("-0.5")},
        {"jet_cstr(1.0 / 3)", T("0.333333333333333")},
        {"jet_cstr(42)", T("42")},
        {"jet_cstr('x')", T("x")},
        {"jet_cstr(NULL)", E("Invalid use of Null")},
        {"jet_str(1400)", T(" 1400")},
        {"jet_str(-0.5)", T("-.5")},
        {"jet_hex(255)", T("FF")},
        {"jet_hex(-1)", T("FFFF")},
        {"jet_hex(-1.0)", T("FFFFFFFF")},
        {"jet_hex(NULL)", N()},
    });
}

TEST(JetFunctions, TextFunctionsCountUtf16Units)
{
    expectAll({
        {"jet_len('xab')", I(3)},
        {"jet_len(10.0)", I(2)},
        {"jet_len('𠮷a')", I(3)},
        {"jet_len(NULL)", N()},
        {"jet_left('xab', 2)", T("xa")},
        {"jet_left('xab', 9)", T("xab")},
        {"jet_left('𠮷a', 2)", T("𠮷")},
        {"jet_left(NULL, 2)", N()},
        {"jet_left('abc', -1)", E("Invalid procedure call or argument")},
        {"jet_left('abc', NULL)", E("Invalid use of Null")},
        {"jet_right('xab', 2)", T("ab")},
        {"jet_right('xab', 0)", T("")},
        {"jet_right('アイノカゼ', 2)", T("カゼ")},
        {"jet_mid('xab', 2)", T("ab")},
        {"jet_mid('xab', 4)", T("")},
        {"jet_mid('アイノカゼ', 2, 2)", T("イノ")},
        {"jet_mid(20230105, 5, 2)", T("01")},
        {"jet_mid(NULL, 1, 2)", N()},
        {"jet_mid('abc', 0)", E("Invalid procedure call or argument")},
        {"jet_mid('abc', 1, -1)", E("Invalid procedure call or argument")},
        // InStr compares as Jet compares text unless told to compare binary.
        {"jet_instr('abc', 'c')", I(3)},
        {"jet_instr('abc', '')", I(1)},
        {"jet_instr('', 'a')", I(0)},
        {"jet_instr(5, 'abc', 'a')", I(0)},
        {"jet_instr(Null, 'a')", N()},
        {"jet_instr(4, 'abcabc', 'A')", I(4)},
        {"jet_instr('ABCabc', 'c')", I(3)},
        {"jet_instr(1, 'ABCabc', 'c', 0)", I(6)},
        {"jet_instr('𠮷ｱｲﾉｶｾﾞ', 'ぜ')", I(7)},
        {"jet_instr(3, 'ｶﾞｶﾞ', 'が')", I(3)},
        {"jet_instr(NULL, 'abc', 'a')", E("Invalid use of Null")},
        {"jet_instr(0, 'abc', 'a')", E("Invalid procedure call or argument")},
        {"jet_nz(NULL, 'なし')", T("なし")},
        {"jet_nz(NULL)", T("")},
        {"jet_nz(5, 0)", I(5)},
        {"jet_lcase('ABCÀＡ')", T("abcàａ")},
        {"jet_ucase('abcàａ')", T("ABCÀＡ")},
        {"jet_lcase(NULL)", N()},
        {"jet_space(3)", T("   ")},
        {"jet_chr(65)", T("A")},
        {"jet_chr(177)", T("ｱ")},
        {"jet_chr(33440)", T("あ")},
        {"jet_chr(-32096)", T("あ")},
    });
}

TEST(JetFunctions, DatesAreSerialDays)
{
    const auto serialToday = QDate(1899, 12, 30).daysTo(QDate::currentDate());
    expectAll({
        {"jet_year(44931.0)", I(2023)},
        {"jet_month(44931.75)", I(1)},
        {"jet_day(44931)", I(5)},
        {"jet_year('2023/01/05')", I(2023)},
        {"jet_month('2023-12-31')", I(12)},
        {"jet_day('2024/02/29 13:05')", I(29)},
        {"jet_day(-1.25)", I(29)},
        {"jet_year(NULL)", N()},
        {"jet_year('2023/02/30')", E("Type mismatch")},
        {"jet_year(3000000)", E("Overflow")},
        {"jet_dateserial(1990 - 10, 8 - 2, 1 - 1)", R(29372.0)},
        {"jet_format(jet_dateserial(1990 - 10, 8 - 2, 1 - 1), 'yyyy/mm/dd')", T("1980/05/31")},
        {"jet_dateserial(2023, 13, 1)", R(45292.0)},
        {"jet_dateserial(23, 1, 5)", R(44931.0)},
        {"jet_dateserial(2023, 1, NULL)", E("Invalid use of Null")},
        {"jet_date() = " + std::to_string(serialToday) + ".0", I(1)},
        {"jet_now() >= jet_date() AND jet_now() < jet_date() + 1", I(1)},
    });
}

TEST(JetFunctions, FormatNumbersTextAndDates)
{
    expectAll({
        {"jet_format(5459.4, '##,##0.00')", T("5,459.40")},
        {"jet_format(334.9, '###0.00')", T("334.90")},
        {"jet_format(5, '0.00%')", T("500.00%")},
        {"jet_format(0.5, '0.00')", T("0.50")},
        {"jet_format(1.005, '0.00')", T("1.01")},
        {"jet_format(-5, '0;(0)')", T("(5)")},
        {"jet_format(NULL, '0;-0;0;\"なし\"')", T("なし")},
        {"jet_format(NULL, '0.00')", N()},
        {"jet_format('12.5', '0.00')", T("12.50")},
        {"jet_format('abc', '0.00')", T("abc")},
        {"jet_format(5, 'Fixed')", T("5.00")},
        {"jet_format(2.5)", T("2.5")},
        {"jet_format(0, 'Yes/No')", T("No")},
        {"jet_format(-1, 'True/False')", T("True")},
        {"jet_format('20230105', '@@@@/@@/@@')", T("2023/01/05")},
        {"jet_format('HELLO', '<')", T("hello")},
        {"jet_format(44931.0, 'yyyy/mm/dd')", T("2023/01/05")},
        {"jet_format(44931.5, 'yyyy/mm/dd hh:nn:ss')", T("2023/01/05 12:00:00")},
        {"jet_format('2023-01-05', 'Short Date')", T("2023/01/05")},
        {"jet_format(44931.25, 'General Date')", T("2023/01/05 6:00:00")},
        {"jet_format(5, '0.00E+00')", E("Unsupported format: 0.00E+00")},
    });
}

TEST(JetFunctions, WorkOnTableColumns)
{
    const JetDb db;
    struct QueryCase {
        const char* sql;
        std::vector<std::vector<Value>> rows;
    };
    const std::vector<QueryCase> cases = {
        {"SELECT レースキー FROM D番組データ WHERE jet_int(K * 0.6) = 1 ORDER BY レースキー",
         {{T("20230106")}, {T("20230107")}}},
        {"SELECT jet_cstr(サイズ), jet_cat('v=', サイズ) FROM 分析結果表示設定 WHERE 項目名 = '勝率'",
         {{T("10"), T("v=10")}}},
        {"SELECT jet_nz(Z, 'なし'), jet_mid(Z, 1, 2), jet_len(Z) FROM D番組データ WHERE レースキー = '20230105'",
         {{T("なし"), N(), N()}}},
        {"SELECT jet_len(馬名), jet_left(馬名, 2), jet_right(馬名, 2), jet_mid(馬名, 2), jet_right(馬名, 0) "
         "FROM D競走馬データ WHERE 馬名 = 'xab'",
         {{I(3), T("xa"), T("ab"), T("ab"), T("")}}},
        {"SELECT jet_format(レースキー, '@@@@/@@/@@'), jet_format(日付, 'yyyy/mm/dd'), jet_year(44931.0), "
         "jet_month(日付), jet_day(日付) FROM D番組データ WHERE レースキー = '20230105'",
         {{T("2023/01/05"), T("2023/01/05"), I(2023), I(1), I(5)}}},
        {"SELECT jet_cat(e, ' - ', Z) FROM D番組データ ORDER BY レースキー",
         {{T("A - ")}, {T(" - ")}, {T("B - Z")}, {T("E - F")}}},
        // A literal compared with an expression needs the collation spelled out.
        {"SELECT count(*) FROM D競走馬データ WHERE jet_mid(馬名, 1, 2) = 'AB' COLLATE JET", {{I(2)}}},
        {"SELECT 馬名 FROM D競走馬データ WHERE 馬名 Not Like '*ab*' AND レースキー = '20230108'", {}},
        {"SELECT count(*) FROM D競走馬データ WHERE 馬名 Like 'ｱｲﾉ*'", {{I(3)}}},
        // GROUP BY on an expression groups under the collation when asked to.
        {"SELECT count(*) FROM (SELECT 1 FROM D競走馬データ GROUP BY jet_left(馬名, 3) COLLATE JET)", {{I(3)}}},
    };
    for (const QueryCase& c : cases) {
        EXPECT_EQ(db.rows(c.sql), c.rows) << c.sql;
    }
}

// Catalogue keys end up in views and index expressions: the pure functions
// must be allowed there even with an untrusted schema, the clock must not.
TEST(JetFunctions, PureFunctionsWorkInSchemaObjects)
{
    const JetDb db;
    const std::vector<std::pair<std::string, std::vector<std::vector<Value>>>> cases = {
        {"PRAGMA trusted_schema = OFF", {}},
        {"CREATE INDEX 年 ON D番組データ (jet_left(レースキー, 4))", {}},
        {"CREATE VIEW V AS SELECT jet_cat(e, '-', Z) AS k, 'a' Like 'A' AS l FROM D番組データ "
         "WHERE レースキー = '20230107'",
         {}},
        {"SELECT k, l FROM V", {{T("B-Z"), I(-1)}}},
        {"SELECT count(*) FROM D番組データ WHERE jet_left(レースキー, 4) = '2023'", {{I(4)}}},
        {"CREATE INDEX 今 ON D番組データ (jet_now())",
         {{E("non-deterministic functions prohibited in index expressions")}}},
    };
    for (const auto& [sql, rows] : cases) {
        EXPECT_EQ(db.rows(sql), rows) << sql;
    }
}

TEST(JetLike, WildcardsAndFolding)
{
    expectAll({
        {"'aBBBa' Like 'a*a'", I(-1)},
        {"'ab' Like 'a*b'", I(-1)},
        {"'aBC' Like 'ab*'", I(-1)},
        {"'BAT123khg' Like 'B?T*'", I(-1)},
        {"'CAT123khg' Like 'B?T*'", I(0)},
        {"'a2a' Like 'a#a'", I(-1)},
        {"'aMa' Like 'a#a'", I(0)},
        {"'a２a' Like 'a#a'", I(-1)},
        {"'aM5b' Like 'a[L-P]#[!c-e]'", I(-1)},
        {"'aM5d' Like 'a[L-P]#[!c-e]'", I(0)},
        {"'a*a' Like 'a[*]a'", I(-1)},
        {"'aXa' Like 'a[*]a'", I(0)},
        {"'F' Like '[!A-Z]'", I(0)},
        {"'-' Like '[-a]'", I(-1)},
        {"'ab' Like 'a[]b'", I(-1)},
        {"'abc' Like 'a%'", I(0)},
        {"'a%' Like 'a%'", I(-1)},
        {"'a_c' Like 'a_c'", I(-1)},
        {"'abc' Like 'a_c'", I(0)},
        {"'abc' Like 'a＊'", I(0)},
        {"'a＊' Like 'a*'", I(-1)},
        {"'' Like '*'", I(-1)},
        {"'' Like '?'", I(0)},
        {"'aaaaaaaaaaaaaaaaaaaaaaaaaaaaab' Like '*a*a*a*a*a*a*c'", I(0)},
        {"'ＡＢＣ' Like 'abc'", I(-1)},
        {"'あいのかぜ' Like 'ｱｲﾉｶｾﾞ'", I(-1)},
        {"'カゼ' Like '?\?'", I(-1)},
        {"'ｶｾﾞ' Like '?\?'", I(-1)},
        {"123 Like '1*'", I(-1)},
        {"2.5 Like '2.5'", I(-1)},
        {"NULL Like 'a'", N()},
        {"'a' Like NULL", N()},
        {"'a' Like 'a [*'", E("Invalid pattern string")},
        {"'a' Like '[z-a]'", E("Invalid pattern string")},
        {"'a' LIKE 'a' ESCAPE '\\'", E("Like does not take ESCAPE")},
    });
}

TEST(JetLike, PatternFromAColumnIsCompiledPerRow)
{
    const JetDb db;
    const auto rows = db.rows("SELECT v Like p FROM (SELECT 'abc' AS v, 'a*' AS p UNION ALL SELECT 'abc', 'b*' "
                              "UNION ALL SELECT 'abc', '*C') ORDER BY rowid");
    EXPECT_EQ(rows, (std::vector<std::vector<Value>>{{I(-1)}, {I(0)}, {I(-1)}}));
}

} // namespace
