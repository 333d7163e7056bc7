// Byte-string routines shared by the whole add-in. They know nothing of
// double-byte characters: the cache's sort order and every lowercasing are
// defined by these routines, not by any locale-aware function of the platform.
// Pure code: no Win32 here, so it also builds natively for fuzzing.
#pragma once
#include <stdint.h>

// The zero bytes of a 4-byte group w, each flagged by its top bit. Every zero
// byte is flagged and the lowest flag is exact; a flag above a zero byte may
// be false (a borrow), so only the lowest is ever taken as a zero.
inline uint32_t ZeroByteFlags(uint32_t w) { return (w - 0x01010101u) & ~w & 0x80808080u; }

uint32_t StrLen(const char* text);
// The length of text when it is shorter than limit, else limit: never reads
// past the terminator nor beyond limit bytes.
uint32_t BoundedLength(const char* text, uint32_t limit);
// Signed 8-bit difference of the first differing bytes: the cache's order.
int32_t StrCmp(const char* a, const char* b);
char* StrLower(char* text);
// destination may be source itself or lie before it.
uint32_t TrimLeft(const char* source, char* destination);
// Copies a directory without one trailing backslash; returns the length copied.
uint32_t CopyDir(char* destination, const char* source);
