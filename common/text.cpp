#include "common/text.h"

#include <string.h>

// Reads whole aligned groups: an aligned 4-byte load never crosses a page, so
// the scan can look at most three bytes past the terminator, inside the group
// that holds it, and never touches memory that the string's page does not.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TEMBRIL_NO_ASAN __attribute__((no_sanitize_address))
#endif
#endif
#if !defined(TEMBRIL_NO_ASAN) && defined(__SANITIZE_ADDRESS__)
#define TEMBRIL_NO_ASAN __attribute__((no_sanitize_address))
#endif
#ifndef TEMBRIL_NO_ASAN
#define TEMBRIL_NO_ASAN
#endif

TEMBRIL_NO_ASAN uint32_t StrLen(const char* text)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (reinterpret_cast<uintptr_t>(p) & 3) {
        if (*p == 0)
            return static_cast<uint32_t>(p - reinterpret_cast<const unsigned char*>(text));
        ++p;
    }
    typedef uint32_t __attribute__((may_alias)) Group;
    for (;;) {
        uint32_t w = *reinterpret_cast<const Group*>(p);
        if (ZeroByteFlags(w) != 0) {
            // The lowest flagged byte is the terminator; flags above it may be false.
            while (*p)
                ++p;
            return static_cast<uint32_t>(p - reinterpret_cast<const unsigned char*>(text));
        }
        p += 4;
    }
}

uint32_t BoundedLength(const char* text, uint32_t limit)
{
    uint32_t n = 0;
    while (n < limit && text[n] != 0)
        ++n;
    return n;
}

int32_t StrCmp(const char* a, const char* b)
{
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    for (uint32_t i = 0;; ++i) {
        if (x[i] != y[i])
            return static_cast<int8_t>(static_cast<uint8_t>(x[i] - y[i]));
        if (x[i] == 0)
            return 0;
    }
}

char* StrLower(char* text)
{
    for (char* p = text; *p; ++p) {
        if (*p >= 'A' && *p <= 'Z')
            *p = static_cast<char>(*p + 0x20);
    }
    return text;
}

uint32_t TrimLeft(const char* source, char* destination)
{
    const char* p = source;
    while (*p == ' ' || *p == '\t')
        ++p;
    uint32_t n = 0;
    // Front to back, so an in-place call never reads a byte it has overwritten.
    while ((destination[n] = p[n]) != 0)
        ++n;
    return n;
}

uint32_t CopyDir(char* destination, const char* source)
{
    uint32_t n = 0;
    while ((destination[n] = source[n]) != 0)
        ++n;
    if (n > 0 && destination[n - 1] == '\\')
        destination[--n] = 0;
    return n;
}
