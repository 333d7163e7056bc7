// A cache built from a few hundred thousand keywords in four lists: every
// keyword is found with its own list's help target and alias. Prints the
// build, open and lookup figures (no timing is asserted).
#include <gtest/gtest.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cache/cache_fixture.h"
#include "support/msgbox_capture.h"

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

bool InList(uint32_t j, int list) { return static_cast<int>(j % Lists) == list || (j % 10 == 0 && static_cast<int>((j + 1) % Lists) == list); }
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

} // namespace
