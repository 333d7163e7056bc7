#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "cache/linereader.h"
#include "cache/linescan.h"
#include "common/cpu.h"
#include "common/messages.h"
#include "shell/tembril.h"
#include "support/msgbox_capture.h"
#include "support/temp_dir.h"

namespace {

class LineReaderTest : public ::testing::Test {
protected:
    void SetUp() override { OptionFlags = 0; }
    void TearDown() override
    {
        CloseLineReader(&reader);
        OptionFlags = 0;
    }

    // Every line the reader hands out, in order, until it returns 0.
    std::vector<std::string> ReadAll(const std::string& bytes)
    {
        dir.Write("l.kwl", bytes);
        std::vector<std::string> lines;
        uint32_t length = GetFirstLine(&reader, dir.File("l.kwl").c_str());
        while (length != 0) {
            lines.push_back(std::string(reader.Line, length));
            reader.Line += length + 2;
            length = GetNextLine(&reader);
        }
        return lines;
    }

    TempDir dir;
    LineReader reader{};
};

std::string Line(char fill, size_t length) { return std::string(length, fill) + "\r\n"; }

TEST_F(LineReaderTest, KeywordsAndAliasesReadInPlace)
{
    BoxCapture capture;
    dir.Write("l.kwl", "Title\r\nDesc\r\nmov\r\nmovsb=movs\r\nrep=\r\n");
    ASSERT_EQ(GetFirstLine(&reader, dir.File("l.kwl").c_str()), 5u);
    EXPECT_STREQ(reader.Line, "Title");
    reader.Line += 7;
    ASSERT_EQ(GetNextLine(&reader), 4u);
    reader.Line += 6;
    ASSERT_EQ(GetNextLine(&reader), 3u);
    EXPECT_STREQ(reader.Line, "mov");
    EXPECT_EQ(reader.Line[4], '\n');  // no "=": the LF follows the keyword's NUL
    reader.Line += 5;
    ASSERT_EQ(GetNextLine(&reader), 10u);
    EXPECT_STREQ(reader.Line, "movsb");
    EXPECT_STREQ(reader.Line + 6, "movs");
    reader.Line += 12;
    ASSERT_EQ(GetNextLine(&reader), 4u);
    EXPECT_STREQ(reader.Line, "rep");
    EXPECT_STREQ(reader.Line + 4, "");  // a line ending in "=" has an empty alias
    reader.Line += 6;
    EXPECT_EQ(GetNextLine(&reader), 0u);
    EXPECT_EQ(reader.Line, nullptr);
    EXPECT_EQ(reader.File, nullptr);
    EXPECT_EQ(reader.Window, nullptr);
    EXPECT_TRUE(capture.Boxes().empty());
}

TEST_F(LineReaderTest, EqualsSignCutsTitleToo)
{
    auto lines = ReadAll("a=b\r\nd\r\nk\r\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string("a\0b", 3));
}

TEST_F(LineReaderTest, SmallFileIsOneWindowOfItsOwnSize)
{
    std::string bytes = "t\r\nd\r\n";
    std::vector<std::string> expected = {"t", "d"};
    while (bytes.size() + 20 <= 4096) {
        bytes += "kkkkkkkk\r\n";
        expected.push_back("kkkkkkkk");
    }
    size_t last = 4096 - bytes.size() - 2;
    bytes += Line('z', last);
    expected.push_back(std::string(last, 'z'));
    ASSERT_EQ(bytes.size(), 4096u);
    dir.Write("l.kwl", bytes);
    GetFirstLine(&reader, dir.File("l.kwl").c_str());
    EXPECT_EQ(reader.Filled, 4096u);
    CloseLineReader(&reader);
    auto lines = ReadAll(bytes);
    EXPECT_EQ(lines, expected);

    CloseLineReader(&reader);
    dir.Write("s.kwl", "t\r\nd\r\nk\r\n");
    GetFirstLine(&reader, dir.File("s.kwl").c_str());
    EXPECT_EQ(reader.Filled, 9u);
}

TEST_F(LineReaderTest, LargerFileIsRefilledAndEveryLineComesBack)
{
    std::string bytes = "t\r\nd\r\n";
    std::vector<std::string> expected = {"t", "d"};
    for (int i = 0; bytes.size() < 4097; ++i) {
        std::string keyword = "kw" + std::to_string(100000 + i);
        bytes += keyword + "\r\n";
        expected.push_back(keyword);
    }
    // 4097 bytes or a little more: the window is capped at 4096 and refilled.
    dir.Write("l.kwl", bytes);
    GetFirstLine(&reader, dir.File("l.kwl").c_str());
    EXPECT_EQ(reader.Filled, 4096u);
    CloseLineReader(&reader);
    EXPECT_EQ(ReadAll(bytes), expected);
}

TEST_F(LineReaderTest, LongestLineFitsAndOneMoreByteDoesNot)
{
    std::string head = "t\r\nd\r\nfirst\r\n";
    auto fits = ReadAll(head + Line('a', 4094) + "z\r\n");
    ASSERT_EQ(fits.size(), 5u);
    EXPECT_EQ(fits[3], std::string(4094, 'a'));
    EXPECT_EQ(fits[4], "z");

    CloseLineReader(&reader);
    BoxCapture capture;
    auto cut = ReadAll(head + Line('a', 4095) + "z\r\n");
    EXPECT_EQ(cut.size(), 3u);
    EXPECT_TRUE(reader.Failed);
    EXPECT_TRUE(capture.Boxes().empty());
    EXPECT_NE(reader.File, nullptr) << "a line that does not fit leaves the reader open";
}

TEST_F(LineReaderTest, CrOnTheWindowsLastByteIsNotALineEnd)
{
    // The second keyword's CR falls on byte 4095, its LF on byte 4096.
    std::string bytes = "t\r\nd\r\n";
    std::string filler(4096 - bytes.size() - 2 - 6, 'f');
    bytes += filler + "\r\n" + "abcde\r\n" + "next\r\n";
    ASSERT_EQ(bytes[4095], '\r');
    dir.Write("l.kwl", bytes);
    GetFirstLine(&reader, dir.File("l.kwl").c_str());
    reader.Line += 3;
    GetNextLine(&reader);
    reader.Line += 3;
    ASSERT_EQ(GetNextLine(&reader), filler.size());
    reader.Line += filler.size() + 2;
    ASSERT_EQ(GetNextLine(&reader), 5u);
    EXPECT_EQ(reader.Line, reader.Window) << "the line comes back after the refill, at the window's start";
    EXPECT_STREQ(reader.Line, "abcde");
    reader.Line += 7;
    ASSERT_EQ(GetNextLine(&reader), 4u);
    EXPECT_STREQ(reader.Line, "next");
}

TEST_F(LineReaderTest, LastLineWithoutLineEndIsNeverHandedOut)
{
    BoxCapture capture;
    EXPECT_EQ(ReadAll("t\r\nd\r\nmov\r\npush"), (std::vector<std::string>{"t", "d", "mov"}));
    CloseLineReader(&reader);
    EXPECT_EQ(ReadAll("t\r\nd\r\nmov\r\npush\r"), (std::vector<std::string>{"t", "d", "mov"}));
    EXPECT_TRUE(capture.Boxes().empty());
}

// The reader tells its owner, who knows the list, and shows nothing itself.
TEST_F(LineReaderTest, EmptyFileMissingFileAndReadFailureAreLeftToTheOwner)
{
    BoxCapture capture;
    EXPECT_TRUE(ReadAll("").empty());
    EXPECT_TRUE(reader.Failed);
    EXPECT_EQ(reader.Error, 0u);
    CloseLineReader(&reader);
    EXPECT_EQ(GetFirstLine(&reader, dir.File("missing.kwl").c_str()), 0u);
    EXPECT_EQ(reader.File, nullptr);
    EXPECT_EQ(reader.Window, nullptr);
    EXPECT_EQ(reader.Error, static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
    dir.Write("l.kwl", std::string(5000, 'x'));
    ASSERT_EQ(GetFirstLine(&reader, dir.File("l.kwl").c_str()), 0u);  // no line end in the first window
    CloseLineReader(&reader);

    // A handle without read access makes ReadFile fail.
    dir.Write("w.kwl", "t\r\nd\r\n");
    reader.File = CreateFileA(dir.File("w.kwl").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    reader.Window = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, 16));
    reader.Filled = 16;
    reader.Line = reader.Window + 16;
    EXPECT_EQ(GetNextLine(&reader), 0u);
    EXPECT_TRUE(reader.Failed);
    EXPECT_NE(reader.Error, 0u);
    EXPECT_NE(reader.File, nullptr);
    EXPECT_TRUE(capture.Boxes().empty());
}

// The reader scans sixteen bytes a step where the processor allows it: on
// any bytes and any length it must end, report and edit as the plain scan.
TEST(LineScan, WideScanDoesWhatThePlainScanDoes)
{
    if (!CpuHasSse2())
        GTEST_SKIP() << "no SSE2 on this processor";
    std::mt19937 random(3);
    const char bytes[] = {'a', 'b', '=', '\r', '\n', '\0', '\x80'};
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 70, 'x');
        for (char& c : text)
            c = random() % 3 == 0 ? bytes[random() % sizeof bytes] : 'k';
        std::string plain = text, wide = text;
        uint32_t length = 0, keyword = 0, wideLength = 0, wideKeyword = 0;
        uint32_t size = static_cast<uint32_t>(text.size());
        bool found = ScanLine(&plain[0], size, &length, &keyword);
        ASSERT_EQ(ScanLineSse2(&wide[0], size, &wideLength, &wideKeyword), found) << round;
        ASSERT_EQ(wide, plain) << round;
        if (found) {
            ASSERT_EQ(wideLength, length) << round;
            ASSERT_EQ(wideKeyword, keyword) << round;
        }
    }
}

}  // namespace
