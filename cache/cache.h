// The keyword cache: opened from the settings in force, rebuilt when stale,
// searched in place for each help command.
#pragma once
#include <stdint.h>

// 1 when the cache is open and its list table built; 0 when help is unavailable.
uint32_t OpenCache();
// Releases the cache; harmless when it is already closed.
void CloseCache();
// Looks up the trimmed, lowercased word in the 128-byte keyword buffer; may
// replace it by the entry's alias. Returns the help target of the word's list
// (valid until the next CloseCache), or null.
const char* LookupKeyword(char* keyword);
