// Runs every Jet statement text the system sends (tests/store/corpus/statements.tsv)
// through the translator on a fresh in-memory database loaded from Jet DDL
// fixtures, and compares what comes back with what Jet gives.
//
// The corpus is split into groups; each group starts from its own fixture files.
// A statement's test replays the statements before it in its group (their
// errors ignored, but named in the failure message), then runs its own text and
// checks it: that it fails, or the rows of its result or of a check query. Check queries are plain SQLite SQL, so they do not depend on the
// translator. Every statement is checked twice: translated with its literals
// inline, and with its literals bound as parameters, the form the database layer
// prepares and caches.

#include "store/DbError.h"
#include "store/JetExtensions.h"
#include "store/JetTranslator.h"

#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <ostream>
#include <vector>

namespace {

const QString kSourceDir = QStringLiteral(TQ_SOURCE_DIR);

struct CorpusGroup {
    QString name;
    QStringList fixtureFiles; // relative to the source tree
};

struct CorpusStatement {
    int line = 0;
    int group = -1;
    int indexInGroup = 0;
    QString name;  // ASCII test name
    QString ident; // what sends the statement
    QString jet;
    QString check;  // SQLite query, "@columns" or empty
    QString expect; // see the header of statements.tsv
};

struct Corpus {
    std::vector<CorpusGroup> groups;
    std::vector<CorpusStatement> statements;
    QString error; // non-empty when the file could not be read or parsed
};

QStringList readLines(const QString& relativePath, QString* error)
{
    QFile file(kSourceDir + QLatin1Char('/') + relativePath);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read ") + file.fileName();
        return {};
    }
    QString text = QString::fromUtf8(file.readAll());
    text.remove(QLatin1Char('\r'));
    return text.split(QLatin1Char('\n'));
}

Corpus loadCorpus()
{
    Corpus corpus;
    const QStringList lines = readLines(QStringLiteral("tests/store/corpus/statements.tsv"), &corpus.error);
    static const QRegularExpression validName(QStringLiteral("^[A-Za-z0-9_]+$"));
    QStringList seen;
    int count = 0;
    for (const QString& line : lines) {
        ++count;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1String("@group "))) {
            QStringList words = line.mid(7).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (words.size() < 2) {
                corpus.error = QStringLiteral("line %1: a group needs a name and a fixture").arg(count);
                return corpus;
            }
            CorpusGroup group;
            group.name = words.takeFirst();
            group.fixtureFiles = words;
            corpus.groups.push_back(group);
            continue;
        }
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 5 || corpus.groups.empty() || !validName.match(fields[0]).hasMatch()
            || seen.contains(fields[0])) {
            corpus.error = QStringLiteral("line %1: expected a unique ASCII name and five tab-separated fields inside a group")
                               .arg(count);
            return corpus;
        }
        if (fields[4].isEmpty()) {
            corpus.error = QStringLiteral("line %1: no expected result: a statement that merely runs proves little").arg(count);
            return corpus;
        }
        seen << fields[0];
        CorpusStatement statement;
        statement.line = count;
        statement.group = int(corpus.groups.size()) - 1;
        statement.name = fields[0];
        statement.ident = fields[1];
        statement.jet = fields[2];
        statement.check = fields[3];
        statement.expect = fields[4];
        for (auto it = corpus.statements.rbegin(); it != corpus.statements.rend(); ++it) {
            if (it->group == statement.group) {
                statement.indexInGroup = it->indexInGroup + 1;
                break;
            }
        }
        corpus.statements.push_back(statement);
    }
    return corpus;
}

const Corpus& corpus()
{
    static const Corpus loaded = loadCorpus();
    return loaded;
}

// What running one text gave: the rows of its last result-producing statement,
// or the error (with the translated text when translation itself succeeded).
struct Outcome {
    bool ok = false;
    QString translated;
    QString error;
    QStringList columns;
    std::vector<QStringList> rows;
};

QString renderValue(sqlite3_stmt* stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL:
        return QStringLiteral("NULL");
    case SQLITE_INTEGER:
        return QString::number(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT: {
        // A real keeps a visible fraction, so "10.0" tells a REAL column from an INTEGER one.
        QString text = QString::number(sqlite3_column_double(stmt, column), 'g', 15);
        if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')) && !text.contains(QLatin1Char('n')))
            text += QStringLiteral(".0");
        return text;
    }
    default:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                                 sqlite3_column_bytes(stmt, column));
    }
}

int bindLiteral(sqlite3_stmt* stmt, int index, const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return sqlite3_bind_int64(stmt, index, value.toLongLong());
    case QMetaType::Double:
        return sqlite3_bind_double(stmt, index, value.toDouble());
    default: {
        if (value.isNull())
            return sqlite3_bind_null(stmt, index);
        const QByteArray utf8 = value.toString().toUtf8();
        return sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    }
}

// Runs every statement of `sql` in turn (a translation may expand into several);
// `literals` are bound to the first one.
Outcome runSqlite(sqlite3* db, const QString& sql, const QVariantList& literals = {})
{
    Outcome outcome;
    outcome.translated = sql;
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = utf8.constData();
    const char* const end = utf8.constData() + utf8.size();
    bool firstStatement = true;
    while (tail < end) {
        sqlite3_stmt* raw = nullptr;
        const char* next = nullptr;
        if (sqlite3_prepare_v2(db, tail, int(end - tail), &raw, &next) != SQLITE_OK) {
            outcome.error = QString::fromUtf8(sqlite3_errmsg(db));
            sqlite3_finalize(raw);
            return outcome;
        }
        std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw, &sqlite3_finalize);
        tail = next;
        if (!stmt)
            continue; // blanks or a lone ";"
        if (firstStatement) {
            firstStatement = false;
            for (int i = 0; i < literals.size(); ++i) {
                if (bindLiteral(stmt.get(), i + 1, literals[i]) != SQLITE_OK) {
                    outcome.error = QString::fromUtf8(sqlite3_errmsg(db));
                    return outcome;
                }
            }
        }
        const int columnCount = sqlite3_column_count(stmt.get());
        std::vector<QStringList> rows;
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < columnCount; ++c)
                row << renderValue(stmt.get(), c);
            rows.push_back(row);
        }
        if (rc != SQLITE_DONE) {
            outcome.error = QString::fromUtf8(sqlite3_errmsg(db));
            return outcome;
        }
        if (columnCount > 0) {
            outcome.columns.clear();
            for (int c = 0; c < columnCount; ++c)
                outcome.columns << QString::fromUtf8(sqlite3_column_name(stmt.get(), c));
            outcome.rows = std::move(rows);
        }
    }
    outcome.ok = true;
    return outcome;
}

// The two translations the layer offers: literals inline, or literals taken out
// as bound parameters (what the database layer prepares and caches).
enum class Literals { Inline, Bound };

Outcome runJet(sqlite3* db, const QString& jet, Literals literals = Literals::Inline)
{
    try {
        if (literals == Literals::Bound) {
            const tq::store::ParameterizedSql translated = tq::store::translateJetParameterized(jet);
            return runSqlite(db, translated.sql, translated.literals);
        }
        return runSqlite(db, tq::store::translateJet(jet));
    } catch (const tq::store::DbError& e) {
        Outcome outcome;
        outcome.error = QStringLiteral("translation refused: ") + e.engineMessage();
        return outcome;
    } catch (const std::exception& e) {
        Outcome outcome;
        outcome.error = QStringLiteral("translation failed: ") + QString::fromUtf8(e.what());
        return outcome;
    }
}

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

Connection openMemory()
{
    sqlite3* raw = nullptr;
    sqlite3_open(":memory:", &raw);
    Connection db(raw, &sqlite3_close);
    tq::store::registerJetExtensions(db.get());
    return db;
}

// Loads a group's fixture files, one Jet statement per line ("#" and "--" lines
// skipped); returns one text per failing line.
QStringList loadFixture(sqlite3* db, const CorpusGroup& group)
{
    QStringList failures;
    for (const QString& file : group.fixtureFiles) {
        QString error;
        const QStringList lines = readLines(file, &error);
        if (!error.isEmpty())
            failures << error;
        int number = 0;
        for (const QString& line : lines) {
            ++number;
            if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1String("--")))
                continue;
            const Outcome outcome = runJet(db, line);
            if (!outcome.ok)
                failures << QStringLiteral("%1:%2: %3\n    jet:    %4\n    sqlite: %5")
                                .arg(file)
                                .arg(number)
                                .arg(outcome.error, line, outcome.translated);
        }
    }
    return failures;
}

QString joinRows(std::vector<QString> rows, bool unordered)
{
    if (rows.empty())
        return QStringLiteral("(none)");
    if (unordered)
        std::sort(rows.begin(), rows.end());
    QStringList list;
    for (const QString& row : rows)
        list << row;
    return list.join(QStringLiteral(" / "));
}

// Compares `outcome` with an expected rows text; returns the empty text when they
// agree, else what was found.
QString compareRows(const Outcome& outcome, const QString& expectText)
{
    QString text = expectText;
    bool unordered = false;
    if (text.startsWith(QLatin1Char('~'))) {
        unordered = true;
        text.remove(0, 1);
    }
    std::vector<int> picked;
    if (text.startsWith(QLatin1Char('{'))) {
        const qsizetype close = text.indexOf(QLatin1Char('}'));
        const QStringList names = text.mid(1, close - 1).split(QLatin1Char('|'));
        text.remove(0, close + 1);
        if (text.startsWith(QLatin1Char(' ')))
            text.remove(0, 1);
        for (const QString& name : names) {
            const int index = int(outcome.columns.indexOf(name));
            if (index < 0)
                return QStringLiteral("no result column named ") + name + QStringLiteral(" among ")
                     + outcome.columns.join(QLatin1Char('|'));
            picked.push_back(index);
        }
    }
    const QStringList expectedRows
        = text == QLatin1String("(none)") ? QStringList() : text.split(QStringLiteral(" / "));
    std::vector<QString> actual;
    for (size_t r = 0; r < outcome.rows.size(); ++r) {
        QStringList cells;
        if (!picked.empty()) {
            for (int index : picked)
                cells << outcome.rows[r].value(index);
        } else {
            cells = outcome.rows[r];
            // Without a column list an expected row names only the leading cells.
            if (size_t(expectedRows.size()) == outcome.rows.size())
                cells = cells.mid(0, expectedRows[qsizetype(r)].split(QLatin1Char('|')).size());
        }
        actual.push_back(cells.join(QLatin1Char('|')));
    }
    const QString found = joinRows(actual, unordered);
    std::vector<QString> expected(expectedRows.begin(), expectedRows.end());
    return found == joinRows(expected, unordered) ? QString() : found;
}

// Names the statement in gtest's messages instead of dumping its bytes.
void PrintTo(const CorpusStatement& statement, std::ostream* out)
{
    *out << statement.name.toStdString();
}

class JetCorpusTest : public ::testing::TestWithParam<CorpusStatement> {};

void checkStatement(const CorpusStatement& statement, Literals literals)
{
    const CorpusGroup& group = corpus().groups[size_t(statement.group)];
    Connection db = openMemory();
    const QStringList fixtureFailures = loadFixture(db.get(), group);

    QStringList notes;
    if (!fixtureFailures.isEmpty())
        notes << QStringLiteral("fixture lines that failed: %1").arg(fixtureFailures.size());
    for (const CorpusStatement& earlier : corpus().statements) {
        if (earlier.group != statement.group || earlier.indexInGroup >= statement.indexInGroup)
            continue;
        const Outcome outcome = runJet(db.get(), earlier.jet);
        if (!outcome.ok && !earlier.expect.startsWith(QLatin1String("!error")))
            notes << QStringLiteral("earlier statement %1 failed: %2").arg(earlier.name, outcome.error);
    }

    const Outcome outcome = runJet(db.get(), statement.jet, literals);
    const std::string where = QStringLiteral("%1 (statements.tsv line %2, literals %6)\n  jet:    %3\n  sqlite: %4%5")
                                  .arg(statement.ident)
                                  .arg(statement.line)
                                  .arg(statement.jet, outcome.translated,
                                       notes.isEmpty() ? QString() : QStringLiteral("\n  note:   ") + notes.join(QStringLiteral("\n          ")),
                                       literals == Literals::Bound ? QStringLiteral("bound") : QStringLiteral("inline"))
                                  .toStdString();
    SCOPED_TRACE(where);

    if (statement.expect.startsWith(QLatin1String("!error"))) {
        EXPECT_FALSE(outcome.ok) << "Jet refuses this statement here, but it ran";
        if (!statement.check.isEmpty()) {
            // A refused statement must leave nothing half-done.
            const Outcome checked = runSqlite(db.get(), statement.check);
            ASSERT_TRUE(checked.ok) << "check query failed: " << checked.error.toStdString();
            const QString expectAfter = statement.expect.mid(7);
            const QString mismatch = compareRows(checked, expectAfter);
            EXPECT_TRUE(mismatch.isEmpty()) << "after the refusal expected: " << expectAfter.toStdString()
                                            << "\n  found:    " << mismatch.toStdString()
                                            << "\n  check:    " << statement.check.toStdString();
        }
        return;
    }
    ASSERT_TRUE(outcome.ok) << "error: " << outcome.error.toStdString();

    if (statement.check == QLatin1String("@columns")) {
        EXPECT_EQ(outcome.columns.join(QLatin1Char('|')).toStdString(), statement.expect.toStdString());
        return;
    }
    Outcome checked = outcome;
    if (!statement.check.isEmpty()) {
        checked = runSqlite(db.get(), statement.check);
        ASSERT_TRUE(checked.ok) << "check query failed: " << checked.error.toStdString() << "\n  check:  "
                                << statement.check.toStdString();
    }
    const QString mismatch = compareRows(checked, statement.expect);
    EXPECT_TRUE(mismatch.isEmpty()) << "expected: " << statement.expect.toStdString()
                                    << "\n  found:    " << mismatch.toStdString()
                                    << (statement.check.isEmpty() ? std::string()
                                                                  : "\n  check:    " + statement.check.toStdString());
}

TEST_P(JetCorpusTest, RunsWithJetResult)
{
    checkStatement(GetParam(), Literals::Inline);
}

TEST_P(JetCorpusTest, RunsWithJetResultWithBoundLiterals)
{
    checkStatement(GetParam(), Literals::Bound);
}

std::string statementName(const ::testing::TestParamInfo<CorpusStatement>& info)
{
    return info.param.name.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Corpus, JetCorpusTest, ::testing::ValuesIn(corpus().statements), statementName);

TEST(JetCorpus, FileParses)
{
    EXPECT_TRUE(corpus().error.isEmpty()) << corpus().error.toStdString();
    EXPECT_FALSE(corpus().statements.empty());
}

TEST(JetCorpus, FixturesLoad)
{
    for (const CorpusGroup& group : corpus().groups) {
        Connection db = openMemory();
        const QStringList failures = loadFixture(db.get(), group);
        EXPECT_TRUE(failures.isEmpty()) << "group " << group.name.toStdString() << ":\n"
                                        << failures.join(QLatin1Char('\n')).toStdString();
    }
}

} // namespace
