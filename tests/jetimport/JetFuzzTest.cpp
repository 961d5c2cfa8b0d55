// Random bytes over the pages of the public sample files, a few hundred fixed
// seeds: the reader never crashes or hangs, and a table it reports as read
// without damage differs from the undamaged file's only in values the changed
// bytes themselves hold (one byte can change at most the eight values whose
// null flags share it). Bytes in table definitions and the catalogue change
// what a value means, so there only crashes and hangs are looked for.

#include "JetPages.h"

#include "jetimport/JetTableSource.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace tq::jetimport;
using tq::testing::JetPages;

namespace {

// Each table's rows, each row's cells as text with their kind.
using Tables = QHash<QString, QList<QStringList>>;

QString cellText(const Cell& cell)
{
    switch (cell.index()) {
    case 1: return QStringLiteral("i:") + QString::number(std::get<qint64>(cell));
    case 2: return QStringLiteral("r:") + QString::number(std::get<double>(cell), 'g', 17);
    case 3: return QStringLiteral("t:") + std::get<QString>(cell);
    case 4: return QStringLiteral("b:") + QString::fromLatin1(std::get<QByteArray>(cell).toHex());
    default: return QStringLiteral("null");
    }
}

struct Outcome {
    bool refused = false; // the file as a whole could not be read
    Tables clean;         // the tables read whole without any damage or problem reported
};

// Reads every table of the Jet file as the import does, keeping the tables
// that came out without a damaged row, a value problem or a missing row.
Outcome read(const QString& jetFile)
{
    Outcome outcome;
    try {
        JetTableSource source(jetFile);
        outcome.refused = !source.damage().isEmpty();
        for (const TableInfo& t : source.tables()) {
            if (!t.unreadable.isEmpty())
                continue;
            QList<QStringList> rows;
            bool clean = true;
            RowHandlers handlers;
            handlers.damaged = [&](const QString&) { clean = false; };
            handlers.row = [&](const std::vector<Cell>& row, const QList<CellProblem>& problems) {
                clean = clean && problems.isEmpty();
                QStringList cells;
                for (const Cell& c : row)
                    cells << cellText(c);
                rows << cells;
                return true;
            };
            source.readRows(t, handlers);
            if (clean && rows.size() == t.rowCount)
                outcome.clean.insert(t.name, rows);
        }
    } catch (const std::runtime_error&) {
        outcome.refused = true;
    }
    return outcome;
}

// Cells of the clean tables that differ from the undamaged reading (a row
// more or less counts all its cells).
qsizetype changedValues(const Tables& clean, const Tables& original)
{
    qsizetype changed = 0;
    for (auto it = clean.cbegin(); it != clean.cend(); ++it) {
        const QList<QStringList>& rows = it.value();
        const QList<QStringList> before = original.value(it.key());
        for (qsizetype r = 0; r < std::max(rows.size(), before.size()); ++r) {
            if (r >= rows.size() || r >= before.size()) {
                changed += (r < rows.size() ? rows[r] : before[r]).size();
                continue;
            }
            for (qsizetype c = 0; c < rows[r].size(); ++c)
                changed += rows[r][c] != before[r].value(c);
        }
    }
    return changed;
}

// Writes single bytes into a copy of the file and puts them back afterwards,
// so each seed writes a few bytes rather than the whole file.
class PatchedCopy {
public:
    PatchedCopy(const QString& path, const QByteArray& bytes) : m_file(path), m_bytes(bytes)
    {
        EXPECT_TRUE(m_file.open(QIODevice::ReadWrite | QIODevice::Truncate));
        m_file.write(bytes);
        m_file.flush();
    }
    void patch(qsizetype at, char byte) { put(at, byte); m_patched << at; }
    void restore()
    {
        for (qsizetype at : std::as_const(m_patched))
            put(at, m_bytes[at]);
        m_patched.clear();
    }

private:
    void put(qsizetype at, char byte)
    {
        m_file.seek(at);
        m_file.write(&byte, 1);
        m_file.flush();
    }
    QFile m_file;
    QByteArray m_bytes;
    QList<qsizetype> m_patched;
};

void fuzz(const char* name, int seeds)
{
    QTemporaryDir dir;
    const QString original = QDir(QStringLiteral(TQ_JET_FIXTURES)).filePath(QString::fromUtf8(name));
    const QString damaged = dir.filePath(QStringLiteral("damaged.mdb"));
    const Outcome intact = read(original);
    ASSERT_FALSE(intact.refused);
    ASSERT_FALSE(intact.clean.isEmpty());

    const JetPages jet(tq::support::readBytes(original));
    QList<int> pages;      // every page with a meaning
    QList<bool> rowValues; // whether its bytes are row values (not definitions or the catalogue)
    for (int p = 0; p < jet.pages(); ++p) {
        if (!jet.isDefinition(p) && !jet.isData(p))
            continue;
        pages << p;
        rowValues << (jet.isData(p) && jet.owner(p) != 2);
    }

    PatchedCopy copy(damaged, jet.bytes);
    qsizetype checked = 0;
    for (int seed = 0; seed < seeds; ++seed) {
        SCOPED_TRACE(QStringLiteral("%1 seed %2").arg(QString::fromUtf8(name)).arg(seed).toStdString());
        std::mt19937 random{std::uint32_t(seed)};
        const int bytes = 1 + int(random() % 4);
        bool onlyRowValues = true;
        for (int i = 0; i < bytes; ++i) {
            const auto k = qsizetype(random() % std::uint32_t(pages.size()));
            onlyRowValues = onlyRowValues && rowValues[k];
            const qsizetype at = jet.at(pages[k], int(random() % std::uint32_t(jet.pageSize())));
            copy.patch(at, char(random() % 256));
        }
        QElapsedTimer timer;
        timer.start();
        const Outcome outcome = read(damaged);
        copy.restore();
        EXPECT_LT(timer.elapsed(), 5000);
        if (!onlyRowValues || outcome.refused)
            continue;
        ++checked;
        EXPECT_LE(changedValues(outcome.clean, intact.clean), 8 * bytes);
    }
    EXPECT_GT(checked, seeds / 4);
}

TEST(JetFuzz, Jet4DateFile)
{
    fuzz("DateTestDatabase.mdb", 300);
}

TEST(JetFuzz, Jet3OrderDatabase)
{
    fuzz("nwind.mdb", 200);
}

} // namespace
