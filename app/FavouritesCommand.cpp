// favourites: lists, registers, shows, deletes, renames and moves the
// favourites of the application database without windows.
//
//   list [--group G]        one tab-separated line per favourite
//   add FILE.tqb --name NAME [--group G] [--hidden] [--yes|--no]
//                           loads and analyses the file, then registers it
//                           through the same checks and subFavoAdd as the menu
//   show NAME               condition text, ＷＨＥＲＥ文 and statistics
//   delete NAME | rename OLD NEW | move NAME GROUP
//   export FILE.tqa [--group G | NAME...]
//                           writes the favourites (all without a choice) to
//                           an exchange file
//   import FILE.tqa [--group G] [--prefix P] [--yes|--no]
//                           registers every favourite of an exchange file
//   recalc [--group G | --shown]
//                           re-runs the analyses and stores the statistics
//   convert-no-prerace      rebuilds お気に入り直前なし
//
// Exit status: 0 success, 1 nothing found (no favourite, no rows, overwrite
// declined), 2 an error (bad usage, a refused change, a failed run or write).

#include "Commands.h"
#include "Console.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/ConditionFile.h"
#include "analysis/Run.h"
#include "context/AppContext.h"
#include "context/ConsolePrompter.h"
#include "context/StatusLine.h"
#include "favourites/ExchangeFile.h"
#include "favourites/FavouriteStore.h"
#include "favourites/Recalculation.h"
#include "favourites/Registration.h"
#include "store/Database.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace tq::app {

namespace {

using favourites::Favourite;
using favourites::FavouriteStore;

int usage()
{
    std::fputs("usage: DEVovuved [--app-dir DIR] favourites COMMAND ...\n"
               "  list [--group G]                 name, group, 表示, counts and rates (tab-separated)\n"
               "  add FILE.tqb --name NAME [--group G] [--hidden] [--yes|--no]\n"
               "                                   analyse the condition file and register it\n"
               "                                   (--yes/--no answer the questions, e.g. overwrite)\n"
               "  show NAME                        condition text, ＷＨＥＲＥ文 and statistics\n"
               "  delete NAME\n"
               "  rename OLD NEW\n"
               "  move NAME GROUP\n"
               "  export FILE.tqa [--group G | NAME...]\n"
               "                                   write the favourites (all by default) to an exchange file\n"
               "  import FILE.tqa [--group G] [--prefix P] [--yes|--no]\n"
               "                                   register the favourites of an exchange file\n"
               "  recalc [--group G | --shown]     re-run the analyses (all by default) and store the\n"
               "                                   statistics; a progress line on stderr, Ctrl-C cancels\n"
               "  convert-no-prerace               rebuild お気に入り直前なし\n"
               "  exit status: 0 success, 1 nothing found or declined, 2 error\n",
               stderr);
    return 2;
}

void out(const QString& line)
{
    std::fputs(QString(line + QLatin1Char('\n')).toUtf8().constData(), stdout);
}

QString statisticText(const Favourite& f, int index)
{
    const std::optional<double>& v = f.statistics[std::size_t(index)];
    if (!v)
        return {};
    return favourites::isCountStatistic(index) ? QString::number(qint64(*v)) : QString::number(*v, 'f', 1);
}

int list(FavouriteStore& store, const QStringList& args)
{
    std::optional<QString> group;
    if (args.size() == 2 && args[0] == QLatin1String("--group"))
        group = args[1];
    else if (!args.isEmpty())
        return usage();
    const std::vector<Favourite> all = store.list(group);
    QStringList header{QStringLiteral("名称"), QStringLiteral("グループ名"), QStringLiteral("表示")};
    for (int i = 0; i < 10; ++i)
        header << favourites::statisticColumns()[std::size_t(i)];
    out(header.join(QLatin1Char('\t')));
    for (const Favourite& f : all) {
        QStringList cells{f.name, f.group, f.show ? QStringLiteral("True") : QStringLiteral("False")};
        for (int i = 0; i < 10; ++i)
            cells << statisticText(f, i);
        out(cells.join(QLatin1Char('\t')));
    }
    return all.empty() ? 1 : 0;
}

int show(FavouriteStore& store, const QStringList& args)
{
    if (args.size() != 1)
        return usage();
    const std::optional<Favourite> f = store.find(args[0]);
    if (!f) {
        err(QStringLiteral("favourites: no favourite named ") + args[0]);
        return 1;
    }
    out(QStringLiteral("名称\t") + f->name);
    out(QStringLiteral("グループ名\t") + f->group);
    out(QStringLiteral("表示\t") + (f->show ? QStringLiteral("True") : QStringLiteral("False")));
    out(QStringLiteral("作者名\t") + f->author);
    out(QStringLiteral("コメント\t") + f->comment);
    out(QStringLiteral("ＷＨＥＲＥ文\t") + f->whereText);
    for (int i = 0; i < favourites::kStatisticCount; ++i)
        out(favourites::statisticColumns()[std::size_t(i)] + QLatin1Char('\t') + statisticText(*f, i));
    out(QStringLiteral("条件"));
    std::fputs(QString(f->conditionText).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).toUtf8().constData(),
               stdout);
    return 0;
}

int add(context::AppContext& ctx, const QStringList& args)
{
    QString file;
    favourites::FavoChoice choice;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--name") && hasValue)
            choice.name = args[++i];
        else if (arg == QLatin1String("--group") && hasValue)
            choice.group = args[++i];
        else if (arg == QLatin1String("--hidden"))
            choice.show = false;
        else if (arg.startsWith(QLatin1String("--")) || !file.isEmpty())
            return usage();
        else
            file = arg;
    }
    if (file.isEmpty() || choice.name.trimmed().isEmpty())
        return usage();
    if (!QFileInfo(file).isFile()) {
        err(QStringLiteral("favourites: no such file: ") + file);
        return 2;
    }
    analysis::AnalysisDocument doc;
    doc.caption = choice.name;
    if (analysis::funJoukenLoad(ctx, doc, file).result != 0)
        err(QStringLiteral("favourites: some lines of %1 were skipped (see the error log)").arg(file));
    if (doc.author.trimmed().isEmpty())
        doc.author = ctx.userName;

    context::MemoryStatusLine status;
    bool ran = false;
    {
        const InterruptGuard interrupts;
        ran = analysis::subBunseki(ctx, status, doc, false);
    }
    ctx.busy.hide();
    err(status.text());
    if (!ran) {
        err(QStringLiteral("favourites: the analysis did not complete; nothing registered"));
        return ctx.busy.cancelled() || doc.conditions.rows.empty() ? 2 : 1;
    }
    if (!favourites::checkBeforeRegistration(ctx, doc))
        return 2;
    switch (favourites::subFavoAdd(ctx, doc, choice)) {
    case favourites::Registration::Stored:
        err(QStringLiteral("favourite registered: ") + choice.name);
        return 0;
    case favourites::Registration::Declined:
        return 1;
    case favourites::Registration::Failed:
        break;
    }
    return 2;
}

int change(FavouriteStore& store, const QString& command, const QStringList& args)
{
    if (command == QLatin1String("delete") && args.size() == 1)
        store.remove(args[0]);
    else if (command == QLatin1String("rename") && args.size() == 2)
        store.rename(args[0], args[1]);
    else if (command == QLatin1String("move") && args.size() == 2)
        store.move(args[0], args[1]);
    else
        return usage();
    return 0;
}

// Takes "--NAME VALUE" out of the arguments; false when NAME has no value.
bool takeOption(QStringList& args, const QString& name, std::optional<QString>& value)
{
    const qsizetype at = args.indexOf(name);
    if (at < 0)
        return true;
    if (at + 1 >= args.size())
        return false;
    value = args[at + 1];
    args.remove(at, 2);
    return true;
}

int exportFile(context::AppContext& ctx, FavouriteStore& store, QStringList args)
{
    std::optional<QString> group;
    if (args.isEmpty() || !takeOption(args, QStringLiteral("--group"), group))
        return usage();
    const QString file = args.takeFirst();
    if ((group && !args.isEmpty()) || std::any_of(args.cbegin(), args.cend(), [](const QString& a) {
            return a.startsWith(QLatin1String("--"));
        }))
        return usage();
    std::vector<Favourite> chosen;
    if (group) {
        chosen = store.inGroup(*group);
    } else if (args.isEmpty()) {
        chosen = store.select(QString());
    }
    for (const QString& name : args) {
        std::optional<Favourite> f = store.find(name);
        if (!f) {
            err(QStringLiteral("favourites: no favourite named ") + name);
            return 1;
        }
        chosen.push_back(std::move(*f));
    }
    if (chosen.empty()) {
        err(QStringLiteral("favourites: no favourite to export"));
        return 1;
    }
    std::optional<int> written;
    {
        const InterruptGuard interrupts;
        written = favourites::exportFavourites(ctx, chosen, file);
    }
    if (!written) {
        err(QStringLiteral("favourites: export cancelled; nothing written"));
        return 2;
    }
    err(QStringLiteral("favourites exported: %1 (%2)").arg(file).arg(*written));
    return 0;
}

int importFile(context::AppContext& ctx, QStringList args)
{
    std::optional<QString> group, prefix;
    if (!takeOption(args, QStringLiteral("--group"), group) || !takeOption(args, QStringLiteral("--prefix"), prefix) ||
        args.size() != 1 || args[0].startsWith(QLatin1String("--")))
        return usage();
    favourites::ImportOptions options;
    options.group = group.value_or(QString());
    options.prefix = prefix.value_or(QString());
    const std::optional<favourites::ImportSummary> summary = favourites::subFavoInport(ctx, args[0], options);
    if (!summary)
        return 2;
    err(favourites::importSummaryText(*summary));
    if (!summary->failed.isEmpty())
        return 2;
    return summary->declined > 0 ? 1 : 0;
}

// The exit status of a batch: 2 when a favourite failed or the batch was
// stopped, 1 when there was nothing to do or something was skipped.
int batchStatus(const favourites::BatchSummary& summary)
{
    err(favourites::batchSummaryText(summary));
    if (!summary.failed.isEmpty() || summary.cancelled || !summary.error.isEmpty())
        return 2;
    return summary.total == 0 || !summary.skipped.isEmpty() ? 1 : 0;
}

int recalc(context::AppContext& ctx, QStringList args)
{
    std::optional<QString> group;
    if (!takeOption(args, QStringLiteral("--group"), group))
        return usage();
    const bool shown = args.removeAll(QStringLiteral("--shown")) > 0;
    if (!args.isEmpty() || (shown && group))
        return usage();
    QString filter = favourites::recalculationFilter(favourites::RecalcSelection::All);
    if (group)
        filter = favourites::recalculationFilter(favourites::RecalcSelection::Group, *group);
    else if (shown)
        filter = favourites::recalculationFilter(favourites::RecalcSelection::Shown);
    const InterruptGuard interrupts;
    return batchStatus(favourites::subFavoSaiKeisan(ctx, filter));
}

int convertNoPreRace(context::AppContext& ctx, const QStringList& args)
{
    if (!args.isEmpty())
        return usage();
    const InterruptGuard interrupts;
    return batchStatus(favourites::subChokuHen(ctx));
}

std::optional<context::Answer> answerOption(QStringList& args)
{
    std::optional<context::Answer> answer;
    for (const char* option : {"--yes", "--no"}) {
        if (args.removeAll(QLatin1String(option)) > 0)
            answer = QLatin1String(option) == QLatin1String("--yes") ? context::Answer::Yes : context::Answer::No;
    }
    return answer;
}

} // namespace

int runFavourites(const CommandLine& cl)
{
    QStringList args = cl.args;
    const std::optional<context::Answer> answer = answerOption(args);
    if (args.isEmpty())
        return usage();
    const QString command = args.takeFirst();

    CommandSession session(answer);
    context::AppContext& ctx = session.ctx;
    if (!openDatabase(ctx, cl.appDir, "favourites"))
        return 2;
    try {
        FavouriteStore store(*ctx.appDb);
        if (command == QLatin1String("list"))
            return list(store, args);
        if (command == QLatin1String("show"))
            return show(store, args);
        if (command == QLatin1String("add"))
            return add(ctx, args);
        if (command == QLatin1String("export"))
            return exportFile(ctx, store, args);
        if (command == QLatin1String("import"))
            return importFile(ctx, args);
        if (command == QLatin1String("recalc"))
            return recalc(ctx, args);
        if (command == QLatin1String("convert-no-prerace"))
            return convertNoPreRace(ctx, args);
        return change(store, command, args);
    } catch (const favourites::FavouriteError& e) {
        err(QStringLiteral("favourites: ") + e.message());
    } catch (const std::exception& e) {
        err(QStringLiteral("favourites: ") + QString::fromUtf8(e.what()));
    }
    return 2;
}

} // namespace tq::app
