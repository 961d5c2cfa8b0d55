// The report of a bet-type run: one result row per group and line, with its
// counts, rates and payout bands, sorted by the keys and the line order.

#include "bettypes/GroupTallies.h"

#include "analysis/ResultTable.h"
#include "analysis/Sheet.h"
#include "analysis/StatisticsKeys.h"
#include "bettypes/GroupedRun.h"
#include "context/AppContext.h"

#include <limits>

namespace tq::bettypes {

namespace {

void writeRawValue(analysis::Sheet& grid, int row, int column, const store::Value& v)
{
    if (v.isNull())
        return;
    const QString text = v.toText();
    double number = 0;
    if (!analysis::labelAsNumber(text, &number)) {
        grid.setText(row, column, text);
        return;
    }
    if (text.contains(QLatin1Char('.')))
        grid.setDecimal(row, column, number, 1);
    else
        grid.setInteger(row, column, qint64(number));
}

qint32 product100(qint32 a)
{
    const qint64 p = qint64(a) * 100;
    if (p > std::numeric_limits<qint32>::max() || p < std::numeric_limits<qint32>::min())
        throw CountOverflow("率の計算");
    return qint32(p);
}

double quotient(double a, qint32 b)
{
    return b == 0 ? 0.0 : a / double(b);
}

void report(context::AppContext& ctx, const QString& procedure, const QString& text)
{
    ctx.errorLog.report({0, text, {}}, procedure);
}

} // namespace

// The lines of every group into the result grid, then sorted.
void writeReport(context::AppContext& ctx, analysis::Sheet& grid, const Groups& groups, int kind, int k,
                 const QStringList& keyTexts)
{
    grid.clear();
    for (const auto& group : groups.inOrder()) {
        const auto& t = group->t;
        // Name, tally and line order (the hidden sort column) of each line.
        struct Line {
            QString name;
            const clsUmaren* tally;
            int order;
        };
        std::vector<Line> lines = {{QStringLiteral("馬連"), &t[kUmarenLine], 0},
                                   {QStringLiteral("ワイド"), &t[kWideLine], 1}};
        if (kind == 1 && t[kExacta2Line].Tensu == 0) {
            lines.push_back({QStringLiteral("馬単"), &t[kExacta1Line], 2});
        } else {
            lines.push_back({QStringLiteral("馬単１着流し"), &t[kExacta1Line], 2});
            lines.push_back({QStringLiteral("馬単２着流し"), &t[kExacta2Line], 3});
        }
        lines.push_back({QStringLiteral("３連複"), &t[kTrioLine], 4});
        for (const Line& line : lines) {
            try {
                subSyukeiHyoujiUma2(ctx, grid, line.name, *line.tally, k, keyTexts, line.order);
            } catch (const std::exception& e) {
                report(ctx, QStringLiteral("subSyukeiHyoujiUma2"), QString::fromUtf8(e.what()));
            }
        }
    }
    grid.setTag(QString::number(k));
    std::vector<analysis::SortKey> keys;
    for (int i = 0; i < k; ++i)
        keys.push_back({2 * i + 1, false});
    keys.push_back({2 * k + 1, false});
    grid.sort(keys);
}

void subSyukeiHyoujiUma2(context::AppContext& ctx, analysis::Sheet& grid, const QString& name, const clsUmaren& t,
                         int k, const QStringList& keyTexts, int order)
{
    std::vector<store::Value> values;
    QStringList labels;
    t.UmaDataGet(k, values, labels);
    static const char16_t* const headers[] = {u"レース数", u"レース的中件数", u"レース的中率", u"購入点数",
                                              u"的中件数", u"的中率",         u"回収率",       u"平均配当",
                                              u"最高配当", u"最高配当抜き回収率", u"～990",   u"～1990",
                                              u"～2990",   u"～4990",         u"～9990",       u"10000～"};
    const int s = 2 * k + 2; // first statistic column
    if (grid.rowCount() == 0) {
        grid.clear();
        grid.setColumnCount(2 * k + 18);
        for (int i = 0; i < k; ++i) {
            grid.setHeader(2 * i, keyTexts.value(i));
            grid.setColumnWidth(2 * i + 1, 0);
        }
        grid.setHeader(2 * k, QStringLiteral("馬券種類"));
        grid.setColumnWidth(2 * k + 1, 0);
        for (int i = 0; i < 16; ++i)
            grid.setHeader(s + i, QString::fromUtf16(headers[i]));
        analysis::applyStoredColumnWidths(ctx.appDb.get(), grid);
    }
    const double raceRate = quotient(product100(t.RTeki), t.Race);
    const double hitRate = quotient(product100(t.Teki), t.Tensu);
    const double returnRate = quotient(t.Hai, t.Tensu);
    const double average = quotient(t.Hai, t.Teki);
    const double withoutTop = quotient(double(t.Hai) - double(t.Max), t.Tensu);

    const int row = grid.appendRow();
    for (int i = 0; i < k; ++i) {
        analysis::writeLabelCell(grid, row, 2 * i, labels.value(i));
        writeRawValue(grid, row, 2 * i + 1, values[std::size_t(i)]);
    }
    grid.setStaticText(row, 2 * k, name);
    grid.setInteger(row, 2 * k + 1, order);
    grid.setInteger(row, s, t.Race);
    grid.setInteger(row, s + 1, t.RTeki);
    grid.setDecimal(row, s + 2, raceRate, 1);
    grid.setInteger(row, s + 3, t.Tensu);
    grid.setInteger(row, s + 4, t.Teki);
    grid.setDecimal(row, s + 5, hitRate, 1);
    grid.setDecimal(row, s + 6, returnRate, 1);
    grid.setDecimal(row, s + 7, average, 1);
    grid.setInteger(row, s + 8, t.Max);
    grid.setDecimal(row, s + 9, withoutTop, 1);
    const qint32 bands[] = {t.Hai990, t.Hai1990, t.Hai2990, t.Hai4990, t.Hai9990, t.Hai10000};
    for (int i = 0; i < 6; ++i)
        grid.setInteger(row, s + 10 + i, bands[i]);
    const double threshold = ctx.colours.returnRateValue();
    if (returnRate > threshold)
        grid.setBackColour(row, s + 6, ctx.colours.returnRateColour());
    if (withoutTop > threshold)
        grid.setBackColour(row, s + 9, ctx.colours.returnRateColour());
}

} // namespace tq::bettypes
