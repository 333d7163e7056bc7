// Help-target expansion, over tables of templates.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "help/expand.h"
#include "support/guarded_view.h"

namespace {

struct Expanded {
    bool Fits;
    std::string Path;
    bool HasArguments;
    std::string Arguments;
};

HelpDirs Dirs() { return {"C:\\Masm\\", "C:\\Varnok\\AddIns\\", "c:\\help\\", "C:\\Varnok"}; }

// Expands into a 520-byte buffer with guard bytes behind it.
Expanded Expand(const std::string& helpTarget, const HelpDirs& dirs = Dirs(), const char* keyword = "Mov")
{
    char guarded[HelpWorkSize + 64];
    memset(guarded, 0xCC, sizeof guarded);
    char* arguments = reinterpret_cast<char*>(1);
    uint32_t fits = ExpandHelpTarget(helpTarget.c_str(), dirs, keyword, guarded, HelpWorkSize, &arguments);
    for (size_t i = HelpWorkSize; i < sizeof guarded; ++i)
        EXPECT_EQ(static_cast<unsigned char>(guarded[i]), 0xCCu) << "written past the work buffer at " << i;
    Expanded result = {fits != 0, guarded, arguments != nullptr, arguments != nullptr ? arguments : ""};
    if (arguments != nullptr) {
        EXPECT_EQ(arguments, guarded + result.Path.size() + 1) << "the arguments follow the path's NUL";
    }
    return result;
}

TEST(HelpTargetExpansion, CodesStandForTheHostsDirectoriesAndTheKeyword)
{
    struct Case {
        const char* Target;
        const char* Path;
    } cases[] = {
        {"$H\\api.chm", "c:\\help\\api.chm"},
        {"$R\\Help\\Win32.HLP", "c:\\varnok\\help\\win32.hlp"},
        {"$A\\bin\\ml.hlp", "c:\\masm\\bin\\ml.hlp"},
        {"$D\\x.col", "c:\\varnok\\addins\\x.col"},
        {"http://example.com/find?q=$K", "http://example.com/find?q=mov"},
        {"$k $x $", "$k $x $"},  // not codes: kept as written, a trailing "$" too
        {"a$$b", "a$b"},
        {"$$K", "$k"},  // "$$" is one "$"; the K after it is a letter
        {"$$$H", "$c:\\help"},
        {"a\"b\".exe", "a\"b\".exe"},  // a quote inside an unquoted target is a byte of the path
        {"(None)", "(none)"},
        {"", ""},
    };
    for (const Case& c : cases) {
        Expanded e = Expand(c.Target);
        EXPECT_TRUE(e.Fits) << c.Target;
        EXPECT_EQ(e.Path, c.Path) << c.Target;
        EXPECT_FALSE(e.HasArguments) << c.Target;
    }
}

TEST(HelpTargetExpansion, EmptyDirectoryAndKeywordEndingInBackslash)
{
    HelpDirs dirs = {"", nullptr, "c:\\help\\", "c:\\"};
    EXPECT_EQ(Expand("$A", dirs).Path, "");
    EXPECT_EQ(Expand("$D", dirs).Path, "");
    EXPECT_EQ(Expand("$R\\x.hlp", dirs).Path, "c:\\x.hlp");
    EXPECT_EQ(Expand("q=$K.", dirs, "mov\\").Path, "q=mov.");
    EXPECT_EQ(Expand("c:\\\\$H", {"", "", "c:\\help\\\\", ""}).Path, "c:\\\\c:\\help\\");
}

TEST(HelpTargetExpansion, QuotedFormSplitsPathAndArguments)
{
    struct Case {
        const char* Target;
        const char* Path;
        bool HasArguments;
        const char* Arguments;
    } cases[] = {
        {"\"$D\\Tool.exe\"  /K $K", "c:\\varnok\\addins\\tool.exe", true, "/K Mov"},
        {"\"$D\\tool.exe\"   ", "c:\\varnok\\addins\\tool.exe", false, ""},
        {"\"$D\\tool.exe\"", "c:\\varnok\\addins\\tool.exe", false, ""},
        {"\"C:\\No Close\\T.exe /x", "c:\\no close\\t.exe /x", false, ""},
        {"\"t.exe\"\t/k", "t.exe", true, "/k"},  // only blanks are skipped; the tab then parts arguments
        {"\"t.exe\" say \"$K\" $$5", "t.exe", true, "say \"Mov\" $5"},
        {"\"a$\" b", "a$", true, "b"},  // "$" before the closing quote: the quote still ends the path
        {"\"http://x/$K\" /extra", "http://x/mov", true, "/extra"},
        {"\"\" x", "", true, "x"},
    };
    for (const Case& c : cases) {
        Expanded e = Expand(c.Target);
        EXPECT_TRUE(e.Fits) << c.Target;
        EXPECT_EQ(e.Path, c.Path) << c.Target;
        EXPECT_EQ(e.HasArguments, c.HasArguments) << c.Target;
        EXPECT_EQ(e.Arguments, c.Arguments) << c.Target;
    }
}

TEST(HelpTargetExpansion, ExpansionThatDoesNotFitIsRefusedNotCut)
{
    std::string longDir = "c:\\" + std::string(255, 'd') + "\\";  // 259 bytes, one backslash dropped
    HelpDirs dirs = {"", "", longDir.c_str(), ""};
    // 258 + 258 + 3 = 519 bytes and the NUL: exactly full.
    Expanded full = Expand("$H$Hx.y", dirs);
    EXPECT_TRUE(full.Fits);
    EXPECT_EQ(full.Path.size(), 519u);
    Expanded over = Expand("$H$Hxy.z", dirs);
    EXPECT_FALSE(over.Fits);
    EXPECT_EQ(over.Path, "");
    EXPECT_FALSE(over.HasArguments);
    EXPECT_FALSE(Expand("$H$H$H", dirs).Fits);
    EXPECT_FALSE(Expand("$H$H$K", dirs, std::string(127, 'k').c_str()).Fits);

    // Path, NUL, arguments, NUL: 520 bytes in all fit, 521 do not.
    std::string args255(255 - 3, 'a');
    Expanded withArgs = Expand("\"$H\" $K" + args255, dirs, "xyz");  // 258 + 1 + 255 + 1 = 515
    EXPECT_TRUE(withArgs.Fits);
    Expanded exact = Expand("\"$Hxxxxx\" $K" + args255, dirs, "xyz");  // 263 + 1 + 255 + 1 = 520
    EXPECT_TRUE(exact.Fits);
    EXPECT_EQ(exact.Arguments.size(), 255u);
    Expanded oneOver = Expand("\"$Hxxxxxx\" $K" + args255, dirs, "xyz");
    EXPECT_FALSE(oneOver.Fits);
    EXPECT_FALSE(oneOver.HasArguments);
}

// A help target whose terminator is the last readable byte: nothing after it is read.
TEST(HelpTargetExpansion, NeverReadsPastTheTemplatesTerminator)
{
    for (const char* target : {"x$", "$", "\"a.exe\"  ", "\"a.exe", "a$$", "$K"}) {
        GuardedView placed(std::string(target, strlen(target) + 1));
        char work[HelpWorkSize];
        char* arguments = nullptr;
        EXPECT_EQ(ExpandHelpTarget(placed.View(), Dirs(), "k", work, sizeof work, &arguments), 1u) << target;
    }
}

TEST(Help2CommandLine, JoinsUrlAndKeywordAndRefusesWhatDoesNotFit)
{
    char line[Help2CommandLineSize + 16];
    memset(line, 0xCC, sizeof line);
    ASSERT_EQ(BuildHelp2CommandLine("ms-help://x", "mov", line, Help2CommandLineSize), 1u);
    EXPECT_STREQ(line, "/helpcol ms-help://x /filterquery /index mov /XNav /appid Varnok");

    // URL and keyword may take 205 bytes together: 255 and the NUL.
    std::string url = "ms-help://" + std::string(95, 'u');
    std::string keyword(100, 'k');
    ASSERT_EQ(BuildHelp2CommandLine(url.c_str(), keyword.c_str(), line, Help2CommandLineSize), 1u);
    EXPECT_EQ(strlen(line), 255u);
    url += "u";
    EXPECT_EQ(BuildHelp2CommandLine(url.c_str(), keyword.c_str(), line, Help2CommandLineSize), 0u);
    EXPECT_STREQ(line, "");
    for (size_t i = Help2CommandLineSize; i < sizeof line; ++i)
        EXPECT_EQ(static_cast<unsigned char>(line[i]), 0xCCu);
}

}  // namespace
