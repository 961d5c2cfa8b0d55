// analyze: loads a condition file into a document, runs the analysis with a
// progress line on stderr (Ctrl-C cancels cleanly), prints the result table
// for a terminal and writes the requested files.
//
// Exit status: 0 success, 1 the selection has no rows, 2 an error (bad
// usage, unreadable file, a failed run or write) with a message on stderr,
// 3 success on a condition file that was only partly read (each skipped line
// or key is named on stderr).

#include "Commands.h"
#include "Console.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/ConditionFile.h"
#include "analysis/Run.h"
#include "analysis/RunExtras.h"
#include "analysis/Sheet.h"
#include "appdb/DbLifecycle.h"
#include "bettypes/GroupedRun.h"
#include "common/TextFile.h"
#include "conditions/ConditionSet.h"
#include "context/AppContext.h"
#include "context/ConsolePrompter.h"
#include "context/StatusLine.h"

#include <QDate>
#include <QFileInfo>

#include <cstdio>

namespace tq::app {

namespace {

int usage()
{
    std::fputs("usage: DEVovuved [--app-dir DIR] analyze FILE.tqb [--csv OUT] [--list OUT] [--save OUT.tqb]\n"
               "                 [--keys \"KEY[:RANGE],...\"] [--no-list] [--split YYYY/MM/DD] [--intervals]\n"
               "  runs the analysis of a condition file on the race data named by KORVEN.INI\n"
               "  --csv OUT       write the result table as CSV (CP932, CRLF)\n"
               "  --list OUT      write the default horse list as CSV\n"
               "  --save OUT.tqb  save the document (conditions, keys, result) as a condition file\n"
               "  --keys ...      replace the aggregation keys: key texts separated by \",\" or \";\",\n"
               "                  each optionally followed by \":\" and its range (\"距離:2,200;馬番\").\n"
               "                  With \",\" a number continues the range before it. \"\" removes all keys\n"
               "  --no-list       do not build the horse list (faster; not with --list)\n"
               "  --split DATE    also count every group in two periods, the races before DATE\n"
               "                  (discovery) and from DATE on (validation), side by side\n"
               "  --intervals     also give each group 95 % intervals of its return rates and the\n"
               "                  share of its win payouts made by its largest 1 %\n"
               "                  (both: extra columns after the result's own, in the table and the CSV)\n"
               "  exit status: 0 success, 1 no rows, 2 error,\n"
               "               3 success but the condition file was only partly read\n",
               stderr);
    return 2;
}

bool isRangeToken(const QString& token)
{
    bool ok = false;
    token.trimmed().toDouble(&ok);
    return ok;
}

// "距離:2,200,馬番" or "距離:2,200;馬番" -> {距離, "2,200"}, {馬番, ""}.
std::vector<conditions::AggregationKey> parseKeys(const QString& text)
{
    std::vector<conditions::AggregationKey> keys;
    const bool semicolons = text.contains(QLatin1Char(';'));
    const QStringList tokens = text.split(semicolons ? QLatin1Char(';') : QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& token : tokens) {
        if (!semicolons && !keys.empty() && !keys.back().range.isEmpty() && isRangeToken(token)) {
            keys.back().range.text += QLatin1Char(',') + token.trimmed();
            continue;
        }
        const qsizetype colon = token.indexOf(QLatin1Char(':'));
        conditions::AggregationKey key;
        key.key = (colon < 0 ? token : token.left(colon)).trimmed();
        if (colon >= 0)
            key.range.text = token.mid(colon + 1).trimmed();
        keys.push_back(key);
    }
    return keys;
}

} // namespace

int runAnalyze(const CommandLine& cl)
{
    QString file, csvPath, listPath, savePath, keysText;
    bool keysGiven = false;
    bool noList = false;
    QDate splitDate;
    bool intervals = false;
    for (int i = 0; i < cl.args.size(); ++i) {
        const QString& arg = cl.args.at(i);
        const bool hasValue = i + 1 < cl.args.size();
        if (arg == QLatin1String("--csv") && hasValue)
            csvPath = cl.args.at(++i);
        else if (arg == QLatin1String("--list") && hasValue)
            listPath = cl.args.at(++i);
        else if (arg == QLatin1String("--save") && hasValue)
            savePath = cl.args.at(++i);
        else if (arg == QLatin1String("--split") && hasValue) {
            splitDate = QDate::fromString(cl.args.at(++i), QStringLiteral("yyyy/MM/dd"));
            if (!splitDate.isValid()) {
                err(QStringLiteral("analyze: --split needs a date YYYY/MM/DD: ") + cl.args.at(i));
                return 2;
            }
        } else if (arg == QLatin1String("--intervals"))
            intervals = true;
        else if (arg == QLatin1String("--keys") && hasValue) {
            keysText = cl.args.at(++i);
            keysGiven = true;
        } else if (arg == QLatin1String("--no-list"))
            noList = true;
        else if (arg.startsWith(QLatin1String("--")) || !file.isEmpty())
            return usage();
        else
            file = arg;
    }
    if (file.isEmpty() || (noList && !listPath.isEmpty()))
        return usage();
    if (!QFileInfo(file).isFile()) {
        err(QStringLiteral("analyze: no such file: ") + file);
        return 2;
    }

    CommandSession session;
    context::AppContext& ctx = session.ctx;
    ctx.buildHorseList = !noList;
    if (!openDatabase(ctx, cl.appDir, "analyze"))
        return 2;

    analysis::AnalysisDocument doc;
    doc.caption = QFileInfo(file).completeBaseName();
    doc.filePath = file;
    const qsizetype entriesBeforeLoad = ctx.errorLog.recentEntries().size();
    const analysis::ConditionLoadResult loaded = analysis::funJoukenLoad(ctx, doc, file);
    const bool partlyRead = loaded.result != 0;
    if (partlyRead) {
        const auto entries = ctx.errorLog.recentEntries();
        for (qsizetype i = std::min(entriesBeforeLoad, entries.size()); i < entries.size(); ++i)
            err(QStringLiteral("analyze: %1: %2").arg(file, entries.at(i).description));
        err(QStringLiteral("analyze: %1 was only partly read; the analysis runs on what was read (exit status 3; "
                           "every skipped line is in the error log %2)")
                .arg(file, ctx.errorLog.logFileName()));
    }

    if (keysGiven) {
        const std::vector<conditions::AggregationKey> keys = parseKeys(keysText);
        if (int(keys.size()) > conditions::kAggregationLevels) {
            err(QStringLiteral("analyze: at most %1 keys").arg(conditions::kAggregationLevels));
            return 2;
        }
        for (const conditions::AggregationKey& key : keys) {
            if (analysis::aggregationKeyExpression(ctx.catalogue, key.key).isEmpty()) {
                err(QStringLiteral("analyze: unknown key: ") + key.key);
                return 2;
            }
            const QString problem = conditions::rangeSpecProblem(key.range.text);
            if (!problem.isEmpty()) {
                err(QStringLiteral("analyze: key %1: range \"%2\": %3").arg(key.key, key.range.text, problem));
                return 2;
            }
        }
        for (int i = 0; i < conditions::kAggregationLevels; ++i)
            doc.conditions.keys[std::size_t(i)] =
                i < int(keys.size()) ? keys[std::size_t(i)] : conditions::AggregationKey{};
    }

    const bool extras = splitDate.isValid() || intervals;
    if (extras && doc.conditions.kind != conditions::AnalysisKind::WinPlace) {
        err(QStringLiteral("analyze: --split and --intervals apply to the win-type analysis only"));
        return 2;
    }
    doc.splitDate = splitDate;
    doc.intervals = intervals;

    const int errorsBefore = int(ctx.errorLog.recentEntries().size());
    context::MemoryStatusLine status;
    // Ctrl-C cancels the run and the file exports (a cancelled export keeps
    // the previous file), until the command returns.
    const InterruptGuard interrupts;
    const bool ok = analysis::subBunseki(ctx, status, doc, false, bettypes::runBetTypeAnalysis);
    ctx.busy.hide();
    err(status.text());
    if (!ok) {
        if (ctx.busy.cancelled()) {
            err(QStringLiteral("analyze: cancelled"));
            return 2;
        }
        const auto entries = ctx.errorLog.recentEntries();
        if (int(entries.size()) > errorsBefore) {
            err(QStringLiteral("analyze: the analysis failed: ") + entries.last().description);
            // A missing linked table is usually a race-data file that is
            // missing or unusable: name it.
            appdb::checkRaceData(ctx);
            for (const QString& problem : ctx.preparation.raceDataProblems)
                err(QStringLiteral("analyze: ") + problem);
            return 2;
        }
        if (doc.conditions.rows.empty() && !doc.conditions.keys[0].inUse() && doc.conditions.favourite.name.isEmpty())
            return 2; // the no-conditions message has been shown
        return 1;     // the no-rows message has been shown
    }

    const analysis::Sheet result = extras ? analysis::resultWithExtras(doc) : doc.result;
    printSheet(result);

    bool written = true;
    if (!csvPath.isEmpty())
        written = exportSheet(ctx, csvPath, result, "result", "analyze") && written;
    if (!listPath.isEmpty())
        written = exportSheet(ctx, listPath, doc.defaultList, "horse list", "analyze") && written;
    if (!savePath.isEmpty()) {
        try {
            analysis::saveConditionFile(ctx, doc, savePath);
            err(QStringLiteral("condition file: ") + savePath);
        } catch (const common::TextFileError& e) {
            err(QStringLiteral("analyze: cannot save: ") + e.message());
            written = false;
        } catch (const std::exception& e) {
            err(QStringLiteral("analyze: cannot save: ") + QString::fromUtf8(e.what()));
            written = false;
        }
    }
    if (!written)
        return 2;
    return partlyRead ? 3 : 0;
}

} // namespace tq::app
