// Rows copied out of a statement read as the statement's own rows, and a
// stream that steps on another thread hands them over complete, in order, and
// stops at once when asked.

#include "StoreTestSupport.h"

#include "store/Database.h"
#include "store/RowBatch.h"

#include <chrono>
#include <cstring>
#include <thread>

using namespace tq::store;
using tq::store::testing::StoreFixture;

namespace {

class RowBatchTest : public StoreFixture {
  protected:
    void SetUp() override
    {
        const QString file = path(QStringLiteral("app.mdb"));
        // Views in SQLite's own dialect: rows 1..10000; two rows that are
        // seconds of searching apart; a row whose value overflows; rows whose v
        // follows from k.
        makeDb(file,
               "CREATE VIEW counting AS WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 10000) "
               "  SELECT i, 'r' || i AS t FROM c;"
               "CREATE VIEW far AS WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 300000000) "
               "  SELECT i FROM c WHERE i = 1 OR i = 300000000;"
               "CREATE VIEW failing AS WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 3) "
               "  SELECT CASE WHEN i < 3 THEN i ELSE abs(-9223372036854775807 - 1) END AS v FROM c;"
               "CREATE VIEW vals AS SELECT NULL AS v UNION ALL SELECT 0 UNION ALL SELECT -7 "
               "  UNION ALL SELECT 9007199254740993 UNION ALL SELECT 2.5 UNION ALL SELECT 0.1 UNION ALL SELECT 1e300 "
               "  UNION ALL SELECT -0.0 UNION ALL SELECT '12' UNION ALL SELECT ' 12.5abc' UNION ALL SELECT 'x' "
               "  UNION ALL SELECT '' UNION ALL SELECT '1e3' UNION ALL SELECT '0x10' UNION ALL SELECT '日本' "
               "  UNION ALL SELECT x'414243' UNION ALL SELECT 123456789012345678;"
               "CREATE VIEW grouped(k, v, t) AS VALUES ('a', 1, 'x1'), ('a', 1, 'x2'), ('b', 2.5, 'x3'), "
               "  (NULL, 3, 'x4'), (NULL, 4, 'x5'), ('a', 1, 'x6'), ('b', 2.5, 'x7'), ('b', 2.5, 'x8'), "
               "  ('', NULL, 'x9'), ('', NULL, 'x10');");
        db = Database::open(file);
    }

    std::unique_ptr<Database> db;
};

// Everything a reader may ask of a field, to compare two fields by.
struct Reading {
    Value::Kind kind;
    bool null;
    qint64 integer;
    double real;
    QString text;
    QByteArray utf8;
    QString valueText;

    static Reading of(const Field& f)
    {
        const Value::Kind kind = f.kind(); // before utf8() converts a number
        Reading r{kind, f.isNull(), f.toInt(), f.toDouble(), f.toText(), {}, f.value().toText()};
        r.utf8 = f.utf8().toByteArray();
        return r;
    }
    bool operator==(const Reading& o) const
    {
        return kind == o.kind && null == o.null && integer == o.integer &&
               std::memcmp(&real, &o.real, sizeof real) == 0 && text == o.text && utf8 == o.utf8 &&
               valueText == o.valueText;
    }
};

TEST_F(RowBatchTest, aCopiedFieldReadsAsTheStatementsOwnInEveryForm)
{
    // Texts that SQLite reads as numbers in its own way, numbers it writes as
    // texts in its own way, Null and a blob.
    const QString sql = QStringLiteral("SELECT v FROM vals");
    std::vector<Reading> expected;
    {
        Recordset rs = db->openRecordset(sql);
        for (; !rs.isEOF(); rs.moveNext())
            expected.push_back(Reading::of(rs.field(0)));
    }
    Recordset rs = db->openRecordset(sql);
    RowBatch batch({{0, true, true}}, rs.fieldCount());
    batch.fill(rs, 100);
    ASSERT_EQ(batch.rowCount(), int(expected.size()));
    EXPECT_TRUE(rs.isEOF());
    for (int r = 0; r < batch.rowCount(); ++r)
        EXPECT_TRUE(Reading::of(batch.row(r).field(0)) == expected[std::size_t(r)]) << "row " << r;
}

TEST_F(RowBatchTest, aFormOrColumnNotCopiedIsRefused)
{
    Recordset rs = db->openRecordset(QStringLiteral("SELECT 5 AS n, 'x' AS t, 'y' AS u"));
    RowBatch batch({{0, false, false}, {1, false, false}}, rs.fieldCount());
    batch.fill(rs, 10);
    ASSERT_EQ(batch.rowCount(), 1);
    const BatchRow row = batch.row(0);
    EXPECT_EQ(row.field(0).toInt(), 5);
    EXPECT_EQ(row.field(1).toText(), QStringLiteral("x"));
    EXPECT_THROW(row.field(0).utf8(), DbError);     // a number not copied as text
    EXPECT_THROW(row.field(1).toDouble(), DbError); // a text not copied as a number
    EXPECT_THROW(row.field(2), DbError);            // a column not copied

    // Another statement with fewer columns than the batch was made for.
    Recordset narrower = db->openRecordset(QStringLiteral("SELECT 5 AS n"));
    RowBatch wide({{2, false, false}}, 3);
    EXPECT_THROW(wide.fill(narrower, 10), DbError);
}

TEST_F(RowBatchTest, aColumnCopiedOncePerGroupReadsInEveryRowOfItsGroup)
{
    // Rows of a group follow each other or come back later; a Null key is a
    // group of its own; a batch boundary inside a group starts it again.
    const QString sql = QStringLiteral("SELECT k, v, t FROM grouped");
    std::vector<std::vector<Reading>> expected;
    {
        Recordset rs = db->openRecordset(sql);
        for (; !rs.isEOF(); rs.moveNext())
            expected.push_back({Reading::of(rs.field(0)), Reading::of(rs.field(1)), Reading::of(rs.field(2))});
    }
    for (const int batchRows : {1, 2, 3, 100}) {
        Recordset rs = db->openRecordset(sql);
        RowStream stream(*db, rs, {{0, true, true}, {1, true, true, true}, {2, true, true}}, false, batchRows, 0);
        std::size_t row = 0;
        while (const RowBatch* batch = stream.next())
            for (int r = 0; r < batch->rowCount(); ++r, ++row)
                for (int c = 0; c < 3; ++c)
                    EXPECT_TRUE(Reading::of(batch->row(r).field(c)) == expected[row][std::size_t(c)])
                        << "row " << row << " column " << c << " batch " << batchRows;
        EXPECT_EQ(row, expected.size());
    }
}

// Sums the row's value with those of the rows before: cells that depend on
// every row in order, so a row computed twice or out of order shows.
class RunningSum final : public ComputedCells {
  public:
    int count() const override { return 2; }
    void compute(const Recordset& row, qint64* cells) override
    {
        sum += row.field(0).toInt();
        cells[0] = row.field(0).toInt() * 2;
        cells[1] = sum;
    }
    qint64 sum = 0;
};

TEST_F(RowBatchTest, computedCellsFollowTheStatementsColumnsInEveryRow)
{
    for (const bool background : {false, true}) {
        Recordset rs = db->openRecordset(QStringLiteral("SELECT i, t FROM counting"));
        RunningSum computed;
        RowStream stream(*db, rs, {{1, false, false}}, background, 7, -1, {}, &computed);
        qint64 i = 0;
        while (const RowBatch* batch = stream.next())
            for (int r = 0; r < batch->rowCount(); ++r) {
                ++i;
                const BatchRow row = batch->row(r);
                ASSERT_EQ(row.field(1).toText(), QStringLiteral("r%1").arg(i));
                ASSERT_EQ(row.field(2).kind(), Value::Kind::Integer);
                ASSERT_EQ(row.field(2).toInt(), 2 * i) << "row " << i << " background " << background;
                ASSERT_EQ(row.field(3).toInt(), i * (i + 1) / 2) << "row " << i << " background " << background;
            }
        EXPECT_EQ(i, 10000);
        RowBatch batch({{1, false, false}}, rs.fieldCount(), -1, &computed);
        EXPECT_THROW(batch.row(0).field(4), DbError); // past the computed cells
    }
}

TEST_F(RowBatchTest, aStreamHandsOverEveryRowInOrderOnEitherThread)
{
    for (const bool background : {false, true}) {
        Recordset rs = db->openRecordset(QStringLiteral("SELECT i, t FROM counting"));
        RowStream stream(*db, rs, {{0, false, false}, {1, false, false}}, background, 7);
        qint64 expected = 1;
        int idles = 0;
        while (const RowBatch* batch = stream.next([&idles] { ++idles; })) {
            for (int r = 0; r < batch->rowCount(); ++r, ++expected) {
                ASSERT_EQ(batch->row(r).field(0).toInt(), expected);
                ASSERT_EQ(batch->row(r).field(1).toText(), QStringLiteral("r%1").arg(expected));
            }
        }
        EXPECT_EQ(expected, 10001) << "background " << background;
        EXPECT_EQ(stream.next(), nullptr);
    }
}

TEST_F(RowBatchTest, aSideReaderHasEveryBatchInOrderBeforeTheStreamEnds)
{
    // The statement steps on its own thread, or on the reader's.
    for (const bool background : {false, true}) {
        Recordset rs = db->openRecordset(QStringLiteral("SELECT i FROM counting"));
        qint64 sideExpected = 1; // only the side thread touches it until the end
        RowStream stream(*db, rs, {{0, false, false}}, background, 7, -1, [&sideExpected](const RowBatch& batch) {
            for (int r = 0; r < batch.rowCount(); ++r, ++sideExpected)
                if (batch.row(r).field(0).toInt() != sideExpected)
                    throw DbError(0, QStringLiteral("out of order"));
        });
        qint64 expected = 1;
        while (const RowBatch* batch = stream.next())
            for (int r = 0; r < batch->rowCount(); ++r, ++expected)
                ASSERT_EQ(batch->row(r).field(0).toInt(), expected);
        EXPECT_EQ(expected, 10001) << "background " << background;
        // next() returned null after the side reader's last batch
        EXPECT_EQ(sideExpected, 10001) << "background " << background;
        EXPECT_EQ(stream.next(), nullptr);
    }
}

TEST_F(RowBatchTest, anErrorOfTheSideReaderReachesTheReader)
{
    for (const bool background : {false, true}) {
        Recordset rs = db->openRecordset(QStringLiteral("SELECT i FROM counting"));
        RowStream stream(*db, rs, {{0, false, false}}, background, 7, -1, [](const RowBatch& batch) {
            if (batch.row(0).field(0).toInt() > 700)
                throw DbError(0, QStringLiteral("list failed"));
        });
        auto readAll = [&] {
            while (stream.next())
                ;
        };
        EXPECT_THROW(readAll(), DbError) << "background " << background;
    }
}

TEST_F(RowBatchTest, stoppingInterruptsAStepThatSearchesLong)
{
    // The second row is far away: the step between the rows runs for
    // seconds unless it is interrupted.
    Recordset rs = db->openRecordset(QStringLiteral("SELECT i FROM far"));
    RowStream stream(*db, rs, {{0, false, false}}, true, 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the thread is inside the long step
    const auto start = std::chrono::steady_clock::now();
    stream.stop();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(100));
    EXPECT_EQ(stream.next(), nullptr);
    // The connection serves the next statement.
    EXPECT_EQ(db->openRecordset(QStringLiteral("SELECT 1 + 1")).field(0).toInt(), 2);
}

TEST_F(RowBatchTest, anErrorOfTheStatementReachesTheReader)
{
    // abs() of the smallest integer overflows when the third row is reached.
    for (const bool background : {false, true})
        for (const bool sideReader : {false, true}) {
            Recordset rs = db->openRecordset(QStringLiteral("SELECT v FROM failing"));
            RowStream::SideReader side;
            if (sideReader)
                side = [](const RowBatch&) {};
            RowStream stream(*db, rs, {{0, false, false}}, background, 10, -1, side);
            int rows = 0;
            auto readAll = [&] {
                while (const RowBatch* batch = stream.next())
                    rows += batch->rowCount();
            };
            EXPECT_THROW(readAll(), DbError);
            // the rows before the failure
            EXPECT_EQ(rows, 2) << "background " << background << " side reader " << sideReader;
        }
}

} // namespace
