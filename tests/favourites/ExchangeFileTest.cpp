// The exchange file: export and import into a fresh database reproduce every
// stored column but the registration time; import options and the overwrite
// question; a malformed file is refused with its line and registers nothing;
// a failed export leaves the earlier file.

#include "FavouritesFixture.h"

#include "common/TextCodec.h"
#include "common/TextFile.h"
#include "favourites/ExchangeFile.h"
#include "favourites/FavouriteStore.h"
#include "favourites/Registration.h"
#include "support/FileBytes.h"

#include <QFile>
#include <QRegularExpression>

#include <functional>

namespace tq::favourites {
namespace {

using support::readBytes;
using support::writeBytes;

class ExchangeFileTest : public FavouritesTest {
protected:
    void SetUp() override
    {
        FavouritesTest::SetUp();
        ASSERT_TRUE(fresh.isValid());
        support::addDistanceItem(target.catalogue);
        target.catalogue.appDir = fresh.path();
        target.appDb = store::Database::create(fresh.filePath(s("app.mdb")));
        support::createRaceTables(*target.appDb);
        support::createFavouriteTables(*target.appDb);
    }

    void add(const QString& name, const QString& group, bool show, qint32 colour, const QString& range, bool run)
    {
        analysis::AnalysisDocument doc;
        makeDocument(doc, range, run);
        FavoChoice choice;
        choice.name = name;
        choice.group = group;
        choice.show = show;
        choice.colour = colour;
        ASSERT_EQ(subFavoAdd(ctx, doc, choice), Registration::Stored);
    }

    // Two favourites as an export writes them.
    QString exportTwo()
    {
        add(s("短距離's"), s("芝'組"), false, 255, s("1000,1400"), true);
        add(s("マイル"), topLevelGroup(), true, kNoColour, s("1500,1700"), true);
        const QString path = dir.filePath(s("two.tqa"));
        EXPECT_EQ(subFavoExport(ctx, QString(), path), 2);
        return path;
    }

    QTemporaryDir fresh;
    context::ScriptedPrompter targetPrompter;
    context::SilentBusy targetBusy;
    context::AppContext target{targetPrompter, targetBusy};
};

TEST_F(ExchangeFileTest, ExportThenImportIntoAFreshDatabaseReproducesTheRows)
{
    add(s("短距離's"), s("芝'組"), false, 255, s("1000,1400"), true);
    add(s("マイル"), topLevelGroup(), true, kNoColour, s("1500,1700"), true);
    add(s("未分析"), s("組2"), true, 0x008000, s("1000,2000"), false);
    const QString path = dir.filePath(s("all.tqa"));
    ASSERT_EQ(subFavoExport(ctx, QString(), path), 3);

    const QByteArray bytes = readBytes(path);
    EXPECT_TRUE(bytes.endsWith(common::encodeCp932(s("K007,作者\r\n")))) << "CP932 and CR LF to the last line";
    const QStringList lines = common::decodeTextLines(bytes);
    EXPECT_TRUE(lines.contains(s("T003, 255")));
    EXPECT_TRUE(lines.contains(s("T003,-2147483643"))) << "no colour";
    EXPECT_TRUE(lines.contains(s("T002,False")));

    const std::optional<ImportSummary> summary = subFavoInport(target, path, {});
    ASSERT_TRUE(summary.has_value());
    EXPECT_EQ(summary->registered, 3);

    const std::vector<Favourite> before = FavouriteStore(db()).list();
    const std::vector<Favourite> after = FavouriteStore(*target.appDb).list();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        const Favourite& a = before[i];
        const Favourite& b = after[i];
        SCOPED_TRACE(a.name.toStdString());
        EXPECT_EQ(b.name, a.name);
        EXPECT_EQ(b.group, a.group);
        EXPECT_EQ(b.show, a.show);
        EXPECT_EQ(b.colour, a.colour);
        EXPECT_EQ(b.conditionText, a.conditionText);
        EXPECT_EQ(b.whereText, a.whereText);
        EXPECT_EQ(b.comment, a.comment);
        EXPECT_EQ(b.author, a.author);
        for (int c = 0; c < kStatisticCount; ++c)
            EXPECT_EQ(b.statistics[std::size_t(c)], a.statistics[std::size_t(c)]) << statisticColumns()[std::size_t(c)].toStdString();
    }
    EXPECT_TRUE(after[0].statistics[0].has_value());
}

TEST_F(ExchangeFileTest, ImportOptionsAndTheOverwriteQuestion)
{
    const QString path = exportTwo();
    ImportOptions options;
    options.group = s("新規");
    options.prefix = s("A_");
    ASSERT_EQ(subFavoInport(target, path, options)->registered, 2);
    const std::vector<Favourite> renamed = FavouriteStore(*target.appDb).list();
    ASSERT_EQ(renamed.size(), 2u);
    for (const Favourite& f : renamed) {
        EXPECT_TRUE(f.name.startsWith(s("A_"))) << f.name.toStdString();
        EXPECT_EQ(f.group, s("新規"));
    }

    // Into the source database: both exist; No keeps the first, Yes rewrites the second.
    prompter.pushAnswer(context::Answer::No);
    prompter.pushAnswer(context::Answer::Yes);
    const std::optional<ImportSummary> again = subFavoInport(ctx, path, {});
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->registered, 1);
    EXPECT_EQ(again->declined, 1);
    EXPECT_EQ(prompter.messages().front().text, s("既に登録されています。上書きしますか？"));
    const QString caption = prompter.messages().front().caption;
    EXPECT_TRUE(caption == s("お気に入り［短距離's］") || caption == s("お気に入り［マイル］"))
        << "the question names the favourite: " << caption.toStdString();
}

TEST(ExportFilePath, ANameWithoutExtensionGetsTqa)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/d/favos", "/d/favos.tqa"}, {"/d/favos.tqa", "/d/favos.tqa"}, {"/d/favos.txt", "/d/favos.txt"},
        {"/d.x/favos", "/d.x/favos.tqa"}};
    for (const auto& [typed, written] : cases)
        EXPECT_EQ(exportFilePath(s(typed)), s(written)) << typed;
}

TEST_F(ExchangeFileTest, AMalformedFileIsRefusedWithItsLineAndRegistersNothing)
{
    const QStringList good = common::decodeTextLines(readBytes(exportTwo()));
    const int second = int(good.lastIndexOf(QRegularExpression(s("T000,.*"))));
    ASSERT_GT(second, 4);
    struct Case {
        const char* what;
        std::function<void(QStringList&)> change;
        int line; // 1-based line reported
    };
    const std::vector<Case> cases{
        {"header out of order", [&](QStringList& l) { l.swapItemsAt(second + 1, second + 2); }, second + 2},
        {"表示 not True or False", [&](QStringList& l) { l[second + 2] = s("T002,Yes"); }, second + 3},
        {"colour not a number", [&](QStringList& l) { l[second + 3] = s("T003,red"); }, second + 4},
        {"header missing", [&](QStringList& l) { l.removeAt(second + 3); }, second + 4},
        {"condition item not in the catalogue", [&](QStringList& l) { l.insert(second + 5, s("J042,1")); },
         second + 6},
        {"not starting with T000", [&](QStringList& l) { l.prepend(s("x")); }, 1},
        {"last favourite cut off", [&](QStringList& l) { l.removeLast(); }, int(good.size()) - 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList lines = good;
        c.change(lines);
        const QString path = dir.filePath(s("bad.tqa"));
        writeBytes(path, common::encodeTextLines(lines));
        try {
            readExchangeFile(target, path);
            ADD_FAILURE() << "accepted";
        } catch (const common::TextFileError& e) {
            EXPECT_EQ(e.line(), c.line) << e.message().toStdString();
        }
        targetPrompter.clear();
        EXPECT_FALSE(subFavoInport(target, path, {}).has_value());
        ASSERT_EQ(targetPrompter.messages().size(), 1u);
        EXPECT_TRUE(targetPrompter.messages()[0].text.contains(s("%1 行目").arg(c.line)))
            << targetPrompter.messages()[0].text.toStdString();
        EXPECT_TRUE(FavouriteStore(*target.appDb).list().empty()) << "the good favourite before it stays out too";
    }

    // Bytes that are not CP932 in the second record, and a last line without its line end.
    QByteArray bytes = common::encodeTextLines(good);
    const QByteArray t1 = "T001,";
    bytes.insert(bytes.lastIndexOf(t1) + t1.size(), "\x85\x40");
    const QString path = dir.filePath(s("bytes.tqa"));
    writeBytes(path, bytes);
    EXPECT_FALSE(subFavoInport(target, path, {}).has_value());
    EXPECT_TRUE(targetPrompter.messages().back().text.contains(s("%1 行目").arg(second + 2)));
    writeBytes(path, common::encodeTextLines(good).chopped(2));
    EXPECT_FALSE(subFavoInport(target, path, {}).has_value());
    EXPECT_TRUE(targetPrompter.messages().back().text.contains(s("%1 行目").arg(good.size())));
    EXPECT_TRUE(FavouriteStore(*target.appDb).list().empty());
}

TEST_F(ExchangeFileTest, AFailedExportLeavesTheEarlierFile)
{
    const QString path = exportTwo();
    const QByteArray earlier = readBytes(path);
    add(s("絵文字\U0001F600"), s("組"), true, kNoColour, s("1000,1400"), false);
    EXPECT_FALSE(subFavoExport(ctx, QString(), path).has_value());
    EXPECT_EQ(readBytes(path), earlier);
    EXPECT_FALSE(prompter.messages().empty());
}

} // namespace
} // namespace tq::favourites
