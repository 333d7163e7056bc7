// The keyword cache: opened from the settings in force, rebuilt when stale,
// searched in place for each help command.
#pragma once
#include <windows.h>

#include <stdint.h>

#include "cache/cacheformat.h"
#include "shell/settings.h"

// 1 when the cache is open and its list table built; 0 when help is unavailable.
uint32_t OpenCache();
// Releases the cache; harmless when it is already closed.
void CloseCache();
// Looks up the trimmed, lowercased word in the 128-byte keyword buffer; may
// replace it by the entry's alias. Returns the help target of the word's list
// (valid until the next CloseCache), or null.
const char* LookupKeyword(char* keyword);

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
