// Runs the shipped catalogue against generated race data: every item's key
// expression, for the current run and for each of the five previous runs, on
// the past tables and (where today's tables have the data) on today's tables,
// with the joins the catalogue's rules add; every value-search source; every
// code-lookup range. A column the data lacks, a join rule or name pair that is
// missing, or an expression the statement translator cannot carry fails here.
//
// The rewrites are done with a small copy of the program's pair rewrite (walk
// the text, first matching pair wins, no re-reading of the output), so this
// test depends only on the catalogue file, the generator and the translator.

#include "store/DbError.h"
#include "store/JetExtensions.h"
#include "store/JetTranslator.h"
#include "tools/RaceDataGenerator.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<QString, QString>>; // from -> to

struct Rule {
    QString table, link;
};

struct Item {
    QString name, group, key, data, range;
    int type = 0;
};

struct Catalogue {
    std::vector<Item> items;
    std::vector<Rule> joins;
    Pairs thisToData, dataToThis, zensou; // zensou: current -> previous ("_1")
};

Catalogue readCatalogue()
{
    QFile file(QStringLiteral(TQ_SOURCE_DIR "/data/DEVovuved.ini"));
    Catalogue cat;
    if (!file.open(QIODevice::ReadOnly))
        return cat;
    QString section;
    QMap<QString, QString> entries; // "JOIN/Table001" -> value
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("[J0")) && section == QStringLiteral("JOUKEN")) {
            cat.items.emplace_back();
            continue;
        }
        if (line.startsWith(QLatin1Char('['))) {
            section = line.mid(1, line.indexOf(QLatin1Char(']')) - 1);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = line.left(eq);
        const QString value = line.mid(eq + 1);
        if (section == QStringLiteral("JOUKEN") && !cat.items.empty()) {
            Item& item = cat.items.back();
            if (key == QStringLiteral("Name")) item.name = value;
            else if (key == QStringLiteral("Group")) item.group = value;
            else if (key == QStringLiteral("Key")) item.key = value;
            else if (key == QStringLiteral("Type")) item.type = value.toInt();
            else if (key == QStringLiteral("Data")) item.data = value;
            else if (key == QStringLiteral("Range")) item.range = value;
        } else {
            entries[section + QLatin1Char('/') + key] = value;
        }
    }
    auto entry = [&](const char* section, const char* prefix, int i, int digits) {
        return entries.value(QString::fromLatin1(section) + QLatin1Char('/') + QString::fromLatin1(prefix)
                             + QStringLiteral("%1").arg(i, digits, 10, QLatin1Char('0')));
    };
    for (int i = 1; i <= entries.value(QStringLiteral("JOIN/Count")).toInt(); ++i)
        cat.joins.push_back({entry("JOIN", "Table", i, 3), entry("JOIN", "Link", i, 3)});
    for (int i = 1; i <= entries.value(QStringLiteral("HENKAN/Count")).toInt(); ++i) {
        cat.thisToData.emplace_back(entry("HENKAN", "This", i, 2), entry("HENKAN", "Data", i, 2));
        cat.dataToThis.emplace_back(entry("HENKAN", "Data", i, 2), entry("HENKAN", "This", i, 2));
    }
    for (int i = 1; i <= entries.value(QStringLiteral("ZENSOU1/Count")).toInt(); ++i)
        cat.zensou.emplace_back(entry("ZENSOU1", "Kon", i, 2), entry("ZENSOU1", "Zen", i, 2));
    return cat;
}

QString rewrite(const QString& text, const Pairs& pairs)
{
    QString out;
    for (qsizetype i = 0; i < text.size();) {
        bool matched = false;
        for (const auto& [from, to] : pairs) {
            const QStringView rest = QStringView(text).mid(i);
            if (rest.startsWith(from) && !rest.startsWith(to)) {
                out += to;
                i += from.size();
                matched = true;
                break;
            }
        }
        if (!matched)
            out += text.at(i++);
    }
    return out;
}

// The expression of `key` for previous run `run` (0 = the current run).
QString forRun(const Catalogue& cat, const QString& key, int run)
{
    if (run == 0)
        return key;
    return rewrite(key, cat.zensou).replace(QStringLiteral("_1"), QStringLiteral("_%1").arg(run));
}

QString withJoins(const Catalogue& cat, QString from, const QString& columns)
{
    for (const Rule& rule : cat.joins)
        if (!from.contains(rule.link) && columns.contains(rule.table))
            from = QStringLiteral("(") + from + QStringLiteral(") ") + rule.link;
    return from;
}

class CatalogueKeysTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        tq::tools::GenOptions options;
        options.outDir = s_dir->path();
        options.months = 1;
        options.seed = 7;
        tq::tools::GenReport report;
        QString error;
        s_generated = tq::tools::generateRaceData(options, &report, &error);
        s_error = new QString(error);
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        delete s_error;
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_generated) << s_error->toStdString();
        m_cat = readCatalogue();
        ASSERT_FALSE(m_cat.items.empty());
        ASSERT_EQ(sqlite3_open(":memory:", &m_db), SQLITE_OK);
        tq::store::registerJetExtensions(m_db);
        // The race-data files hold distinct table names, so attaching them all
        // makes every name resolve as the links of the application database do.
        int n = 0;
        for (const char* file : {"korven_data.mdb", "korven_this.mdb", "korven_code.mdb", "korven_keto.mdb",
                                 "VUDevuzI.mdb"}) {
            const QString sql = QStringLiteral("ATTACH '%1/%2' AS s%3")
                                    .arg(s_dir->path(), QString::fromLatin1(file))
                                    .arg(n++);
            ASSERT_EQ(exec(sql), QString()) << file;
        }
        // The mark-results tables live in the application database and exist
        // once built; empty tables with the columns the items read stand in.
        for (const char* table : {"過去の印別成績", "本日の印別成績"})
            ASSERT_EQ(exec(QStringLiteral("CREATE TABLE %1 (レースキー TEXT, 馬番 TEXT, 競走成績キー TEXT, 基準勝率 REAL, "
                                          "総合勝率 REAL, 総合勝率順位 INTEGER, 総合勝率差 REAL, 総合勝率差順位 INTEGER, "
                                          "直前総合勝率 REAL, 直前総合勝率順位 INTEGER, 直前総合勝率差順位 INTEGER, "
                                          "ＩＤＭ勝率差順位 INTEGER, 情報勝率差順位 INTEGER, 展開勝率差順位 INTEGER, "
                                          "騎手勝率差順位 INTEGER)")
                               .arg(QString::fromUtf8(table))),
                      QString());
    }
    void TearDown() override { sqlite3_close(m_db); }

    // Executes a statement directly (no translation); returns the error text.
    QString exec(const QString& sql)
    {
        char* message = nullptr;
        const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message);
        const QString error = rc == SQLITE_OK ? QString() : QString::fromUtf8(message);
        sqlite3_free(message);
        return error;
    }

    struct Outcome {
        QString error;          // empty on success
        int rows = 0;           // rows read (at most `limit`)
        int nonNull = 0;        // rows whose first column is not Null
        QString firstValue;     // first non-Null value of the first column
    };

    // Translates and runs one Jet SELECT, reading up to `limit` rows.
    Outcome query(const QString& jet, int limit = 500)
    {
        Outcome out;
        QString sql;
        try {
            sql = tq::store::translateJet(jet);
        } catch (const tq::store::DbError& e) {
            out.error = QStringLiteral("translation: ") + e.engineMessage();
            return out;
        }
        sqlite3_stmt* st = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &st, nullptr) != SQLITE_OK) {
            out.error = QString::fromUtf8(sqlite3_errmsg(m_db)) + QStringLiteral("\n  SQLite: ") + sql;
            return out;
        }
        int rc = SQLITE_ROW;
        while (out.rows < limit && (rc = sqlite3_step(st)) == SQLITE_ROW) {
            ++out.rows;
            if (sqlite3_column_type(st, 0) != SQLITE_NULL) {
                if (out.nonNull++ == 0)
                    out.firstValue = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
            }
        }
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            out.error = QString::fromUtf8(sqlite3_errmsg(m_db)) + QStringLiteral("\n  SQLite: ") + sql;
        sqlite3_finalize(st);
        return out;
    }

    // The analysis FROM text and the today's-runner FROM text.
    static QString pastFrom()
    {
        return QStringLiteral(
            "((D番組データ INNER JOIN D競走馬データ ON D番組データ.レースキー = D競走馬データ.レースキー) "
            "INNER JOIN D払戻情報データ ON D番組データ.レースキー = D払戻情報データ.レースキー) "
            "INNER JOIN D成績データ ON D競走馬データ.競走成績キー = D成績データ.競走成績キー ");
    }
    static QString runnerFrom()
    {
        return QStringLiteral("D番組データ INNER JOIN D競走馬データ ON D番組データ.レースキー = D競走馬データ.レースキー ");
    }

    static QTemporaryDir* s_dir;
    static bool s_generated;
    static QString* s_error;
    Catalogue m_cat;
    sqlite3* m_db = nullptr;
};

QTemporaryDir* CatalogueKeysTest::s_dir = nullptr;
bool CatalogueKeysTest::s_generated = false;
QString* CatalogueKeysTest::s_error = nullptr;

bool readsMarkResults(const Item& item)
{
    return item.group == QStringLiteral("印別成績");
}

TEST_F(CatalogueKeysTest, everyKeyReadsThePastTablesForEveryRun)
{
    for (const Item& item : m_cat.items) {
        for (int run = 0; run <= 5; ++run) {
            SCOPED_TRACE(item.name.toStdString() + " run " + std::to_string(run));
            const QString columns = QStringLiteral("SELECT ") + forRun(m_cat, item.key, run) + QStringLiteral(" AS ")
                                    + item.name;
            QString sql = columns + QStringLiteral(" FROM ") + withJoins(m_cat, pastFrom(), columns);
            // The analysis query reads the jockey who rode.
            sql.replace(QStringLiteral("D競走馬データ.騎手名"), QStringLiteral("D成績データ.騎手名"));
            sql.replace(QStringLiteral("D競走馬データ.騎手コード"), QStringLiteral("D成績データ.騎手コード"));
            const Outcome out = query(sql);
            ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString() << "\n  Jet: " << sql.toStdString();
            ASSERT_GT(out.rows, 0);
            // The current run has data for every item except the mark results
            // (an empty stand-in here); previous runs need a long enough history.
            if (run == 0 && !readsMarkResults(item)) {
                EXPECT_GT(out.nonNull, 0) << "only Null values: " << sql.toStdString();
            }
        }
    }
}

TEST_F(CatalogueKeysTest, keysOfPreRaceDataReadTodaysTablesAfterTheRewrite)
{
    int checked = 0;
    for (const Item& item : m_cat.items) {
        // Results and final odds have no today's counterpart.
        if (item.key.contains(QStringLiteral("D成績データ.")))
            continue;
        for (int run : {0, 1, 3}) {
            SCOPED_TRACE(item.name.toStdString() + " run " + std::to_string(run));
            const QString columns = QStringLiteral("SELECT ") + forRun(m_cat, item.key, run) + QStringLiteral(" AS ")
                                    + item.name;
            const QString past = columns + QStringLiteral(" FROM ") + withJoins(m_cat, runnerFrom(), columns);
            const QString today = rewrite(past, m_cat.dataToThis);
            EXPECT_FALSE(today.contains(QStringLiteral("JOIN D競走馬データ ON")));
            if (run == 0) {
                EXPECT_TRUE(today.contains(QStringLiteral("T番組データ INNER JOIN T競走馬データ ON")))
                    << today.toStdString();
            }
            const Outcome out = query(today);
            ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString() << "\n  Jet: " << today.toStdString();
            EXPECT_GT(out.rows, 0);
            if (run == 0 && !readsMarkResults(item) && item.name != QStringLiteral("ローテーション")
                && item.name != QStringLiteral("出走回数")) {
                EXPECT_GT(out.nonNull, 0) << "only Null values today: " << today.toStdString();
            }
            // Back to the past names: the round trip restores the text.
            EXPECT_EQ(rewrite(today, m_cat.thisToData), past);
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);
}

TEST_F(CatalogueKeysTest, previousRunsOfTodaysRunnersAreFoundInThePast)
{
    // 前走着順 of today's runners: the previous-run join must stay on the past
    // tables while the runner comes from today's.
    const QString key = forRun(m_cat, QStringLiteral("D成績データ.着順"), 1);
    const QString columns = QStringLiteral("SELECT ") + key + QStringLiteral(" AS 前走着順");
    const QString today =
        rewrite(columns + QStringLiteral(" FROM ") + withJoins(m_cat, runnerFrom(), columns), m_cat.dataToThis);
    EXPECT_TRUE(today.contains(QStringLiteral("LEFT JOIN D成績データ AS Z成績データ_1 ON T競走馬データ.前走成績キー１")))
        << today.toStdString();
    const Outcome out = query(today);
    ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString();
    EXPECT_GT(out.nonNull, 0) << "no today's runner has a previous run";
}

TEST_F(CatalogueKeysTest, valueSearchSourcesAndCodeLookupsReturnRows)
{
    bool sawRetired = false;
    for (const Item& item : m_cat.items) {
        SCOPED_TRACE(item.name.toStdString());
        if ((item.type == 5 || item.type == 9) && !item.data.isEmpty()) {
            const Outcome out = query(item.data);
            ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString() << "\n  Jet: " << item.data.toStdString();
            EXPECT_GT(out.nonNull, 0);
            const QStringList sourceColumns = item.data.section(QStringLiteral("SELECT "), 1)
                                                  .section(QStringLiteral(" FROM "), 0, 0)
                                                  .split(QLatin1Char(','));
            if (std::any_of(sourceColumns.cbegin(), sourceColumns.cend(),
                            [](const QString& c) { return c.trimmed() == QStringLiteral("登録"); })) {
                const QString table = item.data.section(QStringLiteral(" FROM "), 1).section(QLatin1Char(' '), 0, 0);
                const Outcome retired =
                    query(QStringLiteral("SELECT 登録 FROM ") + table + QStringLiteral(" WHERE 登録 = '抹消'"), 1);
                ASSERT_TRUE(retired.error.isEmpty()) << retired.error.toStdString();
                sawRetired = sawRetired || retired.rows > 0;
            }
        }
        // "4,n,template": each n-character piece of a value is looked up.
        if (item.range.startsWith(QStringLiteral("4,"))) {
            const int width = item.range.section(QLatin1Char(','), 1, 1).toInt();
            const QString templ = item.range.section(QLatin1Char(','), 2);
            const QString columns = QStringLiteral("SELECT ") + item.key + QStringLiteral(" AS v");
            const Outcome value = query(columns + QStringLiteral(" FROM ") + withJoins(m_cat, pastFrom(), columns), 1);
            ASSERT_TRUE(value.error.isEmpty()) << value.error.toStdString();
            ASSERT_FALSE(value.firstValue.isEmpty());
            ASSERT_EQ(value.firstValue.size() % width, 0) << value.firstValue.toStdString();
            for (qsizetype at = 0; at < value.firstValue.size(); at += width) {
                const QString sql = QString(templ).replace(QStringLiteral("@DATA"), value.firstValue.mid(at, width));
                const Outcome label = query(sql, 1);
                ASSERT_TRUE(label.error.isEmpty()) << label.error.toStdString() << sql.toStdString();
                EXPECT_EQ(label.nonNull, 1) << sql.toStdString();
            }
        }
    }
    EXPECT_TRUE(sawRetired) << "no search source lists a retired (抹消) entry";
}

// Per-race queries add a join's key template ("<table>.レースキー = '...'") to
// their WHERE text, which drops a runner that has no row in that table. The
// deviation table carries a template, so it must have a row for every runner.
TEST_F(CatalogueKeysTest, deviationValuesCoverEveryRunner)
{
    for (const char* runners : {"D競走馬データ", "T競走馬データ"}) {
        SCOPED_TRACE(runners);
        const QString sql = QStringLiteral("SELECT Count(*) FROM %1 LEFT JOIN H偏差値データ ON %1.競走成績キー = "
                                           "H偏差値データ.競走成績キー WHERE H偏差値データ.競走成績キー Is Null")
                                .arg(QString::fromUtf8(runners));
        const Outcome out = query(sql, 1);
        ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString();
        EXPECT_EQ(out.firstValue, QStringLiteral("0")) << "runners without deviation values";
    }
}

// Keys built from Jet functions must give the value forms their clauses
// compare: type 1 and 7 compare texts, type 4 numbers, and the "初出走" label
// needs the empty text (not Null) for a first run.
TEST_F(CatalogueKeysTest, computedKeysGiveTheFormsTheirClausesCompare)
{
    struct Case {
        const char* item;
        const char* where; // restricts the runners looked at
        const char* pattern;
    };
    const Case cases[] = {
        {"年月", "", "^20\\d{4}$"},
        {"月", "", "^([1-9]|1[0-2])$"},
        {"馬番", "D競走馬データ.馬番 = '07'", "^7$"},
        {"負担重量", "", "^[4-6]\\d[05]$"},
        {"ローテーション", "D競走馬データ.出走回数 = 0", "^$"},
        {"ローテーション", "D競走馬データ.出走回数 > 0", "^\\d+$"},
        {"父・母父", "", "^\\d{20}$"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        const auto it = std::find_if(m_cat.items.cbegin(), m_cat.items.cend(),
                                     [&](const Item& i) { return i.name == QString::fromUtf8(c.item); });
        ASSERT_NE(it, m_cat.items.cend());
        const QString columns = QStringLiteral("SELECT ") + it->key + QStringLiteral(" AS v");
        QString sql = columns + QStringLiteral(" FROM ") + withJoins(m_cat, pastFrom(), columns);
        if (*c.where)
            sql += QStringLiteral(" WHERE ") + QString::fromUtf8(c.where);
        const Outcome out = query(sql, 1);
        ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString();
        ASSERT_EQ(out.nonNull, 1) << sql.toStdString();
        EXPECT_TRUE(QRegularExpression(QString::fromUtf8(c.pattern)).match(out.firstValue).hasMatch())
            << "value \"" << out.firstValue.toStdString() << "\"";
    }
}

} // namespace
