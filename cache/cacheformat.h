// The keyword cache file: a 512-byte header of 128 little-endian words, the
// ListBlock (name, title, description of each merged list, NUL-terminated),
// then the keyword entries (keyword, NUL, alias, NUL, 2-byte list index),
// sorted by keyword under StrCmp.
// Pure code: bytes and lengths only, so it builds natively and can be fuzzed.
// Nothing here reads outside the view it is given, whatever its bytes are.
#pragma once
#include <stdint.h>
#include <string.h>

#include "cache/listnames.h"

constexpr uint32_t CacheHeaderWords = 128;
constexpr uint32_t CacheHeaderSize = CacheHeaderWords * 4;  // the ListBlock starts here
constexpr uint32_t MaxKeywordLength = 128;                  // a longer keyword fails the build
constexpr uint32_t ListCountWord = 0;
constexpr uint32_t EntriesOffsetWord = 1;
constexpr uint32_t EndOffsetWord = 127;

struct CacheHeader {
    uint32_t ListCount;          // lists in the ListBlock; "default" is never counted
    uint32_t EntriesOffset;      // the first entry, which is also the end of the ListBlock
    uint32_t BucketOffset[125];  // words 2..126: first entry whose first byte AND 0x7F is the word's index
    uint32_t EndOffset;          // end of the entries: the file's length
};
static_assert(sizeof(CacheHeader) == CacheHeaderSize, "the header is 128 words");

// Header words by index (0..127), as the buckets are addressed.
inline uint32_t GetHeaderWord(const CacheHeader* header, uint32_t index)
{
    uint32_t value;
    memcpy(&value, reinterpret_cast<const char*>(header) + 4 * index, 4);
    return value;
}
inline void SetHeaderWord(CacheHeader* header, uint32_t index, uint32_t value)
{
    memcpy(reinterpret_cast<char*>(header) + 4 * index, &value, 4);
}
// Word index of a view at least CacheHeaderSize bytes long, read little-endian.
uint32_t ViewWord(const char* view, uint32_t index);

// One row of the open cache's list table.
struct ListEntry {
    const char* Name;  // in the view's ListBlock, or "default" for the pseudo-list's row
    char* HelpTarget;  // 260-byte buffer owned by the row; null until read
};

// True when the view of size bytes can be trusted as a cache built from the
// first count names of lists (as the list-name grammar reads them), in that order: ListCount is count (at least 1),
// EndOffset is the size, 512 <= EntriesOffset <= EndOffset, every nonzero
// bucket word lies in [EntriesOffset, EndOffset), and the ListBlock holds
// exactly three NUL-terminated strings per list filling [512, EntriesOffset)
// with the names equal. Costs O(lists), not O(keywords): entries are bounded
// at lookup instead. When rows is given, rows[i].Name points at list i's name.
bool CheckCacheView(const char* view, uint32_t size, const char* lists, uint32_t count, ListEntry* rows);

struct KeywordHit {
    uint32_t List;      // row in the list table, below ListCount
    const char* Alias;  // in the view; empty when the entry has none
    uint32_t AliasLength;
};

// Searches the bucket of word's first byte (word is length bytes followed by a
// NUL). Walks only entries that lie wholly before EndOffset and the view's end,
// compares only keywords of the word's length and stops at the first of them
// that sorts after it. False when not found, and for an entry whose list
// index is not below ListCount.
bool FindKeyword(const char* view, uint32_t size, const char* word, uint32_t length, KeywordHit* hit);
// The same with the walk chosen by the caller: wide for the SSE2 build, which
// only a processor with SSE2 may run. FindKeyword asks the processor.
bool FindKeywordUsing(bool wide, const char* view, uint32_t size, const char* word, uint32_t length, KeywordHit* hit);

// The list index of every entry whose keyword is word (length bytes), in the
// cache's order, so the first is the one a lookup takes: at most room of them
// into lists; returns how many entries hold it. Walks every entry that lies
// wholly before EndOffset and the view's end: for tools, not for the lookup.
uint32_t FindKeywordLists(const char* view, uint32_t size, const char* word, uint32_t length, uint32_t* lists,
                          uint32_t room);
