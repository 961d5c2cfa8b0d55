// The grid model: typed cells and their shown texts, sorting, copying, row
// removal, copies, and the memory a million-row horse list takes.

#include "analysis/Sheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <ostream>

static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tq::analysis {
namespace {

Sheet sheetOf(int columns, int rows)
{
    Sheet s;
    s.setColumnCount(columns);
    s.setRowCount(rows);
    return s;
}

TEST(SheetTest, cellsShowTheirKindAndKeepTheFullValue)
{
    Sheet s = sheetOf(1, 1);
    const struct {
        std::function<void(Sheet&)> set;
        CellKind kind;
        const char* shown;
    } cases[] = {
        {[](Sheet& x) { x.setInteger(0, 0, -42); }, CellKind::Integer, "-42"},
        {[](Sheet& x) { x.setInteger(0, 0, 9007199254740993LL); }, CellKind::Integer, "9007199254740993"},
        {[](Sheet& x) { x.setDecimal(0, 0, 530.0 / 3.0); }, CellKind::Decimal, "176.7"},
        {[](Sheet& x) { x.setDecimal(0, 0, 0.25); }, CellKind::Decimal, "0.3"}, // half away from zero
        {[](Sheet& x) { x.setDecimal(0, 0, 1.005, 2); }, CellKind::Decimal, "1.01"},
        {[](Sheet& x) { x.setDecimal(0, 0, -0.04); }, CellKind::Decimal, "0.0"},
        {[](Sheet& x) { x.setDecimal(0, 0, 12.5, 0); }, CellKind::Decimal, "13"},
        {[](Sheet& x) { x.setText(0, 0, u" 1200～ 1400"); }, CellKind::Text, " 1200～ 1400"},
        {[](Sheet& x) { x.setStaticText(0, 0, u"初出走"); }, CellKind::StaticText, "初出走"},
        {[](Sheet& x) { x.setEmpty(0, 0); }, CellKind::Empty, ""},
    };
    for (const auto& c : cases) {
        c.set(s);
        EXPECT_EQ(s.kind(0, 0), c.kind);
        EXPECT_EQ(s.displayText(0, 0), QString::fromUtf8(c.shown));
    }
    s.setDecimal(0, 0, 530.0 / 3.0);
    EXPECT_EQ(s.number(0, 0), 530.0 / 3.0);
    EXPECT_THROW(s.setInteger(1, 0, 1), std::out_of_range);
}

TEST(SheetTest, sortIsStableMultiKeyAndOrdersNumbersTextsThenEmpty)
{
    Sheet s = sheetOf(2, 6);
    // Column 0 mixes kinds; column 1 numbers the rows so the order is visible.
    s.setText(0, 0, u"b");
    s.setInteger(1, 0, 10);
    s.setDecimal(2, 0, 2.5);
    s.setText(4, 0, u"a");
    s.setInteger(5, 0, 10);
    for (int r = 0; r < 6; ++r) {
        s.setInteger(r, 1, r);
        s.setRowTag(r, QString::number(r));
    }
    s.setBackColour(4, 0, 255);

    auto order = [&] {
        QString out;
        for (int r = 0; r < s.rowCount(); ++r)
            out += s.displayText(r, 1);
        return out;
    };
    s.sort(0, false);
    EXPECT_EQ(order(), QStringLiteral("215403")); // 2.5, 10, 10 (stable), "a", "b", empty
    EXPECT_EQ(s.rowTag(3), QStringLiteral("4"));
    EXPECT_EQ(s.backColour(3, 0), 255); // colours move with their rows
    s.sort(0, true);
    EXPECT_EQ(order(), QStringLiteral("304152")); // the exact reverse, ties kept in order
    const SortKey keys[] = {{0, false}, {1, true}};
    s.sort(keys);
    EXPECT_EQ(order(), QStringLiteral("251403"));
}

TEST(SheetTest, tsvCopiesShownTextsWithHeaderAndHiddenColumns)
{
    Sheet s = sheetOf(3, 2);
    s.setHeader(0, QStringLiteral("キー"));
    s.setHeader(1, QStringLiteral("勝率"));
    s.setHeader(2, QStringLiteral("均等購入額"));
    s.setColumnWidth(2, 0);
    s.setText(0, 0, u"東京");
    s.setDecimal(0, 1, 12.34);
    s.setDecimal(0, 2, 2.25);
    s.setInteger(1, 1, 3);
    EXPECT_EQ(s.toTsv({-1, 0, 1, 2}), QStringLiteral("キー\t勝率\t均等購入額\r\n東京\t12.3\t2.3\r\n\t3\t\r\n"));
    EXPECT_EQ(s.toTsv({1, 1, 5, 9}), QStringLiteral("3\t\r\n"));
    EXPECT_TRUE(s.isColumnHidden(2));
}

// Texts handed over as the database's UTF-8 bytes read back as
// QString::fromUtf8 decodes them (Japanese, accents, a four-byte character,
// byte order marks, bad bytes, overlong and surrogate forms, noncharacters),
// in a column that looks texts up and in a key column that stores them as
// they come; repeats, sorting and copies behave alike.
TEST(SheetTest, utf8TextsReadBackAsDecodedInLookedUpAndKeyColumns)
{
    const QByteArray texts[] = {"0125110202101579",
                                "",
                                "\xE3\x83\x9B\xE3\x82\xB7\xE3\x82\xBD\xE3\x83\xA9",
                                "\xEF\xBB\xBF"
                                "bom",
                                "bad\xFF\xC3(",
                                "caf\xC3\xA9 \xF0\x9F\x98\x80",
                                "\xC0\xAF\xED\xA0\x80\xE3\x83",
                                "x\xEF\xBF\xBF\xEF\xB7\x90\xEF\xBB\xBF",
                                "0125110202101579",
                                "0125110202101579"};
    QStringList sorted;
    for (const QByteArray& t : texts)
        sorted << QString::fromUtf8(t);
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) { return a.compare(b) < 0; });
    for (const bool distinct : {false, true}) {
        SCOPED_TRACE(distinct);
        Sheet s;
        s.setColumnCount(1);
        s.setColumnTextsDistinct(0, distinct);
        for (const QByteArray& t : texts)
            s.setTextUtf8(s.appendRow(), 0, t);
        Sheet copy = s;
        s.setTextUtf8(0, 0, "changed");
        for (int r = 0; r < s.rowCount(); ++r) {
            EXPECT_EQ(s.kind(r, 0), CellKind::Text);
            EXPECT_EQ(copy.displayText(r, 0), QString::fromUtf8(texts[r])) << r;
        }
        EXPECT_EQ(s.displayText(0, 0), QStringLiteral("changed"));
        copy.sort(0, false);
        for (int r = 0; r < copy.rowCount(); ++r)
            EXPECT_EQ(copy.displayText(r, 0), sorted[r]) << r;
    }
}

TEST(SheetTest, rowsRemovedCopiedAndClearedIndependently)
{
    Sheet s = sheetOf(2, 3);
    for (int r = 0; r < 3; ++r)
        s.setText(r, 0, QString::number(r));
    s.setHeader(1, QStringLiteral("h"));
    Sheet copy = s;
    s.removeRow(0);
    s.setText(0, 0, u"changed");
    EXPECT_EQ(s.rowCount(), 2);
    EXPECT_EQ(s.displayText(1, 0), QStringLiteral("2"));
    EXPECT_EQ(copy.rowCount(), 3);
    EXPECT_EQ(copy.displayText(1, 0), QStringLiteral("1"));
    // A copied cell takes the other's kind and value and keeps its colours.
    copy.setDecimal(0, 1, 2.25, 2);
    copy.setBackColour(2, 1, 255);
    copy.copyCell(0, 2, 1);
    copy.copyCell(0, 2, 0);
    copy.copyCell(1, 0, 1);
    EXPECT_EQ(copy.displayText(2, 1), QStringLiteral("2.25"));
    EXPECT_EQ(copy.backColour(2, 1), 255);
    EXPECT_EQ(copy.displayText(2, 0), QStringLiteral("0"));
    EXPECT_EQ(copy.kind(0, 1), CellKind::Empty);
    s.clearRows();
    EXPECT_EQ(s.rowCount(), 0);
    EXPECT_EQ(s.header(1), QStringLiteral("h"));
    s.appendRow();
    EXPECT_EQ(s.kind(0, 0), CellKind::Empty);
}

// A default horse list of a million rows: ten columns, seven of them texts
// that repeat within a race or a day, three numbers, unique result keys.
TEST(SheetTest, millionRowHorseListStaysCompact)
{
    constexpr int rows = 1'000'000;
    Sheet s;
    s.setColumnCount(10);
    const QString places[] = {QStringLiteral("東京"), QStringLiteral("中山"), QStringLiteral("京都")};
    for (int i = 0; i < rows; ++i) {
        const int race = i / 14;
        const int r = s.appendRow();
        const QString raceKey = QStringLiteral("%1").arg(race, 8, 10, QLatin1Char('0'));
        s.setText(r, 0, QStringLiteral("2003%1").arg(race / 400 % 10000, 4, 10, QLatin1Char('0')));
        s.setText(r, 1, places[race % 3]);
        s.setText(r, 2, QString::number(race % 12 + 1));
        s.setText(r, 3, QString::number(i % 14 + 1));
        s.setText(r, 4, QStringLiteral("ホース%1").arg(i % 60000));
        s.setInteger(r, 5, i % 14 + 1);
        s.setInteger(r, 6, i % 14 == 0 ? 350 : 0);
        s.setInteger(r, 7, i % 14 < 3 ? 150 : 0);
        s.setText(r, 8, raceKey);
        s.setText(r, 9, QString(raceKey + QStringLiteral("%1").arg(i % 14, 8, 10, QLatin1Char('0'))));
    }
    const double perRow = double(s.memoryBytes()) / rows;
    std::printf("[ info ] default list: %.1f bytes per row\n", perRow);
    EXPECT_LT(perRow, 160.0);
    EXPECT_EQ(s.displayText(rows - 1, 9).size(), 16);
}

} // namespace
} // namespace tq::analysis
