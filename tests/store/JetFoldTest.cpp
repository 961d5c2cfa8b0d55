// The JET collation: which texts are equal, that the ASCII fast path orders
// exactly as the general fold does, and that tables declared COLLATE JET
// behave as Jet's text columns did.

#include "store/JetExtensions.h"
#include "store/JetFold.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

int foldedSign(const std::string& a, const std::string& b)
{
    const std::u32string fa = tq::store::jetFold(a);
    const std::u32string fb = tq::store::jetFold(b);
    return fa < fb ? -1 : fa > fb ? 1 : 0;
}

TEST(JetFold, FoldsWidthKanaAndCase)
{
    struct Case {
        const char* text;
        const char* folded;
    };
    const Case cases[] = {
        {"ＡＢＣ　１２３", "abc 123"},
        {"ｱｲﾉｶｾﾞ", "アイノカゼ"},
        {"あいのかぜ", "アイノカゼ"},
        {"ﾊﾟﾋﾞﾌﾞﾍﾟﾎﾞ", "パビブペボ"},
        {"ｳﾞｦﾞ", "ヴヺ"},
        {"ｱﾞ", "ア゛"},  // no voiced form: the mark stays a mark
        {"ﾞｶ", "゛カ"},   // a leading mark composes with nothing
        {"ÀÉ Straße", "àé straße"},
        {"ｰ｡", "ー。"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tq::store::jetFold(QString::fromUtf8(c.text)), QString::fromUtf8(c.folded)) << c.text;
    }
}

TEST(JetFold, CompareIsATotalOrderAgreeingWithTheFold)
{
    // Mixed on purpose: '_' and '[' sit between upper and lower case ASCII,
    // so a fast path folding to upper case would order them differently.
    const std::vector<std::string> texts = {
        "", "a", "A", "_", "[", "ab", "aB", "ab_", "AB[", "ＡＢ", "ａｂ", "abc", "20230105", "20230106",
        "２０２３０１０５", "アイノカゼ", "あいのかぜ", "ｱｲﾉｶｾﾞ", "ｱｲﾉｶｾ", "ｱｲﾉｶｾﾞa", "aｶﾞ", "aガ", "ａガ",
        "z", "Ｚ", "~", "\xff", "\xe3\x81", "𠮷", "x𠮷",
    };
    for (const auto& a : texts) {
        for (const auto& b : texts) {
            const int ab = sign(tq::store::jetCompare(a, b));
            EXPECT_EQ(ab, foldedSign(a, b)) << a << " vs " << b;
            EXPECT_EQ(ab, -sign(tq::store::jetCompare(b, a))) << a << " vs " << b;
        }
    }
}

TEST(JetFold, EqualitiesJetReports)
{
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    };
    const Case cases[] = {
        {"20230105", "20230105", true},
        {"20230105", "20230106", false},
        {"abc", "ABC", true},
        {"abc", "ＡＢＣ", true},
        {"アイノカゼ", "ｱｲﾉｶｾﾞ", true},
        {"あいのかぜ", "ｱｲﾉｶｾﾞ", true},
        {"カゼ", "カセ", false},
        {"a b", "a　b", true},
        {"abc", "abc ", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tq::store::jetCompare(c.a, c.b) == 0, c.equal) << c.a << " vs " << c.b;
    }
}

class JetTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
        m_db.reset(db);
        tq::store::registerJetExtensions(db);
    }

    int exec(const char* sql)
    {
        return sqlite3_exec(m_db.get(), sql, nullptr, nullptr, nullptr);
    }

    long long count(const char* sql)
    {
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(m_db.get(), sql, -1, &statement, nullptr), SQLITE_OK) << sql;
        EXPECT_EQ(sqlite3_step(statement), SQLITE_ROW) << sql;
        const long long value = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
        return value;
    }

    std::string text(const char* sql)
    {
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(m_db.get(), sql, -1, &statement, nullptr), SQLITE_OK) << sql;
        EXPECT_EQ(sqlite3_step(statement), SQLITE_ROW) << sql;
        const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        std::string out = value ? value : "";
        sqlite3_finalize(statement);
        return out;
    }

    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> m_db{nullptr, sqlite3_close};
};

TEST_F(JetTable, KeysCompareWithoutCaseWidthOrKana)
{
    ASSERT_EQ(exec("CREATE TABLE T (k CHAR(8) COLLATE JET NOT NULL, n INTEGER, PRIMARY KEY (k, n));"
                   "CREATE TABLE S (name TEXT(50) COLLATE JET, v INTEGER);"
                   "INSERT INTO S VALUES ('abc',1),('ABC',2),('ｘｙ',3),('XY',4),"
                   "('アイノカゼ',5),('あいのかぜ',6),('ｱｲﾉｶｾﾞ',7),('ｱｲﾉｶｾ',8);"),
              SQLITE_OK);
    EXPECT_EQ(exec("INSERT INTO T VALUES ('abc', 1)"), SQLITE_OK);
    EXPECT_EQ(exec("INSERT INTO T VALUES ('ＡＢＣ', 1)"), SQLITE_CONSTRAINT);
    EXPECT_EQ(exec("INSERT INTO T VALUES ('ＡＢＣ', 2)"), SQLITE_OK);

    EXPECT_EQ(count("SELECT count(*) FROM S WHERE name = 'abc'"), 2);
    EXPECT_EQ(count("SELECT count(*) FROM S WHERE name In ('abc', 'xy')"), 4);
    EXPECT_EQ(count("SELECT count(*) FROM S WHERE name = 'ｱｲﾉｶｾﾞ'"), 3);
    EXPECT_EQ(count("SELECT count(*) FROM (SELECT name FROM S GROUP BY name)"), 4);
    EXPECT_EQ(count("SELECT count(DISTINCT name) FROM S"), 4);
    // The join runs through the index of T under the same collation.
    ASSERT_EQ(exec("CREATE INDEX SI ON S (name)"), SQLITE_OK);
    EXPECT_EQ(count("SELECT count(*) FROM T INNER JOIN S ON T.k = S.name"), 4);
    // Order: by the code points of the fold (ｱｲﾉｶｾ before the voiced ones).
    EXPECT_EQ(text("SELECT group_concat(v, ',') FROM (SELECT v FROM S ORDER BY name, v)"), "1,2,3,4,8,5,6,7");
}

} // namespace
