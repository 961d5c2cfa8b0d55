// Recalculating favourites in passes over the past races stores, column for
// column and bit for bit, what recalculating each by its own analysis run
// stores: on generated data, with favourites of many shapes (Null-heavy
// items, previous runs and comparisons with them, extended SQL rows, joins of
// the catalogue, one that selects nothing, one whose SQL fails to prepare,
// one that fails while running, a link to another favourite, keys), in
// passes small enough that several favourites share each.

#include "analysis/AnalysisDocument.h"
#include "favourites/FavouriteStore.h"
#include "favourites/Recalculation.h"
#include "favourites/Registration.h"
#include "support/SharedGeneratedData.h"
#include "support/SpeedCases.h"
#include "support/StoredFavourites.h"

#include <QDateTime>

namespace tq::favourites {
namespace {

using support::conditionRow;

const QDateTime kNow(QDate(2026, 3, 1), QTime(12, 0));
const char* const kGroup = "パス比較";

conditions::ConditionRow extendedRow(const char* sql)
{
    conditions::ConditionRow row;
    row.itemName = conditions::extendedItemName();
    row.value = QString::fromUtf8(sql);
    return row;
}

class PassRecalculationTest : public support::SharedGeneratedData {
protected:
    context::AppContext& ctx() { return data().context(); }
    store::Database& db() { return *ctx().appDb; }

    QString groupFilter() const
    {
        return recalculationFilter(RecalcSelection::Group, QString::fromUtf8(kGroup));
    }

    // The most frequent values of a column of the past races.
    QStringList frequent(const QString& expression, int count)
    {
        store::Recordset rs = db().openRecordset(QStringLiteral("SELECT ") + expression + QStringLiteral(
            " AS v FROM D競走馬データ INNER JOIN K血統データ ON D競走馬データ.血統登録番号 = K血統データ.血統登録番号"
            " GROUP BY ") + expression + QStringLiteral(" ORDER BY Count(*) DESC"));
        QStringList values;
        for (; !rs.isEOF() && values.size() < count; rs.moveNext())
            if (!rs.field(0).isNull())
                values << rs.field(0).toText();
        return values;
    }

    void add(const QString& name, const conditions::ConditionSet& set)
    {
        analysis::AnalysisDocument doc;
        doc.conditions = set;
        doc.comment = QStringLiteral("c ") + name;
        FavoChoice choice;
        choice.name = name;
        choice.group = QString::fromUtf8(kGroup);
        FavouriteStore(db()).save(favouriteFromDocument(ctx(), doc, choice, QDateTime(QDate(2020, 1, 1), QTime())));
    }
    void add(const QString& name, const std::vector<conditions::ConditionRow>& rows)
    {
        conditions::ConditionSet set;
        set.rows = rows;
        add(name, set);
    }

    std::vector<support::StoredFavourite> stored() { return support::storedFavourites(db(), QString::fromUtf8(kGroup)); }

    void addDiverseFavourites();
};

void PassRecalculationTest::addDiverseFavourites()
{
    const QStringList jockeys = frequent(QStringLiteral("D競走馬データ.騎手コード"), 3);
    const QStringList sireLines = frequent(QStringLiteral("K血統データ.父系統"), 2);
    ASSERT_EQ(jockeys.size(), 3);
    ASSERT_EQ(sireLines.size(), 2);
    const auto n = [](const char* text) { return QString::fromUtf8(text); };
    const auto row = [](const char* item, const QString& value, qint16 target = 0) {
        return conditionRow(item, value.toUtf8().constData(), target);
    };

    // Ranges, sets and lists on this race and the horse.
    const char* distances[] = {"1000,1400", "1200,1600", "1600,2000", "1800,2400", "2400,3600"};
    for (int i = 0; i < 5; ++i)
        add(n("距離%1").arg(i), {row("距離", n(distances[i]))});
    add(n("芝"), {conditionRow("芝ダ", "1")});
    add(n("ダート短距離"), {conditionRow("芝ダ", "0,1"), conditionRow("距離", "1000,1400")});
    add(n("東京中山"), {conditionRow("開催場所", "0,0,0,0,1,1")});
    add(n("オッズ1-4"), {conditionRow("確定単勝オッズ", "1,3.9")});
    add(n("オッズ10-50"), {conditionRow("確定単勝オッズ", "10,50")});
    add(n("1番人気"), {conditionRow("単勝人気", "1,1")});
    add(n("4-8番人気芝"), {conditionRow("単勝人気", "4,8"), conditionRow("芝ダ", "1")});
    add(n("内枠"), {conditionRow("馬番", "1,4")});
    add(n("牝馬"), {conditionRow("性別", "0,1")});
    add(n("2-3歳"), {conditionRow("馬齢", "2,3")});
    add(n("馬体重"), {conditionRow("馬体重", "400,460")});
    add(n("月"), {conditionRow("月", "6,8")});
    add(n("頭数"), {conditionRow("出走頭数", "14,18")});
    for (int i = 0; i < 3; ++i)
        add(n("騎手%1").arg(i), {row("騎手", n("名,") + jockeys[i] + n(",0,0"))});
    add(n("騎手以外"), {row("騎手", n("名,") + jockeys[0] + n(",1,0")), conditionRow("距離", "1000,1600")});
    // Null-heavy: first starts, weight changes, ratings, pedigree, pre-race marks.
    add(n("初出走"), {conditionRow("馬体重増減", "1,5,1")});
    add(n("増減-4+4"), {conditionRow("馬体重増減", "-4,4,0")});
    add(n("ローテ"), {conditionRow("ローテーション", "1,3")});
    add(n("IDM"), {conditionRow("IDM", "40,60")});
    add(n("父系統0"), {row("父系統", sireLines[0] + n(",0"))});
    add(n("父系統以外"), {row("父系統", sireLines[1] + n(",1"))});
    add(n("偏差値"), {conditionRow("総合偏差値", "50,70")});
    add(n("偏差値と芝"), {conditionRow("総合偏差値", "45,60"), conditionRow("芝ダ", "1")});
    add(n("勝率順位"), {conditionRow("総合勝率順位", "1,3")});
    add(n("直前オッズ印"), {conditionRow("直前オッズ印", "1,1,0,0,0,0")});
    // Previous runs and comparisons with them.
    add(n("前走距離"), {conditionRow("距離", "1000,1400", 1)});
    add(n("前走1着"), {conditionRow("着順", "1,1", 1)});
    add(n("前走オッズと今走"), {conditionRow("確定単勝オッズ", "1,9.9", 1), conditionRow("距離", "1600,2000")});
    add(n("距離延長"), {conditionRow("距離", "4,1,200", 2)});
    add(n("同距離"), {conditionRow("距離", "0,0,0", 2)});
    add(n("２走前比較"), {conditionRow("距離", "3,2,0", 4)});
    add(n("３走前着順"), {conditionRow("着順", "1,3", 5)});
    add(n("前走同場"), {conditionRow("開催場所", "0,0,0,0,1", 1), conditionRow("開催場所", "0,0,0,0,1")});
    // Extended SQL rows.
    add(n("拡張頭数"), {extendedRow("D番組データ.出走頭数 >= 16")});
    add(n("拡張偶数"), {extendedRow("Val(D競走馬データ.馬番) Mod 2 = 0"), conditionRow("芝ダ", "0,1")});
    add(n("拡張Null"), {extendedRow("D成績データ.馬体重増減 > 0")});
    add(n("拡張IIf"), {extendedRow("IIf(D成績データ.単勝人気 <= 3, True, False)")});
    add(n("拡張Like"), {extendedRow("D競走馬データ.馬名 Like '*ア*'")});
    add(n("拡張と範囲"), {extendedRow("D成績データ.確定単勝オッズ < 20"), conditionRow("距離", "1200,1800")});
    // Nothing, failures, and the shapes that run alone.
    add(n("該当なし"), {conditionRow("距離", "5000,6000")});
    add(n("壊れたSQL"), {extendedRow("D番組データ.無い列 = 1")});
    add(n("実行時エラー"), {extendedRow("CLng(D番組データ.レース名) > 0")});
    conditions::ConditionSet linked;
    linked.rows = {conditionRow("芝ダ", "1")};
    linked.favourite.name = n("1番人気");
    linked.favourite.isFavourite = true;
    add(n("リンク"), linked);
    conditions::ConditionSet keyed;
    keyed.rows = {conditionRow("距離", "1000,1400")};
    keyed.keys[0] = {n("芝ダ"), {}};
    add(n("キー付き"), keyed);
}

TEST_F(PassRecalculationTest, StoresExactlyWhatTheOneByOneRecalculationStores)
{
    addDiverseFavourites();
    if (HasFatalFailure())
        return;
    const std::vector<support::StoredFavourite> before = stored();
    ASSERT_GE(before.size(), 50u);

    const BatchSummary oneByOne = subFavoSaiKeisan(ctx(), groupFilter(), [] { return kNow; }, 1);
    const std::vector<support::StoredFavourite> alone = stored();
    support::restoreFavourites(db(), QString::fromUtf8(kGroup), before);
    ASSERT_EQ(stored(), before);
    const BatchSummary passes = subFavoSaiKeisan(ctx(), groupFilter(), [] { return kNow; }, 8);
    const std::vector<support::StoredFavourite> inPasses = stored();

    ASSERT_EQ(inPasses.size(), alone.size());
    for (std::size_t r = 0; r < alone.size(); ++r)
        for (int c = 0; c < alone[r].size(); ++c)
            EXPECT_EQ(inPasses[r][c], alone[r][c]) << alone[r][0].toStdString();

    EXPECT_EQ(passes.updated, oneByOne.updated);
    QStringList skipped = passes.skipped, failed = passes.failed;
    skipped.sort();
    failed.sort();
    EXPECT_EQ(skipped, QStringList{QString::fromUtf8("該当なし")});
    EXPECT_EQ(oneByOne.skipped, skipped);
    // The generated data has no 過去の印別成績: 勝率順位 does not prepare either.
    EXPECT_EQ(failed, (QStringList{QString::fromUtf8("勝率順位"), QString::fromUtf8("壊れたSQL"),
                                   QString::fromUtf8("実行時エラー")}));
    EXPECT_EQ(oneByOne.failed, failed);
    // The link, the keys, the two statements that do not prepare and the one
    // that fails while running.
    EXPECT_EQ(passes.alone, 5) << batchSummaryText(passes).toStdString();
    EXPECT_EQ(oneByOne.alone, 0);
    EXPECT_EQ(passes.updated, int(before.size()) - 4);

    // The recalculation did change what was stored.
    EXPECT_EQ(support::differingFavourites(alone, before).size(), passes.updated);
}

} // namespace
} // namespace tq::favourites
