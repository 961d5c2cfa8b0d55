#include "analysis/Run.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/ConditionFile.h"
#include "analysis/HorseList.h"
#include "analysis/RunExtras.h"
#include "analysis/Statistics.h"
#include "context/AppContext.h"
#include "context/StatusLine.h"


namespace tq::analysis {

namespace {

const QString kProcedure = QStringLiteral("subBunseki");

QString clockText(const QDateTime& t)
{
    return t.toString(QStringLiteral("hh:mm:ss"));
}

} // namespace

QString noConditionsMessage()
{
    return QStringLiteral("条件を指定してから分析実行を行って下さい");
}

qint64 elapsedWholeSeconds(const QDateTime& start, const QDateTime& end)
{
    // Seconds between the times truncated to whole seconds, as the status
    // line shows them.
    const qint64 a = start.toMSecsSinceEpoch() / 1000;
    const qint64 b = end.toMSecsSinceEpoch() / 1000;
    return b - a;
}

bool subBunseki(context::AppContext& context, context::StatusLine& status, AnalysisDocument& document, bool silent,
                const BetTypeRun& betTypeRun, const std::function<QDateTime()>& now,
                context::BatchNotices* batchNotices)
{
    if (document.isRunning())
        return false;
    const conditions::ConditionSet& set = document.conditions;
    if (set.rows.empty() && set.favourite.name.isEmpty() && set.keys[0].key.isEmpty()) {
        context.prompter.inform(context::Message{noConditionsMessage(), {}, context::Icon::None, false});
        return false;
    }
    const auto clock = [&now] { return now ? now() : QDateTime::currentDateTime(); };

    context.busy.show();
    context.busy.setProgress(QStringLiteral("分析中です"));
    context.busy.yield();
    try {
        const QDateTime t0 = clock();
        status.setText(clockText(t0) + QStringLiteral("(分析開始) "));
        context.busy.yield();

        bool ok = false;
        if (set.kind == conditions::AnalysisKind::WinPlace) {
            bool built = false;
            const QString sql = funSqlCreate2(context.catalogue, set, context.appDb.get(), context.errorLog, &built);
            if (built) {
                DefaultHorseList list(context.catalogue, context.appDb.get(), &context.errorLog, document.listLimit);
                RunServices services;
                services.statusLine = &status;
                if (context.buildHorseList)
                    services.horseList = &list;
                else
                    document.defaultList.clear(); // no list rather than the last run's
                services.conditionText = [&context](const AnalysisDocument& d) { return conditionText(context, d); };
                RunExtras extras(document);
                services.observers = extras.observers();
                services.batchNotices = batchNotices;
                ok = subKekkaHyouji(context, document, sql, silent, services);
                if (ok)
                    extras.finish(document);
            }
        } else if (betTypeRun) {
            ok = betTypeRun(context, status, document, silent);
        } else {
            context.errorLog.report(common::ErrorInfo{0, QStringLiteral("bet-type analysis is not available"), {}},
                                    kProcedure);
        }
        if (!ok) {
            context.busy.hide();
            return false;
        }

        document.settingList.clear();
        document.shownListSetting.clear();
        document.listCaption = AnalysisDocument::defaultListCaption();
        context.busy.hide();
        const QDateTime t1 = clock();
        status.setText(status.text() + QStringLiteral("→ ") + clockText(t1) + QStringLiteral("(分析終了)") +
                       QStringLiteral(" 【実行時間: ") + QString::number(elapsedWholeSeconds(t0, t1)) +
                       QStringLiteral(" 秒】"));
        return true;
    } catch (const std::exception& e) {
        context.errorLog.report(common::ErrorInfo{0, QString::fromUtf8(e.what()), {}}, kProcedure);
    }
    context.busy.hide();
    return false;
}

} // namespace tq::analysis
