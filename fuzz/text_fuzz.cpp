// The byte-string routines over arbitrary strings: lengths agree with strlen,
// the comparison is antisymmetric, and trimming and copying stay in bounds.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "common/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Two strings, split at the first NUL of the input.
    std::vector<char> a(data, data + size);
    a.push_back(0);
    const char* first = a.data();
    size_t firstLength = strlen(first);
    const char* second = firstLength < size ? first + firstLength + 1 : "";

    if (StrLen(first) != firstLength || StrLen(second) != strlen(second))
        __builtin_trap();
    int32_t ab = StrCmp(first, second);
    int32_t ba = StrCmp(second, first);
    if ((ab == 0) != (ba == 0) || ab < -128 || ab > 127 || (ab == 0 && strcmp(first, second) != 0))
        __builtin_trap();

    std::vector<char> copy(a.begin(), a.end());
    uint32_t trimmed = TrimLeft(copy.data(), copy.data());
    if (trimmed != strlen(copy.data()))
        __builtin_trap();
    std::vector<char> dir(firstLength + 1);
    if (CopyDir(dir.data(), first) + 1 < firstLength)
        __builtin_trap();
    StrLower(copy.data());
    return 0;
}
