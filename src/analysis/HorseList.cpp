#include "analysis/HorseList.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/Sheet.h"
#include "common/ErrorLog.h"
#include "common/ProfileFile.h"
#include "common/VbNumber.h"
#include "conditions/Clauses.h"
#include "conditions/ListSettingStore.h"
#include "conditions/Rewrites.h"
#include "context/AppContext.h"
#include "context/Busy.h"
#include "store/Database.h"
#include "store/Operations.h"
#include "store/Recordset.h"

#include <QDir>

#include <algorithm>

namespace tq::analysis {

namespace {

// The field's text (Field::toText) into a text cell; texts straight from
// their UTF-8 bytes.
void setFieldText(Sheet& list, int row, int column, const store::Row& rs, int index)
{
    if (index < 0) {
        list.setText(row, column, {});
        return;
    }
    const store::Field f = rs.field(index);
    switch (f.kind()) {
    case store::Value::Kind::Text:
        list.setTextUtf8(row, column, f.utf8());
        break;
    case store::Value::Kind::Null:
        list.setText(row, column, {});
        break;
    default:
        list.setText(row, column, f.toText());
        break;
    }
}

// Characters [from, from + count) of a UTF-8 text, cut as QString::mid cuts
// them. An ASCII text (a race key) is cut as bytes; any other is decoded,
// cut and encoded again into `scratch`.
QByteArrayView charsOf(QByteArrayView utf8, qsizetype from, qsizetype count, QByteArray& scratch)
{
    const qsizetype end = std::min(utf8.size(), from + count);
    if (std::all_of(utf8.begin(), utf8.begin() + end, [](char c) { return uchar(c) < 0x80; }))
        return from >= utf8.size() ? QByteArrayView() : utf8.sliced(from, end - from);
    scratch = QString::fromUtf8(utf8).mid(from, count).toUtf8();
    return scratch;
}

// A label that reads as a whole number goes into an integer cell; anything
// else stays visible as a text.
void setIntegerLabel(Sheet& list, int row, int column, const QString& label)
{
    bool ok = false;
    const qint64 n = label.toLongLong(&ok);
    if (ok)
        list.setInteger(row, column, n);
    else if (!label.isEmpty())
        list.setStaticText(row, column, label);
}

const QString& fromText()
{
    static const QString f =
        QStringLiteral("((D番組データ ") +
        QStringLiteral("INNER JOIN D競走馬データ ON D番組データ.レースキー = D競走馬データ.レースキー) ") +
        QStringLiteral("INNER JOIN D払戻情報データ ON D番組データ.レースキー = D払戻情報データ.レースキー) ") +
        QStringLiteral("INNER JOIN D成績データ ON D競走馬データ.競走成績キー = D成績データ.競走成績キー ");
    return f;
}

void replaceFirst(QString& s, const QString& what, const QString& with)
{
    const qsizetype at = s.indexOf(what);
    if (at >= 0)
        s.replace(at, what.size(), with);
}

} // namespace

// --- default list ------------------------------------------------------------

DefaultHorseList::DefaultHorseList(const conditions::ConditionCatalogue& catalogue, store::Database* appDb,
                                   common::ErrorLog* log, bool limitRows)
    : m_courses(catalogue, QStringLiteral("開催場所"), appDb, log),
      m_races(catalogue, QStringLiteral("Ｒ"), appDb, log),
      m_horseNumbers(catalogue, QStringLiteral("馬番"), appDb, log),
      m_horseNames(catalogue, QStringLiteral("馬名"), appDb, log),
      m_finishes(catalogue, QStringLiteral("着順"), appDb, log), m_limit(limitRows)
{
}

void DefaultHorseList::prepare(Sheet& list, const AnalysisColumns&)
{
    static const QStringList headers{
        QStringLiteral("開催日"),     QStringLiteral("開催場所"),    QStringLiteral("Ｒ"),     QStringLiteral("馬番"),
        QStringLiteral("馬名"),       QStringLiteral("着順"),        QStringLiteral("単配当"), QStringLiteral("複配当"),
        QStringLiteral("レースキー"), QStringLiteral("競走成績キー")};
    list.clear();
    list.setColumnCount(kDefaultListColumns);
    for (int c = 0; c < kDefaultListColumns; ++c)
        list.setHeader(c, headers[c]);
    list.setColumnWidth(kListHorseName, kHorseNameColumnWidth);
    list.setColumnTextsDistinct(kListRaceKey, true);
    list.setColumnTextsDistinct(kListResultKey, true);
    list.setColumnTextsDistinct(kListHorseName, true);
    m_payouts.reset();
    m_lastRaceKey.clear();
}

void DefaultHorseList::addRow(Sheet& list, const store::Row& rs, const AnalysisColumns& columns)
{
    if (m_limit && list.rowCount() >= kDefaultListRowLimit)
        return;
    const QByteArrayView raceKey = columns.raceKey < 0 ? QByteArrayView() : rs.field(columns.raceKey).utf8();
    const int row = list.appendRow();
    // The race's own cells (its date comes with the race key) repeat the row
    // above while the race does.
    const bool sameRace = columns.raceKey >= 0 && row > 0 && raceKey == QByteArrayView(m_lastRaceKey);
    if (sameRace) {
        for (const int column : {kListDate, kListCourse, kListRace, kListRaceKey})
            list.copyCell(row - 1, row, column);
    } else {
        setFieldText(list, row, kListDate, rs, columns.date);
        m_courses.writeTextOf(list, row, kListCourse, charsOf(raceKey, 0, 2, m_scratch));
        m_races.writeTextOf(list, row, kListRace, charsOf(raceKey, 6, 2, m_scratch));
        list.setTextUtf8(row, kListRaceKey, raceKey);
        m_lastRaceKey.assign(raceKey.data(), std::size_t(raceKey.size()));
    }
    m_horseNumbers.writeText(list, row, kListHorseNumber, rs, columns.horseNumber);
    m_horseNames.writeText(list, row, kListHorseName, rs, columns.horseName);
    m_finishes.writeInteger(list, row, kListFinish, rs, columns.finish);
    const HorsePayouts payouts = m_payouts.of(rs, columns);
    list.setInteger(row, kListWinPayout, payouts.win);
    list.setInteger(row, kListPlacePayout, payouts.place);
    setFieldText(list, row, kListResultKey, rs, columns.resultKey);
}

bool DefaultHorseList::readsDatabase() const
{
    return m_courses.readsDatabase() || m_races.readsDatabase() || m_horseNumbers.readsDatabase() ||
           m_horseNames.readsDatabase() || m_finishes.readsDatabase();
}

// --- settings ----------------------------------------------------------------

QStringList listChoices(store::Database& appDb)
{
    return QStringList{AnalysisDocument::defaultListCaption()} + conditions::listSettingNames(appDb);
}

QString funIchiranSql(const conditions::ConditionCatalogue& catalogue, store::Database& appDb, common::ErrorLog& log,
                      const QString& settingName, std::vector<double>* widths)
{
    const QString procedure = QStringLiteral("funIchiranSql");
    if (widths)
        widths->clear();
    QString c = QStringLiteral("SELECT ");
    try {
        store::Recordset rs =
            appDb.openRecordset(QStringLiteral("SELECT 項目名,サイズ FROM 一覧表示設定 WHERE 設定名='") +
                                conditions::quoteLiteral(settingName) + QStringLiteral("' ORDER BY 表示順"));
        for (; !rs.isEOF(); rs.moveNext()) {
            const QString t = rs.field(0).toText().trimmed();
            if (widths)
                widths->push_back(rs.field(1).isNull() ? 0.0 : rs.field(1).toDouble());
            const QString x = aggregationKeyExpression(catalogue, t);
            if (x.isEmpty()) {
                log.report({0, QStringLiteral("項目がありません: ") + t, settingName}, procedure);
                if (widths)
                    widths->clear();
                return {};
            }
            c += x + QStringLiteral(" AS ") + t + QLatin1Char(',');
        }
    } catch (const store::DbError& e) {
        log.report({0, e.describe(), settingName}, procedure);
        if (widths)
            widths->clear();
        return {};
    }
    c += QStringLiteral("D番組データ.レースキー AS レースキー ");
    const QString f = conditions::addCatalogueJoins(catalogue, fromText(), c, QString());
    return conditions::funDataHenkan(catalogue, c + QStringLiteral(" FROM ") + f);
}

// --- list by setting ---------------------------------------------------------

SettingListWriter::SettingListWriter(const conditions::ConditionCatalogue& catalogue, store::Database* appDb,
                                     common::ErrorLog* log)
    : m_catalogue(catalogue), m_appDb(appDb), m_log(log)
{
}

void SettingListWriter::header(const store::Recordset& rs, Sheet& list, const std::vector<double>* widths)
{
    const int n = rs.fieldCount();
    list.setColumnCount(n);
    m_labellers.clear();
    for (int i = 0; i < n; ++i) {
        list.setHeader(i, rs.fieldName(i));
        m_labellers.push_back(std::make_unique<KeyLabeller>(m_catalogue, rs.fieldName(i), QString(), m_appDb, m_log));
    }
    if (widths && n > 0) {
        list.setColumnWidth(n - 1, 0);
        for (int i = 0; i + 1 < n && i < int(widths->size()); ++i)
            if ((*widths)[std::size_t(i)] > 0)
                list.setColumnWidth(i, (*widths)[std::size_t(i)]);
    }
}

void SettingListWriter::row(const store::Recordset& rs, Sheet& list, int row)
{
    const int n = std::min(rs.fieldCount(), list.columnCount());
    if (int(m_labellers.size()) < n) { // header() was not called on this writer
        for (int i = int(m_labellers.size()); i < n; ++i)
            m_labellers.push_back(
                std::make_unique<KeyLabeller>(m_catalogue, rs.fieldName(i), QString(), m_appDb, m_log));
    }
    for (int i = 0; i < n; ++i) {
        const QString label = m_labellers[std::size_t(i)]->label(rs.value(i), true);
        switch (rs.fieldType(i)) {
        case store::FieldType::Text:
        case store::FieldType::Memo:
            list.setText(row, i, label);
            break;
        case store::FieldType::Byte:
        case store::FieldType::Integer:
        case store::FieldType::Long:
            setIntegerLabel(list, row, i, label);
            break;
        default: {
            bool ok = false;
            const double v = label.toDouble(&ok);
            if (ok)
                list.setDecimal(row, i, v, 1);
            else if (!label.isEmpty())
                list.setStaticText(row, i, label);
            break;
        }
        }
    }
}

bool subSpreadHyouji(context::AppContext& ctx, Sheet& list, const QString& sql, const Sheet& defaultList,
                     const std::vector<double>& widths)
{
    if (list.rowCount() > 0)
        return true;
    list.setRowCount(1);
    if (sql.isEmpty() || !ctx.appDb)
        return true;
    const QString procedure = QStringLiteral("subSpreadHyouji");
    store::Database& db = *ctx.appDb;

    // The key templates of the joins whose table the columns name.
    const QString columnPart = sql.left(sql.indexOf(QStringLiteral(" FROM ")));
    std::vector<QString> templates;
    for (const conditions::JoinRule& rule : ctx.catalogue.joins)
        if (!rule.key.isEmpty() && columnPart.contains(rule.table))
            templates.push_back(rule.key);

    const int raceColumn = defaultList.columnOfHeader(u"レースキー");
    const int resultColumn = defaultList.columnOfHeader(u"競走成績キー");
    const int numberColumn = defaultList.columnOfHeader(u"馬番");
    SettingListWriter writer(ctx.catalogue, &db, &ctx.errorLog);
    bool completed = true;
    try {
        store::Transaction reads(db); // per-row queries run much faster inside one transaction
        for (int n = 0; n < defaultList.rowCount(); ++n) {
            ctx.busy.yield();
            if (ctx.busy.cancelled()) {
                completed = false;
                break;
            }
            const QString r = raceColumn < 0 ? QString() : defaultList.displayText(n, raceColumn);
            const QString k = resultColumn < 0 ? QString() : defaultList.displayText(n, resultColumn);
            const QString u = numberColumn < 0 ? QString() : defaultList.displayText(n, numberColumn);
            const QString rq = conditions::quoteLiteral(r);
            QString w = sql + QStringLiteral(" WHERE D番組データ.レースキー = '") + rq + QLatin1Char('\'') +
                        QStringLiteral(" AND D競走馬データ.レースキー = '") + rq + QLatin1Char('\'') +
                        QStringLiteral(" AND D競走馬データ.馬番 = '") + conditions::quoteLiteral(u) +
                        QLatin1Char('\'') + QStringLiteral(" AND D成績データ.競走成績キー = '") +
                        conditions::quoteLiteral(k) + QLatin1Char('\'') +
                        QStringLiteral(" AND D払戻情報データ.レースキー = '") + rq + QLatin1Char('\'');
            for (QString t : templates) {
                replaceFirst(t, QStringLiteral("@RKEY"), r);
                replaceFirst(t, QStringLiteral("@KKEY"), k);
                replaceFirst(t, QStringLiteral("@UNO"), u);
                w += QStringLiteral(" AND ") + t;
            }
            store::Recordset rs = db.openRecordset(w);
            if (n == 0) {
                list.clear();
                writer.header(rs, list, &widths);
            }
            list.setRowCount(n + 1);
            if (!rs.isEOF())
                writer.row(rs, list, n);
        }
        reads.commit();
    } catch (const store::DbError& e) {
        ctx.errorLog.report({0, e.describe(), sql}, procedure);
        completed = false;
    } catch (const std::exception& e) {
        ctx.errorLog.report({0, QString::fromUtf8(e.what()), sql}, procedure);
        completed = false;
    }
    return completed;
}

bool showListSetting(context::AppContext& ctx, AnalysisDocument& document, const QString& name)
{
    document.listCaption = name;
    if (name == AnalysisDocument::defaultListCaption())
        return true;
    if (!ctx.appDb)
        return false;
    if (name != document.shownListSetting) {
        document.settingList.clear();
        document.shownListSetting = name;
    }
    if (document.settingList.rowCount() > 0)
        return true; // already built for this setting since the last run
    ctx.busy.setProgress(QStringLiteral("表示中です"));
    ctx.busy.show();
    std::vector<double> widths;
    const QString sql = funIchiranSql(ctx.catalogue, *ctx.appDb, ctx.errorLog, name, &widths);
    const bool ok = !sql.isEmpty() && subSpreadHyouji(ctx, document.settingList, sql, document.defaultList, widths);
    ctx.busy.hide();
    return ok;
}

const Sheet& shownList(const AnalysisDocument& document)
{
    return document.listCaption == AnalysisDocument::defaultListCaption() ? document.defaultList : document.settingList;
}

QString listSqlCopyText(context::AppContext& ctx, const AnalysisDocument& document)
{
    if (document.listCaption == AnalysisDocument::defaultListCaption() || !ctx.appDb)
        return QStringLiteral("このボタンは不具合調査用に使用します");
    return funIchiranSql(ctx.catalogue, *ctx.appDb, ctx.errorLog, document.listCaption);
}

bool updateListColumnWidth(store::Database& appDb, const QString& caption, const QString& headerText, double width)
{
    if (!(width > 0))
        return false;
    try {
        return appDb.execute(QStringLiteral("UPDATE 一覧表示設定 SET サイズ=") + common::shortestDecimal(width) +
                             QStringLiteral(" WHERE 設定名='") + conditions::quoteLiteral(caption) +
                             QStringLiteral("' AND 項目名='") + conditions::quoteLiteral(headerText) +
                             QLatin1Char('\'')) > 0;
    } catch (const store::DbError&) {
        return false;
    }
}

QString raceKeyOfRow(const Sheet& list, int row, bool defaultList)
{
    if (row < 0 || row >= list.rowCount() || list.columnCount() == 0)
        return {};
    const int column = defaultList ? int(kListRaceKey) : list.columnCount() - 1;
    return column < list.columnCount() ? list.displayText(row, column) : QString();
}

void writeViewerRaceKey(const QString& programDir, const QString& raceKey)
{
    common::writePrivateProfileString(QStringLiteral("DEZide"), QStringLiteral("RACE_KEY"), raceKey,
                                      QDir(programDir).filePath(QStringLiteral("DEZide.ini")));
}

} // namespace tq::analysis
