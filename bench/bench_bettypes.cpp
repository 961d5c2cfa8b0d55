// Cost of the bet-type runs on generated race data, measured in one run:
//  - a box run (analysis kind 1) against the win-type run of the same
//    selection (goal: at most 1.5 times);
//  - the partner statements of a flow run (one per axis horse, through the
//    statement cache): statements per second (goal: at least 20,000), and a
//    whole flow run of the bet-type window per 1,000 axis horses.
//
// Usage: bench_bettypes [--years N] [--rounds R] [--shots DIR]
//   --shots DIR  instead, writes pictures of the bet-type window after a box
//                and a flow run and of an analysis window with a kind-2
//                (馬連流し相手分析) result.
// Times are the thread's CPU time (other processes on the machine do not
// count); the flow run's wall time is printed too.

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/HorseList.h"
#include "analysis/Statistics.h"
#include "analysis/ui/AnalysisWindow.h"
#include "bettypes/BetTypeQuery.h"
#include "bettypes/BetWindowRun.h"
#include "bettypes/GroupedRun.h"
#include "bettypes/PartnerRows.h"
#include "bettypes/ui/BetTypeWindow.h"
#include "context/AppContext.h"
#include "context/StatusLine.h"
#include "store/Database.h"
#include "store/JetTranslator.h"
#include "support/GeneratedData.h"

#include "support/Data.h"
#include "support/Floor.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFont>


#include <algorithm>
#include <cstdio>
#include <functional>

using namespace tq;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

conditions::ConditionRow extended(const char* sql)
{
    conditions::ConditionRow r;
    r.itemName = conditions::extendedItemName();
    r.value = s(sql);
    return r;
}

void addFavourite(context::AppContext& ctx, const char* name, const char* where)
{
    ctx.appDb->execute(s("INSERT INTO お気に入り (名称, グループ名, ＷＨＥＲＥ文) VALUES ('%1', 'bench', '%2')")
                           .arg(s(name), s(where).replace(QLatin1Char('\''), s("''"))));
}

void boxAgainstWinType(context::AppContext& ctx, int rounds)
{
    struct Case {
        const char* name;
        const char* where;
    } cases[] = {{"the four favourites of every race", "D競走馬データ.基準人気 <= 4"},
                 {"every horse of 1600 m races", "D番組データ.距離 = 1600"}};
    std::printf("%-36s %8s %9s %9s %9s %9s %7s %7s\n", "box selection", "rows", "win floor", "box floor", "win s",
                "box s", "ratio", "floors");
    for (const Case& c : cases) {
        conditions::ConditionSet set;
        set.rows = {extended(c.where)};
        double bestWin = 1e300, bestBox = 1e300, winFloor = 1e300, boxFloor = 1e300;
        bool built = false;
        const QString winSql = store::translateJet(
            analysis::funSqlCreate2(ctx.catalogue, set, ctx.appDb.get(), ctx.errorLog, &built));
        bettypes::BetQuerySource source;
        source.conditions = &set;
        const QString boxSql = store::translateJet(
            bettypes::funSqlCreateUma(bettypes::QueryEnv{ctx.catalogue, ctx.appDb.get(), ctx.errorLog}, source, 1));
        int rows = 0;
        for (int r = 0; r < rounds; ++r) {
            analysis::AnalysisDocument win;
            win.conditions = set;
            bestWin = std::min(bestWin, bench::cpuSecondsOf([&] {
                                   bool ok = false;
                                   const QString sql = analysis::funSqlCreate2(ctx.catalogue, set, ctx.appDb.get(),
                                                                               ctx.errorLog, &ok);
                                   analysis::DefaultHorseList list(ctx.catalogue, ctx.appDb.get(), &ctx.errorLog, false);
                                   analysis::RunServices services;
                                   services.horseList = &list;
                                   analysis::subKekkaHyouji(ctx, win, sql, true, services);
                               }));
            rows = win.defaultList.rowCount();
            winFloor = std::min(winFloor, bench::cpuSecondsOf([&] { bench::floorRun(ctx.appDb->handle(), winSql); }));
            boxFloor = std::min(boxFloor, bench::cpuSecondsOf([&] { bench::floorRun(ctx.appDb->handle(), boxSql); }));
            analysis::AnalysisDocument box;
            box.conditions = set;
            box.conditions.kind = conditions::AnalysisKind::QuinellaBox;
            context::MemoryStatusLine status;
            bestBox = std::min(bestBox, bench::cpuSecondsOf([&] { bettypes::runBetTypeAnalysis(ctx, status, box, true); }));
        }
        std::printf("%-36s %8d %9.3f %9.3f %9.3f %9.3f %7.2f %7.2f\n", c.name, rows, winFloor, boxFloor, bestWin,
                    bestBox, bestBox / bestWin, boxFloor / winFloor);
    }
}

void flow(context::AppContext& ctx, int rounds)
{
    addFavourite(ctx, "bench axis", "D競走馬データ.基準人気 = 1");
    addFavourite(ctx, "bench partner", "D競走馬データ.基準人気 BETWEEN 2 AND 5");

    // The axis horses, as the selection gives them.
    std::vector<std::pair<QString, QString>> axis;
    store::Recordset rs = ctx.appDb->openRecordset(
        s("SELECT D競走馬データ.レースキー, D競走馬データ.馬番 FROM D競走馬データ WHERE D競走馬データ.基準人気 = 1 "
          "ORDER BY D競走馬データ.レースキー"));
    for (; !rs.isEOF(); rs.moveNext())
        axis.emplace_back(rs.field(0).toText(), rs.field(1).toText());

    bettypes::BetQuerySource source;
    source.favourites[1].name = s("bench partner");
    double best = 1e300;
    qint64 partnerRows = 0;
    for (int r = 0; r < rounds; ++r) {
        store::Transaction readOnly(*ctx.appDb);
        bettypes::PartnerRows partners(ctx, source, 0);
        best = std::min(best, bench::cpuSecondsOf([&] {
                            partnerRows = 0;
                            for (const auto& [race, horse] : axis)
                                for (auto p = partners.open(race, horse); !p->isEOF(); p->moveNext())
                                    ++partnerRows;
                        }));
    }
    std::printf("partner statements: %zu (%lld rows) in %.3f s: %.0f statements per second\n", axis.size(),
                static_cast<long long>(partnerRows), best, double(axis.size()) / best);
    // The share of the Jet translation that every statement goes through.
    const QString partnerSql = bettypes::funSqlCreateUmaRace(
        bettypes::QueryEnv{ctx.catalogue, ctx.appDb.get(), ctx.errorLog}, source, axis.front().first,
        axis.front().second, 0);
    const int translations = 2000;
    const double translating = bench::cpuSecondsOf([&] {
        for (int i = 0; i < translations; ++i)
            store::translateJet(partnerSql);
    });
    std::printf("  of which the Jet translation alone: %.0f per second\n", translations / translating);

    bettypes::BetWindowState state;
    state.favourites[0].name = s("bench axis");
    state.favourites[1].name = s("bench partner");
    double bestRun = 1e300;
    qint64 wall = 0;
    for (int r = 0; r < rounds; ++r) {
        analysis::Sheet table;
        QElapsedTimer clock;
        clock.start();
        bestRun = std::min(bestRun, bench::cpuSecondsOf([&] { bettypes::subBunsekiUma(ctx, state, table); }));
        wall = clock.elapsed();
    }
    std::printf("flow run of the window: %zu axis horses in %.3f s CPU (%lld ms wall): %.3f s per 1,000 axis horses\n",
                axis.size(), bestRun, static_cast<long long>(wall), bestRun / double(axis.size()) * 1000.0);
}

int writeShots(context::AppContext& ctx, const QString& dir)
{
    addFavourite(ctx, "一番人気", "D競走馬データ.基準人気 = 1");
    addFavourite(ctx, "二から五番人気", "D競走馬データ.基準人気 BETWEEN 2 AND 5");
    addFavourite(ctx, "上位四頭", "D競走馬データ.基準人気 <= 4");
    const auto noChoice = [](QWidget*) { return std::optional<bettypes::FavouritePick>(); };
    bettypes::BetWindowState box;
    box.flow = false;
    box.favourites[0].name = s("上位四頭");
    bettypes::BetWindowState flow;
    flow.favourites[0].name = s("一番人気");
    flow.favourites[1].name = s("二から五番人気");
    const std::pair<const char*, bettypes::BetWindowState> runs[] = {{"bet-window-box.png", box},
                                                                     {"bet-window-flow.png", flow}};
    for (const auto& [file, state] : runs) {
        bettypes::ui::BetTypeWindow window(ctx, noChoice);
        window.setState(state);
        window.resize(1000, 400);
        window.show();
        if (!window.runAnalysis())
            return 1;
        QCoreApplication::processEvents();
        if (!window.grab().save(QDir(dir).filePath(QString::fromUtf8(file))))
            return 1;
    }
    analysis::AnalysisDocument document;
    document.caption = s("Document 1");
    document.conditions.kind = conditions::AnalysisKind::QuinellaPartner;
    document.conditions.axisFavourite = s("一番人気");
    document.conditions.rows = {extended("D競走馬データ.基準人気 BETWEEN 2 AND 5")};
    document.conditions.keys[0] = {s("距離"), {s("1,400")}};
    analysis::ui::AnalysisWindow window(ctx, document);
    window.setBetTypeRun(bettypes::runBetTypeAnalysis);
    window.setBetTypeSql(bettypes::betTypeAnalysisSql);
    window.refreshFromDocument();
    window.resize(1400, 700);
    window.show();
    if (!window.runAnalysis())
        return 1;
    QCoreApplication::processEvents();
    return window.grab().save(QDir(dir).filePath(s("analysis-kind2.png"))) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAexGothic")});
    QApplication::setFont(font);
    int years = 1, rounds = 3;
    QString shots;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray opt(argv[i]);
        if (opt == "--years")
            years = std::max(1, std::atoi(argv[i + 1]));
        else if (opt == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (opt == "--shots")
            shots = QString::fromLocal8Bit(argv[i + 1]);
    }
    const std::unique_ptr<support::GeneratedData> generated = bench::generatedData(years);
    if (!generated)
        return 1;
    support::GeneratedData& data = *generated;
    if (!shots.isEmpty())
        return writeShots(data.context(), shots);
    boxAgainstWinType(data.context(), rounds);
    flow(data.context(), rounds);
    return 0;
}
