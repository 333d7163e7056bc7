// A cache built from a few hundred thousand keywords in four lists: every
// keyword is found with its own list's help target and alias. Prints the
// build, open and lookup figures (no timing is asserted).
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "cache/bucketindex.h"
#include "cache/cache_fixture.h"
#include "cache/cacheformat.h"
#include "cache/suggest_impl.h"
#include "common/text.h"
#include "support/msgbox_capture.h"
#include "support/temp_dir.h"

namespace {

constexpr int Lists = 4;
constexpr uint32_t Words = 240000;

double Seconds(LARGE_INTEGER from)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - from.QuadPart) / frequency.QuadPart;
}

LARGE_INTEGER Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

// Distinct words over every first byte that can be found, of varied lengths.
std::vector<std::string> MakeWords()
{
    std::string firsts;
    for (int c = 0x21; c < 0x7F; ++c)
        if (c != '=')
            firsts += static_cast<char>(c);
    std::vector<std::string> words;
    words.reserve(Words);
    for (uint32_t j = 0; j < Words; ++j)
        words.push_back(firsts[j % firsts.size()] + std::to_string(j / firsts.size()) + std::string(j % 5, 'x'));
    std::sort(words.begin(), words.end());
    return words;
}

bool InList(uint32_t j, int list)
{
    return static_cast<int>(j % Lists) == list || (j % 10 == 0 && static_cast<int>((j + 1) % Lists) == list);
}
bool HasAlias(uint32_t j, int list) { return (j + list) % 3 == 0; }
std::string Alias(const std::string& word, int list) { return "a" + std::to_string(list) + word; }

TEST_F(CacheTest, HundredsOfThousandsOfKeywords)
{
    std::vector<std::string> words = MakeWords();
    std::string bodies[Lists];
    uint32_t lines = 0;
    for (uint32_t j = 0; j < Words; ++j) {
        for (int list = 0; list < Lists; ++list) {
            if (!InList(j, list))
                continue;
            bodies[list] += words[j];
            if (HasAlias(j, list))
                bodies[list] += "=" + Alias(words[j], list);
            bodies[list] += "\r\n";
            ++lines;
        }
    }
    std::string names;
    for (int list = 0; list < Lists; ++list) {
        std::string name = "l" + std::to_string(list);
        List(name, bodies[list]);
        Set(hostIni, name.c_str(), "help-" + name);
        names += (list ? "," : "") + name;
    }
    Set(hostIni, "KeywordLists", names + ",default");
    Set(hostIni, "default", "help-default");

    BoxCapture capture;
    LARGE_INTEGER start = Now();
    ASSERT_EQ(OpenCache(), 1u);
    double build = Seconds(start);
    EXPECT_TRUE(capture.Boxes().empty());
    uint32_t size = ViewWord(CacheView, 127);

    CloseCache();
    start = Now();
    ASSERT_EQ(OpenCache(), 1u);
    double open = Seconds(start);

    start = Now();
    for (uint32_t j = 0; j < Words; ++j) {
        int winner = -1;
        for (int list = 0; list < Lists; ++list)
            if (InList(j, list))
                winner = list;
        std::string after;
        std::string target = Lookup(words[j], &after);
        ASSERT_EQ(target, "help-l" + std::to_string(winner)) << words[j];
        ASSERT_EQ(after, HasAlias(j, winner) ? Alias(words[j], winner) : words[j]);
    }
    double lookups = Seconds(start);
    EXPECT_EQ(Lookup("=nothing"), "help-default");
    EXPECT_EQ(Lookup("a999999"), "help-default");
    printf("[ figures  ] %u keyword lines, cache %u bytes: build %.3f s, open of the valid cache %.6f s, "
           "%u lookups %.3f s\n",
           lines, size, build, open, Words, lookups);
}

struct Line {
    std::string Keyword, Alias;
    bool HasAlias;
};

// The merge as a scan through the lists in order for every entry: a list
// becomes the candidate when the candidate is exhausted, or when it is not
// and StrCmp of the candidate's keyword and its own is 0 or more.
std::string ScanMerge(const std::vector<std::vector<Line>>& lists, std::vector<uint32_t>* buckets, uint32_t at)
{
    std::vector<size_t> next(lists.size(), 0);
    std::string entries;
    for (;;) {
        int candidate = -1;
        for (size_t i = 0; i < lists.size(); ++i) {
            bool exhausted = next[i] == lists[i].size();
            bool candidateDone = candidate < 0 || next[candidate] == lists[candidate].size();
            if (candidateDone || (!exhausted && StrCmp(lists[candidate][next[candidate]].Keyword.c_str(),
                                                       lists[i][next[i]].Keyword.c_str()) >= 0))
                candidate = static_cast<int>(i);
        }
        if (next[candidate] == lists[candidate].size())
            return entries;
        const Line& line = lists[candidate][next[candidate]++];
        uint32_t b = line.Keyword.empty() ? 0 : static_cast<unsigned char>(line.Keyword[0]) & 0x7F;
        if ((*buckets)[b] == 0)
            (*buckets)[b] = at + static_cast<uint32_t>(entries.size());
        entries += line.Keyword + '\0' + line.Alias + '\0';
        entries += static_cast<char>(candidate & 0xFF);
        entries += static_cast<char>(candidate >> 8);
    }
}

// Lists in no order at all, of bytes on both sides of 0x80 (where StrCmp is
// no order) and long shared beginnings, empty lines and lists that run out
// early: the cache holds the entries in exactly the order of that scan.
TEST_F(CacheTest, MergeFollowsTheScanThroughTheListsForAnyBytes)
{
    std::mt19937 random(5);
    // Bytes below 0x80 alone too: there the selection takes its tree, not the
    // scan. Eight lists fill the tree's leaves, five leave three of them
    // empty, and a single list has nothing to select among.
    const std::string high("abc\x01\x7F\x80\x81\xC0\xFE\xFF"), plain("abc\x01\x7F");
    const struct {
        const std::string& Bytes;
        size_t Lists;
    } runs[] = {{high, 8}, {plain, 8}, {plain, 5}, {high, 1}, {plain, 1}};
    for (const auto& run : runs) {
        const std::string& bytes = run.Bytes;
        std::vector<std::vector<Line>> lists(run.Lists);
        std::string names;
        for (size_t i = 0; i < lists.size(); ++i) {
            std::string body;
            size_t count = i == 3 ? 1 : 200 + random() % 3000;
            for (size_t n = 0; n < count; ++n) {
                Line line;
                if (random() % 4 == 0)
                    line.Keyword = std::string(8 + random() % 3, 'a');
                for (uint32_t k = random() % 12; k > 0; --k)
                    line.Keyword += bytes[random() % bytes.size()];
                if (n == 0 && line.Keyword.empty())
                    line.Keyword = "a";  // an empty first keyword line fails the build
                line.HasAlias = random() % 5 == 0;
                if (line.HasAlias)
                    line.Alias = line.Keyword.substr(0, random() % 4) + "_";
                body += line.Keyword + (line.HasAlias ? "=" + line.Alias : "") + "\r\n";
                lists[i].push_back(line);
            }
            std::string name = "m" + std::to_string(i);
            List(name, body);
            Set(hostIni, name.c_str(), "help-" + name);
            names += (i ? "," : "") + name;
        }
        CloseCache();
        Set(hostIni, "KeywordCacheFile", "?");
        Set(hostIni, "KeywordLists", names);
        ASSERT_EQ(OpenCache(), 1u);

        uint32_t entriesAt = ViewWord(CacheView, 1);
        uint32_t end = ViewWord(CacheView, 127);
        std::vector<uint32_t> buckets(CacheHeaderWords, 0);
        std::string expected = ScanMerge(lists, &buckets, entriesAt);
        ASSERT_EQ(end - entriesAt, expected.size());
        EXPECT_TRUE(std::string(CacheView + entriesAt, end - entriesAt) == expected);
        for (uint32_t b = 2; b < 127; ++b)
            EXPECT_EQ(ViewWord(CacheView, b), buckets[b]) << b;
    }
}

// The lists of both benchmark shapes (bench/genlists.py, made by the suite
// into the folders that TEMBRIL_SHAPE_LISTS names, "|" between them): every
// long bucket of their caches has an index, and through it the lookup and the
// suggestions answer, for keywords and near misses of each, as the walks
// through the whole bucket do.
TEST_F(CacheTest, IndexedBucketsAnswerAsTheWholeWalkOnBothShapes)
{
    const char* shapes = getenv("TEMBRIL_SHAPE_LISTS");
    if (shapes == nullptr)
        GTEST_SKIP() << "TEMBRIL_SHAPE_LISTS not set";
    std::string rest = shapes;
    for (size_t cut; !rest.empty(); rest = cut == std::string::npos ? "" : rest.substr(cut + 1)) {
        cut = rest.find('|');
        std::string from = rest.substr(0, cut);
        std::string names;
        std::vector<std::string> words;
        for (int i = 0; FileExists(from + "\\list" + std::to_string(i) + ".kwl"); ++i) {
            std::string name = "list" + std::to_string(i);
            std::string bytes = ReadFileBytes(from + "\\" + name + ".kwl");
            dir.Write(name + ".kwl", bytes);
            names += (i ? "," : "") + name;
            for (size_t at = bytes.find("\r\n", bytes.find("\r\n") + 2) + 2, n = 0; at < bytes.size(); ++n) {
                size_t end = bytes.find("\r\n", at);
                if (n % 211 == 0)
                    words.push_back(bytes.substr(at, std::min(bytes.find('=', at), end) - at));
                at = end + 2;
            }
        }
        ASSERT_FALSE(words.empty()) << from;
        CloseCache();
        Set(hostIni, "KeywordLists", names);
        Set(hostIni, "KeywordCacheFile", "?");
        ASSERT_EQ(OpenCache(), 1u);
        uint32_t size = ViewWord(CacheView, 127);
        uint32_t indexed = 0;
        for (int c = 1; c < 127; ++c) {
            char first[2] = {static_cast<char>(c), 0};
            BucketRange range;
            if (FindBucket(CacheView, size, first, 1, &range) && range.End - range.Start >= 16 * 1024) {
                std::vector<IndexBlock> blocks(BucketIndexRoom(range));
                BucketIndex index;
                ASSERT_TRUE(MakeBucketIndex(range, blocks.data(), static_cast<uint32_t>(blocks.size()), &index)) << c;
                ++indexed;
            }
            words.push_back(std::string(1, static_cast<char>(c)) + "~");  // sorts after the whole bucket
        }
        EXPECT_GT(indexed, 0u) << from;
        size_t count = words.size();
        for (size_t i = 0; i < count; ++i) {
            std::string w = words[i];
            words.push_back(w + "~");
            words.push_back(w.substr(0, w.size() - 1));
            words.push_back(w.substr(0, w.size() - 1) + static_cast<char>(w.back() + 1));
        }
        for (const std::string& word : words) {
            char buffer[KeywordBufferSize] = {};
            lstrcpynA(buffer, word.c_str(), sizeof buffer);
            uint32_t length = StrLen(buffer);
            KeywordHit hit;
            bool found = FindKeywordUsing(false, CacheView, size, buffer, length, &hit);
            std::string expected = found && hit.AliasLength != 0 ? std::string(hit.Alias) : std::string(buffer);
            Suggestion whole[MaxSuggestions], got[MaxSuggestions];
            BucketRange range;
            uint32_t wholeCount = FindBucket(CacheView, size, buffer, length, &range)
                                      ? SuggestFrom<GroupNul>(range, buffer, length, whole, false)
                                      : 0;
            uint32_t gotCount = SuggestFromCache(buffer, got);
            ASSERT_EQ(gotCount, wholeCount) << word;
            for (uint32_t k = 0; k < gotCount; ++k)
                ASSERT_EQ(got[k].Keyword, whole[k].Keyword) << word << " " << k;
            const char* target = LookupKeyword(buffer);
            ASSERT_EQ(CacheRowOf(target), found ? static_cast<int32_t>(hit.List) : -1) << word;
            ASSERT_EQ(std::string(buffer), expected) << word;
        }
        printf("[ figures  ] %s: %u buckets indexed, %u words asked\n", from.c_str(), indexed,
               static_cast<unsigned>(words.size()));
    }
}

}  // namespace
