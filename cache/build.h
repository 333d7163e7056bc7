// The cache build and the open that ends it, shared by build.cpp and cache.cpp only.
#pragma once
#include <stdint.h>

// Merges the enabled lists into a fresh cache file, names it in the settings
// and opens it. 1 when the fresh cache is open, 0 when the build failed.
uint32_t RebuildCache();

// The open that ends a build: as OpenCache, except that a cache it cannot use
// is not built a second time; help is then unavailable.
uint32_t OpenBuiltCache();

// Whether path names a cache file of ours: "hlp..." right in the add-in
// directory. The settings may have been edited by hand, and nothing may
// delete whatever file they happen to name.
bool IsOwnCacheFile(const char* path);
