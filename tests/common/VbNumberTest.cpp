#include "common/VbNumber.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tq::common;

namespace {

struct NumberText {
    double value;
    const char* text;
};

} // namespace

TEST(VbNumber, StrPutsABlankBeforeNonNegativeAndDropsTheLeadingZero)
{
    const NumberText cases[] = {
        {1400, " 1400"},
        {0.5, " .5"},
        {-10, "-10"},
        {-0.5, "-.5"},
        {0, " 0"},
        {0.1 + 0.2, " .3"}, // 15 significant digits hide the binary noise
        {2.0 / 3.0, " .666666666666667"},
        {123456789012345.0, " 123456789012345"},
        {1e15, " 1E+15"},
        {0.0001, " .0001"},
        {-1.5e-5, "-1.5E-05"},
    };
    for (const NumberText& c : cases)
        EXPECT_EQ(vbStr(c.value), QString::fromUtf8(c.text)) << c.value;

    const struct {
        float value;
        const char* text;
    } singles[] = {
        {0.1f, " .1"}, {1.15f, " 1.15"}, {2.0f / 3.0f, " .6666667"}, {12345678.0f, " 1.234568E+07"}, {-3.0f, "-3"},
    };
    for (const auto& c : singles)
        EXPECT_EQ(vbStrSingle(c.value), QString::fromUtf8(c.text)) << c.value;

    EXPECT_EQ(vbCStr(0.5), QStringLiteral("0.5"));
    EXPECT_EQ(vbCStr(-0.5), QStringLiteral("-0.5"));
    EXPECT_EQ(vbCStr(1400), QStringLiteral("1400"));
}

TEST(VbNumber, ShortestDecimalReadsBackExactly)
{
    const NumberText cases[] = {
        {15, "15"},
        {15.5, "15.5"},
        {12.5, "12.5"},
        {-0.25, "-0.25"},
        {0, "0"},
        {0.1 + 0.2, "0.30000000000000004"},
        {1e20, "100000000000000000000"},
        {1e21, "1E+21"},
        {1.5e-8, "1.5E-08"},
        {0.000001, "0.000001"},
    };
    for (const NumberText& c : cases) {
        const QString text = shortestDecimal(c.value);
        EXPECT_EQ(text, QString::fromUtf8(c.text)) << c.value;
        EXPECT_EQ(text.toDouble(), c.value) << c.text;
    }
}

TEST(VbNumber, FormatRoundsTheDecimalValueHalfAwayFromZero)
{
    const struct {
        double value;
        const char* pattern;
        const char* text;
    } cases[] = {
        {1.005, "0.00", "1.01"}, // binary 1.00499999... would give 1.00
        {2.5, "0", "3"},
        {-2.5, "0", "-3"},
        {0.05, "0.0", "0.1"},
        {12.345, "##0.0", "12.3"},
        {0.45, "##0.0", "0.5"},
        {0.4, "##0", "0"},
        {100, "0.0", "100.0"},
        {7, "000", "007"},
        {1234567.891, "#,##0", "1,234,568"},
        {1234.5, "#,##0.00", "1,234.50"},
        {999.5, "#,##0", "1,000"},
        {0.125, "0.0%", "12.5%"},
        {0.00049, "0.0%", "0.0%"},
        {0.5, "#.00", ".50"},
        {1, "#.##", "1."},
        {1.25, "0.0#", "1.25"},
        {1, "0.0#", "1.0"},
        {-0.001, "0.00", "0.00"}, // rounds to zero: no minus sign
        {1e20, "0", "100000000000000000000"},
        {5, "0\xE5\x86\x86", "5\xE5\x86\x86"}, // 0円
        {5, "\"No.\"0", "No.5"},
        {-5, "0;(0)", "(5)"},
        {0, "0;-0;\"-\"", "-"},
        {1.5, "Fixed", "1.50"},
        {1234.5, "Standard", "1,234.50"},
        {0.1234, "Percent", "12.34%"},
        {3.14159, "", "3.14159"},
        {20031231, "@@@@/@@/@@", "2003/12/31"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vbFormat(c.value, QString::fromUtf8(c.pattern)), QString::fromUtf8(c.text))
            << c.value << " with " << c.pattern;

    for (const char* bad : {"0.00E+00", "#,##0,", "0.0.0", "yyyy", "0 x 0"})
        EXPECT_THROW(vbFormat(1, QString::fromUtf8(bad)), std::invalid_argument) << bad;
}

TEST(VbNumber, FormatTextFillsPlaceholders)
{
    const struct {
        const char* text;
        const char* pattern;
        const char* result;
    } cases[] = {
        {"20031231", "@@@@/@@/@@", "2003/12/31"},
        {"1231", "@@@@/@@/@@", "    /12/31"}, // missing characters become blanks
        {"abcdef", "@@@", "abcdef"},          // extra characters stay in front
        {"abc", "&&&&&", "abc"},
        {"abc", "!@@@@", "abc "},
        {"ab", ">@@", "AB"},
        {"abc", "", "abc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vbFormatText(QString::fromUtf8(c.text), QString::fromUtf8(c.pattern)), QString::fromUtf8(c.result))
            << c.text << " with " << c.pattern;
}

TEST(VbNumber, FormatDateTime)
{
    const QDateTime when(QDate(2003, 12, 31), QTime(9, 5, 7));
    const struct {
        const char* pattern;
        const char* text;
    } cases[] = {
        {"hh:mm:ss", "09:05:07"},
        {"yyyy/mm/dd", "2003/12/31"},
        {"yyyy/m/d h:n:s", "2003/12/31 9:5:7"},
        {"yy\xE5\xB9\xB4m\xE6\x9C\x88", "03\xE5\xB9\xB4" "12\xE6\x9C\x88"}, // yy年m月
        {"Short Date", "2003/12/31"},
        {"Long Time", "9:05:07"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vbFormatDateTime(when, QString::fromUtf8(c.pattern)), QString::fromUtf8(c.text)) << c.pattern;
    EXPECT_THROW(vbFormatDateTime(when, QStringLiteral("dddd")), std::invalid_argument);
}

TEST(VbNumber, CIntAndCLngRoundHalvesToEvenAndCheckTheRange)
{
    const struct {
        double value;
        int result;
    } cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {0.5, 0}, {1.5, 2}, {2.6, 3}, {-32768.5, -32768}, {32767.4, 32767}};
    for (const auto& c : cases) {
        EXPECT_EQ(vbCInt(c.value), c.result) << c.value;
        EXPECT_EQ(vbCLng(c.value), c.result) << c.value;
    }
    EXPECT_THROW(vbCInt(32767.5), std::out_of_range);
    EXPECT_THROW(vbCInt(-32769), std::out_of_range);
    EXPECT_EQ(vbCLng(2147483647.4), 2147483647);
    EXPECT_THROW(vbCLng(2147483647.5), std::out_of_range);
    EXPECT_THROW(vbCLng(std::numeric_limits<double>::quiet_NaN()), std::out_of_range);
}

TEST(VbNumber, RoundHalvesToEvenOnTheDecimalValue)
{
    const struct {
        double value;
        int places;
        double result;
    } cases[] = {
        {0.12345, 4, 0.1234}, {2.5, 0, 2}, {3.5, 0, 4}, {-2.5, 0, -2}, {2.675, 2, 2.68},
        {1.005, 2, 1.0},      {1.23456, 3, 1.235}, {0.5, 0, 0}, {9.995, 2, 10.0}, {12.3, 5, 12.3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vbRound(c.value, c.places), c.result) << c.value << " to " << c.places;
    EXPECT_THROW(vbRound(1, -1), std::invalid_argument);
}

TEST(VbNumber, ValReadsTheLeadingNumber)
{
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {" 2 45 7", 2457},
        {"24 and 57", 24},
        {"1615 198th Street N.E.", 1615198},
        {"\t\n12", 12},
        {"-5", -5},
        {"- 5", -5},
        {"+5", 5},
        {".5", 0.5},
        {"1.2.3", 1.2},
        {"1e3", 1000},
        {"1.5D2", 150},
        {"2E-2", 0.02},
        {"1e", 1},
        {"abc", 0},
        {"", 0},
        {"1e-400", 0},
        {"&HFF", 255},
        {"&HFFFF", -1},
        {"&H10000", 65536},
        {"&HFFFFFFFF", -1},
        {"&O17", 15},
        {"&hff", 255},
        {"&", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vbVal(QString::fromUtf8(c.text)), c.value) << c.text;
    EXPECT_THROW(vbVal(QStringLiteral("1e400")), std::out_of_range);
    EXPECT_THROW(vbVal(QStringLiteral("&H123456789")), std::out_of_range);
}
