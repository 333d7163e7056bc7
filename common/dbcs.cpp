#include "common/dbcs.h"

#include <windows.h>

uint32_t CutLength(const char* text, uint32_t length, uint32_t room)
{
    if (length <= room)
        return length;
    uint32_t n = 0;
    while (n < room) {
        uint32_t step = (IsDBCSLeadByte(static_cast<BYTE>(text[n])) && n + 1 < length) ? 2 : 1;
        if (n + step > room)
            break;
        n += step;
    }
    return n;
}

void AppendCut(char* text, uint32_t size, const char* more)
{
    uint32_t have = static_cast<uint32_t>(lstrlenA(text));
    if (have + 1 >= size)
        return;
    uint32_t length = CutLength(more, static_cast<uint32_t>(lstrlenA(more)), size - 1 - have);
    CopyMemory(text + have, more, length);
    text[have + length] = 0;
}
