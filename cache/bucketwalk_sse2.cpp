// Built with SSE2 enabled; only reached once CpuHasSse2 has said yes. It holds
// the SSE2 builds of the bucket walk and of the suggestion search.
#include "cache/bucketwalk_impl.h"
#include "cache/suggest_impl.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

// Sixteen bytes per step while all sixteen lie inside the bound: most keywords
// end within the first step, so the walk rarely loops or mispredicts here.
struct WideNul {
    // Offset of the first NUL in [pos, limit), or limit when there is none.
    static uint32_t Find(const char* view, uint32_t pos, uint32_t limit)
    {
        const __m128i zero = _mm_setzero_si128();
        while (limit - pos >= 16) {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(view + pos));
            uint32_t flags = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero)));
            if (flags != 0)
                return pos + static_cast<uint32_t>(__builtin_ctz(flags));
            pos += 16;
        }
        while (pos < limit && view[pos] != 0)
            ++pos;
        return pos;
    }

    // The NULs among the 32 bytes at pos, which all lie before limit: bit i
    // for byte pos + i. Bit 31 is set whatever byte 31 is, so a scan of the
    // flags always stops; only bits below 30 are ever taken as NULs.
    static uint32_t Flags32(const char* view, uint32_t pos)
    {
        const __m128i zero = _mm_setzero_si128();
        const __m128i* at = reinterpret_cast<const __m128i*>(view + pos);
        uint32_t low = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(at), zero)));
        uint32_t high = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(at + 1), zero)));
        return low | (high << 16) | 0x80000000u;
    }

    // The flag after flag at of flags from Flags32: 31 when there is none.
    static uint32_t NextFlag(uint32_t flags, uint32_t at)
    {
        return static_cast<uint32_t>(__builtin_ctz((flags & (~1u << at)) | 0x80000000u));
    }

    // Two loads settle the usual entry, whose keyword's NUL, alias's NUL and
    // both index bytes all stand among the 32 bytes at pos: the keyword's
    // NUL is the first flag, the alias's the next. Anything else takes the
    // general way.
    static bool Split(const char* view, uint32_t pos, uint32_t limit, uint32_t* aliasPos, uint32_t* indexPos)
    {
        if (pos < limit && limit - pos >= 32) {
            uint32_t flags = Flags32(view, pos);
            uint32_t nul = static_cast<uint32_t>(__builtin_ctz(flags));
            uint32_t aliasNul = NextFlag(flags, nul);
            if (aliasNul < 30) {
                *aliasPos = pos + nul + 1;
                *indexPos = pos + aliasNul + 1;
                return true;
            }
        }
        return SplitEntry<WideNul>(view, pos, limit, aliasPos, indexPos);
    }

    static bool Quick(const char* view, uint32_t pos, uint32_t limit, uint32_t length, uint32_t* next)
    {
        if (limit - pos < 32)
            return false;
        uint32_t flags = Flags32(view, pos);
        uint32_t nul = static_cast<uint32_t>(__builtin_ctz(flags));
        uint32_t aliasNul = NextFlag(flags, nul);
        if (aliasNul >= 30 || nul == length)
            return false;
        *next = pos + aliasNul + 3;
        return true;
    }
};

}  // namespace

bool WalkBucketSse2(const BucketRange& range, const char* word, uint32_t length, KeywordHit* hit, LaneShape shape)
{
    return WalkBucket<WideNul>(range, word, length, hit, shape);
}

uint32_t SuggestInBucketSse2(const BucketRange& range, const char* word, uint32_t length, Suggestion* out)
{
    return SuggestFrom<WideNul>(range, word, length, out);
}

#else

bool WalkBucketSse2(const BucketRange& range, const char* word, uint32_t length, KeywordHit* hit, LaneShape shape)
{
    return WalkBucketPlain(range, word, length, hit, shape);
}

uint32_t SuggestInBucketSse2(const BucketRange& range, const char* word, uint32_t length, Suggestion* out)
{
    return SuggestFrom<GroupNul>(range, word, length, out);
}

#endif
