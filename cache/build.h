// The cache build and the open that ends it, shared by build.cpp and cache.cpp only.
#pragma once
#include <stdint.h>

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
