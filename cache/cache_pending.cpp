// Placeholder until the cache is built: help stays unavailable.
#include "cache/cache.h"

uint32_t OpenCache() { return 0; }
void CloseCache() {}
const char* LookupKeyword(char*) { return nullptr; }
