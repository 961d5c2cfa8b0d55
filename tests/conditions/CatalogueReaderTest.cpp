#include "conditions/CatalogueReader.h"

#include "common/ErrorLog.h"
#include "conditions/ConditionSet.h"

#include <gtest/gtest.h>

using tq::conditions::CatalogueError;
using tq::conditions::ConditionCatalogue;
using tq::conditions::parseCatalogueLines;

namespace {

QStringList lines(std::initializer_list<const char*> texts)
{
    QStringList result;
    for (const char* t : texts)
        result << QString::fromUtf8(t);
    return result;
}

ConditionCatalogue parse(const QStringList& text, int* failedLine = nullptr)
{
    ConditionCatalogue cat;
    cat.appDir = QStringLiteral("/opt/tq");
    try {
        parseCatalogueLines(text, cat);
        if (failedLine)
            *failedLine = 0;
    } catch (const CatalogueError& e) {
        if (failedLine)
            *failedLine = e.lineNumber();
    }
    return cat;
}

} // namespace

TEST(CatalogueReader, ReadsItemsGroupsAndOrder)
{
    const ConditionCatalogue cat = parse(lines({
        "[JOUKEN] trailing text is ignored",
        "Count=3",
        "[J002]",
        "Group=レース条件",
        "Name=距離",
        "Key=D番組データ.距離",
        "Type=2",
        "Data=1000,3600",
        "Range=2,200",
        "Msg=距離を入力",
        "[J000]",
        "Group=レース条件",
        "Name=開催場所",
        "Type=0",
        "[J001]",
        "Group=馬",
        "Key=x",
    }));
    ASSERT_EQ(cat.items.size(), 3u);
    EXPECT_EQ(cat.groups, QStringList({QStringLiteral("レース条件"), QStringLiteral("馬")}));
    ASSERT_EQ(cat.itemByName(QStringLiteral("距離"))->number, 2);
    EXPECT_EQ(cat.items[2].key, QStringLiteral("D番組データ.距離"));
    EXPECT_EQ(cat.items[2].type, 2);
    EXPECT_EQ(cat.items[2].range, QStringLiteral("2,200"));
    // Name= order is the display order; an item without Name= is never listed.
    const auto race = cat.itemsOfGroup(QStringLiteral("レース条件"));
    ASSERT_EQ(race.size(), 2u);
    EXPECT_EQ(race[0]->name, QStringLiteral("距離"));
    EXPECT_EQ(race[1]->name, QStringLiteral("開催場所"));
    EXPECT_TRUE(cat.itemsOfGroup(QStringLiteral("馬")).empty());
}

TEST(CatalogueReader, DbSettings)
{
    struct Case {
        QStringList text;
        QString appDir, dbPath;
        int init, debug, font;
    };
    const Case cases[] = {
        {lines({"[DB]", "DbName=DEVovuved.mdb", "INIT=0"}), "/opt/tq", "/opt/tq/DEVovuved.mdb", 1, 0, 9},
        // PATH= before DEBUG=1 is ignored, after it changes a later relative DbName=.
        {lines({"[DB]", "PATH=/x", "DEBUG=1", "PATH=/dev/tq", "DbName=a.mdb", "FontSize=12"}),
         "/dev/tq", "/dev/tq/a.mdb", 0, 1, 12},
        {lines({"[DB]", "DbName=C:\\TQ\\a.mdb"}), "/opt/tq", "C:\\TQ\\a.mdb", 0, 0, 9},
    };
    for (const Case& c : cases) {
        const ConditionCatalogue cat = parse(c.text);
        EXPECT_EQ(cat.appDir, c.appDir);
        EXPECT_EQ(cat.appDbPath, c.dbPath);
        EXPECT_EQ(cat.initFlag, c.init);
        EXPECT_EQ(cat.debugFlag, c.debug);
        EXPECT_EQ(cat.fontSize, c.font);
    }
}

TEST(CatalogueReader, ListsJoinsAndPairs)
{
    const ConditionCatalogue cat = parse(lines({
        "[DataMDB]", "Count=2", "Link01=D番組データ", "Link02=D成績データ",
        "[JOIN]", "Count=1", "Table001=KETO", "Link001= LEFT JOIN KETO ON a=b", "Key001=KETO.k='@RKEY",
        "[HENKAN]", "Count=1", "This01=T番組データ", "Data01=D番組データ",
        "[ZENSOU1]", "Count=1", "Kon01=D成績データ.", "Zen01=D成績データ_1.",
    }));
    EXPECT_EQ(cat.dataLinks, QStringList({QStringLiteral("D番組データ"), QStringLiteral("D成績データ")}));
    ASSERT_EQ(cat.joins.size(), 1u);
    EXPECT_EQ(cat.joins[0].link, QStringLiteral(" LEFT JOIN KETO ON a=b"));
    EXPECT_EQ(cat.joins[0].key, QStringLiteral("KETO.k='@RKEY"));
    EXPECT_EQ(cat.henkan[0].first, QStringLiteral("T番組データ"));
    EXPECT_EQ(cat.zensou[0].second, QStringLiteral("D成績データ_1."));
}

TEST(CatalogueReader, StopsAtTheFaultyLineAndKeepsWhatWasRead)
{
    struct Case {
        QStringList text;
        int failedLine;
    };
    const Case cases[] = {
        {lines({"[ThisMDB]", "Count=2", "Link01=a", "Link1=b", "Link02=c"}), 4},     // one digit
        {lines({"[ThisMDB]", "Count=0", "Link01=a"}), 3},                            // list never sized
        {lines({"[JOUKEN]", "Count=1", "[J000]", "Name=a", "[J001]", "Name=b"}), 6}, // beyond Count
        {lines({"[JOUKEN]", "Count=2", "[J000]", "Name=a", "[J001]", "Name=a"}), 6}, // duplicate name
        {lines({"[JOUKEN]", "Count=2", "[J000]", "Type=x"}), 4},
        {lines({"[JOUKEN]", "Count=abc"}), 2},
    };
    for (const Case& c : cases) {
        int failed = -1;
        const ConditionCatalogue cat = parse(c.text, &failed);
        EXPECT_EQ(failed, c.failedLine) << c.text.join(QLatin1Char('|')).toStdString();
    }
    int failed = -1;
    const ConditionCatalogue cat = parse(cases[0].text, &failed);
    EXPECT_EQ(cat.thisLinks, QStringList({QStringLiteral("a"), QString()}));
}

TEST(CatalogueReader, ShippedCatalogueLoadsWithoutFaults)
{
    tq::common::ErrorLog log;
    log.setLogFileName(QStringLiteral("/nonexistent-dir/TQ.log"));
    const QString binDir = QStringLiteral(TQ_BINARY_DIR "/bin");
    const ConditionCatalogue cat = tq::conditions::subIniGetAll(binDir, log);
    ASSERT_TRUE(log.recentEntries().isEmpty()) << log.recentEntries().first().description.toStdString();
    EXPECT_EQ(cat.appDbPath, binDir + QStringLiteral("/DEVovuved.mdb"));
    EXPECT_GT(cat.order.size(), 0u);
    for (const char* name : {"開催場所", "Ｒ", "馬番", "馬名", "着順", "年月", "開催日", "ローテーション"})
        EXPECT_NE(cat.itemByName(QString::fromUtf8(name)), nullptr) << name;
    EXPECT_FALSE(cat.dataLinks.isEmpty());
    EXPECT_FALSE(cat.zensou.empty());
}

// Ranges that cannot group as meant (one group per runner, inverted labels)
// are refused with the reason, by the catalogue as by the command line.
TEST(CatalogueReader, RangesThatCannotGroupAreRefused)
{
    const char* const good[] = {"", "0", "1", "2,5", "2,0.5", "3,5", "3,-5,-2,0,2,5", "9,1000",
                                "4,5,SELECT 騎手名 FROM M騎手 WHERE 騎手コード='@DATA'"};
    const char* const bad[] = {"9", "9,", "9,0", "9,-5", "9,1.5", "2,-100", "2,0", "2,x", "3", "3,5,1,3",
                               "3,1,1", "3,1,a", "4,0,SELECT 1", "4,5", "7,1", "x"};
    for (const char* text : good) {
        EXPECT_EQ(tq::conditions::rangeSpecProblem(QString::fromUtf8(text)), QString()) << text;
        int failed = -1;
        parse(lines({"[JOUKEN]", "Count=1", "[J000]", "Name=a"}) << QStringLiteral("Range=") + QString::fromUtf8(text),
              &failed);
        EXPECT_EQ(failed, 0) << text;
    }
    for (const char* text : bad) {
        EXPECT_FALSE(tq::conditions::rangeSpecProblem(QString::fromUtf8(text)).isEmpty()) << text;
        int failed = -1;
        const ConditionCatalogue cat = parse(
            lines({"[JOUKEN]", "Count=1", "[J000]", "Name=a"}) << QStringLiteral("Range=") + QString::fromUtf8(text),
            &failed);
        EXPECT_EQ(failed, 5) << text;
        EXPECT_TRUE(cat.items[0].range.isEmpty()) << text;
    }
    EXPECT_EQ(tq::conditions::rangeSpecProblem(QStringLiteral("3,5,1,3")), QStringLiteral("bounds must rise: 1 follows 5"));
    EXPECT_EQ(tq::conditions::rangeSpecProblem(QStringLiteral("7,1")),
              QStringLiteral("unknown range kind \"7\" (0, 1, 2, 3, 4 or 9)"));
}

// Known=after marks an item whose value exists only after the race; items
// without the key are known before it, and any other value stops the reading.
TEST(CatalogueReader, KnownMarksPostRaceItems)
{
    int failed = -1;
    const ConditionCatalogue cat = parse(lines({"[JOUKEN]", "Count=3", "[J000]", "Name=a", "Known=after", "[J001]",
                                                "Name=b", "Known=before", "[J002]", "Name=c"}),
                                         &failed);
    EXPECT_EQ(failed, 0);
    EXPECT_TRUE(cat.items[0].knownAfterRace);
    EXPECT_FALSE(cat.items[1].knownAfterRace);
    EXPECT_FALSE(cat.items[2].knownAfterRace);

    parse(lines({"[JOUKEN]", "Count=1", "[J000]", "Name=a", "Known=later"}), &failed);
    EXPECT_EQ(failed, 5);

    tq::common::ErrorLog log;
    log.setLogFileName(QStringLiteral("/nonexistent-dir/TQ.log"));
    const ConditionCatalogue shipped = tq::conditions::subIniGetAll(QStringLiteral(TQ_BINARY_DIR "/bin"), log);
    for (const char* name : {"確定単勝オッズ", "単勝人気", "着順", "走破タイム", "上がり3F", "コーナー4通過順"})
        EXPECT_TRUE(shipped.itemByName(QString::fromUtf8(name))->knownAfterRace) << name;
    for (const char* name : {"距離", "馬番", "基準オッズ", "IDM", "直前オッズ指数"})
        EXPECT_FALSE(shipped.itemByName(QString::fromUtf8(name))->knownAfterRace) << name;
}
