// The store over お気に入り: round trips of names with "'" and Japanese
// groups, overwrite keeping the statistics it is not given, refused renames
// and moves that leave the table as it was, the organise dialog's batch
// being all or nothing, the tree's two reads, and the favourite-race
// restriction reading what the store wrote.

#include "FavouritesFixture.h"

#include "common/ErrorLog.h"
#include "conditions/FavouriteRestriction.h"
#include "favourites/FavouriteStore.h"

namespace tq::favourites {
namespace {

Favourite favourite(const QString& name, const QString& group, const QString& where = s("D番組データ.距離 = 1200"))
{
    Favourite f;
    f.name = name;
    f.group = group;
    f.whereText = where;
    f.conditionText = s("MODE, 0\r\n");
    f.statistics[0] = 9;
    f.statistics[5] = 12.5;
    f.registered = QDateTime(QDate(2025, 3, 1), QTime(10, 30));
    return f;
}

QStringList names(const std::vector<FavouriteEntry>& entries)
{
    QStringList out;
    for (const FavouriteEntry& e : entries)
        out << e.group + QLatin1Char('/') + e.name;
    return out;
}

QStringList allRows(store::Database& db)
{
    QStringList out;
    for (store::Recordset rs = db.openRecordset(s("select 名称,グループ名,表示 from お気に入り order by 名称"));
         !rs.isEOF(); rs.moveNext())
        out << rs.field(0).toText() + QLatin1Char('|') + rs.field(1).toText() + QLatin1Char('|') +
                   rs.field(2).toText();
    return out;
}

using FavouriteStoreTest = FavouritesTest;

TEST_F(FavouriteStoreTest, NamesAndGroupsWithQuotesAndJapaneseRoundTrip)
{
    FavouriteStore store(db());
    for (const QString& name : {s("O'Brien's pick"), s("東京'芝"), s("'; drop table お気に入り; --")}) {
        SCOPED_TRACE(name.toStdString());
        Favourite f = favourite(name, s("グループ'Ａ"));
        f.colour = 0x00FF8040;
        f.show = false;
        store.save(f);
        const std::optional<Favourite> back = store.find(name);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->name, name);
        EXPECT_EQ(back->group, s("グループ'Ａ"));
        EXPECT_FALSE(back->show);
        EXPECT_EQ(back->colour, 0x00FF8040);
        EXPECT_EQ(back->statistics[0], 9.0);
        EXPECT_DOUBLE_EQ(*back->statistics[5], 12.5);
        EXPECT_FALSE(back->statistics[6].has_value());
        EXPECT_EQ(back->registered, f.registered);
    }
    EXPECT_EQ(store.list(s("グループ'Ａ")).size(), 3u);
}

TEST_F(FavouriteStoreTest, OverwriteKeepsStatisticsItIsNotGiven)
{
    FavouriteStore store(db());
    Favourite f = favourite(s("a"), s("g"));
    f.statistics[20] = 14.5;
    store.save(f);
    Favourite again = favourite(s("a"), s("h"));
    again.statistics[0] = 3;
    store.save(again);
    ASSERT_EQ(allRows(db()), QStringList{s("a|h|-1")});
    const Favourite back = *store.find(s("a"));
    EXPECT_EQ(back.statistics[0], 3.0);
    EXPECT_DOUBLE_EQ(*back.statistics[20], 14.5);
}

TEST_F(FavouriteStoreTest, RefusedChangesLeaveTheTableAsItWas)
{
    FavouriteStore store(db());
    store.save(favourite(s("a"), s("g")));
    store.save(favourite(s("b"), s("g")));
    const QStringList before = allRows(db());
    const std::function<void()> refused[] = {
        [&] { store.rename(s("a"), s("b")); },
        [&] { store.rename(s("a"), s("")); },
        [&] { store.rename(s("missing"), s("c")); },
        [&] { store.move(s("missing"), s("h")); },
        [&] { store.move(s("a"), s("")); },
        [&] { store.remove(s("missing")); },
        // Two favourites renamed onto one name (the deletion goes back too).
        [&] { store.reorganise({s("missing")}, {{s("a"), s("x"), s("g"), true}, {s("b"), s("x"), s("g"), true}}); },
        // Swapping names through sequential updates would leave two rows "b".
        [&] { store.reorganise({}, {{s("a"), s("b"), s("g"), true}, {s("b"), s("a"), s("g"), true}}); },
        [&] { store.reorganise({s("a")}, {{s("b"), s(" "), s("g"), true}}); },
    };
    for (std::size_t i = 0; i < std::size(refused); ++i) {
        SCOPED_TRACE(i);
        EXPECT_THROW(refused[i](), FavouriteError);
        EXPECT_EQ(allRows(db()), before);
    }
}

TEST_F(FavouriteStoreTest, RenameMoveDeleteAndReorganise)
{
    FavouriteStore store(db());
    for (const char* name : {"a", "b", "c"})
        store.save(favourite(s(name), s("g")));
    store.rename(s("a"), s("a'2"));
    store.move(s("a'2"), s("新しい'組"));
    store.remove(s("b"));
    EXPECT_EQ(allRows(db()), (QStringList{s("a'2|新しい'組|-1"), s("c|g|-1")}));
    store.reorganise({s("c")}, {{s("a'2"), s("d"), s("お気に入り"), false}});
    EXPECT_EQ(allRows(db()), QStringList{s("d|お気に入り|0")});
}

TEST_F(FavouriteStoreTest, TreeReadsGroupsThenTopLevelAndSkipNullGroups)
{
    FavouriteStore store(db());
    store.save(favourite(s("z"), s("お気に入り")));
    store.save(favourite(s("b"), s("芝")));
    store.save(favourite(s("a"), s("芝")));
    store.save(favourite(s("c"), s("ダート")));
    db().execute(s("INSERT INTO お気に入り (名称) VALUES ('orphan')"));
    EXPECT_EQ(names(store.groupedEntries()), (QStringList{s("ダート/c"), s("芝/a"), s("芝/b")}));
    EXPECT_EQ(names(store.topLevelEntries()), QStringList{s("お気に入り/z")});
}

TEST_F(FavouriteStoreTest, RestrictionOfAGroupOfThreeOrsTheirWhereTexts)
{
    FavouriteStore store(db());
    store.save(favourite(s("a"), s("組'1"), s("w1")));
    store.save(favourite(s("b"), s("組'1"), s("w2")));
    store.save(favourite(s("c"), s("組'1"), s("w3")));
    store.save(favourite(s("d"), s("other"), s("w4")));
    const QString text =
        conditions::funFavoWhere(ctx.catalogue, ctx.appDb.get(), ctx.errorLog, true, s("組'1"), false, {}, {});
    EXPECT_EQ(text, s("((w1) OR (w2) OR (w3))"));
    const QString race =
        conditions::funFavoWhere(ctx.catalogue, ctx.appDb.get(), ctx.errorLog, false, s("d"), true, s(">"), s("1"));
    EXPECT_TRUE(race.endsWith(s(" WHERE (w4) group by D番組データ.レースキー HAVING COUNT(D競走馬データ.馬番) >1)")))
        << race.toStdString();
}

} // namespace
} // namespace tq::favourites
