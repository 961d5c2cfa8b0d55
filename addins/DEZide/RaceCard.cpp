#include "RaceCard.h"

#include "AddinStart.h"

#include "common/ProfileFile.h"
#include "common/TextFile.h"
#include "conditions/Clauses.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/Recordset.h"

#include <QHash>
#include <QRegularExpression>

namespace tq::addins::viewer {

namespace {

QString quoted(const QString& text)
{
    return QLatin1Char('\'') + conditions::quoteLiteral(text) + QLatin1Char('\'');
}

// The field's text, or empty when the row has no such column. Decimal
// columns are shown with `places` places.
QString fieldText(const store::Recordset& rs, const QString& name, int places = 1)
{
    const int index = rs.fieldIndex(name);
    if (index < 0 || rs.field(index).isNull())
        return {};
    const store::Field field = rs.field(index);
    if (field.kind() == store::Value::Kind::Real)
        return QString::number(field.toDouble(), 'f', places);
    return field.toText().trimmed();
}

// The name a code table gives `code`, or the code itself when the table or
// the code is missing.
QString codeName(store::Database& db, const QString& table, const QString& codeColumn, const QString& nameColumn,
                 const QString& code)
{
    if (code.isEmpty() || !db.hasTable(table))
        return code;
    try {
        store::Recordset rs = db.openRecordset(QStringLiteral("SELECT ") + nameColumn + QStringLiteral(" FROM ") + table +
                                               QStringLiteral(" WHERE ") + codeColumn + QStringLiteral(" = ") + quoted(code));
        return rs.isEOF() ? code : rs.field(0).toText().trimmed();
    } catch (const store::DbError&) {
        return code;
    }
}

void readProgramme(store::Database& db, const store::Recordset& rs, RaceCard& card)
{
    card.date = formatRaceDate(fieldText(rs, QStringLiteral("年月日")));
    QString courseCode = fieldText(rs, QStringLiteral("場コード"));
    if (courseCode.isEmpty())
        courseCode = card.raceKey.left(2);
    card.course = codeName(db, QStringLiteral("M競馬場"), QStringLiteral("場コード"), QStringLiteral("場名"), courseCode);
    QString number = fieldText(rs, QStringLiteral("レース番号"));
    if (number.isEmpty())
        number = card.raceKey.mid(6, 2);
    card.raceNumber = number.isEmpty() ? QString() : QString::number(number.toInt()) + QLatin1Char('R');
    card.surface = codeName(db, QStringLiteral("M芝ダ"), QStringLiteral("芝ダ"), QStringLiteral("芝ダ名"),
                            fieldText(rs, QStringLiteral("芝ダ")));
    const QString distance = fieldText(rs, QStringLiteral("距離"));
    card.distance = distance.isEmpty() ? QString() : distance + QLatin1Char('m');
    card.className = codeName(db, QStringLiteral("Mクラス"), QStringLiteral("クラスコード"), QStringLiteral("クラス名"),
                              fieldText(rs, QStringLiteral("クラスコード")));
    card.going = codeName(db, QStringLiteral("M馬場状態"), QStringLiteral("馬場状態"), QStringLiteral("馬場状態名"),
                          fieldText(rs, QStringLiteral("馬場状態")));
    card.weather = codeName(db, QStringLiteral("M天候"), QStringLiteral("天候"), QStringLiteral("天候名"),
                            fieldText(rs, QStringLiteral("天候")));
    card.raceName = fieldText(rs, QStringLiteral("レース名"));
}

// Results by runner key, with the finishing position (or the reason a
// runner has none: 取消, 除外, 中止), the final odds and the popularity.
void readResults(store::Database& db, RaceCard& card, QHash<QString, Runner>& results)
{
    store::Recordset rs = db.openRecordset(QStringLiteral("SELECT * FROM D成績データ WHERE レースキー = ") + quoted(card.raceKey));
    for (; !rs.isEOF(); rs.moveNext()) {
        Runner result;
        result.finish = fieldText(rs, QStringLiteral("着順"));
        const QString abnormal = fieldText(rs, QStringLiteral("異常区分"));
        if (!abnormal.isEmpty() && abnormal != QLatin1String("0") && (result.finish.isEmpty() || result.finish == QLatin1String("0")))
            result.finish = codeName(db, QStringLiteral("M異常区分"), QStringLiteral("異常区分"), QStringLiteral("異常区分名"), abnormal);
        result.finalOdds = fieldText(rs, QStringLiteral("確定単勝オッズ"));
        if (result.finalOdds.toDouble() == 0) // 0 marks a runner without final odds
            result.finalOdds.clear();
        result.popularity = fieldText(rs, QStringLiteral("単勝人気"));
        result.jockey = fieldText(rs, QStringLiteral("騎手名"));
        results.insert(fieldText(rs, QStringLiteral("競走成績キー")), result);
    }
}

void readRunners(store::Database& db, const QString& table, RaceCard& card)
{
    QHash<QString, Runner> results;
    if (card.past)
        readResults(db, card, results);
    store::Recordset rs = db.openRecordset(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE レースキー = ") +
                                           quoted(card.raceKey) + QStringLiteral(" ORDER BY 馬番"));
    for (; !rs.isEOF(); rs.moveNext()) {
        Runner runner;
        runner.number = fieldText(rs, QStringLiteral("馬番"));
        runner.frame = fieldText(rs, QStringLiteral("枠番"));
        runner.name = fieldText(rs, QStringLiteral("馬名"));
        runner.jockey = fieldText(rs, QStringLiteral("騎手名"));
        runner.weight = fieldText(rs, QStringLiteral("負担重量"));
        runner.baseOdds = fieldText(rs, QStringLiteral("基準オッズ"));
        const auto result = results.constFind(fieldText(rs, QStringLiteral("競走成績キー")));
        if (result != results.cend()) {
            runner.finish = result->finish;
            runner.finalOdds = result->finalOdds;
            runner.popularity = result->popularity;
            if (!result->jockey.isEmpty())
                runner.jockey = result->jockey; // who actually rode
        }
        card.runners.push_back(runner);
    }
}

// Every slot of the payout row: a combination column "<type>馬番<n>" or
// "<type>組合せ<n>" with its amount in "<type>払戻<n>"; empty slots skipped.
void readPayouts(store::Database& db, RaceCard& card)
{
    static const QRegularExpression slot(QStringLiteral("^(.+?)(馬番|組合せ)(\\S+)$"));
    store::Recordset rs =
        db.openRecordset(QStringLiteral("SELECT * FROM D払戻情報データ WHERE レースキー = ") + quoted(card.raceKey));
    if (rs.isEOF())
        return;
    for (int i = 0; i < rs.fieldCount(); ++i) {
        const QRegularExpressionMatch match = slot.match(rs.fieldName(i));
        if (!match.hasMatch())
            continue;
        const QString betType = match.captured(1);
        const int amountIndex = rs.fieldIndex(betType + QStringLiteral("払戻") + match.captured(3));
        const QString code = rs.field(i).toText().trimmed();
        if (amountIndex < 0 || code.isEmpty() || rs.field(amountIndex).isNull())
            continue;
        card.payouts.push_back({betType, formatCombination(betType, code), rs.field(amountIndex).toInt()});
    }
}

bool tryLoad(store::Database& db, const QString& raceKey, bool past, RaceCard& card)
{
    const QString programme = past ? QStringLiteral("D番組データ") : QStringLiteral("T番組データ");
    if (!db.hasTable(programme))
        return false;
    store::Recordset rs =
        db.openRecordset(QStringLiteral("SELECT * FROM ") + programme + QStringLiteral(" WHERE レースキー = ") + quoted(raceKey));
    if (rs.isEOF())
        return false;
    card.raceKey = raceKey;
    card.past = past;
    readProgramme(db, rs, card);
    readRunners(db, past ? QStringLiteral("D競走馬データ") : QStringLiteral("T競走馬データ"), card);
    if (past && db.hasTable(QStringLiteral("D払戻情報データ")))
        readPayouts(db, card);
    return true;
}

} // namespace

QString RaceCard::headline() const
{
    QStringList parts;
    for (const QString& part : {date, course, raceNumber, QString(surface + distance), className, going, weather, raceName})
        if (!part.isEmpty())
            parts << part;
    return parts.join(QLatin1Char(' '));
}

QString readHandedRaceKey(const QString& iniPath)
{
    try {
        return common::getPrivateProfileString(QStringLiteral("DEZide"), QStringLiteral("RACE_KEY"), QString(), iniPath)
            .trimmed();
    } catch (const common::TextFileError&) {
        return {};
    }
}

std::optional<RaceCard> loadRace(store::Database& db, const QString& raceKey, QString& error)
{
    if (raceKey.isEmpty()) {
        error = QStringLiteral("表示するレースのレースキーが指定されていません");
        return std::nullopt;
    }
    RaceCard card;
    try {
        if (tryLoad(db, raceKey, true, card) || tryLoad(db, raceKey, false, card))
            return card;
        error = QStringLiteral("レースキー「") + raceKey + QStringLiteral("」のレースはありません");
    } catch (const store::DbError& e) {
        error = QStringLiteral("レースを読めません: ") + QString::fromUtf8(e.what());
    }
    return std::nullopt;
}

QString formatCombination(const QString& betType, const QString& code)
{
    const int width = betType == u"枠連" ? 1 : 2;
    QStringList numbers;
    for (qsizetype i = 0; i < code.size(); i += width)
        numbers << QString::number(code.mid(i, width).toInt());
    return numbers.join(betType == u"馬単" ? QStringLiteral("→") : QStringLiteral("-"));
}

} // namespace tq::addins::viewer
