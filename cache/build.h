// The cache build: a leaf that the open calls, given everything it needs.
#pragma once
#include <stdint.h>

// What a build tells of the lists it left out.
struct BuildReport {
    char* Text;  // for the user: which file, which line and why, for every such list; "" when none
    uint32_t Size;
    bool Unread;  // a list file that is there could not be read (held, denied): worth another try
};

// Merges the lists named in lists (a lowercased KeywordLists value; a last
// name "default" is not a file) from addinDir into a fresh cache file at
// path, which it creates or overwrites. 1 when the file is complete; 0 when
// it could not be written, the file left for the caller to delete. A list
// that can't be read or merged is not a failure: it keeps its place, without
// its keywords from the bad line on, and goes into *report.
uint32_t WriteCacheFile(const char* lists, const char* addinDir, const char* path, BuildReport* report);

// The directory (dirLength bytes, no "\" at its end), one "\", the name and
// the list extension into path (260 bytes). False when that can't fit.
bool JoinListPath(const char* dir, uint32_t dirLength, const char* name, uint32_t nameLength, char* path);
