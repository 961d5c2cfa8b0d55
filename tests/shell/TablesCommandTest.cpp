// The tables command's aggregate favourites end to end on generated data:
// an example condition file with keys stored under a name with "'", today's
// table filled by name and for all, and names refused before anything
// changes (exit status 2 with the reason on stderr).

#include "support/GeneratedData.h"


#include <gtest/gtest.h>

using namespace tq;

namespace {

using Result = support::GeneratedData::ProgramRun;

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

Result tables(const support::GeneratedData& data, const QStringList& args)
{
    return data.runProgram(QStringList{s("tables")} + args);
}

} // namespace

TEST(TablesCommand, AggregateFavouriteStoredAndTodaysTableFilled)
{
    support::GeneratedData data(1, 31, 3);
    ASSERT_TRUE(data.ready()) << data.problem();
    data.context().appDb.reset(); // the program opens the database itself
    const QString example = s(TQ_SOURCE_DIR "/examples/keys-distance-turf.tqb");

    Result r = tables(data, {s("aggregate"), s("add"), example, s("--name"), s("距離'芝")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(s("集計お気に入り「距離'芝」: "))) << r.err.toStdString();

    r = tables(data, {s("aggregate"), s("today"), s("距離'芝")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(s("本日の距離'芝: "))) << r.err.toStdString();
    r = tables(data, {s("aggregate"), s("today")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();

    struct Refusal {
        QStringList args;
        const char* said;
    };
    const Refusal refusals[] = {
        {{s("aggregate"), s("add"), example, s("--name"), s("お気に入り")}, "「お気に入り」は既にアプリケーションの表"},
        {{s("aggregate"), s("add"), example, s("--name"), s("a.b")}, "「a.b」は表の名前に使えません"},
        {{s("aggregate"), s("add"), s(TQ_SOURCE_DIR "/examples/tokyo-1400-1800.tqb"), s("--name"), s("x")},
         "集計キーが指定されていないものは集計お気に入りに追加できません"},
        {{s("aggregate"), s("today"), s("ない名前")}, "集計お気に入りが登録されていません"},
        {{s("aggregate"), s("add"), example}, "usage:"},
    };
    for (const Refusal& c : refusals) {
        r = tables(data, c.args);
        EXPECT_EQ(r.exitCode, 2) << c.said;
        EXPECT_TRUE(r.err.contains(s(c.said))) << c.said << "\n" << r.err.toStdString();
    }
}
