// import-jet on damaged copies of the public sample files, as a user runs it:
// a good earlier conversion is in the output directory, and each damage ends
// with exit status 1, a message naming the file and the cause, the earlier
// output byte for byte as it was, no temporary file, within seconds. Only
// --accept-damaged writes a conversion that lost rows. Cancelling inside the
// walk of a long value's pages stops the import.

#include "JetPages.h"

#include "jetimport/RaceDataImport.h"
#include "support/FileBytes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using tq::testing::JetPages;

namespace {

QString fixture(const char* name)
{
    return QDir(QStringLiteral(TQ_JET_FIXTURES)).filePath(QString::fromUtf8(name));
}

QString program()
{
    return QStringLiteral(TQ_BINARY_DIR "/bin/DEVovuved");
}

// Every entry of the directory with the hash of its bytes (directories marked).
QStringList snapshot(const QString& dir)
{
    QStringList out;
    for (const QFileInfo& f : QDir(dir).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name)) {
        out << f.fileName() + QLatin1Char(' ') +
                   (f.isDir() ? QStringLiteral("dir")
                              : QString::fromLatin1(
                                    QCryptographicHash::hash(tq::support::readBytes(f.filePath()), QCryptographicHash::Sha1)
                                        .toHex()));
    }
    return out;
}

struct ImportRun {
    int exitCode = -1;
    QString output; // stdout and stderr
    qint64 ms = 0;
};

ImportRun importJet(const QStringList& args)
{
    ImportRun run;
    QElapsedTimer timer;
    timer.start();
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program(), QStringList{QStringLiteral("import-jet")} + args);
    EXPECT_TRUE(p.waitForFinished(60000)) << args.join(QLatin1Char(' ')).toStdString();
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.output = QString::fromUtf8(p.readAll());
    run.ms = timer.elapsed();
    return run;
}

// A damage done to the Jet 3 sample file's bytes.
using Damage = std::function<void(JetPages&)>;

// The first row of the first data page of the table holding these columns.
qsizetype firstRow(const JetPages& jet, const QList<QByteArray>& columns)
{
    const int definition = jet.definitionWith(columns);
    EXPECT_GE(definition, 0);
    const QList<int> pages = jet.dataPages(definition);
    EXPECT_FALSE(pages.isEmpty());
    return pages.isEmpty() ? 0 : jet.rowStart(pages.first(), 0);
}

Damage cutAt(qsizetype size)
{
    return [size](JetPages& jet) { jet.bytes.truncate(size); };
}

Damage columnCountOf(const QList<QByteArray>& table, int change)
{
    return [table, change](JetPages& jet) {
        const qsizetype row = firstRow(jet, table);
        jet.bytes[row] = char(quint8(jet.bytes[row]) + change);
    };
}

const QList<QByteArray> kCustomers{"CustomerID", "Fax"};
const QList<QByteArray> kProducts{"ProductID", "Discontinued"};

class DamagedJet : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        const QDir root(s_dir->path());
        root.mkpath(QStringLiteral("good"));
        ASSERT_TRUE(QFile::copy(fixture("DateTestDatabase.mdb"), root.filePath(QStringLiteral("good/korven_this.mdb"))));
        ASSERT_TRUE(QFile::copy(fixture("nwind.mdb"), root.filePath(QStringLiteral("good/korven_data.mdb"))));
        const ImportRun first = importJet({QStringLiteral("--from"), root.filePath(QStringLiteral("good")), QStringLiteral("--out"),
                                     root.filePath(QStringLiteral("earlier"))});
        ASSERT_EQ(first.exitCode, 0) << first.output.toStdString();
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }

    // A source directory holding the Date test file as korven_this.mdb and
    // the damaged order database as korven_data.mdb, and an output directory
    // holding the good earlier conversion of both.
    void prepare(const Damage& damage)
    {
        m_in = m_dir.filePath(QStringLiteral("in"));
        m_out = m_dir.filePath(QStringLiteral("out"));
        QDir(m_in).removeRecursively();
        QDir(m_out).removeRecursively();
        QDir().mkpath(m_in);
        QDir().mkpath(m_out);
        ASSERT_TRUE(QFile::copy(fixture("DateTestDatabase.mdb"), m_in + QStringLiteral("/korven_this.mdb")));
        JetPages jet(tq::support::readBytes(fixture("nwind.mdb")));
        damage(jet);
        tq::support::writeBytes(m_in + QStringLiteral("/korven_data.mdb"), jet.bytes);
        for (const QString& name : {QStringLiteral("korven_this.mdb"), QStringLiteral("korven_data.mdb")})
            ASSERT_TRUE(QFile::copy(QDir(s_dir->path()).filePath(QStringLiteral("earlier/") + name), m_out + QLatin1Char('/') + name));
    }

    QStringList args() const { return {QStringLiteral("--from"), m_in, QStringLiteral("--out"), m_out}; }

    static QTemporaryDir* s_dir;
    QTemporaryDir m_dir;
    QString m_in, m_out;
};

QTemporaryDir* DamagedJet::s_dir = nullptr;

TEST_F(DamagedJet, EachDamageIsNamedAndLeavesTheEarlierConversion)
{
    const qsizetype size = QFileInfo(fixture("nwind.mdb")).size();
    const struct {
        const char* name;
        Damage damage;
        const char* cause; // a piece of the message
    } cases[] = {
        {"zero bytes", cutAt(0), "the file is empty"},
        {"not a database", [](JetPages& jet) { jet.bytes = "order list\n"; }, "neither a Jet nor a SQLite database"},
        {"cut inside page 0", cutAt(1000), "the table catalogue cannot be read"},
        {"cut after the catalogue", cutAt(2048 * 12), "the table catalogue is damaged"},
        {"cut in the middle", cutAt(size / 2), "cannot be read (its definition cannot be read)"},
        {"cut before a table's last page",
         [](JetPages& jet) { jet.bytes.truncate(jet.at(jet.dataPages(jet.definitionWith(kCustomers)).last())); },
         "the table catalogue is damaged"},
        {"column count one higher", columnCountOf(kCustomers, +1), "the row states 12 columns where the table has 11"},
        {"column count one lower", columnCountOf(kCustomers, -1), "null mask marks more columns than the 10 it states"},
        {"column count one lower, a true boolean last", columnCountOf(kProducts, -1), "null mask marks more columns"},
        {"row count one higher",
         [](JetPages& jet) {
             const qsizetype at = jet.rowCountAt(jet.definitionWith(kCustomers));
             jet.putLe32(at, jet.le32(at) + 1);
         },
         "91 rows read where the table states 92"},
        {"long value page linked to itself",
         [](JetPages& jet) {
             const auto chain = jet.chainRow();
             ASSERT_TRUE(chain);
             jet.putLe32(chain->next, quint32(chain->page) << 8 | quint32(chain->row));
         },
         "pages run in a circle"},
        {"long value declaring 0x3FFFFFFF bytes",
         [](JetPages& jet) {
             const auto header = jet.chainHeader(jet.definitionWith({"EmployeeID", "Photo"}));
             ASSERT_TRUE(header);
             jet.putLe32(*header, 0x3FFFFFFF);
         },
         "declares 1073741823 bytes, more than the file holds"},
        {"200 random bytes in the catalogue page",
         [](JetPages& jet) {
             const QList<int> catalogue = jet.dataPages(2);
             ASSERT_FALSE(catalogue.isEmpty());
             QRandomGenerator random(29);
             for (int i = 0; i < 200; ++i)
                 jet.bytes[jet.at(catalogue.first(), i)] = char(random.bounded(256));
         },
         "the table catalogue is damaged"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prepare(c.damage);
        const QStringList before = snapshot(m_out);
        const ImportRun run = importJet(args());
        EXPECT_EQ(run.exitCode, 1) << run.output.toStdString();
        EXPECT_TRUE(run.output.contains(QStringLiteral("korven_data.mdb"))) << run.output.toStdString();
        EXPECT_TRUE(run.output.contains(QString::fromUtf8(c.cause))) << run.output.toStdString();
        EXPECT_TRUE(run.output.contains(QStringLiteral("nothing was written to"))) << run.output.toStdString();
        EXPECT_EQ(snapshot(m_out), before);
        EXPECT_LT(run.ms, 10000);
    }
}

TEST_F(DamagedJet, ASecondFileThatCannotBePutInPlaceUndoesTheFirst)
{
    prepare([](JetPages&) {});
    const QString blocked = m_out + QStringLiteral("/korven_data.mdb");
    ASSERT_TRUE(QFile::remove(blocked));
    ASSERT_TRUE(QDir().mkpath(blocked + QStringLiteral("/in the way")));
    const QStringList before = snapshot(m_out);
    const ImportRun run = importJet(args());
    EXPECT_EQ(run.exitCode, 1) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("korven_data.mdb cannot be replaced"))) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("nothing was written to"))) << run.output.toStdString();
    EXPECT_EQ(snapshot(m_out), before);
}

TEST_F(DamagedJet, AcceptDamagedWritesTheReadableRowsAndStillSaysSo)
{
    prepare(columnCountOf(kCustomers, +1));
    const QStringList before = snapshot(m_out);
    const ImportRun run = importJet(args() << QStringLiteral("--accept-damaged"));
    EXPECT_EQ(run.exitCode, 1) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("Customers: read 90, written 90, damaged rows 1"))) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("lost to damage"))) << run.output.toStdString();
    const QStringList after = snapshot(m_out);
    EXPECT_EQ(after.size(), before.size());
    EXPECT_NE(after, before);
    EXPECT_EQ(QDir(m_out).entryList(QDir::Files).filter(QStringLiteral(".tmp")), QStringList{});
}

TEST_F(DamagedJet, CancellingInsideALongValuesPagesStopsTheImport)
{
    prepare([](JetPages& jet) {
        const auto chain = jet.chainRow();
        ASSERT_TRUE(chain);
        jet.putLe32(chain->next, quint32(chain->page) << 8 | quint32(chain->row));
    });
    const QStringList before = snapshot(m_out);
    // The first question of each table comes before its rows, the next ones
    // after every 2000 rows; a second one while no row is done can only come
    // from inside a long value.
    QString table;
    qint64 done = 0;
    int questions = 0;
    tq::jetimport::RaceImportCallbacks callbacks;
    callbacks.progress = [&](const QString&, const QString& t, qint64 rows, qint64) {
        if (t != table)
            questions = 0;
        table = t;
        done = rows;
    };
    callbacks.cancelled = [&] { return ++questions > 1 && done == 0; };
    QElapsedTimer timer;
    timer.start();
    const tq::jetimport::ImportReport report = tq::jetimport::importRaceData(m_in, m_out, callbacks);
    EXPECT_TRUE(report.cancelled);
    EXPECT_TRUE(table == QStringLiteral("Employees") || table == QStringLiteral("Categories")) << table.toStdString();
    EXPECT_EQ(snapshot(m_out), before);
    EXPECT_LT(timer.elapsed(), 10000);
}

} // namespace
