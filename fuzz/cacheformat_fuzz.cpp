// The cache file's check and lookup over bytes of any content and length.
// Every view is copied into a heap block of exactly its size, so the sanitizer
// sees a read of even one byte past the mapped file.
//
// Input: a mode byte, then the rest.
//   mode even: raw. The rest up to the first 0xFF byte is the enabled-lists
//     text; what follows is the whole cache file.
//   mode odd: built. The rest is a description of lists and keywords, from
//     which a well-formed cache is put together here (so the fuzzer gets past
//     the check), then damaged by the edits that follow it. Undamaged, every
//     keyword must be found with the list and alias the merge would give it.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cache/bucketwalk_impl.h"
#include "cache/cacheformat.h"
#include "cache/suggest.h"
#include "common/text.h"

namespace {

[[noreturn]] void FailAt(int line)
{
    fprintf(stderr, "check failed at line %d\n", line);
    __builtin_trap();
}
#define Fail() FailAt(__LINE__)

struct Entry {
    std::string Keyword, Alias;
    uint32_t List;
};

void PutWord(std::string& file, uint32_t index, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        file[4 * index + i] = static_cast<char>(value >> (8 * i));
}

// A cache as the build lays it out: sorted under StrCmp, the later list first
// among equal keywords, each bucket word the first entry of its byte.
std::string BuildCache(const std::string& lists, uint32_t count, std::vector<Entry> entries)
{
    // StrCmp's 8-bit difference wraps for bytes 0x80 and above, so it is no
    // order to sort by; signed bytes compared one by one give its order
    // wherever it has one (keywords of bytes below 0x80).
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.Keyword != b.Keyword)
            return std::lexicographical_compare(a.Keyword.begin(), a.Keyword.end(), b.Keyword.begin(), b.Keyword.end(),
                                                [](char x, char y) {
                                                    return static_cast<signed char>(x) < static_cast<signed char>(y);
                                                });
        return a.List > b.List;
    });
    std::string file(CacheHeaderSize, '\0');
    ListNameWalk walk;
    StartListNames(&walk, lists.c_str());
    ListName name;
    for (uint32_t i = 0; i < count && NextListName(&walk, &name); ++i) {
        file.append(name.Text, name.Length);
        file += '\0';
        file += std::string("t") + char('0' + i % 10) + '\0' + "d" + '\0';
    }
    PutWord(file, EntriesOffsetWord, static_cast<uint32_t>(file.size()));
    std::vector<uint32_t> words(CacheHeaderWords, 0);
    for (const Entry& e : entries) {
        uint32_t b = static_cast<unsigned char>(e.Keyword.empty() ? 0 : e.Keyword[0]) & 0x7F;
        if (b >= 2 && b < EndOffsetWord && words[b] == 0)
            words[b] = static_cast<uint32_t>(file.size());
        file += e.Keyword;
        file += '\0';
        file += e.Alias;
        file += '\0';
        file += static_cast<char>(e.List & 0xFF);
        file += static_cast<char>(e.List >> 8);
    }
    for (uint32_t b = 2; b < EndOffsetWord; ++b)
        PutWord(file, b, words[b]);
    PutWord(file, ListCountWord, count);
    PutWord(file, EndOffsetWord, static_cast<uint32_t>(file.size()));
    return file;
}

void CheckHit(const char* view, uint32_t size, const KeywordHit& hit)
{
    if (hit.List >= ViewWord(view, ListCountWord))
        Fail();
    if (hit.Alias < view || hit.Alias + hit.AliasLength >= view + size || hit.Alias[hit.AliasLength] != 0)
        Fail();
}

// Every walk of the bucket, plain or SSE2, with the lanes the lookup uses or
// with lanes of a few bytes, answers as one walk from entry to entry.
void CheckWalksAgree(const char* view, uint32_t size, const char* word, uint32_t length)
{
    BucketRange range;
    if (!FindBucket(view, size, word, length, &range))
        return;
    KeywordHit expected{}, hit{};
    bool found = WalkFrom<GroupNul>(range, word, length, range.Start, &expected);
    const LaneShape shapes[] = {BucketLanes, {MaxLanes, 1}, {2, 3}};
    for (const LaneShape& shape : shapes) {
        for (int wide = 0; wide < 2; ++wide) {
            bool got = wide ? WalkBucketSse2(range, word, length, &hit, shape)
                            : WalkBucketPlain(range, word, length, &hit, shape);
            if (got != found || (found && (hit.List != expected.List || hit.Alias != expected.Alias ||
                                           hit.AliasLength != expected.AliasLength)))
                Fail();
        }
    }
}

// Looks word up in a block of exactly its size plus the NUL, as the lookup is
// handed it; returns whether it was found.
bool Find(const char* view, uint32_t size, const std::string& word, KeywordHit* hit)
{
    if (word.size() >= 0xFFFF)
        return false;
    std::vector<char> block(word.begin(), word.end());
    block.push_back(0);
    uint32_t length = static_cast<uint32_t>(word.size());
    CheckWalksAgree(view, size, block.data(), length);
    // The SSE2 search offers what the plain one does, in the same order.
    Suggestion nearest[MaxSuggestions], plain[MaxSuggestions];
    uint32_t count = SuggestKeywordsUsing(true, view, size, block.data(), length, nearest);
    if (SuggestKeywordsUsing(false, view, size, block.data(), length, plain) != count)
        Fail();
    for (uint32_t i = 0; i < count; ++i) {
        if (nearest[i].Keyword < view || nearest[i].Alias + nearest[i].AliasLength >= view + size ||
            nearest[i].Keyword[0] != block[0])
            Fail();
        if (nearest[i].Keyword != plain[i].Keyword || nearest[i].KeywordLength != plain[i].KeywordLength ||
            nearest[i].Alias != plain[i].Alias || nearest[i].AliasLength != plain[i].AliasLength ||
            nearest[i].Common != plain[i].Common)
            Fail();
    }
    if (!FindKeyword(view, size, block.data(), length, hit))
        return false;
    CheckHit(view, size, *hit);
    return true;
}

// Check, then look up a few words: some from the file itself, one made up.
void Probe(const std::string& file, const std::string& lists, const std::vector<std::string>& words)
{
    uint32_t size = static_cast<uint32_t>(file.size());
    char* view = new char[size ? size : 1];
    memcpy(view, file.data(), size);
    bool defaultLast = false;
    std::vector<char> text(lists.begin(), lists.end());
    text.push_back(0);
    uint32_t count = CountListNames(text.data(), &defaultLast);
    std::vector<ListEntry> rows(count + 1);
    if (CheckCacheView(view, size, text.data(), count, rows.data())) {
        for (uint32_t i = 0; i < count; ++i) {
            const char* name = rows[i].Name;
            if (name < view + CacheHeaderSize || name >= view + size || memchr(name, 0, view + size - name) == nullptr)
                Fail();
        }
    }
    KeywordHit hit;
    for (const std::string& word : words)
        Find(view, size, word, &hit);
    // Keywords standing in the file after the header, whatever it says.
    for (uint32_t pos = CacheHeaderSize, n = 0; pos < size && n < 16; ++n) {
        const char* start = view + pos;
        const void* nul = memchr(start, 0, size - pos);
        if (nul == nullptr)
            break;
        Find(view, size, std::string(start, static_cast<const char*>(nul)), &hit);
        pos = static_cast<uint32_t>(static_cast<const char*>(nul) - view) + 1;
    }
    delete[] view;
}

// Splits at byte sep; the last piece runs to the end.
std::vector<std::string> Split(const uint8_t* data, size_t size, uint8_t sep, size_t most)
{
    std::vector<std::string> pieces(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == sep && pieces.size() < most)
            pieces.emplace_back();
        else
            pieces.back() += static_cast<char>(data[i]);
    }
    return pieces;
}

void Raw(const uint8_t* data, size_t size)
{
    std::vector<std::string> parts = Split(data, size, 0xFF, 2);
    std::string lists = parts[0].substr(0, strnlen(parts[0].c_str(), parts[0].size()));
    std::string file = parts.size() > 1 ? parts[1] : std::string();
    Probe(file, lists, {"a", "ab", std::string(1, '\x01'), "~", std::string(128, 'k')});
}

// Lines at 0x0A: the first is the enabled-lists text; then keyword lines, each
// a list byte and the keyword, "=" and an alias, up to a line that begins with
// 0xFF. The bytes after that are edits of the built file, five bytes each:
// an operation, a 16-bit place and a 16-bit value.
void Built(const uint8_t* data, size_t size)
{
    const uint8_t* edits = static_cast<const uint8_t*>(memchr(data, 0xFF, size));
    size_t describe = edits ? static_cast<size_t>(edits - data) : size;
    std::vector<std::string> lines = Split(data, describe, 0x0A, 4096);
    std::string lists;
    for (char c : lines[0])
        if (c != 0)
            lists += c;
    bool defaultLast = false;
    uint32_t count = CountListNames(lists.c_str(), &defaultLast);
    if (count == 0 || count > 64)
        return;
    std::vector<Entry> entries;
    bool reliable = true;  // every keyword is made of bytes below 0x80
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty())
            continue;
        Entry e;
        e.List = static_cast<unsigned char>(line[0]) % count;
        std::string body;
        for (size_t j = 1; j < line.size(); ++j)
            if (line[j] != 0)
                body += line[j];
        size_t eq = body.find('=');
        e.Keyword = body.substr(0, eq).substr(0, MaxKeywordLength);
        if (eq != std::string::npos)
            e.Alias = body.substr(eq + 1);
        for (char c : e.Keyword)
            if (static_cast<unsigned char>(c) & 0x80)
                reliable = false;
        entries.push_back(e);
    }
    std::string file = BuildCache(lists, count, entries);

    if (edits == nullptr) {
        // Undamaged: the check passes and every reachable keyword is found.
        uint32_t fileSize = static_cast<uint32_t>(file.size());
        char* view = new char[fileSize];
        memcpy(view, file.data(), fileSize);
        if (!CheckCacheView(view, fileSize, lists.c_str(), count, nullptr))
            Fail();
        for (const Entry& e : entries) {
            unsigned char first = e.Keyword.empty() ? 0 : static_cast<unsigned char>(e.Keyword[0]);
            KeywordHit hit;
            bool found = Find(view, fileSize, e.Keyword, &hit);
            if (first == 0 || (first & 0x7F) == 0x7F) {
                if (found)
                    Fail();
                continue;
            }
            if (!reliable)
                continue;
            if (!found)
                Fail();
            // The first match: the latest list that holds the keyword, and
            // the alias of that list's first line of it.
            uint32_t latest = 0;
            for (const Entry& other : entries)
                if (other.Keyword == e.Keyword && other.List > latest)
                    latest = other.List;
            const Entry* line = nullptr;
            for (const Entry& other : entries)
                if (line == nullptr && other.Keyword == e.Keyword && other.List == latest)
                    line = &other;
            if (hit.List != latest || std::string(hit.Alias, hit.AliasLength) != line->Alias)
                Fail();
        }
        delete[] view;
        return;
    }

    // Damaged: anything may happen but a read outside the file.
    const uint8_t* p = edits + 1;
    size_t left = size - describe - 1;
    for (; left >= 5 && !file.empty(); p += 5, left -= 5) {
        uint32_t where = p[1] | (p[2] << 8);
        uint32_t value = p[3] | (p[4] << 8);
        switch (p[0] % 4) {
        case 0:  // a header word: small values, or near the file's end
            if (file.size() >= CacheHeaderSize)
                PutWord(file, where % CacheHeaderWords,
                        (p[0] & 4) ? static_cast<uint32_t>(file.size()) - value % 8 : value);
            break;
        case 1:  // a byte anywhere
            file[where % file.size()] = static_cast<char>(value);
            break;
        case 2:  // cut the file short
            file.resize(where % (file.size() + 1));
            break;
        default:  // a word of any size
            if (file.size() >= CacheHeaderSize)
                PutWord(file, where % CacheHeaderWords, value | (static_cast<uint32_t>(p[0]) << 24));
        }
    }
    std::vector<std::string> words;
    for (const Entry& e : entries)
        if (words.size() < 16)
            words.push_back(e.Keyword);
    words.push_back("zz");
    Probe(file, lists, words);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    if (data[0] & 1)
        Built(data + 1, size - 1);
    else
        Raw(data + 1, size - 1);
    return 0;
}
