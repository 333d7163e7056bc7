// Damaged cache files and hostile keyword lists through the real open and
// build: every case ends in a working cache or a clear message, never a crash
// or a hang, and the next open works once the input is put right. Random cases
// come from fixed seeds, so a failure names a case that reproduces.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "cache/cache_fixture.h"
#include "common/messages.h"
#include "support/msgbox_capture.h"

namespace {

using Texts = std::vector<std::string>;

std::string Word(uint32_t value) { return std::string(reinterpret_cast<const char*>(&value), 4); }

// Two small lists; "default" catches the rest.
class Hostile : public CacheTest {
protected:
    void SetUp() override
    {
        CacheTest::SetUp();
        GoodLists();
        Set(hostIni, "KeywordLists", "p,q,default");
        Set(hostIni, "p", "help-p");
        Set(hostIni, "q", "help-q");
        Set(hostIni, "default", "help-default");
    }
    void GoodLists()
    {
        List("p", "ab\r\nb\r\nmov=move\r\npush\r\n");
        List("q", "ab=x\r\nc\r\n");
    }
    // The state of a working cache built from the good lists.
    void ExpectWorking(const std::string& what)
    {
        std::string after;
        EXPECT_EQ(Lookup("mov", &after), "help-p") << what;
        EXPECT_EQ(after, "move") << what;
        EXPECT_EQ(Lookup("ab", &after), "help-q") << what;
        EXPECT_EQ(after, "x") << what;
        EXPECT_EQ(Lookup("zz"), "help-default") << what;
        EXPECT_EQ(dir.List("hlp*").size(), 1u) << what;
    }
    // Forgets the cache file so that the next open builds.
    void DropCache()
    {
        CloseCache();
        DeleteFileA(CacheFileSetting().c_str());
    }
    // Every lookup must come back with a terminated buffer, found or not.
    void LookupsStaySafe(const std::vector<std::string>& words)
    {
        for (const std::string& word : words) {
            std::string after;
            std::string target = Lookup(word, &after);
            EXPECT_LT(after.size(), KeywordBufferSize);
            EXPECT_LE(target.size(), PathBufferSize - 1);
        }
    }
};

// Case counts, printed for the record.
void Report(const char* what, const std::map<std::string, int>& counts)
{
    printf("%s:", what);
    for (const auto& count : counts)
        printf(" %s %d;", count.first.c_str(), count.second);
    printf("\n");
    fflush(stdout);
}

TEST_F(Hostile, CacheCutAtEveryLengthIsRebuilt)
{
    ASSERT_EQ(OpenCache(), 1u);
    const std::string full = ReadFileBytes(CachePath);
    ASSERT_GT(full.size(), CacheHeaderSize);
    CloseCache();
    int cases = 0;
    for (size_t length = 0; length < full.size(); ++length) {
        std::string named = CacheFileSetting();
        WriteFileBytes(named, full.substr(0, length));
        BoxCapture capture;  // a rebuild is silent, so no message either
        ASSERT_EQ(OpenCache(), 1u) << "cut at " << length;
        EXPECT_TRUE(capture.Boxes().empty()) << "cut at " << length;
        EXPECT_NE(CacheFileSetting(), named) << "cut at " << length;
        EXPECT_EQ(ReadFileBytes(CachePath), full) << "cut at " << length;
        ExpectWorking("cut at " + std::to_string(length));
        CloseCache();
        ++cases;
    }
    // Whole, it is kept.
    std::string named = CacheFileSetting();
    ASSERT_EQ(OpenCache(), 1u);
    EXPECT_EQ(CacheFileSetting(), named);
    Report("cache cut at every length", {{"cases", cases}, {"rebuilt", cases}});
}

TEST_F(Hostile, RandomHeaderWordsAndBytes)
{
    ASSERT_EQ(OpenCache(), 1u);
    const std::string full = ReadFileBytes(CachePath);
    const uint32_t size = static_cast<uint32_t>(full.size());
    CloseCache();
    std::mt19937 random(20240801);
    std::vector<std::string> words = {"ab",   "b", "mov",  "push", "c",       "zz", "", "a", std::string(127, 'p'),
                                      "\x01", "~", "\x7f", "\xff", "\x80\x62"};
    std::map<std::string, int> counts;
    for (int round = 0; round < 600; ++round) {
        std::string bytes = full;
        bool header = round < 400;
        int edits = 1 + random() % 4;
        for (int e = 0; e < edits; ++e) {
            if (header) {
                uint32_t index = random() % CacheHeaderWords;
                // Anything, somewhere in or near the file, at its end, in the list block, or 0.
                uint32_t kind = random() % 5;
                uint32_t value = kind == 0   ? random()
                                 : kind == 1 ? random() % (size + 16)
                                 : kind == 2 ? size - random() % 8
                                 : kind == 3 ? CacheHeaderSize + random() % 32
                                             : 0;
                bytes.replace(4 * index, 4, Word(value));
            } else {
                bytes[CacheHeaderSize + random() % (size - CacheHeaderSize)] = static_cast<char>(random());
            }
        }
        std::string named = CacheFileSetting();
        WriteFileBytes(named, bytes);
        BoxCapture capture;
        ASSERT_EQ(OpenCache(), 1u) << "round " << round;
        EXPECT_TRUE(capture.Boxes().empty()) << "round " << round;
        bool kept = CacheFileSetting() == named;
        LookupsStaySafe(words);
        if (!kept)
            ExpectWorking("round " + std::to_string(round));
        counts[std::string(header ? "header words" : "body bytes") + (kept ? " trusted" : " rebuilt")]++;
        CloseCache();
        EXPECT_EQ(dir.List("hlp*").size(), 1u) << "round " << round;
    }
    Report("random header words and body bytes (600 cases)", counts);
}

// What one build over a hostile list may end in: a working cache and no
// message, or no cache and messages that end in the rebuild's failure.
struct Outcome {
    bool Opened;
    Texts Messages;
};

// A random list file of one class.
std::string RandomList(std::mt19937& random, int kind)
{
    std::string bytes;
    size_t length = random() % 9000;
    switch (kind) {
    case 0:  // any bytes
        for (size_t i = 0; i < length; ++i)
            bytes += static_cast<char>(random());
        break;
    case 1: {  // a good head, then bytes that are mostly line ends, "=" and letters
        static const char some[] = "abc=\r\n\r\n\x80\xff\x01~z";
        bytes = "t\r\nd\r\n";
        for (size_t i = 0; i < length; ++i)
            bytes += some[random() % (sizeof some - 1)];
        break;
    }
    case 2:  // no line end anywhere
        for (size_t i = 0; i < length; ++i) {
            char c = static_cast<char>(random());
            bytes += c == '\r' ? 'r' : c;
        }
        break;
    default: {  // sorted keyword lines, some of them too long, some line ends lost
        bytes = "t\r\nd\r\n";
        int lines = 1 + random() % 200;
        for (int i = 0; i < lines; ++i) {
            char name[16];
            snprintf(name, sizeof name, "k%05d", i);
            std::string line = name;
            if (random() % 20 == 0)
                line += std::string(random() % 300, 'w');
            if (random() % 10 == 0)
                line += "=" + std::string(random() % 200, 'a');
            bytes += line + (random() % 30 == 0 ? "" : "\r\n");
        }
    }
    }
    return bytes;
}

const char* const kindNames[] = {"random bytes", "good head, random body", "no line ends", "keyword lines"};

// The one box of a list left out of the build: a known headline, p's file, and q still there.
bool KnownMessage(const std::string& text, const std::string& file)
{
    bool known = false;
    for (const char* headline : {MSG_LINE_TOO_LONG, MSG_KEYWORD_TOO_LONG, MSG_LIST_INCOMPLETE, MSG_CANNOT_READ_INPUT})
        known |= text.rfind(std::string(headline) + "\r\n" MSG_LIST_FILE + file + "\r\n", 0) == 0;
    return known;
}

TEST_F(Hostile, RandomListFilesEndInACacheOrAClearMessage)
{
    std::mt19937 random(8);
    std::map<std::string, int> counts;
    for (int round = 0; round < 400; ++round) {
        int kind = round % 4;
        std::string what = std::string(kindNames[kind]) + ", round " + std::to_string(round);
        DropCache();
        dir.Write("p.kwl", RandomList(random, kind));
        // Every tenth case shows its messages; the others only their state.
        bool loud = round % 10 < 4;
        OptionFlags = loud ? 0u : static_cast<uint32_t>(OptQuiet);
        BoxCapture capture;
        ASSERT_EQ(OpenCache(), 1u) << what;
        Texts messages = capture.Texts();
        // Bytes of 0x80 and above may hide q's keywords; only safety is asked.
        LookupsStaySafe({"t", "d", "k00000", "abc", "\x01"});
        EXPECT_EQ(dir.List("hlp*").size(), 1u) << what;
        if (loud && !messages.empty()) {
            ASSERT_EQ(messages.size(), 1u) << what;
            EXPECT_TRUE(KnownMessage(messages[0], dir.File("p.kwl"))) << what << ": " << messages[0];
        } else {
            EXPECT_TRUE(messages.empty()) << what;
        }
        counts[std::string(kindNames[kind]) + (messages.empty() ? " built" : " built without p")]++;
        // Put right, the next open works.
        GoodLists();
        OptionFlags = 0;
        capture.Clear();
        DropCache();
        ASSERT_EQ(OpenCache(), 1u) << what;
        EXPECT_TRUE(capture.Boxes().empty()) << what;
        ExpectWorking(what);
    }
    Report("random keyword lists (400 cases)", counts);
}

std::string Line(size_t length, char c = 'x') { return std::string(length, c) + "\r\n"; }

struct ListCase {
    const char* What;
    std::string Bytes;
    const char* Headline;  // of the box that leaves p out; null: p is merged whole
};

TEST_F(Hostile, ListsAtAndPastTheLineLimits)
{
    const char* const tooLong = MSG_LINE_TOO_LONG;
    const std::string head = "t\r\nd\r\n";
    const ListCase cases[] = {
        {"0 bytes", "", tooLong},
        {"title only, no line end", "t", tooLong},
        {"no line end at all, 100000 bytes", std::string(100000, 'x'), tooLong},
        {"last keyword line without line end", head + "k\r\nzz", nullptr},
        {"only a keyword without line end", head + "k", MSG_LIST_INCOMPLETE},
        {"title of 4094", Line(4094) + "d\r\nk\r\n", nullptr},
        {"title of 4095", Line(4095) + "d\r\nk\r\n", tooLong},
        {"title of 100000", Line(100000) + "d\r\nk\r\n", tooLong},
        {"description of 4094", "t\r\n" + Line(4094) + "k\r\n", nullptr},
        {"description of 4095", "t\r\n" + Line(4095) + "k\r\n", tooLong},
        {"description of 100000", "t\r\n" + Line(100000) + "k\r\n", tooLong},
        {"keyword line of 4094", head + "k\r\n" + Line(4094, 'm'), MSG_KEYWORD_TOO_LONG},
        {"keyword line of 4095", head + "k\r\n" + Line(4095, 'm'), tooLong},
        {"keyword line of 100000", head + "k\r\n" + Line(100000, 'm'), tooLong},
        {"first keyword line of 4095", head + Line(4095, 'm'), tooLong},
        {"alias making a line of 4094", head + "k\r\nm=" + Line(4092, 'a'), nullptr},
        {"4094 after a refill",
         head +
             [] {
                 std::string lines;
                 for (int i = 0; i < 300; ++i)
                     lines += "k" + std::to_string(1000 + i) + "\r\n";
                 return lines;
             }() +
             "m=" + Line(4092, 'a') + "n\r\n",
         nullptr},
        // The CR falls on the last byte of the first window.
        {"line end split by a refill", head + "m=" + std::string(4087, 'a') + "\r\nn\r\n", nullptr},
    };
    int count = 0;
    for (const ListCase& c : cases) {
        DropCache();
        dir.Write("p.kwl", c.Bytes);
        BoxCapture capture;
        ASSERT_EQ(OpenCache(), 1u) << c.What;
        Texts texts = capture.Texts();
        EXPECT_EQ(texts.size(), c.Headline == nullptr ? 0u : 1u) << c.What;
        for (const std::string& text : texts)
            EXPECT_TRUE(KnownMessage(text, dir.File("p.kwl"))) << c.What;
        EXPECT_EQ(Lookup("c"), "help-q") << c.What;
        std::string after;
        if (Lookup("m", &after) == "help-p") {
            EXPECT_EQ(after, "m") << c.What;  // an alias too long for the buffer is not copied
        }
        EXPECT_EQ(Lookup("zz"), "help-default") << c.What;  // never merged
        DropCache();
        GoodLists();
        capture.Clear();
        ASSERT_EQ(OpenCache(), 1u) << c.What;
        EXPECT_TRUE(capture.Boxes().empty()) << c.What;
        ExpectWorking(c.What);
        ++count;
    }
    Report("lists at the line limits", {{"cases", count}});
}

TEST_F(Hostile, ListHeldByAnotherHandle)
{
    struct Holder {
        const char* What;
        DWORD Access, Share;
    } holders[] = {
        {"opened without sharing", GENERIC_READ, 0},
        {"opened for writing, shared for reading", GENERIC_WRITE, FILE_SHARE_READ},
    };
    for (const Holder& h : holders) {
        DropCache();
        HANDLE holder = CreateFileA(dir.File("p.kwl").c_str(), h.Access, h.Share, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE) << h.What;
        BoxCapture capture;
        EXPECT_EQ(OpenCache(), 1u) << h.What;
        EXPECT_EQ(capture.Texts(), Texts{MSG_CANNOT_OPEN_INPUT "\r\n" MSG_LIST_FILE + dir.File("p.kwl") +
                                         "\r\n" MSG_LIST_REASON MSG_REASON_LOCKED "\r\n\r\n" MSG_LISTS_LEFT_OUT})
            << h.What;
        EXPECT_EQ(Lookup("c"), "help-q") << h.What;
        // Once the other program lets go, the next open works, though the list is unchanged.
        CloseHandle(holder);
        capture.Clear();
        ASSERT_EQ(OpenCache(), 1u) << h.What;
        EXPECT_TRUE(capture.Boxes().empty()) << h.What;
        ExpectWorking(h.What);
    }
}

TEST_F(Hostile, SettingsFileHeldByAnotherHandle)
{
    // The profile functions can't read a file locked without sharing: the
    // settings read as absent, which is the message of no lists, not a crash.
    DropCache();
    HANDLE holder = CreateFileA(hostIni.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    BoxCapture capture;
    uint32_t opened = OpenCache();
    CloseHandle(holder);
    if (opened == 1u) {
        EXPECT_TRUE(capture.Boxes().empty());
        ExpectWorking("settings held");  // the profile functions read it all the same
    } else {
        EXPECT_EQ(capture.Texts(), Texts{MSG_NO_HELP_FILES});
        EXPECT_EQ(CacheView, nullptr);
    }
    printf("settings file held without sharing: %s\n", opened ? "read all the same" : "no lists message");
    CloseCache();
    capture.Clear();
    ASSERT_EQ(OpenCache(), 1u);
    EXPECT_TRUE(capture.Boxes().empty());
    ExpectWorking("settings released");
}

TEST_F(Hostile, RepeatedFailingBuildsLeaveNoFilesBehind)
{
    // Each but "only default", which has nothing to build, still opens without the bad list.
    struct Failure {
        const char* What;
        std::string Lists;
        std::string List;  // p.kwl
        bool Hold;         // p.kwl held open without sharing
    } failures[] = {
        {"missing list", "p,nosuch,default", "t\r\nd\r\nk\r\n", false},
        {"empty list", "p,q", "", false},
        {"line too long", "p,q", "t\r\nd\r\nk\r\n" + Line(5000), false},
        {"keyword too long", "p,q", "t\r\nd\r\nk\r\n" + Line(129), false},
        {"list held", "p,q", "t\r\nd\r\nk\r\n", true},
        {"only default", "default", "t\r\nd\r\nk\r\n", false},
        {"name too long", "q,p" + std::string(300, 'n'), "t\r\nd\r\nk\r\n", false},
    };
    OptionFlags = OptQuiet;
    int builds = 0;
    for (int round = 0; round < 21; ++round) {
        const Failure& f = failures[round % 7];
        Set(hostIni, "KeywordLists", f.Lists);
        dir.Write("p.kwl", f.List);
        HANDLE holder = f.Hold ? CreateFileA(dir.File("p.kwl").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                             nullptr)
                               : INVALID_HANDLE_VALUE;
        CloseCache();
        bool nothing = f.Lists == "default";
        EXPECT_EQ(OpenCache(), nothing ? 0u : 1u) << f.What;
        if (holder != INVALID_HANDLE_VALUE)
            CloseHandle(holder);
        // One cache file, the fresh one or, after the failed build, the old
        // one; nothing else but the two lists and the settings (and "." and "..").
        EXPECT_EQ(dir.List("hlp*").size(), 1u) << f.What << ", round " << round;
        EXPECT_EQ(dir.List("*").size(), 6u) << f.What << ", round " << round;
        ++builds;
    }
    Set(hostIni, "KeywordLists", "p,q,default");
    GoodLists();
    OptionFlags = 0;
    BoxCapture capture;
    ASSERT_EQ(OpenCache(), 1u);
    EXPECT_TRUE(capture.Boxes().empty());
    ExpectWorking("after the failures");

    // A build cut short (the process ended during it) leaves its file, which
    // the settings already name: the next open replaces it.
    int cut = 0;
    for (int round = 0; round < 20; ++round) {
        CloseCache();
        std::string named = CacheFileSetting();
        WriteFileBytes(named, std::string(CacheHeaderSize + 7 * round, '\0'));
        ASSERT_EQ(OpenCache(), 1u);
        EXPECT_FALSE(FileExists(named));
        ExpectWorking("cut short, round " + std::to_string(round));
        ++cut;
    }
    Report("repeated failures", {{"failed builds", builds}, {"builds cut short", cut}});
}

}  // namespace
