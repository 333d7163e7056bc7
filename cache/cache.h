// The keyword cache: opened from the settings in force, rebuilt when stale,
// searched in place for each help command.
#pragma once
#include <windows.h>

#include <stdint.h>

#include "cache/cacheformat.h"
#include "shell/host/settings.h"

// 1 when the cache is open and its list table built; 0 when help is unavailable.
uint32_t OpenCache();
// Merges the enabled lists into a fresh cache file, names it in the settings
// and opens it. 1 when the fresh cache is open, 0 when the build failed.
uint32_t RebuildCache();
// The open that ends a build: as OpenCache, except that a cache it cannot use
// is not built a second time; help is then unavailable. The lists count as
// they were when the build took their stamp.
uint32_t OpenBuiltCache(uint64_t stamp);

// A digest of the last-write time and size of each list file that
// EnabledLists names for merging, in their order; a file that can't be
// found counts as well. Any edit, a copy from elsewhere, or a list file
// replaced by an older copy changes it. Touches no settings file.
uint64_t StampLists();
// The stamp as its setting holds it: 16 hex digits, NUL included.
constexpr uint32_t StampTextSize = 17;
void FormatStamp(uint64_t stamp, char* text);
bool ParseStamp(const char* text, uint64_t* stamp);
// Whether path names a cache file of ours: "hlp..." right in the add-in
// directory. The settings may have been edited by hand, and nothing may
// delete whatever file they happen to name.
bool IsOwnCacheFile(const char* path);

// Releases the cache; harmless when it is already closed.
void CloseCache();
// Looks up the trimmed, lowercased word in the 128-byte keyword buffer; may
// replace it by the entry's alias. Returns the help target of the word's list
// (valid until the next CloseCache), that of the pseudo-list "default" when
// no list holds it and "default" is enabled, or null. When bareFrom is not 0
// and no list holds the word, the word from that byte on (the word without
// its prefix) is looked up before "default"; its hit puts it in the buffer.
const char* LookupKeyword(char* keyword, uint32_t bareFrom = 0);

// For the help command: when a list file of the open cache changed since the
// cache was built, closes and opens it again, which builds it afresh. Costs
// one look at each list file's attributes, and reads or writes no settings
// while the lists are unchanged. While the cache is closed because its lists
// could not be built, a list saved since then gets the same new try; a cache
// closed for want of settings stays closed until the next open.
void RefreshCache();

// The open cache's keywords nearest to the word in the keyword buffer (see
// SuggestKeywords); pointers into the view, valid until the next CloseCache.
struct Suggestion;
uint32_t SuggestFromCache(const char* keyword, Suggestion* out);

// For tools that explain a lookup (kwltool), on the open cache; each gives
// nothing while it is closed. The rows of the list table: the merged lists,
// then "default" when it is enabled.
uint32_t CacheListCount();                // merged lists, "default" not counted
const char* CacheListName(uint32_t row);  // null past the last row
// The row whose help target LookupKeyword returned, or -1.
int32_t CacheRowOf(const char* helpTarget);
// The rows of the lists that hold the lowercased word, as FindKeywordLists.
uint32_t CacheListsHolding(const char* word, uint32_t* rows, uint32_t room);

// A cache file of ours that no settings name any more (their section was
// deleted): removed now, or, while it is the open cache, when that is closed.
// Anything but one of our own cache files is left alone.
void DiscardCacheFile(const char* path);

// The settings in force, set by OpenCache.
extern const char* ActiveIni;                // the host's own path string, not a copy
extern char CachePath[CachePathSize];        // KeywordCacheFile, or the new path after a rebuild
extern char EnabledLists[EnabledListsSize];  // KeywordLists, lowercased

// The open cache. CloseCache is the only place that releases any of these;
// each is null while the cache is closed.
extern HANDLE CacheFile;
extern HANDLE CacheMapping;
extern const char* CacheView;
// ListCount rows in ListBlock order (a KeywordEntry's list index is its row),
// then the row of the pseudo-list "default" when OptDefaultList is set.
extern ListEntry* ListTable;
