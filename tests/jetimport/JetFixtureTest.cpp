// The libmdb reader on the public sample files: a Jet 3 file in code page 1252
// (nwind.mdb) and a Jet 4 file with dates from year 632 to 9999
// (DateTestDatabase.mdb). Every table is converted with libmdb's row count,
// and values of every kind come out as stored.

#include "jetimport/ConvertedFile.h"
#include "jetimport/JetTableSource.h"
#include "store/Database.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tq::jetimport;

namespace {

QString fixture(const char* name)
{
    return QDir(QStringLiteral(TQ_JET_FIXTURES)).filePath(QString::fromUtf8(name));
}

// The row count the mdbtools command reports for a table.
qint64 mdbCount(const QString& file, const QString& table)
{
    QProcess p;
    p.start(QStringLiteral("mdb-count"), {file, table});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return -1;
    return p.readAllStandardOutput().trimmed().toLongLong();
}

// Converts every table of a fixture into a SQLite file and opens it through
// the database layer.
class Converted {
public:
    explicit Converted(const char* name) : source(fixture(name))
    {
        const QString path = m_dir.filePath(QStringLiteral("converted.mdb"));
        {
            JetTableSource jet(source);
            ConvertedFile file(path);
            for (const TableInfo& t : jet.tables())
                reports << file.copyTable(jet, t, {}, {});
            file.finish();
        }
        db = tq::store::Database::open(path, tq::store::OpenMode::ReadOnly);
    }

    // The first column of the first row of a Jet statement.
    tq::store::Value value(const QString& jetSql)
    {
        tq::store::Recordset rs = db->openRecordset(jetSql);
        EXPECT_FALSE(rs.isEOF()) << jetSql.toStdString();
        return rs.isEOF() ? tq::store::Value() : rs.value(0);
    }

    QString source;
    QList<TableReport> reports;
    std::unique_ptr<tq::store::Database> db;

private:
    QTemporaryDir m_dir;
};

TEST(JetFixtures, EveryTableIsConvertedWithLibmdbsRowCount)
{
    for (const char* name : {"nwind.mdb", "DateTestDatabase.mdb"}) {
        Converted c(name);
        ASSERT_FALSE(c.reports.isEmpty()) << name;
        for (const TableReport& t : c.reports) {
            EXPECT_TRUE(t.ok()) << name << ' ' << t.table.toStdString() << ' ' << t.notes.join(QLatin1Char(';')).toStdString();
            EXPECT_EQ(t.written, mdbCount(c.source, t.table)) << name << ' ' << t.table.toStdString();
            EXPECT_EQ(c.value(QStringLiteral("SELECT Count(*) FROM [%1]").arg(t.table)).toInt(), t.written);
        }
    }
}

TEST(JetFixtures, Jet3ValuesOfEveryKind)
{
    Converted c("nwind.mdb");
    const struct {
        const char* sql;
        tq::store::Value expected;
    } cases[] = {
        // Code page 1252 text, Null apart from text.
        {"SELECT Address FROM Customers WHERE CustomerID = 'ANATR'", QStringLiteral("Avda. de la Constitución 2222")},
        {"SELECT City FROM Customers WHERE CustomerID = 'BERGS'", QStringLiteral("Luleå")},
        {"SELECT IsNull(Region) FROM Customers WHERE CustomerID = 'ANATR'", qint64(-1)},
        {"SELECT Count(*) FROM Customers WHERE Region = ''", qint64(0)},
        // Booleans: -1 and 0, never Null.
        {"SELECT Count(*) FROM Products WHERE Discontinued = True", qint64(8)},
        {"SELECT Count(*) FROM Products WHERE Discontinued = 0", qint64(69)},
        // A single keeps its stored value; currency its four decimals.
        {"SELECT Discount FROM [Order Details] WHERE OrderID = 10250 AND ProductID = 51", 0.15},
        {"SELECT UnitPrice FROM [Order Details] WHERE OrderID = 10248 AND ProductID = 42", 9.8},
        {"SELECT Format(BirthDate, 'yyyy/mm/dd') FROM Employees WHERE EmployeeID = 1", QStringLiteral("1948/12/08")},
        // The table whose name is not ASCII.
        {"SELECT Count(*) FROM Umsätze", qint64(830)},
    };
    for (const auto& k : cases)
        EXPECT_EQ(c.value(QString::fromUtf8(k.sql)), k.expected) << k.sql;

    // OLE bytes read whole (the photo holds NUL bytes), memo text whole.
    EXPECT_GT(c.value(QStringLiteral("SELECT Len(Photo) FROM Employees WHERE EmployeeID = 1")).toInt(), 10000);
    EXPECT_TRUE(c.value(QStringLiteral("SELECT Notes FROM Employees WHERE EmployeeID = 1"))
                    .toText()
                    .endsWith(QStringLiteral("Toastmasters International.")));
}

TEST(JetFixtures, Jet4DatesAtTheRangeEndsAndMemoText)
{
    Converted c("DateTestDatabase.mdb");
    const struct {
        const char* sql;
        tq::store::Value expected;
    } cases[] = {
        // Dates libmdb itself shows as "1900-01-00": the stored day counts from 1899-12-30.
        {"SELECT Format(DateTimeCol, 'yyyy/mm/dd hh:nn:ss') FROM DateTest WHERE IDCol = 2", QStringLiteral("9999/01/01 00:00:00")},
        {"SELECT DateTimeCol FROM DateTest WHERE IDCol = 2", 2958101.0},
        {"SELECT Format(DateTimeCol, 'yyyy/mm/dd') FROM DateTest WHERE IDCol = 3", QStringLiteral("1898/01/01")},
        {"SELECT Format(DateTimeCol, 'yyyy/mm/dd') FROM DateTest WHERE IDCol = 4", QStringLiteral("0632/01/01")},
        {"SELECT Format(TimeCol, 'yyyy/mm/dd') FROM DateTest WHERE IDCol = 4", QStringLiteral("0634/01/01")},
        {"SELECT Format(DateTimeCol, 'yyyy/mm/dd') FROM DateTest WHERE IDCol = 1", QStringLiteral("2021/12/02")},
        {"SELECT LongTextCol FROM DateTest WHERE IDCol = 6", QStringLiteral("New line\r\nin field")},
        {"SELECT ShortTextCol FROM DateTest WHERE IDCol = 2", QStringLiteral("Year 1999")},
    };
    for (const auto& k : cases)
        EXPECT_EQ(c.value(QString::fromUtf8(k.sql)), k.expected) << k.sql << " gave "
                                                                  << c.value(QString::fromUtf8(k.sql)).toText().toStdString();
    EXPECT_EQ(c.db->declaredColumnType(QStringLiteral("DateTest"), QStringLiteral("DateCol")), QStringLiteral("REAL DATETIME"));
    EXPECT_EQ(c.db->declaredColumnType(QStringLiteral("DateTest"), QStringLiteral("ShortTextCol")),
              QStringLiteral("TEXT(255)"));
}

} // namespace
