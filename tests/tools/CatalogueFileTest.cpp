// Checks of the shipped data files as the build puts them beside the program:
// the catalogue DEVovuved.ini (encoding, line ends, the shape of every item and
// of the link, join and name-pair sections) and the initial application
// database DEVovuved_init.mdb. The catalogue is read here with a small parser of
// its own; the program's reader has tests of its own.

#include "common/TextCodec.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

#include <sqlite3.h>

#include <map>
#include <set>
#include <string>

namespace {

const QString kBinDir = QStringLiteral(TQ_BINARY_DIR "/bin");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The catalogue as plain sections: for [JOUKEN] the keys of each item, for the
// other sections their lines as key -> value.
struct Item {
    int number = -1;
    QMap<QString, QString> fields; // Group, Name, Key, Type, Data, Range, Msg
    QStringList repeated;          // keys that occurred twice
};

struct Catalogue {
    int itemCount = 0;
    std::map<int, Item> items;
    QHash<QString, QMap<QString, QString>> sections; // section -> key -> value
};

Catalogue parse(const QString& text)
{
    static const QStringList itemKeys = {QStringLiteral("Group="), QStringLiteral("Name="),
                                         QStringLiteral("Key="),   QStringLiteral("Type="),
                                         QStringLiteral("Data="),  QStringLiteral("Range="),
                                         QStringLiteral("Msg=")};
    Catalogue cat;
    QString section;
    int current = -1;
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        if (line.startsWith(QLatin1Char('[')) && !line.startsWith(QStringLiteral("[J0"))) {
            section = line.mid(1, line.indexOf(QLatin1Char(']')) - 1);
            continue;
        }
        if (section == QStringLiteral("JOUKEN")) {
            if (line.startsWith(QStringLiteral("Count="))) {
                cat.itemCount = line.mid(6).toInt();
            } else if (line.startsWith(QStringLiteral("[J"))) {
                current = line.mid(2, 3).toInt();
                cat.items[current].number = current;
            } else {
                for (const QString& key : itemKeys) {
                    if (!line.startsWith(key))
                        continue;
                    Item& item = cat.items[current];
                    const QString name = key.chopped(1);
                    if (item.fields.contains(name))
                        item.repeated << name;
                    item.fields[name] = line.mid(key.size());
                }
            }
        } else if (!section.isEmpty() && !line.isEmpty()) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            cat.sections[section][line.left(eq)] = line.mid(eq + 1);
        }
    }
    return cat;
}

QStringList tokens(const QString& text)
{
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char(','));
}

bool isNumber(const QString& text)
{
    bool ok = false;
    text.toDouble(&ok);
    return ok;
}

class CatalogueFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_bytes = new QByteArray(readAll(kBinDir + QStringLiteral("/DEVovuved.ini")));
        try {
            s_text = new QString(tq::common::decodeCp932(*s_bytes));
        } catch (const tq::common::EncodingError& e) {
            s_decodeError = new QString(e.message());
            s_text = new QString;
        }
        s_catalogue = new Catalogue(parse(*s_text));
    }
    static void TearDownTestSuite()
    {
        delete s_bytes;
        delete s_text;
        delete s_decodeError;
        delete s_catalogue;
    }

    static const Catalogue& cat() { return *s_catalogue; }

    static QByteArray* s_bytes;
    static QString* s_text;
    static QString* s_decodeError;
    static Catalogue* s_catalogue;
};

QByteArray* CatalogueFileTest::s_bytes = nullptr;
QString* CatalogueFileTest::s_text = nullptr;
QString* CatalogueFileTest::s_decodeError = nullptr;
Catalogue* CatalogueFileTest::s_catalogue = nullptr;

TEST_F(CatalogueFileTest, builtFileIsTheSourceInCp932WithCrlf)
{
    ASSERT_FALSE(s_bytes->isEmpty()) << "build the target tq_appdata first";
    ASSERT_EQ(s_decodeError, nullptr) << s_decodeError->toStdString();

    // Every line ends in CR LF, and there is no other CR or LF.
    ASSERT_TRUE(s_bytes->endsWith("\r\n"));
    for (qsizetype i = 0; i < s_bytes->size(); ++i) {
        if (s_bytes->at(i) == '\n') {
            ASSERT_TRUE(i > 0 && s_bytes->at(i - 1) == '\r') << "bare LF at byte " << i;
        }
        if (s_bytes->at(i) == '\r') {
            ASSERT_TRUE(i + 1 < s_bytes->size() && s_bytes->at(i + 1) == '\n') << "bare CR at byte " << i;
        }
    }

    // Nothing was lost on the way: the decoded file is the UTF-8 source.
    const QString source =
        QString::fromUtf8(readAll(QStringLiteral(TQ_SOURCE_DIR "/data/DEVovuved.ini")));
    ASSERT_FALSE(source.isEmpty());
    EXPECT_EQ(*s_text, QString(source).replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
    EXPECT_TRUE(s_text->contains(QStringLiteral("◎"))) << "marks must survive the conversion";
}

TEST_F(CatalogueFileTest, everyItemHasTheFieldsItsInputTypeNeeds)
{
    ASSERT_GT(cat().itemCount, 0);
    QSet<QString> names;
    std::set<int> types;
    for (const auto& [number, item] : cat().items) {
        SCOPED_TRACE("[J" + std::to_string(number) + "] " + item.fields.value(QStringLiteral("Name")).toStdString());
        ASSERT_GE(number, 0);
        ASSERT_LT(number, cat().itemCount);
        EXPECT_TRUE(item.repeated.isEmpty()) << item.repeated.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(item.fields.size(), 7) << "Group, Name, Key, Type, Data, Range and Msg, each once";

        const QString name = item.fields.value(QStringLiteral("Name"));
        const QString key = item.fields.value(QStringLiteral("Key"));
        const QString data = item.fields.value(QStringLiteral("Data"));
        EXPECT_FALSE(name.isEmpty());
        EXPECT_FALSE(names.contains(name)) << "duplicate name";
        names.insert(name);
        EXPECT_FALSE(item.fields.value(QStringLiteral("Group")).isEmpty());
        EXPECT_FALSE(key.isEmpty());
        // The previous-run rewrite turns every "_1" of a clause into "_2".."_5".
        EXPECT_FALSE(key.contains(QStringLiteral("_1")));

        bool typeOk = false;
        const int type = item.fields.value(QStringLiteral("Type")).toInt(&typeOk);
        ASSERT_TRUE(typeOk && type >= 0 && type <= 9);
        types.insert(type);
        const QStringList t = tokens(data);
        switch (type) {
        case 0: {
            ASSERT_GE(t.size(), 1);
            EXPECT_LE(t.size(), 25) << "the editor shows 25 check boxes";
            QSet<QString> codes;
            for (const QString& entry : t) {
                const qsizetype colon = entry.indexOf(QLatin1Char(':'));
                ASSERT_GT(colon, 0) << "entry without code:label: " << entry.toStdString();
                EXPECT_FALSE(entry.mid(colon + 1).isEmpty());
                EXPECT_FALSE(codes.contains(entry.left(colon))) << "duplicate code";
                codes.insert(entry.left(colon));
            }
            break;
        }
        case 1:
        case 2:
        case 8:
            ASSERT_EQ(t.size(), 2) << "default from,to";
            if (type != 1) {
                EXPECT_TRUE(isNumber(t[0]) && isNumber(t[1]));
            }
            break;
        case 3:
        case 4:
            ASSERT_GE(t.size(), 2) << "at least two choices";
            if (type == 4) {
                for (const QString& c : t)
                    EXPECT_TRUE(isNumber(c)) << c.toStdString();
            }
            break;
        case 5:
            break; // a search source, or empty for free text only
        case 6:
            EXPECT_TRUE(data.isEmpty());
            break;
        case 7:
            ASSERT_GE(t.size(), 3) << "multiplier and at least two choices";
            EXPECT_GE(t[0].toInt(), 1);
            for (const QString& c : t)
                EXPECT_TRUE(isNumber(c)) << c.toStdString();
            break;
        case 9:
            EXPECT_FALSE(data.isEmpty()) << "type 9 takes values from the search only";
            for (const QString& part : key.split(QLatin1Char('&')))
                EXPECT_FALSE(part.trimmed().isEmpty());
            break;
        }

        const QString range = item.fields.value(QStringLiteral("Range"));
        if (range.isEmpty())
            continue;
        const QStringList r = tokens(range);
        switch (range.at(0).toLatin1()) {
        case '0':
            EXPECT_EQ(range, QStringLiteral("0"));
            break;
        case '1':
            EXPECT_EQ(type, 0) << "code labels come from a type-0 item's entries";
            break;
        case '2':
            ASSERT_EQ(r.size(), 2);
            EXPECT_GT(r[1].toDouble(), 0.0);
            break;
        case '3':
            ASSERT_GE(r.size(), 2);
            for (int i = 1; i < r.size(); ++i) {
                EXPECT_TRUE(isNumber(r[i]));
                if (i > 1) {
                    EXPECT_LT(r[i - 1].toDouble(), r[i].toDouble()) << "bounds must ascend";
                }
            }
            break;
        case '4':
            ASSERT_EQ(r.size(), 3) << "4,width,template";
            EXPECT_GE(r[1].toInt(), 1);
            EXPECT_TRUE(r[2].contains(QStringLiteral("@DATA")));
            break;
        case '9':
            ASSERT_EQ(r.size(), 2);
            EXPECT_GE(r[1].toInt(), 1);
            break;
        default:
            ADD_FAILURE() << "unknown range kind " << range.toStdString();
        }
    }
    EXPECT_EQ(types.size(), 10u) << "every input type 0-9 is used";
}

TEST_F(CatalogueFileTest, itemsOtherFeaturesLookUpByNameExist)
{
    QHash<QString, QString> groupOf;
    for (const auto& [number, item] : cat().items)
        groupOf[item.fields.value(QStringLiteral("Name"))] = item.fields.value(QStringLiteral("Group"));

    // The horse list's default columns, the date check before registering a
    // favourite, the "first run" label, and the mark results' fourteen inputs.
    const QStringList required = {
        QStringLiteral("開催場所"), QStringLiteral("Ｒ"), QStringLiteral("馬番"), QStringLiteral("馬名"),
        QStringLiteral("着順"), QStringLiteral("年月"), QStringLiteral("開催日"), QStringLiteral("ローテーション"),
        QStringLiteral("基準オッズ"), QStringLiteral("IDM印"), QStringLiteral("IDM最大差"), QStringLiteral("情報印"),
        QStringLiteral("情報指数"), QStringLiteral("ゴール順位"), QStringLiteral("ゴール差"),
        QStringLiteral("騎手期待単勝率"), QStringLiteral("騎手期待連対率"), QStringLiteral("騎手期待3着内率"),
        QStringLiteral("直前オッズ印"), QStringLiteral("直前オッズ指数"), QStringLiteral("直前パドック印"),
        QStringLiteral("直前パドック指数")};
    for (const QString& name : required)
        EXPECT_TRUE(groupOf.contains(name)) << name.toStdString();

    // The no-pre-race conversion drops the conditions of this group.
    for (const QString& name : {QStringLiteral("直前オッズ印"), QStringLiteral("直前オッズ指数"),
                                QStringLiteral("直前パドック印"), QStringLiteral("直前パドック指数")})
        EXPECT_EQ(groupOf.value(name), QStringLiteral("直前情報")) << name.toStdString();
    const QSet<QString> groups(groupOf.cbegin(), groupOf.cend());
    for (const QString& group : {QStringLiteral("血統"), QStringLiteral("印別成績"), QStringLiteral("偏差値")})
        EXPECT_TRUE(groups.contains(group)) << group.toStdString();
}

// Every table a key expression names must reach the query: either it is one of
// the four tables of the analysis FROM text, or a join rule adds it; and every
// previous-run alias the rewrite can produce (_1 .. _5) has a join rule.
TEST_F(CatalogueFileTest, everyTableAKeyNamesIsJoinedForEveryRun)
{
    const auto& join = cat().sections.value(QStringLiteral("JOIN"));
    const int joinCount = join.value(QStringLiteral("Count")).toInt();
    ASSERT_GT(joinCount, 0);
    QSet<QString> joined = {QStringLiteral("D番組データ"), QStringLiteral("D競走馬データ"),
                            QStringLiteral("D成績データ"), QStringLiteral("D払戻情報データ")};
    for (int i = 1; i <= joinCount; ++i) {
        const QString n = QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
        const QString table = join.value(QStringLiteral("Table") + n);
        const QString link = join.value(QStringLiteral("Link") + n);
        const QString key = join.value(QStringLiteral("Key") + n);
        SCOPED_TRACE(QString(QStringLiteral("join ") + n + QLatin1Char(' ') + table).toStdString());
        ASSERT_FALSE(table.isEmpty());
        EXPECT_TRUE(link.startsWith(QStringLiteral("LEFT JOIN ")) || link.startsWith(QStringLiteral("INNER JOIN ")));
        EXPECT_TRUE(link.contains(QStringLiteral(" ON ")));
        EXPECT_TRUE(link.contains(table + QLatin1Char('.'))) << "the rule's link must define its table";
        if (!key.isEmpty()) {
            // Per-race partner queries keep only the text up to "@RKEY" and close
            // it with "'": that part must be a complete comparison on its own.
            EXPECT_TRUE(key.contains(QStringLiteral(" = '@RKEY'"))) << key.toStdString();
            EXPECT_TRUE(key.startsWith(table + QStringLiteral(".レースキー = '@RKEY'"))) << key.toStdString();
        }
        joined.insert(table);
    }

    static const QRegularExpression tableRef(QStringLiteral("([^\\s(),&*=<>'+-]+)\\."));
    auto checkTables = [&](const QString& expression, const QString& what) {
        auto it = tableRef.globalMatch(expression);
        while (it.hasNext()) {
            const QString table = it.next().captured(1);
            EXPECT_TRUE(joined.contains(table)) << what.toStdString() << " names " << table.toStdString();
        }
    };
    const auto& zensou = cat().sections.value(QStringLiteral("ZENSOU1"));
    const int pairCount = zensou.value(QStringLiteral("Count")).toInt();
    ASSERT_GT(pairCount, 0);
    for (int i = 1; i <= pairCount; ++i) {
        const QString n = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
        const QString kon = zensou.value(QStringLiteral("Kon") + n);
        const QString zen = zensou.value(QStringLiteral("Zen") + n);
        EXPECT_FALSE(kon.contains(QStringLiteral("_1"))) << kon.toStdString();
        ASSERT_TRUE(zen.contains(QStringLiteral("_1."))) << zen.toStdString();
        for (int run = 1; run <= 5; ++run)
            checkTables(QString(zen).replace(QStringLiteral("_1"), QStringLiteral("_%1").arg(run)),
                        QStringLiteral("previous-run pair ") + n);
    }
    for (const auto& [number, item] : cat().items)
        checkTables(item.fields.value(QStringLiteral("Key")), item.fields.value(QStringLiteral("Name")));
}

TEST_F(CatalogueFileTest, indexedEntriesAreNumberedWithinTheirCount)
{
    struct Section {
        const char* name;
        QStringList prefixes;
        int digits;
    };
    const Section sections[] = {
        {"ThisMDB", {QStringLiteral("Link")}, 2},
        {"DataMDB", {QStringLiteral("Link")}, 2},
        {"CodeMDB", {QStringLiteral("Link")}, 2},
        {"KetoMDB", {QStringLiteral("Link")}, 2},
        {"HensaMDB", {QStringLiteral("Link")}, 2},
        {"JOIN", {QStringLiteral("Table"), QStringLiteral("Link"), QStringLiteral("Key")}, 3},
        {"HENKAN", {QStringLiteral("This"), QStringLiteral("Data")}, 2},
        {"ZENSOU1", {QStringLiteral("Kon"), QStringLiteral("Zen")}, 2},
    };
    for (const Section& s : sections) {
        SCOPED_TRACE(s.name);
        const auto& keys = cat().sections.value(QString::fromLatin1(s.name));
        const int count = keys.value(QStringLiteral("Count")).toInt();
        ASSERT_GE(count, 1);
        EXPECT_EQ(keys.size(), 1 + count * s.prefixes.size()) << "a key outside Count, or one missing";
        for (int i = 1; i <= count; ++i)
            for (const QString& prefix : s.prefixes) {
                const QString key = prefix + QStringLiteral("%1").arg(i, s.digits, 10, QLatin1Char('0'));
                EXPECT_TRUE(keys.contains(key)) << key.toStdString();
                if (prefix != QStringLiteral("Key")) {
                    EXPECT_FALSE(keys.value(key).isEmpty()) << key.toStdString();
                }
            }
    }
    const auto& db = cat().sections.value(QStringLiteral("DB"));
    EXPECT_EQ(db.value(QStringLiteral("DbName")), QStringLiteral("DEVovuved.mdb"));
    EXPECT_EQ(db.value(QStringLiteral("DEBUG")), QStringLiteral("0")) << "debug features stay off in the shipped file";
    EXPECT_FALSE(db.contains(QStringLiteral("PATH")));
}

TEST(InitialDatabaseTest, holdsTheTablesInTheirFirstReleaseForm)
{
    const QByteArray path = (kBinDir + QStringLiteral("/DEVovuved_init.mdb")).toUtf8();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK)
        << "build the target tq_appdata first";
    auto columns = [db](const char* table) {
        QStringList names;
        sqlite3_stmt* st = nullptr;
        const QByteArray sql = QByteArray("SELECT name FROM pragma_table_info('") + table + "')";
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) == SQLITE_OK)
            while (sqlite3_step(st) == SQLITE_ROW)
                names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        return names;
    };

    const QStringList favourite = columns("お気に入り");
    const QStringList copy = columns("お気に入り直前なし");
    const QStringList addins = columns("Sアドイン管理");
    const QStringList addinItems = columns("Sアドイン項目管理");
    const QStringList matches = columns("Tお気に入り該当馬");
    sqlite3_close(db);

    for (const char* c : {"名称", "グループ名", "条件", "ＷＨＥＲＥ文", "総件数", "１着件数", "２着件数", "３着件数",
                          "着外件数", "勝率", "連対率", "複勝率", "単回収率", "複回収率", "コメント"})
        EXPECT_TRUE(favourite.contains(QString::fromUtf8(c))) << c;
    // The start-up upgrade adds these; a fresh copy must go through it.
    for (const char* c : {"表示", "単平均配当", "レース件数", "色", "登録日時", "作者名"})
        EXPECT_FALSE(favourite.contains(QString::fromUtf8(c))) << c;

    EXPECT_EQ(copy.size(), 33) << copy.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(copy.contains(QStringLiteral("直前省略有無")));
    EXPECT_TRUE(copy.contains(QStringLiteral("戻り均等最低単回収率")));
    EXPECT_FALSE(copy.contains(QStringLiteral("作者名")));

    for (const char* c : {"ソフトID", "名称", "パス", "起動オプション", "買い目出力"})
        EXPECT_TRUE(addins.contains(QString::fromUtf8(c))) << c;
    // Rows are added positionally, so the order is part of the contract.
    EXPECT_EQ(addinItems, QStringList({QStringLiteral("ソフトID"), QStringLiteral("区分"), QStringLiteral("MDB名"),
                                       QStringLiteral("テーブル名"), QStringLiteral("項目名"), QStringLiteral("説明")}));
    EXPECT_TRUE(matches.contains(QStringLiteral("お気に入り件数")));
    EXPECT_TRUE(matches.contains(QStringLiteral("名称"))) << "the old column the upgrade replaces";
    EXPECT_FALSE(matches.contains(QStringLiteral("お気に入り名称")));
}

} // namespace
