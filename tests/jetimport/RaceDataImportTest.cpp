// The race-data import end to end on generated data (a SQLite source goes
// through the same conversion as a Jet file): every table comes out equal to
// its source row by row, with the layout's indexes, statistics and page size;
// a cancelled or refused import leaves the output directory untouched.

#include "jetimport/RaceDataImport.h"
#include "store/JetExtensions.h"
#include "tools/RaceDataGenerator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace tq::jetimport;

namespace {

class Db final {
public:
    explicit Db(const QString& path)
    {
        EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        tq::store::registerJetExtensions(m_db);
    }
    ~Db() { sqlite3_close(m_db); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    // Every row of a query, each cell with its storage class, as text.
    QStringList rows(const QString& sql) const
    {
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare16_v2(m_db, sql.utf16(), -1, &stmt, nullptr), SQLITE_OK) << sql.toStdString();
        QStringList out;
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
            QStringList cells;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                const int type = sqlite3_column_type(stmt, i);
                const QString value = type == SQLITE_FLOAT
                                          ? QString::number(sqlite3_column_double(stmt, i), 'g', 17)
                                          : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)));
                cells << QString::number(type) + QLatin1Char(':') + value;
            }
            out << cells.join(QLatin1Char('|'));
        }
        sqlite3_finalize(stmt);
        return out;
    }

private:
    sqlite3* m_db = nullptr;
};

QString quoted(const QString& name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

class RaceDataImport : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        tq::tools::GenOptions options;
        options.outDir = s_dir->filePath(QStringLiteral("source"));
        options.months = 1;
        QString error;
        ASSERT_TRUE(tq::tools::generateRaceData(options, nullptr, &error)) << error.toStdString();
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }
    static QString source() { return s_dir->filePath(QStringLiteral("source")); }

    QTemporaryDir m_out;
    static QTemporaryDir* s_dir;
};

QTemporaryDir* RaceDataImport::s_dir = nullptr;

TEST_F(RaceDataImport, EveryTableEqualsItsSourceWithIndexesStatisticsAndPageSize)
{
    qint64 progressCalls = 0;
    RaceImportCallbacks callbacks;
    callbacks.progress = [&](const QString&, const QString&, qint64 done, qint64 total) {
        EXPECT_LE(done, total);
        ++progressCalls;
    };
    const ImportReport report = importRaceData(source(), m_out.path(), callbacks);
    ASSERT_TRUE(report.ok()) << report.error.toStdString();
    ASSERT_EQ(report.files.size(), 5);
    EXPECT_GT(progressCalls, 0);

    for (const FileReport& file : report.files) {
        EXPECT_EQ(file.format, QStringLiteral("SQLite"));
        const QString name = QFileInfo(file.target).fileName();
        ASSERT_TRUE(QFileInfo::exists(file.target)) << name.toStdString();
        EXPECT_FALSE(QFileInfo::exists(file.target + QStringLiteral(".tmp")));
        const Db from(QDir(source()).filePath(name)), to(file.target);
        const QString tables = QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%' ORDER BY name");
        ASSERT_EQ(to.rows(tables), from.rows(tables)) << name.toStdString();
        EXPECT_EQ(to.rows(QStringLiteral("PRAGMA page_size")), QStringList{QStringLiteral("1:16384")});
        EXPECT_FALSE(to.rows(QStringLiteral("SELECT * FROM sqlite_stat1")).isEmpty()) << name.toStdString();
        for (const TableReport& t : file.tables) {
            const QString table = quoted(t.table);
            const QString what = name + QLatin1Char(' ') + t.table;
            EXPECT_EQ(t.read, t.written);
            const QString info = QStringLiteral("SELECT name, type FROM pragma_table_info('%1')").arg(t.table);
            EXPECT_EQ(to.rows(info), from.rows(info)) << what.toStdString();
            // Row by row in key order; the converted rows are also stored in it.
            const QList<IndexDef> layout = raceDataIndexes(t.table);
            const QString order = layout.isEmpty() ? QStringLiteral("rowid")
                                                   : layout.first().columns.join(QLatin1Char(',')) + QStringLiteral(", rowid");
            const QString all = QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" ORDER BY ");
            const QStringList expected = from.rows(all + order);
            EXPECT_EQ(qint64(expected.size()), t.written) << what.toStdString();
            EXPECT_TRUE(to.rows(all + order) == expected) << what.toStdString();
            EXPECT_TRUE(to.rows(all + QStringLiteral("rowid")) == expected) << what.toStdString();
            const QString indexes = QStringLiteral("SELECT il.name, il.\"unique\", group_concat(ii.name) FROM pragma_index_list('%1') il, "
                                                   "pragma_index_info(il.name) ii GROUP BY il.name ORDER BY il.name").arg(t.table);
            EXPECT_EQ(to.rows(indexes), from.rows(indexes)) << what.toStdString();
        }
    }
}

TEST_F(RaceDataImport, CancellationAndRefusalsLeaveTheOutputDirectoryAsItWas)
{
    const QString existing = QDir(m_out.path()).filePath(QStringLiteral("korven_data.mdb"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("an older file");
    file.close();

    RaceImportCallbacks cancelAtOnce;
    cancelAtOnce.cancelled = [] { return true; };
    const ImportReport cancelled = importRaceData(source(), m_out.path(), cancelAtOnce);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_FALSE(cancelled.ok());

    const ImportReport sameDir = importRaceData(source(), source(), {});
    EXPECT_FALSE(sameDir.error.isEmpty());
    const ImportReport noData = importRaceData(m_out.path() + QStringLiteral("/nothing"), m_out.path(), {});
    EXPECT_FALSE(noData.error.isEmpty());

    EXPECT_EQ(QDir(m_out.path()).entryList(QDir::Files), QStringList{QStringLiteral("korven_data.mdb")});
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("an older file"));
    EXPECT_EQ(QDir(source()).entryList(QDir::Files).size(), 5);
}

} // namespace
