// The analyze command end to end on generated data: a condition file that
// is only partly read names every skipped line and exits 3; odd --keys
// ranges are refused with the reason; the written files replace their
// targets only when complete, and targets that are not regular files are
// refused.

#include "common/TextFile.h"
#include "support/GeneratedData.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tq;

namespace {

using Result = support::GeneratedData::ProgramRun;

class AnalyzeCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_data = new support::GeneratedData(1); }
    static void TearDownTestSuite()
    {
        delete s_data;
        s_data = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(s_data->ready()) << s_data->problem(); }

    static Result analyze(const QStringList& args) { return s_data->runProgram(QStringList{QStringLiteral("analyze")} + args); }

    QString write(const char* name, const QStringList& lines)
    {
        const QString path = m_dir.filePath(QString::fromUtf8(name));
        common::writeTextLinesAtomic(path, lines);
        return path;
    }

    static support::GeneratedData* s_data;
    QTemporaryDir m_dir;
};

support::GeneratedData* AnalyzeCommand::s_data = nullptr;

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(AnalyzeCommand, PartlyReadFileNamesEverySkippedLineAndExitsThree)
{
    const QString file = write("partly.tqb", {QStringLiteral("MODE, 0,,0"), QStringLiteral("J009,1000 OR 1=1,1600"),
                                              QStringLiteral("Jxyz,1,2"), QStringLiteral("J009,1000,2400"),
                                              QStringLiteral("K002,距離,不明なキー")});
    const Result r = analyze({file});
    EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    for (const char* named : {"line 2: bound \"1000 OR 1=1\" is not a number", "line 3: not a condition tag",
                              "line 5: aggregation key not in the catalogue, skipped: 不明なキー", "only partly read"})
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(named))) << named << "\n" << r.err.toStdString();

    const QString clean = write("clean.tqb", {QStringLiteral("MODE, 0,,0"), QStringLiteral("J009,1000,2400")});
    EXPECT_EQ(analyze({clean}).exitCode, 0);
}

TEST_F(AnalyzeCommand, OddKeyRangesAreRefusedWithTheReason)
{
    const QString file = write("k.tqb", {QStringLiteral("MODE, 0,,0"), QStringLiteral("J009,1000,2400")});
    const struct {
        const char* keys;
        const char* reason;
    } cases[] = {
        {"距離:9,", "range kind 9 needs a whole number of rows"},
        {"距離:9,0", "range kind 9 needs a whole number of rows"},
        {"距離:9,-5", "range kind 9 needs a whole number of rows"},
        {"距離:2,-100", "range kind 2 needs a step above 0"},
        {"距離:3,5,1,3", "bounds must rise: 1 follows 5"},
        {"距離:7,1", "unknown range kind \"7\""},
    };
    for (const auto& c : cases) {
        const Result r = analyze({file, QStringLiteral("--keys"), QString::fromUtf8(c.keys)});
        EXPECT_EQ(r.exitCode, 2) << c.keys;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.reason))) << c.keys << "\n" << r.err.toStdString();
    }
    EXPECT_EQ(analyze({file, QStringLiteral("--keys"), QStringLiteral("距離:3,1200,1600,2000")}).exitCode, 0);
}

TEST_F(AnalyzeCommand, OutputsReplaceRegularFilesOnlyAndRefuseOtherTargets)
{
    const QString file = write("o.tqb", {QStringLiteral("MODE, 0,,0"), QStringLiteral("J009,1000,2400")});
    const QString csv = m_dir.filePath(QStringLiteral("result.csv"));
    const QString link = m_dir.filePath(QStringLiteral("link.tqb"));
    const QString saved = m_dir.filePath(QStringLiteral("saved.tqb"));
    ASSERT_TRUE(QFile(saved).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::link(saved, link));
    const Result ok = analyze({file, QStringLiteral("--csv"), csv, QStringLiteral("--save"), link});
    ASSERT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    EXPECT_TRUE(bytesOf(csv).endsWith("\r\n"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(bytesOf(saved).startsWith("MODE, 0,,0\r\n"));

    const QString fifo = m_dir.filePath(QStringLiteral("pipe.tqb"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& target : {fifo, QStringLiteral("/dev/full")}) {
        if (!QFileInfo::exists(target))
            continue;
        for (const char* option : {"--save", "--csv", "--list"}) {
            const Result r = analyze({file, QString::fromUtf8(option), target});
            EXPECT_EQ(r.exitCode, 2) << option << " " << target.toStdString();
            EXPECT_TRUE(r.err.contains(QStringLiteral("not a regular file"))) << r.err.toStdString();
        }
    }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

} // namespace

namespace {

TEST_F(AnalyzeCommand, NoListGivesTheSameResultAndRefusesAListFile)
{
    const QString file = write("n.tqb", {QStringLiteral("MODE, 0,,0"), QStringLiteral("J009,1000,2400")});
    const QString withList = m_dir.filePath(QStringLiteral("with.csv"));
    const QString without = m_dir.filePath(QStringLiteral("without.csv"));
    const Result a = analyze({file, QStringLiteral("--csv"), withList});
    const Result b = analyze({file, QStringLiteral("--no-list"), QStringLiteral("--csv"), without});
    ASSERT_EQ(a.exitCode, 0) << a.err.toStdString();
    ASSERT_EQ(b.exitCode, 0) << b.err.toStdString();
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(bytesOf(withList), bytesOf(without));

    const QString list = m_dir.filePath(QStringLiteral("list.csv"));
    const Result refused = analyze({file, QStringLiteral("--no-list"), QStringLiteral("--list"), list});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("--no-list"))) << refused.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(list));
}

} // namespace
