#include "favourites/Registration.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/ConditionFile.h"
#include "common/Tokens.h"
#include "conditions/LookAhead.h"
#include "conditions/Rewrites.h"
#include "conditions/Where.h"
#include "context/AppContext.h"
#include "favourites/FavouriteStore.h"
#include "store/Database.h"
#include "store/Value.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace tq::favourites {

namespace {

using context::Answer;
using context::Icon;

const QString kTotal = QStringLiteral("総件数");

QString groupedResultRefused()
{
    return QStringLiteral("集計キーが指定されているものはお気に入りに追加できません");
}

QString notAnalysedQuestion()
{
    return QStringLiteral("分析実行を行っていません。本当にお気に入りに追加しますか？");
}

// A current-race date range that does not end in year 9999: offer to make it
// end there, so that the favourite keeps matching today's races.
void offerOpenEndedDate(context::AppContext& context, conditions::ConditionRow& row)
{
    if ((row.itemName != QStringLiteral("年月") && row.itemName != QStringLiteral("開催日")) ||
        row.targetCaption != QStringLiteral("今走"))
        return;
    int position = 1;
    const QString from = common::funGetToken(row.value, position);
    QString to = common::funGetToken(row.value, position);
    if (to.left(4) == QStringLiteral("9999"))
        return;
    const Answer answer = context.prompter.ask(
        {QStringLiteral("条件に日付の範囲が指定されています。この範囲以外では「本日のお気に入り」に表示されません。"
                        "範囲の終わりの指定を９９９９年に変更しますか？"),
         QString(), Icon::Question, false});
    if (answer != Answer::Yes)
        return;
    to = QStringLiteral("9999") + to.mid(4);
    row.display = from + QStringLiteral("～") + to;
    row.value = from + QLatin1Char(',') + to;
}

// The number a cell of the first result row shows, with the one decimal
// place the condition text writes: a rate shown as 12.3 is stored as 12.3,
// so a favourite's statistics and its condition text's result table agree
// and survive an export and import unchanged.
double cellNumber(const analysis::Sheet& sheet, int column)
{
    return store::textToDouble(sheet.displayText(0, column, 1).trimmed());
}

QDateTime nowOf(const std::function<QDateTime()>& now)
{
    return now ? now() : QDateTime::currentDateTime();
}

} // namespace

bool checkBeforeRegistration(context::AppContext& context, analysis::AnalysisDocument& document)
{
    if (document.conditions.kind != conditions::AnalysisKind::WinPlace)
        return false;
    for (conditions::ConditionRow& row : document.conditions.rows) {
        if (row.masked) {
            context.prompter.inform({analysis::maskedRowsWarning(), QString(), Icon::Exclamation, true});
            break;
        }
        offerOpenEndedDate(context, row);
    }
    if (!confirmLookAhead(context, conditions::lookAheadConditions(context.catalogue, document.conditions)))
        return false;
    const analysis::Sheet& result = document.result;
    if (result.columnCount() < 2)
        return context.prompter.ask({notAnalysedQuestion(), QString(), Icon::Question, true}) == Answer::Yes;
    if (result.header(0) != kTotal) {
        context.prompter.inform({groupedResultRefused(), QString(), Icon::Exclamation, true});
        return false;
    }
    return true;
}

bool confirmLookAhead(context::AppContext& context, const QStringList& names)
{
    if (names.isEmpty())
        return true;
    const context::Message question{conditions::lookAheadWarning(names) + QStringLiteral("このまま登録しますか？"),
                                  QString(), Icon::Exclamation, false};
    return context.prompter.ask(question) == Answer::Yes;
}

std::array<std::optional<double>, kStatisticCount> resultStatistics(const analysis::AnalysisDocument& document)
{
    std::array<std::optional<double>, kStatisticCount> out{};
    const analysis::Sheet& sheet = document.result;
    if (sheet.columnCount() < 2 || sheet.rowCount() < 1)
        return out;
    // Columns 1-10, then 11-21 and 22-26 when the table has them.
    int columns = std::min(10, sheet.columnCount());
    if (sheet.columnCount() > 10)
        columns = std::min(21, sheet.columnCount());
    if (sheet.columnCount() > 21)
        columns = std::min(kStatisticCount, sheet.columnCount());
    for (int c = 0; c < columns; ++c) {
        const double v = cellNumber(sheet, c);
        out[std::size_t(c)] = isCountStatistic(c) ? double(std::llround(v)) : v;
    }
    return out;
}

Favourite favouriteFromDocument(context::AppContext& context, const analysis::AnalysisDocument& document,
                                const FavoChoice& choice, const QDateTime& now)
{
    Favourite f;
    f.name = choice.name;
    f.group = choice.group;
    f.show = choice.show;
    f.colour = choice.colour;
    f.conditionText = analysis::conditionText(context, document, true);
    bool ok = true;
    const QString where = conditions::funWhere(context.catalogue, document.conditions, false, context.appDb.get(),
                                               context.errorLog, &ok);
    if (!ok)
        throw std::runtime_error("the WHERE text of the conditions cannot be built (see the funWhere entry)");
    f.whereText = conditions::funThisHenkan(context.catalogue, where);
    f.statistics = resultStatistics(document);
    f.comment = document.comment;
    f.registered = now;
    f.author = document.author;
    return f;
}

Registration subFavoAdd(context::AppContext& context, analysis::AnalysisDocument& document, const FavoChoice& choice,
                        const std::function<QDateTime()>& now)
{
    const QString procedure = QStringLiteral("subFavoAdd");
    try {
        if (!context.appDb)
            throw std::runtime_error("the application database is not open");
        if (choice.name.trimmed().isEmpty())
            throw FavouriteError(QStringLiteral("お気に入りの名前が空です"));
        document.caption = choice.name;
        const Favourite favourite = favouriteFromDocument(context, document, choice, nowOf(now));
        FavouriteStore store(*context.appDb);
        if (store.exists(choice.name) &&
            context.prompter.ask({QStringLiteral("既に登録されています。上書きしますか？"),
                                  QStringLiteral("お気に入り［%1］").arg(choice.name), Icon::Question, true}) !=
                Answer::Yes)
            return Registration::Declined;
        store.save(favourite);
        document.modified = false;
        return Registration::Stored;
    } catch (const FavouriteError& e) {
        context.prompter.inform({e.message(), QString(), Icon::Exclamation, true});
        return Registration::Failed;
    } catch (const store::DbError& e) {
        context.errorLog.report({e.code(), e.describe(), QString()}, procedure);
    } catch (const std::exception& e) {
        context.errorLog.report({0, QString::fromUtf8(e.what()), QString()}, procedure);
    }
    context.prompter.inform({QStringLiteral("お気に入りに登録できませんでした。詳しくはエラーログをご覧ください。"),
                             QString(), Icon::Exclamation, true});
    return Registration::Failed;
}

analysis::ConditionLoadResult loadFavourite(context::AppContext& context, const Favourite& favourite,
                                            analysis::AnalysisDocument& document)
{
    analysis::ConditionLoadOptions options;
    options.input = analysis::ConditionInput::Text;
    options.commentOverride = favourite.comment.isEmpty() ? QStringLiteral(" ") : favourite.comment;
    options.userOverride = favourite.author.isEmpty() ? QStringLiteral(" ") : favourite.author;
    const analysis::ConditionLoadResult result =
        analysis::funJoukenLoad(context, document, favourite.conditionText, options);
    document.caption = favourite.name;
    document.modified = false;
    return result;
}

int subFavoOpen(context::AppContext& context, const FavoChoice& choice,
                const std::function<analysis::AnalysisDocument*()>& newDocument,
                const std::function<void(analysis::AnalysisDocument&)>& opened)
{
    std::vector<Favourite> favourites;
    if (!context.appDb)
        return 0;
    try {
        FavouriteStore store(*context.appDb);
        if (choice.name == allGroupName()) {
            favourites = store.inGroup(choice.group);
        } else if (std::optional<Favourite> one = store.find(choice.name)) {
            favourites.push_back(std::move(*one));
        }
    } catch (const store::DbError& e) {
        context.errorLog.report({e.code(), e.describe(), QString()}, QStringLiteral("subFavoOpen"));
        return 0;
    }
    int count = 0;
    for (const Favourite& favourite : favourites) {
        analysis::AnalysisDocument* document = newDocument();
        if (!document)
            break;
        loadFavourite(context, favourite, *document);
        if (opened)
            opened(*document);
        ++count;
    }
    return count;
}

} // namespace tq::favourites
