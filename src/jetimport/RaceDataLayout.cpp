#include "jetimport/RaceDataLayout.h"

#include <QHash>

namespace tq::jetimport {

namespace {

IndexDef key(const QString& table, const QString& column)
{
    return {table + QStringLiteral("_PK"), {column}, true};
}

IndexDef lookup(const QString& table, const QString& suffix, const QStringList& columns)
{
    return {table + QLatin1Char('_') + suffix, columns, false};
}

QHash<QString, QList<IndexDef>> buildLayout()
{
    QHash<QString, QList<IndexDef>> layout;
    const QString race = QStringLiteral("レースキー"), runner = QStringLiteral("競走成績キー"),
                  umaban = QStringLiteral("馬番"), jockey = QStringLiteral("騎手コード");
    for (const QString& prefix : {QStringLiteral("D"), QStringLiteral("T")}) {
        const QString programme = prefix + QStringLiteral("番組データ"), entries = prefix + QStringLiteral("競走馬データ"),
                      preRace = prefix + QStringLiteral("直前情報データ");
        layout[programme] = {key(programme, race), lookup(programme, QStringLiteral("年月日"), {QStringLiteral("年月日")})};
        layout[entries] = {key(entries, runner), lookup(entries, QStringLiteral("レース"), {race, umaban}),
                           lookup(entries, QStringLiteral("血統"), {QStringLiteral("血統登録番号")}),
                           lookup(entries, QStringLiteral("騎手"), {jockey}),
                           lookup(entries, QStringLiteral("調教師"), {QStringLiteral("調教師コード")})};
        layout[preRace] = {key(preRace, runner), lookup(preRace, QStringLiteral("レース"), {race})};
    }
    const QString results = QStringLiteral("D成績データ"), payouts = QStringLiteral("D払戻情報データ");
    layout[results] = {key(results, runner), lookup(results, QStringLiteral("レース"), {race, umaban}),
                       lookup(results, QStringLiteral("騎手"), {jockey})};
    layout[payouts] = {key(payouts, race)};

    const char* codeTables[][2] = {
        {"M競馬場", "場コード"},     {"M騎手", "騎手コード"},     {"M調教師", "調教師コード"},
        {"Mクラス", "クラスコード"}, {"M年齢条件", "年齢条件"},   {"M重量条件", "重量条件"},
        {"M芝ダ", "芝ダ"},           {"M右左", "右左"},           {"M馬場状態", "馬場状態"},
        {"M天候", "天候"},           {"M性別", "性別"},           {"M異常区分", "異常区分"},
        {"M印", "印"},
    };
    for (const auto& [table, column] : codeTables)
        layout[QString::fromUtf8(table)] = {key(QString::fromUtf8(table), QString::fromUtf8(column))};

    const QString pedigree = QStringLiteral("K血統データ"), sires = QStringLiteral("K種牡馬データ");
    layout[pedigree] = {key(pedigree, QStringLiteral("血統登録番号")),
                        lookup(pedigree, QStringLiteral("父"), {QStringLiteral("父繁殖登録番号")}),
                        lookup(pedigree, QStringLiteral("母父"), {QStringLiteral("母父繁殖登録番号")})};
    layout[sires] = {key(sires, QStringLiteral("繁殖登録番号"))};
    const QString deviations = QStringLiteral("H偏差値データ");
    layout[deviations] = {key(deviations, runner), lookup(deviations, QStringLiteral("レース"), {race})};
    return layout;
}

} // namespace

QStringList raceDataFileNames()
{
    return {QStringLiteral("korven_this.mdb"), QStringLiteral("korven_data.mdb"), QStringLiteral("korven_code.mdb"),
            QStringLiteral("korven_keto.mdb"), QStringLiteral("VUDevuzI.mdb")};
}

QList<IndexDef> raceDataIndexes(const QString& table)
{
    static const QHash<QString, QList<IndexDef>> layout = buildLayout();
    return layout.value(table);
}

} // namespace tq::jetimport
