#include "common/Tokens.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tq::common;

namespace {

struct Step {
    const char* token;
    int position;
};

} // namespace

TEST(Tokens, GetTokenWalksCommaCrAndLfDelimitedTokens)
{
    const struct {
        const char* line;
        int start;
        std::vector<Step> steps;
    } cases[] = {
        {"a,b", 1, {{"a", 3}, {"b", 4}, {"", 4}, {"", 4}}},
        {",,x", 1, {{"", 2}, {"", 3}, {"x", 4}}},
        {"k1,v1\r\nk2", 1, {{"k1", 4}, {"v1", 7}, {"", 8}, {"k2", 10}}},
        {"abc,def", 3, {{"c", 5}, {"def", 8}}},
        {"a,", 1, {{"a", 3}, {"", 3}}}, // a final comma yields no extra token
        {"", 1, {{"", 1}}},
    };
    for (const auto& c : cases) {
        const QString line = QString::fromUtf8(c.line);
        int position = c.start;
        for (const Step& s : c.steps) {
            EXPECT_EQ(funGetToken(line, position), QString::fromUtf8(s.token)) << c.line;
            EXPECT_EQ(position, s.position) << c.line << " after " << s.token;
        }
    }
}

TEST(Tokens, GetAndItemDropsHalfWidthBlanksOnly)
{
    const QString line = QString::fromUtf16(u"k1 & k 2&　全角 ,x");
    int position = 1;
    EXPECT_EQ(funGetAndItem(line, position), QStringLiteral("k1"));
    EXPECT_EQ(position, 5);
    EXPECT_EQ(funGetAndItem(line, position), QStringLiteral("k2"));
    EXPECT_EQ(funGetAndItem(line, position), QString::fromUtf16(u"　全角,x"));
    EXPECT_EQ(position, line.size() + 1);
    EXPECT_EQ(funGetAndItem(line, position), QString());
    EXPECT_EQ(position, line.size() + 1);
}

TEST(Tokens, FileTitles)
{
    const struct {
        const char* path;
        const char* fileTitle;
        const char* docTitle;
    } cases[] = {
        {"C:\\dir\\name.tqb", "name", "name"},
        {"x.y.z", "x", "x.y.z"},
        {"C:\\data\\a.b.txt", "a", "a.b"},
        {"race.tqb", "race", "race.tqb"},
        {"C:name.exe", "name", "C:name.exe"},
        {"/home/u/DEZide.exe", "DEZide", "DEZide"},
        {"C:\\dir.v2\\noext", "noext", "n"}, // the title cuts four characters whatever they are
        {"C:\\ab", "ab", "C:\\ab"},          // no separator in front of the last four
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(funFileTitle(QString::fromUtf8(c.path)), QString::fromUtf8(c.fileTitle)) << c.path;
        EXPECT_EQ(GetDocTitle(QString::fromUtf8(c.path)), QString::fromUtf8(c.docTitle)) << c.path;
    }
}
