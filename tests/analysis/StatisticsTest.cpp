// The statistics engine over hand-built analysis rows: a table shaped like the
// analysis statement's columns in a temporary database, read back in a fixed
// order, with the expected cells worked out by hand.

#include "analysis/AnalysisDocument.h"
#include "analysis/ResultTable.h"
#include "analysis/Statistics.h"
#include "analysis/StatRow.h"
#include "context/AppContext.h"
#include "context/StatusLine.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "support/CatalogueItems.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include <functional>
#include <optional>
#include <type_traits>
#include <ostream>

static void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace tq::analysis {
namespace {

// Records every message; answers nothing else.
class RecordingPrompter final : public context::Prompter {
public:
    void inform(const context::Message& m) override { texts << m.text; }
    context::Answer ask(const context::Message& m, bool) override
    {
        texts << m.text;
        return context::Answer::Cancel;
    }
    bool inputText(const QString&, const QString&, QString&) override { return false; }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    bool pickColour(qint32&) override { return false; }
    QStringList texts;
};

// A busy window whose yield() runs a test hook; cancels after a number of rows.
// A run whose statement steps on another thread keeps the windows alive with
// keepAlive() instead: it counts the same.
class HookBusy final : public context::Busy {
public:
    void show() override {}
    void hide() override {}
    void setProgress(const QString&) override {}
    void yield() override
    {
        ++yields;
        if (hook)
            hook();
    }
    void keepAlive() override { yield(); }
    bool cancelled() const override { return cancelAfter >= 0 && yields > cancelAfter; }
    int yields = 0;
    int cancelAfter = -1;
    std::function<void()> hook;
};

// Feeds the default list with the race key and horse number of each row.
class RecordingList final : public HorseListBuilder {
public:
    void prepare(Sheet& list, const AnalysisColumns&) override
    {
        list.clear();
        list.setColumnCount(2);
        ++prepared;
    }
    void addRow(Sheet& list, const store::Row& row, const AnalysisColumns& c) override
    {
        const int r = list.appendRow();
        list.setText(r, 0, row.field(c.raceKey).toText());
        list.setText(r, 1, row.field(c.horseNumber).toText());
    }
    int prepared = 0;
};

// One analysis row. Payout slots are "horse:payout" lists, e.g. "3:400,5:300".
struct Runner {
    Runner(QString raceKey, int number, std::optional<int> position = {}, QString winSlots = {},
           QString placeSlots = {})
        : race(std::move(raceKey)), horse(number), finish(position), win(std::move(winSlots)),
          place(std::move(placeSlots))
    {
    }
    QString race;
    int horse = 0;
    std::optional<int> finish;
    QString win;   // win slots of the race (repeat them on every runner of the race)
    QString place; // place slots of the race
    std::optional<double> odds = 5.0;
    QString abnormal = QStringLiteral("0");
    QString date = QStringLiteral("20030105");
    QStringList keys; // SQL literals of the key columns K0, K1, ...
};

class StatisticsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ctx.appDb = store::Database::create(m_dir.filePath(QStringLiteral("app.mdb")));
        ctx.errorLog.setLogFileName(m_dir.filePath(QStringLiteral("tq.log")));
    }

    // Creates the rows table with `keyColumns` key columns named by `keyNames`.
    void makeTable(const QStringList& keyNames = {}, const QString& keyType = QStringLiteral("DOUBLE"))
    {
        QString sql = QStringLiteral("CREATE TABLE R (seq LONG, [レースキー] TEXT(8), [開催日] TEXT(8), "
                                     "[競走成績キー] TEXT(16), [馬番] TEXT(2), [馬名] TEXT(20)");
        for (int i = 1; i <= 3; ++i)
            sql += QStringLiteral(", [単勝馬番%1] TEXT(2), [単勝払戻%1] LONG").arg(QChar(0xFF10 + i));
        for (int i = 1; i <= 5; ++i)
            sql += QStringLiteral(", [複勝馬番%1] TEXT(2), [複勝払戻%1] LONG").arg(QChar(0xFF10 + i));
        sql += QStringLiteral(", [着順] LONG, [異常区分] TEXT(1), [成績騎手] TEXT(12), [確定単勝オッズ] DOUBLE, "
                              "[確定複勝オッズ] DOUBLE");
        for (const QString& k : keyNames)
            sql += QStringLiteral(", [") + k + QStringLiteral("] ") + keyType;
        ctx.appDb->execute(sql + QStringLiteral(")"));
        m_keyCount = int(keyNames.size());
    }

    static QStringList slotValues(const QString& slotText, int count)
    {
        QStringList out;
        const QStringList parts = slotText.split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (int i = 0; i < count; ++i) {
            if (i < parts.size()) {
                const QStringList hp = parts[i].split(QLatin1Char(':'));
                out << QStringLiteral("'") + hp[0] + QStringLiteral("'") << hp[1];
            } else {
                out << QStringLiteral("Null") << QStringLiteral("Null");
            }
        }
        return out;
    }

    void add(const Runner& r)
    {
        QStringList v;
        v << QString::number(++m_seq) << (r.race.isNull() ? QStringLiteral("Null") : QStringLiteral("'") + r.race + QStringLiteral("'"))
          << QStringLiteral("'") + r.date + QStringLiteral("'")
          << QStringLiteral("'") + r.race + QString::number(r.horse) + QStringLiteral("'")
          << QStringLiteral("'%1'").arg(r.horse, 2, 10, QLatin1Char('0')) << QStringLiteral("'馬'");
        v << slotValues(r.win, 3) << slotValues(r.place, 5);
        v << (r.finish ? QString::number(*r.finish) : QStringLiteral("Null"))
          << QStringLiteral("'") + r.abnormal + QStringLiteral("'") << QStringLiteral("'騎手'")
          << (r.odds ? QString::number(*r.odds) : QStringLiteral("Null")) << QStringLiteral("Null");
        for (int i = 0; i < m_keyCount; ++i)
            v << r.keys.value(i, QStringLiteral("Null"));
        ctx.appDb->execute(QStringLiteral("INSERT INTO R VALUES (") + v.join(QLatin1Char(',')) + QStringLiteral(")"));
    }

    // Ten runners of one race: places 1, 2, 3, seven unplaced; win 350; place 150, 200, 180.
    void addTenRunnerRace(const QString& race = QStringLiteral("R1"))
    {
        for (int h = 1; h <= 10; ++h) {
            Runner r{race, h, h}; // places 1-3, then unplaced
            r.win = QStringLiteral("1:350");
            r.place = QStringLiteral("1:150,2:200,3:180");
            add(r);
        }
    }

    void setKeys(const QList<QPair<QString, QString>>& keys)
    {
        for (int i = 0; i < keys.size(); ++i) {
            doc.conditions.keys[std::size_t(i)].key = keys[i].first;
            doc.conditions.keys[std::size_t(i)].range.text = keys[i].second;
        }
    }

    bool run(bool silent = false)
    {
        return subKekkaHyouji(ctx, doc, QStringLiteral("SELECT * FROM R ORDER BY seq"), silent, services);
    }

    // The shown text of a result cell by header.
    QString cell(const Sheet& sheet, int row, const QString& header) const
    {
        const int c = sheet.columnOfHeader(header);
        EXPECT_GE(c, 0) << header.toStdString();
        return c < 0 ? QString() : sheet.displayText(row, c);
    }

    void addItem(const QString& name, const QString& range, const QString& data = {})
    {
        support::addCatalogueItem(ctx.catalogue, name, {}, 0, data).range = range;
    }

    RecordingPrompter prompter;
    HookBusy busy;
    context::AppContext ctx{prompter, busy};
    AnalysisDocument doc;
    context::MemoryStatusLine status;
    RecordingList list;
    RunServices services{&status, &list, {}};

private:
    QTemporaryDir m_dir;
    int m_keyCount = 0;
    int m_seq = 0;
};

TEST_F(StatisticsTest, tenRunnerRaceWithoutKeys)
{
    makeTable();
    addTenRunnerRace();
    ASSERT_TRUE(run());

    const Sheet& t = doc.result;
    ASSERT_EQ(t.rowCount(), 1);
    ASSERT_EQ(t.columnCount(), 29);
    const QList<QPair<const char16_t*, const char*>> expected = {
        {u"総件数", "10"}, {u"１着件数", "1"}, {u"２着件数", "1"}, {u"３着件数", "1"}, {u"着外件数", "7"},
        {u"勝率", "10.0"}, {u"連対率", "20.0"}, {u"複勝率", "30.0"}, {u"単回収率", "35.0"},
        {u"複回収率", "53.0"}, {u"単平均配当", "350.0"}, {u"単最高配当", "350"}, {u"複平均配当", "176.7"},
        {u"複最高配当", "200"}, {u"最高配当抜き単回収率", "0.0"}, {u"最高配当抜き複回収率", "33.0"},
        {u"レース件数", "1"}, {u"レース勝率", "100.0"}, {u"レース連対率", "100.0"}, {u"レース複勝率", "100.0"},
        {u"平均頭数", "10.0"}, {u"単配当合計", "350.0"}, {u"複配当合計", "530.0"},
        // Lower bounds L(10, 1), L(10, 2), L(10, 3): 1.185, 4.013, 7.957.
        {u"最低勝率", "1.2"}, {u"最低連対率", "4.0"}, {u"最低複勝率", "8.0"},
        // Ten rows at odds 5: S = 2 (summed in single precision), 戻り均等 = 1 × 100 / 2.
        {u"均等購入額", "2.0"}, {u"戻り均等単回収率", "50.0"},
    };
    for (const auto& [header, text] : expected)
        EXPECT_EQ(cell(t, 0, QString::fromUtf16(header)), QString::fromUtf8(text)) << QString::fromUtf16(header).toStdString();
    // The decimal cell keeps the full value.
    EXPECT_DOUBLE_EQ(t.number(0, t.columnOfHeader(QStringLiteral("複平均配当"))), 530.0 / 3.0);
    EXPECT_NEAR(t.number(0, t.columnOfHeader(QStringLiteral("最低勝率"))), 1.1851, 0.00005);
    // Hidden sums, visible statistics.
    EXPECT_TRUE(t.isColumnHidden(26));
    EXPECT_TRUE(t.isColumnHidden(28));
    EXPECT_FALSE(t.isColumnHidden(25));

    // History, default list and status text.
    EXPECT_EQ(doc.history.rowCount(), 1);
    EXPECT_EQ(doc.historyConditions.size(), 1);
    EXPECT_EQ(doc.defaultList.rowCount(), 10);
    EXPECT_TRUE(doc.listsVisible);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^ → \\d\\d:\\d\\d:\\d\\d\\(DB取得\\)$"))
                    .match(status.text())
                    .hasMatch())
        << status.text().toStdString();
    EXPECT_TRUE(prompter.texts.isEmpty());
}

TEST_F(StatisticsTest, lowerBoundValues)
{
    // The 99 % Wilson lower bound in percent, to four decimals, and as shown.
    const struct {
        qint32 n, s;
        double value;
        const char* shown;
    } cases[] = {{100, 20, 11.7159, "11.7"}, {1000, 200, 16.9443, "16.9"}, {10, 5, 18.4225, "18.4"},
                 {1, 1, 13.0977, "13.1"},    {50, 0, 0.0, "0.0"}};
    static_assert(std::is_same_v<decltype(funSaiteiRitsu(1, 1)), float>, "the bound is kept in single precision");
    Sheet one;
    one.setColumnCount(1);
    one.appendRow();
    for (const auto& c : cases) {
        const float l = funSaiteiRitsu(c.n, c.s);
        EXPECT_NEAR(double(l), c.value, 0.00005) << c.n << "," << c.s;
        one.setDecimal(0, 0, double(l));
        EXPECT_EQ(one.displayText(0, 0), QString::fromLatin1(c.shown)) << c.n << "," << c.s;
    }
}

TEST_F(StatisticsTest, deadHeatThirdWithoutSlotAndExcludedRows)
{
    makeTable();
    // Race A: horses 3 and 5 dead-heat for first, each paid from its own slot;
    // horse 7 is third but the place bet paid only two horses.
    const QString win = QStringLiteral("3:400,5:300");
    const QString place = QStringLiteral("3:150,5:140");
    add({QStringLiteral("A"), 3, 1, win, place});
    add({QStringLiteral("A"), 5, 1, win, place});
    add({QStringLiteral("A"), 7, 3, win, place});
    add({QStringLiteral("A"), 8, 4, win, place});
    // Race B: only excluded rows (a winner among them): no race, no row, no list entry.
    Runner x{QStringLiteral("B"), 1, 1, QStringLiteral("1:900"), QStringLiteral("1:300")};
    x.abnormal = QStringLiteral("1");
    add(x);
    x.horse = 2;
    x.finish = 2;
    x.abnormal = QStringLiteral("2");
    add(x);
    ASSERT_TRUE(run());

    const Sheet& t = doc.result;
    const QList<QPair<const char16_t*, const char*>> expected = {
        {u"総件数", "4"},    {u"１着件数", "2"},   {u"３着件数", "1"},     {u"単配当合計", "700.0"},
        {u"単最高配当", "400"}, {u"複配当合計", "290.0"}, {u"複最高配当", "150"}, {u"レース件数", "1"},
        {u"レース勝率", "100.0"}, {u"単平均配当", "350.0"},
    };
    for (const auto& [header, text] : expected)
        EXPECT_EQ(cell(t, 0, QString::fromUtf16(header)), QString::fromUtf8(text)) << QString::fromUtf16(header).toStdString();
    EXPECT_EQ(doc.defaultList.rowCount(), 4);
}

TEST_F(StatisticsTest, allRowsExcludedWritesNothingButSucceeds)
{
    makeTable();
    Runner x{QStringLiteral("B"), 1, 1};
    x.abnormal = QStringLiteral("2");
    add(x);
    EXPECT_TRUE(run());
    EXPECT_EQ(doc.result.rowCount(), 0);
    EXPECT_EQ(doc.history.rowCount(), 0);
    EXPECT_TRUE(prompter.texts.isEmpty());
}

TEST_F(StatisticsTest, noRowsKeepsPreviousResultAndTellsUnlessSilent)
{
    makeTable();
    addTenRunnerRace();
    ASSERT_TRUE(run());
    ctx.appDb->execute(QStringLiteral("DELETE FROM R"));

    EXPECT_FALSE(run(true));
    EXPECT_TRUE(prompter.texts.isEmpty());
    EXPECT_FALSE(run(false));
    EXPECT_EQ(prompter.texts,
              QStringList{QStringLiteral("対象データは１件もありません、条件を変えて再度行って下さい")});
    EXPECT_EQ(doc.result.rowCount(), 1);
    EXPECT_EQ(doc.history.rowCount(), 1);
    EXPECT_EQ(doc.defaultList.rowCount(), 10);
}

TEST_F(StatisticsTest, rowsWithoutOddsAreCountedLeaveTheStakeAndReportTheirDateOnce)
{
    // Every row wins its own race paying 200; rows without odds (none or 0) add
    // nothing to the equal stake S. Each date is reported once, also when the
    // rows come back to it.
    struct Row {
        const char* date;
        std::optional<double> odds;
    };
    const QString tail = QStringLiteral("のデータが不完全（又は成績速報版）のため正しく分析が行えません");
    const struct {
        const char* name;
        std::vector<Row> rows;
        QStringList dates;
        QList<QPair<const char16_t*, const char*>> cells;
    } cases[] = {
        {"some rows without odds",
         {{"20030105", std::nullopt}, {"20030105", 0.0}, {"20030105", 4.0}, {"20030112", std::nullopt},
          {"20030105", std::nullopt}},
         {QStringLiteral("2003/01/05"), QStringLiteral("2003/01/12")},
         // S = 1 / 4 only.
         {{u"総件数", "5"}, {u"単配当合計", "1000.0"}, {u"均等購入額", "0.3"}, {u"戻り均等単回収率", "2000.0"}}},
        {"no row with odds",
         {{"20030105", std::nullopt}},
         {QStringLiteral("2003/01/05")},
         {{u"総件数", "1"}, {u"単配当合計", "200.0"}, {u"均等購入額", "0.0"}, {u"戻り均等単回収率", "0.0"},
          {u"戻り均等最低単回収率", "0.0"}}},
    };
    makeTable();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ctx.appDb->execute(QStringLiteral("DELETE FROM R"));
        int h = 0;
        for (const Row& r : c.rows) {
            ++h;
            Runner x{QStringLiteral("R") + QString::number(h), h, 1, QString::number(h) + QStringLiteral(":200")};
            x.date = QString::fromLatin1(r.date);
            x.odds = r.odds;
            add(x);
        }
        prompter.texts.clear();
        ASSERT_TRUE(run());
        QStringList expected;
        for (const QString& date : c.dates)
            expected << date + tail;
        EXPECT_EQ(prompter.texts, expected);
        for (const auto& [header, text] : c.cells)
            EXPECT_EQ(cell(doc.result, 0, QString::fromUtf16(header)), QString::fromUtf8(text))
                << QString::fromUtf16(header).toStdString();
    }
}

TEST_F(StatisticsTest, bucketedKeyGroupsRowsAndStoresNumericLabelsAsNumbers)
{
    addItem(QStringLiteral("距離"), QStringLiteral("0"));
    makeTable({QStringLiteral("距離"), QStringLiteral("前走距離")});
    setKeys({{QStringLiteral("距離"), QStringLiteral("2,200")}, {QStringLiteral("前走距離"), QString()}});
    const int values[][2] = {{1399, 1000}, {1400, 1000}, {1599, 1000}, {1600, 1200}};
    int h = 0;
    for (const auto& v : values) {
        Runner x{QStringLiteral("A"), ++h, 4};
        x.keys = {QString::number(v[0]), QString::number(v[1])};
        add(x);
    }
    ASSERT_TRUE(run());
    const Sheet& t = doc.result;
    ASSERT_EQ(t.columnCount(), 2 + 24);
    ASSERT_EQ(t.rowCount(), 3);
    const QStringList labels0 = {QStringLiteral(" 1200～ 1400"), QStringLiteral(" 1400～ 1600"),
                                 QStringLiteral(" 1600～ 1800")};
    const QStringList counts = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("1")};
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(t.displayText(r, 0), labels0[r]);
        EXPECT_EQ(t.kind(r, 0), CellKind::Text);
        EXPECT_EQ(t.kind(r, 1), CellKind::Integer); // "1000" is stored as a number
        EXPECT_EQ(cell(t, r, QStringLiteral("総件数")), counts[r]);
    }
    EXPECT_EQ(t.header(1), QStringLiteral("前走距離"));
    EXPECT_EQ(t.columnOfHeader(QStringLiteral("レース件数")), -1);
    EXPECT_EQ(doc.history.rowCount(), 0); // only ungrouped runs go to the history
}

TEST_F(StatisticsTest, repeatedLabelPairsMergeWithTwoLevelsButNotWithOne)
{
    addItem(QStringLiteral("V"), QStringLiteral("0"));
    addItem(QStringLiteral("C"), QStringLiteral("0"));
    addItem(QStringLiteral("X"), QStringLiteral("1"), QStringLiteral("1:甲,2:乙,3:甲"));
    makeTable({QStringLiteral("V"), QStringLiteral("C"), QStringLiteral("X")}, QStringLiteral("TEXT(10)"));

    // (1, A), (1, B), (3, A) labelled (" 0～ 10", A), (" 0～ 10", B), (" 0～ 10", A).
    const char* rows[][2] = {{"1", "A"}, {"1", "B"}, {"3", "A"}};
    int h = 0;
    for (const auto& v : rows) {
        ++h;
        Runner x{QStringLiteral("M"), h, h == 3 ? 1 : 5, QStringLiteral("03:500")};
        x.keys = {QString::fromLatin1(v[0]), QStringLiteral("'") + QString::fromLatin1(v[1]) + QStringLiteral("'"),
                  QString::number(h)};
        add(x);
    }
    setKeys({{QStringLiteral("V"), QStringLiteral("2,10")}, {QStringLiteral("C"), QString()}});
    ASSERT_TRUE(run());
    ASSERT_EQ(doc.result.rowCount(), 2);
    EXPECT_EQ(doc.result.displayText(0, 1), QStringLiteral("A"));
    EXPECT_EQ(cell(doc.result, 0, QStringLiteral("総件数")), QStringLiteral("2"));
    EXPECT_EQ(cell(doc.result, 0, QStringLiteral("１着件数")), QStringLiteral("1"));
    EXPECT_EQ(cell(doc.result, 0, QStringLiteral("勝率")), QStringLiteral("50.0"));
    EXPECT_EQ(cell(doc.result, 0, QStringLiteral("単配当合計")), QStringLiteral("500.0"));
    EXPECT_EQ(doc.result.displayText(1, 1), QStringLiteral("B"));

    // One level whose code labels repeat (甲, 乙, 甲): three rows.
    doc = AnalysisDocument();
    setKeys({{QStringLiteral("X"), QString()}});
    ASSERT_TRUE(run());
    ASSERT_EQ(doc.result.rowCount(), 3);
    EXPECT_EQ(doc.result.displayText(2, 0), QStringLiteral("甲"));
}

TEST_F(StatisticsTest, countRangesGroupRunsOfRowsLabelledWithTheirMean)
{
    // 1 to 250 with every tenth value Null: a Null adds nothing to the sum but
    // counts in N.
    QStringList withNulls;
    for (int i = 1; i <= 250; ++i)
        withNulls << (i % 10 == 0 ? QStringLiteral("Null") : QString::number(i));
    auto mean = [](int from, int to) {
        double sum = 0;
        for (int i = from; i <= to; ++i)
            sum += i % 10 == 0 ? 0 : i;
        return sum / (to - from + 1);
    };
    struct Group {
        int n;
        double label;
    };
    const struct {
        const char* name;
        QString range;
        QStringList values;
        std::vector<Group> groups;
        int reports; // entries under subKekkaHyouji
    } cases[] = {
        {"runs of a hundred", QStringLiteral("9,100"), withNulls,
         {{100, mean(1, 100)}, {100, mean(101, 200)}, {50, mean(201, 250)}}, 0},
        // Without a number every row is a group of its own; the range is reported once.
        {"no number", QStringLiteral("9"), {QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("6")},
         {{1, 2.0}, {1, 4.0}, {1, 6.0}}, 1},
    };
    addItem(QStringLiteral("オッズ"), QString());
    makeTable({QStringLiteral("オッズ")});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ctx.appDb->execute(QStringLiteral("DELETE FROM R"));
        doc = AnalysisDocument();
        setKeys({{QStringLiteral("オッズ"), c.range}});
        store::Transaction rows(*ctx.appDb);
        int i = 0;
        for (const QString& value : c.values) {
            ++i;
            Runner x{QStringLiteral("R%1").arg(i / 10, 3, 10, QLatin1Char('0')), i % 10 + 1, 5};
            x.keys = {value};
            add(x);
        }
        rows.commit();
        const auto before = ctx.errorLog.recentEntries().size();
        ASSERT_TRUE(run());
        ASSERT_EQ(doc.result.rowCount(), int(c.groups.size()));
        for (int r = 0; r < doc.result.rowCount(); ++r) {
            const Group& g = c.groups[std::size_t(r)];
            EXPECT_EQ(cell(doc.result, r, QStringLiteral("総件数")), QString::number(g.n)) << r;
            EXPECT_NEAR(doc.result.number(r, 0), g.label, 0.005) << r;
            EXPECT_EQ(doc.result.kind(r, 0), CellKind::Decimal) << r;
        }
        const auto entries = ctx.errorLog.recentEntries();
        ASSERT_EQ(entries.size(), before + c.reports);
        if (c.reports > 0) {
            EXPECT_EQ(entries.last().procedure, QStringLiteral("subKekkaHyouji"));
        }
    }
}

TEST_F(StatisticsTest, historyKeepsTheNewestHundredRunsWithTheirConditions)
{
    makeTable();
    addTenRunnerRace();
    int runs = 0;
    services.conditionText = [&](const AnalysisDocument&) { return QStringLiteral("run %1").arg(++runs); };
    for (int i = 0; i < 101; ++i)
        ASSERT_TRUE(run());
    EXPECT_EQ(doc.history.rowCount(), 100);
    ASSERT_EQ(doc.historyConditions.size(), 100);
    EXPECT_EQ(doc.historyConditions.first(), QStringLiteral("run 2"));
    EXPECT_EQ(doc.historyConditions.last(), QStringLiteral("run 101"));
    EXPECT_EQ(doc.history.columnCount(), 29);
    EXPECT_EQ(doc.result.rowCount(), 1);
}

TEST_F(StatisticsTest, cancelStopsBeforeTheNextRowAndLeavesTheHistory)
{
    addItem(QStringLiteral("V"), QStringLiteral("0"));
    makeTable({QStringLiteral("V")});
    setKeys({{QStringLiteral("V"), QString()}});
    for (int i = 1; i <= 6; ++i) {
        Runner x{QStringLiteral("A"), i, 5};
        x.keys = {QString::number((i + 1) / 2)}; // groups 1, 1, 2, 2, 3, 3
        add(x);
    }
    // One thread: the busy hook then yields once per row. With the stepping
    // thread, waiting for a batch yields too, so the count would depend on
    // how fast the other thread is.
    services.secondThread = false;
    busy.cancelAfter = 4; // the fifth row is never read
    EXPECT_FALSE(run());
    EXPECT_EQ(doc.result.rowCount(), 1); // group 1 written; group 2 was still open
    EXPECT_EQ(doc.history.rowCount(), 0);
    EXPECT_FALSE(doc.listsVisible);
    EXPECT_FALSE(doc.isRunning());
}

TEST_F(StatisticsTest, aSecondRunOfTheSameDocumentCannotStartWhileOneIsReading)
{
    makeTable();
    addTenRunnerRace();
    int nested = 0;
    bool nestedResult = true;
    busy.hook = [&] {
        if (nested++ == 0)
            nestedResult = run(true);
    };
    EXPECT_TRUE(run());
    EXPECT_FALSE(nestedResult);
    EXPECT_EQ(cell(doc.result, 0, QStringLiteral("総件数")), QStringLiteral("10"));
    EXPECT_EQ(doc.history.rowCount(), 1);
    busy.hook = nullptr;
    EXPECT_TRUE(run()); // the flag was released
}

TEST_F(StatisticsTest, storedWidthsAndThresholdColoursApplyToTheHeader)
{
    ctx.appDb->execute(QStringLiteral("CREATE TABLE 分析結果表示設定 (項目名 CHAR(50), 表示順 LONG, サイズ SINGLE)"));
    ctx.appDb->execute(QStringLiteral("INSERT INTO 分析結果表示設定 VALUES ('勝率', 1, 7.5)"));
    ctx.appDb->execute(QStringLiteral("INSERT INTO 分析結果表示設定 VALUES ('単配当合計', 1, 12)"));
    makeTable();
    addTenRunnerRace();
    ctx.colours.values = {35, 111, 10, 222, 19, 333, 80, 444}; // 回収率, 勝率, 連対率, 複勝率 thresholds
    ASSERT_TRUE(run());
    const Sheet& t = doc.result;
    auto col = [&](const char16_t* h) { return t.columnOfHeader(QString::fromUtf16(h)); };
    EXPECT_EQ(t.columnWidth(col(u"勝率")), 7.5);
    EXPECT_EQ(t.columnWidth(col(u"単配当合計")), 0.0); // hidden columns stay hidden
    EXPECT_EQ(t.columnWidth(col(u"総件数")), Sheet::kDefaultColumnWidth);
    // Strictly greater: 勝率 10.0 is not above 10; 連対率 20.0 is above 19; 複回収率 53 above 35; 単回収率 35 not.
    EXPECT_EQ(t.backColour(0, col(u"勝率")), Sheet::kDefaultColour);
    EXPECT_EQ(t.backColour(0, col(u"連対率")), 333);
    EXPECT_EQ(t.backColour(0, col(u"複回収率")), 111);
    EXPECT_EQ(t.backColour(0, col(u"単回収率")), Sheet::kDefaultColour);
    EXPECT_EQ(t.backColour(0, col(u"レース勝率")), Sheet::kDefaultColour);
}

TEST_F(StatisticsTest, writingIntoAnExistingTableMergesByTheShownLabels)
{
    const QStringList keys = {QStringLiteral("平均"), QStringLiteral("場")};
    StatRow a;
    a.n = 4;
    a.w1 = 1;
    a.w2 = 1;
    a.p = 300;
    a.q = 250;
    a.s = 0.5f;
    StatRow b;
    b.n = 6;
    b.w1 = 2;
    b.w3 = 2;
    b.p = 1000;
    b.q = 480;
    b.s = 0.25f;
    // The largest payouts of the merged row: each maximum once held by the
    // earlier row and once by the later group.
    const struct {
        qint32 earlierWin, earlierPlace, laterWin, laterPlace;
        const char *win, *place;
    } maxima[] = {{300, 150, 700, 120, "700", "150"}, {900, 110, 200, 400, "900", "400"}};
    for (const auto& m : maxima) {
        SCOPED_TRACE(m.win);
        a.mw = m.earlierWin;
        a.mp = m.earlierPlace;
        b.mw = m.laterWin;
        b.mp = m.laterPlace;
        StatRow earlier = a;
        StatRow later = b;
        Sheet table;
        GroupWriter(table, keys, nullptr, ctx.colours).write({QStringLiteral("12.35"), QStringLiteral("東京")}, earlier);
        // A later writer finds the row: "12.4" shows as the same text as "12.35".
        EXPECT_EQ(subKekkaGyou(table, keys, {QStringLiteral("12.4"), QStringLiteral("東京")}, later, nullptr, ctx.colours),
                  0);
        ASSERT_EQ(table.rowCount(), 1);
        EXPECT_EQ(later.n, 10);
        const QList<QPair<const char16_t*, const char*>> expected = {
            {u"総件数", "10"},       {u"１着件数", "3"},       {u"２着件数", "1"},         {u"３着件数", "2"},
            {u"単配当合計", "1300.0"}, {u"複配当合計", "730.0"}, {u"単最高配当", m.win}, {u"複最高配当", m.place},
            {u"単回収率", "130.0"},    {u"複回収率", "73.0"},
        };
        for (const auto& [header, text] : expected)
            EXPECT_EQ(cell(table, 0, QString::fromUtf16(header)), QString::fromUtf8(text))
                << QString::fromUtf16(header).toStdString();
        EXPECT_EQ(table.number(0, table.columnOfHeader(QStringLiteral("均等購入額"))), 0.75);

        // A different second label makes a new row; a group without rows writes nothing.
        StatRow c;
        c.n = 1;
        EXPECT_EQ(subKekkaGyou(table, keys, {QStringLiteral("12.4"), QStringLiteral("中山")}, c, nullptr, ctx.colours),
                  1);
        StatRow none;
        EXPECT_EQ(subKekkaGyou(table, keys, {QStringLiteral("1"), QStringLiteral("x")}, none, nullptr, ctx.colours),
                  -1);
        EXPECT_EQ(table.rowCount(), 2);
    }
}

TEST_F(StatisticsTest, payoutOfTheRowsHorseComparesNumbersByValue)
{
    makeTable();
    // The row's 馬番 is "05"; the slots hold "5" and "05".
    add({QStringLiteral("A"), 5, 1, QStringLiteral("3:400,5:300"), QStringLiteral("3:150,05:140,7:130")});
    add({QStringLiteral("A"), 9, 4, QStringLiteral("3:400,5:300"), QStringLiteral("3:150,05:140,7:130")});
    store::Recordset rs = ctx.appDb->openRecordset(QStringLiteral("SELECT * FROM R ORDER BY seq"));
    EXPECT_EQ(funHaraimodoshi(false, rs), 300);
    EXPECT_EQ(funHaraimodoshi(true, rs), 140);
    rs.moveNext();
    EXPECT_EQ(funHaraimodoshi(false, rs), 0);
    EXPECT_EQ(funHaraimodoshi(true, rs), 0);
}

// Feeds the default list with each row's own payouts, as the list reads them.
class PayoutList final : public HorseListBuilder {
public:
    void prepare(Sheet& list, const AnalysisColumns&) override
    {
        list.clear();
        list.setColumnCount(2);
    }
    void addRow(Sheet& list, const store::Row& row, const AnalysisColumns& c) override
    {
        const HorsePayouts payouts = horsePayouts(row, c);
        const int r = list.appendRow();
        list.setInteger(r, 0, payouts.win);
        list.setInteger(r, 1, payouts.place);
    }
};

TEST_F(StatisticsTest, eachRowGetsItsOwnHorsesPayoutWithRacesInterleavedAndWithoutRaceKey)
{
    // Rows of races A and B alternate (as keys sort them); three rows in a
    // row without a race key carry three different payout rows.
    addItem(QStringLiteral("K"), QStringLiteral("0"));
    makeTable({QStringLiteral("K")}, QStringLiteral("TEXT(4)"));
    const QString aWin = QStringLiteral("3:400"), aPlace = QStringLiteral("3:150,05:140");
    const QString bWin = QStringLiteral("2:900"), bPlace = QStringLiteral("2:300,4:200,6:110");
    const QString none; // a Null race key
    std::vector<Runner> rows = {
        {QStringLiteral("A"), 3, 1, aWin, aPlace},
        {QStringLiteral("B"), 2, 1, bWin, bPlace},
        {QStringLiteral("A"), 5, 2, aWin, aPlace},
        {none, 1, 1, QStringLiteral("1:500"), QStringLiteral("1:200")},
        {none, 1, 2, QStringLiteral("2:600"), QStringLiteral("2:250,1:120")},
        {none, 3, 1, QStringLiteral("3:700"), QStringLiteral("3:260")},
        {QStringLiteral("B"), 4, 2, bWin, bPlace},
        {QStringLiteral("A"), 7, 3, aWin, aPlace},
        {QStringLiteral("B"), 6, 3, bWin, bPlace},
    };
    for (Runner& r : rows) {
        r.keys = {QStringLiteral("'k'")};
        add(r);
    }
    const int win[] = {400, 900, 0, 500, 0, 700, 0, 0, 0};
    const int place[] = {150, 300, 140, 200, 120, 260, 200, 0, 110};
    PayoutList payouts;
    services.horseList = &payouts;
    for (const bool keyed : {false, true}) {
        SCOPED_TRACE(keyed);
        doc = AnalysisDocument();
        if (keyed)
            setKeys({{QStringLiteral("K"), QString()}});
        ASSERT_TRUE(run());
        EXPECT_EQ(cell(doc.result, 0, QStringLiteral("単配当合計")), QStringLiteral("2500.0"));
        EXPECT_EQ(cell(doc.result, 0, QStringLiteral("単最高配当")), QStringLiteral("900"));
        EXPECT_EQ(cell(doc.result, 0, QStringLiteral("複配当合計")), QStringLiteral("1480.0"));
        EXPECT_EQ(cell(doc.result, 0, QStringLiteral("複最高配当")), QStringLiteral("300"));
        ASSERT_EQ(doc.defaultList.rowCount(), 9);
        for (int r = 0; r < 9; ++r) {
            EXPECT_EQ(doc.defaultList.number(r, 0), win[r]) << r;
            EXPECT_EQ(doc.defaultList.number(r, 1), place[r]) << r;
        }
    }
}

} // namespace
} // namespace tq::analysis
