// The three add-in programs on generated race data, started the way the main
// program starts them (registry row, command line, hand-over files) and run
// headless with --png / --csv: what they draw, list and refuse; and the race
// viewer left running, which the main program must not start twice and
// which follows a new race handed over through DEZide.ini.

#include "ChartData.h"
#include "RaceCard.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/ConditionFile.h"
#include "analysis/HorseList.h"
#include "common/TextFile.h"
#include "favourites/AddIns.h"
#include "favourites/ProcessStarter.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "support/GeneratedData.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>

namespace tq::addins {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QString builtProgram(const char* name)
{
    return QDir(QStringLiteral(TQ_BINARY_DIR "/bin")).filePath(QString::fromUtf8(name));
}

struct Finished {
    int exitCode = -1;
    QString out, err;
};

// Records what the main program would start; the running processes are the
// system's.
class RecordingStarter final : public favourites::ProcessStarter {
public:
    bool start(const QString& program, const QStringList& arguments, const QString&, QString&) override
    {
        started.push_back({program, arguments});
        return true;
    }
    QStringList runningExecutables() override { return favourites::SystemProcessStarter().runningExecutables(); }

    std::vector<std::pair<QString, QStringList>> started;
};

support::GeneratedData* g_data = nullptr;

class AddinPrograms : public ::testing::Test {
protected:
    static void SetUpTestSuite() { g_data = new support::GeneratedData(1, 5, 2); }
    static void TearDownTestSuite()
    {
        delete g_data;
        g_data = nullptr;
    }
    void SetUp() override
    {
        if (!g_data->ready())
            GTEST_SKIP() << g_data->problem();
    }

    static context::AppContext& ctx() { return g_data->context(); }
    static store::Database& db() { return *ctx().appDb; }
    static QString appFile(const char* name) { return QDir(g_data->programDir()).filePath(s(name)); }

    // The environment the programs run in: this data's KORVEN.INI, no display.
    static QProcessEnvironment environment()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KORVEN_INI"), QDir(g_data->programDir()).filePath(QStringLiteral("../KORVEN.INI")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }

    static Finished run(const QString& program, const QStringList& arguments,
                        const QProcessEnvironment& env = environment())
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(g_data->programDir());
        process.start(program, arguments);
        Finished result;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    static QString firstText(const QString& sql)
    {
        store::Recordset rs = db().openRecordset(sql);
        return rs.isEOF() ? QString() : rs.field(0).toText();
    }
    static qint64 count(const QString& sql) { return firstText(sql).toLongLong(); }
};

// A picture of the expected width and at least `minHeight` high in which a
// fair share of pixels is drawn (not the background colour of the first
// pixel).
void expectDrawnPng(const QString& path, int width, int minHeight)
{
    const QImage image(path);
    ASSERT_FALSE(image.isNull()) << path.toStdString();
    EXPECT_EQ(image.width(), width);
    EXPECT_GE(image.height(), minHeight);
    const QRgb background = image.pixel(0, 0);
    qint64 drawn = 0;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            drawn += image.pixel(x, y) != background;
    EXPECT_GT(drawn, qint64(image.width() / 4) * (image.height() / 4) / 20);
}

// The CSV lines as fields (header first).
std::vector<QStringList> readCsv(const QString& path)
{
    std::vector<QStringList> rows;
    for (const QString& line : common::readTextLines(path)) {
        QStringList fields;
        EXPECT_TRUE(chart::splitCsvLine(line, fields));
        rows.push_back(fields);
    }
    return rows;
}

TEST_F(AddinPrograms, GraphStartsThroughItsRegistryRowAndDrawsTheHandedResult)
{
    const Finished registered = run(builtProgram("REDivor"), {QStringLiteral("--register")});
    ASSERT_EQ(registered.exitCode, 0) << registered.err.toStdString();
    EXPECT_EQ(QFileInfo(favourites::funAddinPath(ctx(), s("REDivor"), s("REDivor.exe"))).canonicalFilePath(),
              QFileInfo(builtProgram("REDivor")).canonicalFilePath());

    // The result table as the graph request writes it (the same CSV writer).
    const QString csv = appFile("REDivor.csv");
    const Finished analysed = run(builtProgram("DEVovuved"), {s("--app-dir"), g_data->programDir(), s("analyze"),
                                                               s(TQ_SOURCE_DIR "/examples/keys-distance-turf.tqb"),
                                                               s("--csv"), csv});
    ASSERT_EQ(analysed.exitCode, 0) << analysed.err.toStdString();

    RecordingStarter starter;
    ASSERT_TRUE(favourites::subGraphShow(ctx(), starter, s("芝距離別【距離】")));
    ASSERT_EQ(starter.started.size(), 1u);
    const auto& [program, arguments] = starter.started.front();
    EXPECT_EQ(QFileInfo(program).canonicalFilePath(), QFileInfo(builtProgram("REDivor")).canonicalFilePath());

    const QString png = appFile("chart.png");
    const Finished drawn = run(program, QStringList{s("--png"), png} + arguments);
    ASSERT_EQ(drawn.exitCode, 0) << drawn.err.toStdString();
    expectDrawnPng(png, 1200, 700);
}

TEST_F(AddinPrograms, BadCommandLinesAreToldWithoutAWindowSystem)
{
    // A platform that cannot start: the usage must come before it is needed.
    QProcessEnvironment noDisplay = environment();
    noDisplay.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    noDisplay.remove(QStringLiteral("DISPLAY"));
    noDisplay.remove(QStringLiteral("WAYLAND_DISPLAY"));
    for (const char* program : {"DEZide", "ZAVozivuzar", "REDivor"})
        for (const QStringList& arguments : {QStringList{s("--bogus")}, QStringList{s("--app-dir")}}) {
            SCOPED_TRACE(std::string(program) + " " + arguments.join(QLatin1Char(' ')).toStdString());
            const Finished result = run(builtProgram(program), arguments, noDisplay);
            EXPECT_EQ(result.exitCode, 2);
            EXPECT_TRUE(result.err.startsWith(s(program) + s(": ")) &&
                        (result.err.contains(s("usage: ")) || result.err.contains(s("--app-dir needs a value"))))
                << result.err.toStdString();
        }
}

TEST_F(AddinPrograms, GraphRefusesMissingOrGarbageTablesWithoutDrawing)
{
    const QString garbage = appFile("garbage.csv");
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\x89PNG\r\n\x1a\n\x00\x00\xff\xfe garbage", 22));
    file.close();
    const struct {
        QString file;
        const char* message;
    } cases[] = {{appFile("none.csv"), "ファイルがありません"}, {garbage, "garbage.csv"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        const QString png = appFile("refused.png");
        const Finished result = run(builtProgram("REDivor"), {s("--png"), png, s("/F"), c.file, s("/T"), s("題")});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.err.contains(s("グラフを表示できません")) && result.err.contains(s(c.message)))
            << result.err.toStdString();
        EXPECT_FALSE(QFile::exists(png));
    }
}

TEST_F(AddinPrograms, ViewerShowsAHandedPastRaceOrSaysItDoesNotExist)
{
    const QString iniPath = appFile("DEZide.ini");
    QFile::remove(iniPath);
    const QString png = appFile("race.png");
    Finished result = run(builtProgram("DEZide"), {s("--png"), png});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(s("レースキーが指定されていません"))) << result.err.toStdString();

    analysis::writeViewerRaceKey(g_data->programDir(), s("99999999"));
    result = run(builtProgram("DEZide"), {s("--png"), png});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(s("レースキー「99999999」のレースはありません"))) << result.err.toStdString();
    EXPECT_FALSE(QFile::exists(png));

    const QString key = firstText(s("SELECT レースキー FROM D払戻情報データ WHERE 単勝払戻１ > 0 ORDER BY レースキー"));
    ASSERT_FALSE(key.isEmpty());
    analysis::writeViewerRaceKey(g_data->programDir(), key);
    result = run(builtProgram("DEZide"), {s("--png"), png});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(s("RACE_KEY=") + key));
    expectDrawnPng(png, 1000, 600);
}

TEST_F(AddinPrograms, RaceCardHoldsRunnersResultsAndPayouts)
{
    const QString past = firstText(s("SELECT レースキー FROM D払戻情報データ WHERE 単勝払戻１ > 0 ORDER BY レースキー"));
    QString error;
    const auto card = viewer::loadRace(db(), past, error);
    ASSERT_TRUE(card) << error.toStdString();
    EXPECT_TRUE(card->past);
    EXPECT_EQ(qint64(card->runners.size()), count(s("SELECT COUNT(*) FROM D競走馬データ WHERE レースキー = '") + past + s("'")));
    const QString winner = firstText(s("SELECT 単勝馬番１ FROM D払戻情報データ WHERE レースキー = '") + past + s("'"));
    const auto won = std::find_if(card->runners.begin(), card->runners.end(),
                                  [&](const viewer::Runner& r) { return r.number == winner; });
    ASSERT_NE(won, card->runners.end());
    EXPECT_EQ(won->finish, s("1"));
    ASSERT_FALSE(card->payouts.empty());
    EXPECT_EQ(card->payouts.front().betType, s("単勝"));
    EXPECT_EQ(card->payouts.front().amount,
              count(s("SELECT 単勝払戻１ FROM D払戻情報データ WHERE レースキー = '") + past + s("'")));

    const QString today = firstText(s("SELECT レースキー FROM T番組データ ORDER BY レースキー"));
    const auto todayCard = viewer::loadRace(db(), today, error);
    ASSERT_TRUE(todayCard) << error.toStdString();
    EXPECT_FALSE(todayCard->past);
    EXPECT_TRUE(todayCard->payouts.empty());
    EXPECT_EQ(qint64(todayCard->runners.size()),
              count(s("SELECT COUNT(*) FROM T競走馬データ WHERE レースキー = '") + today + s("'")));

    const struct {
        const char* betType;
        const char* code;
        const char* shown;
    } combinations[] = {{"単勝", "05", "5"}, {"枠連", "37", "3-7"}, {"馬連", "0307", "3-7"},
                        {"馬単", "0703", "7→3"}, {"３連複", "010210", "1-2-10"}};
    for (const auto& c : combinations)
        EXPECT_EQ(viewer::formatCombination(s(c.betType), s(c.code)), s(c.shown)) << c.betType;
}

TEST_F(AddinPrograms, RunningViewerIsNotStartedAgainAndFollowsTheHandOverFile)
{
    const QString first = firstText(s("SELECT レースキー FROM D番組データ ORDER BY レースキー"));
    const QString second = firstText(s("SELECT レースキー FROM T番組データ ORDER BY レースキー"));
    analysis::writeViewerRaceKey(g_data->programDir(), first);

    QProcess viewer;
    viewer.setProcessEnvironment(environment());
    viewer.start(builtProgram("DEZide"), {s("--app-dir"), g_data->programDir()});
    ASSERT_TRUE(viewer.waitForStarted());
    const auto waitFor = [&viewer](const QString& line) {
        QElapsedTimer clock;
        clock.start();
        QString out;
        while (!out.contains(line) && clock.elapsed() < 20000 && viewer.state() == QProcess::Running) {
            viewer.waitForReadyRead(200);
            out += QString::fromUtf8(viewer.readAllStandardOutput());
        }
        return out.contains(line);
    };
    ASSERT_TRUE(waitFor(s("RACE_KEY=") + first)) << viewer.readAllStandardError().toStdString();

    // Started through its registry row, which the running viewer wrote.
    EXPECT_EQ(QFileInfo(favourites::funAddinPath(ctx(), s("DEZide"), s("DEZide.exe"))).canonicalFilePath(),
              QFileInfo(builtProgram("DEZide")).canonicalFilePath());
    RecordingStarter starter;
    EXPECT_TRUE(favourites::subViewShow(ctx(), starter));
    EXPECT_TRUE(starter.started.empty());

    analysis::writeViewerRaceKey(g_data->programDir(), second);
    EXPECT_TRUE(waitFor(s("RACE_KEY=") + second));

    viewer.kill();
    viewer.waitForFinished();
    starter.started.clear();
    EXPECT_TRUE(favourites::subViewShow(ctx(), starter));
    EXPECT_EQ(starter.started.size(), 1u);
}

TEST_F(AddinPrograms, TodaysFavouritesListsRunnersPublishedColumnsAndFailures)
{
    const QString all = s("SELECT COUNT(*) FROM T番組データ INNER JOIN T競走馬データ ON T番組データ.レースキー = "
                          "T競走馬データ.レースキー WHERE ");
    const QString shortRaces = s("T番組データ.距離 <= 1400");
    const QString favourite = s("T競走馬データ.基準人気 = 1");
    const qint64 shortCount = count(all + shortRaces);
    const qint64 favouriteCount = count(all + favourite);
    ASSERT_GT(shortCount, 0);
    ASSERT_GT(favouriteCount, 0);

    db().execute(s("DELETE FROM お気に入り"));
    const auto add = [](const char* name, bool shown, const QString& where) {
        db().execute(s("INSERT INTO お気に入り (名称, グループ名, 表示, ＷＨＥＲＥ文, 総件数, 勝率) VALUES ('") + s(name) +
                     s("', 'G', ") + (shown ? s("True") : s("False")) + s(", '") + QString(where).replace(s("'"), s("''")) +
                     s("', 120, 12.5)"));
    };
    add("短距離", true, shortRaces);
    add("一番人気", true, favourite);
    add("古い条件", true, s("T競走馬データ.旧項目 > 1"));
    add("非表示", false, s("T番組データ.距離 > 0"));
    // Stored conditions: one on a value known before the race, one on the
    // final odds, which today's races do not have yet.
    const auto storeConditions = [](const char* name, const char* item, const char* value) {
        analysis::AnalysisDocument document;
        conditions::ConditionRow row;
        row.itemName = s(item);
        row.value = s(value);
        document.conditions.rows = {row};
        db().execute(s("UPDATE お気に入り SET 条件 = '") +
                     analysis::conditionText(ctx(), document).replace(s("'"), s("''")) + s("' WHERE 名称 = '") + s(name) +
                     s("'"));
    };
    storeConditions("短距離", "距離", "1000,1400");
    storeConditions("一番人気", "確定単勝オッズ", "1,3");

    // A column another program publishes for today's runners.
    const QString runner = firstText(s("SELECT T競走馬データ.レースキー & '|' & T競走馬データ.馬番 FROM T競走馬データ "
                                       "WHERE ") + favourite);
    const QStringList key = runner.split(u'|');
    db().execute(s("CREATE TABLE 本日のテスト (レースキー CHAR(8), 馬番 CHAR(2), 指数 LONG)"));
    db().execute(s("INSERT INTO 本日のテスト VALUES ('") + key[0] + s("', '") + key[1] + s("', 77)"));
    db().execute(s("INSERT INTO Sアドイン項目管理 VALUES ('DEVovuved', 'B', '") + ctx().appDbPath() +
                 s("', '本日のテスト', '指数', ' ')"));

    // Its first run registers it; the main program then starts that file.
    const Finished registered = run(builtProgram("ZAVozivuzar"), {QStringLiteral("--register")});
    ASSERT_EQ(registered.exitCode, 0) << registered.err.toStdString();
    RecordingStarter starter;
    ASSERT_TRUE(favourites::subFavoToday(ctx(), starter));
    ASSERT_EQ(starter.started.size(), 1u);
    const QString csv = appFile("today.csv");
    const Finished listed = run(starter.started.front().first, {s("--csv"), csv, s("--by-favourite")});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();

    const auto rows = readCsv(csv);
    ASSERT_FALSE(rows.empty());
    const QStringList& header = rows.front();
    const int name = int(header.indexOf(s("お気に入り名称")));
    const int error = int(header.indexOf(s("エラー")));
    const int index = int(header.indexOf(s("指数")));
    const int race = int(header.indexOf(s("レースキー")));
    const int number = int(header.indexOf(s("馬番")));
    const int warning = int(header.indexOf(s("警告")));
    ASSERT_TRUE(name >= 0 && error >= 0 && index >= 0 && race >= 0 && number >= 0 && warning >= 0)
        << header.join(u',').toStdString();
    std::map<QString, qint64> perFavourite;
    std::map<QString, QString> warnings;
    QString failure, published;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const QStringList& row = rows[i];
        if (!row.at(warning).isEmpty()) {
            EXPECT_TRUE(row.at(race).isEmpty());
            warnings[row.at(name)] += row.at(warning);
            continue;
        }
        ++perFavourite[row.at(name)];
        if (row.at(name) == s("古い条件"))
            failure = row.at(error);
        if (row.at(race) + s("|") + row.at(number) == runner && row.at(name) == s("一番人気"))
            published = row.at(index);
    }
    EXPECT_EQ(published, s("77"));
    EXPECT_EQ(perFavourite[s("短距離")], shortCount);
    EXPECT_EQ(perFavourite[s("一番人気")], favouriteCount);
    EXPECT_EQ(perFavourite[s("古い条件")], 1);
    EXPECT_TRUE(failure.startsWith(s("条件を本日のデータで実行できません（"))) << failure.toStdString();
    EXPECT_TRUE(failure.contains(s("旧項目"))) << failure.toStdString();
    EXPECT_EQ(perFavourite.count(s("非表示")), 0u);
    // One warning line, for the favourite on the final odds only.
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(warnings[s("一番人気")].contains(s("確定単勝オッズ"))) << warnings.begin()->second.toStdString();

    // The runners found, once each, for the programs reading Tお気に入り該当馬.
    EXPECT_EQ(count(s("SELECT COUNT(*) FROM Tお気に入り該当馬")),
              count(all + s("(") + shortRaces + s(" OR ") + favourite + s(")")));
    EXPECT_EQ(count(s("SELECT MAX(お気に入り件数) FROM Tお気に入り該当馬")),
              count(all + shortRaces + s(" AND ") + favourite) > 0 ? 2 : 1);

    db().execute(s("UPDATE お気に入り SET 表示 = False"));
    const Finished none = run(builtProgram("ZAVozivuzar"), {s("--csv"), appFile("none.csv")});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains(s("表示するお気に入りがありません"))) << none.err.toStdString();
}

} // namespace
} // namespace tq::addins
