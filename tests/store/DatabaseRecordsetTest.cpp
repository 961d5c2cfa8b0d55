// Statements, recordsets and dynasets on one small database.

#include "StoreTestSupport.h"

#include "store/Operations.h"

#include <atomic>
#include <chrono>
#include <thread>

using namespace tq::store;
using tq::store::testing::StoreFixture;

namespace {

class DatabaseRecordset : public StoreFixture {
protected:
    void SetUp() override
    {
        file = path(QStringLiteral("app.mdb"));
        makeDb(file,
               "CREATE TABLE horses (id INTEGER LONG PRIMARY KEY, name TEXT(20), weight REAL SINGLE, "
               "  shown INTEGER BIT NOT NULL DEFAULT 0, born REAL DATETIME, note TEXT MEMO);"
               "INSERT INTO horses VALUES (1, 'Alpha', 480.5, -1, 40000, NULL);"
               "INSERT INTO horses VALUES (2, 'O''Hara', 452, 0, 40001, 'a;b');"
               "INSERT INTO horses VALUES (3, 'Gamma', 500, -1, 40002, '');"
               "CREATE TABLE owners (horse INTEGER LONG, owner TEXT(20));"
               "INSERT INTO owners VALUES (1, 'X'), (2, 'Y');");
        bool ok = false;
        db = DBOpn(log, file, ok);
        ASSERT_TRUE(db);
    }

    int count(const char* where = "1=1")
    {
        Recordset rs = db->openRecordset(QStringLiteral("SELECT count(*) FROM horses WHERE ") + QString::fromLatin1(where));
        return int(rs.field(0).toInt());
    }

    QString file;
    std::unique_ptr<Database> db;
};

TEST_F(DatabaseRecordset, NavigatesAndCountsRowsVisitedAsTheOriginalDid)
{
    Recordset rs = db->openRecordset(QStringLiteral("SELECT id, name FROM horses ORDER BY id"));
    ASSERT_FALSE(rs.isEOF());
    EXPECT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.field(0).toInt(), 1);
    rs.moveNext();
    EXPECT_EQ(rs.recordCount(), 2);
    rs.moveLast();
    EXPECT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(rs.field(QStringLiteral("NAME")).toText(), QStringLiteral("Gamma"));
    rs.moveFirst();
    EXPECT_EQ(rs.field(0).toInt(), 1);
    EXPECT_EQ(rs.recordCount(), 3);
    rs.moveNext();
    rs.moveNext();
    rs.moveNext();
    EXPECT_TRUE(rs.isEOF());
    EXPECT_THROW(rs.moveNext(), DbError);
    EXPECT_THROW(rs.field(0), DbError);

    Recordset empty = db->openRecordset(QStringLiteral("SELECT id FROM horses WHERE id > 99"));
    EXPECT_TRUE(empty.isEOF());
    EXPECT_EQ(empty.recordCount(), 0);
    EXPECT_THROW(empty.moveLast(), DbError);
}

TEST_F(DatabaseRecordset, FieldsKeepValuesAndTypes)
{
    Recordset rs = db->openRecordset(
        QStringLiteral("SELECT id, name, weight, shown, born, note, id * 2 AS twice FROM horses WHERE id = 1"));
    ASSERT_FALSE(rs.isEOF());
    const FieldType expected[] = {FieldType::Long, FieldType::Text, FieldType::Single, FieldType::Boolean,
                                  FieldType::Date, FieldType::Memo, FieldType::Long};
    for (int i = 0; i < rs.fieldCount(); ++i)
        EXPECT_EQ(rs.fieldType(i), expected[i]) << qPrintable(rs.fieldName(i));
    EXPECT_EQ(rs.declaredType(1), QStringLiteral("TEXT(20)"));
    EXPECT_EQ(rs.declaredType(6), QString());

    EXPECT_EQ(rs.field(2).toDouble(), 480.5);
    EXPECT_EQ(rs.field(2).toInt(), 480); // halves to even
    EXPECT_EQ(rs.field(2).toText(), QStringLiteral("480.5"));
    EXPECT_EQ(rs.field(QStringLiteral("Shown")).toInt(), -1);
    EXPECT_TRUE(rs.field(QStringLiteral("note")).isNull());
    EXPECT_EQ(rs.value(QStringLiteral("note")), Value());
    EXPECT_EQ(rs.value(1), Value(QStringLiteral("Alpha")));
    EXPECT_EQ(rs.field(1).utf8(), QByteArrayView("Alpha"));
    EXPECT_EQ(rs.fieldIndex(QStringLiteral("nothing")), -1);
    EXPECT_THROW(rs.field(QStringLiteral("nothing")), DbError);
    EXPECT_THROW(rs.field(7), DbError);
}

TEST_F(DatabaseRecordset, QuotesAndSemicolonsInsideLiteralsAreData)
{
    Recordset rs = db->openRecordset(QStringLiteral("SELECT id FROM horses WHERE name = 'O''Hara' AND note = 'a;b'"));
    ASSERT_FALSE(rs.isEOF());
    EXPECT_EQ(rs.field(0).toInt(), 2);
    EXPECT_EQ(db->execute(QStringLiteral("UPDATE horses SET note = 'it''s; fine' WHERE id = 3")), 1);
    EXPECT_EQ(scalar(file, "SELECT note FROM horses WHERE id = 3"), QStringLiteral("it's; fine"));
}

TEST_F(DatabaseRecordset, ASecondStatementIsRejectedAndNothingRuns)
{
    const QString texts[] = {
        QStringLiteral("DELETE FROM horses; DROP TABLE owners"),
        QStringLiteral("DELETE FROM horses WHERE id = 1;DELETE FROM owners"),
        QStringLiteral("SELECT * FROM horses; DELETE FROM horses"),
    };
    for (const QString& text : texts) {
        SCOPED_TRACE(qPrintable(text));
        EXPECT_THROW(db->execute(text), DbError);
        bool ok = true;
        EXPECT_FALSE(TBOpr(log, *db, text, ok));
        EXPECT_FALSE(TBOpn(log, *db, text, ok));
    }
    EXPECT_EQ(count(), 3);
    EXPECT_EQ(scalar(file, "SELECT count(*) FROM owners"), QStringLiteral("2"));
    // One trailing semicolon is allowed.
    EXPECT_EQ(db->execute(QStringLiteral("DELETE FROM owners WHERE horse = 2;")), 1);
}

TEST_F(DatabaseRecordset, OpenFailuresAreReportedAndTBOpnReportsTheSqlSecond)
{
    bool ok = true;
    EXPECT_FALSE(TBOpr(log, *db, QStringLiteral("SELEC id FROM horses"), ok));
    EXPECT_FALSE(ok);
    EXPECT_EQ(reports(QStringLiteral("TBOpr")), 1);

    const QString bad = QStringLiteral("SELECT id FROM horses WHERE ((id = 1");
    EXPECT_FALSE(TBOpn(log, *db, bad, ok));
    EXPECT_FALSE(ok);
    EXPECT_EQ(reports(QStringLiteral("TBOpn")), 2);
    const QStringList texts = descriptions(QStringLiteral("TBOpn"));
    ASSERT_EQ(texts.size(), 2);
    EXPECT_NE(texts[0], bad); // the engine's message
    EXPECT_FALSE(texts[0].isEmpty());
    EXPECT_EQ(texts[1], bad);
}

TEST_F(DatabaseRecordset, ActionQueryIsNotRunAsARecordset)
{
    bool ok = true;
    EXPECT_FALSE(TBOpr(log, *db, QStringLiteral("DELETE FROM horses"), ok));
    EXPECT_FALSE(TBOpn(log, *db, QStringLiteral("DELETE FROM horses"), ok));
    EXPECT_EQ(count(), 3);
}

TEST_F(DatabaseRecordset, FailingStepInsideATransactionLeavesNothingWritten)
{
    {
        Transaction tx(*db);
        db->execute(QStringLiteral("INSERT INTO horses (id, name) VALUES (10, 'New')"));
        db->execute(QStringLiteral("DELETE FROM owners"));
        EXPECT_THROW(db->execute(QStringLiteral("INSERT INTO horses (id, name) VALUES (1, 'Duplicate')")), DbError);
        // no commit: the guard rolls back
    }
    EXPECT_EQ(count(), 3);
    EXPECT_EQ(scalar(file, "SELECT count(*) FROM owners"), QStringLiteral("2"));
    {
        Transaction outer(*db);
        {
            Transaction inner(*db);
            db->execute(QStringLiteral("DELETE FROM owners WHERE horse = 1"));
        }
        db->execute(QStringLiteral("DELETE FROM owners WHERE horse = 2"));
        outer.commit();
    }
    EXPECT_EQ(scalar(file, "SELECT group_concat(horse) FROM owners"), QStringLiteral("1"));
}

TEST_F(DatabaseRecordset, StatementsTranslatedIntoSeveralRunAllOrNothing)
{
    // SELECT ... INTO: the new table takes the source columns' types.
    EXPECT_EQ(db->execute(QStringLiteral("SELECT id, name INTO horsecopy FROM horses WHERE id > 1")), 2);
    EXPECT_EQ(db->declaredColumnType(QStringLiteral("horsecopy"), QStringLiteral("name")), QStringLiteral("TEXT(20)"));
    // The added key column gets 0 in both rows, so its unique index fails:
    // the column must not stay behind either.
    EXPECT_THROW(db->execute(QStringLiteral("ALTER TABLE owners ADD COLUMN c LONG CONSTRAINT pk PRIMARY KEY")), DbError);
    EXPECT_EQ(db->declaredColumnType(QStringLiteral("owners"), QStringLiteral("c")), QString());
    db->execute(QStringLiteral("CREATE TABLE fresh (a LONG)"));
    EXPECT_EQ(db->execute(QStringLiteral("ALTER TABLE fresh ADD COLUMN c LONG CONSTRAINT pk PRIMARY KEY")), 0);
    EXPECT_EQ(db->declaredColumnType(QStringLiteral("fresh"), QStringLiteral("c")), QStringLiteral("INTEGER LONG"));
}

TEST_F(DatabaseRecordset, RepeatedStatementsReuseOnePreparedStatement)
{
    for (int i = 0; i < 5; ++i) {
        Recordset rs = db->openRecordset(QStringLiteral("SELECT name FROM horses WHERE id = 2"));
        EXPECT_EQ(rs.field(0).toText(), QStringLiteral("O'Hara"));
    }
    EXPECT_EQ(db->cachedStatementCount(), 1);
    // Two open at once over the same text do not share a statement.
    Recordset a = db->openRecordset(QStringLiteral("SELECT id FROM horses ORDER BY id"));
    Recordset b = db->openRecordset(QStringLiteral("SELECT id FROM horses ORDER BY id"));
    a.moveNext();
    EXPECT_EQ(a.field(0).toInt(), 2);
    EXPECT_EQ(b.field(0).toInt(), 1);
}

// Statements that differ only in their quoted texts share one translation;
// each still reads its own texts, also where a text is written into the
// statement (select list, function argument) or decides its form (Between
// orders its bounds by value).
TEST_F(DatabaseRecordset, TextsOfATranslatedShapeAreEachStatementsOwn)
{
    struct Case {
        const char* sql;
        const char* expected; // names of the rows, in order, joined by ","
    };
    const Case cases[] = {
        {"SELECT name FROM horses WHERE name = 'Alpha'", "Alpha"},
        {"SELECT name FROM horses WHERE name = 'O''Hara'", "O'Hara"},
        {"SELECT name FROM horses WHERE name <> 'Gamma' AND name <> 'Alpha'", "O'Hara"},
        {"SELECT name FROM horses WHERE name <> 'O''Hara' AND name <> 'Alpha'", "Gamma"},
        {"SELECT name FROM horses WHERE name Between 'A' And 'H' ORDER BY id", "Alpha,Gamma"},
        {"SELECT name FROM horses WHERE name Between 'P' And 'H' ORDER BY id", "O'Hara"},
        {"SELECT name FROM horses WHERE name Between 'H' And 'P' ORDER BY id", "O'Hara"},
        {"SELECT name & 'x' FROM horses WHERE id = 1", "Alphax"},
        {"SELECT name & 'y' FROM horses WHERE id = 1", "Alphay"},
        {"SELECT name FROM horses WHERE Left(name, 1) = Left('Gx', 1)", "Gamma"},
        {"SELECT name FROM horses WHERE Left(name, 1) = Left('Ax', 1)", "Alpha"},
        {"SELECT name FROM horses WHERE name Like 'O*'", "O'Hara"},
        {"SELECT name FROM horses WHERE name Like '*a'", "Alpha,O'Hara,Gamma"},
    };
    for (int round = 0; round < 2; ++round) {
        for (const Case& c : cases) {
            QStringList names;
            for (Recordset rs = db->openRecordset(QString::fromUtf8(c.sql)); !rs.isEOF(); rs.moveNext())
                names << rs.field(0).toText();
            EXPECT_EQ(names.join(QLatin1Char(',')), QString::fromUtf8(c.expected)) << c.sql << " round " << round;
        }
    }
    const int shapes = db->cachedTranslationCount();
    for (const char* name : {"'Alpha'", "'Gamma'", "'nobody'"})
        db->openRecordset(QStringLiteral("SELECT name FROM horses WHERE name = ") + QString::fromUtf8(name));
    EXPECT_EQ(db->cachedTranslationCount(), shapes);
}

TEST_F(DatabaseRecordset, LongStatementStopsWhenInterrupted)
{
    makeDb(file, "CREATE TABLE big (n INTEGER);"
                 "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 2000) "
                 "INSERT INTO big SELECT n FROM c;");
    std::atomic_bool done = false;
    std::thread canceller([this, &done] {
        // Repeated, because an interrupt that comes before the statement runs is dropped.
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            db->interrupt();
        }
    });
    try {
        Recordset rs = db->openRecordset(QStringLiteral("SELECT count(*) FROM big a, big b, big c"));
        ADD_FAILURE() << "not interrupted";
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), SQLITE_INTERRUPT);
    }
    done = true;
    canceller.join();
    EXPECT_EQ(count(), 3); // the connection stays usable
}

TEST_F(DatabaseRecordset, ProgressHandlerRunsDuringALongStatementAndCanStopIt)
{
    makeDb(file, "CREATE TABLE big (n INTEGER);"
                 "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 300) "
                 "INSERT INTO big SELECT n FROM c;");
    const QString join = QStringLiteral("SELECT count(*) FROM big a, big b");
    int calls = 0;
    {
        ProgressHandlerScope outer(*db, [&calls] { return ++calls < 0; });
        {
            // A nested scope stops the statement; leaving it puts the outer handler back.
            ProgressHandlerScope inner(*db, [] { return true; });
            try {
                db->openRecordset(join);
                ADD_FAILURE() << "not stopped";
            } catch (const DbError& e) {
                EXPECT_EQ(e.code(), SQLITE_INTERRUPT);
            }
        }
        EXPECT_EQ(calls, 0);
        Recordset rs = db->openRecordset(join);
        EXPECT_EQ(rs.field(0).toInt(), 300 * 300);
        EXPECT_GT(calls, 10);
    }
    const int after = calls;
    db->openRecordset(join);
    EXPECT_EQ(calls, after); // gone with its scope
}

TEST_F(DatabaseRecordset, RecordsetOutlivesItsDatabase)
{
    Recordset rs = db->openRecordset(QStringLiteral("SELECT name FROM horses ORDER BY id"));
    db.reset();
    rs.moveNext();
    EXPECT_EQ(rs.field(0).toText(), QStringLiteral("O'Hara"));
}

TEST_F(DatabaseRecordset, DynasetAddsEditsAndDeletesRows)
{
    bool ok = false;
    auto ds = TBOpn(log, *db, QStringLiteral("horses"), ok);
    ASSERT_TRUE(ds);
    ASSERT_TRUE(ds->isUpdatable());

    ds->addNew();
    ds->setValue(QStringLiteral("id"), Value(4));
    ds->setValue(QStringLiteral("name"), Value(QStringLiteral("D'Artagnan")));
    ds->update();
    EXPECT_EQ(ds->value(QStringLiteral("id")).toInt(), 1); // still on the row it stood on
    EXPECT_EQ(scalar(file, "SELECT name || '/' || shown FROM horses WHERE id = 4"), QStringLiteral("D'Artagnan/0"));

    ds->moveNext();
    ds->edit();
    ds->setValue(QStringLiteral("Weight"), Value(455.25));
    EXPECT_EQ(ds->value(QStringLiteral("weight")).toDouble(), 455.25); // the edit buffer
    ds->update();
    EXPECT_EQ(scalar(file, "SELECT weight FROM horses WHERE id = 2"), QStringLiteral("455.25"));

    ds->deleteCurrent();
    EXPECT_THROW(ds->value(0), DbError);
    ds->moveNext();
    EXPECT_EQ(ds->value(0).toInt(), 3);
    ds->moveLast();
    EXPECT_EQ(ds->value(0).toInt(), 4); // the added row is part of the set
    EXPECT_EQ(ds->recordCount(), 3);
    EXPECT_EQ(count(), 3);
    EXPECT_EQ(count("id = 2"), 0);

    // Changing without AddNew/Edit, and a failing update, leave the table alone.
    EXPECT_THROW(ds->setValue(0, Value(9)), DbError);
    ds->moveFirst();
    ds->edit();
    ds->setValue(QStringLiteral("id"), Value(3)); // duplicate key
    EXPECT_THROW(ds->update(), DbError);
    EXPECT_EQ(count("id = 1"), 1);
}

TEST_F(DatabaseRecordset, DynasetOnAFilteredSelectWritesTheRightRows)
{
    bool ok = false;
    auto ds = TBOpn(log, *db, QStringLiteral("SELECT name, shown FROM horses WHERE shown = -1 ORDER BY id DESC"), ok);
    ASSERT_TRUE(ds);
    EXPECT_EQ(ds->value(0), Value(QStringLiteral("Gamma")));
    while (!ds->isEOF()) {
        ds->edit();
        ds->setValue(1, Value(0));
        ds->update();
        ds->moveNext();
    }
    EXPECT_EQ(count("shown = 0"), 3);
    EXPECT_EQ(scalar(file, "SELECT group_concat(name) FROM horses ORDER BY id"), QStringLiteral("Alpha,O'Hara,Gamma"));
}

TEST_F(DatabaseRecordset, DynasetOnAJoinReadsButRefusesChanges)
{
    bool ok = false;
    auto ds = TBOpn(log, *db,
                    QStringLiteral("SELECT h.name, o.owner FROM horses h INNER JOIN owners o ON h.id = o.horse "
                                   "ORDER BY h.id"),
                    ok);
    ASSERT_TRUE(ds);
    EXPECT_FALSE(ds->isUpdatable());
    EXPECT_EQ(ds->value(1), Value(QStringLiteral("X")));
    EXPECT_THROW(ds->edit(), DbError);
    EXPECT_THROW(ds->addNew(), DbError);
}

} // namespace

TEST_F(DatabaseRecordset, CachedSelectStarSeesAColumnAddedOnTheSameConnection)
{
    {
        Recordset before = db->openRecordset(QStringLiteral("SELECT * FROM owners"));
        EXPECT_EQ(before.fieldCount(), 2);
    }
    EXPECT_TRUE(
        TBFldAdd(*db, QStringLiteral("owners"), QStringLiteral("since"), QStringLiteral("日付型"), QStringLiteral("-"))
            .isEmpty());
    Recordset after = db->openRecordset(QStringLiteral("SELECT * FROM owners"));
    ASSERT_EQ(after.fieldCount(), 3);
    EXPECT_TRUE(after.field(QStringLiteral("since")).isNull());
}
