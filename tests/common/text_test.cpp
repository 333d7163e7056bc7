#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/text.h"
#include "support/guarded_view.h"

namespace {

TEST(StrLen, ExactForEveryTerminatorPositionAndAlignment)
{
    alignas(16) char buffer[64];
    for (int offset = 0; offset < 4; ++offset) {
        for (uint32_t length = 0; length <= 40; ++length) {
            memset(buffer, 'x', sizeof buffer);
            buffer[offset + length] = 0;
            EXPECT_EQ(StrLen(buffer + offset), length) << "offset " << offset;
        }
    }
}

TEST(StrLen, HighBytesAreNotTerminators)
{
    EXPECT_EQ(StrLen("\x80\x81\xff\x01"), 4u);
    EXPECT_EQ(StrLen("a\x80\x80\x80\x80\x80"), 6u);
}

TEST(StrLen, StringEndingOnTheLastByteOfAPageDoesNotFault)
{
    for (uint32_t length = 0; length <= 9; ++length) {
        GuardedView page(std::string(4096 - 1, 'y') + std::string(1, '\0'));
        EXPECT_EQ(StrLen(page.View() + page.Size() - 1 - length), length);
    }
}

struct CompareCase {
    const char* a;
    const char* b;
    int32_t result;
};

TEST(StrCmp, SignedEightBitDifferenceIsTheCacheOrder)
{
    const CompareCase cases[] = {
        {"abc", "abc", 0},      {"abc", "abd", -1},    {"abd", "abc", 1},     {"ab", "abc", -99},
        {"abc", "ab", 99},      {"\xC0", "\x41", 127}, {"\xC0", "\x20", -96}, {"ab\xC0", "ab", -64},
        {"ab\x80", "ab", -128}, {"ab\x7F", "ab", 127}, {"", "", 0},           {".x", "0", -2},
        {"_", "a", -2},         {"\xFF", "\x01", -2},
    };
    for (const CompareCase& c : cases)
        EXPECT_EQ(StrCmp(c.a, c.b), c.result) << c.a << " vs " << c.b;
}

TEST(StrLower, OnlyLettersAToZChange)
{
    char text[] = "MOV Eax, [EBX+1]@Z[`\xC4\x41\xD5";
    EXPECT_EQ(StrLower(text), text);
    // The second byte of a double-byte character in A..Z changes too.
    EXPECT_STREQ(text, "mov eax, [ebx+1]@z[`\xC4\x61\xD5");
}

TEST(TrimLeft, SkipsOnlyBlanksAndTabs)
{
    char out[32];
    EXPECT_EQ(TrimLeft(" \t mov eax", out), 7u);
    EXPECT_STREQ(out, "mov eax");
    EXPECT_EQ(TrimLeft("   ", out), 0u);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(TrimLeft("x  ", out), 3u);
    EXPECT_STREQ(out, "x  ");
    EXPECT_EQ(TrimLeft("\r\nx", out), 3u);
    EXPECT_EQ(TrimLeft("\xA1\xA1x", out), 3u);  // the full-width blank is not white space
}

TEST(TrimLeft, InPlace)
{
    char text[] = "\t\t  push ebp  ";
    EXPECT_EQ(TrimLeft(text, text), 10u);
    EXPECT_STREQ(text, "push ebp  ");
}

TEST(CopyDir, DropsExactlyOneTrailingBackslash)
{
    char out[32];
    EXPECT_EQ(CopyDir(out, "c:\\tools\\"), 8u);
    EXPECT_STREQ(out, "c:\\tools");
    EXPECT_EQ(CopyDir(out, "c:\\tools"), 8u);
    EXPECT_STREQ(out, "c:\\tools");
    EXPECT_EQ(CopyDir(out, "c:\\"), 2u);
    EXPECT_STREQ(out, "c:");
    EXPECT_EQ(CopyDir(out, ""), 0u);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(CopyDir(out, "c:\\x\\\\"), 5u);
    EXPECT_STREQ(out, "c:\\x\\");
}

}  // namespace
