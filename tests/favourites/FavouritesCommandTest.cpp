// The favourites command end to end on generated data: add (analysing a
// condition file), list, show, rename, move, delete, with a name containing
// "'" and Japanese group names; the overwrite question answered by --no and
// --yes; refusals reported with exit status 2.

#include "favourites/FavouriteStore.h"
#include "support/GeneratedData.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

namespace tq::favourites {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

struct Result {
    int exitCode;
    QString out, err;
};

class FavouritesCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { g_data = new support::GeneratedData(1, 11); }
    static void TearDownTestSuite()
    {
        delete g_data;
        g_data = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(g_data->ready()) << g_data->problem(); }

    static Result run(QStringList args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(s("KORVEN_INI"), QDir(g_data->programDir()).filePath(s("../KORVEN.INI")));
        p.setProcessEnvironment(env);
        args.prepend(s("favourites"));
        args.prepend(g_data->programDir());
        args.prepend(s("--app-dir"));
        p.start(QDir(s(TQ_BINARY_DIR "/bin")).filePath(s("DEVovuved")), args);
        EXPECT_TRUE(p.waitForFinished(120000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    static QString example(const char* name)
    {
        return QDir(s(TQ_SOURCE_DIR "/examples")).filePath(s(name));
    }

    static support::GeneratedData* g_data;
};

support::GeneratedData* FavouritesCommandTest::g_data = nullptr;

TEST_F(FavouritesCommandTest, RoundTripOfEveryOperation)
{
    const QString name = s("東京'マイル");
    const Result add = run({s("add"), example("tokyo-1400-1800.tqb"), s("--name"), name, s("--group"), s("芝'中距離")});
    ASSERT_EQ(add.exitCode, 0) << add.err.toStdString();
    const Result hidden =
        run({s("add"), example("exclude-summer-courses.tqb"), s("--name"), s("距離延長"), s("--hidden")});
    ASSERT_EQ(hidden.exitCode, 0) << hidden.err.toStdString();
    // A grouped result is refused.
    const Result keyed = run({s("add"), example("distance-up.tqb"), s("--name"), s("keyed")});
    EXPECT_EQ(keyed.exitCode, 2);
    EXPECT_TRUE(keyed.err.contains(s("集計キーが指定されているものはお気に入りに追加できません")));

    const Result list = run({s("list")});
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    const QStringList lines = list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << list.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(s("名称\tグループ名\t表示\t総件数")));
    EXPECT_GE(lines.indexOf(QRegularExpression(s("東京'マイル\t芝'中距離\tTrue\t[1-9][0-9]*\t.*"))), 0)
        << list.out.toStdString();
    EXPECT_GE(lines.indexOf(QRegularExpression(s("距離延長\tお気に入り\tFalse\t.*"))), 0) << list.out.toStdString();

    const Result shown = run({s("show"), name});
    ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    EXPECT_TRUE(shown.out.contains(s("条件\nMODE, 0"))) << shown.out.toStdString();
    EXPECT_TRUE(shown.out.contains(s("K005,東京競馬場の1400～1800m")));
    EXPECT_TRUE(shown.out.contains(s("ＷＨＥＲＥ文\t"))) << shown.out.toStdString();

    // The overwrite question: --no keeps it (status 1), --yes rewrites it.
    EXPECT_EQ(run({s("add"), example("exclude-summer-courses.tqb"), s("--name"), name, s("--no")}).exitCode, 1);
    EXPECT_TRUE(run({s("show"), name}).out.contains(s("K005,東京競馬場の1400～1800m")));

    EXPECT_EQ(run({s("rename"), name, s("距離延長")}).exitCode, 2) << "rename onto an existing name";
    EXPECT_EQ(run({s("rename"), name, s("東京''マイル")}).exitCode, 0);
    EXPECT_EQ(run({s("move"), s("東京''マイル"), s("ダート'短距離")}).exitCode, 0);
    const Result grouped = run({s("list"), s("--group"), s("ダート'短距離")});
    EXPECT_TRUE(grouped.out.contains(s("\n東京''マイル\tダート'短距離\tTrue\t"))) << grouped.out.toStdString();
    EXPECT_EQ(run({s("delete"), s("東京''マイル")}).exitCode, 0);
    EXPECT_EQ(run({s("delete"), s("東京''マイル")}).exitCode, 2);
    EXPECT_EQ(run({s("show"), s("東京''マイル")}).exitCode, 1);
    EXPECT_EQ(run({s("list"), s("--group"), s("ダート'短距離")}).exitCode, 1);
    EXPECT_EQ(run({s("bogus")}).exitCode, 2);
}

} // namespace
} // namespace tq::favourites
