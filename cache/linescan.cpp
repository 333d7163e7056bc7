#include "cache/linescan.h"

#include <string.h>

namespace {

// Top bit of each byte of w set when that byte may be zero: every zero byte is
// flagged, and a flag above one may be false. Only used to skip whole groups
// that hold nothing of interest, so a false flag merely costs a closer look.
inline uint32_t MayHoldZero(uint32_t w) { return (w - 0x01010101u) & ~w & 0x80808080u; }

constexpr uint32_t NoNul = 0xFFFFFFFFu;

} // namespace

bool ScanLine(char* line, uint32_t unread, uint32_t* length, uint32_t* keyword)
{
    uint32_t firstNul = NoNul;
    uint32_t i = 0;
    for (;;) {
        // Four bytes per step past groups without "=", CR or NUL: keyword
        // lines are short, and most of their bytes are none of these.
        while (unread - i >= 4) {
            uint32_t w;
            memcpy(&w, line + i, 4);
            if ((MayHoldZero(w ^ 0x3D3D3D3Du) | MayHoldZero(w ^ 0x0D0D0D0Du) | MayHoldZero(w)) != 0)
                break;
            i += 4;
        }
        if (i == unread)
            return false;
        // The flagged group, or the last bytes, one at a time.
        uint32_t stop = unread - i >= 4 ? i + 4 : unread;
        for (; i < stop; ++i) {
            char c = line[i];
            if (c == '=') {
                line[i] = 0;
                if (firstNul == NoNul)
                    firstNul = i;
            } else if (c == 0) {
                if (firstNul == NoNul)
                    firstNul = i;
            } else if (c == '\r' && i + 1 < unread) {
                line[i] = 0;
                *length = i;
                *keyword = firstNul == NoNul ? i : firstNul;
                return true;
            }
        }
    }
}

bool ScanLine(char* line, uint32_t unread, uint32_t* length)
{
    uint32_t keyword = 0;
    return ScanLine(line, unread, length, &keyword);
}
