// A keyword from a selection may hold blanks, quotes, backslashes and
// anything else: substituted into a URL or a started program's arguments it
// must stay where the template put it. The programs are real ones, started
// through ShowHelp, and tell how their own runtime split the command line.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "help/expand.h"
#include "help/showhelp.h"
#include "help_support.h"
#include "support/temp_dir.h"

namespace {

const HelpDirs Dirs = {"c:\\masm", "c:\\addins", "c:\\help", "c:\\varnok"};

// The argument string a template expands to for a keyword.
std::string Arguments(const std::string& target, const char* keyword)
{
    char work[HelpWorkSize];
    char* arguments = nullptr;
    EXPECT_EQ(ExpandHelpTarget(target.c_str(), Dirs, keyword, work, sizeof work, &arguments), 1u);
    return arguments != nullptr ? arguments : "";
}

// The keyword as the selection gives it, and as the program is to receive it.
struct Hostile {
    const char* Keyword;
    const char* Received;
};
const Hostile Keywords[] = {
    {"mov", "mov"},
    {"mov eax", "mov eax"},
    {"a\" /evil \"b", "a\" /evil \"b"},
    {"\"", "\""},
    {"a\\", "a"},  // one trailing backslash goes, as for every code
    {"a\\\\\"", "a\\\\\""},
    {"x\\\"y", "x\\\"y"},
    {"\t", "\t"},
    {"say \"hi\" \\", "say \"hi\" "},
    {"a b\\\\", "a b\\"},
    {"", ""},
    {"\\\"", "\\\""},
    {"\"\\\\", "\"\\"},
    {" lead", " lead"},
    {"\"\"\" x \"\"", "\"\"\" x \"\""},
    {"%PATH% ^& | &", "%PATH% ^& | &"},
    {"\xD6\xD0\xCE\xC4 \x95\\\"", "\xD6\xD0\xCE\xC4 \x95\\\""},  // GBK, a character's second byte a backslash
    {"\xCE\xC4\x95\\", "\xCE\xC4\x95\\"},                        // that second byte last: not a backslash
};

// The arguments after argv[0] for a plain keyword K; each K stands for the
// keyword as received. The template is read by the C runtime's rule: within
// quotes, two quotes are one quote character and the quotes go on.
struct Shape {
    const char* Target;  // after the program's quoted path
    std::vector<std::string> Arguments;
};
const Shape Shapes[] = {
    {"$K /last", {"K", "/last"}},
    {"/k $K", {"/k", "K"}},
    {"$K", {"K"}},
    {"  /k  $K  /last", {"/k", "K", "/last"}},
    {"/k \"$K\" /last", {"/k", "K", "/last"}},
    {"\"/topic=$K.htm\" /last", {"/topic=K.htm", "/last"}},
    {"/k $H\\$K.htm", {"/k", "c:\\help\\K.htm"}},
    {"$H\\\\$K\\\\x /last", {"c:\\help\\\\K\\\\x", "/last"}},
    {"\"$K\\\\\" /last", {"K\\", "/last"}},  // the template's \\" is one backslash
    {"$K\\\\\"x y\" /last", {"K\\x y", "/last"}},
    {"\"a\"$K\"b\" /last", {"aKb", "/last"}},
    {"\"a\\\\\"$K\"b\" /last", {"a\\Kb", "/last"}},
    {"\\\"$K\\\" /last", {"\"K\"", "/last"}},
    {"/k \"\"$K\"\" /last", {"/k", "K", "/last"}},
    {"/k \"\"\"$K\"\"\" /last", {"/k", "\"K\"", "/last"}},
    {"\"say \"\"$K\"\" now\"", {"say \"K\" now"}},
    {"\"a\"\"\"$K \"\"\"b\"", {"a\"K", "\"b"}},  // the third quote closes
};

std::string Replaced(std::string text, const std::string& keyword)
{
    for (size_t at = text.find('K'); at != std::string::npos; at = text.find('K', at + keyword.size()))
        text.replace(at, 1, keyword);
    return text;
}

// One copy of the recording program per shape, all started for one keyword
// at a time; each copy's record names it.
class KeywordToProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        host_.Data.HelpDir = "c:\\help\\";
        addinDir_ = addin_.Path() + "\\";
        host_.Data.AddinDir = addinDir_.c_str();
        for (size_t i = 0; i < sizeof Shapes / sizeof Shapes[0]; ++i)
            ASSERT_TRUE(CopyFileA(RecorderPath().c_str(), Program(i).c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(RecorderPath().c_str(), addin_.File("H2Viewer.exe").c_str(), FALSE));
    }
    void TearDown() override { SetEnvironmentVariableA("TEMBRIL_RECORD", nullptr); }

    std::string Program(size_t shape) const { return addin_.File("tool" + std::to_string(shape) + ".exe"); }

    FakeHost host_;
    TempDir addin_;
    std::string addinDir_;
};

TEST_F(KeywordToProgram, ReceivesTheKeywordAsOneArgumentInItsPlace)
{
    const size_t shapes = sizeof Shapes / sizeof Shapes[0];
    for (const Hostile& keyword : Keywords) {
        TempDir records;
        SetEnvironmentVariableA("TEMBRIL_RECORD", records.Path().c_str());
        for (size_t i = 0; i < shapes; ++i)
            ShowHelp(keyword.Keyword, ("\"$D\\tool" + std::to_string(i) + ".exe\" " + Shapes[i].Target).c_str());
        ShowHelp(keyword.Keyword, "ms-help://x");
        std::vector<ProgramRecord> started = WaitForRecords(records.Path(), shapes + 1);
        ASSERT_EQ(started.size(), shapes + 1) << keyword.Keyword;
        for (const ProgramRecord& record : started) {
            std::vector<std::string> expected;
            std::string target = "ms-help://x";
            if (SameTextIgnoringCase(record.Module, addin_.File("H2Viewer.exe"))) {
                // The viewer's line is its own, without its name in front.
                expected = {"/helpcol", "ms-help://x", "/filterquery", "/index", "K", "/XNav", "/appid", "Varnok"};
                for (std::string& argument : expected)
                    argument = argument == "K" ? keyword.Keyword : argument;
            } else {
                size_t shape = shapes;
                for (size_t i = 0; i < shapes; ++i)
                    shape = SameTextIgnoringCase(record.Module, Program(i)) ? i : shape;
                ASSERT_LT(shape, shapes) << record.Module;
                target = Shapes[shape].Target;
                expected.push_back(record.Module);
                for (const std::string& argument : Shapes[shape].Arguments)
                    expected.push_back(Replaced(argument, keyword.Received));
                EXPECT_TRUE(SameTextIgnoringCase(record.ShellArgv.empty() ? "" : record.ShellArgv[0], record.Module));
                EXPECT_TRUE(
                    SameTextIgnoringCase(record.RuntimeArgv.empty() ? "" : record.RuntimeArgv[0], record.Module));
                // argv[0] is the program, in the case the path was written in.
                if (!record.ShellArgv.empty())
                    expected[0] = record.ShellArgv[0];
            }
            EXPECT_EQ(record.ShellArgv, expected) << target << " with " << keyword.Keyword << "\n"
                                                  << record.CommandLine;
            if (!record.RuntimeArgv.empty() && !expected.empty())
                expected[0] = record.RuntimeArgv[0];
            EXPECT_EQ(record.RuntimeArgv, expected) << target << " with " << keyword.Keyword << "\n"
                                                    << record.CommandLine;
        }
    }
}

TEST(KeywordInArguments, PlainKeywordsGoInExactlyAsTyped)
{
    EXPECT_EQ(Arguments("\"$D\\tool.exe\"  /k $K", "Mov"), "/k Mov");
    EXPECT_EQ(Arguments("\"$D\\tool.exe\" \"$K\"", "lstrcpy"), "\"lstrcpy\"");
    EXPECT_EQ(Arguments("\"$D\\tool.exe\" $K", "mov eax"), "\"mov eax\"");
}

TEST(KeywordInUrl, OnlyBytesThatBreakOutAreEscaped)
{
    char work[HelpWorkSize];
    char* arguments = nullptr;
    ASSERT_EQ(ExpandHelpTarget("http://x.invalid/s?q=$K&lang=asm", Dirs, "a\" b#c&d=e<f>|g.h_i-j", work, sizeof work,
                               &arguments, true),
              1u);
    EXPECT_STREQ(work, "http://x.invalid/s?q=a%22%20b%23c%26d=e%3cf%3e%7cg.h_i-j&lang=asm");
    ASSERT_EQ(ExpandHelpTarget("http://x.invalid/$K", Dirs, "MOV", work, sizeof work, &arguments, true), 1u);
    EXPECT_STREQ(work, "http://x.invalid/mov");
    // One trailing backslash goes, as for any code, but not the second byte of a character.
    LeadByteTest gbk = [](unsigned char byte) { return byte >= 0x81 && byte != 0xFF; };
    for (bool url : {true, false}) {
        for (const char* keyword : {"\xCE\xC4\x95\\", "ab\\"}) {
            ASSERT_EQ(ExpandHelpTarget("c:/h/$K.x", Dirs, keyword, work, sizeof work, &arguments, url, gbk), 1u);
            EXPECT_STREQ(work, keyword[0] == 'a' ? "c:/h/ab.x" : "c:/h/\xCE\xC4\x95\\.x");
        }
    }
    // An escape that no longer fits is refused, like any expansion.
    std::string wide(200, '"');
    EXPECT_EQ(ExpandHelpTarget("http://x.invalid/$K", Dirs, wide.c_str(), work, sizeof work, &arguments, true), 0u);
}

}  // namespace
