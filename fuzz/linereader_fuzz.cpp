// Feeds arbitrary bytes through the line reader's scan the way the reader
// does: windows of any size, refills that move the unread bytes to the front,
// and the caller's advance past each line's CR LF. Nothing may be read or
// written outside the window, and the SSE2 scan does what the plain one does.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "cache/linescan.h"
#include "common/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the window size, as a file's size would (1..4096).
    uint32_t windowSize = 1 + (static_cast<uint32_t>(data[0]) * 16) % 4096;
    const uint8_t* file = data + 1;
    size_t fileSize = size - 1;
    if (fileSize < windowSize)
        windowSize = fileSize ? static_cast<uint32_t>(fileSize) : 1;

    std::vector<char> window(windowSize);
    size_t read = 0;
    uint32_t filled = windowSize;
    char* line = window.data() + windowSize;
    for (;;) {
        uint32_t unread = static_cast<uint32_t>(window.data() + filled - line);
        uint32_t length = 0;
        uint32_t found = 0;
        // The SSE2 scan on a copy must end in the same place with the same edits.
        std::vector<char> copy(line, line + unread);
        uint32_t wideLength = 0, wideFound = 0;
        bool wide = ScanLineSse2(copy.data(), unread, &wideLength, &wideFound);
        bool plain = ScanLine(line, unread, &length, &found);
        if (wide != plain || (plain && (wideLength != length || wideFound != found)) ||
            (unread != 0 && memcmp(copy.data(), line, unread) != 0))
            __builtin_trap();
        if (plain) {
            // The keyword and an alias inside the line, read as the build does.
            uint32_t keyword = StrLen(line);
            if (keyword > length || keyword != found)
                __builtin_trap();
            line += length + 2;
            if (line > window.data() + filled)
                __builtin_trap();
            continue;
        }
        memmove(window.data(), line, unread);
        line = window.data();
        uint32_t space = filled - unread;
        if (space == 0)
            break;
        size_t got = fileSize - read < space ? fileSize - read : space;
        memcpy(window.data() + unread, file + read, got);
        read += got;
        if (got == 0)
            break;
        filled = unread + static_cast<uint32_t>(got);
    }
    return 0;
}
