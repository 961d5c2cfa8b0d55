#include "favourites/RecalcPasses.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/FlaggedFold.h"
#include "analysis/GroupWriter.h"
#include "conditions/Where.h"
#include "context/AppContext.h"
#include "context/BatchNotices.h"
#include "favourites/RecalcSteps.h"
#include "favourites/Registration.h"
#include "favourites/WriteGroup.h"
#include "store/Database.h"

#include <algorithm>
#include <map>
#include <memory>

namespace tq::favourites {

namespace {

// Whether a favourite's own run is a run without keys over the rows its
// WHERE text selects, which a pass can stand in for.
bool runsWithoutKeys(const conditions::ConditionSet& set)
{
    return set.kind == conditions::AnalysisKind::WinPlace && !set.rows.empty() && set.favourite.name.isEmpty() &&
           std::all_of(set.keys.begin(), set.keys.end(),
                       [](const conditions::AggregationKey& key) { return key.key.isEmpty(); });
}

class Passes final {
public:
    Passes(context::AppContext& context, FavouriteStore& store, WriteGroup& writes,
           const std::vector<Favourite>& favourites, int batchSize, const std::function<QDateTime()>& now,
           StepScope& step, context::BatchNotices& notices, BatchSummary& summary)
        : m_ctx(context), m_store(store), m_writes(writes), m_favourites(favourites),
          m_batchSize(std::max(1, batchSize)), m_now(now), m_step(step), m_notices(notices), m_summary(summary)
    {
    }

    void run()
    {
        for (std::size_t i = 0; i < m_favourites.size() && !m_summary.cancelled; ++i) {
            m_ctx.busy.yield();
            if (m_ctx.busy.cancelled())
                m_summary.cancelled = true;
            else
                prepare(i);
        }
        for (auto& [from, members] : m_waiting)
            if (!m_summary.cancelled)
                runPass(std::move(members));
    }

private:
    // A favourite waiting for its pass.
    struct Member {
        std::size_t index = 0;
        QString where; // funWhere with "$" removed, as its own run's statement has it
        std::unique_ptr<analysis::AnalysisDocument> document;
    };

    void prepare(std::size_t index)
    {
        Member member{index, QString(), std::make_unique<analysis::AnalysisDocument>()};
        const bool loaded = loadFavourite(m_ctx, m_favourites[index], *member.document).result == 0;
        if (m_ctx.busy.cancelled())
            return finish(index, Outcome::Cancelled);
        if (!loaded)
            return finish(index, Outcome::Failed);
        const conditions::ConditionSet& set = member.document->conditions;
        if (!runsWithoutKeys(set))
            return alone(index);
        bool built = false;
        member.where = conditions::funWhere(m_ctx.catalogue, set, true, m_ctx.appDb.get(), m_ctx.errorLog, &built);
        if (!built)
            return finish(index, Outcome::Failed);
        if (member.where.isEmpty() || !prepares(member.where))
            return alone(index);
        std::vector<Member>& pass = m_waiting[analysis::analysisFrom(m_ctx.catalogue, member.where)];
        pass.push_back(std::move(member));
        if (int(pass.size()) >= m_batchSize)
            runPass(std::exchange(pass, {}));
    }

    // Whether the favourite's flag prepares as a statement of its own.
    bool prepares(const QString& where)
    {
        try {
            return m_ctx.appDb->returnsRows(analysis::flaggedAnalysisSql(m_ctx.catalogue, {where}));
        } catch (const std::exception&) {
            return false;
        }
    }

    void alone(std::size_t index)
    {
        const Favourite& favourite = m_favourites[index];
        m_step.at(favourite.name, m_done + 1, int(m_favourites.size()));
        ++m_summary.alone;
        m_notices.nextItem();
        m_writes.open();
        finish(index, recalculateAlone(m_ctx, m_store, favourite, now(), m_notices));
        m_writes.commitWhenDue();
    }

    void runPass(std::vector<Member> members)
    {
        if (members.empty() || m_summary.cancelled)
            return;
        m_step.at(passName(members), m_done + int(members.size()), int(m_favourites.size()));
        QStringList wheres;
        for (const Member& member : members)
            wheres << member.where;
        std::optional<std::vector<analysis::FlaggedTally>> tallies;
        try {
            tallies = analysis::foldFlagged(m_ctx, analysis::flaggedAnalysisSql(m_ctx.catalogue, wheres),
                                            int(members.size()));
        } catch (const std::exception&) {
            return splitFailedPass(std::move(members));
        }
        if (!tallies) {
            m_summary.cancelled = true;
            return;
        }
        m_writes.open();
        for (std::size_t k = 0; k < members.size(); ++k)
            store(members[k], (*tallies)[k]);
        m_writes.commit();
    }

    // A pass whose statement failed while stepping: its halves run as passes
    // of their own, so that only the favourite at fault runs (and fails) alone.
    void splitFailedPass(std::vector<Member> members)
    {
        if (members.size() == 1)
            return alone(members.front().index);
        const auto middle = members.begin() + std::ptrdiff_t(members.size() / 2);
        std::vector<Member> second(std::make_move_iterator(middle), std::make_move_iterator(members.end()));
        members.erase(middle, members.end());
        runPass(std::move(members));
        runPass(std::move(second));
    }

    void store(Member& member, const analysis::FlaggedTally& tally)
    {
        if (tally.incompleteDate) {
            m_notices.nextItem();
            context::Message m;
            m.text = analysis::incompleteDataMessage(*tally.incompleteDate);
            m_notices.tell(m_ctx.prompter, m);
        }
        if (!tally.selected)
            return finish(member.index, Outcome::Skipped);
        analysis::AnalysisDocument& document = *member.document;
        document.result.clear();
        analysis::GroupWriter writer(document.result, QStringList(), m_ctx.appDb.get(), m_ctx.colours);
        analysis::StatRow stats = tally.stats;
        writer.write(QStringList(), stats);
        storeRecalculated(m_ctx, m_store, m_favourites[member.index], document, now());
        finish(member.index, Outcome::Updated);
    }

    QString passName(const std::vector<Member>& members) const
    {
        const QString& first = m_favourites[members.front().index].name;
        if (members.size() == 1)
            return first;
        return first + QStringLiteral("～") + m_favourites[members.back().index].name;
    }

    void finish(std::size_t index, Outcome outcome)
    {
        count(m_summary, outcome, m_favourites[index].name);
        ++m_done;
    }

    QDateTime now() const { return m_now ? m_now() : QDateTime::currentDateTime(); }

    context::AppContext& m_ctx;
    FavouriteStore& m_store;
    WriteGroup& m_writes;
    const std::vector<Favourite>& m_favourites;
    const int m_batchSize;
    const std::function<QDateTime()>& m_now;
    StepScope& m_step;
    context::BatchNotices& m_notices;
    BatchSummary& m_summary;
    // Favourites waiting for a pass, by the FROM text of their runs.
    std::map<QString, std::vector<Member>> m_waiting;
    int m_done = 0;
};

} // namespace

void recalculateInPasses(context::AppContext& context, FavouriteStore& store, WriteGroup& writes,
                         const std::vector<Favourite>& favourites, int batchSize,
                         const std::function<QDateTime()>& now, StepScope& step, context::BatchNotices& notices,
                         BatchSummary& summary)
{
    Passes(context, store, writes, favourites, batchSize, now, step, notices, summary).run();
}

} // namespace tq::favourites
