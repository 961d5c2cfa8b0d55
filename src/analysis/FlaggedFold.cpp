#include "analysis/FlaggedFold.h"

#include "analysis/AnalysisQuery.h"
#include "analysis/Payouts.h"
#include "common/VbNumber.h"
#include "context/AppContext.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/RowBatch.h"

#include <QThread>

#include <bit>
#include <cmath>
#include <optional>
#include <span>
#include <string>

namespace tq::analysis {

namespace {

// What one set keeps beside its accumulators while the rows pass.
struct SetState {
    qint64 race = 0; // the number of the race its last counted row was in
    bool won = false, top2 = false, top3 = false;
};

// The values of a counted row that every set reads alike, worked out once.
struct CountedValues {
    bool haveOdds = false;
    double odds = 0;
    QString date; // read only when the odds are missing
    qint64 finish = 0;
    HorsePayouts payouts; // read only for the first three
};

// Rows of a runner that did not run (abnormality code 1 or 2) are neither
// counted nor listed.
bool notRun(const store::Row& row, const AnalysisColumns& cols)
{
    if (cols.abnormal < 0)
        return false;
    const QByteArrayView code = row.field(cols.abnormal).utf8();
    return code.size() == 1 && (code[0] == '1' || code[0] == '2');
}

std::vector<store::ColumnCopy> columnsToCopy(const AnalysisColumns& c, const std::vector<int>& flagColumns)
{
    std::vector<store::ColumnCopy> out;
    const auto add = [&out](int column, bool asText, bool asNumber, bool perRace) {
        if (column >= 0)
            out.push_back({column, asText, asNumber, perRace});
    };
    add(c.raceKey, true, false, false);
    add(c.abnormal, true, false, false);
    add(c.horseNumber, true, false, false);
    add(c.date, true, false, true);
    // The race's payout slots: horse numbers compared as text, payouts read as they are.
    const std::span<const int> horseSlots[] = {c.winHorse, c.placeHorse};
    const std::span<const int> payoutSlots[] = {c.winPayout, c.placePayout};
    for (const std::span<const int> run : horseSlots)
        for (const int column : run)
            add(column, true, false, true);
    for (const std::span<const int> run : payoutSlots)
        for (const int column : run)
            add(column, false, false, true);
    add(c.winOdds, false, true, false);
    add(c.finish, false, true, false);
    for (const int column : flagColumns)
        add(column, false, false, false);
    return out;
}

class Fold final {
  public:
    Fold(const AnalysisColumns& cols, int setCount)
        : m_cols(cols), m_tallies(std::size_t(setCount)), m_states(std::size_t(setCount))
    {
    }

    void row(const store::Row& row, const std::vector<int>& flagColumns)
    {
        followRace(row);
        bool any = false;
        forEachSet(row, flagColumns, [&](std::size_t set) {
            m_tallies[set].selected = true;
            any = true;
        });
        if (!any || notRun(row, m_cols))
            return;
        readValues(row);
        forEachSet(row, flagColumns, [&](std::size_t set) { count(m_tallies[set], m_states[set]); });
    }

    std::vector<FlaggedTally> tallies() && { return std::move(m_tallies); }

  private:
    template <typename F> static void forEachSet(const store::Row& row, const std::vector<int>& flagColumns, F&& f)
    {
        for (std::size_t w = 0; w < flagColumns.size(); ++w) {
            auto bits = quint32(row.field(flagColumns[w]).toInt());
            for (; bits != 0; bits &= bits - 1)
                f(w * kFlagsPerWord + std::size_t(std::countr_zero(bits)));
        }
    }

    // Numbers the races as the rows reach them: rows come in race-key order,
    // so a set is in a new race exactly when the number differs from the
    // one of its last counted row. A first race with an empty key is race 0,
    // which a run that starts with no race before it does not count.
    void followRace(const store::Row& row)
    {
        if (m_cols.raceKey < 0)
            return;
        const QByteArrayView race = row.field(m_cols.raceKey).utf8();
        if (race == QByteArrayView(m_race))
            return;
        m_race.assign(race.data(), std::size_t(race.size()));
        ++m_raceNumber;
    }

    void readValues(const store::Row& row)
    {
        m_values.odds = 0.0;
        m_values.haveOdds = false;
        if (m_cols.winOdds >= 0) {
            const store::Field odds = row.field(m_cols.winOdds);
            m_values.odds = odds.isNull() ? 0.0 : odds.toDouble();
            m_values.haveOdds = m_values.odds != 0.0;
        }
        if (!m_values.haveOdds)
            m_values.date = m_cols.date >= 0 ? row.field(m_cols.date).toText() : QString();
        m_values.finish = 0;
        if (m_cols.finish >= 0) {
            const store::Field finish = row.field(m_cols.finish);
            m_values.finish = finish.isNull() ? 0 : qint64(std::floor(finish.toDouble()));
        }
        m_values.payouts = m_values.finish >= 1 && m_values.finish <= 3 ? m_payouts.of(row, m_cols) : HorsePayouts();
    }

    void count(FlaggedTally& tally, SetState& state)
    {
        StatRow& stats = tally.stats;
        if (m_cols.raceKey >= 0 && state.race != m_raceNumber) {
            ++stats.r;
            state.won = state.top2 = state.top3 = false;
            state.race = m_raceNumber;
        }
        ++stats.n;
        if (m_values.haveOdds)
            stats.addOdds(m_values.odds);
        else if (!tally.incompleteDate)
            tally.incompleteDate = m_values.date;
        const qint64 finish = m_values.finish;
        if (finish == 1) {
            ++stats.w1;
            stats.addWin(m_values.payouts.win);
            stats.addPlace(m_values.payouts.place);
            if (!state.won) {
                ++stats.rw;
                state.won = true;
            }
        } else if (finish == 2 || finish == 3) {
            ++(finish == 2 ? stats.w2 : stats.w3);
            stats.addPlace(m_values.payouts.place);
        }
        if (finish >= 1 && finish <= 2 && !state.top2) {
            ++stats.r2;
            state.top2 = true;
        }
        if (finish >= 1 && finish <= 3 && !state.top3) {
            ++stats.r3;
            state.top3 = true;
        }
    }

    const AnalysisColumns m_cols;
    std::vector<FlaggedTally> m_tallies;
    std::vector<SetState> m_states;
    std::string m_race;
    qint64 m_raceNumber = 0;
    CountedValues m_values;
    RacePayouts m_payouts;
};

std::vector<int> flagColumnsOf(const store::Recordset& rs, int setCount)
{
    std::vector<int> columns;
    for (int w = 0; w * kFlagsPerWord < setCount; ++w) {
        const int column = rs.fieldIndex(QStringLiteral("フラグ") + QString::number(w));
        if (column < 0)
            throw std::runtime_error("the flagged statement lacks a flag column");
        columns.push_back(column);
    }
    return columns;
}

} // namespace

QString incompleteDataMessage(const QString& date)
{
    return common::vbFormatText(date, QStringLiteral("@@@@/@@/@@")) +
           QStringLiteral("のデータが不完全（又は成績速報版）のため正しく分析が行えません");
}

std::optional<std::vector<FlaggedTally>> foldFlagged(context::AppContext& ctx, const QString& sql, int setCount)
{
    std::optional<store::Recordset> rs;
    try {
        const store::ProgressHandlerScope keepAlive(*ctx.appDb, [&ctx] {
            ctx.busy.keepAlive();
            return ctx.busy.cancelled();
        });
        rs.emplace(ctx.appDb->openRecordset(sql));
    } catch (const store::DbError&) {
        if (ctx.busy.cancelled())
            return std::nullopt;
        throw;
    }
    const AnalysisColumns cols = AnalysisColumns::resolve(*rs);
    const std::vector<int> flagColumns = flagColumnsOf(*rs, setCount);
    Fold fold(cols, setCount);
    // The statement's predicates are the work: it steps on another core while
    // this thread folds, and then only the busy window takes input.
    const bool background = QThread::idealThreadCount() > 1;
    const auto serviceWindows = [&ctx, background] {
        if (background)
            ctx.busy.keepAlive();
        else
            ctx.busy.yield();
    };
    store::RowStream stream(*ctx.appDb, *rs, columnsToCopy(cols, flagColumns), background, store::kBatchRows,
                            cols.raceKey);
    const auto waitForRows = [&] {
        serviceWindows();
        if (ctx.busy.cancelled())
            stream.stop();
    };
    try {
        while (const store::RowBatch* batch = stream.next(waitForRows)) {
            serviceWindows();
            if (ctx.busy.cancelled())
                return std::nullopt;
            for (int r = 0; r < batch->rowCount(); ++r)
                fold.row(batch->row(r), flagColumns);
        }
    } catch (const store::DbError&) {
        if (ctx.busy.cancelled())
            return std::nullopt;
        throw;
    }
    if (ctx.busy.cancelled())
        return std::nullopt;
    return std::move(fold).tallies();
}

} // namespace tq::analysis
