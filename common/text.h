// Byte-string routines shared by the whole add-in. They know nothing of
// double-byte characters: the cache's sort order and every lowercasing are
// defined by these routines, not by any locale-aware function of the platform.
// Pure code: no Win32 here, so it also builds natively for fuzzing.
#pragma once
#include <stdint.h>

uint32_t StrLen(const char* text);
// Signed 8-bit difference of the first differing bytes: the cache's order.
int32_t StrCmp(const char* a, const char* b);
char* StrLower(char* text);
// destination may be source itself or lie before it.
uint32_t TrimLeft(const char* source, char* destination);
// Copies a directory without one trailing backslash; returns the length copied.
uint32_t CopyDir(char* destination, const char* source);
