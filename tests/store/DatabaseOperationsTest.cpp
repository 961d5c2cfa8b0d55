// Links, summary properties, field addition and file copy.

#include "StoreTestSupport.h"

#include "store/Operations.h"

#include <QDirIterator>
#include <QFileInfo>

using namespace tq::store;
using tq::store::testing::StoreFixture;

namespace {

class DatabaseOperations : public StoreFixture {
protected:
    std::unique_ptr<Database> open(const QString& file)
    {
        bool ok = false;
        return DBOpn(log, file, ok);
    }
    static QString firstText(Database& db, const QString& sql)
    {
        Recordset rs = db.openRecordset(sql);
        return rs.isEOF() ? QStringLiteral("<none>") : rs.field(0).toText();
    }
};

TEST_F(DatabaseOperations, LinksResolveAndMissingSourcesLeaveTheLinkAbsent)
{
    const QString app = path(QStringLiteral("app.mdb"));
    const QString data = path(QStringLiteral("korven_data.mdb"));
    makeDb(data,
           "CREATE TABLE D番組データ (レースキー CHAR(8), 距離 INTEGER LONG);"
           "INSERT INTO D番組データ VALUES ('01010101', 1200), ('01010102', 1800);");
    makeDb(app, "CREATE TABLE T番組データ (x INTEGER); INSERT INTO T番組データ VALUES (7);");

    TBLink(log, app, data, QStringLiteral("D番組データ"));
    TBLink(log, app, data, QStringLiteral("D存在しない"));                     // no such table
    TBLink(log, app, path(QStringLiteral("korven_this.mdb")), QStringLiteral("T番組データ")); // no such file

    auto db = open(app);
    ASSERT_TRUE(db);
    EXPECT_EQ(firstText(*db, QStringLiteral("SELECT sum(距離) FROM D番組データ WHERE レースキー = '01010102'")),
              QStringLiteral("1800"));
    EXPECT_FALSE(db->hasTable(QStringLiteral("D存在しない")));
    // Relinking replaced the local table of that name, and its source is missing.
    EXPECT_FALSE(db->hasTable(QStringLiteral("T番組データ")));
    // Linked sources are read-only.
    EXPECT_THROW(db->execute(QStringLiteral("DELETE FROM D番組データ")), DbError);
    EXPECT_EQ(scalar(data, "SELECT count(*) FROM D番組データ"), QStringLiteral("2"));
    bool ok = false;
    auto linked = TBOpn(log, *db, QStringLiteral("d番組データ"), ok);
    ASSERT_TRUE(linked);
    EXPECT_EQ(linked->value(QStringLiteral("距離")), Value(1200));
    EXPECT_THROW(linked->edit(), DbError);

    // The source appears later: the link resolves on the next open.
    makeDb(path(QStringLiteral("korven_this.mdb")), "CREATE TABLE T番組データ (レースキー CHAR(8)); "
                                                    "INSERT INTO T番組データ VALUES ('02020202');");
    db.reset();
    db = open(app);
    EXPECT_EQ(firstText(*db, QStringLiteral("SELECT レースキー FROM T番組データ")), QStringLiteral("02020202"));
    EXPECT_EQ(reports(QStringLiteral("DBOpn")), 0);
}

TEST_F(DatabaseOperations, RelinkingPointsTheNameAtTheNewSource)
{
    const QString app = path(QStringLiteral("app.mdb"));
    const QString oldDir = path(QStringLiteral("old"));
    const QString newDir = path(QStringLiteral("new dir"));
    QDir().mkpath(oldDir);
    QDir().mkpath(newDir);
    makeDb(oldDir + QStringLiteral("/data.mdb"), "CREATE TABLE R (v TEXT); INSERT INTO R VALUES ('old');");
    makeDb(newDir + QStringLiteral("/data.mdb"), "CREATE TABLE R (v TEXT); INSERT INTO R VALUES ('new');");

    TBLink(log, app, oldDir + QStringLiteral("/data.mdb"), QStringLiteral("R"));
    auto db = open(app);
    EXPECT_EQ(firstText(*db, QStringLiteral("SELECT v FROM R")), QStringLiteral("old"));

    // A Windows-style separator in the source path is accepted.
    TBLink(log, app, newDir + QStringLiteral("\\data.mdb"), QStringLiteral("R"));
    db->reloadLinks();
    EXPECT_EQ(firstText(*db, QStringLiteral("SELECT v FROM R")), QStringLiteral("new"));
}

TEST_F(DatabaseOperations, MoreSourcesThanTheAttachLimitOpenWithoutError)
{
    const QString app = path(QStringLiteral("app.mdb"));
    const int sources = 14;
    for (int i = 0; i < sources; ++i) {
        const QString file = path(QStringLiteral("src%1.mdb").arg(i));
        makeDb(file, "CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1);");
        TBLink(log, app, file, QStringLiteral("t"));
        TBLink(log, app, file, QStringLiteral("t") + QString::number(i)); // absent table, same file
    }
    // Each relink of "t" replaced the previous one: one link, one attached file.
    auto db = open(app);
    ASSERT_TRUE(db);
    EXPECT_TRUE(db->hasTable(QStringLiteral("t")));

    for (int i = 0; i < sources; ++i) {
        const QString file = path(QStringLiteral("more%1.mdb").arg(i));
        makeDb(file, QStringLiteral("CREATE TABLE m%1 (a INTEGER);").arg(i).toUtf8().constData());
        TBLink(log, app, file, QStringLiteral("m%1").arg(i));
    }
    db = open(app);
    ASSERT_TRUE(db);
    int linked = 0;
    for (int i = 0; i < sources; ++i)
        linked += db->hasTable(QStringLiteral("m%1").arg(i)) ? 1 : 0;
    EXPECT_GE(linked, 8);
    EXPECT_LT(linked, sources);
    EXPECT_EQ(reports(QStringLiteral("DBOpn")), 0);
}

TEST_F(DatabaseOperations, PropertiesAreCreatedOnFirstSetAndReadBack)
{
    const QString app = path(QStringLiteral("app.mdb"));
    makeDb(app, "CREATE TABLE t (a INTEGER);");
    EXPECT_EQ(GetDBProp(log, app, QStringLiteral("User")), QString());
    EXPECT_TRUE(SetDBProp(log, app, QStringLiteral("User"), QStringLiteral("山田 太郎")));
    EXPECT_EQ(GetDBProp(log, app, QStringLiteral("user")), QStringLiteral("山田 太郎"));
    EXPECT_TRUE(SetDBProp(log, app, QStringLiteral("DBDir"), QStringLiteral("C:\\KORVEN\\")));
    EXPECT_TRUE(SetDBProp(log, app, QStringLiteral("User"), QStringLiteral(" ")));
    EXPECT_EQ(GetDBProp(log, app, QStringLiteral("User")), QStringLiteral(" "));
    EXPECT_EQ(GetDBProp(log, app, QStringLiteral("DBDir")), QStringLiteral("C:\\KORVEN\\"));

    // A missing database is not created by reading or writing a property.
    const QString missing = path(QStringLiteral("missing.mdb"));
    EXPECT_EQ(GetDBProp(log, missing, QStringLiteral("User")), QString());
    EXPECT_FALSE(SetDBProp(log, missing, QStringLiteral("User"), QStringLiteral("x")));
    EXPECT_FALSE(QFileInfo::exists(missing));
}

TEST_F(DatabaseOperations, FieldsAddedByJapaneseTypeName)
{
    auto db = open(path(QStringLiteral("app.mdb")));
    db->execute(QStringLiteral("CREATE TABLE お気に入り (名称 TEXT(50))"));
    struct Case {
        const char16_t* type;
        const char* size;
        FieldType expected;
        const char* declared;
    };
    const Case cases[] = {
        {u"ﾃｷｽﾄ型", "50", FieldType::Text, "TEXT(50)"},
        {u"ﾃｷｽﾄ型", "-", FieldType::Text, "TEXT"},
        {u"数値型 (長整数)", "4", FieldType::Long, "INTEGER LONG"},
        {u"数値型 (整数)", "-", FieldType::Integer, "INTEGER SHORT"},
        {u"数値型 (ﾊﾞｲﾄ)", "-", FieldType::Byte, "INTEGER BYTE"},
        {u"数値型 (単精度浮動小数点)", "4", FieldType::Single, "REAL SINGLE"},
        {u"数値型 (倍精度浮動小数点)", "-", FieldType::Double, "REAL DOUBLE"},
        {u"ﾒﾓ型", "-", FieldType::Memo, "TEXT MEMO"},
        {u"日付型", "-", FieldType::Date, "REAL DATETIME"},
    };
    int column = 0;
    for (const Case& c : cases) {
        const QString field = QStringLiteral("f%1").arg(++column);
        SCOPED_TRACE(qPrintable(field));
        EXPECT_EQ(TBFldAdd(*db, QStringLiteral("お気に入り"), field, QString::fromUtf16(c.type),
                           QString::fromLatin1(c.size)),
                  QString());
        Recordset rs = db->openRecordset(QStringLiteral("SELECT ") + field + QStringLiteral(" FROM お気に入り"));
        EXPECT_EQ(rs.fieldType(0), c.expected);
        EXPECT_EQ(rs.declaredType(0), QString::fromLatin1(c.declared));
    }
    // Text fields take the empty string and keep it apart from Null.
    db->execute(QStringLiteral("INSERT INTO お気に入り (名称, f1, f8) VALUES ('a', '', '')"));
    EXPECT_EQ(firstText(*db, QStringLiteral("SELECT count(*) FROM お気に入り WHERE f1 = '' AND f8 = ''")),
              QStringLiteral("1"));
    Recordset rs = db->openRecordset(QStringLiteral("SELECT f3 FROM お気に入り"));
    EXPECT_TRUE(rs.field(0).isNull());
    // Added text columns compare as Jet text does, without regard to letter case.
    db->execute(QStringLiteral("UPDATE お気に入り SET f2 = 'abc', f8 = 'memo'"));
    EXPECT_EQ(firstText(*db, QStringLiteral("SELECT count(*) FROM お気に入り WHERE f2 = 'ABC' AND f8 = 'MEMO'")),
              QStringLiteral("1"));

    // An unknown type name or a bad size adds nothing and says why.
    EXPECT_EQ(TBFldAdd(*db, QStringLiteral("お気に入り"), QStringLiteral("g"), QStringLiteral("数値型"), QStringLiteral("-")),
              QStringLiteral("Invalid field data type."));
    EXPECT_FALSE(TBFldAdd(*db, QStringLiteral("お気に入り"), QStringLiteral("g"), QStringLiteral("ﾃｷｽﾄ型"),
                          QStringLiteral("abc"))
                     .isEmpty());
    EXPECT_FALSE(TBFldAdd(*db, QStringLiteral("お気に入り"), QStringLiteral("f1"), QStringLiteral("ﾃｷｽﾄ型"),
                          QStringLiteral("50"))
                     .isEmpty()); // duplicate column: the engine's description
    EXPECT_FALSE(TBFldAdd(*db, QStringLiteral("ない"), QStringLiteral("g"), QStringLiteral("日付型"), QStringLiteral("-"))
                     .isEmpty());
    EXPECT_EQ(db->openRecordset(QStringLiteral("SELECT * FROM お気に入り")).fieldCount(), 10);
}

TEST_F(DatabaseOperations, CopyFileHonoursFailIfExistsAndLeavesNoPartialFile)
{
    const QString source = path(QStringLiteral("DEVovuved_init.mdb"));
    const QString target = path(QStringLiteral("DEVovuved.mdb"));
    makeDb(source, "CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (42);");

    EXPECT_TRUE(Fun_blnCopyFile(log, source, target, true));
    EXPECT_EQ(scalar(target, "SELECT a FROM t"), QStringLiteral("42"));

    makeDb(source, "UPDATE t SET a = 43;");
    EXPECT_FALSE(Fun_blnCopyFile(log, source, target, true)); // refused: target kept
    EXPECT_EQ(scalar(target, "SELECT a FROM t"), QStringLiteral("42"));
    EXPECT_TRUE(Fun_blnCopyFile(log, source, target, false)); // replaced
    EXPECT_EQ(scalar(target, "SELECT a FROM t"), QStringLiteral("43"));

    const QString other = path(QStringLiteral("other.mdb"));
    EXPECT_FALSE(Fun_blnCopyFile(log, path(QStringLiteral("none.mdb")), other, true));
    EXPECT_FALSE(QFileInfo::exists(other));
    EXPECT_FALSE(Fun_blnCopyFile(log, source, path(QStringLiteral("no/dir/x.mdb")), false));
    EXPECT_EQ(reports(QStringLiteral("Fun_blnCopyFile")), 1);

    // Nothing but the expected files is left in the directory.
    QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    names.removeAll(QStringLiteral("TQ.log"));
    EXPECT_EQ(names, (QStringList{QStringLiteral("DEVovuved.mdb"), QStringLiteral("DEVovuved_init.mdb")}));
}

} // namespace
