// The bet-type runs against a brute-force oracle on generated data: the
// horses, their finishes and frames and the payout rows are read here with
// plain SQL, every pair and triple of a race is enumerated and priced by a
// lookup written here, and the counters must equal the engine's, for the box
// and the flow of the bet-type window and of the grouped run.

#include "bettypes/BetWindowRun.h"
#include "bettypes/GroupedRun.h"

#include "analysis/AnalysisDocument.h"
#include "context/AppContext.h"
#include "context/StatusLine.h"
#include "store/Database.h"
#include "support/GeneratedData.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>

namespace tq::bettypes {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

struct Horse {
    std::string number, frame;
    int finish = 0;
    bool excluded = false;
    int distance = 0;
    int popularity = 0; // 基準人気
};

struct Race {
    std::vector<Horse> horses; // in 馬番 order
    std::map<std::string, std::vector<std::pair<std::string, qint64>>> paid; // bet -> (code, payout) in slot order
    bool sold(const std::string& bet) const
    {
        const auto it = paid.find(bet);
        if (it == paid.end() || it->second.empty() || it->second.front().first.empty())
            return false;
        return it->second.front().first != "0000" || bet == "馬単" || bet == "３連複";
    }
    qint64 pay(const std::string& bet, const std::string& code) const
    {
        const auto it = paid.find(bet);
        if (it == paid.end())
            return 0;
        for (const auto& [c, p] : it->second)
            if (c == code)
                return p;
        return 0;
    }
};

// The counters of one line, as the oracle computes them.
struct Counts {
    qint64 races = 0, raceHits = 0, points = 0, hits = 0, sum = 0, top = 0;
    bool operator==(const Counts&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Counts& c)
{
    return os << "{races " << c.races << ", race hits " << c.raceHits << ", points " << c.points << ", hits " << c.hits
              << ", sum " << c.sum << ", top " << c.top << "}";
}

std::string text(sqlite3_stmt* st, int column)
{
    const unsigned char* t = sqlite3_column_text(st, column);
    return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
}

support::GeneratedData* g_data = nullptr;
std::map<std::string, Race>* g_races = nullptr;

class BetOracleTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        g_data = new support::GeneratedData(1, 11);
        g_races = new std::map<std::string, Race>;
        if (g_data->ready())
            readRaces();
    }
    static void TearDownTestSuite()
    {
        delete g_races;
        delete g_data;
    }
    void SetUp() override
    {
        if (!g_data->ready())
            GTEST_SKIP() << g_data->problem();
    }
    static context::AppContext& ctx() { return g_data->context(); }

    static void each(const char* sql, const std::function<void(sqlite3_stmt*)>& row)
    {
        sqlite3* db = ctx().appDb->handle();
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        while (sqlite3_step(st) == SQLITE_ROW)
            row(st);
        sqlite3_finalize(st);
    }

    static void readRaces()
    {
        each("SELECT e.レースキー, e.馬番, e.枠番, r.着順, r.異常区分, b.距離, e.基準人気 FROM D競走馬データ e "
             "JOIN D成績データ r ON r.競走成績キー = e.競走成績キー JOIN D番組データ b ON b.レースキー = e.レースキー "
             "WHERE e.レースキー IN (SELECT レースキー FROM D払戻情報データ) ORDER BY e.レースキー, e.馬番",
             [](sqlite3_stmt* st) {
                 Horse h{text(st, 1), text(st, 2), sqlite3_column_int(st, 3),
                         text(st, 4) == "1" || text(st, 4) == "2", sqlite3_column_int(st, 5),
                         sqlite3_column_int(st, 6)};
                 (*g_races)[text(st, 0)].horses.push_back(h);
             });
        const std::vector<std::pair<std::string, int>> bets = {
            {"枠連", 3}, {"馬連", 3}, {"ワイド", 7}, {"馬単", 6}, {"３連複", 3}};
        std::string sql = "SELECT レースキー";
        const char* const digits[] = {"１", "２", "３", "４", "５", "６", "７"};
        for (const auto& [bet, n] : bets)
            for (int i = 0; i < n; ++i)
                sql += ", [" + bet + "組合せ" + digits[i] + "], [" + bet + "払戻" + digits[i] + "]";
        sql += " FROM D払戻情報データ";
        each(sql.c_str(), [&bets](sqlite3_stmt* st) {
            Race& race = (*g_races)[text(st, 0)];
            int c = 1;
            for (const auto& [bet, n] : bets)
                for (int i = 0; i < n; ++i, c += 2)
                    if (sqlite3_column_type(st, c) != SQLITE_NULL)
                        race.paid[bet].emplace_back(text(st, c), sqlite3_column_int64(st, c + 1));
                    else if (i == 0)
                        race.paid[bet].emplace_back(std::string(), 0);
        });
    }

    static std::string ordered(std::vector<std::string> t)
    {
        std::sort(t.begin(), t.end());
        std::string out;
        for (const std::string& x : t)
            out += x;
        return out;
    }

    // Price of a pair ticket; `quinella` uses the frames when 馬連 was not sold.
    static qint64 pairPay(const Race& r, const std::string& bet, const Horse& a, const Horse& b)
    {
        if (bet == "馬単")
            return r.pay(bet, a.number + b.number);
        if (bet == "馬連" && !r.sold("馬連")) {
            const bool aFirst = a.number < b.number;
            return r.pay("枠連", aFirst ? a.frame + b.frame : b.frame + a.frame);
        }
        return r.pay(bet, ordered({a.number, b.number}));
    }

    // Lines: 馬連, ワイド, 馬単１着流し (or the box's 馬単), 馬単２着流し, ３連複.
    using Lines = std::array<Counts, 5>;

    // The oracle. `grouped`: the analysis window's rules (excluded horses
    // skipped, dead heats, unpaid hits ignored); otherwise the bet-type
    // window's. Box when `partner` is empty; otherwise a flow from each
    // selected horse to the other horses of its race that `partner` accepts.
    static Lines oracle(const std::function<bool(const Horse&)>& selected,
                        const std::function<bool(const Horse&)>& partner, bool grouped)
    {
        Lines lines;
        for (const auto& [key, race] : *g_races) {
            std::vector<const Horse*> chosen;
            for (const Horse& h : race.horses)
                if (selected(h) && !(grouped && h.excluded))
                    chosen.push_back(&h);
            if (chosen.empty())
                continue;
            std::array<bool, 5> raceHit{};
            std::array<bool, 5> raceCounted{};
            auto hit = [&](int line, qint64 p) {
                if (grouped && p == 0)
                    return;
                Counts& c = lines[std::size_t(line)];
                ++c.hits;
                c.sum += p;
                c.top = std::max(c.top, p);
                if (!raceHit[std::size_t(line)]) {
                    raceHit[std::size_t(line)] = true;
                    ++c.raceHits;
                }
            };
            auto countRace = [&](int line) {
                if (!raceCounted[std::size_t(line)]) {
                    raceCounted[std::size_t(line)] = true;
                    ++lines[std::size_t(line)].races;
                }
            };
            auto top2 = [](const Horse* h) { return h->finish == 1 || h->finish == 2; };
            auto top3 = [](const Horse* h) { return h->finish >= 1 && h->finish <= 3; };
            auto exacta = [grouped](const Horse* f, const Horse* s2) {
                return f->finish == 1 && (s2->finish == 2 || (grouped && s2->finish == 1));
            };
            auto pairLines = [&](const Horse* a, const Horse* b, bool box) {
                ++lines[0].points;
                if (top2(a) && top2(b))
                    hit(0, pairPay(race, "馬連", *a, *b));
                if (race.sold("ワイド")) {
                    ++lines[1].points;
                    if (top3(a) && top3(b))
                        hit(1, pairPay(race, "ワイド", *a, *b));
                }
                if (race.sold("馬単")) {
                    lines[2].points += box ? 2 : 1;
                    lines[3].points += box ? 0 : 1;
                    if (exacta(a, b))
                        hit(2, pairPay(race, "馬単", *a, *b));
                    if (exacta(b, a))
                        hit(box ? 2 : 3, pairPay(race, "馬単", *b, *a));
                }
            };
            auto triple = [&](const Horse* a, const Horse* b, const Horse* c) {
                ++lines[4].points;
                if (top3(a) && top3(b) && top3(c))
                    hit(4, race.pay("３連複", ordered({a->number, b->number, c->number})));
            };
            auto countPairRace = [&](bool box) {
                countRace(0);
                if (race.sold("ワイド"))
                    countRace(1);
                if (race.sold("馬単")) {
                    countRace(2);
                    if (!box)
                        countRace(3);
                }
            };
            if (!partner) {
                const std::size_t n = chosen.size();
                if (grouped || n >= 2)
                    countPairRace(true);
                if (n >= 3 && race.sold("３連複"))
                    countRace(4);
                for (std::size_t i = 0; i < n; ++i)
                    for (std::size_t j = i + 1; j < n; ++j) {
                        pairLines(chosen[j], chosen[i], true);
                        if (race.sold("３連複"))
                            for (std::size_t l = j + 1; l < n; ++l)
                                triple(chosen[l], chosen[j], chosen[i]);
                    }
                continue;
            }
            for (const Horse* a : chosen) {
                std::vector<const Horse*> partners;
                for (const Horse& h : race.horses)
                    if (&h != a && partner(h) && !(grouped && h.excluded))
                        partners.push_back(&h);
                if (!partners.empty())
                    countPairRace(false);
                if (partners.size() >= 2 && race.sold("３連複"))
                    countRace(4);
                for (std::size_t i = 0; i < partners.size(); ++i) {
                    pairLines(a, partners[i], false);
                    if (race.sold("３連複"))
                        for (std::size_t j = 0; j < i; ++j)
                            triple(a, partners[i], partners[j]);
                }
            }
        }
        return lines;
    }

    static Counts fromWindow(const analysis::Sheet& t, int row)
    {
        return {t.integer(row, 1), t.integer(row, 2), t.integer(row, 4), t.integer(row, 5),
                qint64(std::llround(t.number(row, 7) * double(t.integer(row, 4)))), t.integer(row, 9)};
    }
    static Counts fromGrouped(const analysis::Sheet& t, int row)
    {
        return {t.integer(row, 2), t.integer(row, 3), t.integer(row, 5), t.integer(row, 6),
                qint64(std::llround(t.number(row, 8) * double(t.integer(row, 5)))), t.integer(row, 10)};
    }

    static void addFavourite(const char* name, const char* where)
    {
        ctx().appDb->execute(s("DELETE FROM お気に入り WHERE 名称 = '%1'").arg(s(name)));
        ctx().appDb->execute(s("INSERT INTO お気に入り (名称, グループ名, ＷＨＥＲＥ文) VALUES ('%1', 'oracle', '%2')")
                                 .arg(s(name), s(where).replace(QLatin1Char('\''), s("''"))));
    }

    static conditions::ConditionRow extended(const char* sql)
    {
        conditions::ConditionRow r;
        r.itemName = conditions::extendedItemName();
        r.value = s(sql);
        return r;
    }
};

// Selections: a box of the four favourites of 1600 m races; a flow from the
// two favourites of 1200 m races to the second to sixth favourites.
bool boxHorse(const Horse& h)
{
    return h.distance == 1600 && h.popularity >= 1 && h.popularity <= 4;
}
bool axisHorse(const Horse& h)
{
    return h.distance == 1200 && h.popularity >= 1 && h.popularity <= 2;
}
bool partnerHorse(const Horse& h)
{
    return h.popularity >= 2 && h.popularity <= 6;
}
const char* const kBoxWhere = "D番組データ.距離 = 1600 AND D競走馬データ.基準人気 BETWEEN 1 AND 4";
const char* const kAxisWhere = "D番組データ.距離 = 1200 AND D競走馬データ.基準人気 BETWEEN 1 AND 2";
const char* const kPartnerWhere = "D競走馬データ.基準人気 BETWEEN 2 AND 6";

TEST_F(BetOracleTest, WindowBoxAndFlowAgreeWithBruteForce)
{
    addFavourite("box", kBoxWhere);
    addFavourite("axis", kAxisWhere);
    addFavourite("partner", kPartnerWhere);
    analysis::Sheet table;
    BetWindowState box;
    box.flow = false;
    box.favourites[0].name = s("box");
    ASSERT_TRUE(subBunsekiUma(ctx(), box, table));
    const Lines boxLines = oracle(boxHorse, {}, false);
    ASSERT_EQ(table.rowCount(), 4);
    const int boxLine[] = {0, 1, 2, 4};
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(fromWindow(table, r), boxLines[std::size_t(boxLine[r])]) << table.displayText(r, 0).toStdString();
    EXPECT_GT(boxLines[0].hits, 10) << "the selection must reach some hits to mean anything";

    BetWindowState flow;
    flow.favourites[0].name = s("axis");
    flow.favourites[1].name = s("partner");
    ASSERT_TRUE(subBunsekiUma(ctx(), flow, table));
    const Lines flowLines = oracle(axisHorse, partnerHorse, false);
    ASSERT_EQ(table.rowCount(), 5);
    for (int r = 0; r < 5; ++r)
        EXPECT_EQ(fromWindow(table, r), flowLines[std::size_t(r)]) << table.displayText(r, 0).toStdString();
}

TEST_F(BetOracleTest, GroupedBoxAndAxisFlowAgreeWithBruteForce)
{
    addFavourite("partner", kPartnerWhere);
    context::MemoryStatusLine status;
    analysis::AnalysisDocument doc;
    doc.conditions.kind = conditions::AnalysisKind::QuinellaBox;
    doc.conditions.rows = {extended(kBoxWhere)};
    ASSERT_TRUE(runBetTypeAnalysis(ctx(), status, doc, true));
    const Lines boxLines = oracle(boxHorse, {}, true);
    // One group: 馬連, ワイド, 馬単 (or both 馬単 lines when 2着流し has points: never in a box of one group), ３連複.
    ASSERT_EQ(doc.result.rowCount(), 4);
    const int boxLine[] = {0, 1, 2, 4};
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(fromGrouped(doc.result, r), boxLines[std::size_t(boxLine[r])])
            << doc.result.displayText(r, 0).toStdString();

    doc.conditions.kind = conditions::AnalysisKind::QuinellaAxis;
    doc.conditions.rows = {extended(kAxisWhere)};
    doc.conditions.axisFavourite = s("partner");
    ASSERT_TRUE(runBetTypeAnalysis(ctx(), status, doc, true));
    const Lines flowLines = oracle(axisHorse, partnerHorse, true);
    ASSERT_EQ(doc.result.rowCount(), 5);
    for (int r = 0; r < 5; ++r)
        EXPECT_EQ(fromGrouped(doc.result, r), flowLines[std::size_t(r)]) << doc.result.displayText(r, 0).toStdString();
}

} // namespace
} // namespace tq::bettypes
