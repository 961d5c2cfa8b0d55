// The pair rewrites ([ZENSOU1], [HENKAN], single pairs) and the on-demand joins.

#include "conditions/Rewrites.h"

#include <gtest/gtest.h>

#include <ostream>

// Readable QString values in failure messages.
static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

#include <algorithm>
#include <chrono>

namespace tq::conditions {
namespace {

struct RewriteCase {
    const char* text;
    const char* expected;
};

TEST(Rewrite, PairsDoNotCascadeAndFirstPairWins)
{
    const std::vector<NamePair> pairs = {
        {QStringLiteral("X"), QStringLiteral("X_1")}, // from is a prefix of to
        {QStringLiteral("ab"), QStringLiteral("b")},  // output "b" must not be re-read by the next pair
        {QStringLiteral("b"), QStringLiteral("c")},
        {QStringLiteral("a"), QStringLiteral("A")}, // shadowed by "ab" where both match
    };
    const RewriteCase cases[] = {
        {"X.a", "X_1.A"}, {"X_1.a", "X_1.A"}, {"abb", "bc"}, {"aXb", "AX_1c"}, {"", ""}, {"zzz", "zzz"},
    };
    for (const RewriteCase& c : cases)
        EXPECT_EQ(rewritePairs(QString::fromUtf8(c.text), pairs, PairDirection::FirstToSecond),
                  QString::fromUtf8(c.expected))
            << c.text;

    // Reverse direction: "X_1" already starts with its to-text "X", so it stays.
    EXPECT_EQ(rewritePairs(QStringLiteral("X_1 c"), pairs, PairDirection::SecondToFirst), QStringLiteral("X_1 b"));
    // An empty from-text is ignored (and never loops).
    EXPECT_EQ(rewritePairs(QStringLiteral("abc"), {{QString(), QStringLiteral("q")}}, PairDirection::FirstToSecond),
              QStringLiteral("abc"));
}

TEST(Rewrite, MojiHenkanReplacesEveryOccurrence)
{
    EXPECT_EQ(funMojiHenkan(QStringLiteral("a_1 + b_1_1"), QStringLiteral("_1"), QStringLiteral("_3")),
              QStringLiteral("a_3 + b_3_3"));
    EXPECT_EQ(funMojiHenkan(QStringLiteral("D競走馬データ.騎手名 = D競走馬データ.騎手名X"),
                            QStringLiteral("D競走馬データ.騎手名"), QStringLiteral("D成績データ.騎手名")),
              QStringLiteral("D成績データ.騎手名 = D成績データ.騎手名X"));
}

ConditionCatalogue rewriteCatalogue()
{
    ConditionCatalogue cat;
    cat.zensou = {{QStringLiteral("D競走馬データ.騎手コード"), QStringLiteral("Z成績データ_1.騎手コード")},
                  {QStringLiteral("D番組データ."), QStringLiteral("Z番組データ_1.")},
                  {QStringLiteral("D競走馬データ."), QStringLiteral("Z競走馬データ_1.")}};
    cat.henkan = {{QStringLiteral("T番組データ."), QStringLiteral("D番組データ.")},
                  {QStringLiteral("JOIN T競走馬データ ON"), QStringLiteral("JOIN D競走馬データ ON")}};
    return cat;
}

TEST(Rewrite, ZensouHenkanPerTarget)
{
    const ConditionCatalogue cat = rewriteCatalogue();
    const QString s = QStringLiteral("D番組データ.距離 + D競走馬データ.騎手コード + D競走馬データ.馬体重_1");
    const struct {
        int target;
        const char* expected;
    } cases[] = {
        {0, "D番組データ.距離 + D競走馬データ.騎手コード + D競走馬データ.馬体重_1"},
        {1, "Z番組データ_1.距離 + Z成績データ_1.騎手コード + Z競走馬データ_1.馬体重_1"},
        {2, "Z番組データ_1.距離 + Z成績データ_1.騎手コード + Z競走馬データ_1.馬体重_1"},
        {3, "Z番組データ_2.距離 + Z成績データ_2.騎手コード + Z競走馬データ_2.馬体重_2"},
        {6, "Z番組データ_3.距離 + Z成績データ_3.騎手コード + Z競走馬データ_3.馬体重_3"},
        {8, "Z番組データ_4.距離 + Z成績データ_4.騎手コード + Z競走馬データ_4.馬体重_4"},
        {9, "Z番組データ_5.距離 + Z成績データ_5.騎手コード + Z競走馬データ_5.馬体重_5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(funZensouHenkan(cat, s, c.target), QString::fromUtf8(c.expected)) << c.target;
}

TEST(Rewrite, ThisAndDataHenkanWithDollarEscape)
{
    const ConditionCatalogue cat = rewriteCatalogue();
    EXPECT_EQ(funThisHenkan(cat, QStringLiteral("$D番組データ.x")), QStringLiteral("D番組データ.x"));
    EXPECT_EQ(funThisHenkan(cat, QStringLiteral("D番組データ.x")), QStringLiteral("T番組データ.x"));
    EXPECT_EQ(funDataHenkan(cat, QStringLiteral("T番組データ.x")), QStringLiteral("D番組データ.x"));
    EXPECT_EQ(funThisHenkan(cat, QStringLiteral("D番組データ.a = '$$' AND $D番組データ.b$")),
              QStringLiteral("T番組データ.a = '$' AND D番組データ.b"));
    EXPECT_EQ(funDataHenkan(cat, QStringLiteral("A INNER JOIN T競走馬データ ON T番組データ.k = T競走馬データ.k")),
              QStringLiteral("A INNER JOIN D競走馬データ ON D番組データ.k = T競走馬データ.k"));
    EXPECT_EQ(withPastNames(cat, QStringLiteral("X.a")), QStringLiteral("X.a"));
    EXPECT_EQ(withPastNames(cat, QStringLiteral("T番組データ.a")), QStringLiteral("T番組データ.a D番組データ.a"));
}

TEST(Rewrite, LongTextIsRewrittenInLinearTime)
{
    const ConditionCatalogue cat = rewriteCatalogue();
    // The best of three timings of a text of `terms` terms, in seconds.
    auto seconds = [&cat](int terms) {
        const QString text = QStringLiteral("D番組データ.距離 AND ").repeated(terms);
        double best = 0;
        for (int round = 0; round < 3; ++round) {
            const auto start = std::chrono::steady_clock::now();
            const QString out = funZensouHenkan(cat, text, 9);
            const double taken = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            best = round == 0 ? taken : std::min(best, taken);
            EXPECT_TRUE(out.startsWith(QStringLiteral("Z番組データ_5.距離 AND Z番組データ_5.")));
            EXPECT_EQ(out.size(), text.size() + terms * 2);
        }
        return best;
    };
    // Eight times the text takes about eight times as long; a quadratic
    // rewrite would take sixty-four times. Measured against each other in
    // the same run, the bound holds on a slow or loaded machine as well.
    const double small = seconds(25000);
    const double large = seconds(200000);
    EXPECT_LT(large, 24 * small) << "25000 terms: " << small << " s, 200000 terms: " << large << " s";
}

TEST(Rewrite, JoinIsAddedOnceAndOnlyWhenReferred)
{
    const JoinRule rule{QStringLiteral("Z番組データ_1"),
                        QStringLiteral("LEFT JOIN D番組データ AS Z番組データ_1 ON Z番組データ_1.レースキー = X.k"),
                        QString()};
    const QString f = QStringLiteral("A INNER JOIN B ON A.k = B.k ");
    const QString joined = QStringLiteral("(") + f + QStringLiteral(") ") + rule.link;

    EXPECT_EQ(funJoinTsuika(f, QStringLiteral("SELECT A.x "), QString(), rule), f);
    EXPECT_EQ(funJoinTsuika(f, QStringLiteral("SELECT Z番組データ_1.距離 "), QString(), rule), joined);
    EXPECT_EQ(funJoinTsuika(f, QStringLiteral("SELECT A.x "), QStringLiteral("Z番組データ_1.距離 > 1"), rule), joined);
    EXPECT_EQ(funJoinTsuika(joined, QStringLiteral("SELECT Z番組データ_1.距離 "), QString(), rule), joined);

    // A table named only in another rule's join text does not call for its join.
    ConditionCatalogue cat;
    cat.joins = {JoinRule{QStringLiteral("P"), QStringLiteral("LEFT JOIN P ON P.k = Q.k"), QString()},
                 JoinRule{QStringLiteral("Q"), QStringLiteral("LEFT JOIN Q ON Q.k = A.k"), QString()}};
    EXPECT_EQ(addCatalogueJoins(cat, QStringLiteral("A"), QStringLiteral("SELECT P.x"), QString()),
              QStringLiteral("(A) LEFT JOIN P ON P.k = Q.k"));
    EXPECT_EQ(addCatalogueJoins(cat, QStringLiteral("A"), QStringLiteral("SELECT P.x"), QStringLiteral("Q.y = 1")),
              QStringLiteral("((A) LEFT JOIN P ON P.k = Q.k) LEFT JOIN Q ON Q.k = A.k"));
}

} // namespace
} // namespace tq::conditions
