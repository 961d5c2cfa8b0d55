// Translator behaviour beyond the dialect table: operator precedence, names
// that are SQLite keywords, DDL forms, refusals, TOP and DELETE on real rows,
// and which literals the parameterised form binds.

#include "store/DbError.h"
#include "store/JetExtensions.h"
#include "store/JetTranslator.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

namespace {

using tq::store::DbError;
using tq::store::translateJet;
using tq::store::translateJetParameterized;
using tq::store::translateJetStatements;

// Blanks are not significant; everything else is.
std::string squeeze(const QString& sql)
{
    return sql.simplified().toStdString();
}

std::string translated(const char* jet)
{
    return squeeze(translateJet(QString::fromUtf8(jet)));
}

struct TextCase {
    const char* jet;
    const char* sqlite;
};

TEST(JetTranslator, RewritesExpressionsWithJetPrecedenceAndTypes)
{
    const TextCase cases[] = {
        // & binds looser than +, \ tighter than Mod, ^ tighter than unary minus.
        {"SELECT a & b + 1 FROM t", "SELECT jet_cat(a, b + 1) FROM t"},
        {"SELECT 7 Mod 5 \\ 2, -2 ^ 2 * 3, 2 ^ -1 FROM t",
         "SELECT jet_mod(7, jet_idiv(5, 2)), -jet_pow(2, 2) * 3, jet_pow(2, -1) FROM t"},
        {"SELECT (a & b) & c, a & (b & c) FROM t", "SELECT jet_cat((jet_cat(a, b)), c), jet_cat(a, (jet_cat(b, c))) FROM t"},
        // + adds natively only when one side is known to be a number.
        {"SELECT K + L, K + 1, Len(a) + K, a / b * c FROM t",
         "SELECT jet_add(K, L), K + 1, jet_len(a) + K, CAST(a AS REAL) / b * c FROM t"},
        // Truth values used as values are Jet's -1; comparisons chain left to right.
        {"SELECT Not a = b, IsNull(K + 1) FROM t", "SELECT -(Not a = b), -((K + 1) IS NULL) FROM t"},
        {"SELECT x FROM t WHERE a = b = c AND (d = e) = True",
         "SELECT x FROM t WHERE -(a = b) = c AND -(d = e) = -1"},
        {"SELECT IIf(a > 1 And b, a = 1, 0) FROM t", "SELECT iif(a > 1 And b, -(a = 1), 0) FROM t"},
        // Bounds that are not literals may come in either order.
        {"SELECT x FROM t WHERE K Between a And b", "SELECT x FROM t WHERE K Between min(a, b) And max(a, b)"},
        {"SELECT x FROM t WHERE n Between \"b\" And \"A\"", "SELECT x FROM t WHERE n Between 'A' And 'b'"},
        // Text expressions compare, group and sort without regard to case.
        {"SELECT x FROM t WHERE Mid(n, 1, 2) In (\"ab\", \"cd\") AND Trim(n) = m",
         "SELECT x FROM t WHERE jet_mid(n, 1, 2) COLLATE JET In ('ab', 'cd') AND Trim(n) = m"},
        {"SELECT DISTINCT Left(n, 3) & \"x\" FROM t GROUP BY Left(n, 3) & \"x\" ORDER BY Mid$(n, 2) DESC",
         "SELECT DISTINCT jet_cat(jet_left(n, 3), 'x') COLLATE JET FROM t GROUP BY jet_cat(jet_left(n, 3), 'x') "
         "COLLATE JET ORDER BY jet_mid(n, 2) COLLATE JET DESC"},
        // Dates: year first, two-digit years, 12-hour clock, the base date.
        {"SELECT #2023-01-05#, #1/5/23 1:30 PM#, #12/30/1899#, #1/1/30# FROM t",
         "SELECT 44931.0, 44931.5625, 0.0, 10959.0 FROM t"},
        // Names SQLite reserves are bracketed; function names are not.
        {"SELECT Abort, t.Key, Replace(a, 'x', 'y'), Trim$(a) FROM t AS Plan",
         "SELECT [Abort], t.[Key], Replace(a, 'x', 'y'), Trim(a) FROM t AS [Plan]"},
        {"SELECT Log(x), Sqr(x), Sgn(x), Now(), Date(), UCase(x), Nz(x) FROM t;",
         "SELECT ln(x), sqrt(x), sign(x), jet_now(), jet_date(), jet_ucase(x), jet_nz(x) FROM t"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(translated(c.jet), c.sqlite) << c.jet;
}

TEST(JetTranslator, RewritesDataStatements)
{
    const TextCase cases[] = {
        {"UPDATE お気に入り SET お気に入り.表示 = True, 名称 = \"x\" & 名称",
         "UPDATE お気に入り SET 表示 = -1, 名称 = jet_cat('x', 名称)"},
        {"INSERT INTO t (t.a, b) VALUES (True, #1/6/2023#)", "INSERT INTO t (a, b) VALUES (-1, 44932.0)"},
        {"INSERT INTO t SELECT a FROM u WHERE b = \"x\"", "INSERT INTO t SELECT a FROM u WHERE b = 'x'"},
        {"DELETE a.* FROM 表 AS a INNER JOIN u ON a.k = u.k WHERE u.z = 1",
         "DELETE FROM \"表\" WHERE rowid IN (SELECT \"a\".rowid FROM 表 AS a INNER JOIN u ON a.k = u.k WHERE u.z = 1)"},
        {"SELECT TOP 5 a FROM t", "SELECT a FROM t LIMIT 5"},
        {"DELETE * FROM t x WHERE x.a = 1", "DELETE FROM t AS x WHERE x.a = 1"},
        {"UPDATE t x SET x.a = 1", "UPDATE t AS x SET a = 1"},
        {"SELECT DISTINCTROW t.a FROM t AS x", "SELECT t.a FROM t AS x"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(translated(c.jet), c.sqlite) << c.jet;
}

TEST(JetTranslator, MapsDdlToSqliteTypesAndScopedIndexNames)
{
    const TextCase cases[] = {
        {"CREATE TEMPORARY TABLE w (ID COUNTER, f YESNO NOT NULL, m MEMO WITH COMPRESSION, d DATETIME, c CURRENCY, "
         "b BYTE, s TEXT(10) WITH COMP NOT NULL, CONSTRAINT pk PRIMARY KEY (ID))",
         "CREATE TEMP TABLE w (ID INTEGER CONSTRAINT pk PRIMARY KEY AUTOINCREMENT, f INTEGER YESNO NOT NULL DEFAULT 0, "
         "m TEXT MEMO COLLATE JET, d REAL DATETIME, c REAL CURRENCY, b INTEGER BYTE, "
         "s TEXT(10) COLLATE JET NOT NULL)"},
        {"CREATE TABLE k (a LONG CONSTRAINT pk PRIMARY KEY, b CHAR(4) UNIQUE, c LONG REFERENCES o (id) ON UPDATE CASCADE)",
         "CREATE TABLE k (a INTEGER LONG NOT NULL CONSTRAINT pk PRIMARY KEY, b CHAR(4) COLLATE JET UNIQUE, "
         "c INTEGER LONG REFERENCES o (id) ON UPDATE CASCADE)"},
        {"CREATE TABLE f (a LONG, CONSTRAINT fk FOREIGN KEY NO INDEX (a) REFERENCES Plan (Key) ON DELETE CASCADE)",
         "CREATE TABLE f (a INTEGER LONG, CONSTRAINT fk FOREIGN KEY (a) REFERENCES [Plan] ([Key]) ON DELETE CASCADE)"},
        {"CREATE UNIQUE INDEX i ON t (a DESC, [b c]) WITH IGNORE NULL", "CREATE UNIQUE INDEX \"t.i\" ON t (a DESC, [b c])"},
        {"CREATE INDEX i ON t (a) WITH PRIMARY", "CREATE UNIQUE INDEX \"t.i\" ON t (a)"},
        {"DROP INDEX i ON t", "DROP INDEX \"t.i\""},
        {"ALTER TABLE t ADD COLUMN c LONG NOT NULL", "ALTER TABLE t ADD COLUMN c INTEGER LONG NOT NULL DEFAULT 0"},
        {"ALTER TABLE t ADD COLUMN c TEXT(10) NOT NULL", "ALTER TABLE t ADD COLUMN c TEXT(10) COLLATE JET NOT NULL DEFAULT ''"},
        {"ALTER TABLE t ADD COLUMN c TEXT(10) CONSTRAINT u UNIQUE",
         "ALTER TABLE t ADD COLUMN c TEXT(10) COLLATE JET; CREATE UNIQUE INDEX \"t.u\" ON t (c)"},
        {"ALTER TABLE t DROP CONSTRAINT uq", "DROP INDEX \"t.uq\""},
        {"ALTER TABLE t DROP c", "ALTER TABLE t DROP COLUMN c"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(translated(c.jet), c.sqlite) << c.jet;
}

TEST(JetTranslator, RefusesWhatItCannotRunFaithfully)
{
    const TextCase cases[] = {
        {"SELECT a FROM t; DELETE FROM t", "Only one SQL statement"},
        {"SELECT a FROM t;;", "Only one SQL statement"},
        {"SELECT a FROM t WHERE b = ?", "Parameter markers"},
        {"SELECT a FROM t WHERE b = :b", "Parameter markers"},
        {"SELECT a FROM t WHERE b = @b", "Parameter markers"},
        {"SELECT a FROM t WHERE b = $b", "Parameter markers"},
        {"SELECT a FROM t WHERE b = 'x", "Unterminated string"},
        {"SELECT a FROM t WHERE b = \"x", "Unterminated string"},
        {"SELECT [a FROM t", "Unterminated [name]"},
        {"SELECT a FROM t WHERE d = #1/2/2023", "Unterminated #date#"},
        {"SELECT a FROM t WHERE d = #13/45/2023#", "Invalid date literal"},
        {"SELECT (a FROM t", "expected"},
        {"SELECT a FROM t WHERE a || b", "Unexpected character"},
        {"PARAMETERS p Long; SELECT a FROM t WHERE b = p", "PARAMETERS"},
        {"TRANSFORM Count(a) SELECT b FROM t GROUP BY b PIVOT c", "TRANSFORM"},
        {"SELECT a FROM t WHERE a Xor b", "Xor"},
        {"SELECT TOP 10 PERCENT a FROM t", "PERCENT"},
        {"SELECT DISTINCTROW a FROM t INNER JOIN u ON t.k = u.k", "DISTINCTROW"},
        {"ALTER TABLE t ALTER COLUMN a LONG", "ALTER COLUMN"},
        {"ALTER TABLE t ADD PRIMARY KEY (a)", "CONSTRAINT name"},
        {"SELECT a FROM t WHERE a Like 'x!*' ESCAPE '!'", "ESCAPE"},
        {"SELECT * INTO n FROM t", "SELECT * INTO"},
        {"DELETE * FROM t INNER JOIN u ON t.k = u.k", "must name the table"},
        {"CREATE TABLE c (n COUNTER, x LONG)", "COUNTER"},
        {"SELECT a FROM t IN 'other.mdb'", "another database"},
        {"SELECT a FROM t ORDER BY a LIMIT 1", "LIMIT is not Jet SQL: use SELECT TOP n"},
    };
    for (const TextCase& c : cases) {
        try {
            const QString out = translateJet(QString::fromUtf8(c.jet));
            ADD_FAILURE() << c.jet << " was accepted as " << out.toStdString();
        } catch (const DbError& e) {
            EXPECT_EQ(e.code(), 0) << c.jet;
            EXPECT_TRUE(e.engineMessage().contains(QString::fromUtf8(c.sqlite))) << c.jet << ": "
                                                                                  << e.engineMessage().toStdString();
            EXPECT_EQ(e.jetSql(), QString::fromUtf8(c.jet));
        }
    }
    // Marker characters inside literals and brackets are plain text.
    EXPECT_EQ(translated("SELECT '?', \"@x; y\", [a?b] FROM t"), "SELECT '?', '@x; y', [a?b] FROM t");
}

// Cut-off and damaged statements (a free-SQL box, a truncated file) must be
// refused cleanly: every prefix either translates or throws DbError.
TEST(JetTranslator, EveryPrefixOfAStatementTranslatesOrIsRefused)
{
    const char* const statements[] = {
        "SELECT TOP 2 t.a AS x, Mid(b, 1, 2) & \"-\" FROM (t INNER JOIN u ON t.k = u.k) WHERE c Between 1 And #1/2/2023# "
        "AND d In (\"a\", 'b') AND Not IsNull(e) GROUP BY t.a, b HAVING Count(*) > 1 ORDER BY 1 DESC;",
        "CREATE TABLE t (ID COUNTER, a TEXT(10) WITH COMP NOT NULL, b CHAR 5, CONSTRAINT pk PRIMARY KEY (ID))",
        "ALTER TABLE t ADD COLUMN c LONG CONSTRAINT u UNIQUE",
        "DELETE x.* FROM t AS x INNER JOIN u ON x.k = u.k WHERE u.f = True",
        "UPDATE t SET t.a = 2 ^ -b \\ 3 Mod 2, c = \"x\" + d WHERE e Like \"*a[!b]#\"",
        "INSERT INTO t (a, b) VALUES (-1.5e3, 'it''s')",
    };
    for (const char* statement : statements) {
        const QString full = QString::fromUtf8(statement);
        for (qsizetype n = 0; n <= full.size(); ++n) {
            const QString part = full.left(n);
            try {
                translateJetParameterized(part);
                translateJetStatements(part);
            } catch (const DbError& e) {
                EXPECT_EQ(e.code(), 0) << part.toStdString();
            }
        }
    }
}

// Long values and long Or chains (a condition of many values) translate in
// time linear in their length (bench_jet_translate shows the times); what
// would exhaust memory or the stack is refused with a message that says so.
TEST(JetTranslator, LongStatementsTranslateAndExcessesAreRefusedPlainly)
{
    const QString value(1 << 20, QLatin1Char('x'));
    const auto oneMegabyte = translateJetParameterized(QStringLiteral("SELECT a FROM t WHERE b = '") + value +
                                                       QLatin1Char('\''));
    ASSERT_EQ(oneMegabyte.literals.size(), 1);
    EXPECT_EQ(oneMegabyte.literals[0].toString(), value);

    QString chain = QStringLiteral("SELECT a FROM t WHERE ");
    for (int i = 0; i < 50000; ++i)
        chain += QStringLiteral("b = '%1' OR ").arg(i);
    chain += QStringLiteral("b = 'last'");
    EXPECT_TRUE(translateJet(chain).endsWith(QStringLiteral("b = 'last'")));

    const auto nested = [](const QString& open, int depth, const QString& close) -> QString {
        return QStringLiteral("SELECT ") + open.repeated(depth) + QStringLiteral("1") + close.repeated(depth) +
               QStringLiteral(" FROM t");
    };
    EXPECT_NO_THROW(translateJet(nested(QStringLiteral("("), 150, QStringLiteral(")"))));
    struct Refused {
        QString sql;
        const char* message;
    };
    const Refused refused[] = {
        {nested(QStringLiteral("("), 100000, QStringLiteral(")")), "nested too deeply"},
        {nested(QStringLiteral("Not "), 100000, QString()), "nested too deeply"},
        {nested(QStringLiteral("-"), 100000, QString()), "nested too deeply"},
        {nested(QStringLiteral("Abs("), 100000, QStringLiteral(")")), "nested too deeply"},
        {QStringLiteral("SELECT '") + QString(tq::store::kMaxJetStatementLength, QLatin1Char('x')) +
             QStringLiteral("'"),
         "too long"},
    };
    for (const Refused& r : refused) {
        try {
            translateJet(r.sql);
            ADD_FAILURE() << r.message << ": accepted";
        } catch (const DbError& e) {
            EXPECT_TRUE(e.engineMessage().contains(QString::fromUtf8(r.message))) << e.engineMessage().toStdString();
        }
    }
}

// The stop check (the busy window's cancel) ends a long translation.
TEST(JetTranslator, StopCheckInterruptsALongTranslation)
{
    QString chain = QStringLiteral("SELECT a FROM t WHERE b = 0");
    for (int i = 1; i < 20000; ++i)
        chain += QStringLiteral(" OR b = %1").arg(i);
    int asked = 0;
    try {
        translateJetParameterized(chain, [&asked] { return ++asked == 3; });
        ADD_FAILURE() << "not interrupted";
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), SQLITE_INTERRUPT);
    }
    EXPECT_EQ(asked, 3);
    int calls = 0;
    EXPECT_NO_THROW(translateJetParameterized(chain, [&calls] { return ++calls < 0; }));
    EXPECT_GT(calls, 3);
}

// An in-memory database with the Jet extensions and a small table of scores.
class JetTranslatorDb : public ::testing::Test {
protected:
    JetTranslatorDb()
    {
        sqlite3_open(":memory:", &m_db);
        tq::store::registerJetExtensions(m_db);
        run("CREATE TABLE s (name TEXT COLLATE JET, gpa DOUBLE, k INTEGER);"
            "INSERT INTO s VALUES ('a', 4.0, 1), ('b', 3.5, 2), ('c', 3.5, 2), ('d', 3.0, 3);"
            "CREATE TABLE u (k INTEGER, flag INTEGER);"
            "INSERT INTO u VALUES (2, -1), (3, 0);");
    }
    ~JetTranslatorDb() override { sqlite3_close(m_db); }

    void run(const QString& sql)
    {
        char* error = nullptr;
        const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error);
        EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "") << " in " << sql.toStdString();
        sqlite3_free(error);
    }

    // First column of every row, joined by blanks; values bound in order.
    QString column(const QString& sql, const QVariantList& bind = {})
    {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
            return QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(m_db));
        for (int i = 0; i < bind.size(); ++i) {
            if (bind[i].typeId() == QMetaType::QString)
                sqlite3_bind_text(stmt, i + 1, bind[i].toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
            else if (bind[i].typeId() == QMetaType::Double)
                sqlite3_bind_double(stmt, i + 1, bind[i].toDouble());
            else
                sqlite3_bind_int64(stmt, i + 1, bind[i].toLongLong());
        }
        QStringList values;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        return values.join(QLatin1Char(' '));
    }

    sqlite3* m_db = nullptr;
};

TEST_F(JetTranslatorDb, TopKeepsRowsTiedWithTheLastOne)
{
    const struct {
        const char* jet;
        const char* rows;
    } cases[] = {
        {"SELECT TOP 2 * FROM s ORDER BY gpa DESC", "a b c"},
        {"SELECT TOP 2 s.* FROM s ORDER BY gpa DESC, name", "a b"},
        {"SELECT TOP 2 name AS n, gpa * 2 FROM s ORDER BY 2 DESC", "a b c"},
        {"SELECT TOP 2 name AS n FROM s ORDER BY n DESC", "d c"},
        {"SELECT TOP 1 s.name, u.k FROM s INNER JOIN u ON s.k = u.k ORDER BY u.flag", "b c"},
        {"SELECT name FROM s WHERE k IN (SELECT TOP 1 k FROM u ORDER BY k DESC)", "d"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(column(translateJet(QString::fromUtf8(c.jet))), QString::fromUtf8(c.rows)) << c.jet;
}

TEST_F(JetTranslatorDb, DeleteThroughAJoinRemovesOnlyTheNamedTablesRows)
{
    run(translateJet(QStringLiteral("DELETE x.* FROM s AS x INNER JOIN u ON x.k = u.k WHERE u.flag = True")));
    EXPECT_EQ(column(QStringLiteral("SELECT name FROM s ORDER BY name")), QStringLiteral("a d"));
    EXPECT_EQ(column(QStringLiteral("SELECT count(*) FROM u")), QStringLiteral("2"));
}

TEST_F(JetTranslatorDb, SelectIntoWithoutSchemaTypesTheNewColumnsFromTheExpressions)
{
    for (const QString& sql : translateJetStatements(
             QStringLiteral("SELECT name & \"!\" AS t, k * 2 AS n INTO w FROM s WHERE k = 1")))
        run(sql);
    EXPECT_EQ(column(QStringLiteral("SELECT t || typeof(n) FROM w WHERE t = 'A!'")), QStringLiteral("a!real"));
}

TEST(JetTranslatorParameterized, BindsOnlyValuesOfComparisonsAndWrites)
{
    const struct {
        const char* jet;
        const char* sql;
        QVariantList literals;
    } cases[] = {
        {"SELECT 'x', Format(d, \"yyyy\"), Mid(n, 2, 3) FROM t WHERE Format(d, \"yyyy\") = \"2023\" AND k > -1.5",
         "SELECT 'x', jet_format(d, 'yyyy'), jet_mid(n, 2, 3) FROM t WHERE jet_format(d, 'yyyy') = ? COLLATE JET AND k > ?",
         {QStringLiteral("2023"), -1.5}},
        {"SELECT TOP 3 k FROM t INNER JOIN u ON t.k = u.k AND u.z <> 'a' WHERE k In (1, 2) GROUP BY k HAVING Count(*) > 1 "
         "ORDER BY 1",
         "SELECT k FROM (SELECT k, RANK() OVER (ORDER BY k) AS jet_top_rank FROM t INNER JOIN u ON t.k = u.k AND u.z <> ? "
         "WHERE k In (?, ?) GROUP BY k HAVING Count(*) > ?) WHERE jet_top_rank <= 3 ORDER BY jet_top_rank",
         {QStringLiteral("a"), qlonglong(1), qlonglong(2), qlonglong(1)}},
        {"UPDATE t SET a = 'x', b = b + 1, c = #1/6/2023# WHERE d Between 9 And 2",
         "UPDATE t SET a = ?, b = b + 1, c = ? WHERE d Between ? And ?",
         {QStringLiteral("x"), 44932.0, qlonglong(2), qlonglong(9)}},
        {"INSERT INTO t VALUES ('a''b', 1, Null, True)", "INSERT INTO t VALUES (?, ?, Null, ?)",
         {QStringLiteral("a'b"), qlonglong(1), qlonglong(-1)}},
        {"CREATE TABLE t (a TEXT(5) DEFAULT 'x')", "CREATE TABLE t (a TEXT(5) COLLATE JET DEFAULT 'x')", {}},
        {"SELECT a INTO n FROM t WHERE b = 1", "CREATE TABLE n (a); INSERT INTO n (a) SELECT a FROM t WHERE b = 1", {}},
    };
    for (const auto& c : cases) {
        const tq::store::ParameterizedSql p = translateJetParameterized(QString::fromUtf8(c.jet));
        EXPECT_EQ(squeeze(p.sql), c.sql) << c.jet;
        EXPECT_EQ(p.literals, c.literals) << c.jet;
        for (qsizetype i = 0; i < std::min(p.literals.size(), c.literals.size()); ++i)
            EXPECT_EQ(p.literals[i].typeId(), c.literals[i].typeId()) << c.jet << " literal " << i;
    }
    // Statements that differ only in compared literals share one text.
    EXPECT_EQ(translateJetParameterized(QStringLiteral("SELECT a FROM t WHERE b = 'x'")).sql,
              translateJetParameterized(QStringLiteral("SELECT a FROM t WHERE b = \"y\"")).sql);
}

} // namespace
