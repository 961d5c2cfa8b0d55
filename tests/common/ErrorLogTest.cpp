#include "common/ErrorLog.h"
#include "common/TextFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using tq::common::ErrorInfo;
using tq::common::ErrorLog;
using tq::common::readTextLines;

namespace {

QStringList procedures(const QString& path)
{
    QStringList names;
    for (const QString& line : readTextLines(path))
        names.append(line.section(QLatin1Char('\t'), 4, 4));
    return names;
}

} // namespace

TEST(ErrorLog, UsableBeforeConfiguration)
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    {
        ErrorLog log;
        EXPECT_EQ(log.logFileName(), QStringLiteral("TQ.log"));
        EXPECT_EQ(log.logMax(), 1000);
        log.report({5, QStringLiteral("early"), {}}, QStringLiteral("GetIniFile"));
        ASSERT_EQ(log.recentEntries().size(), 1);
    }
    QDir::setCurrent(previous);
    EXPECT_EQ(procedures(dir.filePath(QStringLiteral("TQ.log"))), QStringList{QStringLiteral("GetIniFile")});
}

TEST(ErrorLog, WritesOneCp932LinePerEntry)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TQ.log"));
    ErrorLog log;
    log.setLogFileName(path);
    log.setExeName(QStringLiteral("DEVovuved"));
    log.setFormName(QStringLiteral("MDIFrmDEVovuved"));
    log.report({3024, QStringLiteral("not found\r\nsecond line\tend"), QStringLiteral("DAO")}, QStringLiteral("DBOpn"));
    log.report({0, QString::fromUtf16(u"起動しました"), {}}, QStringLiteral("Main"), 0, true);
    log.report({1, QString::fromUtf16(u"简 ①"), {}}, QStringLiteral("x"));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.count("\r\n"), 3);
    EXPECT_TRUE(bytes.contains("\x8B\x4E\x93\xAE")) << "CP932 起動";

    const QStringList lines = readTextLines(path);
    ASSERT_EQ(lines.size(), 3);
    const QString stamp = QStringLiteral("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\\t");
    const QString expected[] = {
        stamp + QString::fromUtf16(u"\\[エラー\\]\\tDEVovuved\\tMDIFrmDEVovuved\\tDBOpn\\t3024\\tnot found  second line end$"),
        stamp + QString::fromUtf16(u"\\[情報\\]\\tDEVovuved\\tMDIFrmDEVovuved\\tMain\\t0\\t起動しました$"),
        stamp + QString::fromUtf16(u"\\[エラー\\].*\\t\\? ①$"),
    };
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(QRegularExpression(expected[i]).match(lines.at(i)).hasMatch()) << lines.at(i).toStdString();

    const auto entries = log.recentEntries();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_TRUE(entries.at(1).information);
    EXPECT_EQ(entries.at(0).number, 3024);
    EXPECT_EQ(entries.at(0).procedure, QStringLiteral("DBOpn"));
    EXPECT_EQ(entries.at(0).line, lines.at(0));
}

TEST(ErrorLog, KeepsAtMostLogMaxEntries)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TQ.log"));
    ErrorLog log;
    log.setLogFileName(path);
    log.setLogMax(3);
    for (int i = 1; i <= 5; ++i)
        log.report({i, QStringLiteral("e"), {}}, QStringLiteral("p%1").arg(i));
    EXPECT_EQ(procedures(path), (QStringList{QStringLiteral("p3"), QStringLiteral("p4"), QStringLiteral("p5")}));

    log.setLogMax(0); // unlimited
    for (int i = 6; i <= 7; ++i)
        log.report({i, QStringLiteral("e"), {}}, QStringLiteral("p%1").arg(i));
    EXPECT_EQ(procedures(path).size(), 5);

    log.setLogMax(2); // lowering the limit drops every surplus line at the next report
    log.report({8, QStringLiteral("e"), {}}, QStringLiteral("p8"));
    EXPECT_EQ(procedures(path), (QStringList{QStringLiteral("p7"), QStringLiteral("p8")}));
}

TEST(ErrorLog, BurstOfReportsStaysWithinLogMax)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TQ.log"));
    ErrorLog log;
    log.setLogFileName(path);
    log.setLogMax(100);
    for (int i = 1; i <= 400; ++i) {
        log.report({i, QStringLiteral("row"), {}}, QStringLiteral("p%1").arg(i));
        if (i % 37 == 0) {
            ASSERT_LE(procedures(path).size(), 100) << "after " << i;
        }
    }
    const QStringList names = procedures(path);
    EXPECT_LE(names.size(), 100);
    EXPECT_GE(names.size(), 90);
    EXPECT_EQ(names.back(), QStringLiteral("p400"));
    EXPECT_EQ(names.front(), QStringLiteral("p%1").arg(401 - names.size())); // contiguous, oldest dropped
}

TEST(ErrorLog, UnwritableLogIsSkippedButEntriesAreKept)
{
    QTemporaryDir dir;
    const QString unwritable[] = {dir.filePath(QStringLiteral("missing/dir/TQ.log")), dir.path()};
    for (const QString& path : unwritable) {
        ErrorLog log;
        log.setLogFileName(path);
        log.report({1, QStringLiteral("lost"), {}}, QStringLiteral("subBunseki"));
        ASSERT_EQ(log.recentEntries().size(), 1) << path.toStdString();
        EXPECT_EQ(log.recentEntries().at(0).description, QStringLiteral("lost"));
    }

    ErrorLog log;
    log.setLogFileName(QString());
    for (int i = 0; i < ErrorLog::kRecentEntries + 50; ++i)
        log.report({i, {}, {}}, QStringLiteral("p"));
    const auto entries = log.recentEntries();
    ASSERT_EQ(entries.size(), ErrorLog::kRecentEntries);
    EXPECT_EQ(entries.front().number, 50);
}
