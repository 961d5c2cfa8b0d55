// The bet command end to end on generated data: a box and a flow over stored
// favourites (one of them a whole group) print and write exactly the table
// the bet-type window counts for the same favourites; a name that is not
// stored is refused with exit status 2.

#include "analysis/CsvExport.h"
#include "bettypes/BetWindowRun.h"
#include "common/TextFile.h"
#include "store/Database.h"
#include "support/GeneratedData.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tq;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

using Result = support::GeneratedData::ProgramRun;

class BetCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_data = new support::GeneratedData(1, 1, 2);
        if (!s_data->ready())
            return;
        store::Database& db = *s_data->context().appDb;
        db.execute(s("INSERT INTO お気に入り (名称, グループ名, ＷＨＥＲＥ文) VALUES "
                     "('一番人気', '人気', 'D競走馬データ.基準人気 = 1')"));
        db.execute(s("INSERT INTO お気に入り (名称, グループ名, ＷＨＥＲＥ文) VALUES "
                     "('二三番人気', '人気', 'D競走馬データ.基準人気 BETWEEN 2 AND 3')"));
        db.execute(s("INSERT INTO お気に入り (名称, グループ名, ＷＨＥＲＥ文) VALUES "
                     "('上位人気', '別', 'D競走馬データ.基準人気 <= 3')"));
    }
    static void TearDownTestSuite()
    {
        delete s_data;
        s_data = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(s_data->ready()) << s_data->problem(); }

    static Result bet(const QStringList& args) { return s_data->runProgram(QStringList{s("bet")} + args); }

    // The bet-type window's table for `state`, counted here.
    static analysis::Sheet windowTable(const bettypes::BetWindowState& state)
    {
        analysis::Sheet table;
        EXPECT_TRUE(bettypes::subBunsekiUma(s_data->context(), state, table));
        return table;
    }

    static QStringList csvLines(const analysis::Sheet& table)
    {
        QStringList lines;
        for (int row = -1; row < table.rowCount(); ++row)
            lines << analysis::csvLine(table, row);
        return lines;
    }

    static support::GeneratedData* s_data;
    QTemporaryDir m_dir;
};

support::GeneratedData* BetCommand::s_data = nullptr;

TEST_F(BetCommand, BoxAndFlowWriteTheWindowsTable)
{
    bettypes::BetWindowState box;
    box.flow = false;
    box.favourites[0].name = s("上位人気");
    bettypes::BetWindowState flow;
    flow.flow = true;
    flow.favourites[0].name = s("一番人気");
    flow.favourites[1] = {s("人気"), true};
    struct Case {
        const char* name;
        QStringList args;
        bettypes::BetWindowState state;
        const char* exactaLine;
    } cases[] = {
        {"box", {s("--box"), s("上位人気")}, box, "馬単"},
        {"flow", {s("--flow"), s("一番人気"), s("人気"), s("--group")}, flow, "馬単２着流し"},
    };
    for (const Case& c : cases) {
        const QString csv = m_dir.filePath(QString::fromUtf8(c.name) + QStringLiteral(".csv"));
        const Result r = bet(c.args + QStringList{s("--csv"), csv});
        ASSERT_EQ(r.exitCode, 0) << c.name << ": " << r.err.toStdString();
        const analysis::Sheet table = windowTable(c.state);
        // 馬連 tickets were bought and hit: the run counted real races.
        ASSERT_GT(table.rowCount(), 0);
        EXPECT_NE(table.displayText(0, 4), s("0")) << c.name;
        EXPECT_NE(table.displayText(0, 5), s("0")) << c.name;
        EXPECT_EQ(common::readTextLines(csv).join(QLatin1Char('\n')).toStdString(), csvLines(table).join(QLatin1Char('\n')).toStdString()) << c.name;
        EXPECT_TRUE(r.out.contains(s(c.exactaLine))) << c.name << "\n" << r.out.toStdString();
    }
}

TEST_F(BetCommand, UnknownFavouriteIsAnErrorAndWritesNothing)
{
    const QString csv = m_dir.filePath(QStringLiteral("none.csv"));
    struct Case {
        QStringList args;
        const char* named;
    } cases[] = {
        {{s("--box"), s("ない's")}, "ない's"},
        {{s("--flow"), s("一番人気"), s("一番人気"), s("--group")}, "一番人気"},
    };
    for (const Case& c : cases) {
        const Result r = bet(c.args + QStringList{s("--csv"), csv});
        EXPECT_EQ(r.exitCode, 2) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(s("\"%1\"").arg(s(c.named)))) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(csv));
    }
}

} // namespace
