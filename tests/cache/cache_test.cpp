// Building, opening and searching the cache with real list and INI files.
#include <gtest/gtest.h>

#include <ctype.h>
#include <string.h>

#include <string>
#include <vector>

#include "cache/build.h"
#include "cache/cache_fixture.h"
#include "common/messages.h"
#include "support/msgbox_capture.h"

namespace {

using Texts = std::vector<std::string>;

std::string Word(uint32_t value) { return std::string(reinterpret_cast<const char*>(&value), 4); }

// The file's last-write time, once set to *put when that is given.
FILETIME LastWrite(const std::string& path, const FILETIME* put = nullptr)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    FILETIME time = {};
    if (put != nullptr)
        SetFileTime(file, nullptr, nullptr, put);
    GetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    return time;
}

// p holds ab and b, q holds ab=x: the two lists of the layout's worked example.
class WorkedExample : public CacheTest {
protected:
    void SetUp() override
    {
        CacheTest::SetUp();
        List("p", "ab\r\nb\r\n");
        List("q", "ab=x\r\n");
        Set(hostIni, "KeywordLists", "p,q");
        Set(hostIni, "p", "help-p");
        Set(hostIni, "q", "help-q");
    }
};

TEST_F(WorkedExample, FileComesOutByteForByte)
{
    BoxCapture capture;
    ASSERT_EQ(OpenCache(), 1u);
    EXPECT_TRUE(capture.Boxes().empty());

    std::string header(512, '\0');
    header.replace(0, 4, Word(2));
    header.replace(4, 4, Word(524));
    header.replace(4 * 0x61, 4, Word(524));
    header.replace(4 * 0x62, 4, Word(537));
    header.replace(4 * 127, 4, Word(542));
    std::string expected = header + std::string("p\0t\0d\0q\0t\0d\0"
                                                "ab\0x\0\x01\0"
                                                "ab\0\0\0\0"
                                                "b\0\0\0\0",
                                                30);
    std::string path = CacheFileSetting();
    EXPECT_EQ(path, CachePath);
    EXPECT_EQ(ReadFileBytes(path), expected);
    ASSERT_EQ(dir.List("hlp*").size(), 1u);
    EXPECT_EQ(path, dir.File(dir.List("hlp*")[0]));
    EXPECT_EQ(ActiveIni, data.HostIniPath);
    EXPECT_STREQ(ListTable[0].Name, "p");
    EXPECT_STREQ(ListTable[1].Name, "q");
    EXPECT_EQ(ListTable[0].Name, CacheView + 512);
}

// The build empties a file that holds something before it writes there.
TEST_F(WorkedExample, ABuildOverALongerFileLeavesNothingOfIt)
{
    ASSERT_EQ(OpenCache(), 1u);
    std::string built = ReadFileBytes(CachePath);
    CloseCache();
    std::string older = dir.File("older.bin");
    WriteFileBytes(older, std::string(5000, 'x'));
    char text[256];
    BuildReport report = {text, sizeof text, false};
    ASSERT_EQ(WriteCacheFile("p,q", addinDir.c_str(), older.c_str(), &report), 1u);
    EXPECT_EQ(ReadFileBytes(older), built);
}

TEST_F(WorkedExample, LookupGivesTheListsTargetAndAlias)
{
    ASSERT_EQ(OpenCache(), 1u);
    std::string after;
    EXPECT_EQ(Lookup("ab", &after), "help-q");
    EXPECT_EQ(after, "x");
    EXPECT_EQ(Lookup("b", &after), "help-p");
    EXPECT_EQ(after, "b");
    EXPECT_EQ(Lookup("a"), "<null>");
    EXPECT_EQ(Lookup("c"), "<null>");
    EXPECT_EQ(Lookup(""), "<null>");
    EXPECT_EQ(Lookup("\x7F"), "<null>");
    EXPECT_EQ(Lookup("\xFF"), "<null>");
    EXPECT_EQ(OptionFlags & OptDefaultList, 0u);
}

TEST_F(WorkedExample, CloseTwiceAndLookupWhileClosed)
{
    ASSERT_EQ(OpenCache(), 1u);
    CloseCache();
    CloseCache();
    EXPECT_EQ(CacheView, nullptr);
    EXPECT_EQ(ListTable, nullptr);
    EXPECT_EQ(CacheFile, nullptr);
    EXPECT_EQ(CacheMapping, nullptr);
    EXPECT_EQ(Lookup("ab"), "<null>");
}

TEST_F(WorkedExample, ValidCacheIsKeptAndCapitalsMatch)
{
    ASSERT_EQ(OpenCache(), 1u);
    std::string path = CacheFileSetting();
    std::string bytes = ReadFileBytes(path);
    CloseCache();
    Set(hostIni, "KeywordLists", "P,Q");
    BoxCapture capture;
    ASSERT_EQ(OpenCache(), 1u);
    EXPECT_STREQ(EnabledLists, "p,q");
    EXPECT_EQ(CacheFileSetting(), path);
    EXPECT_EQ(ReadFileBytes(path), bytes);
    EXPECT_TRUE(capture.Boxes().empty());
}

// A list saved since the build is answered from at the next check (the help
// command's) or open: a keyword added, one removed keeping the size, the file
// replaced by an older copy (the first build's size and time), one whose size
// alone changed (its time put back). One cache file.
TEST_F(WorkedExample, EditedListsAreUsedAtTheNextCheckOrOpen)
{
    ASSERT_EQ(OpenCache(), 1u);
    ASSERT_TRUE(CopyFileA(dir.File("q.kwl").c_str(), dir.File("q.old").c_str(), FALSE));
    struct Step {
        const char* Q;  // q's keyword lines, or null for the older copy
        bool AtOpen;
        Texts Answers;  // for ab, c and cd
        bool TimeKept = false;
    } steps[] = {
        {"ab=x\r\nc\r\n", false, {"help-q", "help-q", "<null>"}},
        {"cd=x\r\n", false, {"help-p", "<null>", "help-q"}},
        {nullptr, false, {"help-q", "<null>", "<null>"}},
        {"ab=x\r\nc\r\n", true, {"help-q", "help-q", "<null>"}},
        {"ab=x\r\ncd\r\n", false, {"help-q", "<null>", "help-q"}, true},
    };
    for (const Step& step : steps) {
        FILETIME before = LastWrite(dir.File("q.kwl"));
        if (step.Q != nullptr)
            List("q", step.Q);
        else
            ASSERT_TRUE(CopyFileA(dir.File("q.old").c_str(), dir.File("q.kwl").c_str(), FALSE));
        if (step.TimeKept) {
            FILETIME after = LastWrite(dir.File("q.kwl"), &before);
            ASSERT_EQ(CompareFileTime(&after, &before), 0);
        }
        if (step.AtOpen) {
            CloseCache();
            OpenCache();
        } else {
            RefreshCache();
        }
        EXPECT_EQ((Texts{Lookup("ab"), Lookup("c"), Lookup("cd")}), step.Answers) << step.Q;
        EXPECT_EQ(dir.List("hlp*").size(), 1u);
    }
}

TEST_F(WorkedExample, UnchangedListsCostTheCheckNoSettingsAndNoBuild)
{
    ASSERT_EQ(OpenCache(), 1u);
    std::string path = CachePath, stamp = Get(hostIni, "KeywordListStamp");
    // Without its settings file an open would fail: the check must not open.
    DeleteFileA(hostIni.c_str());
    RefreshCache();
    EXPECT_EQ(CachePath, path);
    EXPECT_EQ(Lookup("ab"), "help-q");
    EXPECT_FALSE(FileExists(hostIni));
    // No stamp recorded (a cache of an older build), or a garbled one (a digit
    // too many among them): built again.
    for (const std::string& recorded : {std::string(), std::string("0123456789abcdef"), stamp + "0"}) {
        Set(hostIni, "KeywordLists", "p,q");
        Set(hostIni, "KeywordCacheFile", path);
        Set(hostIni, "KeywordListStamp", recorded);
        CloseCache();
        ASSERT_EQ(OpenCache(), 1u);
        EXPECT_EQ(Get(hostIni, "KeywordListStamp"), stamp);
        path = CachePath;
    }
}

TEST_F(WorkedExample, AListThatBreaksTheBuildIsTriedAgainOnceSavedAgain)
{
    ASSERT_EQ(OpenCache(), 1u);
    BoxCapture capture;
    List("q", "ab=x\r\n" + std::string(129, 'm') + "\r\n");
    RefreshCache();
    RefreshCache();  // unchanged since: no second build, no second message
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Texts()[0].rfind(MSG_KEYWORD_TOO_LONG "\r\n", 0), 0u);
    EXPECT_EQ(Lookup("ab"), "help-q");  // the line before the bad one
    List("q", "ab=x\r\nc\r\n");
    RefreshCache();
    EXPECT_EQ(Lookup("c"), "help-q");
    EXPECT_EQ(dir.List("hlp*").size(), 1u);
}

// The cache is rebuilt, not trusted: the keyword added to q after the first
// build is found, and only one cache file is left.
class StaleCache : public WorkedExample {
protected:
    void SetUp() override
    {
        WorkedExample::SetUp();
        ASSERT_EQ(OpenCache(), 1u);
        oldPath = CacheFileSetting();
        oldBytes = ReadFileBytes(oldPath);
        CloseCache();
        List("q", "ab=x\r\nc\r\n");
        // The edit is recorded as if the cache had been built from it, so
        // that only what each case changes makes the cache stale.
        char stamp[StampTextSize];
        FormatStamp(StampLists(), stamp);
        Set(hostIni, "KeywordListStamp", stamp);
    }
    void ExpectRebuilt()
    {
        BoxCapture capture;
        EXPECT_EQ(OpenCache(), 1u);
        EXPECT_TRUE(capture.Boxes().empty());
        EXPECT_EQ(Lookup("c"), "help-q");
        EXPECT_EQ(CacheFileSetting(), CachePath);
        EXPECT_EQ(dir.List("hlp*").size(), 1u);
        EXPECT_TRUE(FileExists(CachePath));
    }
    std::string WithWord(uint32_t index, uint32_t value)
    {
        std::string bytes = oldBytes;
        bytes.replace(4 * index, 4, Word(value));
        return bytes;
    }

    std::string oldPath, oldBytes;
};

TEST_F(StaleCache, MissingFile)
{
    DeleteFileA(oldPath.c_str());
    ExpectRebuilt();
}

TEST_F(StaleCache, NoCacheFileSetting)
{
    WritePrivateProfileStringA("Tembril", "KeywordCacheFile", nullptr, hostIni.c_str());
    DeleteFileA(oldPath.c_str());
    ExpectRebuilt();
}

TEST_F(StaleCache, OtherOrder)
{
    Set(hostIni, "KeywordLists", "q,p");
    ExpectRebuilt();
    EXPECT_EQ(Lookup("ab"), "help-p");  // the later list wins
    EXPECT_FALSE(FileExists(oldPath));
}

TEST_F(StaleCache, OnlyOurOwnCacheFilesAreDeleted)
{
    // Hand-edited settings naming some other file: the rebuild leaves it be.
    CreateDirectoryA(dir.File("sub").c_str(), nullptr);
    // A folder beside the add-in's whose path is as long.
    std::string sibling = addinDir.substr(0, addinDir.size() - 1) + "~";
    CreateDirectoryA(sibling.c_str(), nullptr);
    for (const std::string& other : {dir.File("notes.txt"), dir.File("sub\\hlp1.tmp"), sibling + "\\hlp1.tmp"}) {
        WriteFileBytes(other, "keep");
        Set(hostIni, "KeywordCacheFile", other);
        ASSERT_EQ(OpenCache(), 1u);
        EXPECT_EQ(Lookup("c"), "help-q");
        EXPECT_EQ(ReadFileBytes(other), "keep");
        CloseCache();
    }
    DeleteFileA((sibling + "\\hlp1.tmp").c_str());
    RemoveDirectoryA(sibling.c_str());
}

TEST_F(StaleCache, OtherNames)
{
    List("r", "c\r\n");
    Set(hostIni, "KeywordLists", "p,r");
    Set(hostIni, "r", "help-r");
    BoxCapture capture;
    ASSERT_EQ(OpenCache(), 1u);
    EXPECT_EQ(Lookup("c"), "help-r");
    EXPECT_EQ(Lookup("ab"), "help-p");
    EXPECT_TRUE(capture.Boxes().empty());
}

TEST_F(StaleCache, FewerAndMoreLists)
{
    Set(hostIni, "KeywordLists", "q");
    ExpectRebuilt();
    CloseCache();
    List("q", "ab=x\r\nc\r\nd\r\n");
    Set(hostIni, "KeywordLists", "p,q");
    ExpectRebuilt();
    EXPECT_EQ(Lookup("d"), "help-q");
}

TEST_F(StaleCache, DamagedFilesAreRebuiltNotTrusted)
{
    struct Case {
        const char* What;
        std::string Bytes;
    } cases[] = {
        {"empty", ""},
        {"shorter than its header", oldBytes.substr(0, 100)},
        {"truncated", oldBytes.substr(0, oldBytes.size() - 1)},
        {"lengthened", oldBytes + std::string("c\0\0\1\0", 5)},
        {"header of zeros", std::string(512, '\0') + oldBytes.substr(512)},
        {"bucket beyond the file", WithWord(0x62, 100000)},
        {"bucket inside the ListBlock", WithWord(0x63, 514)},
        {"EntriesOffset in the header", WithWord(1, 400)},
        {"EndOffset beyond the file", WithWord(127, 0xFFFFFFFFu)},
        // The title of p emptied: p, "", "", then "d" where q should stand.
        {"ListBlock out of step", oldBytes.substr(0, 514) + '\0' + oldBytes.substr(515)},
    };
    for (const Case& c : cases) {
        // Every case is cut from the file built before "c" was added: finding
        // it shows that the round rebuilt.
        WriteFileBytes(CacheFileSetting(), c.Bytes);
        BoxCapture capture;
        EXPECT_EQ(OpenCache(), 1u) << c.What;
        EXPECT_TRUE(capture.Boxes().empty()) << c.What;
        EXPECT_EQ(Lookup("c"), "help-q") << c.What;
        EXPECT_EQ(dir.List("hlp*").size(), 1u) << c.What;
        CloseCache();
    }
}

TEST_F(StaleCache, LockedCacheFileIsReplaced)
{
    // Another program holding the old file open without sharing: it can't be
    // opened, so a fresh one is built beside it.
    HANDLE holder = CreateFileA(oldPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    BoxCapture capture;
    EXPECT_EQ(OpenCache(), 1u);
    EXPECT_EQ(Lookup("c"), "help-q");
    EXPECT_NE(CacheFileSetting(), oldPath);
    CloseHandle(holder);
}

class SettingsChoice : public CacheTest {
protected:
    void SetUp() override
    {
        CacheTest::SetUp();
        List("p", "ab\r\n");
        List("q", "b\r\n");
        Set(hostIni, "KeywordLists", "p,q");
        Set(hostIni, "p", "host-p");
        Set(hostIni, "q", "host-q");
    }
};

// The assembler's file is in force when it names lists, even none; else the
// host's. Only the file in force gets the cache's name, and only its help
// targets are read.
TEST_F(SettingsChoice, TheAssemblersFileIsInForceWhenItNamesLists)
{
    struct Case {
        bool Assembler;     // the host names an assembler's file
        const char* Lists;  // its KeywordLists; null: no such key
        bool AssemblerInForce;
        Texts Answers;      // for ab and b
        bool EmptyNameBox;  // one list with an empty name, whose file would be ".kwl"
    } cases[] = {
        {false, "q", false, {"host-p", "host-q"}, false},    {true, "q", true, {"<null>", "asm-q"}, false},
        {true, nullptr, false, {"host-p", "host-q"}, false}, {true, "?q", false, {"host-p", "host-q"}, false},
        {true, "", true, {"<null>", "<null>"}, true},
    };
    const std::string hostCache = dir.File("hlpHOST.tmp"), assemblerCache = dir.File("hlpASM.tmp");
    for (const Case& c : cases) {
        const std::string what = std::to_string(c.Assembler) + (c.Lists != nullptr ? c.Lists : "<none>");
        DeleteFileA(assemblerIni.c_str());
        Set(assemblerIni, "KeywordCacheFile", assemblerCache);
        Set(assemblerIni, "q", "asm-q");
        if (c.Lists != nullptr)
            Set(assemblerIni, "KeywordLists", c.Lists);
        Set(hostIni, "KeywordCacheFile", hostCache);
        data.AssemblerIniPath = c.Assembler ? assemblerIni.c_str() : nullptr;
        BoxCapture capture;
        ASSERT_EQ(OpenCache(), 1u) << what;
        EXPECT_EQ(ActiveIni, c.AssemblerInForce ? data.AssemblerIniPath : data.HostIniPath) << what;
        EXPECT_EQ((Texts{Lookup("ab"), Lookup("b")}), c.Answers) << what;
        EXPECT_EQ(Get(hostIni, "KeywordCacheFile"), c.AssemblerInForce ? hostCache : CachePath) << what;
        EXPECT_EQ(Get(assemblerIni, "KeywordCacheFile"), c.AssemblerInForce ? CachePath : assemblerCache) << what;
        ASSERT_EQ(capture.Boxes().size(), c.EmptyNameBox ? 1u : 0u) << what;
        if (c.EmptyNameBox) {
            EXPECT_NE(capture.Texts()[0].find(addinDir + "\\.kwl\r\n"), std::string::npos);
        }
        CloseCache();
    }
}

TEST_F(SettingsChoice, AnAssemblerChangeIsSeenAtTheNextOpen)
{
    ASSERT_EQ(OpenCache(), 1u);
    Set(assemblerIni, "KeywordLists", "q");
    data.AssemblerIniPath = assemblerIni.c_str();
    EXPECT_EQ(ActiveIni, data.HostIniPath);
    CloseCache();
    ASSERT_EQ(OpenCache(), 1u);
    EXPECT_EQ(ActiveIni, data.AssemblerIniPath);
    EXPECT_EQ(Lookup("ab"), "<null>");
}

TEST_F(SettingsChoice, AddinDirEndingInABackslash)
{
    std::string withSlash = addinDir + "\\";
    data.AddinDir = withSlash.c_str();
    BoxCapture capture;
    ASSERT_EQ(OpenCache(), 1u);
    EXPECT_EQ(Lookup("b"), "host-q");
    EXPECT_TRUE(capture.Boxes().empty());
}

class DefaultList : public CacheTest {
protected:
    void SetUp() override
    {
        CacheTest::SetUp();
        List("p", "ab\r\n");
        Set(hostIni, "p", "help-p");
        Set(hostIni, "default", "help-default");
    }
};

// "default" last matches every word that no list holds, the empty one
// included, and is no list of the cache; anywhere else it is a list file.
TEST_F(DefaultList, LastItMatchesEveryOtherWordElsewhereItIsAList)
{
    struct Case {
        const char* Lists;
        bool DefaultFile;  // a file default.kwl holding zz
        bool Flag;         // OptDefaultList after the open
        uint32_t Count;    // lists in the cache
        Texts Answers;     // the target and the buffer afterwards for zz, "", ab and yy
    } cases[] = {
        {"p,default", false, true, 1, {"help-default zz", "help-default ", "help-p ab", "help-default yy"}},
        {"p", false, false, 1, {"<null> zz", "<null> ", "help-p ab", "<null> yy"}},
        {"default,p", true, false, 2, {"help-default zz", "<null> ", "help-p ab", "<null> yy"}},
    };
    for (const Case& c : cases) {
        Set(hostIni, "KeywordLists", c.Lists);
        if (c.DefaultFile)
            List("default", "zz\r\n");
        ASSERT_EQ(OpenCache(), 1u) << c.Lists;
        EXPECT_EQ((OptionFlags & OptDefaultList) != 0, c.Flag) << c.Lists;
        EXPECT_EQ(ViewWord(CacheView, 0), c.Count) << c.Lists;
        if (c.Flag) {
            EXPECT_STREQ(ListTable[c.Count].Name, "default");
        }
        Texts answers;
        for (const char* word : {"zz", "", "ab", "yy"}) {
            std::string after, target = Lookup(word, &after);
            answers.push_back(target + " " + after);
        }
        EXPECT_EQ(answers, c.Answers) << c.Lists;
        EXPECT_EQ(dir.Exists("default.kwl"), c.DefaultFile) << c.Lists;
        CloseCache();
    }
}

// Busy blocks and bytes in the process heap.
std::pair<size_t, size_t> HeapInUse()
{
    std::pair<size_t, size_t> used = {0, 0};
    HANDLE heap = GetProcessHeap();
    HeapLock(heap);
    PROCESS_HEAP_ENTRY entry = {};
    while (HeapWalk(heap, &entry)) {
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
            ++used.first;
            used.second += entry.cbData;
        }
    }
    HeapUnlock(heap);
    return used;
}

TEST_F(DefaultList, CloseReleasesEveryHelpTargetOverManyCycles)
{
    Set(hostIni, "KeywordLists", "p,default");
    ASSERT_EQ(OpenCache(), 1u);
    CloseCache();
    std::pair<size_t, size_t> before = HeapInUse();
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(OpenCache(), 1u);
        ASSERT_EQ(Lookup("zz"), "help-default");
        CloseCache();
    }
    EXPECT_EQ(HeapInUse(), before);
}

TEST_F(CacheTest, LaterListWinsForDuplicateKeywords)
{
    List("p", "k=one\r\nm\r\n");
    List("q", "k=two\r\n");
    List("r", "k=three\r\nm\r\n");
    for (const char* name : {"p", "q", "r"})
        Set(hostIni, name, std::string("help-") + name);
    Set(hostIni, "KeywordLists", "p,q,r");
    ASSERT_EQ(OpenCache(), 1u);
    std::string after;
    EXPECT_EQ(Lookup("k", &after), "help-r");
    EXPECT_EQ(after, "three");
    EXPECT_EQ(Lookup("m"), "help-r");
    CloseCache();
    Set(hostIni, "KeywordLists", "r,q,p");
    ASSERT_EQ(OpenCache(), 1u);
    EXPECT_EQ(Lookup("k", &after), "help-p");
    EXPECT_EQ(after, "one");
    EXPECT_EQ(Lookup("m"), "help-p");
}

// A word is searched in the bucket of its first byte with the top bit cleared,
// from that bucket's word to the next nonzero one, as the list file put the
// entries: high bytes are found where that walk reaches them, and only there.
TEST_F(DefaultList, HighFirstBytesAreSearchedInTheBucketWithoutTheTopBit)
{
    List("p",
         "\x81x\r\n"                   // word 1 is the first entry's: the walk from it reaches this
         "\xC4\xE3\r\n"                // the only entry of bucket 0x44, which ends at "a"
         "a\r\nab\r\n\xE1x=alias\r\n"  // bucket 0x61 runs to "b"
         "b\r\nc\r\n"
         "\xE2\r\n"                       // past the end of bucket 0x62, which "c" ends
         "\xE3q\r\n\x80x\r\n\xFFx\r\n");  // bucket 0x63 runs to the end of the file
    Set(hostIni, "KeywordLists", "p,default");
    ASSERT_EQ(OpenCache(), 1u);
    struct Case {
        const char* Word;
        const char* Target;
        const char* After;
    } cases[] = {
        {"\x81x", "help-p", "\x81x"},
        {"\xC4\xE3", "help-p", "\xC4\xE3"},
        {"\xE1x", "help-p", "alias"},
        {"\xE3q", "help-p", "\xE3q"},
        {"ab", "help-p", "ab"},
        {"c", "help-p", "c"},
        {"\xE2", "help-default", "\xE2"},
        {"\x80x", "help-default", "\x80x"},
        {"\xFFx", "help-default", "\xFFx"},
        {"\xE1", "help-default", "\xE1"},
        {"\xC4\xE4", "help-default", "\xC4\xE4"},
        {"\x81y", "help-default", "\x81y"},
    };
    for (const Case& c : cases) {
        std::string after;
        EXPECT_EQ(Lookup(c.Word, &after), c.Target) << c.Word;
        EXPECT_EQ(after, c.After) << c.Word;
    }
}

// The list file's path may take the platform's 259 bytes; one more fails as
// a file that can't be opened, even though there is one.
TEST_F(CacheTest, ListPathAtTheLimitOpensAndOneByteMoreFails)
{
    for (size_t extra : {0, 1}) {
        std::string name(259 - addinDir.size() - 1 - 4 + extra, 'n');
        WriteFileBytes(addinDir + "\\" + name + ".kwl", "t\r\nd\r\nk\r\n");
        ASSERT_TRUE(FileExists(addinDir + "\\" + name + ".kwl"));
        Set(hostIni, "KeywordLists", name);
        Set(hostIni, name.c_str(), "help-n");
        BoxCapture capture;
        EXPECT_EQ(OpenCache(), 1u) << extra;
        EXPECT_EQ(Lookup("k"), extra == 0 ? "help-n" : "<null>") << extra;
        ASSERT_EQ(capture.Boxes().size(), extra) << extra;
        if (extra != 0) {
            EXPECT_NE(capture.Texts()[0].find(MSG_REASON_PATH_TOO_LONG), std::string::npos);
        }
        CloseCache();
    }
}

// One list's keyword lines: what each word finds (its help target or
// "<null>", and the buffer's text afterwards) and, where given, the entries
// the cache holds, byte for byte.
TEST_F(CacheTest, WhatTheLinesOfAListFind)
{
    struct Found {
        std::string Word, Target, After;
    };
    struct Case {
        const char* What;
        std::string Lines;
        std::vector<Found> Finds;
        std::string Entries;  // empty: not compared
    };
    const std::string k127(127, 'k'), k128(128, 'k'), alias127(127, 'a'), alias128(128, 'b'), end(4, '\0');
    const std::string none = "(None)", null = "<null>";
    const Case cases[] = {
        // The buffer's 128 bytes hold no terminator: nothing is found, nothing read beyond.
        {"keyword of 128 bytes",
         k127 + "\r\n" + k128 + "\r\n",
         {{k127, none, k127}, {k128, null, k128}},
         k127 + end + k128 + end},
        // An alias too long for the buffer leaves the keyword; a second "=" ends an alias.
        {"aliases",
         "k127=" + alias127 + "\r\nk128=" + alias128 + "\r\nkend=\r\nktwo=x=y\r\n",
         {{"k127", none, alias127}, {"k128", none, "k128"}, {"kend", none, "kend"}, {"ktwo", none, "x"}},
         ""},
        // A bare CR ends a line for the reader, the byte after it skipped as if
        // it were the LF: the alias scan must not run past the line.
        {"alias within its line",
         "ab\rcd=xy\r\nef\r\n",
         {{"ab", none, "ab"}, {"d", none, "xy"}, {"ef", none, "ef"}, {"cd", null, "cd"}},
         ""},
        {"empty lines, no line end at the end",
         "a\r\n\r\nb\r\nc",
         {{"a", none, "a"}, {"b", none, "b"}, {"c", null, "c"}, {"", null, ""}},
         std::string("a\0\0\0\0\0\0\0\0b\0\0\0\0", 14)},
    };
    Set(hostIni, "KeywordLists", "p");
    for (const Case& c : cases) {
        List("p", c.Lines);
        BoxCapture capture;
        ASSERT_EQ(OpenCache(), 1u) << c.What;
        EXPECT_TRUE(capture.Boxes().empty()) << c.What;
        for (const Found& f : c.Finds) {
            std::string after, target = Lookup(f.Word, &after);
            EXPECT_EQ(target + " " + after, f.Target + " " + f.After) << c.What;
        }
        if (!c.Entries.empty()) {
            EXPECT_EQ(ReadFileBytes(CachePath).substr(ViewWord(CacheView, 1)), c.Entries) << c.What;
        }
        CloseCache();
    }
}

// A word captured with a "%", "@" or "#" before it: the prefixed word, else
// the bare word, else "default" (with the word as captured).
TEST_F(CacheTest, PrefixedWordThenTheBareWordThenDefault)
{
    const std::string bare = "define=ddef\r\nf\r\ninclude\r\n";
    Set(hostIni, "p", "help-p");
    Set(hostIni, "default", "help-default");
    Set(hostIni, "KeywordLists", "p,default");
    struct Case {
        const char* Word;
        std::string Lists;  // p's keyword lines
        uint32_t BareFrom;
        std::string Target, After;
    } cases[] = {
        {"%define", "#include\r\n%define=pdef\r\n@f\r\n" + bare, 1, "help-p", "pdef"},
        {"@f", "#include\r\n@f\r\n" + bare, 1, "help-p", "@f"},
        {"#include", "#include\r\n" + bare, 1, "help-p", "#include"},
        {"%define", bare, 1, "help-p", "ddef"},
        {"@f", bare, 1, "help-p", "f"},
        {"#include", bare, 1, "help-p", "include"},
        {"%undef", bare, 1, "help-default", "%undef"},
        {"%", bare, 1, "help-default", "%"},
        {"%define", bare, 0, "help-default", "%define"},  // no prefix taken by the capture
    };
    for (const Case& c : cases) {
        List("p", c.Lists);
        ASSERT_EQ(OpenCache(), 1u);
        char buffer[KeywordBufferSize] = {};
        memcpy(buffer, c.Word, strlen(c.Word));
        const char* target = LookupKeyword(buffer, c.BareFrom);
        EXPECT_EQ(std::string(target != nullptr ? target : "<null>") + " " + buffer, c.Target + " " + c.After)
            << c.Word;
        CloseCache();
    }
}

TEST_F(CacheTest, TitlesWithEqualsSignsKeepThreeStrings)
{
    List("p", "k\r\n", "a=b\r\nc=d=\r\n");
    List("q", "m\r\n");
    Set(hostIni, "KeywordLists", "p,q");
    BoxCapture capture;
    ASSERT_EQ(OpenCache(), 1u);
    std::string bytes = ReadFileBytes(CachePath);
    EXPECT_EQ(bytes.substr(512, 17), std::string("p\0a=b\0c=d=\0q\0t\0d\0", 17));
    std::string path = CachePath;
    CloseCache();
    ASSERT_EQ(OpenCache(), 1u);
    EXPECT_EQ(CachePath, path);  // not rebuilt
    EXPECT_TRUE(capture.Boxes().empty());
}

// A list that can't be read or merged: the build goes on without it (or
// without its keywords from the bad line on), every other list keeps its
// help, and one box says which file, which line and why.
struct BadListCase {
    const char* What;
    const char* Lists;     // s holds k; p, when named, is the bad list
    const char* ListFile;  // the bytes of p.kwl, or null for none
    const char* Headline;
    const char* File;  // the file the box names, in the add-in directory unless it holds a "\\"
    uint32_t Line;     // 0: the box gives no line
    const char* Reason;
    const char* Pk;  // what p's keyword pk, before the bad line, answers
};

std::string LongLine(size_t length) { return std::string(length, 'x') + "\r\n"; }

const std::string TooLongTitle = LongLine(4095) + "d\r\npk\r\n" + LongLine(100);
const std::string TooLongKeywordLine = "t\r\nd\r\npk\r\n" + LongLine(4095) + LongLine(100);
const std::string Keyword129 = "t\r\nd\r\npk\r\n" + std::string(129, 'm') + "\r\n";
const std::string LongName = std::string(250, 'n');
const std::string LongNames = "s, " + LongName + ", default";
const std::string LongFile = "\\" + LongName + ".kwl";

const BadListCase badListCases[] = {
    {"missing list file", "s, p, default", nullptr, MSG_CANNOT_OPEN_INPUT, "p.kwl", 0, MSG_REASON_NOT_FOUND,
     "help-default"},
    {"default first, no file", "default,s,default", nullptr, MSG_CANNOT_OPEN_INPUT, "default.kwl", 0,
     MSG_REASON_NOT_FOUND, "help-default"},
    {"path too long", LongNames.c_str(), nullptr, MSG_CANNOT_OPEN_INPUT, LongFile.c_str(), 0, MSG_REASON_PATH_TOO_LONG,
     "help-default"},
    {"empty list file", "s,p,default", "", MSG_LINE_TOO_LONG, "p.kwl", 1, MSG_REASON_EMPTY_FILE, "help-default"},
    {"LF line ends", "s,p,default", "t\nd\npk\n", MSG_LINE_TOO_LONG, "p.kwl", 1, MSG_REASON_LF, "help-default"},
    {"empty title", "s,p,default", "\r\nd\r\npk\r\n", MSG_LIST_INCOMPLETE, "p.kwl", 1, MSG_REASON_EMPTY_LINE,
     "help-default"},
    {"empty description", "s,p,default", "t\r\n\r\npk\r\n", MSG_LIST_INCOMPLETE, "p.kwl", 2, MSG_REASON_EMPTY_LINE,
     "help-default"},
    {"no keyword line", "s,p,default", "t\r\nd\r\n", MSG_LIST_INCOMPLETE, "p.kwl", 3, MSG_REASON_MISSING_LINE,
     "help-default"},
    {"empty first keyword line", "s,p,default", "t\r\nd\r\n\r\npk\r\n", MSG_LIST_INCOMPLETE, "p.kwl", 3,
     MSG_REASON_EMPTY_LINE, "help-default"},
    {"title without line end", "s,p,default", "t", MSG_LINE_TOO_LONG, "p.kwl", 1, MSG_REASON_NO_LINE_END,
     "help-default"},
    {"title too long", "s,p,default", TooLongTitle.c_str(), MSG_LINE_TOO_LONG, "p.kwl", 1, MSG_REASON_LINE_TOO_LONG,
     "help-default"},
    {"keyword line too long", "s,p,default", TooLongKeywordLine.c_str(), MSG_LINE_TOO_LONG, "p.kwl", 4,
     MSG_REASON_LINE_TOO_LONG, "help-p"},
    {"keyword of 129 bytes", "s,p,default", Keyword129.c_str(), MSG_KEYWORD_TOO_LONG, "p.kwl", 4,
     MSG_REASON_KEYWORD_TOO_LONG, "help-p"},
};

class BadList : public CacheTest, public ::testing::WithParamInterface<BadListCase> {
protected:
    void SetUp() override
    {
        CacheTest::SetUp();
        const BadListCase& c = GetParam();
        List("s", "k\r\n");
        if (c.ListFile != nullptr)
            dir.Write("p.kwl", c.ListFile);
        Set(hostIni, "KeywordLists", c.Lists);
        Set(hostIni, "s", "help-s");
        Set(hostIni, "p", "help-p");
        Set(hostIni, "default", "help-default");
    }
    void ExpectOthersWork()
    {
        EXPECT_EQ(Lookup("k"), "help-s");
        EXPECT_EQ(Lookup("pk"), GetParam().Pk);
        EXPECT_EQ(Lookup("zz"), "help-default");
        EXPECT_EQ(CacheFileSetting(), CachePath);
        EXPECT_EQ(dir.List("hlp*").size(), 1u);
    }
    std::string ExpectedBox() const
    {
        const BadListCase& c = GetParam();
        std::string file = c.File[0] == '\\' ? c.File + 1 : addinDir + "\\" + c.File;
        char where[32] = MSG_LIST_REASON;
        if (c.Line != 0)
            wsprintfA(where, MSG_LIST_LINE_FORMAT, c.Line);
        return std::string(c.Headline) + "\r\n" MSG_LIST_FILE + file + "\r\n" + where + c.Reason +
               "\r\n\r\n" MSG_LISTS_LEFT_OUT;
    }
};

TEST_P(BadList, OneBoxNamesItsFileAndTheOthersKeepTheirHelp)
{
    BoxCapture capture;
    EXPECT_EQ(OpenCache(), 1u);
    ExpectOthersWork();
    // Told once: neither the help command's check nor the next open builds again.
    RefreshCache();
    CloseCache();
    EXPECT_EQ(OpenCache(), 1u);
    EXPECT_EQ(capture.Texts(), Texts{ExpectedBox()});
    for (const CapturedBox& box : capture.Boxes()) {
        EXPECT_EQ(box.Owner, nullptr);
        EXPECT_EQ(box.Buttons, OkButtons());
    }
    OptionFlags = OptQuiet;
    capture.Clear();
    Set(hostIni, "KeywordListStamp", "");
    CloseCache();
    EXPECT_EQ(OpenCache(), 1u);
    EXPECT_TRUE(capture.Boxes().empty());
    ExpectOthersWork();
}

TEST_P(BadList, ItsRepairIsTakenUpAtTheNextHelpCommand)
{
    OptionFlags = OptQuiet;
    ASSERT_EQ(OpenCache(), 1u);
    dir.Write("p.kwl", "title\r\ndescription\r\npk\r\n");
    dir.Write("default.kwl", "t\r\nd\r\nk\r\n");
    RefreshCache();
    bool named = strstr(GetParam().Lists, ",p") != nullptr || strstr(GetParam().Lists, ", p") != nullptr;
    EXPECT_EQ(Lookup("pk"), named ? "help-p" : GetParam().Pk);
    EXPECT_EQ(Lookup("k"), "help-s");
    EXPECT_EQ(dir.List("hlp*").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Cases, BadList, ::testing::ValuesIn(badListCases),
                         [](const ::testing::TestParamInfo<BadListCase>& info) {
                             std::string name;
                             for (const char* p = info.param.What; *p; ++p)
                                 name += isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

// Blanks and tabs around the names, as people type lists, and the file
// default.kwl named with its extension last: each name finds its file.
TEST_F(CacheTest, NamesAreReadWithoutTheBlanksAroundThem)
{
    List("s", "k\r\n");
    List("p", "pk\r\n");
    List("default", "dk\r\n");
    Set(hostIni, "s", "help-s");
    Set(hostIni, "p", "help-p");
    Set(hostIni, "default", "help-default");
    struct Case {
        const char* Lists;
        Texts Answers;  // for k, pk, dk, zz
    } cases[] = {
        {"s, p ,\tdefault", {"help-s", "help-p", "help-default", "help-default"}},
        {" s\t,p, default.kwl ", {"help-s", "help-p", "help-default", "<null>"}},
        {"default , s", {"help-s", "<null>", "help-default", "<null>"}},
    };
    BoxCapture capture;
    for (const Case& c : cases) {
        Set(hostIni, "KeywordLists", c.Lists);
        CloseCache();
        EXPECT_EQ(OpenCache(), 1u) << c.Lists;
        EXPECT_EQ((Texts{Lookup("k"), Lookup("pk"), Lookup("dk"), Lookup("zz")}), c.Answers) << c.Lists;
    }
    EXPECT_TRUE(capture.Boxes().empty()) << capture.Describe();
}

// Opens with nothing to serve: one box, none when quiet; no cache view, no
// cache file left behind, every lookup null.
TEST_F(CacheTest, AnOpenWithNothingToServe)
{
    struct Case {
        const char* Lists;     // null: neither the host's file nor the assembler's names lists
        bool AddinDirMissing;  // the cache file can't be created
        const char* Text;
    } cases[] = {
        {" default ", false, MSG_REBUILD_FAILED},
        {nullptr, false, MSG_NO_HELP_FILES},
        {"p", true, MSG_REBUILD_FAILED},
    };
    List("p", "k\r\n");
    Set(hostIni, "p", "help-p");
    std::string missing = dir.File("no-such-dir");
    for (const Case& c : cases) {
        WritePrivateProfileStringA("Tembril", "KeywordLists", c.Lists, hostIni.c_str());
        data.AssemblerIniPath = c.Lists == nullptr ? assemblerIni.c_str() : nullptr;
        data.AddinDir = c.AddinDirMissing ? missing.c_str() : addinDir.c_str();
        for (uint32_t quiet : {0u, static_cast<uint32_t>(OptQuiet)}) {
            OptionFlags = quiet;
            BoxCapture capture;
            EXPECT_EQ(OpenCache(), 0u) << c.Text;
            EXPECT_EQ(capture.Texts(), quiet ? Texts{} : Texts{c.Text});
            EXPECT_EQ(CacheView, nullptr);
            EXPECT_EQ(Lookup("k"), "<null>");
            EXPECT_TRUE(dir.List("hlp*").empty());
        }
    }
}

// Whether another handle can still read a locked region.
bool ReadsPastALock(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char bytes[16];
    DWORD got = 0;
    SetFilePointer(file, 4096, nullptr, FILE_BEGIN);
    bool read = ReadFile(file, bytes, sizeof bytes, &got, nullptr) && got != 0;
    CloseHandle(file);
    return read;
}

TEST_F(CacheTest, ListFileThatCannotBeRead)
{
    // The first window reads; the refill runs into a locked region.
    std::string body;
    for (int i = 0; i < 1000; ++i)
        body += "k" + std::to_string(10000 + i) + "\r\n";
    List("p", body);
    Set(hostIni, "KeywordLists", "p");
    HANDLE holder = CreateFileA(dir.File("p.kwl").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(LockFile(holder, 4096, 0, 4096, 0));
    if (ReadsPastALock(dir.File("p.kwl"))) {
        UnlockFile(holder, 4096, 0, 4096, 0);
        CloseHandle(holder);
        GTEST_SKIP() << "this platform (Wine) does not enforce byte-range locks on reads";
    }
    BoxCapture capture;
    EXPECT_EQ(OpenCache(), 1u);
    UnlockFile(holder, 4096, 0, 4096, 0);
    CloseHandle(holder);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Texts()[0].rfind(MSG_CANNOT_READ_INPUT "\r\n", 0), 0u) << capture.Texts()[0];
    EXPECT_EQ(Lookup("k10000"), "(None)");  // the first window's keywords stay
    EXPECT_EQ(dir.List("hlp*").size(), 1u);
}

// A settings file that can't be written (held open by a program that shares
// it for reading only): the fresh cache serves this session, the old one
// stays the one the file names, and one box says so.
TEST_F(CacheTest, AnUnwritableSettingsFileCostsNoHelp)
{
    List("p", "k\r\n");
    Set(hostIni, "KeywordLists", "p");
    Set(hostIni, "p", "help-p");
    ASSERT_EQ(OpenCache(), 1u);
    std::string old = CachePath, before = ReadFileBytes(hostIni);
    List("p", "k\r\nk2\r\n");
    HANDLE holder = CreateFileA(hostIni.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    BoxCapture capture;
    RefreshCache();
    EXPECT_EQ(Lookup("k2"), "help-p");
    RefreshCache();
    // The next open finds the old cache named and stale, and builds again, untold.
    CloseCache();
    EXPECT_EQ(OpenCache(), 1u);
    EXPECT_EQ(Lookup("k2"), "help-p");
    CloseHandle(holder);
    EXPECT_EQ(capture.Texts(), Texts{MSG_SETTINGS_UNWRITABLE + hostIni});
    EXPECT_EQ(ReadFileBytes(hostIni), before);
    EXPECT_EQ(Get(hostIni, "KeywordCacheFile"), old);
    CloseCache();
    EXPECT_EQ(dir.List("hlp*"), Texts{old.substr(old.rfind('\\') + 1)});
}

TEST_F(CacheTest, TheOpenEndingABuildNeverBuildsAgain)
{
    List("p", "k\r\n");
    Set(hostIni, "KeywordLists", "p");
    std::string gone = dir.File("hlpGONE.tmp");
    Set(hostIni, "KeywordCacheFile", gone);
    BoxCapture capture;
    EXPECT_EQ(OpenBuiltCache(0), 0u);
    EXPECT_EQ(capture.Texts(), Texts{MSG_REBUILD_FAILED});
    EXPECT_TRUE(dir.List("hlp*").empty());
    EXPECT_EQ(Get(hostIni, "KeywordCacheFile"), gone);
    // The same for a file that exists but does not match.
    dir.Write("hlpBAD.tmp", std::string(600, '\0'));
    Set(hostIni, "KeywordCacheFile", dir.File("hlpBAD.tmp"));
    capture.Clear();
    OptionFlags = OptQuiet;
    EXPECT_EQ(OpenBuiltCache(0), 0u);
    EXPECT_TRUE(capture.Boxes().empty());
    EXPECT_EQ(CacheView, nullptr);
    EXPECT_EQ(dir.List("hlp*").size(), 1u);
}

}  // namespace
