// The favourites command end to end on generated data: add (analysing a
// condition file), list, show, rename, move, delete, with a name containing
// "'" and Japanese group names; the overwrite question answered by --no and
// --yes; refusals reported with exit status 2.

#include "favourites/FavouriteStore.h"
#include "support/SharedGeneratedData.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QMap>
#include <QRegularExpression>

namespace tq::favourites {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

using Result = support::GeneratedData::ProgramRun;

class FavouritesCommandTest : public support::SharedGeneratedData {
protected:
    static Result run(const QStringList& args) { return data().runProgram(QStringList{s("favourites")} + args); }

    static QString example(const char* name)
    {
        return QDir(s(TQ_SOURCE_DIR "/examples")).filePath(s(name));
    }

};


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

// "header  value" lines of analyze and "header\tvalue" lines of show, as a map.
QMap<QString, QString> fields(const QString& out)
{
    QMap<QString, QString> map;
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        const QStringList parts = line.split(QRegularExpression(s("\\s+")), Qt::SkipEmptyParts);
        if (parts.size() == 2)
            map.insert(parts[0], parts[1]);
    }
    return map;
}

TEST_F(FavouritesCommandTest, ExportImportRecalcAndConvert)
{
    const QString file = example("tokyo-1400-1800.tqb");
    ASSERT_EQ(run({s("add"), file, s("--name"), s("交換'1"), s("--group"), s("交換組")}).exitCode, 0);
    const QString tqa = QDir(data().programDir()).filePath(s("out.tqa"));
    const Result exported = run({s("export"), tqa, s("--group"), s("交換組")});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    EXPECT_EQ(run({s("export"), tqa, s("無い名前")}).exitCode, 1);

    const Result imported = run({s("import"), tqa, s("--prefix"), s("B_"), s("--group"), s("取込")});
    ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    const Result original = run({s("show"), s("交換'1")});
    const Result copy = run({s("show"), s("B_交換'1")});
    ASSERT_EQ(copy.exitCode, 0);
    EXPECT_TRUE(copy.out.contains(s("グループ名\t取込\n")));
    const auto originalFields = fields(original.out);
    const auto copyFields = fields(copy.out);
    for (const char* column : {"総件数", "勝率", "単回収率", "最低勝率", "戻り均等最低単回収率"})
        EXPECT_EQ(copyFields.value(s(column)), originalFields.value(s(column))) << column;
    // The same file again: the overwrite question answered No for each.
    EXPECT_EQ(run({s("import"), tqa, s("--prefix"), s("B_"), s("--no")}).exitCode, 1);

    const Result recalculated = run({s("recalc"), s("--group"), s("取込")});
    ASSERT_EQ(recalculated.exitCode, 0) << recalculated.err.toStdString();
    EXPECT_TRUE(recalculated.err.contains(s("更新 1 件"))) << recalculated.err.toStdString();
    const Result analyze = data().runProgram({s("analyze"), file});
    ASSERT_NE(analyze.exitCode, -1) << analyze.err.toStdString();
    const auto analysed = fields(analyze.out);
    const auto stored = fields(run({s("show"), s("B_交換'1")}).out);
    for (const char* column : {"総件数", "１着件数", "勝率", "複回収率", "平均頭数"})
        EXPECT_EQ(stored.value(s(column)), analysed.value(s(column))) << column;

    const Result converted = run({s("convert-no-prerace")});
    EXPECT_EQ(converted.exitCode, 0) << converted.err.toStdString();
    EXPECT_TRUE(converted.err.contains(s("失敗 0 件"))) << converted.err.toStdString();
}

} // namespace
} // namespace tq::favourites
