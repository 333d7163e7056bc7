// The cache build: a leaf that the open calls, given everything it needs.
#pragma once
#include <stdint.h>

// Merges the lists named in lists (a lowercased KeywordLists value; a last
// name "default" is not a file) from addinDir into a fresh cache file at
// path, which it creates or overwrites. 1 when the file is complete; 0 after
// any failure, the failure reported as the build reports it, the file left
// for the caller to delete.
uint32_t WriteCacheFile(const char* lists, const char* addinDir, const char* path);

// The directory (dirLength bytes, no "\" at its end), one "\", the name and
// the list extension into path (260 bytes). False when that can't fit.
bool JoinListPath(const char* dir, uint32_t dirLength, const char* name, uint32_t nameLength, char* path);
