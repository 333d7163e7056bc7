#include <gtest/gtest.h>

#include <string>

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
    ExpectOnly(Head + "a\r\nb\nc\r\n", 4, Severity::Unreachable, "lone LF");
    ExpectOnly(Head + "a\rxb\r\n", 3, Severity::Unreachable, "lone CR");
    ExpectOnly("", 1, Severity::BuildFails, "empty file");
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

}  // namespace
