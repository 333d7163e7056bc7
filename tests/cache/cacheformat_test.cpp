// The view check and the lookup over hand-made cache images, each placed so
// that its last byte is the last byte before an inaccessible page: a read past
// the view faults instead of passing unnoticed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "cache/bucketwalk_impl.h"
#include "cache/cacheformat.h"
#include "cache/suggest.h"
#include "common/cpu.h"
#include "support/guarded_view.h"

namespace {

struct TestList {
    std::string Name, Title, Description;
};
struct TestEntry {
    std::string Keyword, Alias;
    uint16_t List;
};

void PutWord(std::string* image, uint32_t index, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        (*image)[4 * index + i] = static_cast<char>(value >> (8 * i));
}

uint32_t WordAt(const std::string& image, uint32_t index)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(image[4 * index + i]);
    return value;
}

// Lays out a cache image from entries already in cache order.
std::string MakeImage(const std::vector<TestList>& lists, const std::vector<TestEntry>& entries)
{
    std::string image(512, '\0');
    for (const TestList& list : lists)
        image += list.Name + '\0' + list.Title + '\0' + list.Description + '\0';
    PutWord(&image, 0, static_cast<uint32_t>(lists.size()));
    PutWord(&image, 1, static_cast<uint32_t>(image.size()));
    for (const TestEntry& entry : entries) {
        uint32_t bucket = static_cast<unsigned char>(entry.Keyword[0]) & 0x7F;
        if (WordAt(image, bucket) == 0)
            PutWord(&image, bucket, static_cast<uint32_t>(image.size()));
        image += entry.Keyword + '\0' + entry.Alias + '\0';
        image += static_cast<char>(entry.List & 0xFF);
        image += static_cast<char>(entry.List >> 8);
    }
    PutWord(&image, 127, static_cast<uint32_t>(image.size()));
    return image;
}

std::string WorkedExample()
{
    return MakeImage({{"p", "t", "d"}, {"q", "t", "d"}}, {{"ab", "x", 1}, {"ab", "", 0}, {"b", "", 0}});
}

bool Check(const std::string& image, const char* lists, uint32_t count)
{
    GuardedView view(image);
    return CheckCacheView(view.View(), view.Size(), lists, count, nullptr);
}

// "list/alias" for a hit, "-" for a miss.
std::string Find(const std::string& image, const std::string& word)
{
    GuardedView view(image);
    KeywordHit hit;
    if (!FindKeyword(view.View(), view.Size(), word.c_str(), static_cast<uint32_t>(word.size()), &hit))
        return "-";
    return std::to_string(hit.List) + "/" + std::string(hit.Alias, hit.AliasLength);
}

std::string Answer(bool found, const KeywordHit& hit)
{
    return found ? std::to_string(hit.List) + "/" + std::string(hit.Alias, hit.AliasLength) : "-";
}

// Every way the lookup can walk a bucket must answer as one plain walk from
// entry to entry: the plain and the SSE2 build, with the lanes it uses and
// with lanes of a few bytes, so that a small image gets many wrong guesses.
void ExpectWalksAgree(const GuardedView& view, const std::string& word)
{
    BucketRange found;
    if (!FindBucket(view.View(), view.Size(), word.c_str(), static_cast<uint32_t>(word.size()), &found))
        return;
    // Also a range that claims to run past its limit: no walk may read there.
    BucketRange overlong = found;
    overlong.End = found.Limit + 4096;
    uint32_t length = static_cast<uint32_t>(word.size());
    const LaneShape shapes[] = {BucketLanes, {MaxLanes, 1}, {3, 40}};
    for (const BucketRange& range : {found, overlong}) {
        KeywordHit hit;
        std::string expected = Answer(WalkFrom<GroupNul>(range, word.c_str(), length, range.Start, &hit), hit);
        for (const LaneShape& shape : shapes) {
            EXPECT_EQ(Answer(WalkBucketPlain(range, word.c_str(), length, &hit, shape), hit), expected)
                << word << " plain, " << shape.Lanes << " lanes of " << shape.Share;
            if (CpuHasSse2()) {
                EXPECT_EQ(Answer(WalkBucketSse2(range, word.c_str(), length, &hit, shape), hit), expected)
                    << word << " SSE2, " << shape.Lanes << " lanes of " << shape.Share;
            }
        }
    }
}

TEST(CacheFormat, CountListNames)
{
    struct Case {
        const char* Lists;
        uint32_t Count;
        bool DefaultLast;
    } cases[] = {
        {"", 1, false},
        {"p", 1, false},
        {"p,q", 2, false},
        {"p,q,default", 2, true},
        {"default", 0, true},
        {"default,p", 2, false},
        {"p,defaults", 2, false},
        {"p,", 2, false},
        {",", 2, false},
        {"p,xdefault", 2, false},
        {"p, default ", 1, true},
        {"p,\tdefault", 1, true},
        {"p,default.kwl", 2, false},
    };
    for (const Case& c : cases) {
        bool defaultLast = !c.DefaultLast;
        EXPECT_EQ(CountListNames(c.Lists, &defaultLast), c.Count) << c.Lists;
        EXPECT_EQ(defaultLast, c.DefaultLast) << c.Lists;
    }
}

TEST(CacheFormat, CheckAcceptsTheListsItWasBuiltFrom)
{
    std::string image = WorkedExample();
    GuardedView view(image);
    ListEntry rows[2] = {};
    ASSERT_TRUE(CheckCacheView(view.View(), view.Size(), "p,q", 2, rows));
    EXPECT_EQ(rows[0].Name, view.View() + 512);
    EXPECT_EQ(rows[1].Name, view.View() + 518);
    // The pseudo-list's name beyond count takes no part.
    EXPECT_TRUE(Check(image, "p,q,default", 2));
}

TEST(CacheFormat, CheckRefusesOtherListsAndBrokenImages)
{
    std::string good = WorkedExample();
    auto with = [&](uint32_t word, uint32_t value) {
        std::string image = good;
        PutWord(&image, word, value);
        return image;
    };
    EXPECT_FALSE(Check(good, "q,p", 2));
    EXPECT_FALSE(Check(good, "p,r", 2));
    EXPECT_FALSE(Check(good, "p", 1));
    EXPECT_FALSE(Check(good, "p,q,r", 3));
    EXPECT_FALSE(Check(good, "pp,q", 2));
    EXPECT_FALSE(Check(good, ",q", 2));
    EXPECT_FALSE(Check(good, "p,q", 0));

    struct Case {
        const char* What;
        std::string Image;
    } cases[] = {
        {"empty", ""},
        {"shorter than the header", good.substr(0, 511)},
        {"header only", good.substr(0, 512)},
        {"truncated by one byte", good.substr(0, 541)},
        {"longer than EndOffset", good + '\0'},
        {"ListCount 0", with(0, 0)},
        {"EntriesOffset inside the header", with(1, 100)},
        {"EntriesOffset past the end", with(1, 600)},
        {"EntriesOffset inside the ListBlock", with(1, 520)},
        {"EntriesOffset after the ListBlock", with(1, 531)},
        {"EndOffset past the file", with(127, 543)},
        {"EndOffset inside the entries", with(127, 540)},
        {"bucket word past the end", with(0x62, 542)},
        {"bucket word far past the end", with(0x63, 0xFFFFFFF0u)},
        {"bucket word inside the ListBlock", with(0x63, 513)},
        {"bucket word inside the header", with(0x30, 4)},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(Check(c.Image, "p,q", 2)) << c.What;
}

TEST(CacheFormat, CheckWantsThreeStringsPerList)
{
    // A title cut in two by a NUL gives four strings to the first list.
    std::string image = MakeImage({{"p", std::string("t\0u", 3), "d"}, {"q", "t", "d"}}, {{"a", "", 0}});
    EXPECT_FALSE(Check(image, "p,q", 2));
    // One string too many at the end of the block.
    image = MakeImage({{"p", "t", std::string("d\0e", 3)}}, {{"a", "", 0}});
    EXPECT_FALSE(Check(image, "p", 1));
    // The last description runs to EntriesOffset without its NUL.
    image = MakeImage({{"p", "t", "d"}}, {{"a", "", 0}});
    PutWord(&image, 1, WordAt(image, 1) - 1);
    EXPECT_FALSE(Check(image, "p", 1));
    // Empty titles are still strings.
    EXPECT_TRUE(Check(MakeImage({{"p", "", ""}}, {{"a", "", 0}}), "p", 1));
    // An empty name (from an empty enabled-lists text) matches an empty name.
    EXPECT_TRUE(Check(MakeImage({{"", "t", "d"}}, {{"a", "", 0}}), "", 1));
}

TEST(CacheFormat, CheckAllowsBucketWordsOutOfOrder)
{
    // 0xE2 shares word 0x62 yet sorts after "c": a valid build can leave the
    // bucket words out of order, and the file must still be usable.
    std::string image = MakeImage({{"p", "t", "d"}}, {{"a", "", 0}, {"c", "", 0}, {"\xE2", "", 0}});
    ASSERT_GT(WordAt(image, 0x62), WordAt(image, 0x63));
    EXPECT_TRUE(Check(image, "p", 1));
    EXPECT_EQ(Find(image, "a"), "0/");
    EXPECT_EQ(Find(image, "c"), "0/");
    EXPECT_EQ(Find(image, "b"), "-");
}

TEST(CacheFormat, LookupInTheWorkedExample)
{
    std::string image = WorkedExample();
    struct Case {
        std::string Word, Result;
    } cases[] = {
        {"ab", "1/x"}, {"b", "0/"},   {"a", "-"},    {"abc", "-"},      {"c", "-"},    {"ba", "-"},   {"aa", "-"},
        {"ac", "-"},   {"\x7F", "-"}, {"\xFF", "-"}, {"\xE1\x62", "-"}, {"\x01", "-"}, {"\x80", "-"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Find(image, c.Word), c.Result) << c.Word;
    KeywordHit hit;
    GuardedView view(image);
    EXPECT_FALSE(FindKeyword(view.View(), view.Size(), "", 0, &hit));
}

TEST(CacheFormat, LookupFiltersByLengthAndStopsEarly)
{
    std::string image = MakeImage({{"p", "t", "d"}},
                                  {{"a", "", 0}, {"aaa", "1", 0}, {"ab", "2", 0}, {"abc", "3", 0}, {"b", "", 0}});
    EXPECT_EQ(Find(image, "abc"), "0/3");
    EXPECT_EQ(Find(image, "ab"), "0/2");
    EXPECT_EQ(Find(image, "aab"), "-");  // "abc" sorts after it: the walk stops there
    // An entry that sorts after the word ends the walk even if a match follows.
    std::string unsorted = MakeImage({{"p", "t", "d"}}, {{"ac", "", 0}, {"ab", "", 0}});
    EXPECT_EQ(Find(unsorted, "ab"), "-");
    EXPECT_EQ(Find(unsorted, "ac"), "0/");
}

TEST(CacheFormat, KeywordsStartingWithOneAreInTheFirstBucket)
{
    std::string image = MakeImage({{"p", "t", "d"}}, {{"\x01z", "", 0}, {"a", "", 0}});
    EXPECT_EQ(Find(image, "\x01z"), "0/");
}

TEST(CacheFormat, LookupRefusesAListIndexBeyondTheLists)
{
    std::string image = MakeImage({{"p", "t", "d"}, {"q", "t", "d"}}, {{"a", "", 2}, {"b", "", 1}});
    EXPECT_EQ(Find(image, "a"), "-");
    EXPECT_EQ(Find(image, "b"), "1/");
}

TEST(CacheFormat, LookupStaysInsideABrokenView)
{
    std::string good = MakeImage({{"p", "t", "d"}}, {{"ab", "x", 0}, {"b", "", 0}});
    uint32_t end = static_cast<uint32_t>(good.size());
    // The entries of the last bucket cut at every length: the lookup must not
    // read past the view whatever EndOffset claims.
    for (uint32_t size = 512; size <= end; ++size) {
        std::string cut = good.substr(0, size);
        Find(cut, "b");
        Find(cut, "ab");
    }
    EXPECT_EQ(Find(good.substr(0, end - 1), "b"), "-");  // its list index is cut off
    std::string image = good;
    PutWord(&image, 127, 0xFFFFFFFFu);
    EXPECT_EQ(Find(image, "b"), "0/");
    // A bucket in a run of bytes with no NUL up to the end.
    image = good + std::string(64, 'b');
    PutWord(&image, 0x63, end);
    PutWord(&image, 127, end + 64);
    EXPECT_EQ(Find(image, "c"), "-");
    // Bucket words pointing into the header or past the view.
    image = good;
    PutWord(&image, 0x62, 4);
    EXPECT_EQ(Find(image, "b"), "-");
    PutWord(&image, 0x62, 0x7FFFFFFFu);
    EXPECT_EQ(Find(image, "b"), "-");
    EXPECT_EQ(Find(std::string(511, '\x61'), "a"), "-");
}

TEST(CacheFormat, EveryByteOfAnImageMayBeAnything)
{
    std::string good = MakeImage({{"p", "t", "d"}, {"q", "tt", "dd"}},
                                 {{"ab", "x", 1}, {"ab", "", 0}, {"b", "yy", 0}, {"ba", "", 1}});
    const unsigned char values[] = {0x00, 0x01, 0x02, 0x7F, 0x80, 0xFF};
    const char* words[] = {"ab", "b", "ba", "a", "bb"};
    for (size_t pos = 0; pos < good.size(); ++pos) {
        for (unsigned char value : values) {
            std::string image = good;
            image[pos] = static_cast<char>(value);
            GuardedView view(image);
            ListEntry rows[2] = {};
            CheckCacheView(view.View(), view.Size(), "p,q", 2, rows);
            KeywordHit hit;
            for (const char* word : words) {
                Suggestion nearest[MaxSuggestions];  // a read past the view faults
                SuggestKeywords(view.View(), view.Size(), word, static_cast<uint32_t>(strlen(word)), nearest);
                if (FindKeyword(view.View(), view.Size(), word, static_cast<uint32_t>(strlen(word)), &hit)) {
                    EXPECT_LT(hit.List, 2u);
                    EXPECT_GE(hit.Alias, view.View());
                    EXPECT_LE(hit.Alias + hit.AliasLength, view.View() + view.Size());
                }
                ExpectWalksAgree(view, word);
            }
        }
    }
}

// "keyword" or "keyword=alias" for each suggestion, in their order.
std::vector<std::string> Suggest(const std::string& image, const std::string& word, bool wide = true)
{
    GuardedView view(image);
    Suggestion nearest[MaxSuggestions];
    uint32_t count = SuggestKeywordsUsing(wide, view.View(), view.Size(), word.c_str(),
                                          static_cast<uint32_t>(word.size()), nearest);
    std::vector<std::string> out;
    for (uint32_t i = 0; i < count; ++i) {
        out.push_back(std::string(nearest[i].Keyword, nearest[i].KeywordLength));
        if (nearest[i].AliasLength != 0)
            out.back() += "=" + std::string(nearest[i].Alias, nearest[i].AliasLength);
    }
    return out;
}

TEST(CacheFormat, SuggestionsRankByCommonPrefixThenLength)
{
    using Words = std::vector<std::string>;
    std::string image = MakeImage({{"p", "t", "d"}, {"q", "t", "d"}}, {{"o", "", 0},
                                                                       {"p", "", 0},
                                                                       {"pop", "", 0},
                                                                       {"popad", "", 0},
                                                                       {"popfd", "", 0},
                                                                       {"push", "", 1},
                                                                       {"push", "x", 0},
                                                                       {"pushad", "", 0},
                                                                       {"pushfd", "z", 0},
                                                                       {"pxor", "", 0},
                                                                       {"py", "", 0},
                                                                       {"pz", "", 0},
                                                                       {"\xF0"
                                                                        "a",
                                                                        "", 0},
                                                                       {std::string(128, 'p'), "", 0},
                                                                       {"q", "", 0}});
    struct Case {
        std::string Word;
        Words Expected;
    } cases[] = {
        // Ties keep the cache's order; a keyword held twice comes once, as found.
        {"pushf", {"pushfd=z", "push", "pushad", "popad", "popfd", "pxor", "pop", "py", "pz", "p"}},
        {"pushfdx", {"pushfd=z", "pushad", "push", "popad", "popfd", "pxor", "pop", "py", "pz", "p"}},
        {"p", {"p", "py", "pz", "pop", "push", "pxor", "popad", "popfd", "pushad", "pushfd=z"}},
        {"o", {"o"}},
        {"r", {}},
        // The 128-byte keyword shares the most with it, and is too long for the buffer.
        {"pp", {"py", "pz", "p", "pop", "push", "pxor", "popad", "popfd", "pushad", "pushfd=z"}},
        {"\xF0",
         {"\xF0"
          "a"}},  // its own first byte, not the bucket's other one
    };
    for (const Case& c : cases) {
        for (bool wide : {false, true})
            EXPECT_EQ(Suggest(image, c.Word, wide), c.Expected) << c.Word << wide;
    }
    // The walk ends once, past the word, no keyword can enter the list.
    std::vector<TestEntry> many;
    for (int i = 0; i < 200; ++i)
        many.push_back({"a" + std::to_string(1000 + i), "", 0});
    many.push_back({"a1z", "", 0});  // ties the tenth, closer in length to "a1"
    for (bool wide : {false, true}) {
        EXPECT_EQ(Suggest(MakeImage({{"p", "t", "d"}}, many), "a1005x", wide),
                  (Words{"a1005", "a1000", "a1001", "a1002", "a1003", "a1004", "a1006", "a1007", "a1008", "a1009"}));
        EXPECT_EQ(Suggest(MakeImage({{"p", "t", "d"}}, many), "a1", wide),
                  (Words{"a1z", "a1000", "a1001", "a1002", "a1003", "a1004", "a1005", "a1006", "a1007", "a1008"}));
    }
}

// Long buckets, walked by lanes from guessed starts: whole, then damaged so
// that guesses go wrong and lanes walk through garbage.
TEST(CacheFormat, LongBucketsAnswerAsTheSingleWalk)
{
    std::mt19937 random(11);
    std::vector<TestList> lists;
    for (int i = 0; i < 300; ++i)  // past 256 lists the high index byte is not 0
        lists.push_back({"l" + std::to_string(i), "t", "d"});
    std::set<std::string> keywords;
    while (keywords.size() < 12000) {
        std::string k(1, "abc"[random() % 3]);
        for (uint32_t n = 1 + random() % 33; n > 0; --n)
            k += "abcdefghijklmnopqrstuvwxyz_0123456789"[random() % 37];
        keywords.insert(k);
    }
    std::vector<TestEntry> entries;
    for (const std::string& k : keywords) {
        uint16_t list = static_cast<uint16_t>(random() % 8 == 0 ? 256 + random() % 44 : random() % 256);
        if (random() % 16 == 0)  // also in a later list, whose entry comes first
            entries.push_back({k, "", static_cast<uint16_t>(list + 1)});
        entries.push_back({k, random() % 10 == 0 ? k + "_alias" : "", list});
    }
    std::string good = MakeImage(lists, entries);
    std::vector<std::string> words;
    for (size_t i = 0; i < entries.size(); i += 97) {
        words.push_back(entries[i].Keyword);
        words.push_back(entries[i].Keyword + "~");
        words.push_back(entries[i].Keyword.substr(0, entries[i].Keyword.size() - 1));
    }

    {
        // Guesses in a whole file are real entry starts.
        GuardedView view(good);
        BucketRange range;
        ASSERT_TRUE(FindBucket(view.View(), view.Size(), "b", 1, &range));
        std::set<uint32_t> starts;
        for (uint32_t pos = range.Start; pos < range.End;) {
            starts.insert(pos);
            uint32_t alias = pos + static_cast<uint32_t>(strlen(view.View() + pos)) + 1;
            pos = alias + static_cast<uint32_t>(strlen(view.View() + alias)) + 3;
        }
        WalkLane lanes[MaxLanes];
        uint32_t count = PlaceLanes(range, 'b', BucketLanes, lanes);
        EXPECT_GE(count, MaxLanes - 2);
        for (uint32_t j = 0; j < count; ++j)
            EXPECT_EQ(starts.count(lanes[j].Start), 1u) << j;
    }
    for (int round = 0; round < 6; ++round) {
        std::string image = good;
        uint32_t entriesAt = WordAt(image, 1);
        for (int n = 0; round > 0 && n < 30 * round; ++n) {
            const char bytes[] = {0, 0, 1, 'a', 'b', 'c', '\x80'};
            image[entriesAt + random() % (image.size() - entriesAt)] = bytes[random() % sizeof bytes];
        }
        GuardedView view(image);
        for (const std::string& word : words)
            ExpectWalksAgree(view, word);
    }
}

}  // namespace
