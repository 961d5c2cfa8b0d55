#include "analysis/SplitStatistics.h"

#include <iterator>

namespace tq::analysis {

namespace {

// Counts one row the way the fold counts it into its group.
void count(StatRow& stats, const CountedRow& row)
{
    ++stats.n;
    if (row.finish == 1) {
        ++stats.w1;
        stats.addWin(row.winPayout);
        stats.addPlace(row.placePayout);
    } else if (row.finish == 2) {
        ++stats.w2;
        stats.addPlace(row.placePayout);
    } else if (row.finish == 3) {
        ++stats.w3;
        stats.addPlace(row.placePayout);
    }
}

bool before(QByteArrayView date, const QByteArray& split)
{
    return date.compare(QByteArrayView(split)) < 0;
}

// The 判定 cell's colour (a Windows colour value: red in the lowest byte).
constexpr qint32 kDeclineColour = 0x8080FF;

} // namespace

SplitFold::SplitFold(const QDate& splitDate) : m_split(splitDate.toString(QStringLiteral("yyyyMMdd")).toLatin1()) {}

void SplitFold::counted(const CountedRow& row)
{
    count(before(row.date, m_split) ? m_current.discovery : m_current.validation, row);
}

void SplitFold::groupWritten(int resultRow)
{
    if (resultRow >= 0) {
        if (std::size_t(resultRow) >= m_rows.size())
            m_rows.resize(std::size_t(resultRow) + 1);
        SplitHalves& into = m_rows[std::size_t(resultRow)];
        into.discovery.addGroup(m_current.discovery);
        into.validation.addGroup(m_current.validation);
    }
    m_current = SplitHalves();
}

QString splitDecline(const SplitHalves& halves)
{
    if (halves.discovery.n == 0 || halves.validation.n == 0)
        return {};
    QString which;
    if (halves.discovery.winReturn() > 100.0 && halves.validation.winReturn() < 100.0)
        which += QStringLiteral("単");
    if (halves.discovery.placeReturn() > 100.0 && halves.validation.placeReturn() < 100.0)
        which += QStringLiteral("複");
    return which;
}

Sheet splitSheet(const Sheet& result, int k, const std::vector<SplitHalves>& halves)
{
    struct Figure {
        const char16_t* header;
        bool count;
        double (*value)(const StatRow&);
    };
    static const Figure figures[] = {
        {u"総件数", true, [](const StatRow& s) { return double(s.n); }},
        {u"勝率", false, [](const StatRow& s) { return s.winRate(); }},
        {u"複勝率", false, [](const StatRow& s) { return s.topThreeRate(); }},
        {u"単回収率", false, [](const StatRow& s) { return s.winReturn(); }},
        {u"複回収率", false, [](const StatRow& s) { return s.placeReturn(); }},
        {u"最低勝率", false, [](const StatRow& s) { return double(s.lowerWinRate()); }},
    };
    Sheet sheet;
    const int figureCount = int(std::size(figures));
    sheet.setColumnCount(k + 2 * figureCount + 1);
    for (int c = 0; c < k; ++c)
        sheet.setHeader(c, result.header(c));
    for (int f = 0; f < figureCount; ++f) {
        const QString name = QString::fromUtf16(figures[f].header);
        sheet.setHeader(k + 2 * f, name + QStringLiteral("(発見)"));
        sheet.setHeader(k + 2 * f + 1, name + QStringLiteral("(検証)"));
    }
    const int mark = k + 2 * figureCount;
    sheet.setHeader(mark, QStringLiteral("判定"));
    sheet.setColumnWidth(mark, 28);

    for (int r = 0; r < result.rowCount(); ++r) {
        const int row = sheet.appendRow();
        for (int c = 0; c < k; ++c)
            sheet.setText(row, c, result.displayText(r, c));
        const SplitHalves h = std::size_t(r) < halves.size() ? halves[std::size_t(r)] : SplitHalves();
        for (int f = 0; f < figureCount; ++f) {
            const StatRow* periods[] = {&h.discovery, &h.validation};
            for (int p = 0; p < 2; ++p) {
                const int column = k + 2 * f + p;
                if (figures[f].count)
                    sheet.setInteger(row, column, periods[p]->n);
                else if (periods[p]->n > 0)
                    sheet.setDecimal(row, column, figures[f].value(*periods[p]));
            }
        }
        const QString decline = splitDecline(h);
        if (!decline.isEmpty()) {
            sheet.setText(row, mark, QString(decline + QStringLiteral("回収率が検証期間で100%割れ")));
            sheet.setBackColour(row, mark, kDeclineColour);
        }
    }
    return sheet;
}

} // namespace tq::analysis
