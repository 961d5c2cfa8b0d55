#include "analysis/SimulationSheets.h"

namespace tq::analysis {

namespace {

QString yen(qint64 amount)
{
    return QStringLiteral("%L1円").arg(amount);
}

QString dateOrStart(qint32 date)
{
    return date == 0 ? QStringLiteral("開始時") : dateNumberText(date);
}

QString stakeText(const SimulationSettings& settings)
{
    if (settings.rule == StakeRule::Flat)
        return QStringLiteral("定額 %1").arg(yen(settings.flatStake));
    return QStringLiteral("資金の %1 倍（100円単位切り捨て、最低100円）").arg(fractionText(settings.fractionPpm));
}

// Appends a row of the two-column summary; returns it for the value cell.
int item(Sheet& sheet, const QString& name)
{
    const int row = sheet.appendRow();
    sheet.setText(row, 0, name);
    return row;
}

void textItem(Sheet& sheet, const QString& name, const QString& value)
{
    sheet.setText(item(sheet, name), 1, value);
}

void integerItem(Sheet& sheet, const QString& name, qint64 value)
{
    sheet.setInteger(item(sheet, name), 1, value);
}

} // namespace

QString betKindText(SimulationBet bet)
{
    return bet == SimulationBet::Win ? QStringLiteral("単勝") : QStringLiteral("複勝");
}

QString simulationCaption(const SimulationResult& result)
{
    const SimulationSettings& s = result.settings;
    QString caption = QStringLiteral("%1 %2　開始資金 %3").arg(betKindText(s.bet), stakeRuleText(s), yen(s.bankroll));
    if (s.from.isValid() || s.to.isValid())
        caption += QStringLiteral("　期間 %1～%2").arg(s.from.toString(QStringLiteral("yyyy/MM/dd")),
                                                    s.to.toString(QStringLiteral("yyyy/MM/dd")));
    if (result.validationFrom.isValid())
        caption += QStringLiteral("　検証期間 %1～").arg(result.validationFrom.toString(QStringLiteral("yyyy/MM/dd")));
    return caption;
}

Sheet simulationSummarySheet(const SimulationResult& result)
{
    const SimulationSettings& settings = result.settings;
    Sheet sheet;
    sheet.setColumnCount(2);
    sheet.setHeader(0, QStringLiteral("項目"));
    sheet.setHeader(1, QStringLiteral("値"));
    sheet.setColumnWidth(0, 18);
    sheet.setColumnWidth(1, 36);
    textItem(sheet, QStringLiteral("券種"), betKindText(settings.bet));
    textItem(sheet, QStringLiteral("賭け方"), stakeText(settings));
    integerItem(sheet, QStringLiteral("開始資金"), result.startBankroll);
    integerItem(sheet, QStringLiteral("購入件数"), result.bets);
    integerItem(sheet, QStringLiteral("的中件数"), result.hits);
    if (settings.rule == StakeRule::Fraction)
        integerItem(sheet, QStringLiteral("見送り件数"), result.skipped);
    integerItem(sheet, QStringLiteral("賭け金合計"), result.stake);
    integerItem(sheet, QStringLiteral("払戻金合計"), result.payback);
    sheet.setDecimal(item(sheet, QStringLiteral("回収率")), 1, result.returnRate());
    integerItem(sheet, QStringLiteral("最終資金"), result.finalBankroll);
    integerItem(sheet, QStringLiteral("最大ドローダウン"), result.drawdown.amount);
    if (result.drawdown.amount > 0) {
        sheet.setDecimal(item(sheet, QStringLiteral("最大ドローダウン率")), 1, result.drawdown.percent);
        textItem(sheet, QStringLiteral("ドローダウン開始（ピーク）"),
                 dateOrStart(result.drawdown.peakDate) + QStringLiteral("　") + yen(result.drawdown.peak));
        textItem(sheet, QStringLiteral("ドローダウン底"), dateNumberText(result.drawdown.troughDate));
    }
    integerItem(sheet, QStringLiteral("最長連敗"), result.losingRun.length);
    if (result.losingRun.length > 0)
        textItem(sheet, QStringLiteral("最長連敗の期間"),
                 dateNumberText(result.losingRun.firstDate) + QStringLiteral("～") +
                     dateNumberText(result.losingRun.lastDate));
    if (result.stoppedDate != 0)
        textItem(sheet, QStringLiteral("資金不足で購入停止"), dateNumberText(result.stoppedDate));
    return sheet;
}

Sheet simulationYearSheet(const SimulationResult& result)
{
    Sheet sheet;
    const QStringList headers = {QStringLiteral("年"),     QStringLiteral("購入件数"), QStringLiteral("的中件数"),
                                 QStringLiteral("賭け金"), QStringLiteral("払戻金"),   QStringLiteral("回収率")};
    sheet.setColumnCount(int(headers.size()));
    for (int c = 0; c < headers.size(); ++c)
        sheet.setHeader(c, headers.at(c));
    auto add = [&sheet](const QString& label, qint64 bets, qint64 hits, qint64 stake, qint64 payback) {
        const int row = sheet.appendRow();
        sheet.setText(row, 0, label);
        sheet.setInteger(row, 1, bets);
        sheet.setInteger(row, 2, hits);
        sheet.setInteger(row, 3, stake);
        sheet.setInteger(row, 4, payback);
        sheet.setDecimal(row, 5, returnRate(payback, stake));
    };
    for (const SimulationYear& y : result.years)
        add(y.year == 0 ? QStringLiteral("日付なし") : QString::number(y.year), y.bets, y.hits, y.stake, y.payback);
    add(QStringLiteral("合計"), result.bets, result.hits, result.stake, result.payback);
    return sheet;
}

Sheet simulationCurveSheet(const SimulationResult& result)
{
    Sheet sheet;
    const QStringList headers = {QStringLiteral("日付"), QStringLiteral("レースキー"), QStringLiteral("賭け金"),
                                 QStringLiteral("払戻金"), QStringLiteral("資金")};
    sheet.setColumnCount(int(headers.size()));
    for (int c = 0; c < headers.size(); ++c)
        sheet.setHeader(c, headers.at(c));
    sheet.setRowCount(int(result.curve.size()));
    for (int row = 0; row < int(result.curve.size()); ++row) {
        const CurvePoint& p = result.curve[std::size_t(row)];
        sheet.setText(row, 0, dateNumberText(p.date));
        sheet.setTextUtf8(row, 1, QByteArrayView(p.race.data(), qsizetype(p.race.size())));
        sheet.setInteger(row, 2, p.stake);
        sheet.setInteger(row, 3, p.payback);
        sheet.setInteger(row, 4, p.bankroll);
    }
    return sheet;
}

} // namespace tq::analysis
