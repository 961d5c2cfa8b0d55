#include "bettypes/BetWindowRun.h"

#include "bettypes/HorseRows.h"
#include "bettypes/PartnerRows.h"
#include "bettypes/RaceBets.h"
#include "bettypes/RacePayouts.h"
#include "context/AppContext.h"
#include "context/BusyStatement.h"
#include "store/Database.h"
#include "store/Operations.h"

#include <array>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>

namespace tq::bettypes {

namespace {

const QString kProcedure = QStringLiteral("subKekkaHyoujiUma");

enum LineIndex : int { kUmarenLine, kWideLine, kExacta1Line, kExacta2Line, kTrioLine, kLineCount };
// The box's 馬単 line counts on kExacta1Line.

struct Slot {
    TicketHorse horse;
    int finish = 0;
};

class Counting final {
  public:
    std::array<LineCounters, kLineCount> lines;

    void newRace()
    {
        for (LineCounters& l : lines)
            l.raceHit = false;
    }

    void pair(const RaceBets& race, const Slot& c, const Slot& o, bool box)
    {
        const TicketHorse none;
        lines[kUmarenLine].addPoints(1);
        if (quinellaHits(c.finish, o.finish))
            lines[kUmarenLine].hit(funUmaHaraimodoshi(kQuinella, c.horse, o.horse, none, race));
        if (race.wideSold()) {
            lines[kWideLine].addPoints(1);
            if (wideHits(c.finish, o.finish))
                lines[kWideLine].hit(funUmaHaraimodoshi(kWide, c.horse, o.horse, none, race));
        }
        if (!race.exactaSold())
            return;
        LineCounters& first = lines[kExacta1Line];
        LineCounters& second = box ? lines[kExacta1Line] : lines[kExacta2Line];
        if (box) {
            first.addPoints(2);
        } else {
            first.addPoints(1);
            second.addPoints(1);
        }
        if (exactaHits(c.finish, o.finish, false))
            first.hit(funUmaHaraimodoshi(kExacta, c.horse, o.horse, none, race));
        if (exactaHits(o.finish, c.finish, false))
            second.hit(funUmaHaraimodoshi(kExacta, o.horse, c.horse, none, race));
    }

    // The triples of c and o with each of `thirds`: their points at once, and
    // only when c and o both placed can one of them hit.
    void triples(const RaceBets& race, const Slot& c, const Slot& o, std::span<const Slot> thirds)
    {
        lines[kTrioLine].addPoints(qint64(thirds.size()));
        if (!inTopThree(c.finish) || !inTopThree(o.finish))
            return;
        for (const Slot& t : thirds)
            if (inTopThree(t.finish))
                lines[kTrioLine].hit(funUmaHaraimodoshi(kTrio, c.horse, o.horse, t.horse, race));
    }
};

Slot slotOf(const store::Recordset& row, const HorseColumns& c)
{
    return Slot{horseOf(row, c), finishOf(row, c)};
}

void addSlot(std::array<Slot, kMaxSlots>& kept, int& count, Slot slot)
{
    if (count >= kMaxSlots)
        throw std::runtime_error("１レースの対象馬が多すぎます");
    kept[std::size_t(count++)] = std::move(slot);
}

// The box of the chosen horses of each race.
void boxRow(Counting& k, const RaceBets& race, std::array<Slot, kMaxSlots>& kept, int& n, Slot c)
{
    addSlot(kept, n, std::move(c));
    const Slot& cur = kept[std::size_t(n - 1)];
    if (n == 2) {
        k.lines[kUmarenLine].addRace();
        if (race.wideSold())
            k.lines[kWideLine].addRace();
        if (race.exactaSold())
            k.lines[kExacta1Line].addRace();
        k.newRace();
    }
    if (n == 3 && race.trioSold())
        k.lines[kTrioLine].addRace();
    for (int i = 0; i < n - 1; ++i) {
        const Slot& o = kept[std::size_t(i)];
        k.pair(race, cur, o, true);
        if (race.trioSold() && n > 2)
            k.triples(race, cur, o, std::span(kept).first(std::size_t(i)));
    }
}

void writeLines(analysis::Sheet& table, const Counting& k, bool flow)
{
    table.clear();
    subUmarenGyou(table, QStringLiteral("馬連"), k.lines[kUmarenLine]);
    subUmarenGyou(table, QStringLiteral("ワイド"), k.lines[kWideLine]);
    if (flow) {
        subUmarenGyou(table, QStringLiteral("馬単１着流し"), k.lines[kExacta1Line]);
        subUmarenGyou(table, QStringLiteral("馬単２着流し"), k.lines[kExacta2Line]);
    } else {
        subUmarenGyou(table, QStringLiteral("馬単"), k.lines[kExacta1Line]);
    }
    subUmarenGyou(table, QStringLiteral("３連複"), k.lines[kTrioLine]);
}

qint32 checkedProduct(qint32 a, qint32 b)
{
    const qint64 p = qint64(a) * b;
    if (p > std::numeric_limits<qint32>::max() || p < std::numeric_limits<qint32>::min())
        throw CountOverflow("率の計算");
    return qint32(p);
}

double quotient(double a, qint32 b)
{
    return b == 0 ? 0.0 : a / double(b);
}

} // namespace

void subUmarenGyou(analysis::Sheet& grid, const QString& name, const LineCounters& c)
{
    static const char16_t* const headers[] = {u"",       u"レース数", u"レース的中件数", u"レース的中率",
                                              u"購入点数", u"的中件数", u"的中率",         u"回収率",
                                              u"平均配当", u"最高配当", u"最高配当抜き回収率"};
    if (grid.rowCount() == 0) {
        grid.setColumnCount(11);
        for (int i = 0; i < 11; ++i)
            grid.setHeader(i, QString::fromUtf16(headers[i]));
    }
    const double raceRate = quotient(checkedProduct(c.raceHits, 100), c.races);
    const double hitRate = quotient(checkedProduct(c.hits, 100), c.points);
    const double returnRate = quotient(c.payoutSum, c.points);
    const double average = quotient(c.payoutSum, c.hits);
    const double withoutTop = quotient(double(c.payoutSum) - double(c.topPayout), c.points);
    const int row = grid.appendRow();
    grid.setStaticText(row, 0, name);
    grid.setInteger(row, 1, c.races);
    grid.setInteger(row, 2, c.raceHits);
    grid.setDecimal(row, 3, raceRate, 1);
    grid.setInteger(row, 4, c.points);
    grid.setInteger(row, 5, c.hits);
    grid.setDecimal(row, 6, hitRate, 1);
    grid.setDecimal(row, 7, returnRate, 1);
    grid.setDecimal(row, 8, average, 1);
    grid.setInteger(row, 9, c.topPayout);
    grid.setDecimal(row, 10, withoutTop, 1);
    constexpr qint32 kHighReturn = 8421631;
    if (returnRate > 100)
        grid.setBackColour(row, 7, kHighReturn);
    if (withoutTop > 100)
        grid.setBackColour(row, 10, kHighReturn);
}

bool subKekkaHyoujiUma(context::AppContext& ctx, const BetWindowState& state, const QString& sql, analysis::Sheet& table)
{
    if (!ctx.appDb || sql.isEmpty())
        return false;
    try {
        // Per-row partner statements run about twice as fast inside one
        // transaction (the file lock is taken once); nothing is written.
        store::Transaction readOnly(*ctx.appDb);
        bool ok = false;
        const std::unique_ptr<store::Recordset> rs = context::openWhileBusy(ctx, sql, ok);
        if (!ok || !rs)
            return false;
        if (rs->isEOF()) {
            ctx.prompter.inform(context::Message{
                QStringLiteral("対象データは１件もありません、条件を変えて再度行って下さい"), {}, context::Icon::None, true});
            return false;
        }
        table.clearRows();
        const HorseColumns cols = HorseColumns::resolve(*rs);
        RacePayouts payouts(ctx);
        BetQuerySource source;
        source.favourites = state.favourites;
        std::optional<PartnerRows> partners;
        if (state.flow)
            partners.emplace(ctx, source, 0);

        Counting k;
        std::array<Slot, kMaxSlots> kept;
        std::string lastRace;     // the race whose horses fill the box
        std::string countedRace;  // flow: the race last counted on the pair lines
        std::string trioRace;     // flow: the race last counted on ３連複
        std::string payoutRace;   // the race whose payouts `race` holds
        RaceBets race;
        int n = 0;
        for (; !rs->isEOF(); rs->moveNext()) {
            ctx.busy.yield();
            if (ctx.busy.cancelled()) {
                table.clearRows();
                return false;
            }
            const QByteArrayView raceKey = raceKeyOf(*rs, cols);
            if (raceChanged(raceKey, payoutRace))
                race = payouts.read(raceKey);
            Slot axis = slotOf(*rs, cols);
            if (!state.flow) {
                if (raceChanged(raceKey, lastRace))
                    n = 0;
                boxRow(k, race, kept, n, std::move(axis));
                continue;
            }
            const auto partnerRs = partners->open(QString::fromUtf8(raceKey), QString::fromStdString(axis.horse.number));
            int m = 0;
            for (; !partnerRs->isEOF(); partnerRs->moveNext()) {
                if (raceChanged(raceKey, countedRace)) {
                    k.lines[kUmarenLine].addRace();
                    if (race.wideSold())
                        k.lines[kWideLine].addRace();
                    if (race.exactaSold()) {
                        k.lines[kExacta1Line].addRace();
                        k.lines[kExacta2Line].addRace();
                    }
                    k.newRace();
                }
                addSlot(kept, m, slotOf(*partnerRs, partners->columns()));
                const Slot& p = kept[std::size_t(m - 1)];
                k.pair(race, axis, p, false);
                // A race counts once on ３連複, however many axis horses
                // reach two partners in it.
                if (m == 2 && race.trioSold() && raceChanged(raceKey, trioRace))
                    k.lines[kTrioLine].addRace();
                if (race.trioSold())
                    k.triples(race, axis, p, std::span(kept).first(std::size_t(m - 1)));
            }
        }
        writeLines(table, k, state.flow);
        return true;
    } catch (const std::exception& e) {
        ctx.errorLog.report({0, QString::fromUtf8(e.what()), {}}, kProcedure);
    }
    table.clearRows();
    return false;
}

bool subBunsekiUma(context::AppContext& ctx, const BetWindowState& state, analysis::Sheet& table)
{
    ctx.busy.show();
    ctx.busy.setProgress(QStringLiteral("分析中です"));
    ctx.busy.yield();
    bool ok = false;
    try {
        BetQuerySource source;
        source.favourites = state.favourites;
        const QString sql = funSqlCreateUma(QueryEnv{ctx.catalogue, ctx.appDb.get(), ctx.errorLog}, source, 0);
        ok = !sql.isEmpty() && subKekkaHyoujiUma(ctx, state, sql, table);
    } catch (const std::exception& e) {
        ctx.errorLog.report({0, QString::fromUtf8(e.what()), {}}, QStringLiteral("subBunseki"));
    }
    ctx.busy.hide();
    return ok;
}

} // namespace tq::bettypes
