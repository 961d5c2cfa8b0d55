#include "common/ProfileFile.h"
#include "common/TextFile.h"
#include "support/FileBytes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tq::common;

namespace {

using tq::support::readBytes;
using tq::support::writeBytes;

} // namespace

TEST(ProfileFile, ReadsValuesAsTheWindowsCallDid)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("KORVEN.INI"));
    writeBytes(path, QByteArray("top=outside any section\r\n"
                                "[Main]\r\n"
                                "; DBDir=commented\r\n"
                                "  DBDir = C:\\KORVEN\\ \t\r\n"
                                "Quoted=\"  spaced  \"\r\n"
                                "Single='x'\n"
                                "Half=\"abc\r\n"
                                "Empty=\r\n"
                                "no equals sign\r\n"
                                "Mark=\x87\x40\r\n"
                                "[ FILENAME ]\r\n"
                                "LOGMAX=500\r\n"
                                "logmax=999\r\n"
                                "[main]\r\n"
                                "DBDir=second section ignored\r\n"));
    const ProfileFile profile = ProfileFile::load(path);
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        {"main", "dbdir", "C:\\KORVEN\\"},
        {"MAIN", "DBDIR", "C:\\KORVEN\\"},
        {"Main", "Quoted", "  spaced  "},
        {"Main", "Single", "x"},
        {"Main", "Half", "\"abc"},
        {"Main", "Empty", ""}, // present but empty: not the default
        {"Main", "Mark", "\xE2\x91\xA0"},
        {"FILENAME", "LOGMAX", "500"}, // the first of two keys
        {"Main", "Missing", "default"},
        {"Nowhere", "DBDir", "default"},
        {"Main", "no equals sign", "default"},
        {"", "top", "default"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(profile.value(QString::fromUtf8(c.section), QString::fromUtf8(c.key), QStringLiteral("default")),
                  QString::fromUtf8(c.value))
            << c.section << "/" << c.key;
    }
    EXPECT_EQ(getPrivateProfileString(QStringLiteral("FILENAME"), QStringLiteral("LOGDAT"), QStringLiteral("TQ.log"),
                                      dir.filePath(QStringLiteral("missing.ini"))),
              QStringLiteral("TQ.log"));
}

TEST(ProfileFile, ValuesAreCutAt127BytesWithoutSplittingACharacter)
{
    const QString kanji = QString::fromUtf16(u"漢");
    const QString kana = QString::fromUtf16(u"ｱ");
    const struct {
        QString value;
        QString expected;
    } cases[] = {
        {QString(200, QLatin1Char('a')), QString(127, QLatin1Char('a'))},
        {QString(127, QLatin1Char('a')), QString(127, QLatin1Char('a'))},
        {QStringLiteral("a") + kanji.repeated(100), QStringLiteral("a") + kanji.repeated(63)}, // 127 bytes
        {kanji.repeated(100), kanji.repeated(63)}, // 126 bytes: the 64th would straddle the limit
        {kana.repeated(130), kana.repeated(127)},  // half-width katakana is one byte
    };
    for (const auto& c : cases) {
        const ProfileFile profile = ProfileFile::fromLines({QStringLiteral("[s]"), QStringLiteral("k=") + c.value});
        EXPECT_EQ(profile.value(QStringLiteral("s"), QStringLiteral("k")), c.expected) << c.value.size();
        EXPECT_EQ(profile.value(QStringLiteral("s"), QStringLiteral("missing"), c.value), c.expected);
    }
}

TEST(ProfileFile, WritingChangesOneKeyAndKeepsEveryOtherByte)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DEZide.ini"));
    const QByteArray original("; \x83\x52\x83\x81\x83\x93\x83\x67\r\n" // a CP932 comment
                              "[DEZide]\r\n"
                              "RACE_KEY = 2003123105\n"
                              "Other=1\r\n"
                              "\r\n"
                              "[Later]\r\n"
                              "x=y");
    const struct {
        const char* name;
        const char* section;
        const char* key;
        const char* value;
        QByteArray before;
        QByteArray after;
    } cases[] = {
        {"replace, keeping key spelling and the LF", "dezide", "race_key", "2004010106", original,
         QByteArray("; \x83\x52\x83\x81\x83\x93\x83\x67\r\n[DEZide]\r\nRACE_KEY=2004010106\nOther=1\r\n\r\n[Later]\r\nx=y")},
        {"add to a section before its blank line", "DEZide", "New", "\xE2\x91\xA0", original,
         QByteArray("; \x83\x52\x83\x81\x83\x93\x83\x67\r\n[DEZide]\r\nRACE_KEY = 2003123105\nOther=1\r\nNew=\x87\x40\r\n"
                    "\r\n[Later]\r\nx=y")},
        {"add to the last line without line end", "Later", "z", "1", original,
         original + QByteArray("\r\nz=1\r\n")},
        {"append a missing section", "Added", "k", "v", original, original + QByteArray("\r\n[Added]\r\nk=v\r\n")},
        {"create the file", "DEZide", "RACE_KEY", "1", QByteArray(), QByteArray("[DEZide]\r\nRACE_KEY=1\r\n")},
    };
    for (const auto& c : cases) {
        QFile::remove(path);
        if (!c.before.isEmpty())
            writeBytes(path, c.before);
        writePrivateProfileString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), QString::fromUtf8(c.value),
                                  path);
        EXPECT_EQ(readBytes(path), c.after) << c.name;
        EXPECT_EQ(getPrivateProfileString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), QString(), path),
                  QString::fromUtf8(c.value))
            << c.name;
    }
}

TEST(ProfileFile, WritingRejectsWhatTheFileCannotHold)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.ini"));
    writeBytes(path, QByteArray("[s]\r\nk=v\r\n"));
    EXPECT_THROW(writePrivateProfileString(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("a\r\nb"), path),
                 std::invalid_argument);
    EXPECT_THROW(writePrivateProfileString(QStringLiteral("s]"), QStringLiteral("k"), QStringLiteral("v"), path),
                 std::invalid_argument);
    EXPECT_THROW(writePrivateProfileString(QStringLiteral("s"), QStringLiteral("a=b"), QStringLiteral("v"), path),
                 std::invalid_argument);
    EXPECT_THROW(writePrivateProfileString(QStringLiteral("s"), QStringLiteral("k"), QString::fromUtf16(u"简"), path),
                 TextFileError);
    EXPECT_EQ(readBytes(path), QByteArray("[s]\r\nk=v\r\n"));
}
