#include "cache/linescan.h"

#include <string.h>

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "common/text.h"

namespace {

constexpr uint32_t NoNul = 0xFFFFFFFFu;

// The scan's work on the byte at i, one of "=", CR or NUL: true at the line end.
inline bool TakeByte(char* line, uint32_t i, uint32_t unread, uint32_t* firstNul, uint32_t* length, uint32_t* keyword)
{
    char c = line[i];
    if (c == '=') {
        line[i] = 0;
        if (*firstNul == NoNul)
            *firstNul = i;
    } else if (c == 0) {
        if (*firstNul == NoNul)
            *firstNul = i;
    } else if (c == '\r' && i + 1 < unread) {
        line[i] = 0;
        *length = i;
        *keyword = *firstNul == NoNul ? i : *firstNul;
        return true;
    }
    return false;
}

// The bytes in [i, to), one at a time.
inline bool ScanBytes(char* line, uint32_t i, uint32_t to, uint32_t unread, uint32_t* firstNul, uint32_t* length,
                      uint32_t* keyword)
{
    for (; i < to; ++i) {
        char c = line[i];
        if ((c == '=' || c == '\r' || c == 0) && TakeByte(line, i, unread, firstNul, length, keyword))
            return true;
    }
    return false;
}

}  // namespace

bool ScanLine(char* line, uint32_t unread, uint32_t* length, uint32_t* keyword)
{
    uint32_t firstNul = NoNul;
    uint32_t i = 0;
    // Four bytes per step past groups without "=", CR or NUL: keyword lines
    // are short, and most of their bytes are none of these.
    while (unread - i >= 4) {
        uint32_t w;
        memcpy(&w, line + i, 4);
        // A false flag merely costs a closer look at the group.
        if ((ZeroByteFlags(w ^ 0x3D3D3D3Du) | ZeroByteFlags(w ^ 0x0D0D0D0Du) | ZeroByteFlags(w)) != 0) {
            // The flagged group, one byte at a time.
            if (ScanBytes(line, i, i + 4, unread, &firstNul, length, keyword))
                return true;
        }
        i += 4;
    }
    return ScanBytes(line, i, unread, unread, &firstNul, length, keyword);
}

#if defined(__i386__) || defined(__x86_64__)

// Sixteen bytes per step: the block's CRs, "=" and NULs each as a mask, so
// a line end, the keyword's end and the "=" to cut are found without going
// through the bytes.
__attribute__((target("sse2"))) bool ScanLineSse2(char* line, uint32_t unread, uint32_t* length, uint32_t* keyword)
{
    uint32_t firstNul = NoNul;
    uint32_t i = 0;
    const __m128i equals = _mm_set1_epi8('=');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    while (unread - i >= 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + i));
        uint32_t crs = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr)));
        uint32_t eqs = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, equals)));
        uint32_t nuls = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero)));
        if (i + 16 == unread)
            crs &= 0x7FFFu;                                             // a CR on the last unread byte ends no line
        uint32_t before = crs != 0 ? (crs & (0u - crs)) - 1 : 0xFFFFu;  // the bytes before the first line end
        uint32_t cuts = (eqs | nuls) & before;
        if (cuts != 0 && firstNul == NoNul)
            firstNul = i + static_cast<uint32_t>(__builtin_ctz(cuts));
        for (eqs &= before; eqs != 0; eqs &= eqs - 1)
            line[i + static_cast<uint32_t>(__builtin_ctz(eqs))] = 0;
        if (crs != 0) {
            uint32_t end = i + static_cast<uint32_t>(__builtin_ctz(crs));
            line[end] = 0;
            *length = end;
            *keyword = firstNul == NoNul ? end : firstNul;
            return true;
        }
        i += 16;
    }
    return ScanBytes(line, i, unread, unread, &firstNul, length, keyword);
}

#else

bool ScanLineSse2(char* line, uint32_t unread, uint32_t* length, uint32_t* keyword)
{
    return ScanLine(line, unread, length, keyword);
}

#endif

bool ScanLine(char* line, uint32_t unread, uint32_t* length)
{
    uint32_t keyword = 0;
    return ScanLine(line, unread, length, &keyword);
}
