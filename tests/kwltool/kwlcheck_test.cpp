#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kwltool/kwlcheck.h"

namespace {

CheckResult Check(const std::string& bytes) { return CheckKeywordList(bytes.data(), bytes.size()); }

// The one problem a list holds, as (line, severity).
void ExpectOnly(const std::string& bytes, uint32_t line, Severity level, const std::string& words)
{
    CheckResult result = Check(bytes);
    ASSERT_EQ(result.Problems.size(), 1u) << bytes;
    EXPECT_EQ(result.Problems[0].Line, line) << result.Problems[0].Text;
    EXPECT_EQ(result.Problems[0].Level, level) << result.Problems[0].Text;
    EXPECT_NE(result.Problems[0].Text.find(words), std::string::npos) << result.Problems[0].Text;
}

const std::string Head = "Title\r\nDescription\r\n";

TEST(KwlCheck, CleanListHasNoProblems)
{
    CheckResult result = Check(Head + ".code\r\n.data\r\n0bh\r\n_imp\r\nmov\r\nmovs=movsb\r\nmovsb\r\n");
    EXPECT_TRUE(result.Problems.empty());
    EXPECT_TRUE(result.Clean());
    EXPECT_EQ(result.Keywords, 7u);
}

TEST(KwlCheck, EachProblemIsReportedOnceOnItsLine)
{
    ExpectOnly("\r\nd\r\nk\r\n", 1, Severity::BuildFails, "empty title");
    ExpectOnly("t\r\n\r\nk\r\n", 2, Severity::BuildFails, "empty description");
    ExpectOnly("t=x\r\nd\r\nk\r\n", 1, Severity::Warning, "\"=\"");
    ExpectOnly("t\r\nd=x\r\nk\r\n", 2, Severity::Warning, "\"=\"");
    ExpectOnly(Head, 3, Severity::BuildFails, "no keyword line");
    ExpectOnly(Head + "\r\nb\r\n", 3, Severity::BuildFails, "first keyword line is empty");
    ExpectOnly(Head + "a\r\n\r\nb\r\n", 4, Severity::Unreachable, "empty keyword");
    ExpectOnly(Head + "a\r\nc\r\nb\r\n", 5, Severity::Unreachable, "out of order after \"c\" (line 4)");
    ExpectOnly(Head + "a\r\nb\r\nb=x\r\n", 5, Severity::Unreachable, "duplicate of line 4");
    ExpectOnly(Head + "a\r\nmOv\r\n", 4, Severity::Unreachable, "uppercase");
    ExpectOnly(Head + "a\r\n\x7f"
                      "a\r\n",
               4, Severity::Unreachable, "never found");
    ExpectOnly(Head + "a\r\n\xb0\xa1\r\n", 4, Severity::Unreachable, "not reliably found");
    ExpectOnly(Head + std::string(129, 'k') + "\r\n", 3, Severity::BuildFails, "over 128 bytes");
    ExpectOnly(Head + std::string(128, 'k') + "\r\n", 3, Severity::Unreachable, "128 bytes");
    ExpectOnly(Head + "a=" + std::string(128, 'x') + "\r\n", 3, Severity::Warning, "alias over 127");
    ExpectOnly(Head + "a\r\nb", 4, Severity::Unreachable, "no CR LF");
    ExpectOnly(Head + "a\r\nb\nc\r\n", 4, Severity::Unreachable, "mixes CR LF and LF line ends (1 LF alone");
    ExpectOnly("Title\nDescription\na\nb", 1, Severity::BuildFails, "uses LF line ends; run kwltool sort");
    ExpectOnly(Head + " a\r\nb\r\n", 3, Severity::Unreachable, "blank or tab around the keyword");
    ExpectOnly(Head + "a\t=x\r\nb\r\n", 3, Severity::Unreachable, "blank or tab around the keyword");
    ExpectOnly(Head + "a=je \r\n", 3, Severity::Unreachable, "around the alias");
    ExpectOnly("\xef\xbb\xbfTitle\r\nd\r\nk\r\n", 1, Severity::Warning, "byte-order mark");
    // UTF-8 text that also reads as double-byte pairs, one of them in a user-defined area.
    ExpectOnly("x86 \xe4\xb8\xad\xe6\x96\x87\r\nd\r\nk\r\n", 1, Severity::Warning, "title is UTF-8");
    ExpectOnly("t\r\n\xe8\xaf\xb4\xe6\x98\x8e\xe6\x96\x87\r\nk\r\n", 2, Severity::Warning, "description is UTF-8");
    ExpectOnly(Head + "a\rxb\r\n", 3, Severity::Unreachable, "lone CR");
    ExpectOnly("", 1, Severity::BuildFails, "empty file");
}

TEST(KwlCheck, GbkTextThatIsAlsoValidUtf8IsNotFlagged)
{
    // A title and a description in code page 936; the description's bytes are valid UTF-8 as well.
    EXPECT_TRUE(Check("\xbb\xe3\xb1\xe0 x86\r\n\xcb\xb5\r\nk\r\n").Problems.empty());
}

TEST(KwlCheck, LongestLinesThatStillWork)
{
    EXPECT_TRUE(Check(Head + "a=" + std::string(127, 'x') + "\r\n").Problems.empty());
    EXPECT_TRUE(Check(Head + "a\r\n" + std::string(127, 'k') + "=" + std::string(3966, 'x') + "\r\n").Clean());
}

TEST(KwlCheck, LineOverTheWindowFailsTheBuild)
{
    CheckResult result = Check(Head + "a=" + std::string(4093, 'x') + "\r\n");
    ASSERT_EQ(result.Problems.size(), 2u);  // the alias is over 127 bytes too
    EXPECT_EQ(result.Problems[0].Level, Severity::BuildFails);
    EXPECT_NE(result.Problems[0].Text.find("over 4094"), std::string::npos);
}

TEST(KwlCheck, OrderIsTheCacheOrderNotPlainBytes)
{
    // "ab" before "abc" (a keyword that begins another comes first), digits before letters.
    EXPECT_TRUE(Check(Head + "ab\r\nabc\r\nb0\r\nb9\r\nba\r\n").Problems.empty());
    CheckResult result = Check(Head + "abc\r\nab\r\n");
    ASSERT_EQ(result.Problems.size(), 1u);
    EXPECT_EQ(result.Problems[0].Line, 4u);
}

TEST(KwlCheck, KeywordsSharedByEnabledListsAnswerFromTheLastOfThem)
{
    bool withDefault = false;
    EXPECT_EQ(EnabledListNames("API,default,x86,Default", &withDefault),
              (std::vector<std::string>{"api", "default", "x86"}));
    EXPECT_TRUE(withDefault);
    EXPECT_EQ(EnabledListNames("api", &withDefault).size(), 1u);
    EXPECT_FALSE(withDefault);
    // Blanks and tabs around the names; a name may carry the extension, and is then no pseudo-list.
    EXPECT_EQ(EnabledListNames(" API , x86\t,\tdefault.kwl, Default ", &withDefault),
              (std::vector<std::string>{"api", "x86", "default"}));
    EXPECT_TRUE(withDefault);
    EXPECT_EQ(EnabledListNames("a,default.kwl", &withDefault).back(), "default");
    EXPECT_FALSE(withDefault);
    EXPECT_EQ(UnfoundListReason("x86", {"api", "x86"}), "");
    EXPECT_NE(UnfoundListReason("kernel32", {"api", "x86"}).find("names none of the files given"), std::string::npos);
    EXPECT_NE(UnfoundListReason("..\\x86", {"x86"}).find("can name no list file"), std::string::npos);

    CheckResult api = Check(Head + "call\r\ncreatewindow\r\nmov=x\r\nwait\r\n");
    CheckResult directives = Check(Head + ".code\r\ncall\r\nmov\r\n");
    CheckResult x86 = Check(Head + "call\r\nmov\r\nmov\r\nwait=fwait\r\n");
    std::vector<SharedKeyword> shared = FindSharedKeywords({&api.Names, &directives.Names, &x86.Names});
    ASSERT_EQ(shared.size(), 3u);
    EXPECT_EQ(shared[0].Keyword, "call");
    EXPECT_EQ(shared[0].Lists, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(shared[1].Keyword, "mov");  // held twice by x86: still one holder
    EXPECT_EQ(shared[1].Lists, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(shared[2].Keyword, "wait");
    EXPECT_EQ(shared[2].Lists, (std::vector<uint32_t>{0, 2}));
}

}  // namespace
