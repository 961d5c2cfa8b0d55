// bet: the counting of the bet-type window over favourites, without windows:
// a box of the horses of one favourite, or a flow from the horses of one
// favourite to those of another; prints the bet-type table and writes it as
// CSV when asked.
//
// Exit status: 0 success, 1 the selection has no rows, 2 an error (among
// them a favourite or group name that is not stored: the window would count
// no horse for it, which on the command line is more likely a typing error).

#include "Commands.h"
#include "Console.h"

#include "bettypes/BetWindowRun.h"
#include "conditions/FavouriteRestriction.h"
#include "context/AppContext.h"
#include "context/ConsolePrompter.h"

namespace tq::app {

namespace {

int usage()
{
    std::fputs("usage: DEVovuved [--app-dir DIR] bet --box NAME [--group] [--csv OUT]\n"
               "       DEVovuved [--app-dir DIR] bet --flow AXIS [--group] PARTNER [--group] [--csv OUT]\n"
               "  counts the 馬連, ワイド, 馬単 and ３連複 tickets of the favourites' horses\n"
               "  --box NAME   every pair and triple of the horses of favourite NAME in each race\n"
               "  --flow AXIS PARTNER  from each horse of AXIS to the horses of PARTNER in its race\n"
               "  --group      the name just before it is a group: all favourites of that group\n"
               "  --csv OUT    write the table as CSV (CP932, CRLF)\n"
               "  exit status: 0 success, 1 no rows, 2 error\n",
               stderr);
    return 2;
}

// The first name of `state` that matches no stored favourite (or group), or
// an empty text; `readable` false when the favourites cannot be read.
QString unknownFavourite(context::AppContext& ctx, const bettypes::BetWindowState& state, int names, bool& readable)
{
    readable = true;
    for (int i = 0; i < names; ++i) {
        const bettypes::FavouritePick& pick = state.favourites[std::size_t(i)];
        const conditions::FavouriteRestrictionResult r = conditions::favouriteRestriction(
            ctx.catalogue, ctx.appDb.get(), ctx.errorLog, pick.wholeGroup, pick.name, false, QString(), QString());
        readable = r.ok;
        if (!r.ok || r.matched == 0)
            return pick.name;
    }
    return {};
}

} // namespace

int runBet(const CommandLine& cl)
{
    bettypes::BetWindowState state;
    int names = 0;    // favourite names read
    int wanted = 0;   // names the mode takes
    QString csvPath;
    for (int i = 0; i < cl.args.size(); ++i) {
        const QString& arg = cl.args.at(i);
        const bool hasValue = i + 1 < cl.args.size();
        if ((arg == QLatin1String("--box") || arg == QLatin1String("--flow")) && wanted == 0) {
            state.flow = arg == QLatin1String("--flow");
            wanted = state.flow ? 2 : 1;
        } else if (arg == QLatin1String("--group") && names > 0) {
            state.favourites[std::size_t(names - 1)].wholeGroup = true;
        } else if (arg == QLatin1String("--csv") && hasValue) {
            csvPath = cl.args.at(++i);
        } else if (!arg.startsWith(QLatin1String("--")) && names < wanted) {
            state.favourites[std::size_t(names++)].name = arg;
        } else {
            return usage();
        }
    }
    if (wanted == 0 || names != wanted)
        return usage();

    CommandSession session;
    context::AppContext& ctx = session.ctx;
    if (!openDatabase(ctx, cl.appDir, "bet"))
        return 2;

    bool readable = true;
    if (const QString unknown = unknownFavourite(ctx, state, names, readable); !unknown.isEmpty()) {
        err(readable ? QStringLiteral("bet: no favourite or group named \"%1\" is stored").arg(unknown)
                     : QStringLiteral("bet: the favourites cannot be read (see the error log)"));
        return 2;
    }
    const int errorsBefore = int(ctx.errorLog.recentEntries().size());
    analysis::Sheet table;
    bool ok = false;
    {
        const InterruptGuard interrupts;
        ok = bettypes::subBunsekiUma(ctx, state, table);
    }
    ctx.busy.hide();
    if (!ok) {
        if (ctx.busy.cancelled()) {
            err(QStringLiteral("bet: cancelled"));
            return 2;
        }
        const auto entries = ctx.errorLog.recentEntries();
        if (int(entries.size()) > errorsBefore) {
            err(QStringLiteral("bet: the analysis failed: ") + entries.last().description);
            return 2;
        }
        return 1; // the no-rows message has been shown
    }
    printSheet(table);
    if (!csvPath.isEmpty() && !exportSheet(ctx, csvPath, table, "result", "bet"))
        return 2;
    return 0;
}

} // namespace tq::app
