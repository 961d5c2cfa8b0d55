#include "common/TextCodec.h"
#include "common/TextFile.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace tq::common;

namespace {

using tq::support::readBytes;
using tq::support::writeBytes;

// Makes every file write beyond `bytes` fail with EFBIG, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int);
};

} // namespace

TEST(Cp932Codec, RoundTripsWindowsSpecificCharacters)
{
    struct Case {
        const char16_t* text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {u"～", QByteArray("\x81\x60")},      // the Windows mapping, not WAVE DASH
        {u"①", QByteArray("\x87\x40")},      // NEC special characters
        {u"㈱", QByteArray("\x87\x8A")},
        {u"ⅰ", QByteArray("\xFA\x40")},      // IBM extension
        {u"ｱ", QByteArray("\xB1")},          // half-width katakana
        {u"漢字", QByteArray("\x8A\xBF\x8E\x9A")},
        {u"A\\~", QByteArray("A\\~")},       // ASCII stays ASCII
        {u"", QByteArray()},
    };
    Cp932Codec codec;
    for (const Case& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(codec.encode(text), c.bytes) << text.toStdString();
        EXPECT_EQ(codec.decode(c.bytes), text) << text.toStdString();
    }
}

TEST(Cp932Codec, InvalidBytesAreReportedWithTheirOffset)
{
    struct Case {
        QByteArray bytes;
        qsizetype offset;
    };
    const Case cases[] = {
        {QByteArray("AB\x85\x40"), 2}, // unassigned double-byte code
        {QByteArray("\x80"), 0},
        {QByteArray("xy\x82"), 2},     // lead byte without trail byte
    };
    Cp932Codec codec;
    for (const Case& c : cases) {
        try {
            codec.decode(c.bytes);
            ADD_FAILURE() << "no error for " << c.bytes.toHex().toStdString();
        } catch (const EncodingError& e) {
            EXPECT_EQ(e.offset(), c.offset) << c.bytes.toHex().toStdString();
        }
    }
    // The codec stays usable after a failure.
    EXPECT_EQ(codec.decode(QByteArray("\x82\xA0")), QString::fromUtf16(u"あ"));
}

TEST(Cp932Codec, UnrepresentableCharacterIsNamedAndNothingIsAppended)
{
    Cp932Codec codec;
    QByteArray out("keep");
    try {
        codec.encodeAppend(QString::fromUtf16(u"ab简c"), out);
        FAIL() << "no error";
    } catch (const EncodingError& e) {
        EXPECT_EQ(e.offset(), 2);
        EXPECT_TRUE(e.message().contains(QStringLiteral("U+7B80"))) << e.what();
    }
    EXPECT_EQ(out, QByteArray("keep"));
    EXPECT_THROW(codec.encode(QString::fromUtf16(u"😀")), EncodingError);
    EXPECT_EQ(codec.encodeLossy(QString::fromUtf16(u"a😀b简①")), QByteArray("a?b?\x87\x40"));
}

TEST(TextFile, ReadsLinesInEitherEncodingAndLineEnd)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList lines;
    };
    const Case cases[] = {
        {"crlf", QByteArray("a\r\nb\r\n"), {QStringLiteral("a"), QStringLiteral("b")}},
        {"lf without final end", QByteArray("a\nb"), {QStringLiteral("a"), QStringLiteral("b")}},
        {"empty lines kept", QByteArray("\r\na\r\n\r\n"), {QString(), QStringLiteral("a"), QString()}},
        {"lone CR stays", QByteArray("a\rb\r\n"), {QStringLiteral("a\rb")}},
        {"empty file", QByteArray(), {}},
        {"cp932", QByteArray("[\x8F\xF0\x8C\x8F]\r\n\x87\x40=\x81\x60\r\n"),
         {QString::fromUtf16(u"[条件]"), QString::fromUtf16(u"①=～")}},
        {"utf-8 bom", QByteArray("\xEF\xBB\xBF\xE6\x9D\xA1\xE4\xBB\xB6\r\nx\n"),
         {QString::fromUtf16(u"条件"), QStringLiteral("x")}},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("in.txt"));
    for (const Case& c : cases) {
        writeBytes(path, c.bytes);
        EXPECT_EQ(readTextLines(path), c.lines) << c.name;
    }
}

TEST(TextFile, ReadErrorsNameTheFileAndLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.ini"));
    writeBytes(path, QByteArray("ok\r\nfine\r\nbad \x85\x40 here\r\nlater\r\n"));
    try {
        readTextLines(path);
        FAIL() << "no error";
    } catch (const TextFileError& e) {
        EXPECT_EQ(e.line(), 3);
        EXPECT_EQ(e.path(), path);
        EXPECT_TRUE(e.message().contains(path + QStringLiteral(": line 3:"))) << e.what();
    }

    writeBytes(path, QByteArray("\xEF\xBB\xBFok\n\xFF\n"));
    try {
        readTextLines(path);
        FAIL() << "no error";
    } catch (const TextFileError& e) {
        EXPECT_EQ(e.line(), 2);
    }

    try {
        readTextLines(dir.filePath(QStringLiteral("missing.ini")));
        FAIL() << "no error";
    } catch (const TextFileError& e) {
        EXPECT_EQ(e.line(), 0);
    }
}

TEST(TextFile, AtomicWriteUsesCp932AndCrlf)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.tqb"));
    writeTextLinesAtomic(path, {QString::fromUtf16(u"①～"), QString(), QStringLiteral("x")});
    EXPECT_EQ(readBytes(path), QByteArray("\x87\x40\x81\x60\r\n\r\nx\r\n"));
}

TEST(TextFile, FailedAtomicWriteKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.tqb"));
    const QByteArray old("old content\r\n");
    writeBytes(path, old);

    // A character that CP932 cannot hold: error names line and character.
    try {
        writeTextLinesAtomic(path, {QStringLiteral("a"), QString::fromUtf16(u"b简")});
        FAIL() << "no error";
    } catch (const TextFileError& e) {
        EXPECT_EQ(e.line(), 2);
        EXPECT_TRUE(e.message().contains(QStringLiteral("U+7B80"))) << e.what();
    }
    EXPECT_EQ(readBytes(path), old);

    // The disk fills up while writing.
    {
        FileSizeLimit limit(4096);
        EXPECT_THROW(writeFileAtomic(path, QByteArray(100000, 'x')), TextFileError);
    }
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.tqb")});

    EXPECT_THROW(writeFileAtomic(dir.filePath(QStringLiteral("no/such/dir.txt")), QByteArray("x")), TextFileError);
}

TEST(TextFile, LineWriterStoppedBeforeCloseKeepsThePreviousFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("export.csv"));
    const QByteArray previous("previous\r\n");
    writeBytes(path, previous);
    {
        Cp932LineWriter writer(path);
        writer.writeLine(QString::fromUtf16(u"馬名,着順"));
        writer.writeLine(QStringLiteral("A,1"));
        try {
            writer.writeLine(QString::fromUtf16(u"B简,2"));
            FAIL() << "no error";
        } catch (const TextFileError& e) {
            EXPECT_EQ(e.line(), 3);
        }
        EXPECT_EQ(writer.linesWritten(), 2);
        // The caller stops here, without close().
    }
    EXPECT_EQ(readBytes(path), previous);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("export.csv")});

    Cp932LineWriter writer(path);
    writer.writeLine(QString::fromUtf16(u"馬名,着順"));
    writer.writeLine(QStringLiteral("A,1"));
    EXPECT_EQ(readBytes(path), previous); // nothing replaced before close()
    writer.close();
    EXPECT_EQ(readBytes(path), QByteArray("\x94\x6e\x96\xbc,\x92\x85\x8f\x87\r\nA,1\r\n"));
}

TEST(TextFile, LineWriterReportsAFullDisk)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.csv"));
    FileSizeLimit limit(16384);
    Cp932LineWriter writer(path);
    const QString line(100, QLatin1Char('x'));
    bool failed = false;
    try {
        for (int i = 0; i < 2000; ++i)
            writer.writeLine(line);
        writer.close();
    } catch (const TextFileError&) {
        failed = true;
    }
    EXPECT_TRUE(failed);
    EXPECT_FALSE(QFileInfo::exists(path));
}
