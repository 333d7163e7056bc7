#include <gtest/gtest.h>

#include <string>

#include "kwltool/kwlcheck.h"
#include "kwltool/kwlsort.h"

namespace {

TEST(KwlSort, RewritesInCacheOrderWithCrLf)
{
    std::string in = "Title\r\nDesc\r\nmovsb\nMOV=move\r\n.data\rabc\r\nab\r\nab=second\r\n\r\nlast";
    SortResult result = SortKeywordList(in.data(), in.size());
    ASSERT_TRUE(result.Ok);
    EXPECT_EQ(result.Output, "Title\r\nDesc\r\n.data\r\nab\r\nabc\r\nlast\r\nmov=move\r\nmovsb\r\n");
    // One lowercased keyword, one duplicate whose alias differed, one empty line.
    ASSERT_EQ(result.Warnings.size(), 3u);
    EXPECT_NE(result.Warnings[0].find("lowercased"), std::string::npos);

    CheckResult check = CheckKeywordList(result.Output.data(), result.Output.size());
    EXPECT_TRUE(check.Problems.empty());
}

TEST(KwlSort, NeedsATitleAndADescription)
{
    std::string in = "only a title";
    EXPECT_FALSE(SortKeywordList(in.data(), in.size()).Ok);
}

}  // namespace
