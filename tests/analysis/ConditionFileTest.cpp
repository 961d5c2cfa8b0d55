// Condition files: the lines the writer produces, round trips through a text
// and through a file, and the reader's handling of input kinds, bad lines and
// overrides.

#include "analysis/AnalysisDocument.h"
#include "analysis/ConditionFile.h"
#include "common/TextFile.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <ostream>

static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tq::analysis {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

ConditionLoadOptions input(ConditionInput kind)
{
    ConditionLoadOptions o;
    o.input = kind;
    return o;
}

// Items 0-5 of a small catalogue; item 3 is a numeric range, item 5 belongs
// to 直前情報.
conditions::ConditionCatalogue catalogue()
{
    conditions::ConditionCatalogue cat;
    auto add = [&cat](const char* group, const char* name, const char* key, qint16 type, const char* data) {
        conditions::ConditionItem item;
        item.number = qint16(cat.items.size());
        item.group = s(group);
        item.name = s(name);
        item.key = s(key);
        item.type = type;
        item.data = s(data);
        cat.nameMap.insert(item.name, item.number);
        cat.order.push_back(item.number);
        cat.items.push_back(item);
    };
    add("レース条件", "場所", "D番組データ.場コード", 0, "01:札幌,05:東京");
    add("レース条件", "クラス", "D番組データ.クラス", 5, "");
    add("レース条件", "年齢", "D番組データ.年齢", 2, "2,9");
    add("レース条件", "距離", "D番組データ.距離", 2, "1000,3600");
    add("出走馬", "斤量", "D競走馬データ.斤量", 2, "40,70");
    add("直前情報", "馬体重", "D直前情報データ.馬体重", 2, "300,600");
    return cat;
}

conditions::ConditionRow itemRow(const char* name, const char* value, int target = 0, bool masked = false)
{
    conditions::ConditionRow r;
    r.itemName = s(name);
    r.value = s(value);
    r.target = qint16(target);
    r.targetCaption = conditions::targetCaption(target);
    r.masked = masked;
    return r;
}

conditions::ConditionRow extendedRow(const QString& sql)
{
    conditions::ConditionRow r;
    r.itemName = conditions::extendedItemName();
    r.value = sql;
    r.display = sql;
    return r;
}

class ConditionFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx.catalogue = catalogue();
        ctx.userName = s("登録者");
        ASSERT_TRUE(dir.isValid());
    }

    // A document with a two-column result of one row.
    static AnalysisDocument sampleDocument()
    {
        AnalysisDocument doc;
        doc.conditions.rows = {itemRow("距離", "1,5"), extendedRow(s("X = 1")), itemRow("年齢", "2,3", 0, true)};
        doc.result.setColumnCount(2);
        doc.result.setHeader(0, s("総件数"));
        doc.result.setHeader(1, s("勝率"));
        doc.result.setColumnWidth(1, 12.5);
        doc.result.appendRow();
        doc.result.setInteger(0, 0, 10);
        doc.result.setDecimal(0, 1, 100.0 / 3.0);
        doc.comment = s("メモ");
        doc.author = s("作者");
        return doc;
    }

    QTemporaryDir dir;
    context::ScriptedPrompter prompter;
    context::SilentBusy busy;
    context::AppContext ctx{prompter, busy};
};

TEST_F(ConditionFileTest, WritesTheLinesInOrderWithoutMaskedRows)
{
    const AnalysisDocument doc = sampleDocument();
    const QStringList expected = {
        s("MODE, 0,,0"),   s("J003,1,5"),     s("JKAK,X = 1"), s("K000,"),       s("K002,"),     s("K003,総件数,勝率"),
        s("K008,10,12.5"), s("K004,10,33.3"), s("K005,メモ"),  s("K006,,0,0,,"), s("K007,作者"),
    };
    EXPECT_EQ(conditionFileLines(ctx.catalogue, doc), expected);
    EXPECT_EQ(conditionText(ctx, doc), expected.join(s("\r\n")) + s("\r\n"));
}

TEST_F(ConditionFileTest, StreamOutputAppendsToTheOpenExchangeFile)
{
    const AnalysisDocument doc = sampleDocument();
    const QString path = dir.filePath(s("x.tqa"));
    common::Cp932LineWriter out(path);
    out.writeLine(s("before"));
    writeConditionLines(ctx, doc, out);
    out.writeLine(s("after"));
    out.close();
    EXPECT_EQ(common::readTextLines(path),
              QStringList{s("before")} + conditionFileLines(ctx.catalogue, doc) + QStringList{s("after")});
}

TEST_F(ConditionFileTest, ListsDropOnlyLeadingEmptyTexts)
{
    AnalysisDocument doc;
    doc.conditions.keys[0].key = s("距離");
    doc.summaryLabels[2] = s("a");
    doc.summaryLabels[4] = s("b");
    const QStringList lines = conditionFileLines(ctx.catalogue, doc);
    EXPECT_TRUE(lines.contains(s("K002,距離") + QString(19, QLatin1Char(','))));
    EXPECT_TRUE(lines.contains(s("K000,a,,b,,,,,,,")));
}

TEST_F(ConditionFileTest, MaskedWarningShownOnceOnlyWhenAsked)
{
    AnalysisDocument doc = sampleDocument();
    doc.conditions.rows.push_back(itemRow("斤量", "50,55", 0, true));
    conditionText(ctx, doc, false);
    EXPECT_TRUE(prompter.messages().empty());
    conditionText(ctx, doc, true);
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_EQ(prompter.messages()[0].text, s("【警告】マスクされた項目はお気に入りに保存されません。"));
    EXPECT_TRUE(prompter.messages()[0].systemModal);
}

TEST_F(ConditionFileTest, RoundTripThroughFileKeepsEverything)
{
    AnalysisDocument doc = sampleDocument();
    doc.modified = true;
    doc.conditions.kind = conditions::AnalysisKind::QuinellaPartner;
    doc.conditions.axisFavourite = s("軸");
    doc.conditions.axisWholeGroup = true;
    doc.conditions.rows = {extendedRow(s("D番組データ.距離 IN (1000,1200) AND D番組データ.場コード='05'")),
                           itemRow("距離", "4,1,10", 8), itemRow("斤量", "50,55", 1)};
    doc.conditions.keys[0].key = s("距離");
    doc.conditions.keys[1].key = s("前走斤量");
    doc.conditions.favourite = {s("お気"), true, true, s(">="), s("2")};
    doc.summaryLabels[0] = s("x");
    doc.comment = s("一行目, 続き");
    doc.author.clear();
    // A first label that is empty and one holding a ",".
    doc.result.clear();
    doc.result.setColumnCount(3);
    doc.result.setHeader(0, s("距離"));
    doc.result.setHeader(1, s("総件数"));
    doc.result.setHeader(2, s("勝率"));
    doc.result.appendRow();
    doc.result.setInteger(0, 1, 7);
    doc.result.setDecimal(0, 2, 25.0);
    doc.result.appendRow();
    doc.result.setText(1, 0, s("A,B"));
    doc.result.setInteger(1, 1, 3);

    const QString path = dir.filePath(s("a.tqb"));
    saveConditionFile(ctx, doc, path);
    EXPECT_FALSE(doc.modified);

    AnalysisDocument back;
    const ConditionLoadResult r = funJoukenLoad(ctx, back, path);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(back.conditions.kind, conditions::AnalysisKind::QuinellaPartner);
    EXPECT_EQ(back.conditions.axisFavourite, s("軸"));
    EXPECT_TRUE(back.conditions.axisWholeGroup);
    ASSERT_EQ(back.conditions.rows.size(), 3u);
    EXPECT_EQ(back.conditions.rows[0].value, doc.conditions.rows[0].value);
    EXPECT_TRUE(back.conditions.rows[0].isExtended());
    EXPECT_EQ(back.conditions.rows[0].display, doc.conditions.rows[0].value);
    const conditions::ConditionRow& cmp = back.conditions.rows[1];
    EXPECT_EQ(cmp.target, 8);
    EXPECT_EQ(cmp.targetCaption, s("４走前と比較"));
    EXPECT_EQ(cmp.display, s("今走　≧　４走前　+10"));
    EXPECT_EQ(cmp.group, s("レース条件"));
    EXPECT_EQ(back.conditions.rows[2].target, 1);
    EXPECT_EQ(back.conditions.keys[0].key, s("距離"));
    EXPECT_EQ(back.conditions.keys[1].key, s("前走斤量"));
    EXPECT_TRUE(back.conditions.keys[2].key.isEmpty());
    EXPECT_EQ(back.conditions.favourite.name, s("お気"));
    EXPECT_TRUE(back.conditions.favourite.isFavourite);
    EXPECT_TRUE(back.conditions.favourite.wholeGroup);
    EXPECT_EQ(back.conditions.favourite.havingOperator, s(">="));
    EXPECT_EQ(back.conditions.favourite.havingNumber, s("2"));
    EXPECT_EQ(back.summaryLabels[0], s("x"));
    EXPECT_EQ(back.comment, s("一行目, 続き"));
    EXPECT_EQ(back.author, s("登録者")); // empty author takes the user name

    ASSERT_EQ(back.result.columnCount(), 3);
    ASSERT_EQ(back.result.rowCount(), 2);
    EXPECT_EQ(back.result.kind(0, 0), CellKind::Empty);
    EXPECT_EQ(back.result.integer(0, 1), 7);
    EXPECT_EQ(back.result.displayText(0, 2), s("25.0"));
    EXPECT_EQ(back.result.displayText(1, 0), s("A，B"));
    EXPECT_EQ(back.result.integer(1, 1), 3);
}

TEST_F(ConditionFileTest, LineBreaksInTextsCannotInjectLines)
{
    AnalysisDocument doc;
    doc.comment = s("first\r\nJ003,1000,1200");
    AnalysisDocument back;
    funJoukenLoad(ctx, back, conditionText(ctx, doc), input(ConditionInput::Text));
    EXPECT_TRUE(back.conditions.rows.empty());
    EXPECT_EQ(back.comment, s("first J003,1000,1200"));
}

TEST_F(ConditionFileTest, ReaderSkipsUnknownItemsAndDropsPreRaceRows)
{
    const struct {
        ConditionInput input;
        const char* text;
        int result;
        std::vector<int> targets; // targets of the rows read
    } cases[] = {
        {ConditionInput::Text, "J999,1,2\r\nJ003,1,5\r\n", 1, {0}},
        {ConditionInput::Text, "J005,400,500\r\nJA005,400,500\r\nJH005,0,0,5\r\n", 0, {0, 1, 2}},
        {ConditionInput::TextNoPreRace, "J005,400,500\r\nJA005,400,500\r\nJH005,0,0,5\r\n", 1, {1}},
        // A last line without CR is not read.
        {ConditionInput::Text, "J003,1,5\r\nJ004,50,55", 0, {0}},
    };
    for (const auto& c : cases) {
        AnalysisDocument doc;
        const int before = int(ctx.errorLog.recentEntries().size());
        const ConditionLoadResult r = funJoukenLoad(ctx, doc, s(c.text), input(c.input));
        EXPECT_EQ(r.result, c.result) << c.text;
        std::vector<int> targets;
        for (const conditions::ConditionRow& row : doc.conditions.rows)
            targets.push_back(row.target);
        EXPECT_EQ(targets, c.targets) << c.text;
        const auto entries = ctx.errorLog.recentEntries();
        if (QString::fromUtf8(c.text).contains(s("J999"))) {
            ASSERT_EQ(int(entries.size()), before + 1);
            EXPECT_EQ(entries.last().procedure, s("funJoukenLoad"));
        }
    }
}

TEST_F(ConditionFileTest, ConditionsOnlyLeavesTheRestOfTheDocument)
{
    AnalysisDocument doc;
    doc.conditions.rows = {itemRow("年齢", "2,3")};
    doc.conditions.keys[0].key = s("斤量");
    doc.comment = s("残る");
    doc.result.setColumnCount(1);
    const QString text = s("MODE, 1,,0\r\nJ003,1,5\r\nK002,距離\r\nK005,新\r\nJ004,50,55\r\n");
    const ConditionLoadResult r = funJoukenLoad(ctx, doc, text, input(ConditionInput::ConditionsOnly));
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(doc.conditions.kind, conditions::AnalysisKind::QuinellaBox);
    ASSERT_EQ(doc.conditions.rows.size(), 1u); // reading stopped at K002
    EXPECT_EQ(doc.conditions.rows[0].itemName, s("距離"));
    EXPECT_EQ(doc.conditions.keys[0].key, s("斤量"));
    EXPECT_EQ(doc.comment, s("残る"));
    EXPECT_EQ(doc.result.columnCount(), 1);
}

TEST_F(ConditionFileTest, OverridesReplaceCommentAndAuthor)
{
    AnalysisDocument doc;
    ConditionLoadOptions opt = input(ConditionInput::Text);
    opt.commentOverride = s("上書き");
    opt.userOverride = s("別人");
    funJoukenLoad(ctx, doc, s("K005,元\r\nK007,元の人\r\n"), opt);
    EXPECT_EQ(doc.comment, s("上書き"));
    EXPECT_EQ(doc.author, s("別人"));
    funJoukenLoad(ctx, doc, s("K007, \r\n"), input(ConditionInput::Text));
    EXPECT_EQ(doc.author, s("登録者"));
}

TEST_F(ConditionFileTest, UnreadableFileIsReportedAndGivesOne)
{
    AnalysisDocument doc;
    const ConditionLoadResult r = funJoukenLoad(ctx, doc, dir.filePath(s("missing.tqb")));
    EXPECT_EQ(r.result, 1);
    ASSERT_FALSE(ctx.errorLog.recentEntries().isEmpty());
    EXPECT_EQ(ctx.errorLog.recentEntries().last().procedure, s("funJoukenLoad"));
}

TEST_F(ConditionFileTest, LineThatIsNotCp932IsSkippedAndTheRestLoads)
{
    // A line typed in UTF-8 into a CP932 file: only that line is lost.
    const QString path = dir.filePath(s("mixed.tqb"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(common::encodeTextLines({s("J003,1,5"), s("K007,作者")}));
    file.write(QByteArray("K005,") + s("日本語").toUtf8() + QByteArray("\r\n"));
    file.write(common::encodeTextLines({s("J004,50,55")}));
    file.close();

    AnalysisDocument doc;
    const ConditionLoadResult r = funJoukenLoad(ctx, doc, path);
    EXPECT_EQ(r.result, 1);
    ASSERT_EQ(doc.conditions.rows.size(), 2u);
    EXPECT_EQ(doc.conditions.rows[1].value, s("50,55"));
    ASSERT_FALSE(ctx.errorLog.recentEntries().isEmpty());
    EXPECT_EQ(ctx.errorLog.recentEntries().last().procedure, s("funJoukenLoad"));
    EXPECT_TRUE(ctx.errorLog.recentEntries().last().description.contains(s("line 3")));
    EXPECT_EQ(doc.author, s("作者"));
}

// Lines that would put SQL text where a number belongs, malformed tags,
// unknown or surplus keys and an unknown kind: each is named with its line in
// the log, skipped, and the result says the source was only partly read.
TEST_F(ConditionFileTest, BadLinesAreNamedWithTheirLineAndSkipped)
{
    QString twentyOne = s("K002");
    for (int i = 0; i < 21; ++i)
        twentyOne += i % 2 ? s(",距離") : s(",前走斤量");
    const struct {
        QString line;
        const char* reason;
    } cases[] = {
        {s("J003,1000 OR 1=1,1600"), "bound \"1000 OR 1=1\" is not a number of 距離"},
        {s("J003,1000,"), "bound \"\" is not a number"},
        {s("JH003,2,1,100 OR 1=1"), "comparison number \"100 OR 1=1\" is not a number"},
        {s("JH003,9,0,0"), "comparison operator \"9\" is not 0 to 5"},
        {s("JH003,0,x,0"), "comparison sign \"x\" is not 0 to 2"},
        {s("Jxyz,1,2"), "not a condition tag"},
        {s("JZ009,1,2"), "not a condition tag"},
        {s("J0x9,1,2"), "not a condition tag"},
        {s("J-0,1,2"), "not a condition tag"},
        {s("J03,1,5"), "not a condition tag"},
        {s("J0031,1,5"), "not a condition tag"},
        {s("J001,") + QString(70000, QLatin1Char('A')), "longer than 65536 characters"},
        {s("K002,距離,不明,斤量"), "aggregation key not in the catalogue, skipped: 不明"},
        {twentyOne, "more than 20 aggregation keys, skipped: 前走斤量"},
        {s("MODE,7"), "analysis kind out of range"},
        {s("J003,1") + QChar(0) + s(",5"), "bound \"1\\x00\" is not a number of 距離, skipped: J003,1\\x00,5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.left(60).toStdString());
        AnalysisDocument doc;
        const auto before = ctx.errorLog.recentEntries().size();
        const ConditionLoadResult r =
            funJoukenLoad(ctx, doc, s("J004,50,55\r\n") + c.line + s("\r\nJ003,1,5\r\n"), input(ConditionInput::Text));
        EXPECT_EQ(r.result, 1);
        const auto entries = ctx.errorLog.recentEntries();
        ASSERT_EQ(entries.size(), before + 1);
        EXPECT_TRUE(entries.last().description.startsWith(s("line 2: "))) << entries.last().description.toStdString();
        EXPECT_TRUE(entries.last().description.contains(s(c.reason))) << entries.last().description.toStdString();
        // The lines around the bad one load; the bad one adds no row.
        ASSERT_FALSE(doc.conditions.rows.empty());
        EXPECT_EQ(doc.conditions.rows.front().itemName, s("斤量"));
        EXPECT_EQ(doc.conditions.rows.back().itemName, s("距離"));
        EXPECT_LE(doc.conditions.rows.size(), 2u);
    }

    // Valid keys after an unknown one move up; no level keeps an older key.
    AnalysisDocument doc;
    for (auto& key : doc.conditions.keys)
        key.key = s("年齢");
    funJoukenLoad(ctx, doc, s("K002,距離,不明,斤量\r\n"), input(ConditionInput::Text));
    EXPECT_EQ(doc.conditions.keys[0].key, s("距離"));
    EXPECT_EQ(doc.conditions.keys[1].key, s("斤量"));
    EXPECT_EQ(doc.conditions.keys[2].key, QString());
    EXPECT_EQ(doc.conditions.keys[3].key, s("年齢")); // beyond the line's fields: as it was
    funJoukenLoad(ctx, doc, twentyOne + s("\r\n"), input(ConditionInput::Text));
    EXPECT_EQ(doc.conditions.keys[19].key, s("距離"));
}

TEST_F(ConditionFileTest, CancelStopsReadingAndSaysSo)
{
    busy.requestCancel();
    AnalysisDocument doc;
    const ConditionLoadResult r = funJoukenLoad(ctx, doc, s("J003,1,5\r\n").repeated(10000), input(ConditionInput::Text));
    EXPECT_EQ(r.result, 1);
    EXPECT_TRUE(doc.conditions.rows.empty());
    EXPECT_EQ(ctx.errorLog.recentEntries().last().description, s("line 1: reading cancelled"));
}

TEST_F(ConditionFileTest, Utf8FileWithoutByteOrderMarkIsReadAsUtf8AndNamed)
{
    const QString path = dir.filePath(s("utf8.tqb"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(s("J003,1,5\r\nK002,距離,斤量\r\nK005,日本語のメモ\r\n").toUtf8());
    file.close();

    AnalysisDocument doc;
    const ConditionLoadResult r = funJoukenLoad(ctx, doc, path);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(doc.conditions.keys[1].key, s("斤量"));
    EXPECT_EQ(doc.comment, s("日本語のメモ"));
    EXPECT_TRUE(ctx.errorLog.recentEntries().last().description.contains(s("UTF-8"))) ;
}

TEST_F(ConditionFileTest, FailedSaveKeepsTheOldFileAndTheFlag)
{
    AnalysisDocument doc = sampleDocument();
    const QString path = dir.filePath(s("b.tqb"));
    saveConditionFile(ctx, doc, path);
    doc.modified = true;
    doc.comment = QStringLiteral("\U0001F600"); // not representable in CP932
    EXPECT_THROW(saveConditionFile(ctx, doc, path), common::TextFileError);
    EXPECT_TRUE(doc.modified);
    EXPECT_TRUE(common::readTextLines(path).contains(s("K005,メモ")));
}

} // namespace
} // namespace tq::analysis
