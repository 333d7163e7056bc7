#include <gtest/gtest.h>

#include <string>

#include "kwltool/kwlcheck.h"
#include "kwltool/kwlimport.h"
#include "kwltool/kwlsort.h"

namespace {

TEST(KwlSort, RewritesInCacheOrderWithCrLf)
{
    std::string in = "Title\r\nDesc\r\nmovsb\nMOV=move\r\n.data\rabc\r\nab\r\nab=second\r\n\r\n zed = z\r\nlast";
    SortResult result = SortKeywordList(in.data(), in.size());
    ASSERT_TRUE(result.Ok);
    EXPECT_EQ(result.Output, "Title\r\nDesc\r\n.data\r\nab\r\nabc\r\nlast\r\nmov=move\r\nmovsb\r\nzed=z\r\n");
    CheckResult check = CheckKeywordList(result.Output.data(), result.Output.size());
    EXPECT_TRUE(check.Problems.empty());

    // One summary line per kind of change, counted, in a fixed order.
    std::vector<std::string> summary = SortSummary(result.Changes);
    const char* expected[] = {"3 line ends",
                              "1 keywords or aliases trimmed",
                              "1 keywords lowercased",
                              "1 empty keyword",
                              "1 duplicate keywords dropped (first: line 8",
                              "4 keywords moved into order"};
    ASSERT_EQ(summary.size(), 6u);
    for (size_t i = 0; i < summary.size(); ++i)
        EXPECT_EQ(summary[i].rfind(expected[i], 0), 0u) << summary[i];

    std::string shouting = "T\r\nD\r\n";
    for (int i = 0; i < 500; ++i)
        shouting += "Get" + std::to_string(i) + "\r\n";
    result = SortKeywordList(shouting.data(), shouting.size());
    EXPECT_EQ(result.Changes.size(), 502u);  // each lowercased; "get10" and "get100" moved
    EXPECT_EQ(SortSummary(result.Changes).size(), 2u);
}

TEST(KwlSort, NeedsATitleAndADescription)
{
    std::string in = "only a title";
    EXPECT_FALSE(SortKeywordList(in.data(), in.size()).Ok);
}

TEST(KwlImport, NamesHelpCannotFindAreLeftOutAndUnusableAliasesDropped)
{
    std::vector<ImportedName> names = {
        {"Good", "a=b"},          {"x=y", ""},      {std::string(128, 'k'), ""}, {"\xb0\xa1n", ""},
        {" padded\t", " Alias "}, {"good", "other"}};
    ImportResult result = WriteImportedList("T", "D", names);
    EXPECT_EQ(result.Output, "T\r\nD\r\ngood\r\npadded=Alias\r\n");
    EXPECT_EQ(result.Skipped.size(), 3u);
    EXPECT_EQ(result.Kept, 2u);
    EXPECT_FALSE(WriteImportedList("T=x", "D", names).Error.empty());
    EXPECT_FALSE(WriteImportedList("T", "D", {}).Error.empty());
}

}  // namespace
