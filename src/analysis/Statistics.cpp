#include "analysis/Statistics.h"

#include "analysis/ResultTable.h"
#include "analysis/StatisticsKeys.h"
#include "common/VbNumber.h"
#include "context/AppContext.h"
#include "context/BatchNotices.h"
#include "context/BusyStatement.h"
#include "context/StatusLine.h"
#include "store/Database.h"
#include "store/Operations.h"
#include "store/RowBatch.h"

#include <QSet>
#include <QThread>
#include <QTime>

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <span>
#include <string>

namespace tq::analysis {

namespace {

const QString kProcedure = QStringLiteral("subKekkaHyouji");

void report(context::AppContext& ctx, int number, const QString& description)
{
    ctx.errorLog.report({number, description, {}}, kProcedure);
}

// One key level of a run.
struct Level {
    QString keyText;
    QString rangeText;
    int column = -1;
    std::unique_ptr<KeyLabeller> labeller;
    bool countRuns = false; // range kind "9": groups of `count` rows
    double count = 0;
    float sum = 0;
    QString current;
    // The last value labelled and its label: rows come sorted by the key, so
    // most rows repeat the previous value and need no new label.
    bool haveLast = false;
    store::Value::Kind lastKind = store::Value::Kind::Null;
    qint64 lastInt = 0;
    double lastReal = 0;
    std::string lastText;
    QString lastLabel;
};

// The label of the level's value in the current row, reusing the previous
// label when the value is the same (compared without building a text).
const QString& rowLabel(Level& level, const store::Row& rs)
{
    using Kind = store::Value::Kind;
    if (level.column < 0) {
        if (!level.haveLast) {
            level.lastLabel = level.labeller->label(store::Value(), false);
            level.haveLast = true;
        }
        return level.lastLabel;
    }
    const store::Field f = rs.field(level.column);
    const Kind kind = f.kind();
    qint64 i = 0;
    double d = 0;
    QByteArrayView text;
    bool same = level.haveLast && kind == level.lastKind;
    switch (kind) {
    case Kind::Integer:
        i = f.toInt();
        same = same && i == level.lastInt;
        break;
    case Kind::Real:
        d = f.toDouble();
        same = same && std::memcmp(&d, &level.lastReal, sizeof d) == 0;
        break;
    case Kind::Text:
        text = f.utf8();
        same = same && std::size_t(text.size()) == level.lastText.size() &&
               std::memcmp(text.data(), level.lastText.data(), level.lastText.size()) == 0;
        break;
    case Kind::Null:
        break;
    }
    if (same)
        return level.lastLabel;
    store::Value value;
    switch (kind) {
    case Kind::Integer:
        value = store::Value(i);
        break;
    case Kind::Real:
        value = store::Value(d);
        break;
    case Kind::Text:
        value = store::Value(QString::fromUtf8(text));
        break;
    case Kind::Null:
        break;
    }
    level.lastLabel = level.labeller->label(value, false);
    level.haveLast = true;
    level.lastKind = kind;
    level.lastInt = i;
    level.lastReal = d;
    if (text.isEmpty())
        level.lastText.clear();
    else
        level.lastText.assign(text.data(), std::size_t(text.size()));
    return level.lastLabel;
}

void tellCounted(const std::vector<GroupObserver*>& observers, const store::Row& rs,
                 const AnalysisColumns& cols, qint64 finish, const HorsePayouts& payouts)
{
    CountedRow row;
    if (cols.raceKey >= 0)
        row.raceKey = rs.field(cols.raceKey).utf8();
    if (cols.date >= 0)
        row.date = rs.field(cols.date).utf8();
    if (cols.horseNumber >= 0)
        row.horseNumber = rs.field(cols.horseNumber).utf8();
    row.finish = finish;
    row.winPayout = payouts.win;
    row.placePayout = payouts.place;
    for (GroupObserver* observer : observers)
        observer->counted(row);
}

// Rows of a runner that did not run (abnormality code 1 or 2) are neither
// counted nor listed.
bool notRun(const store::Row& row, const AnalysisColumns& cols)
{
    if (cols.abnormal < 0)
        return false;
    const QByteArrayView code = row.field(cols.abnormal).utf8();
    return code.size() == 1 && (code[0] == '1' || code[0] == '2');
}

QString meanLabel(float sum, qint32 n)
{
    return common::vbFormat(double(sum) / double(n), QStringLiteral("0.00"));
}

// The columns a run reads, and in which forms: horse numbers, the race key
// and the abnormality code are compared as UTF-8 whatever their type; odds,
// finishing places and the values of count levels are read as numbers. The
// race's date and its payout row (one per race, joined on the race key) are
// the same in every row of a race: they are copied once per run of its rows,
// the payout row only when the rows do not carry their own payouts.
std::vector<store::ColumnCopy> columnsToCopy(const AnalysisColumns& c, const std::vector<Level>& levels)
{
    std::map<int, store::ColumnCopy> byColumn;
    auto add = [&byColumn](int column, bool asText, bool asNumber, bool perRace = false) {
        if (column < 0)
            return;
        const bool known = byColumn.contains(column);
        store::ColumnCopy& copy = byColumn[column];
        copy.column = column;
        copy.asText = copy.asText || asText;
        copy.asNumber = copy.asNumber || asNumber;
        // A column also read for another purpose is copied per row.
        copy.perGroup = known ? copy.perGroup && perRace : perRace;
    };
    for (const int column : {c.raceKey, c.abnormal, c.horseNumber})
        add(column, true, false);
    if (c.ownWinPayout < 0) {
        for (const int column : c.winHorse)
            add(column, true, false, true);
        for (const int column : c.placeHorse)
            add(column, true, false, true);
        for (const int column : c.winPayout)
            add(column, false, false, true);
        for (const int column : c.placePayout)
            add(column, false, false, true);
    }
    for (const int column : {c.winOdds, c.finish})
        add(column, false, true);
    // The date is read as text by the observers of a run (the split period).
    add(c.date, true, false, true);
    for (const int column : {c.resultKey, c.horseName})
        add(column, false, false);
    for (const Level& level : levels)
        add(level.column, false, level.countRuns);
    // The first column stands in for a missing odds or finish column.
    if (c.winOdds < 0 || c.finish < 0)
        add(0, false, true);
    std::vector<store::ColumnCopy> out;
    out.reserve(byColumn.size());
    for (const auto& entry : byColumn)
        out.push_back(entry.second);
    return out;
}

} // namespace

bool subKekkaHyouji(context::AppContext& ctx, AnalysisDocument& document, const QString& sql, bool silent,
                    const RunServices& services)
{
    AnalysisDocument::RunLock lock(document);
    if (!lock.acquired())
        return false;
    if (!ctx.appDb) {
        report(ctx, 91, QStringLiteral("アプリケーションデータベースが開かれていません"));
        return false;
    }

    bool ok = false;
    const std::unique_ptr<store::Recordset> rs = context::openWhileBusy(ctx, sql, ok);
    if (services.statusLine)
        services.statusLine->setText(services.statusLine->text() + QStringLiteral(" → ") +
                                     QTime::currentTime().toString(QStringLiteral("hh:mm:ss")) +
                                     QStringLiteral("(DB取得)"));
    if (!ok || !rs)
        return false;
    if (rs->isEOF()) {
        if (!silent) {
            context::Message m;
            m.text = QStringLiteral("対象データは１件もありません、条件を変えて再度行って下さい");
            m.systemModal = true;
            ctx.prompter.inform(m);
        }
        return false;
    }

    try {
        const AnalysisColumns statementColumns = AnalysisColumns::resolve(*rs);

        // The levels in use, in level order.
        std::vector<Level> levels;
        QStringList keyTexts;
        bool badCount = false;
        for (const conditions::AggregationKey* key : document.conditions.keysInUse()) {
            Level level;
            level.keyText = key->key;
            level.rangeText = key->range.text;
            level.column = rs->fieldIndex(key->key);
            if (level.column < 0)
                report(ctx, 3265, QStringLiteral("集計キーの列「") + key->key + QStringLiteral("」がありません"));
            level.labeller = std::make_unique<KeyLabeller>(ctx.catalogue, level.keyText, level.rangeText,
                                                           ctx.appDb.get(), &ctx.errorLog);
            if (level.rangeText.startsWith(QLatin1Char('9'))) {
                level.countRuns = true;
                try {
                    level.count = common::vbVal(level.rangeText.mid(2));
                } catch (const std::exception&) {
                    level.count = 0;
                }
                badCount = badCount || !(level.count > 0);
            }
            keyTexts << level.keyText;
            levels.push_back(std::move(level));
        }
        if (badCount)
            report(ctx, 13, QStringLiteral("集計キーの件数指定が数値ではないため、1件ずつ集計します"));
        const int k = int(levels.size());

        // Keys sort the rows and scatter each race's rows over the statement:
        // each row is then copied with its own payouts instead of the race's
        // payout row. In race order the payout row is copied once per race.
        OwnPayouts ownPayouts(statementColumns);
        const bool payoutsComputed = k > 0;
        const AnalysisColumns cols =
            payoutsComputed ? OwnPayouts::ofCopiedRows(statementColumns, rs->fieldCount()) : statementColumns;

        StatRow stats;
        document.result.clear();
        GroupWriter writer(document.result, keyTexts, ctx.appDb.get(), ctx.colours);
        QStringList current;
        for (Level& level : levels) {
            level.current = rowLabel(level, *rs);
            current << level.current;
        }

        document.listsVisible = false;
        if (services.horseList)
            services.horseList->prepare(document.defaultList, cols);

        // With a second core the default list is filled on a thread of its
        // own from copies of the rows, in the statement's order. The
        // statement itself steps on another thread when it sorts by keys (the
        // sort is done before the first row; the rows then come faster than
        // one thread folds them); without keys stepping is the work, and the
        // fold stays on the stepping thread. Neither when something folding
        // or listing the rows runs statements of its own on the connection.
        const bool threads = services.secondThread && QThread::idealThreadCount() > 1;
        const bool listReadsDatabase = services.horseList && services.horseList->readsDatabase();
        const bool listBeside = threads && services.horseList && !listReadsDatabase;
        bool secondThread = threads && k > 0 && !listReadsDatabase;
        for (const Level& level : levels)
            secondThread = secondThread && !level.labeller->readsDatabase();
        if (secondThread)
            writer.readStoredWidths();
        // While another thread steps or lists, only the busy window takes
        // input: nothing the user starts may use the connection or the list.
        const auto serviceWindows = [&ctx, keepOthersOut = secondThread || listBeside] {
            if (keepOthersOut)
                ctx.busy.keepAlive();
            else
                ctx.busy.yield();
        };

        auto closeGroup = [&](const store::Row& row) {
            for (int i = 0; i < k; ++i)
                current[i] = levels[std::size_t(i)].current;
            int written = -1;
            try {
                written = writer.write(current, stats);
            } catch (const std::exception& e) {
                report(ctx, 0, QString::fromUtf8(e.what()));
            }
            for (GroupObserver* observer : services.observers)
                observer->groupWritten(written);
            stats.resetGroup();
            for (int i = 0; i < k; ++i) {
                Level& level = levels[std::size_t(i)];
                level.current = rowLabel(level, row);
                level.sum = 0;
            }
        };

        std::string previousRace;
        bool won = false, top2 = false, top3 = false;
        // Dates whose missing odds were reported in this run. Rows sorted by
        // aggregation keys revisit a date many times; it is reported once.
        QSet<QString> reportedDates;
        // Folds one row of the statement, in the statement's order.
        auto foldRow = [&](const store::Row& row) {
            if (notRun(row, cols))
                return;
            if (services.horseList && !listBeside)
                services.horseList->addRow(document.defaultList, row, cols);

            if (cols.raceKey >= 0) {
                const QByteArrayView race = row.field(cols.raceKey).utf8();
                if (std::size_t(race.size()) != previousRace.size() ||
                    std::memcmp(race.data(), previousRace.data(), previousRace.size()) != 0) {
                    ++stats.r;
                    won = top2 = top3 = false;
                    previousRace.assign(race.data(), std::size_t(race.size()));
                }
            }

            for (int i = 0; i < k; ++i) {
                Level& level = levels[std::size_t(i)];
                if (level.countRuns) {
                    if (level.count <= stats.n) {
                        if (stats.n > 0)
                            level.current = meanLabel(level.sum, stats.n);
                        closeGroup(row);
                        break;
                    }
                    continue;
                }
                if (rowLabel(level, row) != level.current) {
                    closeGroup(row);
                    break;
                }
            }
            for (Level& level : levels) {
                if (level.countRuns && level.column >= 0) {
                    const store::Field f = row.field(level.column);
                    if (!f.isNull())
                        level.sum = float(double(level.sum) + f.toDouble());
                }
            }

            ++stats.n;

            const store::Field odds = cols.winOdds >= 0 ? row.field(cols.winOdds) : row.field(0);
            if (cols.winOdds < 0 || odds.isNull() || odds.toDouble() == 0.0) {
                const QString date = cols.date >= 0 ? row.field(cols.date).toText() : QString();
                if (!reportedDates.contains(date)) {
                    reportedDates.insert(date);
                    context::Message m;
                    m.text = common::vbFormatText(date, QStringLiteral("@@@@/@@/@@")) +
                             QStringLiteral("のデータが不完全（又は成績速報版）のため正しく分析が行えません");
                    context::tellDataNotice(services.batchNotices, ctx.prompter, m);
                }
            } else {
                stats.addOdds(odds.toDouble());
            }

            const store::Field finishField = cols.finish >= 0 ? row.field(cols.finish) : row.field(0);
            const qint64 finish =
                cols.finish < 0 || finishField.isNull() ? 0 : qint64(std::floor(finishField.toDouble()));
            HorsePayouts payouts;
            if (finish == 1) {
                ++stats.w1;
                payouts = horsePayouts(row, cols);
                stats.addWin(payouts.win);
                stats.addPlace(payouts.place);
                if (!won) {
                    ++stats.rw;
                    won = true;
                }
            } else if (finish == 2) {
                ++stats.w2;
                payouts.place = funHaraimodoshi(true, row, cols);
                stats.addPlace(payouts.place);
            } else if (finish == 3) {
                ++stats.w3;
                payouts.place = funHaraimodoshi(true, row, cols);
                stats.addPlace(payouts.place);
            }
            if (!services.observers.empty())
                tellCounted(services.observers, row, cols, finish, payouts);
            if (finish >= 1 && finish <= 2 && !top2) {
                ++stats.r2;
                top2 = true;
            }
            if (finish >= 1 && finish <= 3 && !top3) {
                ++stats.r3;
                top3 = true;
            }
        };

        {
            store::RowStream::SideReader fillList;
            if (listBeside)
                fillList = [&](const store::RowBatch& batch) {
                    for (int r = 0; r < batch.rowCount(); ++r) {
                        const store::BatchRow row = batch.row(r);
                        if (!notRun(row, cols))
                            services.horseList->addRow(document.defaultList, row, cols);
                    }
                };
            store::RowStream stream(*ctx.appDb, *rs, columnsToCopy(cols, levels), secondThread, store::kBatchRows,
                                    cols.raceKey, std::move(fillList), payoutsComputed ? &ownPayouts : nullptr);
            // A step that searches long for the next row (a rare condition
            // without keys) is cut short when the user cancels.
            const auto waitForRows = [&] {
                serviceWindows();
                if (ctx.busy.cancelled())
                    stream.stop();
            };
            while (const store::RowBatch* batch = stream.next(waitForRows)) {
                for (int r = 0; r < batch->rowCount(); ++r) {
                    serviceWindows();
                    if (ctx.busy.cancelled())
                        return false;
                    foldRow(batch->row(r));
                }
            }
            if (ctx.busy.cancelled())
                return false;
        } // the stepping thread has ended: the connection is this thread's again

        for (Level& level : levels)
            if (level.countRuns && stats.n > 0)
                level.current = meanLabel(level.sum, stats.n);
        for (int i = 0; i < k; ++i)
            current[i] = levels[std::size_t(i)].current;
        // A group that cannot be written is reported and the run goes on.
        int written = -1;
        try {
            StatRow last = stats;
            written = writer.write(current, last);
        } catch (const std::exception& e) {
            report(ctx, 0, QString::fromUtf8(e.what()));
        }
        for (GroupObserver* observer : services.observers)
            observer->groupWritten(written);
        if (k == 0) {
            try {
                GroupWriter historyWriter(document.history, keyTexts, ctx.appDb.get(), ctx.colours);
                StatRow again = stats;
                historyWriter.write(current, again);
                if (historyWriter.addedRow())
                    document.noteHistoryRow(services.conditionText ? services.conditionText(document) : QString());
            } catch (const std::exception& e) {
                report(ctx, 0, QString::fromUtf8(e.what()));
            }
        }
    } catch (const std::exception& e) {
        report(ctx, 0, QString::fromUtf8(e.what()));
        return false;
    }

    document.listsVisible = true;
    return true;
}

} // namespace tq::analysis
