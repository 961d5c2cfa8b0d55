// Reading the result table handed to the chart: the groups and statistics of
// a well-formed file, and a clear refusal of anything else.

#include "ChartData.h"

#include "common/TextFile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cmath>

namespace tq::addins::chart {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

const char* const kHeader = "距離,芝ダ,総件数,１着件数,勝率,連対率,複勝率,単回収率,複回収率,最低勝率";

TEST(ChartData, GroupsKeepFileOrderAndQuotedLabels)
{
    QString error;
    const auto table = parseChartTable({s(kHeader), s("1200,\"芝, 外\",40,4,10.0,20.0,30.0,85.5,90.0,3.1"),
                                        s("\"1\"\"000\",\"ダ\",7,0,0,0,14.3,0,40.2,")},
                                       error);
    ASSERT_TRUE(table) << error.toStdString();
    EXPECT_EQ(table->keyHeaders, (QStringList{s("距離"), s("芝ダ")}));
    EXPECT_EQ(table->labels, (QStringList{s("1200 / 芝, 外"), s("1\"000 / ダ")}));
    EXPECT_DOUBLE_EQ(table->value(0, s("単回収率")), 85.5);
    EXPECT_DOUBLE_EQ(table->value(1, s("総件数")), 7);
    EXPECT_TRUE(std::isnan(table->value(1, s("最低勝率")))); // an empty cell is no value, not 0
    EXPECT_TRUE(std::isnan(table->value(0, s("存在しない列"))));
}

TEST(ChartData, MalformedTablesAreRefusedWithTheReason)
{
    const struct {
        QStringList lines;
        const char* reason;
    } cases[] = {
        {{}, "見出し行がありません"},
        {{s("a,b,c"), s("1,2,3")}, "「総件数」がありません"},
        {{s("距離,総件数,勝率,連対率,複勝率,単回収率"), s("1,2,3,4,5,6")}, "「複回収率」がありません"},
        {{s(kHeader)}, "データ行がありません"},
        {{s(kHeader), s("1200,芝,40,4,10.0")}, "2行目: 項目数が 5 個です"},
        {{s(kHeader), s("1200,芝,40,4,abc,20,30,85,90,3")}, "2行目: 「勝率」が数値ではありません: abc"},
        {{s(kHeader), s("\"1200,芝,40,4,10,20,30,85,90,3")}, "2行目: 引用符が閉じていません"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        QString error;
        EXPECT_FALSE(parseChartTable(c.lines, error));
        EXPECT_TRUE(error.contains(s(c.reason))) << error.toStdString();
    }
}

TEST(ChartData, FilesThatAreMissingOrNotTextNameTheFile)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(s("REDivor.csv"));
    QString error;
    EXPECT_FALSE(readChartTable(missing, error));
    EXPECT_TRUE(error.startsWith(missing)) << error.toStdString();

    const QString garbage = dir.filePath(s("garbage.csv"));
    common::writeFileAtomic(garbage, QByteArray("\x81\x20\xff\x00\x01PK\x03\x04", 10));
    EXPECT_FALSE(readChartTable(garbage, error));
    EXPECT_TRUE(error.contains(garbage)) << error.toStdString();

    const QString written = dir.filePath(s("result.csv"));
    common::writeTextLinesAtomic(written, {s(kHeader), s("1200,芝,40,4,10.0,20.0,30.0,85.5,90.0,3.1")});
    const auto table = readChartTable(written, error);
    ASSERT_TRUE(table) << error.toStdString();
    EXPECT_EQ(table->labels, QStringList{s("1200 / 芝")});
}

} // namespace
} // namespace tq::addins::chart
