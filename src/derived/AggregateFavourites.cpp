#include "derived/AggregateFavourites.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/ResultTable.h"
#include "conditions/LookAhead.h"
#include "context/AppContext.h"
#include "derived/TableBuild.h"
#include "favourites/Registration.h"
#include "store/Database.h"

#include <QSet>

namespace tq::derived {

namespace {

const QString kAddProcedure = QStringLiteral("subSyukeiFavoAdd");
const QString kLoadProcedure = QStringLiteral("subSyukeiFavoLoad");
const QString kRegistry = QStringLiteral("集計お気に入り");
constexpr int kNameLength = 50;

// Tables of the application that no aggregate favourite may take the name of,
// even before they exist.
const QStringList& reservedTables()
{
    static const QStringList names = {kRegistry, QStringLiteral("本日の印別成績"), QStringLiteral("過去の印別成績")};
    return names;
}

// Jet's rule for table and column names: no . ! ` [ ] and no control
// characters. (Leading blanks are trimmed before names get here.)
bool usableName(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (const QChar c : name)
        if (c.unicode() < 0x20 || c == QLatin1Char('.') || c == QLatin1Char('!') || c == QLatin1Char('`') ||
            c == QLatin1Char('[') || c == QLatin1Char(']'))
            return false;
    return true;
}

bool isReserved(const QString& table)
{
    for (const QString& r : reservedTables())
        if (table.compare(r, Qt::CaseInsensitive) == 0)
            return true;
    return table.startsWith(QStringLiteral("MSys"), Qt::CaseInsensitive) ||
           table.startsWith(QStringLiteral("sqlite_"), Qt::CaseInsensitive);
}

bool isRegistered(store::Database& db, const QString& name)
{
    if (!db.hasTable(kRegistry))
        return false;
    store::Recordset rs =
        db.openRecordset(QStringLiteral("SELECT 名称 FROM 集計お気に入り WHERE 名称 = ") + quotedText(name));
    return !rs.isEOF();
}

// Why the result's column headers cannot be the columns of a table, or empty.
QString headerProblem(const analysis::Sheet& result)
{
    QSet<QString> seen;
    for (int c = 0; c < result.columnCount(); ++c) {
        const QString h = result.header(c);
        if (!usableName(h))
            return QStringLiteral("分析結果の列名「") + h + QStringLiteral("」は表の列名に使えません");
        const QString folded = h.toCaseFolded();
        if (seen.contains(folded))
            return QStringLiteral("分析結果の列名「") + h + QStringLiteral("」が重複しています");
        seen.insert(folded);
    }
    return {};
}

QString columnType(const analysis::Sheet& result, int column)
{
    if (result.rowCount() == 0)
        return QStringLiteral(" CHAR(50)");
    switch (result.kind(0, column)) {
    case analysis::CellKind::Decimal:
        return QStringLiteral(" SINGLE");
    case analysis::CellKind::Integer:
        return QStringLiteral(" LONG");
    default:
        return QStringLiteral(" CHAR(50)");
    }
}

void createResultTable(store::Database& db, const QString& name, const analysis::Sheet& result)
{
    QStringList columns;
    for (int c = 0; c < result.columnCount(); ++c)
        columns << bracketed(result.header(c)) + columnType(result, c);
    db.execute(QStringLiteral("CREATE TABLE ") + bracketed(name) + QStringLiteral(" (") +
               columns.join(QLatin1Char(',')) + QLatin1Char(')'));
}

// One row per result row. Numbers keep their full value in numeric columns;
// a text column gets the cell's text; an empty cell is Null.
void writeResultRows(context::AppContext& ctx, const QString& name, const analysis::Sheet& result)
{
    const int n = result.columnCount();
    std::vector<bool> textColumn(std::size_t(n), false);
    for (int c = 0; c < n; ++c)
        textColumn[std::size_t(c)] = columnType(result, c) == QStringLiteral(" CHAR(50)");
    NativeStatement insert(ctx.appDb->handle(), nativeInsertSql(name, n));
    for (int r = 0; r < result.rowCount(); ++r) {
        ctx.busy.yield();
        if (ctx.busy.cancelled())
            throw BuildCancelled{};
        for (int c = 0; c < n; ++c) {
            const int p = c + 1;
            const analysis::CellKind kind = result.kind(r, c);
            if (kind == analysis::CellKind::Empty)
                insert.bindNull(p);
            else if (textColumn[std::size_t(c)] || !result.isNumber(r, c))
                insert.bindText(p, result.displayText(r, c));
            else if (kind == analysis::CellKind::Integer)
                insert.bindInteger(p, result.integer(r, c));
            else
                insert.bindDouble(p, result.number(r, c));
        }
        insert.run();
    }
}

void ensureRegistry(store::Database& db)
{
    if (db.hasTable(kRegistry))
        return;
    QString sql = QStringLiteral("CREATE TABLE 集計お気に入り (名称 CHAR(50)");
    for (int i = 1; i <= conditions::kAggregationLevels; ++i)
        sql += QStringLiteral(",集計KEY%1 CHAR(20),集計RANGE%1 CHAR(50)").arg(i);
    db.execute(sql + QLatin1Char(')'));
}

void saveKeys(store::Database& db, const QString& name, const conditions::ConditionSet& conditions)
{
    QStringList assignments;
    QStringList values{quotedText(name)};
    for (int i = 0; i < conditions::kAggregationLevels; ++i) {
        const conditions::AggregationKey& k = conditions.keys[std::size_t(i)];
        assignments << QStringLiteral("集計KEY%1 = ").arg(i + 1) + quotedText(k.key)
                    << QStringLiteral("集計RANGE%1 = ").arg(i + 1) + quotedText(k.range.text);
        values << quotedText(k.key) << quotedText(k.range.text);
    }
    if (isRegistered(db, name))
        db.execute(QStringLiteral("UPDATE 集計お気に入り SET ") + assignments.join(QLatin1Char(',')) +
                   QStringLiteral(" WHERE 名称 = ") + quotedText(name));
    else
        db.execute(QStringLiteral("INSERT INTO 集計お気に入り VALUES (") + values.join(QLatin1Char(',')) +
                   QLatin1Char(')'));
}

void createTodayTable(store::Database& db, const QString& table)
{
    db.execute(QStringLiteral("CREATE TABLE ") + bracketed(table) +
               QStringLiteral(" (レースキー CHAR(8),馬番 CHAR(2),競走成績キー CHAR(16),馬名 CHAR(18),総件数 LONG,"
                              "[１着件数] LONG,[２着件数] LONG,[３着件数] LONG,着外件数 LONG,勝率 SINGLE,連対率 SINGLE,"
                              "複勝率 SINGLE,単回収率 SINGLE,複回収率 SINGLE)"));
}

void storeTables(context::AppContext& ctx, const analysis::AnalysisDocument& document, const QString& name)
{
    store::Database& db = *ctx.appDb;
    const QString today = todayAggregateTable(name);
    store::Transaction transaction(db);
    if (db.hasTable(name))
        db.execute(QStringLiteral("drop TABLE ") + bracketed(name));
    createResultTable(db, name, document.result);
    writeResultRows(ctx, name, document.result);

    ctx.busy.setProgress(QStringLiteral("「集計お気に入り」テーブル作成中です"));
    ctx.busy.yield();
    ensureRegistry(db);
    saveKeys(db, name, document.conditions);

    ctx.busy.setProgress(QStringLiteral("「") + today + QStringLiteral("」テーブル作成中です"));
    ctx.busy.yield();
    if (!db.hasTable(today))
        createTodayTable(db, today);

    ctx.busy.setProgress(QStringLiteral("「Sアドイン項目管理」登録中です"));
    ctx.busy.yield();
    registerAddInColumns(ctx, today, todayAggregateItems());
    if (ctx.busy.cancelled())
        throw BuildCancelled{};
    transaction.commit();
}

void refuse(context::AppContext& ctx, AggregateResult& result, const QString& message)
{
    result = {AggregateOutcome::Refused, 0, message};
    ctx.prompter.inform(context::Message{message, {}, context::Icon::Exclamation, false});
}

void cannotOpen(context::AppContext& ctx, const QString& name, const QString& reason)
{
    ctx.errorLog.report({0, reason, {}}, kLoadProcedure);
    ctx.prompter.inform(context::Message{QStringLiteral("集計お気に入り「") + name +
                                           QStringLiteral("」を開けませんでした。\r\n") + reason,
                                       {}, context::Icon::Exclamation, false});
}

} // namespace

QString todayAggregateTable(const QString& name)
{
    return QStringLiteral("本日の") + name;
}

const QStringList& todayAggregateItems()
{
    static const QStringList items = {
        QStringLiteral("総件数"), QStringLiteral("[１着件数]"), QStringLiteral("[２着件数]"),
        QStringLiteral("[３着件数]"), QStringLiteral("着外件数"), QStringLiteral("勝率"),
        QStringLiteral("連対率"), QStringLiteral("複勝率"), QStringLiteral("単回収率"),
        QStringLiteral("複回収率"),
    };
    return items;
}

bool checkAggregateSource(context::AppContext& ctx, const analysis::AnalysisDocument& document)
{
    QString message;
    if (document.result.columnCount() < 2)
        message = QStringLiteral("分析実行を行ってから追加して下さい");
    else if (document.result.header(0) == QStringLiteral("総件数"))
        message = QStringLiteral("集計キーが指定されていないものは集計お気に入りに追加できません");
    if (message.isEmpty())
        return true;
    ctx.prompter.inform(context::Message{message, {}, context::Icon::Exclamation, true});
    return false;
}

QString aggregateNameProblem(store::Database& db, const QString& name)
{
    if (name.size() > kNameLength)
        return QStringLiteral("集計お気に入り名称は%1文字以内で入力して下さい").arg(kNameLength);
    if (!usableName(name))
        return QStringLiteral("「") + name +
               QStringLiteral("」は表の名前に使えません（. ! ` [ ] と制御文字は使えません）");
    const QString today = todayAggregateTable(name);
    for (const QString& table : {name, today})
        if (isReserved(table))
            return QStringLiteral("「") + table + QStringLiteral("」はアプリケーションの表の名前です。別の名前を入力して下さい");
    if (isRegistered(db, name))
        return {};
    for (const QString& table : {name, today})
        if (db.hasTable(table))
            return QStringLiteral("「") + table +
                   QStringLiteral("」は既にアプリケーションの表の名前に使われています。別の名前を入力して下さい");
    return {};
}

QStringList aggregateLookAhead(const conditions::ConditionCatalogue& catalogue,
                               const analysis::AnalysisDocument& document)
{
    QStringList names = conditions::lookAheadKeys(catalogue, document.conditions);
    for (const QString& name : conditions::lookAheadConditions(catalogue, document.conditions))
        if (!names.contains(name))
            names.append(name);
    return names;
}

AggregateResult subSyukeiFavoAdd(context::AppContext& ctx, analysis::AnalysisDocument& document)
{
    if (!favourites::confirmLookAhead(ctx, aggregateLookAhead(ctx.catalogue, document)))
        return {AggregateOutcome::NotAsked, 0, {}};
    QString answer = document.caption;
    if (!ctx.prompter.inputText(QStringLiteral("集計お気に入り名称を入力してください"),
                                QStringLiteral("集計お気に入り作成"), answer))
        return {AggregateOutcome::NotAsked, 0, {}};
    const QString name = answer.trimmed();
    if (name.isEmpty())
        return {AggregateOutcome::NotAsked, 0, {}};
    return storeAggregateFavourite(ctx, document, name);
}

AggregateResult storeAggregateFavourite(context::AppContext& ctx, analysis::AnalysisDocument& document,
                                        const QString& name)
{
    AggregateResult result;
    if (!ctx.appDb) {
        result.message = QStringLiteral("アプリケーションデータベースが開かれていません");
        return result;
    }
    try {
        QString problem = aggregateNameProblem(*ctx.appDb, name);
        if (problem.isEmpty())
            problem = headerProblem(document.result);
        if (!problem.isEmpty()) {
            refuse(ctx, result, problem);
            return result;
        }
    } catch (const store::DbError& e) {
        result.message = e.describe();
        ctx.errorLog.report({0, e.describe(), {}}, kAddProcedure);
        return result;
    }

    ctx.busy.show();
    ctx.busy.setProgress(name + QStringLiteral("作成中です"));
    ctx.busy.yield();
    try {
        storeTables(ctx, document, name);
        result = {AggregateOutcome::Completed, document.result.rowCount(), {}};
    } catch (const BuildCancelled&) {
        result = {AggregateOutcome::Cancelled, 0, QStringLiteral("キャンセルされました")};
    } catch (const store::DbError& e) {
        result.message = e.describe();
    } catch (const std::exception& e) {
        result.message = QString::fromUtf8(e.what());
    }
    ctx.busy.hide();
    if (result.outcome == AggregateOutcome::Completed) {
        document.modified = false;
        return result;
    }
    ctx.errorLog.report({0, QStringLiteral("集計お気に入り「") + name + QStringLiteral("」は更新されていません: ") +
                                result.message,
                         {}},
                        kAddProcedure);
    if (result.outcome == AggregateOutcome::Failed)
        ctx.prompter.inform(context::Message{QStringLiteral("集計お気に入り「") + name +
                                               QStringLiteral("」を作成できませんでした（以前の表はそのままです）。\r\n") +
                                               result.message,
                                           {}, context::Icon::Exclamation, false});
    return result;
}

QStringList aggregateFavouriteNames(store::Database& db)
{
    QStringList names;
    if (!db.hasTable(kRegistry))
        return names;
    for (store::Recordset rs = db.openRecordset(QStringLiteral("select * from 集計お気に入り")); !rs.isEOF();
         rs.moveNext())
        names << rs.field(QStringLiteral("名称")).toText().trimmed();
    return names;
}

std::optional<std::array<conditions::AggregationKey, conditions::kAggregationLevels>>
aggregateFavouriteKeys(store::Database& db, const QString& name)
{
    if (!db.hasTable(kRegistry))
        return std::nullopt;
    store::Recordset rs =
        db.openRecordset(QStringLiteral("select * from 集計お気に入り where 名称 = ") + quotedText(name));
    if (rs.isEOF())
        return std::nullopt;
    std::array<conditions::AggregationKey, conditions::kAggregationLevels> keys;
    for (int i = 0; i < conditions::kAggregationLevels; ++i) {
        keys[std::size_t(i)].key = rs.field(QStringLiteral("集計KEY%1").arg(i + 1)).toText().trimmed();
        keys[std::size_t(i)].range.text = rs.field(QStringLiteral("集計RANGE%1").arg(i + 1)).toText().trimmed();
    }
    return keys;
}

bool subSyukeiFavoLoad(context::AppContext& ctx, const QString& name, analysis::AnalysisDocument& document)
{
    try {
        store::Database& db = *ctx.appDb;
        const auto keys = aggregateFavouriteKeys(db, name);
        if (!keys) {
            ctx.prompter.inform(context::Message{QStringLiteral("集計お気に入りが登録されていません"), {},
                                               context::Icon::None, false});
            return false;
        }
        analysis::Sheet sheet;
        store::Recordset rs = db.openRecordset(QStringLiteral("SELECT * FROM ") + bracketed(name));
        sheet.setColumnCount(rs.fieldCount());
        for (int c = 0; c < rs.fieldCount(); ++c)
            sheet.setHeader(c, rs.fieldName(c));
        for (; !rs.isEOF(); rs.moveNext()) {
            const int r = sheet.appendRow();
            for (int c = 0; c < rs.fieldCount(); ++c) {
                const store::Value v = rs.value(c);
                switch (v.kind()) {
                case store::Value::Kind::Null:
                    break;
                case store::Value::Kind::Integer:
                    sheet.setInteger(r, c, v.toInt());
                    break;
                case store::Value::Kind::Real:
                    sheet.setDecimal(r, c, v.toDouble(), 1);
                    break;
                case store::Value::Kind::Text:
                    sheet.setText(r, c, v.toText());
                    break;
                }
            }
        }
        // The result table's hidden sums stay hidden, as after a run.
        for (const QString& hidden :
             {QStringLiteral("単配当合計"), QStringLiteral("複配当合計"), QStringLiteral("均等購入額")})
            if (const int c = sheet.columnOfHeader(hidden); c >= 0)
                sheet.setColumnWidth(c, 0);
        analysis::applyStoredColumnWidths(&db, sheet);
        const int k = std::max(0, sheet.columnOfHeader(QStringLiteral("総件数")));
        for (int r = 0; r < sheet.rowCount(); ++r)
            analysis::applyThresholdColours(ctx.colours, sheet, r, k);

        document.caption = name;
        document.conditions.keys = *keys;
        document.result = std::move(sheet);
        document.modified = false;
        return true;
    } catch (const store::DbError& e) {
        cannotOpen(ctx, name, e.describe());
    } catch (const std::exception& e) {
        cannotOpen(ctx, name, QString::fromUtf8(e.what()));
    }
    return false;
}

} // namespace tq::derived
