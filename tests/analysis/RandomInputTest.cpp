// Bounded random-input runs over the readers of outside text: the condition
// file reader (and the WHERE text and Jet translation of what it read), the
// catalogue reader, the profile reader and the Jet-SQL translator. Inputs are
// seeds (shipped examples and typical statements) mutated by a fixed-seed
// generator: cuts, repeats, splices, stray quotes, brackets, line breaks,
// NULs and characters outside CP932. Each reader must return or throw its
// documented error; a crash, a hang (the CTest timeout) or a sanitizer report
// fails the run.
//
// TQ_RANDOM_INPUT_SECONDS=<n> runs each reader for n seconds instead of the
// fixed number of inputs (for longer runs by hand); TQ_RANDOM_INPUT_SEED
// changes the seed.

#include "analysis/AnalysisDocument.h"
#include "analysis/ConditionFile.h"
#include "common/ProfileFile.h"
#include "common/TextFile.h"
#include "conditions/CatalogueReader.h"
#include "conditions/Where.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "store/DbError.h"
#include "store/JetTranslator.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace tq;

namespace {

constexpr int kInputsPerReader = 1500;

// Pieces that mean something to one of the readers.
const char* const kPieces[] = {
    ",", "\r\n", "\r", "\n", "'", "''", "\"", "[", "]", "#", "(", ")", ";", "=", "+", "＋", "-", "*", "&", ":",
    "J003", "JH003", "JKAK,", "K002,", "K003,", "K004,", "K008,", "MODE,", "J999", "[J001]", "[JOUKEN]", "[DB]",
    "[JOIN]", "Count=", "Count=-1", "Count=32768", "Range=", "Range=3,5,1", "Name=", "Type=9", "Link01=",
    "SELECT ", " FROM ", " WHERE ", " OR ", " AND ", "Not ", " In (", " Between ", " Like ", " Is Null", "IIf(",
    "Mid(", "#1/2/2023#", "1e308", "-0", ".5", "99999", "2147483648", "ＡＢＣ", "①", "\xF0\x9F\x90\x8E", "$",
    "@DATA", "LIMIT 1", "TOP 0 ",
};

class Mutator {
public:
    explicit Mutator(const QStringList& seeds, unsigned seed) : m_seeds(seeds), m_random(seed) {}

    QString next()
    {
        QString text = m_seeds.at(pick(m_seeds.size()));
        const int steps = 1 + int(pick(8));
        for (int i = 0; i < steps; ++i)
            mutate(text);
        return text;
    }

private:
    qsizetype pick(qsizetype n) { return n <= 1 ? 0 : qsizetype(m_random() % quint64(n)); }

    void mutate(QString& text)
    {
        const qsizetype at = pick(text.size() + 1);
        switch (pick(7)) {
        case 0: // cut a range
            text.remove(at, pick(64));
            break;
        case 1: // repeat a range
            text.insert(at, text.mid(at, pick(256)).repeated(1 + int(pick(4))));
            break;
        case 2: // a meaningful piece
            text.insert(at, QString::fromUtf8(kPieces[pick(std::size(kPieces))]));
            break;
        case 3: // a random character, control characters and NUL included
            text.insert(at, QChar(char16_t(pick(4) == 0 ? pick(0x20) : 0x20 + pick(0xD7FF - 0x20))));
            break;
        case 4: { // splice from another seed
            const QString& other = m_seeds.at(pick(m_seeds.size()));
            text.insert(at, other.mid(pick(other.size()), pick(512)));
            break;
        }
        case 5: // truncate
            text.truncate(at);
            break;
        default: // replace a character by a digit or a sign
            if (at < text.size())
                text[at] = QLatin1Char("0123456789-.,'"[pick(14)]);
            break;
        }
    }

    QStringList m_seeds;
    std::mt19937_64 m_random;
};

unsigned seedFromEnvironment()
{
    bool ok = false;
    const unsigned seed = qEnvironmentVariable("TQ_RANDOM_INPUT_SEED").toUInt(&ok);
    return ok ? seed : 20240601u;
}

// Runs `reader` over mutated seeds: a fixed number of inputs, or for the
// seconds TQ_RANDOM_INPUT_SECONDS gives.
void runRandomInputs(const QStringList& seeds, const std::function<void(const QString&)>& reader)
{
    ASSERT_FALSE(seeds.isEmpty());
    Mutator mutator(seeds, seedFromEnvironment());
    bool timed = false;
    const qint64 seconds = qEnvironmentVariable("TQ_RANDOM_INPUT_SECONDS").toLongLong(&timed);
    QElapsedTimer clock;
    clock.start();
    qint64 inputs = 0;
    for (; timed ? clock.elapsed() < seconds * 1000 : inputs < kInputsPerReader; ++inputs) {
        const QString input = mutator.next();
        SCOPED_TRACE(input.left(300).toStdString());
        reader(input);
        if (::testing::Test::HasFailure())
            return;
    }
    if (timed)
        std::printf("%lld inputs in %lld s\n", static_cast<long long>(inputs), static_cast<long long>(seconds));
}

QString sourceText(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

conditions::ConditionCatalogue shippedCatalogue()
{
    conditions::ConditionCatalogue catalogue;
    parseCatalogueLines(sourceText(QStringLiteral(TQ_SOURCE_DIR "/data/DEVovuved.ini")).split(QStringLiteral("\n")),
                        catalogue);
    return catalogue;
}

QStringList exampleConditionTexts()
{
    QStringList texts;
    QDirIterator files(QStringLiteral(TQ_SOURCE_DIR "/examples"), {QStringLiteral("*.tqb")}, QDir::Files);
    while (files.hasNext())
        texts << common::readTextLines(files.next()).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    return texts;
}

} // namespace

TEST(RandomInput, ConditionReaderAndTheSqlOfWhatItRead)
{
    context::ScriptedPrompter prompter;
    context::SilentBusy busy;
    context::AppContext ctx(prompter, busy);
    ctx.catalogue = shippedCatalogue();
    runRandomInputs(exampleConditionTexts(), [&ctx](const QString& text) {
        analysis::AnalysisDocument doc;
        analysis::ConditionLoadOptions options;
        options.input = analysis::ConditionInput::Text;
        analysis::funJoukenLoad(ctx, doc, text, options); // never throws
        const QString where = conditions::funWhere(ctx.catalogue, doc.conditions, true, nullptr, ctx.errorLog);
        try {
            store::translateJetParameterized(QStringLiteral("SELECT * FROM D番組データ WHERE ") + where);
        } catch (const store::DbError&) {
            // An extended row may hold anything; refusing it is fine.
        }
        (void)analysis::conditionFileLines(ctx.catalogue, doc);
    });
}

TEST(RandomInput, CatalogueReader)
{
    runRandomInputs({sourceText(QStringLiteral(TQ_SOURCE_DIR "/data/DEVovuved.ini"))}, [](const QString& text) {
        conditions::ConditionCatalogue catalogue;
        try {
            conditions::parseCatalogueLines(text.split(QLatin1Char('\n')), catalogue);
        } catch (const conditions::CatalogueError&) {
        }
    });
}

TEST(RandomInput, ProfileReader)
{
    const QStringList seeds{
        QStringLiteral("[KORVEN]\r\nDBDir=C:\\KORVEN\\DB\r\nLogMax=1000\r\n; comment\r\n[LOG]\r\nFile=\"x.log\"\r\n"),
        QStringLiteral("[DEZide]\r\nRACE_KEY='05231101'\r\n[a]\r\nkey = ＡＢＣ①ｱｲｳ漢字\r\n")};
    runRandomInputs(seeds, [](const QString& text) {
        const common::ProfileFile profile = common::ProfileFile::fromLines(text.split(QStringLiteral("\r\n")));
        for (const char* section : {"KORVEN", "LOG", "DEZide", "a", ""}) {
            for (const char* key : {"DBDir", "LogMax", "File", "RACE_KEY", "key", ""}) {
                (void)profile.value(QString::fromUtf8(section), QString::fromUtf8(key), QStringLiteral("d"));
                (void)profile.contains(QString::fromUtf8(section), QString::fromUtf8(key));
            }
        }
        (void)common::truncateToCp932Bytes(text, 127);
    });
}

TEST(RandomInput, JetTranslator)
{
    const QStringList seeds{
        QStringLiteral("SELECT TOP 2 t.a AS x, Mid(b, 1, 2) & \"-\" FROM (t INNER JOIN u ON t.k = u.k) WHERE c "
                       "Between 1 And #1/2/2023# AND d In (\"a\", 'b') AND Not IsNull(e) GROUP BY t.a, b HAVING "
                       "Count(*) > 1 ORDER BY 1 DESC;"),
        QStringLiteral("CREATE TABLE t (ID COUNTER, a TEXT(10) WITH COMP NOT NULL, CONSTRAINT pk PRIMARY KEY (ID))"),
        QStringLiteral("UPDATE t SET t.a = 2 ^ -b \\ 3 Mod 2, c = \"x\" + d WHERE e Like \"*a[!b]#\""),
        QStringLiteral("INSERT INTO t (a, b) VALUES (-1.5e3, 'it''s')"),
        QStringLiteral("SELECT IIf(a = 1, 'x', Format(d, \"yyyy/mm/dd\")) INTO n FROM t WHERE k In (SELECT k FROM u)"),
        QStringLiteral("DELETE x.* FROM t AS x INNER JOIN u ON x.k = u.k WHERE u.f = True"),
    };
    runRandomInputs(seeds, [](const QString& text) {
        try {
            store::translateJetStatements(text);
            store::translateJetParameterized(text);
        } catch (const store::DbError&) {
        }
    });
}
