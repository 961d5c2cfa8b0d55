#include "favourites/Recalculation.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/ConditionFile.h"
#include "analysis/Run.h"
#include "conditions/Clauses.h"
#include "conditions/Rewrites.h"
#include "conditions/Where.h"
#include "context/AppContext.h"
#include "context/BatchNotices.h"
#include "context/StatusLine.h"
#include "favourites/FavouriteStore.h"
#include "favourites/RecalcPasses.h"
#include "favourites/RecalcSteps.h"
#include "favourites/Registration.h"
#include "favourites/WriteGroup.h"
#include "store/Database.h"
#include "store/Dynaset.h"

#include <cmath>

namespace tq::favourites {

namespace {

QString errorText(const std::exception& e)
{
    if (const auto* db = dynamic_cast<const store::DbError*>(&e))
        return db->describe();
    return QString::fromUtf8(e.what());
}

void recalculateOneByOne(context::AppContext& context, FavouriteStore& store, WriteGroup& writes,
                         const std::vector<Favourite>& favourites, const std::function<QDateTime()>& now,
                         StepScope& step, context::BatchNotices& notices, BatchSummary& summary)
{
    int n = 0;
    for (const Favourite& favourite : favourites) {
        step.at(favourite.name, ++n, summary.total);
        notices.nextItem();
        writes.open();
        const Outcome outcome =
            recalculateAlone(context, store, favourite, now ? now() : QDateTime::currentDateTime(), notices);
        count(summary, outcome, favourite.name);
        if (outcome == Outcome::Cancelled)
            break;
        writes.commitWhenDue();
    }
}

// One row of お気に入り直前なし from the favourite and its document loaded
// without pre-race conditions.
void addConvertedRow(store::Dynaset& target, const Favourite& favourite, const analysis::AnalysisDocument& document,
                     const QString& where, int omitted)
{
    target.addNew();
    target.setValue(QStringLiteral("名称"), store::Value(favourite.name));
    target.setValue(QStringLiteral("グループ名"), store::Value(favourite.group));
    target.setValue(QStringLiteral("表示"), store::Value(favourite.show ? -1 : 0));
    target.setValue(QStringLiteral("条件"), store::Value(favourite.conditionText));
    target.setValue(QStringLiteral("ＷＨＥＲＥ文"), store::Value(where));
    const auto statistics = resultStatistics(document);
    for (int i = 0; i < kStatisticCount; ++i) {
        std::optional<double> v = statistics[std::size_t(i)];
        // The first ten always get a value; a favourite never analysed has 0.
        if (!v && i < 10)
            v = 0.0;
        if (!v)
            continue;
        target.setValue(statisticColumns()[std::size_t(i)],
                        isCountStatistic(i) ? store::Value(qint64(std::llround(*v))) : store::Value(*v));
    }
    target.setValue(QStringLiteral("コメント"), store::Value(document.comment));
    target.setValue(QStringLiteral("直前省略有無"), store::Value(omitted));
    target.update();
}

// Converts one favourite; false with the reason in `problem` when it cannot
// be (its conditions do not load or build, or none is left).
Outcome convert(context::AppContext& context, store::Dynaset& target, const Favourite& favourite, QString& problem)
{
    analysis::AnalysisDocument document;
    analysis::ConditionLoadOptions options;
    options.input = analysis::ConditionInput::TextNoPreRace;
    options.commentOverride = favourite.comment;
    options.userOverride = favourite.author;
    const quint64 reportsBefore = context.errorLog.reportCount();
    const analysis::ConditionLoadResult loaded =
        analysis::funJoukenLoad(context, document, favourite.conditionText, options);
    // The reader reports lines it could not read; a left-out pre-race
    // condition is not reported, only counted in the result.
    if (context.errorLog.reportCount() != reportsBefore)
        return Outcome::Failed;
    document.caption = favourite.name;
    QString where;
    if (!buildWhere(context, document, where))
        return Outcome::Failed;
    where = conditions::funThisHenkan(context.catalogue, where);
    if (where.isEmpty()) {
        problem = noConditionLeftMessage(favourite.group, favourite.name);
        return Outcome::Skipped;
    }
    addConvertedRow(target, favourite, document, where, loaded.result);
    return Outcome::Updated;
}

} // namespace

QString recalculationFilter(RecalcSelection selection, const QString& group)
{
    switch (selection) {
    case RecalcSelection::Shown:
        return QStringLiteral("WHERE 表示=True");
    case RecalcSelection::All:
        return {};
    case RecalcSelection::Group:
        break;
    }
    return QStringLiteral("WHERE グループ名 = '") + conditions::quoteLiteral(group) + QLatin1Char('\'');
}

QStringList recalculationGroups(context::AppContext& context)
{
    QStringList groups;
    if (!context.appDb)
        return groups;
    store::Recordset rs = context.appDb->openRecordset(
        QStringLiteral("select グループ名 from お気に入り group by グループ名 order by グループ名"));
    for (; !rs.isEOF(); rs.moveNext())
        if (!rs.field(0).isNull())
            groups << rs.field(0).toText();
    return groups;
}

QString noConditionLeftMessage(const QString& group, const QString& name)
{
    return QStringLiteral("グループ＝") + group + QStringLiteral("、名称＝［") + name +
           QStringLiteral("］はＷＨＥＲＥ条件が全てなくなったので、登録できません");
}

QString batchSummaryText(const BatchSummary& summary)
{
    QString text = QStringLiteral("対象 %1 件: 更新 %2 件、スキップ %3 件、失敗 %4 件")
                       .arg(summary.total)
                       .arg(summary.updated)
                       .arg(summary.skipped.size())
                       .arg(summary.failed.size());
    if (summary.cancelled)
        text += QStringLiteral("（キャンセルされました）");
    if (!summary.skipped.isEmpty())
        text += QStringLiteral("\nスキップ: ") + summary.skipped.join(QStringLiteral("、"));
    if (!summary.failed.isEmpty())
        text += QStringLiteral("\n失敗: ") + summary.failed.join(QStringLiteral("、"));
    if (summary.incompleteData > 0)
        text += QStringLiteral("\nデータが不完全（又は成績速報版）の日を含むお気に入り: %1 件").arg(summary.incompleteData);
    if (summary.alone > 0)
        text += QStringLiteral("\n個別に分析: %1 件").arg(summary.alone);
    if (!summary.error.isEmpty())
        text += QStringLiteral("\n中止: ") + summary.error;
    return text;
}

BatchSummary subFavoSaiKeisan(context::AppContext& context, const QString& filter,
                              const std::function<QDateTime()>& now, int batchSize)
{
    BatchSummary summary;
    StepScope step(context.busy);
    context::BatchNotices notices;
    // A キャンセル of an earlier operation must not stop this one.
    context.busy.show();
    try {
        if (!context.appDb)
            throw std::runtime_error("the application database is not open");
        FavouriteStore store(*context.appDb);
        const std::vector<Favourite> favourites = store.select(filter);
        summary.total = int(favourites.size());
        WriteGroup writes(*context.appDb);
        try {
            if (batchSize > 1)
                recalculateInPasses(context, store, writes, favourites, batchSize, now, step, notices, summary);
            else
                recalculateOneByOne(context, store, writes, favourites, now, step, notices, summary);
        } catch (...) {
            // The favourites stored before the error stay stored.
            writes.commit();
            throw;
        }
        writes.commit();
    } catch (const std::exception& e) {
        summary.error = errorText(e);
        context.errorLog.report({0, summary.error, QString()}, QStringLiteral("subFavoSaiKeisan"));
    }
    context.busy.hide();
    summary.incompleteData = notices.itemsConcerned();
    return summary;
}

BatchSummary subChokuHen(context::AppContext& context)
{
    BatchSummary summary;
    StepScope step(context.busy);
    context.busy.show();
    try {
        if (!context.appDb)
            throw std::runtime_error("the application database is not open");
        store::Database& db = *context.appDb;
        const std::vector<Favourite> favourites = FavouriteStore(db).select(QString());
        summary.total = int(favourites.size());
        store::Transaction transaction(db);
        db.execute(QStringLiteral("delete from お気に入り直前なし"));
        auto target = store::Dynaset::open(db, QStringLiteral("select * from お気に入り直前なし"));
        int n = 0;
        for (const Favourite& favourite : favourites) {
            step.at(favourite.name, ++n, summary.total);
            context.busy.yield();
            if (context.busy.cancelled()) {
                summary.cancelled = true;
                break;
            }
            QString problem;
            const Outcome outcome = convert(context, *target, favourite, problem);
            count(summary, outcome, outcome == Outcome::Skipped ? problem : favourite.name);
        }
        if (!summary.cancelled)
            transaction.commit();
    } catch (const std::exception& e) {
        summary.error = errorText(e);
        context.errorLog.report({0, summary.error, QString()}, QStringLiteral("subChokuHen"));
    }
    context.busy.hide();
    return summary;
}

} // namespace tq::favourites
