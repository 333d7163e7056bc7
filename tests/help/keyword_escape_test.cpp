// A keyword from a selection may hold blanks and double quotes: substituted
// into a URL or a program's arguments it must stay where the template put it.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "help/expand.h"

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

// The program's argv as the platform parses a command line (program name first).
std::vector<std::string> Parsed(const std::string& arguments)
{
    std::wstring wide(arguments.begin(), arguments.end());
    std::wstring line = L"tool.exe " + wide;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(line.c_str(), &count);
    std::vector<std::string> result;
    for (int i = 1; i < count; ++i) {
        std::wstring w = argv[i];
        result.push_back(std::string(w.begin(), w.end()));
    }
    LocalFree(argv);
    return result;
}

const char* const Hostile[] = {
    "mov", "mov eax", "a\" /evil \"b", "\"",     "a\\",   "a\\\\\"", "x\\\"y", "\t", "say \"hi\" \\", "a b\\\\",
    "\\",  "",        "\\\"",          "\"\\\\", " lead",
};

// The keyword's argument is Prefix, the keyword and Suffix, between the
// arguments Before and After, whatever the template's bytes around the keyword.
struct Place {
    const char* Target;
    std::vector<std::string> Before;
    const char* Prefix;
    const char* Suffix;
    std::vector<std::string> After;
};
const Place Places[] = {
    {"\"$D\\tool.exe\" /k $K /last", {"/k"}, "", "", {"/last"}},
    {"\"$D\\tool.exe\" /k \"$K\" /last", {"/k"}, "", "", {"/last"}},
    {"\"$D\\tool.exe\" \"/topic=$K.htm\" /last", {}, "/topic=", ".htm", {"/last"}},
    {"\"$D\\tool.exe\" /k $H\\$K.htm", {"/k"}, "c:\\help\\", ".htm", {}},
    {"\"$D\\tool.exe\" /k \"$H\\$K.htm\"", {"/k"}, "c:\\help\\", ".htm", {}},
    {"\"$D\\tool.exe\" $H\\\\$K\\\\x /last", {}, "c:\\help\\\\", "\\\\x", {"/last"}},
    {"\"$D\\tool.exe\" \"$K\\\\\" /last", {}, "", "\\", {"/last"}},  // the template's \\" is one backslash
    {"\"$D\\tool.exe\" $K\\\\\"x y\" /last", {}, "", "\\x y", {"/last"}},
    {"\"$D\\tool.exe\" \"a\"$K\"b\" /last", {}, "a", "b", {"/last"}},
    {"\"$D\\tool.exe\" \"a\\\\\"$K\"b\" /last", {}, "a\\", "b", {"/last"}},
    {"\"$D\\tool.exe\" \\\"$K\\\" /last", {}, "\"", "\"", {"/last"}},
};

TEST(KeywordInArguments, StaysOneArgumentInItsPlace)
{
    for (const char* keyword : Hostile) {
        // CopyDir drops one trailing backslash of the keyword, as for every code.
        std::string typed = keyword;
        if (!typed.empty() && typed.back() == '\\')
            typed.pop_back();
        for (const Place& place : Places) {
            std::vector<std::string> expected = place.Before;
            expected.push_back(place.Prefix + typed + place.Suffix);
            expected.insert(expected.end(), place.After.begin(), place.After.end());
            EXPECT_EQ(Parsed(Arguments(place.Target, keyword)), expected) << place.Target << " with " << keyword;
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
    // An escape that no longer fits is refused, like any expansion.
    std::string wide(200, '"');
    EXPECT_EQ(ExpandHelpTarget("http://x.invalid/$K", Dirs, wide.c_str(), work, sizeof work, &arguments, true), 0u);
}

TEST(KeywordInViewerCommandLine, ArrivesAsTypedAsOneArgument)
{
    char line[Help2CommandLineSize];
    std::vector<std::string> keywords(std::begin(Hostile), std::end(Hostile));
    keywords.insert(keywords.end(), {"mov /XNav /appid Other", "foo\\"});
    for (const std::string& keyword : keywords) {
        ASSERT_EQ(BuildHelp2CommandLine("ms-help://x", keyword.c_str(), line, sizeof line), 1u);
        EXPECT_EQ(Parsed(line), (std::vector<std::string>{"/helpcol", "ms-help://x", "/filterquery", "/index", keyword,
                                                          "/XNav", "/appid", "Varnok"}))
            << keyword;
    }
    ASSERT_EQ(BuildHelp2CommandLine("ms-help://x", "mov", line, sizeof line), 1u);
    EXPECT_STREQ(line, "/helpcol ms-help://x /filterquery /index mov /XNav /appid Varnok");
}

}  // namespace
