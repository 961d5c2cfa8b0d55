// Recalculation stores what a fresh analysis of the same conditions gives and
// leaves the columns it does not own; a favourite that fails or finds no
// rows is named and the batch goes on; キャンセル keeps the rest untouched.
// The no-pre-race conversion drops current-race pre-race conditions, copies
// the stored statistics and rebuilds its table as one step.

#include "FavouritesFixture.h"

#include "analysis/ConditionFile.h"
#include "analysis/Run.h"
#include "context/StatusLine.h"
#include "favourites/FavouriteStore.h"
#include "favourites/Recalculation.h"
#include "favourites/Registration.h"

namespace tq::favourites {
namespace {

const QDateTime kNow(QDate(2026, 3, 1), QTime(12, 0));

// A busy service whose キャンセル is pressed once a batch reaches its
// `cancelAt`-th item.
class CancelAtStep final : public context::Busy {
public:
    explicit CancelAtStep(int cancelAt) : m_cancelAt(cancelAt) {}
    void show() override {}
    void hide() override {}
    void setProgress(const QString&) override {}
    void yield() override {}
    bool cancelled() const override { return m_steps >= m_cancelAt; }
    void setStep(const QString& text) override
    {
        if (!text.isEmpty())
            ++m_steps;
    }

private:
    int m_cancelAt;
    int m_steps = 0;
};

class RecalculationTest : public FavouritesTest {
protected:
    void add(const QString& name, const std::vector<conditions::ConditionRow>& rows, bool run, bool show = true)
    {
        analysis::AnalysisDocument doc;
        doc.conditions.rows = rows;
        doc.comment = s("コメント");
        doc.author = s("作者");
        if (run) {
            context::MemoryStatusLine status;
            ASSERT_TRUE(analysis::subBunseki(ctx, status, doc, true));
        }
        FavoChoice choice;
        choice.name = name;
        choice.group = s("組");
        choice.show = show;
        choice.colour = 255;
        ASSERT_EQ(subFavoAdd(ctx, doc, choice), Registration::Stored);
    }
    void add(const QString& name, const QString& range, bool run, bool show = true)
    {
        add(name, {support::distanceRow(range)}, run, show);
    }

    Favourite find(const QString& name) { return *FavouriteStore(db()).find(name); }

    // Runs a batch on a context whose busy service cancels at the given item.
    template <typename Batch> BatchSummary runCancelling(int cancelAt, Batch batch)
    {
        CancelAtStep cancelling(cancelAt);
        context::AppContext other(prompter, cancelling);
        other.catalogue = ctx.catalogue;
        other.appDb = std::move(ctx.appDb);
        const BatchSummary summary = batch(other);
        ctx.appDb = std::move(other.appDb);
        return summary;
    }
};

TEST_F(RecalculationTest, StoresWhatAFreshAnalysisOfTheConditionsGives)
{
    add(s("短距離"), s("1000,1400"), true);
    const Favourite before = find(s("短距離"));
    ASSERT_EQ(before.statistics[0], 4.0);
    support::addRace(db(), s("R3"), 1300, 6);

    const BatchSummary summary = subFavoSaiKeisan(ctx, QString(), [] { return kNow; });
    EXPECT_EQ(summary.total, 1);
    EXPECT_EQ(summary.updated, 1);
    EXPECT_TRUE(summary.skipped.isEmpty() && summary.failed.isEmpty() && !summary.cancelled);
    EXPECT_EQ(busy.steps(), QStringList{s("短距離 (1/1)")});

    analysis::AnalysisDocument fresh;
    analysis::ConditionLoadOptions text;
    text.input = analysis::ConditionInput::Text;
    analysis::funJoukenLoad(ctx, fresh, before.conditionText, text);
    context::MemoryStatusLine status;
    ASSERT_TRUE(analysis::subBunseki(ctx, status, fresh, true));
    const auto expected = resultStatistics(fresh);

    const Favourite after = find(s("短距離"));
    EXPECT_EQ(after.statistics[0], 10.0);
    for (int c = 0; c < kStatisticCount; ++c) {
        SCOPED_TRACE(statisticColumns()[std::size_t(c)].toStdString());
        ASSERT_TRUE(after.statistics[std::size_t(c)] && expected[std::size_t(c)]);
        EXPECT_FLOAT_EQ(float(*after.statistics[std::size_t(c)]), float(*expected[std::size_t(c)]));
    }
    EXPECT_EQ(after.conditionText, analysis::conditionText(ctx, fresh));
    EXPECT_NE(after.conditionText, before.conditionText);
    EXPECT_EQ(after.registered, kNow);
    EXPECT_EQ(after.whereText, before.whereText);
    EXPECT_EQ(after.group, before.group);
    EXPECT_EQ(after.colour, before.colour);
    EXPECT_EQ(after.author, before.author);
}

TEST_F(RecalculationTest, AFailingOrEmptyFavouriteKeepsItsValuesAndTheBatchGoesOn)
{
    add(s("a"), s("1000,1400"), true);
    add(s("壊れた"), s("1000,1400"), true);
    add(s("該当なし"), s("3000,3200"), false);
    add(s("非表示"), s("1000,1400"), true, false);
    // An item that has left the catalogue.
    Favourite broken = find(s("壊れた"));
    broken.conditionText.replace(s("J000,"), s("J042,"));
    FavouriteStore(db()).save(broken);
    support::addRace(db(), s("R3"), 1300, 6);

    const BatchSummary summary =
        subFavoSaiKeisan(ctx, recalculationFilter(RecalcSelection::Shown), [] { return kNow; });
    EXPECT_EQ(summary.total, 3);
    EXPECT_EQ(summary.updated, 1);
    EXPECT_EQ(summary.failed, QStringList{s("壊れた")});
    EXPECT_EQ(summary.skipped, QStringList{s("該当なし")});
    EXPECT_TRUE(batchSummaryText(summary).contains(s("更新 1 件、スキップ 1 件、失敗 1 件")))
        << batchSummaryText(summary).toStdString();

    EXPECT_EQ(find(s("a")).statistics[0], 10.0);
    const Favourite keptBroken = find(s("壊れた"));
    EXPECT_EQ(keptBroken.statistics[0], 4.0);
    EXPECT_EQ(keptBroken.conditionText, broken.conditionText);
    EXPECT_NE(keptBroken.registered, kNow);
    EXPECT_EQ(find(s("非表示")).statistics[0], 4.0) << "not selected";
    EXPECT_FALSE(find(s("該当なし")).statistics[0].has_value());

    EXPECT_TRUE(subFavoSaiKeisan(ctx, recalculationFilter(RecalcSelection::Group, s("無い'組"))).total == 0);
}

TEST_F(RecalculationTest, IncompleteDataIsToldOnceAndTheSummaryCountsTheFavouritesItConcerned)
{
    add(s("短距離"), s("1000,1400"), true);
    add(s("中距離"), s("1500,1700"), true);
    add(s("長距離"), s("2000,2400"), false);
    // A horse of each race without final win odds.
    db().execute(s("UPDATE D成績データ SET 確定単勝オッズ=NULL WHERE 競走成績キー IN ('R11', 'R21')"));
    prompter.clear();

    const BatchSummary summary = subFavoSaiKeisan(ctx, QString(), [] { return kNow; });
    EXPECT_EQ(summary.updated, 2);
    EXPECT_EQ(summary.incompleteData, 2);
    ASSERT_EQ(prompter.texts().size(), 1) << prompter.texts().join(s("\n")).toStdString();
    EXPECT_TRUE(prompter.texts()[0].endsWith(s("のデータが不完全（又は成績速報版）のため正しく分析が行えません")));
    EXPECT_TRUE(batchSummaryText(summary).contains(s("データが不完全（又は成績速報版）の日を含むお気に入り: 2 件")));

    // Outside a batch a run tells it again.
    analysis::AnalysisDocument doc;
    makeDocument(doc, s("1000,1400"), true);
    EXPECT_EQ(prompter.texts().size(), 2);
}

TEST_F(RecalculationTest, CancelDuringTheThirdKeepsTheFirstTwoRecalculatedAndTheRestUntouched)
{
    for (const char* name : {"1", "2", "3", "4"})
        add(s(name), s("1000,1400"), true);
    support::addRace(db(), s("R3"), 1300, 6);
    // One by one the third favourite is the third step; in passes of two it
    // is in the second pass.
    const struct {
        int batchSize;
        int cancelAt;
    } cases[] = {{1, 3}, {2, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.batchSize);
        for (const char* name : {"1", "2", "3", "4"}) {
            Favourite f = find(s(name));
            f.statistics[0] = 4.0;
            FavouriteStore(db()).save(f);
        }
        const BatchSummary summary = runCancelling(c.cancelAt, [&c](context::AppContext& other) {
            return subFavoSaiKeisan(other, QString(), {}, c.batchSize);
        });
        EXPECT_TRUE(summary.cancelled) << batchSummaryText(summary).toStdString();
        EXPECT_EQ(summary.updated, 2);
        EXPECT_EQ(find(s("1")).statistics[0], 10.0);
        EXPECT_EQ(find(s("2")).statistics[0], 10.0);
        EXPECT_EQ(find(s("3")).statistics[0], 4.0);
        EXPECT_EQ(find(s("4")).statistics[0], 4.0);
    }
}

class ConversionTest : public RecalculationTest {
protected:
    void SetUp() override
    {
        RecalculationTest::SetUp();
        conditions::ConditionItem item;
        item.number = 1;
        item.group = s("直前情報");
        item.name = s("馬体重");
        item.key = s("D番組データ.距離");
        item.type = 2;
        item.range = s("0");
        ctx.catalogue.items.push_back(item);
        ctx.catalogue.nameMap.insert(item.name, 1);
        ctx.catalogue.order.push_back(1);
        QString columns;
        for (int i = 0; i < kStatisticCount; ++i)
            columns += QLatin1Char('[') + statisticColumns()[std::size_t(i)] +
                       (isCountStatistic(i) ? s("] LONG, ") : s("] SINGLE, "));
        db().execute(s("CREATE TABLE お気に入り直前なし (名称 CHAR(50), グループ名 CHAR(50), 表示 BIT, 条件 MEMO, "
                       "ＷＨＥＲＥ文 MEMO, ") +
                     columns + s("コメント MEMO, 直前省略有無 SHORT, 作者名 CHAR(50))"));
    }

    static conditions::ConditionRow preRace(int target)
    {
        conditions::ConditionRow row = support::distanceRow(s("1111,2222"));
        row.group = s("直前情報");
        row.itemName = s("馬体重");
        row.target = qint16(target);
        row.targetCaption = conditions::targetCaption(target);
        return row;
    }

    struct Row {
        QString name, where;
        int omitted;
        std::optional<double> total, winAverage;
    };
    std::vector<Row> rows()
    {
        std::vector<Row> out;
        for (store::Recordset rs = db().openRecordset(
                 s("select 名称, ＷＨＥＲＥ文, 直前省略有無, 総件数, 単平均配当 from お気に入り直前なし order by 名称"));
             !rs.isEOF(); rs.moveNext()) {
            Row r{rs.field(0).toText(), rs.field(1).toText(), int(rs.field(2).toInt()), {}, {}};
            if (!rs.field(3).isNull())
                r.total = rs.field(3).toDouble();
            if (!rs.field(4).isNull())
                r.winAverage = rs.field(4).toDouble();
            out.push_back(r);
        }
        return out;
    }
};

TEST_F(ConversionTest, DropsCurrentRacePreRaceConditionsAndCopiesTheStoredStatistics)
{
    add(s("a直前のみ"), {preRace(0)}, false);
    add(s("b混在"), {support::distanceRow(s("1000,1400")), preRace(0)}, true);
    add(s("c前走"), {support::distanceRow(s("1000,1400")), preRace(1)}, true);
    add(s("d未分析"), s("1000,1400"), false);

    const BatchSummary summary = subChokuHen(ctx);
    EXPECT_EQ(summary.updated, 3) << batchSummaryText(summary).toStdString();
    EXPECT_EQ(summary.skipped, QStringList{noConditionLeftMessage(s("組"), s("a直前のみ"))});
    EXPECT_TRUE(summary.failed.isEmpty()) << batchSummaryText(summary).toStdString();

    const std::vector<Row> converted = rows();
    ASSERT_EQ(converted.size(), 3u);
    EXPECT_EQ(converted[0].name, s("b混在"));
    EXPECT_EQ(converted[0].omitted, 1);
    EXPECT_FALSE(converted[0].where.contains(s("2222"))) << converted[0].where.toStdString();
    EXPECT_EQ(converted[0].total, 4.0);
    EXPECT_EQ(converted[1].name, s("c前走"));
    EXPECT_EQ(converted[1].omitted, 0);
    EXPECT_TRUE(converted[1].where.contains(s("2222"))) << converted[1].where.toStdString();
    EXPECT_EQ(converted[2].name, s("d未分析"));
    EXPECT_EQ(converted[2].total, 0.0);
    EXPECT_FALSE(converted[2].winAverage.has_value());

    // A second conversion gives the same table; a cancelled one leaves it.
    subChokuHen(ctx);
    EXPECT_EQ(rows().size(), 3u);
    db().execute(s("delete from お気に入り where 名称 = 'b混在'"));
    const BatchSummary cancelled = runCancelling(2, [](context::AppContext& c) { return subChokuHen(c); });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(rows().size(), 3u);
}

} // namespace
} // namespace tq::favourites
