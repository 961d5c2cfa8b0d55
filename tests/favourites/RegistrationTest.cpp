// Registration and opening: statistics copied by column position, the
// overwrite question, the refusal of grouped results, the open-ended date
// offer, and a registered favourite reopening into an equal document.

#include "FavouritesFixture.h"

#include "analysis/ConditionFile.h"
#include "favourites/FavouriteStore.h"
#include "favourites/Registration.h"

#include <deque>

namespace tq::favourites {
namespace {

using context::Answer;

FavoChoice choice(const QString& name, const QString& group = s("芝'組"))
{
    FavoChoice c;
    c.name = name;
    c.group = group;
    c.show = false;
    c.colour = 255;
    return c;
}

const QDateTime kNow(QDate(2025, 6, 1), QTime(9, 0));
const auto clock = [] { return kNow; };

using RegistrationTest = FavouritesTest;

TEST_F(RegistrationTest, StoresConditionsWhereTextAndStatisticsOfTheResult)
{
    analysis::AnalysisDocument doc;
    makeDocument(doc, s("1000,1400"), true);
    doc.modified = true;
    ASSERT_EQ(subFavoAdd(ctx, doc, choice(s("短距離's")), clock), Registration::Stored);

    const Favourite f = *FavouriteStore(db()).find(s("短距離's"));
    EXPECT_EQ(doc.caption, s("短距離's"));
    EXPECT_FALSE(doc.modified);
    EXPECT_EQ(f.group, s("芝'組"));
    EXPECT_FALSE(f.show);
    EXPECT_EQ(f.colour, 255);
    EXPECT_EQ(f.conditionText, analysis::conditionText(ctx, doc));
    EXPECT_TRUE(f.whereText.contains(s("D番組データ.距離"))) << f.whereText.toStdString();
    EXPECT_EQ(f.comment, s("コメント"));
    EXPECT_EQ(f.author, s("作者"));
    EXPECT_EQ(f.registered, kNow);
    // One race of four runners: horse 1 wins at 350 yen. Each statistic is
    // stored as its cell shows it (one decimal), as the condition text
    // carries it, so an exported and imported favourite keeps the same values.
    for (int c = 0; c < kStatisticCount; ++c) {
        SCOPED_TRACE(statisticColumns()[std::size_t(c)].toStdString());
        ASSERT_TRUE(f.statistics[std::size_t(c)].has_value());
        EXPECT_FLOAT_EQ(float(*f.statistics[std::size_t(c)]), doc.result.displayText(0, c, 1).toFloat());
    }
    EXPECT_EQ(f.statistics[0], 4.0);
}

TEST_F(RegistrationTest, OverwriteAsksAndNoChangesNothing)
{
    analysis::AnalysisDocument doc;
    makeDocument(doc, s("1000,1400"), true);
    ASSERT_EQ(subFavoAdd(ctx, doc, choice(s("x")), clock), Registration::Stored);
    analysis::AnalysisDocument other;
    makeDocument(other, s("1000,2000"), true);
    other.modified = true;

    prompter.pushAnswer(Answer::No);
    EXPECT_EQ(subFavoAdd(ctx, other, choice(s("x"), s("other")), clock), Registration::Declined);
    EXPECT_EQ(prompter.texts().last(), s("既に登録されています。上書きしますか？"));
    EXPECT_EQ(FavouriteStore(db()).find(s("x"))->statistics[0], 4.0);
    EXPECT_TRUE(other.modified);

    prompter.pushAnswer(Answer::Yes);
    EXPECT_EQ(subFavoAdd(ctx, other, choice(s("x"), s("other")), clock), Registration::Stored);
    const Favourite f = *FavouriteStore(db()).find(s("x"));
    EXPECT_EQ(f.statistics[0], 9.0);
    EXPECT_EQ(f.group, s("other"));
    EXPECT_EQ(FavouriteStore(db()).list().size(), 1u);
}

TEST_F(RegistrationTest, NeverAnalysedDocumentKeepsStatisticsOfTheRowItOverwrites)
{
    analysis::AnalysisDocument doc;
    makeDocument(doc, s("1000,1400"), true);
    ASSERT_EQ(subFavoAdd(ctx, doc, choice(s("x")), clock), Registration::Stored);
    analysis::AnalysisDocument fresh;
    makeDocument(fresh, s("1000,2000"), false);
    prompter.pushAnswer(Answer::Yes);
    ASSERT_EQ(subFavoAdd(ctx, fresh, choice(s("x")), clock), Registration::Stored);
    EXPECT_EQ(FavouriteStore(db()).find(s("x"))->statistics[0], 4.0);
    ASSERT_EQ(subFavoAdd(ctx, fresh, choice(s("y")), clock), Registration::Stored);
    EXPECT_FALSE(FavouriteStore(db()).find(s("y"))->statistics[0].has_value());
}

TEST_F(RegistrationTest, ChecksBeforeTheDialog)
{
    struct Case {
        const char* name;
        bool analysed;
        bool grouped;
        std::deque<Answer> answers;
        bool expected;
        const char* lastText;
    };
    const Case cases[] = {
        {"analysed", true, false, {}, true, nullptr},
        {"grouped result", true, true, {}, false, "集計キーが指定されているものはお気に入りに追加できません"},
        {"not analysed, Yes", false, false, {Answer::Yes}, true, "分析実行を行っていません。本当にお気に入りに追加しますか？"},
        {"not analysed, No", false, false, {Answer::No}, false, "分析実行を行っていません。本当にお気に入りに追加しますか？"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        analysis::AnalysisDocument doc;
        if (c.grouped)
            doc.conditions.keys[0].key = s("距離");
        makeDocument(doc, s("1000,2000"), c.analysed);
        prompter.clear();
        for (Answer a : c.answers)
            prompter.pushAnswer(a);
        EXPECT_EQ(checkBeforeRegistration(ctx, doc), c.expected);
        if (c.lastText)
            EXPECT_EQ(prompter.texts().last(), s(c.lastText));
        else
            EXPECT_TRUE(prompter.texts().isEmpty());
    }
    analysis::AnalysisDocument betType;
    betType.conditions.kind = conditions::AnalysisKind::QuinellaBox;
    EXPECT_FALSE(checkBeforeRegistration(ctx, betType));
}

// A condition on the final odds of the race itself cannot pick today's
// runners: registration warns and goes on only when the user says so. A
// previous run's final odds are known before the race and pass silently.
TEST_F(RegistrationTest, PostRaceConditionWarnsBeforeRegistering)
{
    conditions::ConditionItem odds;
    odds.number = 1;
    odds.group = s("オッズ・人気");
    odds.name = s("確定単勝オッズ");
    odds.key = s("D成績データ.確定単勝オッズ");
    odds.type = 2;
    odds.knownAfterRace = true;
    ctx.catalogue.items.push_back(odds);
    ctx.catalogue.nameMap.insert(odds.name, 1);

    struct Case {
        const char* name;
        int target; // -1: no odds row
        std::deque<Answer> answers;
        bool expected;
        bool warned;
    };
    const Case cases[] = {
        {"no odds condition", -1, {}, true, false},
        {"today's odds, Yes", 0, {Answer::Yes}, true, true},
        {"today's odds, No", 0, {Answer::No}, false, true},
        {"previous run's odds", 1, {}, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        analysis::AnalysisDocument doc;
        makeDocument(doc, s("1000,2000"), true);
        if (c.target >= 0) {
            conditions::ConditionRow row;
            row.group = odds.group;
            row.itemName = odds.name;
            row.targetCaption = conditions::targetCaption(c.target);
            row.target = qint16(c.target);
            row.value = s("1.0,5.0");
            doc.conditions.rows.push_back(row);
        }
        prompter.clear();
        for (Answer a : c.answers)
            prompter.pushAnswer(a);
        EXPECT_EQ(checkBeforeRegistration(ctx, doc), c.expected);
        const QString warning = s("レース後に確定する情報が条件に含まれています（確定単勝オッズ）");
        EXPECT_EQ(!prompter.texts().isEmpty() && prompter.texts().last().startsWith(warning), c.warned);
    }
}

TEST_F(RegistrationTest, CurrentRaceDateRangeIsOfferedAnOpenEnd)
{
    struct Case {
        const char* item;
        const char* target;
        const char* value;
        std::deque<Answer> answers;
        const char* expectedValue;
    };
    const Case cases[] = {
        {"開催日", "今走", "2003/01/01,2003/12/31", {Answer::Yes}, "2003/01/01,9999/12/31"},
        {"開催日", "今走", "2003/01/01,2003/12/31", {Answer::No}, "2003/01/01,2003/12/31"},
        {"年月", "今走", "2003/01,2004/03", {Answer::Yes}, "2003/01,9999/03"},
        {"開催日", "前走", "2003/01/01,2003/12/31", {}, "2003/01/01,2003/12/31"},
        {"開催日", "今走", "2003/01/01,9999/12/31", {}, "2003/01/01,9999/12/31"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.item) + c.target + c.value);
        analysis::AnalysisDocument doc;
        makeDocument(doc, s("1000,2000"), true);
        conditions::ConditionRow row;
        row.itemName = s(c.item);
        row.targetCaption = s(c.target);
        row.value = s(c.value);
        doc.conditions.rows.push_back(row);
        for (Answer a : c.answers)
            prompter.pushAnswer(a);
        EXPECT_TRUE(checkBeforeRegistration(ctx, doc));
        EXPECT_EQ(doc.conditions.rows.back().value, s(c.expectedValue));
    }
    // A masked row before the date ends the walk after its warning.
    analysis::AnalysisDocument doc;
    makeDocument(doc, s("1000,2000"), true);
    doc.conditions.rows.front().masked = true;
    conditions::ConditionRow row;
    row.itemName = s("開催日");
    row.targetCaption = s("今走");
    row.value = s("2003/01/01,2003/12/31");
    doc.conditions.rows.push_back(row);
    prompter.clear();
    EXPECT_TRUE(checkBeforeRegistration(ctx, doc));
    EXPECT_EQ(prompter.texts(), QStringList{analysis::maskedRowsWarning()});
}

TEST_F(RegistrationTest, RegisteredFavouriteReopensIntoAnEqualDocument)
{
    analysis::AnalysisDocument doc;
    makeDocument(doc, s("1000,1400"), true);
    doc.conditions.favourite.name = QString();
    ASSERT_EQ(subFavoAdd(ctx, doc, choice(s("x'1")), clock), Registration::Stored);

    std::vector<std::unique_ptr<analysis::AnalysisDocument>> opened;
    const auto newDocument = [&] {
        opened.push_back(std::make_unique<analysis::AnalysisDocument>());
        return opened.back().get();
    };
    FavoChoice open;
    open.name = s("x'1");
    ASSERT_EQ(subFavoOpen(ctx, open, newDocument), 1);
    EXPECT_EQ(opened[0]->caption, s("x'1"));
    EXPECT_FALSE(opened[0]->modified);
    EXPECT_EQ(analysis::conditionText(ctx, *opened[0]), analysis::conditionText(ctx, doc));
    EXPECT_EQ(opened[0]->result.rowCount(), 1);
}

TEST_F(RegistrationTest, AllGroupOpensEveryFavouriteOfTheGroup)
{
    FavouriteStore store(db());
    for (const char* name : {"a", "b'", "c"}) {
        Favourite f;
        f.name = s(name);
        f.group = s("芝'組");
        f.conditionText = s("MODE, 0\r\nK005,old\r\n");
        store.save(f);
    }
    Favourite other;
    other.name = s("d");
    other.group = s("別");
    store.save(other);

    QStringList captions;
    std::vector<std::unique_ptr<analysis::AnalysisDocument>> opened;
    FavoChoice open;
    open.name = allGroupName();
    open.group = s("芝'組");
    const int count = subFavoOpen(
        ctx, open,
        [&] {
            opened.push_back(std::make_unique<analysis::AnalysisDocument>());
            return opened.back().get();
        },
        [&](analysis::AnalysisDocument& d) { captions << d.caption; });
    EXPECT_EQ(count, 3);
    captions.sort();
    EXPECT_EQ(captions, (QStringList{s("a"), s("b'"), s("c")}));
    // A Null comment opens as one blank, replacing the condition text's.
    EXPECT_EQ(opened[0]->comment, s(" "));
}

} // namespace
} // namespace tq::favourites

namespace tq::favourites {
namespace {

TEST_F(RegistrationTest, LinkToAStoredFavouriteRestrictsAnotherAnalysis)
{
    analysis::AnalysisDocument shortRaces;
    makeDocument(shortRaces, s("1000,1400"), true);
    ASSERT_EQ(subFavoAdd(ctx, shortRaces, choice(s("短'距離"), s("組")), clock), Registration::Stored);

    struct Case {
        const char* name;
        bool wholeGroup;
        double runners;
    };
    for (const Case& c : {Case{"短'距離", false, 4}, Case{"組", true, 4}}) {
        SCOPED_TRACE(c.name);
        analysis::AnalysisDocument linked;
        linked.conditions.favourite.name = s(c.name);
        linked.conditions.favourite.wholeGroup = c.wholeGroup;
        makeDocument(linked, s("1000,2000"), true);
        EXPECT_EQ(linked.result.number(0, 0), c.runners);
    }
}

} // namespace
} // namespace tq::favourites

namespace tq::favourites {
namespace {

TEST_F(RegistrationTest, ConditionsWithoutAWhereTextAreNotStored)
{
    // A link to a favourite that does not exist: the WHERE text cannot be
    // built, and a favourite stored without it would match every runner.
    analysis::AnalysisDocument doc;
    makeDocument(doc, s("1000,1400"), false);
    doc.conditions.favourite.name = s("no such favourite");
    EXPECT_EQ(subFavoAdd(ctx, doc, choice(s("x")), clock), Registration::Failed);
    EXPECT_FALSE(FavouriteStore(db()).exists(s("x")));
    EXPECT_FALSE(prompter.texts().isEmpty());
    EXPECT_EQ(subFavoAdd(ctx, doc, choice(s("  ")), clock), Registration::Failed);
}

} // namespace
} // namespace tq::favourites
