#include "bettypes/GroupedRun.h"

#include "analysis/AnalysisQuery.h"
#include "analysis/HorseList.h"
#include "analysis/ResultTable.h"
#include "analysis/Statistics.h"
#include "analysis/StatisticsKeys.h"
#include "bettypes/BetTypeQuery.h"
#include "bettypes/GroupTallies.h"
#include "bettypes/HorseRows.h"
#include "bettypes/PartnerRows.h"
#include "bettypes/RaceBets.h"
#include "bettypes/RacePayouts.h"
#include "context/AppContext.h"
#include "context/BusyStatement.h"
#include "context/StatusLine.h"
#include "store/Database.h"
#include "store/Operations.h"

#include <QHash>
#include <QTime>

#include <array>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>

namespace tq::bettypes {

namespace {

const QString kProcedure = QStringLiteral("subKekkaHyoujiUma2");

// One key level: its labeller, and its column in the selection and partner rows.
struct Level {
    QString keyText;
    std::unique_ptr<analysis::KeyLabeller> labeller;
    int selectionColumn = -1;
    int partnerColumn = -1;
    bool partnerResolved = false;
    store::Value lastValue;
    QString lastLabel;
    bool haveLast = false;
};

RowGroup groupOf(std::vector<Level>& levels, const store::Recordset& row, bool partner)
{
    RowGroup g;
    for (Level& level : levels) {
        if (partner && !level.partnerResolved) {
            level.partnerColumn = row.fieldIndex(level.keyText);
            level.partnerResolved = true;
        }
        const int column = partner ? level.partnerColumn : level.selectionColumn;
        store::Value v = column < 0 ? store::Value() : row.value(column);
        if (!level.haveLast || !(v == level.lastValue)) {
            level.lastLabel = level.labeller->label(v, false);
            level.lastValue = v;
            level.haveLast = true;
        }
        if (!g.labels.isEmpty())
            g.key += QChar(0x1F);
        g.key += level.lastLabel;
        g.labels << level.lastLabel;
        g.values.push_back(std::move(v));
    }
    return g;
}

struct Slot {
    TicketHorse horse;
    int finish = 0;
    Group* group = nullptr;
};

void addSlot(std::array<Slot, kMaxSlots>& kept, int& count, Slot slot)
{
    if (count >= kMaxSlots)
        throw std::runtime_error("１レースの対象馬が多すぎます");
    kept[std::size_t(count++)] = std::move(slot);
}

// Counts the race of the row for a group's pair lines, once per race.
void countPairRace(Group& g, const std::string& raceKey, const RaceBets& race)
{
    clsUmaren& u = g.t[kUmarenLine];
    if (u.Rkey == raceKey)
        return;
    addChecked(u.Race, 1, "レース数");
    if (race.wideSold())
        addChecked(g.t[kWideLine].Race, 1, "レース数");
    if (race.exactaSold()) {
        addChecked(g.t[kExacta1Line].Race, 1, "レース数");
        addChecked(g.t[kExacta2Line].Race, 1, "レース数");
    }
    for (int i = kUmarenLine; i <= kExacta2Line; ++i)
        g.t[std::size_t(i)].TekiFg = false;
    u.Rkey = raceKey;
}

void countTrioRace(Group& g, const std::string& raceKey, const RaceBets& race)
{
    clsUmaren& t = g.t[kTrioLine];
    if (t.Rkey == raceKey || !race.trioSold())
        return;
    addChecked(t.Race, 1, "レース数");
    t.TekiFg = false;
    t.Rkey = raceKey;
}

const TicketHorse kNone;

// 馬連 and ワイド of the pair (c, o) on group g.
void pairLines(Group& g, const RaceBets& race, const Slot& c, const Slot& o, qint32 umarenPay, qint32 widePay)
{
    g.t[kUmarenLine].addTensu(1);
    if (quinellaHits(c.finish, o.finish))
        subUmaTeki(g.t[kUmarenLine], umarenPay);
    if (race.wideSold()) {
        g.t[kWideLine].addTensu(1);
        if (wideHits(c.finish, o.finish))
            subUmaTeki(g.t[kWideLine], widePay);
    }
}

qint32 payIf(bool hit, int kind, const Slot& a, const Slot& b, const RaceBets& race)
{
    return hit ? funUmaHaraimodoshi(kind, a.horse, b.horse, kNone, race) : 0;
}

class Run final {
  public:
    Run(int kind, const RaceBets& race, const std::string& raceKey) : m_kind(kind), m_race(race), m_raceKey(raceKey) {}

    // One selection row of kind 1.
    void boxRow(std::array<Slot, kMaxSlots>& kept, int& r, Slot current)
    {
        addSlot(kept, r, std::move(current));
        const Slot& c = kept[std::size_t(r - 1)];
        Group& g = *c.group;
        countPairRace(g, m_raceKey, m_race);
        if (r > 2)
            countTrioRace(g, m_raceKey, m_race);
        for (int i = 0; i < r - 1; ++i) {
            const Slot& o = kept[std::size_t(i)];
            Group& go = *o.group;
            const bool sameGroup = &go == &g;
            const qint32 umarenPay = payIf(quinellaHits(c.finish, o.finish), kQuinella, c, o, m_race);
            const qint32 widePay = payIf(m_race.wideSold() && wideHits(c.finish, o.finish), kWide, c, o, m_race);
            const qint32 firstPay = payIf(m_race.exactaSold() && exactaHits(c.finish, o.finish, true), kExacta, c, o, m_race);
            const qint32 otherFirstPay = payIf(m_race.exactaSold() && exactaHits(o.finish, c.finish, true), kExacta, o, c, m_race);
            pairLines(g, m_race, c, o, umarenPay, widePay);
            if (m_race.exactaSold()) {
                if (sameGroup) {
                    g.t[kExacta1Line].addTensu(2);
                    if (exactaHits(c.finish, o.finish, true))
                        subUmaTeki(g.t[kExacta1Line], firstPay);
                    if (exactaHits(o.finish, c.finish, true))
                        subUmaTeki(g.t[kExacta1Line], otherFirstPay);
                } else {
                    g.t[kExacta1Line].addTensu(1);
                    g.t[kExacta2Line].addTensu(1);
                    if (exactaHits(c.finish, o.finish, true))
                        subUmaTeki(g.t[kExacta1Line], firstPay);
                    if (exactaHits(o.finish, c.finish, true))
                        subUmaTeki(g.t[kExacta2Line], otherFirstPay);
                }
            }
            if (!sameGroup) {
                // The same pair from the other horse's side.
                pairLines(go, m_race, o, c, umarenPay, widePay);
                if (m_race.exactaSold()) {
                    go.t[kExacta1Line].addTensu(1);
                    go.t[kExacta2Line].addTensu(1);
                    if (exactaHits(o.finish, c.finish, true))
                        subUmaTeki(go.t[kExacta1Line], otherFirstPay);
                    if (exactaHits(c.finish, o.finish, true))
                        subUmaTeki(go.t[kExacta2Line], firstPay);
                }
            }
            if (r > 2)
                countTrioRace(go, m_raceKey, m_race);
            if (!m_race.trioSold() || r <= 2 || i < 1)
                continue;
            if (sameGroup) {
                // The triples (c, o, t) count for G alone: their points at
                // once, and only when c and o both placed can one of them hit.
                for (int j = 0; j < i; ++j)
                    countTrioRace(*kept[std::size_t(j)].group, m_raceKey, m_race);
                g.t[kTrioLine].addTensu(i);
                if (!inTopThree(c.finish) || !inTopThree(o.finish))
                    continue;
                for (int j = 0; j < i; ++j) {
                    const Slot& t = kept[std::size_t(j)];
                    if (inTopThree(t.finish))
                        subUmaTeki(g.t[kTrioLine], funUmaHaraimodoshi(kTrio, c.horse, o.horse, t.horse, m_race));
                }
                continue;
            }
            for (int j = 0; j < i; ++j) {
                const Slot& t = kept[std::size_t(j)];
                Group& gt = *t.group;
                countTrioRace(gt, m_raceKey, m_race);
                const bool hit = trioHits(c.finish, o.finish, t.finish);
                const qint32 p = hit ? funUmaHaraimodoshi(kTrio, c.horse, o.horse, t.horse, m_race) : 0;
                g.t[kTrioLine].addTensu(1);
                go.t[kTrioLine].addTensu(1);
                gt.t[kTrioLine].addTensu(1);
                if (hit) {
                    subUmaTeki(g.t[kTrioLine], p);
                    subUmaTeki(go.t[kTrioLine], p);
                    subUmaTeki(gt.t[kTrioLine], p);
                }
            }
        }
    }

    // One partner o of the outer row a (kinds 2 and 3).
    void flowPartner(std::array<Slot, kMaxSlots>& kept, int& m, const Slot& a, Slot partner)
    {
        Group& g = *partner.group;
        countPairRace(g, m_raceKey, m_race);
        addSlot(kept, m, std::move(partner));
        const Slot& o = kept[std::size_t(m - 1)];
        pairLines(g, m_race, a, o, payIf(quinellaHits(a.finish, o.finish), kQuinella, a, o, m_race),
                  payIf(m_race.wideSold() && wideHits(a.finish, o.finish), kWide, a, o, m_race));
        if (m_race.exactaSold()) {
            g.t[kExacta1Line].addTensu(1);
            if (exactaHits(a.finish, o.finish, true))
                subUmaTeki(g.t[kExacta1Line], funUmaHaraimodoshi(kExacta, a.horse, o.horse, kNone, m_race));
            g.t[kExacta2Line].addTensu(1);
            if (exactaHits(o.finish, a.finish, true))
                subUmaTeki(g.t[kExacta2Line], funUmaHaraimodoshi(kExacta, o.horse, a.horse, kNone, m_race));
        }
        if (m <= 1)
            return;
        countTrioRace(g, m_raceKey, m_race);
        if (!m_race.trioSold())
            return;
        for (int l = 0; l < m - 1; ++l) {
            const Slot& t = kept[std::size_t(l)];
            const bool hit = trioHits(a.finish, o.finish, t.finish);
            const qint32 p = hit ? funUmaHaraimodoshi(kTrio, a.horse, o.horse, t.horse, m_race) : 0;
            g.t[kTrioLine].addTensu(1);
            if (hit)
                subUmaTeki(g.t[kTrioLine], p);
            if (m_kind != 2 || t.group == &g)
                continue;
            Group& gt = *t.group;
            countTrioRace(gt, m_raceKey, m_race);
            gt.t[kTrioLine].addTensu(1);
            if (hit)
                subUmaTeki(gt.t[kTrioLine], p);
        }
    }

  private:
    int m_kind;
    const RaceBets& m_race;
    const std::string& m_raceKey;
};

void report(context::AppContext& ctx, const QString& procedure, const QString& text)
{
    ctx.errorLog.report({0, text, {}}, procedure);
}

} // namespace

bool subKekkaHyoujiUma2(context::AppContext& ctx, context::StatusLine* status, analysis::AnalysisDocument& document,
                        const QString& sql, int kind, bool silent, analysis::HorseListBuilder* horseList)
{
    analysis::AnalysisDocument::RunLock lock(document);
    if (!lock.acquired() || !ctx.appDb || sql.isEmpty())
        return false;
    try {
        if (kind < 1 || kind > 3)
            throw std::invalid_argument("分析種類が馬連分析ではありません");
        store::Transaction readOnly(*ctx.appDb);
        bool ok = false;
        const std::unique_ptr<store::Recordset> rs = context::openWhileBusy(ctx, sql, ok);
        if (!ok || !rs)
            return false;
        QString s;
        if (status) {
            s = status->text() + QStringLiteral(" → ") + QTime::currentTime().toString(QStringLiteral("hh:mm:ss")) +
                QStringLiteral("(DBデータ取得) 件数:");
            status->setText(s);
        }
        if (rs->isEOF()) {
            if (!silent)
                ctx.prompter.inform(context::Message{
                    QStringLiteral("対象データは１件もありません、条件を変えて再度行って下さい"), {}, context::Icon::None, true});
            return false;
        }

        std::vector<Level> levels;
        QStringList keyTexts;
        for (int i = 0; i < conditions::kAggregationLevels; ++i) {
            const conditions::AggregationKey& key = document.conditions.keys[std::size_t(i)];
            if (!key.inUse())
                continue;
            if (i >= kMaxBetKeyLevels)
                throw std::out_of_range("馬連分析の集計キーは11段までです");
            Level level;
            level.keyText = key.key;
            level.labeller = std::make_unique<analysis::KeyLabeller>(ctx.catalogue, key.key, key.range.text,
                                                                     ctx.appDb.get(), &ctx.errorLog);
            level.selectionColumn = rs->fieldIndex(key.key);
            keyTexts << key.key;
            levels.push_back(std::move(level));
        }
        const int k = int(levels.size());

        const HorseColumns cols = HorseColumns::resolve(*rs);
        RacePayouts payouts(ctx);
        const analysis::AnalysisColumns listCols = analysis::AnalysisColumns::resolve(*rs);
        BetQuerySource source;
        source.conditions = &document.conditions;
        std::optional<PartnerRows> partners;
        if (kind != 1)
            partners.emplace(ctx, source, kind);

        document.listsVisible = false;
        if (horseList)
            horseList->prepare(document.defaultList, listCols);

        Groups groups;
        std::array<Slot, kMaxSlots> kept;
        std::string lastRace, payoutRace;
        RaceBets race;
        Run run(kind, race, payoutRace);
        int r = 0;
        qint64 n = 0;
        for (; !rs->isEOF(); rs->moveNext()) {
            ctx.busy.yield();
            if (ctx.busy.cancelled())
                return false;
            if (isExcluded(*rs, cols))
                continue;
            const QByteArrayView raceKey = raceKeyOf(*rs, cols);
            if (raceChanged(raceKey, payoutRace))
                race = payouts.read(raceKey);
            const RowGroup rowGroup = groupOf(levels, *rs, false);
            if (horseList && kind != 2)
                horseList->addRow(document.defaultList, *rs, listCols);
            ++n;
            // The count of a long run changes too fast to read: it is shown
            // every 256 rows and at the end.
            if (status && (n % 256 == 0))
                status->setText(s + QLatin1Char('(') + QString::number(n) + QLatin1Char(')'));
            // A box horse's group is met with the horse; a flow's group with
            // its first partner (kind 3: the axis horse's, kind 2: the
            // partner's own).
            Slot current{horseOf(*rs, cols), finishOf(*rs, cols), kind == 1 ? &groups.get(rowGroup, k) : nullptr};
            if (kind == 1) {
                if (raceChanged(raceKey, lastRace))
                    r = 0;
                run.boxRow(kept, r, std::move(current));
                continue;
            }
            const auto partnerRs = partners->open(QString::fromUtf8(raceKey), QString::fromStdString(current.horse.number));
            int m = 0;
            for (; !partnerRs->isEOF(); partnerRs->moveNext()) {
                const HorseColumns& pc = partners->columns();
                if (isExcluded(*partnerRs, pc))
                    continue;
                if (kind == 3 && !current.group)
                    current.group = &groups.get(rowGroup, k);
                Group* g = current.group;
                if (kind == 2) {
                    if (horseList)
                        horseList->addRow(document.defaultList, *partnerRs, partners->listColumns());
                    g = &groups.get(groupOf(levels, *partnerRs, true), k);
                }
                run.flowPartner(kept, m, current, Slot{horseOf(*partnerRs, pc), finishOf(*partnerRs, pc), g});
            }
        }
        if (status)
            status->setText(s + QLatin1Char('(') + QString::number(n) + QLatin1Char(')'));
        writeReport(ctx, document.result, groups, kind, k, keyTexts);
    } catch (const std::exception& e) {
        report(ctx, kProcedure, QString::fromUtf8(e.what()));
        return false;
    }
    document.listsVisible = true;
    return true;
}

QString betTypeAnalysisSql(context::AppContext& ctx, const analysis::AnalysisDocument& document)
{
    BetQuerySource source;
    source.conditions = &document.conditions;
    return funSqlCreateUma(QueryEnv{ctx.catalogue, ctx.appDb.get(), ctx.errorLog}, source,
                           int(document.conditions.kind));
}

bool runBetTypeAnalysis(context::AppContext& ctx, context::StatusLine& status, analysis::AnalysisDocument& document,
                        bool silent)
{
    const int kind = int(document.conditions.kind);
    const QString sql = betTypeAnalysisSql(ctx, document);
    if (sql.isEmpty())
        return false;
    analysis::DefaultHorseList list(ctx.catalogue, ctx.appDb.get(), &ctx.errorLog, document.listLimit);
    return subKekkaHyoujiUma2(ctx, &status, document, sql, kind, silent, &list);
}

} // namespace tq::bettypes
