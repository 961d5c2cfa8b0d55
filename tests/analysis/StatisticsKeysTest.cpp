// Group labels of key values: buckets, bounds, codes, lookups and the
// first-run rule, as tables of value -> label.

#include "analysis/StatisticsKeys.h"
#include "common/ErrorLog.h"
#include "store/Database.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <ostream>

static void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace tq::analysis {
namespace {

using store::Value;

class StatisticsKeysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        log.setLogFileName(m_dir.filePath(QStringLiteral("tq.log")));
        add(QStringLiteral("距離"), QStringLiteral("0"));
        add(QStringLiteral("開催場所"), QStringLiteral("1"), QStringLiteral("05:東京,06:中山,99999:その他"));
        add(QStringLiteral("ローテーション"), QString());
        add(QStringLiteral("騎手"), QStringLiteral("4,2,SELECT 名 FROM M WHERE コード='@DATA'"));
    }

    void add(const QString& name, const QString& range, const QString& data = {})
    {
        conditions::ConditionItem item;
        item.number = qint16(catalogue.items.size());
        item.name = name;
        item.range = range;
        item.data = data;
        catalogue.nameMap.insert(name, item.number);
        catalogue.items.push_back(item);
    }

    QString label(const QString& key, const Value& v, const QString& range, bool raw = false)
    {
        return funSyukeiKey(catalogue, db.get(), &log, key, v, raw, range);
    }

    conditions::ConditionCatalogue catalogue;
    common::ErrorLog log;
    std::unique_ptr<store::Database> db;
    QTemporaryDir m_dir;
};

TEST_F(StatisticsKeysTest, bucketsAndBoundsUseTheRuntimesNumberText)
{
    const struct {
        const char* range;
        Value value;
        const char16_t* expected;
    } cases[] = {
        {"2,200", Value(1399), u" 1200～ 1400"},
        {"2,200", Value(1400), u" 1400～ 1600"},
        {"2,200", Value(1599.0), u" 1400～ 1600"},
        {"2,10", Value(-1), u"-10～ 0"},
        {"2,0.5", Value(0.7), u" .5～ 1"},
        {"2,10", Value(QString()), u" 0～ 10"}, // the empty text counts as 0
        {"2,10", Value(QStringLiteral("12")), u" 10～ 20"},
        {"2,abc", Value(17), u"17"},  // an unreadable width leaves the value
        {"2,10", Value(QStringLiteral("x")), u"x"},
        {"3,1,5,10", Value(0.5), u"～ 1"},
        {"3,1,5,10", Value(1), u" 1～ 5"},
        {"3,1,5,10", Value(7), u" 5～ 10"},
        {"3,1,5,10", Value(10), u" 10～"},
        {"3,1,5,10", Value(100), u" 10～"},
        {"3,5", Value(2), u" 5～"},   // the only bound is also the last
        {"3,1,,5", Value(3), u" 1～"}, // bounds stop at the first empty token
        {"3", Value(3), u"3"},        // no bounds: the value
        {"3,1,5", Value(QString()), u""},
        {"0", Value(1400), u"1400"},
        {"9,100", Value(12.5), u"12.5"},
        {"", Value(1400), u"1400"}, // the item's own range "0"
    };
    for (const auto& c : cases)
        EXPECT_EQ(label(QStringLiteral("距離"), c.value, QString::fromLatin1(c.range)), QString::fromUtf16(c.expected))
            << c.range << " " << c.value.toText().toStdString();
    // Null is always the empty label.
    EXPECT_EQ(label(QStringLiteral("距離"), Value(), QStringLiteral("2,200")), QString());
    // Raw labels (the horse list) are never bucketed.
    EXPECT_EQ(label(QStringLiteral("距離"), Value(1399), QStringLiteral("2,200"), true), QStringLiteral("1399"));
    EXPECT_EQ(label(QStringLiteral("距離"), Value(7), QStringLiteral("3,1,5"), true), QStringLiteral("7"));
}

TEST_F(StatisticsKeysTest, codesPrefixesUnknownItemsAndTheFirstRunRule)
{
    const struct {
        const char16_t* key;
        Value value;
        const char* range;
        bool raw;
        const char16_t* expected;
    } cases[] = {
        {u"開催場所", Value(QStringLiteral("05")), "", false, u"東京"},
        {u"開催場所", Value(QStringLiteral("05")), "", true, u"東京"},
        {u"開催場所", Value(QStringLiteral("11")), "", false, u"11"},
        {u"前走開催場所", Value(QStringLiteral("06")), "", false, u"中山"},
        {u"前走比較距離", Value(-200), "2,100", false, u"-200～-100"},
        {u"未登録", Value(QString()), "2,10", false, u""},
        {u"未登録", Value(3.5), "2,10", false, u"3.5"},
        {u"ローテーション", Value(QString()), "", false, u"初出走"},
        {u"ローテーション", Value(QString()), "", true, u"初出走"},
        {u"ローテーション", Value(), "", false, u""},
        {u"ローテーション", Value(QString()), "3,1,5", false, u""},
        {u"前走ローテーション", Value(QString()), "", false, u""},
        {u"ローテーション", Value(14), "", false, u"14"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(label(QString::fromUtf16(c.key), c.value, QString::fromLatin1(c.range), c.raw),
                  QString::fromUtf16(c.expected))
            << QString::fromUtf16(c.key).toStdString() << " " << c.value.toText().toStdString();
}

TEST_F(StatisticsKeysTest, lookupLabelsQueryEachChunk)
{
    db = store::Database::create(m_dir.filePath(QStringLiteral("app.mdb")));
    db->execute(QStringLiteral("CREATE TABLE M (コード TEXT(2), 名 TEXT(10))"));
    db->execute(QStringLiteral("INSERT INTO M VALUES ('01', '甲')"));
    db->execute(QStringLiteral("INSERT INTO M VALUES ('02', '乙')"));
    db->execute(QStringLiteral("INSERT INTO M VALUES ('''x', '引用')"));

    EXPECT_EQ(label(QStringLiteral("騎手"), Value(QStringLiteral("0102")), {}), QStringLiteral("甲,乙"));
    EXPECT_EQ(label(QStringLiteral("騎手"), Value(QStringLiteral("019902")), {}), QStringLiteral("甲,乙"));
    EXPECT_EQ(label(QStringLiteral("騎手"), Value(QStringLiteral("01")), {}, true), QStringLiteral("甲"));
    // A quote in the value stays inside the literal.
    EXPECT_EQ(label(QStringLiteral("騎手"), Value(QStringLiteral("'x")), {}), QStringLiteral("引用"));
    EXPECT_EQ(funKeyLookup(log, db.get(), QStringLiteral("0102"), 0, QStringLiteral("SELECT 1")), QString());

    // A width below 1 never advances: the range counts as kind 0, reported once.
    const auto before = log.recentEntries().size();
    KeyLabeller zero(catalogue, QStringLiteral("騎手"), QStringLiteral("4,0,SELECT 名 FROM M WHERE コード='@DATA'"),
                     db.get(), &log);
    EXPECT_EQ(zero.kind(), 0);
    EXPECT_EQ(zero.label(Value(QStringLiteral("0102")), false), QStringLiteral("0102"));
    EXPECT_EQ(zero.label(Value(QStringLiteral("01")), false), QStringLiteral("01"));
    ASSERT_EQ(log.recentEntries().size(), before + 1);
    EXPECT_EQ(log.recentEntries().last().procedure, QStringLiteral("funSyukeiKey"));
}

} // namespace
} // namespace tq::analysis
