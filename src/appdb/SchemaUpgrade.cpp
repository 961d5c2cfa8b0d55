// Bringing the application database up to date (subDB_Set): the schema
// upgrade steps with their default rows, and the add-in registry.

#include "appdb/DbLifecycle.h"

#include "appdb/LifecycleSteps.h"
#include "store/Operations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tq::appdb {

namespace {

// Whether the SELECT opens without error.
bool probe(store::Database& db, const QString& sql)
{
    try {
        const store::Recordset rs = db.openRecordset(sql);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Runs one upgrade statement; a failing statement is skipped.
bool tryExecute(store::Database& db, const QString& sql)
{
    try {
        db.execute(sql);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Adds a column with TBFldAdd; a failure shows the engine's description and
// the preparation goes on.
void addField(context::AppContext& ctx, const QString& table, const QString& field, const QString& typeName, const QString& size)
{
    const QString error = store::TBFldAdd(*ctx.appDb, table, field, typeName, size);
    if (!error.isEmpty())
        ctx.prompter.inform(context::Message{error, {}, context::Icon::Exclamation, false});
}

const QString kSingle = QStringLiteral("数値型 (単精度浮動小数点)");
const QString kLong = QStringLiteral("数値型 (長整数)");

// The sixteen statistics columns added to お気に入り in one step, with their types.
const std::pair<const char16_t*, bool> kStatisticsColumns[] = {
    {u"単平均配当", false},
    {u"単最高配当", false},
    {u"複平均配当", false},
    {u"複最高配当", false},
    {u"最高配当抜き単回収率", false},
    {u"最高配当抜き複回収率", false},
    {u"レース件数", true},
    {u"レース勝率", false},
    {u"レース連対率", false},
    {u"レース複勝率", false},
    {u"平均頭数", false},
    {u"最低勝率", false},
    {u"最低連対率", false},
    {u"最低複勝率", false},
    {u"戻り均等単回収率", false},
    {u"戻り均等最低単回収率", false},
};

// The result grid's column names in display order (the default rows of 分析結果表示設定).
const char16_t* const kResultColumns[] = {
    u"総件数",
    u"１着件数",
    u"２着件数",
    u"３着件数",
    u"着外件数",
    u"勝率",
    u"連対率",
    u"複勝率",
    u"単回収率",
    u"複回収率",
    u"単平均配当",
    u"単最高配当",
    u"複平均配当",
    u"複最高配当",
    u"最高配当抜き単回収率",
    u"最高配当抜き複回収率",
    u"レース件数",
    u"レース勝率",
    u"レース連対率",
    u"レース複勝率",
    u"平均頭数",
    u"最低勝率",
    u"最低連対率",
    u"最低複勝率",
    u"戻り均等単回収率",
    u"戻り均等最低単回収率",
};

void upgradeSchema(context::AppContext& ctx)
{
    store::Database& db = *ctx.appDb;
    QStringList& applied = ctx.preparation.upgrades;

    if (!probe(db, QStringLiteral("select 表示 from お気に入り"))) {
        applied << QStringLiteral("お気に入り.表示");
        if (tryExecute(db, QStringLiteral("ALTER TABLE お気に入り ADD COLUMN 表示 BIT")))
            tryExecute(db, QStringLiteral("update お気に入り set 表示=True"));
    }
    if (!probe(db, QStringLiteral("select 単平均配当 from お気に入り"))) {
        applied << QStringLiteral("お気に入り.単平均配当 …");
        for (const auto& [name, isLong] : kStatisticsColumns)
            addField(ctx, QStringLiteral("お気に入り"), QString::fromUtf16(name), isLong ? kLong : kSingle,
                     QStringLiteral("4"));
    }
    if (!probe(db, QStringLiteral("select 色 from お気に入り"))) {
        applied << QStringLiteral("お気に入り.色");
        addField(ctx, QStringLiteral("お気に入り"), QStringLiteral("色"), kLong, QStringLiteral("4"));
    }
    if (!probe(db, QStringLiteral("select 登録日時 from お気に入り"))) {
        applied << QStringLiteral("お気に入り.登録日時");
        addField(ctx, QStringLiteral("お気に入り"), QStringLiteral("登録日時"), QStringLiteral("日付型"),
                 QStringLiteral("-"));
    }
    if (probe(db, QStringLiteral("select * from お気に入り直前なし")) &&
        !probe(db, QStringLiteral("select 作者名 from お気に入り直前なし"))) {
        applied << QStringLiteral("お気に入り直前なし.作者名");
        addField(ctx, QStringLiteral("お気に入り直前なし"), QStringLiteral("作者名"), QStringLiteral("ﾃｷｽﾄ型"),
                 QStringLiteral("50"));
    }
    if (!probe(db, QStringLiteral("select 作者名 from お気に入り"))) {
        applied << QStringLiteral("お気に入り.作者名");
        addField(ctx, QStringLiteral("お気に入り"), QStringLiteral("作者名"), QStringLiteral("ﾃｷｽﾄ型"),
                 QStringLiteral("50"));
    }
    if (!probe(db, QStringLiteral("select * from 色設定"))) {
        applied << QStringLiteral("色設定");
        tryExecute(db, QStringLiteral("CREATE TABLE 色設定   (回収率値 LONG , 回収率色 LONG,勝率値 LONG,勝率色 LONG,"
                                      "連対率値 LONG,連対率色 LONG,複勝率値 LONG,複勝率色 LONG )"));
        tryExecute(db, QStringLiteral("INSERT INTO 色設定 VALUES (100 , 8421631,20,8453888,50,16744576,80,8454143 )"));
    }
    if (!probe(db, QStringLiteral("select * from 分析結果表示設定"))) {
        applied << QStringLiteral("分析結果表示設定");
        tryExecute(db, QStringLiteral("CREATE TABLE 分析結果表示設定   (項目名 CHAR(50),表示順 LONG,サイズ SINGLE "
                                      ",PRIMARY KEY(項目名 ))"));
        int order = 0;
        for (const char16_t* name : kResultColumns)
            tryExecute(db, QStringLiteral("INSERT INTO 分析結果表示設定 VALUES ('") + QString::fromUtf16(name) +
                               QStringLiteral("' , ") + QString::number(++order) + QStringLiteral(",10 )"));
    }
    if (!probe(db, QStringLiteral("select お気に入り名称 from Tお気に入り該当馬"))) {
        applied << QStringLiteral("Tお気に入り該当馬.お気に入り名称");
        tryExecute(db, QStringLiteral("ALTER TABLE Tお気に入り該当馬 ADD COLUMN お気に入り名称 CHAR 255"));
        tryExecute(db, QStringLiteral("ALTER TABLE Tお気に入り該当馬 DROP COLUMN 名称"));
    }
    if (!probe(db, QStringLiteral("select * from 一覧表示設定"))) {
        applied << QStringLiteral("一覧表示設定");
        tryExecute(db, QStringLiteral("CREATE TABLE 一覧表示設定   (設定名 CHAR(50) , 項目名 CHAR(50),表示順 LONG,"
                                      "サイズ SINGLE ,PRIMARY KEY( 設定名,項目名 ))"));
    }
}

std::unique_ptr<store::Dynaset> openOrThrow(context::AppContext& ctx, const QString& sql)
{
    bool ok = false;
    auto rs = store::TBOpn(ctx.errorLog, *ctx.appDb, sql, ok);
    if (!ok || !rs)
        throw std::runtime_error(QString(QStringLiteral("cannot open: ") + sql).toStdString());
    return rs;
}

void addAddinRow(context::AppContext& ctx, store::Dynaset& rs, const QString& id, const QString& displayName,
                 const QString& path)
{
    rs.addNew();
    rs.setValue(QStringLiteral("ソフトID"), store::Value(id));
    rs.setValue(QStringLiteral("名称"), store::Value(displayName));
    rs.setValue(QStringLiteral("パス"), store::Value(path));
    rs.setValue(QStringLiteral("起動オプション"), store::Value(QString()));
    rs.setValue(QStringLiteral("買い目出力"), store::Value(QStringLiteral("0")));
    rs.update();
    ++ctx.preparation.addinRows;
}

std::unique_ptr<store::Dynaset> addinRowOf(context::AppContext& ctx, const QString& id)
{
    return openOrThrow(ctx, QStringLiteral("select * from Sアドイン管理 Where ソフトID='") + id + QLatin1Char('\''));
}

// Rewrites this program's row, or the today's-favourites add-in's row, of Sアドイン管理.
void registerProgram(context::AppContext& ctx, const QString& id, const QString& displayName)
{
    ctx.appDb->execute(QStringLiteral("delete * from Sアドイン管理 Where ソフトID='") + id + QLatin1Char('\''));
    auto rs = addinRowOf(ctx, id);
    if (rs->recordCount() == 0)
        addAddinRow(ctx, *rs, id, displayName, programPath(ctx.appDir(), id));
}

// An add-in installed beside the running program gets its row when it has
// none (a row written by the add-in itself or by hand stays as it is), so
// its menu entries show without registering it by hand.
void registerShippedAddin(context::AppContext& ctx, const QString& id, const QString& displayName)
{
    if (!QCoreApplication::instance())
        return;
    const QString executable = QDir(QCoreApplication::applicationDirPath()).filePath(id);
    if (!QFileInfo(executable).isExecutable())
        return;
    auto rs = addinRowOf(ctx, id);
    if (rs->recordCount() == 0)
        addAddinRow(ctx, *rs, id, displayName, executable);
}

void registerAddins(context::AppContext& ctx)
{
    store::Transaction transaction(*ctx.appDb);
    registerProgram(ctx, QStringLiteral("DEVovuved"), QStringLiteral("過去データ分析"));
    registerProgram(ctx, QStringLiteral("ZAVozivuzar"), QStringLiteral("本日のお気に入り"));
    registerShippedAddin(ctx, QStringLiteral("REDivor"), QStringLiteral("グラフ"));
    registerShippedAddin(ctx, QStringLiteral("DEZide"), QStringLiteral("レースビューア"));

    ctx.appDb->execute(QStringLiteral("delete * from Sアドイン項目管理 Where ソフトID='ZAVozivuzar'"));
    auto rs = openOrThrow(ctx, QStringLiteral("Sアドイン項目管理"));
    const std::pair<QString, QString> columns[] = {
        {QStringLiteral("お気に入り件数"), QStringLiteral("お気に入りに該当した件数")},
        {QStringLiteral("お気に入り名称"),
         QStringLiteral("該当したお気に入りの名称（複数ある場合はカンマでつなげて表示）")},
    };
    for (const auto& [column, description] : columns) {
        rs->addNew();
        rs->setValue(QStringLiteral("ソフトID"), store::Value(QStringLiteral("ZAVozivuzar")));
        rs->setValue(QStringLiteral("区分"), store::Value(QStringLiteral("B")));
        rs->setValue(QStringLiteral("MDB名"), store::Value(ctx.appDbPath()));
        rs->setValue(QStringLiteral("テーブル名"), store::Value(QStringLiteral("Tお気に入り該当馬")));
        rs->setValue(QStringLiteral("項目名"), store::Value(column));
        rs->setValue(QStringLiteral("説明"), store::Value(description));
        rs->update();
        ++ctx.preparation.addinRows;
    }
    transaction.commit();
}

} // namespace

QString programPath(const QString& appDir, const QString& softwareId)
{
    // Linux executables carry no extension.
    return QDir(appDir).filePath(softwareId);
}

void subDB_Set(context::AppContext& ctx)
{
    const QString procedure = QStringLiteral("subDB_Set");
    fatalOnError(ctx, procedure, [&]() {
        ctx.busy.setProgress(QStringLiteral("アドイン管理登録中です"));
        ctx.appDb.reset();
        bool ok = false;
        ctx.appDb = store::DBOpn(ctx.errorLog, ctx.appDbPath(), ok);
        if (!ok || !ctx.appDb)
            throw std::runtime_error(
                QString(QStringLiteral("cannot open the application database ") + ctx.appDbPath()).toStdString());
        {
            // One transaction for all upgrade steps: one file sync instead of
            // one per statement, and a crash leaves the old schema whole. A
            // failing statement only undoes itself.
            store::Transaction transaction(*ctx.appDb);
            upgradeSchema(ctx);
            transaction.commit();
        }
        registerAddins(ctx);
        ctx.busy.setProgress(QStringLiteral("アドイン管理登録終了しました"));
    });
}

} // namespace tq::appdb
