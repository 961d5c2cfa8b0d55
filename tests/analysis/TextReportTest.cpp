// The text report of a document: header lines, unmasked conditions, rule and
// heading lines widened by ten dashes and ten bytes per aggregation key, and
// the statistic cells right-aligned with their formats; columns widened for
// longer texts keep every line in line with the headings.

#include "analysis/AnalysisDocument.h"
#include "analysis/TextReport.h"

#include <gtest/gtest.h>

namespace tq::analysis {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// A document with one condition (and a masked one) and a result table of
// `keys` key columns and fourteen statistic columns.
AnalysisDocument document(const QStringList& keyTexts)
{
    AnalysisDocument doc;
    doc.caption = s("東京マイル");
    doc.author = s("作者");
    conditions::ConditionRow row;
    row.itemName = s("距離");
    row.targetCaption = s("今走");
    row.display = s("1400～1800");
    doc.conditions.rows.push_back(row);
    row.masked = true;
    row.itemName = s("隠す");
    doc.conditions.rows.push_back(row);
    conditions::ConditionRow extended;
    extended.itemName = conditions::extendedItemName();
    extended.value = s("X = 1");
    doc.conditions.rows.push_back(extended);
    for (int k = 0; k < keyTexts.size(); ++k)
        doc.conditions.keys[std::size_t(k)].key = keyTexts[k];

    Sheet& r = doc.result;
    const int keys = int(keyTexts.size());
    r.setColumnCount(keys + 14);
    r.appendRow();
    for (int k = 0; k < keys; ++k)
        r.setText(0, k, k == 0 ? s("東京") : s("1600"));
    const std::array<double, 14> values{12, 3, 2, 1, 6, 7, 41.666, 50, 123.45, 99.95, 350.5, 350, 180.4, 200};
    for (int c = 0; c < 14; ++c)
        r.setDecimal(0, keys + c, values[std::size_t(c)], 1);
    for (int c = 0; c < 5; ++c)
        r.setInteger(0, keys + c, qint64(values[std::size_t(c)]));
    r.setInteger(0, keys + 11, 350);
    r.setInteger(0, keys + 13, 200);
    return doc;
}

TEST(TextReport, FullWithoutKeys)
{
    const QString text = textReport(document({}), TextReportKind::Full);
    const QStringList lines = text.split(s("\r\n"));
    ASSERT_EQ(lines.size(), 10) << text.toStdString();
    EXPECT_EQ(lines[0], s("お気に入り名称：東京マイル"));
    EXPECT_EQ(lines[1], s("作者名：作者"));
    EXPECT_EQ(lines[2], s("[条件]"));
    EXPECT_EQ(lines[3], s("距離(今走) = 1400～1800"));
    EXPECT_EQ(lines[4], s("【拡張】() = X = 1"));
    EXPECT_EQ(lines[5], QString(91, QLatin1Char('-')));
    EXPECT_EQ(lines[6], s("件数 １着 ２着 ３着 着外  勝率  連対率 複勝率 単回収率 複回収率 単平均 単最高 複平均 複最高"));
    EXPECT_EQ(lines[7], lines[5]);
    EXPECT_EQ(lines[8], s("  12    3    2    1    6   7.0%  41.7%  50.0%   123.5%   100.0%    351    350    180    200 "));
    EXPECT_EQ(lines[9], QString());
}

TEST(TextReport, ShortWithTwoKeysPadsKeysToTenBytes)
{
    const QStringList lines = textReport(document({s("競馬場"), s("距離")}), TextReportKind::Short).split(s("\r\n"));
    ASSERT_GE(lines.size(), 9);
    EXPECT_EQ(lines[5], QString(20 + 45, QLatin1Char('-')));
    EXPECT_EQ(lines[6], s("競馬場    距離      件数 １着 ２着 ３着 着外  勝率  連対率 複勝率"));
    EXPECT_EQ(lines[8], s("東京      1600        12    3    2    1    6   7.0%  41.7%  50.0% "));
}

// Long key texts and figures wider than their column widen the column on
// every line, so the headings stay over their figures.
TEST(TextReport, ColumnsWidenForLongTextsAndFiguresAndStayInLine)
{
    AnalysisDocument doc = document({s("競馬場"), s("距離")});
    doc.result.setText(0, 0, s("東京競馬場芝外"));
    doc.result.setInteger(0, 2, 123456);
    doc.result.appendRow();
    doc.result.setText(1, 0, s("中山"));
    doc.result.setText(1, 1, s("1200～1400"));
    doc.result.setInteger(1, 2, 7);
    const QStringList lines = textReport(doc, TextReportKind::Short).split(s("\r\n"));
    ASSERT_GE(lines.size(), 10);
    EXPECT_EQ(lines[6], s("競馬場         距離         件数 １着 ２着 ３着 着外  勝率  連対率 複勝率"));
    EXPECT_EQ(lines[8], s("東京競馬場芝外 1600       123456    3    2    1    6   7.0%  41.7%  50.0% "));
    EXPECT_EQ(lines[9], s("中山           1200～1400      7                          %      %      % "));
    EXPECT_EQ(lines[5], QString(15 + 11 + 7 + 4 * 5 + 3 * 7 - 1, QLatin1Char('-')));
}

TEST(TextReport, EmptyRateCellsShowOnlyThePercentSign)
{
    AnalysisDocument doc = document({});
    doc.result.setEmpty(0, 5);
    const QStringList lines = textReport(doc, TextReportKind::Short).split(s("\r\n"));
    EXPECT_TRUE(lines[8].startsWith(s("  12    3    2    1    6      % "))) << lines[8].toStdString();
}

} // namespace
} // namespace tq::analysis
