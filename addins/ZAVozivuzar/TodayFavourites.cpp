#include "TodayFavourites.h"

#include "AddinStart.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/ConditionFile.h"
#include "common/ProfileFile.h"
#include "conditions/Clauses.h"
#include "conditions/LookAhead.h"
#include "conditions/Rewrites.h"
#include "context/AppContext.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/Recordset.h"

#include <QFileInfo>
#include <QHash>
#include <QMap>

#include <algorithm>
#include <memory>

namespace tq::addins::today {

namespace {

const QString kSoftwareId = QStringLiteral("ZAVozivuzar");
const QString kMatchedTable = QStringLiteral("Tお気に入り該当馬");

struct FavouriteRow {
    int order = 0;
    QString name, group, where, conditionText;
    store::Value count, rates[5]; // 総件数; 勝率, 連対率, 複勝率, 単回収率, 複回収率
    QString error;
    QString lookAhead; // the look-ahead warning of its conditions, or empty
};

// A runner a favourite found, or (raceKey empty) the favourite's error or
// look-ahead warning row.
struct Match {
    int favourite = 0;
    QString raceKey, date, runnerKey, number, horseName;
    bool warning = false;
};

// Warning rows: dark orange text (Windows colour order), error rows red.
constexpr qint32 kWarningColour = 0x0060C0;
constexpr qint32 kErrorColour = 0x0000C0;

// One published column: the table it lives in and its name there.
struct PublishedColumn {
    QString database, table, column;
};

QString quoted(const QString& text)
{
    return QLatin1Char('\'') + conditions::quoteLiteral(text) + QLatin1Char('\'');
}

QString runnerId(const QString& raceKey, const QString& number)
{
    return raceKey.trimmed() + QLatin1Char('|') + number.trimmed();
}

std::vector<FavouriteRow> readFavourites(store::Database& db)
{
    static const char16_t* const rateColumns[] = {u"勝率", u"連対率", u"複勝率", u"単回収率", u"複回収率"};
    std::vector<FavouriteRow> favourites;
    store::Recordset rs = db.openRecordset(QStringLiteral("select * from お気に入り order by グループ名, 名称"));
    const int shown = rs.fieldIndex(QStringLiteral("表示"));
    const int conditions = rs.fieldIndex(QStringLiteral("条件"));
    for (; !rs.isEOF(); rs.moveNext()) {
        if (shown >= 0 && rs.field(shown).toInt() == 0)
            continue;
        FavouriteRow row;
        row.order = int(favourites.size());
        row.name = rs.value(QStringLiteral("名称")).toText().trimmed();
        row.group = rs.value(QStringLiteral("グループ名")).toText().trimmed();
        row.where = rs.value(QStringLiteral("ＷＨＥＲＥ文")).toText().trimmed();
        if (conditions >= 0)
            row.conditionText = rs.field(conditions).toText();
        row.count = rs.value(QStringLiteral("総件数"));
        for (int i = 0; i < 5; ++i)
            row.rates[i] = rs.value(QString::fromUtf16(rateColumns[i]));
        favourites.push_back(std::move(row));
    }
    return favourites;
}

// The runners of today's races that meet the favourite's ＷＨＥＲＥ文, which
// is written with today's table names; the catalogue's joins are added as it
// needs them.
QString runnerQuery(const conditions::ConditionCatalogue& catalogue, const QString& where)
{
    const QString columns = QStringLiteral(
        "SELECT D番組データ.レースキー AS レースキー, D番組データ.年月日 AS 開催日, "
        "D競走馬データ.競走成績キー AS 競走成績キー, D競走馬データ.馬番 AS 馬番, D競走馬データ.馬名 AS 馬名");
    QString from = QStringLiteral("D番組データ INNER JOIN D競走馬データ ON D番組データ.レースキー = D競走馬データ.レースキー ");
    from = conditions::addCatalogueJoins(catalogue, from, columns, conditions::withPastNames(catalogue, where));
    QString sql = conditions::funThisHenkan(catalogue, columns + QStringLiteral(" FROM ") + from);
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    return sql;
}

void findMatches(context::AppContext& ctx, FavouriteRow& favourite, std::vector<Match>& matches)
{
    std::vector<Match> found;
    try {
        store::Recordset rs = ctx.appDb->openRecordset(runnerQuery(ctx.catalogue, favourite.where));
        for (; !rs.isEOF(); rs.moveNext())
            found.push_back({favourite.order, rs.field(0).toText().trimmed(), rs.field(1).toText().trimmed(),
                             rs.field(2).toText().trimmed(), rs.field(3).toText().trimmed(), rs.field(4).toText().trimmed()});
    } catch (const std::exception& e) {
        // The database's own words stay, in brackets, for whoever mends the conditions.
        favourite.error = QStringLiteral("条件を本日のデータで実行できません（%1）").arg(QString::fromUtf8(e.what()));
        ctx.errorLog.report({0, favourite.error, favourite.name}, QStringLiteral("subFavoToday"));
        return;
    }
    matches.insert(matches.end(), found.begin(), found.end());
}

// The look-ahead warning of a favourite's stored conditions (empty when none
// reads a value known only after the race, or there are no stored conditions).
QString lookAheadOf(context::AppContext& ctx, const FavouriteRow& favourite)
{
    if (favourite.conditionText.trimmed().isEmpty())
        return {};
    analysis::AnalysisDocument document;
    analysis::ConditionLoadOptions options;
    options.input = analysis::ConditionInput::ConditionsOnly;
    analysis::funJoukenLoad(ctx, document, favourite.conditionText, options);
    return conditions::lookAheadWarning(conditions::lookAheadConditions(ctx.catalogue, document.conditions));
}

std::vector<PublishedColumn> publishedColumns(store::Database& db)
{
    std::vector<PublishedColumn> columns;
    if (!db.hasTable(QStringLiteral("Sアドイン項目管理")))
        return columns;
    store::Recordset rs = db.openRecordset(QStringLiteral("select * from Sアドイン項目管理 where ソフトID <> ") + quoted(kSoftwareId));
    for (; !rs.isEOF(); rs.moveNext())
        columns.push_back({rs.value(QStringLiteral("MDB名")).toText().trimmed(), rs.value(QStringLiteral("テーブル名")).toText().trimmed(),
                           rs.value(QStringLiteral("項目名")).toText().trimmed()});
    return columns;
}

// "[１着件数]" is registered with its brackets; the header goes without.
QString columnHeader(const QString& column)
{
    return column.startsWith(QLatin1Char('[')) && column.endsWith(QLatin1Char(']')) ? column.mid(1, column.size() - 2)
                                                                                      : column;
}

// The values of the published columns per runner (レースキー|馬番), in the
// order of `columns`. A table that cannot be read leaves its columns empty
// and is named in `problems`.
QHash<QString, std::vector<store::Value>> readPublished(context::AppContext& ctx,
                                                        const std::vector<PublishedColumn>& columns,
                                                        QStringList& problems)
{
    QHash<QString, std::vector<store::Value>> values;
    QMap<QPair<QString, QString>, std::vector<int>> byTable;
    for (int i = 0; i < int(columns.size()); ++i)
        byTable[{columns[std::size_t(i)].database, columns[std::size_t(i)].table}].push_back(i);
    const QString appDb = QFileInfo(ctx.appDbPath()).canonicalFilePath();
    for (auto it = byTable.cbegin(); it != byTable.cend(); ++it) {
        const auto& [database, table] = it.key();
        try {
            std::unique_ptr<store::Database> other;
            if (!database.isEmpty() && QFileInfo(database).canonicalFilePath() != appDb)
                other = store::Database::open(database, store::OpenMode::ReadOnly);
            store::Database& db = other ? *other : *ctx.appDb;
            QStringList names;
            for (int i : it.value())
                names << columns[std::size_t(i)].column;
            store::Recordset rs = db.openRecordset(QStringLiteral("SELECT レースキー, 馬番, ") + names.join(QLatin1Char(',')) +
                                                   QStringLiteral(" FROM ") + table);
            for (; !rs.isEOF(); rs.moveNext()) {
                auto& row = values[runnerId(rs.field(0).toText(), rs.field(1).toText())];
                row.resize(columns.size());
                for (int k = 0; k < int(it.value().size()); ++k)
                    row[std::size_t(it.value()[std::size_t(k)])] = rs.value(k + 2);
            }
        } catch (const std::exception& e) {
            problems << table + QStringLiteral(": ") + QString::fromUtf8(e.what());
        }
    }
    return values;
}

void setValue(analysis::Sheet& sheet, int row, int column, const store::Value& value)
{
    switch (value.kind()) {
    case store::Value::Kind::Null:
        sheet.setEmpty(row, column);
        break;
    case store::Value::Kind::Integer:
        sheet.setInteger(row, column, value.toInt());
        break;
    case store::Value::Kind::Real:
        sheet.setDecimal(row, column, value.toDouble(), 1);
        break;
    case store::Value::Kind::Text:
        sheet.setText(row, column, value.toText().trimmed());
        break;
    }
}

void fillFavourite(analysis::Sheet& sheet, int row, const FavouriteRow& favourite)
{
    sheet.setText(row, kFavourite, favourite.name);
    sheet.setText(row, kGroup, favourite.group);
    setValue(sheet, row, kCount, favourite.count);
    for (int i = 0; i < 5; ++i)
        setValue(sheet, row, kWinRate + i, favourite.rates[i]);
}

// The course's name from the code table, by the first two characters of the
// race key; the code itself when there is no name.
QString courseName(store::Database& db, const QString& raceKey, QHash<QString, QString>& cache)
{
    const QString code = raceKey.left(2);
    const auto cached = cache.constFind(code);
    if (cached != cache.cend())
        return *cached;
    QString name = code;
    try {
        store::Recordset rs = db.openRecordset(QStringLiteral("SELECT 場名 FROM M競馬場 WHERE 場コード = ") + quoted(code));
        if (!rs.isEOF())
            name = rs.field(0).toText().trimmed();
    } catch (const std::exception&) {
    }
    cache.insert(code, name);
    return name;
}

// Tお気に入り該当馬: every runner found, how many favourites it meets and
// their names joined by commas (cut to the column's 255 characters).
void writeMatchedRunners(context::AppContext& ctx, const std::vector<Match>& matches,
                         const std::vector<FavouriteRow>& favourites)
{
    struct Runner {
        Match match;
        QStringList names;
    };
    QMap<QString, Runner> runners;
    for (const Match& m : matches) {
        Runner& runner = runners[runnerId(m.raceKey, m.number)];
        runner.match = m;
        runner.names << favourites[std::size_t(m.favourite)].name;
    }
    store::Database& db = *ctx.appDb;
    store::Transaction transaction(db);
    db.execute(QStringLiteral("delete * from ") + kMatchedTable);
    for (const Runner& runner : std::as_const(runners)) {
        const Match& m = runner.match;
        db.execute(QStringLiteral("INSERT INTO ") + kMatchedTable +
                   QStringLiteral(" (レースキー, 馬番, 競走成績キー, 馬名, お気に入り件数, お気に入り名称) VALUES (") +
                   quoted(m.raceKey) + QLatin1Char(',') + quoted(m.number) + QLatin1Char(',') + quoted(m.runnerKey) +
                   QLatin1Char(',') + quoted(m.horseName) + QLatin1Char(',') + QString::number(runner.names.size()) +
                   QLatin1Char(',') + quoted(runner.names.join(QLatin1Char(',')).left(255)) + QLatin1Char(')'));
    }
    transaction.commit();
}

} // namespace

std::optional<TodayList> buildTodayList(context::AppContext& ctx, Grouping grouping, QString& error)
{
    if (!ctx.appDb) {
        error = QStringLiteral("データベースが開かれていません");
        return std::nullopt;
    }
    std::vector<FavouriteRow> favourites;
    std::vector<PublishedColumn> published;
    try {
        favourites = readFavourites(*ctx.appDb);
        published = publishedColumns(*ctx.appDb);
    } catch (const std::exception& e) {
        error = QStringLiteral("お気に入りを読めません: ") + QString::fromUtf8(e.what());
        return std::nullopt;
    }
    if (favourites.empty()) {
        error = QStringLiteral("表示するお気に入りがありません（お気に入りが登録されていないか、すべて非表示です）");
        return std::nullopt;
    }

    TodayList list;
    list.favourites = int(favourites.size());
    std::vector<Match> matches;
    for (FavouriteRow& favourite : favourites) {
        findMatches(ctx, favourite, matches);
        if (!favourite.error.isEmpty())
            ++list.failedFavourites;
        favourite.lookAhead = lookAheadOf(ctx, favourite);
        if (!favourite.lookAhead.isEmpty())
            ++list.lookAheadFavourites;
    }
    list.matches = int(matches.size());
    const auto publishedValues = readPublished(ctx, published, list.problems);
    try {
        writeMatchedRunners(ctx, matches, favourites);
    } catch (const std::exception& e) {
        list.problems << kMatchedTable + QStringLiteral(": ") + QString::fromUtf8(e.what());
    }

    // A failed or warned favourite is a match without a runner, sorted before
    // its runners (the error row before the warning row).
    for (const FavouriteRow& favourite : favourites) {
        if (!favourite.error.isEmpty())
            matches.push_back({favourite.order, {}, {}, {}, {}, {}, false});
        if (!favourite.lookAhead.isEmpty())
            matches.push_back({favourite.order, {}, {}, {}, {}, {}, true});
    }
    std::stable_sort(matches.begin(), matches.end(), [grouping](const Match& a, const Match& b) {
        const auto race = [](const Match& m) { return std::tie(m.raceKey, m.number); };
        if (grouping == Grouping::ByFavourite)
            return std::tie(a.favourite, a.raceKey, a.number) < std::tie(b.favourite, b.raceKey, b.number);
        return race(a) < race(b) || (race(a) == race(b) && a.favourite < b.favourite);
    });

    analysis::Sheet& sheet = list.sheet;
    const QStringList headers = {QStringLiteral("レースキー"), QStringLiteral("開催日"), QStringLiteral("場"),
                                 QStringLiteral("Ｒ"), QStringLiteral("馬番"), QStringLiteral("馬名"),
                                 QStringLiteral("お気に入り名称"), QStringLiteral("グループ名"), QStringLiteral("総件数"),
                                 QStringLiteral("勝率"), QStringLiteral("連対率"), QStringLiteral("複勝率"),
                                 QStringLiteral("単回収率"), QStringLiteral("複回収率"), QStringLiteral("エラー"),
                                 QStringLiteral("警告")};
    sheet.setColumnCount(kFixedColumns + int(published.size()));
    for (int c = 0; c < kFixedColumns; ++c)
        sheet.setHeader(c, headers.at(c));
    for (int i = 0; i < int(published.size()); ++i)
        sheet.setHeader(kFixedColumns + i, columnHeader(published[std::size_t(i)].column));

    QHash<QString, QString> courses;
    for (const Match& m : matches) {
        const int row = sheet.appendRow();
        const FavouriteRow& favourite = favourites[std::size_t(m.favourite)];
        fillFavourite(sheet, row, favourite);
        if (m.raceKey.isEmpty()) {
            sheet.setText(row, m.warning ? kWarning : kError, m.warning ? favourite.lookAhead : favourite.error);
            for (int c = 0; c < sheet.columnCount(); ++c)
                sheet.setForeColour(row, c, m.warning ? kWarningColour : kErrorColour);
            continue;
        }
        sheet.setText(row, kRaceKey, m.raceKey);
        sheet.setText(row, kDate, formatRaceDate(m.date));
        sheet.setText(row, kCourse, courseName(*ctx.appDb, m.raceKey, courses));
        sheet.setText(row, kRaceNumber, m.raceKey.mid(6, 2));
        sheet.setText(row, kHorseNumber, m.number);
        sheet.setText(row, kHorseName, m.horseName);
        const auto values = publishedValues.constFind(runnerId(m.raceKey, m.number));
        if (values != publishedValues.cend())
            for (int i = 0; i < int(values->size()); ++i)
                setValue(sheet, row, kFixedColumns + i, (*values)[std::size_t(i)]);
    }
    return list;
}

} // namespace tq::addins::today
