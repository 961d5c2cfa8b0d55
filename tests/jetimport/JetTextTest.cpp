// Decoding of raw Jet text and singles.

#include "jetimport/JetText.h"

#include <gtest/gtest.h>

using namespace tq::jetimport;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

TEST(JetText, Jet4TextDecodesPlainCompressedAndSurrogatePairs)
{
    const struct {
        const char* what;
        QByteArray raw;
        QString text;
        bool failed;
    } cases[] = {
        {"plain UTF-16LE", bytes({0x41, 0, 0xAC, 0x99}), QStringLiteral("A馬"), false},
        {"empty", QByteArray(), QString(), false},
        {"compressed, switching to two bytes and back", bytes({0xFF, 0xFE, 'a', 'b', 0, 0xAC, 0x99, 0, 'c'}),
         QStringLiteral("ab馬c"), false},
        {"surrogate pair (U+20BB7)", bytes({0x42, 0xD8, 0xB7, 0xDF}), QString::fromUtf8("\xF0\xA0\xAE\xB7"), false},
        {"lone high surrogate", bytes({0x42, 0xD8, 0x41, 0}), QStringLiteral("\uFFFDA"), true},
        {"odd byte left over", bytes({0x41, 0, 0x42}), QStringLiteral("A\uFFFD"), true},
    };
    for (const auto& c : cases) {
        bool failed = false;
        EXPECT_EQ(decodeJet4Text(c.raw, failed), c.text) << c.what;
        EXPECT_EQ(failed, c.failed) << c.what;
    }
}

TEST(JetText, Cp932TextUsesTheWindowsTableAndMarksInvalidBytes)
{
    CodePageDecoder cp932(charsetOfCodePage(932).constData());
    const struct {
        QByteArray raw;
        QString text;
        bool failed;
    } cases[] = {
        {bytes({0x87, 0x40}), QStringLiteral("①"), false},
        {bytes({0x81, 0x60}), QStringLiteral("～"), false}, // U+FF5E, not U+301C
        {bytes({0x93, 0x8C, 0x8B, 0x9E}), QStringLiteral("東京"), false},
        {bytes({'A', 0x81, 0x20, 'B'}), QStringLiteral("A\uFFFD B"), true},
    };
    for (const auto& c : cases) {
        bool failed = false;
        EXPECT_EQ(cp932.decode(c.raw, failed), c.text) << c.raw.toHex().constData();
        EXPECT_EQ(failed, c.failed) << c.raw.toHex().constData();
    }
}

TEST(JetText, SinglesKeepSevenSignificantDigits)
{
    EXPECT_EQ(singleValue(0.15f), 0.15);
    EXPECT_EQ(singleValue(54.3f), 54.3);
    EXPECT_EQ(singleValue(-1234567.0f), -1234567.0);
    EXPECT_EQ(singleValue(1.0e-7f), 1.0e-7);
}

} // namespace
