// The grid model over a Sheet: what each cell kind shows and how it aligns,
// the cells' colours, header texts, sorting through the sheet, and column
// widths with hidden columns.

#include "analysis/ui/SheetModel.h"
#include "support/GuiApplication.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QBrush>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>

#include <memory>

namespace tq::analysis::ui {
namespace {

// Three columns: label text, count, rate; the rate 33.35 is shown with one place.
Sheet smallSheet()
{
    Sheet s;
    s.setColumnCount(3);
    s.setHeader(0, QStringLiteral("距離"));
    s.setHeader(1, QStringLiteral("総件数"));
    s.setHeader(2, QStringLiteral("勝率"));
    const struct {
        const char16_t* label;
        qint64 count;
        double rate;
    } rows[] = {{u"1200", 8, 33.35}, {u"1600", 12, 5.0}, {u"1800", 3, 100.0}};
    for (const auto& r : rows) {
        const int row = s.appendRow();
        s.setText(row, 0, QString::fromUtf16(r.label));
        s.setInteger(row, 1, r.count);
        s.setDecimal(row, 2, r.rate, 1);
    }
    s.appendRow(); // an empty row
    return s;
}

TEST(SheetModel, ShowsCellsAlignedByKindWithTheirColoursAndHeaders)
{
    support::ensureGuiApplication();
    Sheet sheet = smallSheet();
    sheet.setBackColour(0, 2, 0x0000ff); // Windows colour: red in the lowest byte
    sheet.setForeColour(1, 1, 0xff0000); // blue
    SheetModel model(&sheet);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    ASSERT_EQ(model.rowCount(), 4);
    ASSERT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("勝率"));
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toInt(), 1);

    const struct {
        int row, column;
        const char16_t* shown;
        Qt::Alignment horizontal;
    } cells[] = {
        {0, 0, u"1200", Qt::AlignLeft},                                  // a text of digits stays a text
        {0, 1, u"8", Qt::AlignRight},   {0, 2, u"33.4", Qt::AlignRight}, // rounded half away from zero on its place
        {1, 2, u"5.0", Qt::AlignRight},                                  // the place is kept
        {3, 1, u"", Qt::AlignLeft},
    };
    for (const auto& c : cells) {
        const QModelIndex i = model.index(c.row, c.column);
        EXPECT_EQ(model.data(i).toString(), QString::fromUtf16(c.shown)) << c.row << "," << c.column;
        const auto align = Qt::Alignment(model.data(i, Qt::TextAlignmentRole).toInt());
        EXPECT_EQ(align & Qt::AlignHorizontal_Mask, c.horizontal) << c.row << "," << c.column;
    }

    EXPECT_EQ(model.data(model.index(0, 2), Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 0, 0));
    EXPECT_EQ(model.data(model.index(1, 1), Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 0, 255));
    EXPECT_FALSE(model.data(model.index(0, 1), Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model.data(model.index(0, 1), Qt::ForegroundRole).isValid());
    EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));
}

TEST(SheetModel, SortsTheSheetItselfAndFollowsChangesAfterRefresh)
{
    support::ensureGuiApplication();
    Sheet sheet = smallSheet();
    SheetModel model(&sheet);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    model.sort(1, Qt::DescendingOrder);
    // Descending puts the empty cell first, then 12, 8, 3; the row's cells move together.
    EXPECT_EQ(sheet.displayText(1, 1), QStringLiteral("12"));
    EXPECT_EQ(model.data(model.index(1, 0)).toString(), QStringLiteral("1600"));
    EXPECT_EQ(model.data(model.index(3, 2)).toString(), QStringLiteral("100.0"));

    sheet.clear();
    sheet.setColumnCount(1);
    model.refresh();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 1);

    model.setSheet(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 0);
}

TEST(SheetModel, ColumnWidthsInGridUnitsHideZeroWidthColumns)
{
    support::ensureGuiApplication();
    Sheet sheet = smallSheet();
    sheet.setColumnWidth(0, 0.0);
    sheet.setColumnWidth(1, 10.0);
    sheet.setColumnWidth(2, 20.0);
    SheetModel model(&sheet);
    QTableView view;
    view.setModel(&model);
    applyColumnWidths(view, sheet);

    EXPECT_TRUE(view.isColumnHidden(0));
    EXPECT_FALSE(view.isColumnHidden(1));
    EXPECT_NEAR(view.columnWidth(2), 2 * view.columnWidth(1), 1);
    EXPECT_NEAR(widthFromPixels(view, view.columnWidth(2)), 20.0, 0.1);

    // A column shown again once it has a width.
    sheet.setColumnWidth(0, 4.0);
    applyColumnWidths(view, sheet);
    EXPECT_FALSE(view.isColumnHidden(0));
}

// A column the sheet gave no width is sized to its heading and cells within
// bounds; a stored width stays, and a heading wider than it wraps into a
// higher header instead of being clipped.
TEST(SheetModel, UnsizedColumnsFitTheirContentsAndStoredWidthsStay)
{
    support::ensureGuiApplication();
    Sheet sheet;
    sheet.setColumnCount(4);
    const QString longKey = QStringLiteral("0425120301104588");
    const QString endless = QString(120, QLatin1Char('W'));
    const QStringList headers = {QStringLiteral("戻り均等最低単回収率"), QStringLiteral("競走成績キー"),
                                 QStringLiteral("備考"), QStringLiteral("Ｒ")};
    for (int c = 0; c < headers.size(); ++c)
        sheet.setHeader(c, headers[c]);
    const int row = sheet.appendRow();
    sheet.setDecimal(row, 0, 63.4);
    sheet.setText(row, 1, longKey);
    sheet.setText(row, 2, endless);
    sheet.setInteger(row, 3, 1);
    sheet.setColumnWidth(0, 10.0); // stored, narrower than its heading
    SheetModel model(&sheet);
    std::unique_ptr<QTableView> view(makeSheetGrid(QStringLiteral("grid"), 3));
    view->setModel(&model);
    view->resize(1200, 300);
    const int oneLineHeader = view->horizontalHeader()->sizeHint().height();
    applyColumnWidths(*view, sheet);

    const double unit = pixelsPerWidthUnit(*view);
    const QFontMetrics metrics(view->font());
    EXPECT_NEAR(view->columnWidth(0), 10.0 * unit, 1);
    EXPECT_GE(view->columnWidth(1), metrics.horizontalAdvance(longKey));
    EXPECT_GE(view->columnWidth(1), QFontMetrics(view->horizontalHeader()->font()).horizontalAdvance(headers[1]));
    EXPECT_NEAR(view->columnWidth(2), kMaximumFittedWidth * unit, 1);
    EXPECT_GE(view->columnWidth(3), kMinimumFittedWidth * unit - 1);
    EXPECT_LT(view->columnWidth(3), view->columnWidth(1)) << "a short column stays narrow";
    EXPECT_GT(view->horizontalHeader()->minimumHeight(), oneLineHeader) << "the long heading wraps";
    EXPECT_TRUE(sheet.hasColumnWidth(0));
    EXPECT_FALSE(sheet.hasColumnWidth(1)) << "fitting does not store a width";
}

} // namespace
} // namespace tq::analysis::ui
