// The search for the nearest keywords, written once over a NUL finder like
// the bucket walk it goes with; each including file builds it for one
// instruction set. Everything here has internal linkage.
#pragma once
#include <stdint.h>
#include <string.h>

#include "cache/bucketwalk_impl.h"
#include "cache/suggest.h"

namespace {

inline uint32_t Distance(uint32_t a, uint32_t b) { return a > b ? a - b : b - a; }

inline bool RanksBefore(uint32_t common, uint32_t keywordLength, const Suggestion& b, uint32_t length)
{
    if (common != b.Common)
        return common > b.Common;
    return Distance(keywordLength, length) < Distance(b.KeywordLength, length);
}

// Puts s into the ranked list behind every entry that ranks before it or
// equal, so that ties keep the cache's order; the eleventh falls off.
inline void Rank(Suggestion* out, uint32_t* count, const Suggestion& s, uint32_t length)
{
    uint32_t at = *count;
    while (at > 0 && RanksBefore(s.Common, s.KeywordLength, out[at - 1], length))
        --at;
    if (at >= MaxSuggestions)
        return;
    uint32_t last = *count < MaxSuggestions ? *count : MaxSuggestions - 1;
    for (uint32_t i = last; i > at; --i)
        out[i] = out[i - 1];
    out[at] = s;
    if (*count < MaxSuggestions)
        ++*count;
}

// SuggestKeywords over the word's bucket, with Nul::Split to find each
// entry's strings. stopEarly false walks the whole bucket: what the early
// stop is held to.
template <typename Nul>
inline uint32_t SuggestFrom(const BucketRange& range, const char* word, uint32_t length, Suggestion* out,
                            bool stopEarly = true)
{
    const char* view = range.View;
    uint32_t count = 0;
    const char* previous = nullptr;
    uint32_t previousLength = 0;
    for (uint32_t pos = range.Start; pos < range.End;) {
        uint32_t aliasPos, indexPos;
        if (!Nul::Split(view, pos, range.Limit, &aliasPos, &indexPos))
            break;
        const char* keyword = view + pos;
        uint32_t keywordLength = aliasPos - pos - 1;
        pos = indexPos + 2;
        // A first byte of 0x80 and above shares its bucket with another byte.
        if (keywordLength == 0 || keyword[0] != word[0] || keywordLength >= MaxKeywordLength)
            continue;
        // Equal keywords of several lists stand together; the first one wins a
        // lookup. A repeat is the same bytes as the entry before, so it would
        // come to the same common prefix and the same stop, and only the
        // ranking has to pass it over.
        const char* before = previous;
        uint32_t beforeLength = previousLength;
        previous = keyword;
        previousLength = keywordLength;
        uint32_t common = 1;  // the first bytes match, and both strings have one
        while (common < keywordLength && common < length && keyword[common] == word[common])
            ++common;
        if (count == MaxSuggestions) {
            // An entry that StrCmp sorts after the word (both strings end in a
            // NUL within bounds: the signed difference of their first
            // differing bytes, whatever side of 0x80 they lie) shares no more
            // of the word than it does with any entry the cache holds after
            // it: such an entry would differ from it where the word does, and
            // StrCmp would sort it first. So the walk ends once the list is
            // out of such an entry's reach. The stop asks each entry afresh:
            // where StrCmp wraps, an entry after one past the word need not be.
            bool past = static_cast<int8_t>(static_cast<uint8_t>(keyword[common] - word[common])) > 0;
            if (stopEarly && past && common < out[count - 1].Common)
                break;
            // Rank would turn it away: most of a long bucket ends here, before
            // the repeat's compare and the record.
            if (!RanksBefore(common, keywordLength, out[count - 1], length))
                continue;
        }
        if (before != nullptr && beforeLength == keywordLength && memcmp(before, keyword, keywordLength) == 0)
            continue;
        Suggestion s;
        s.Keyword = keyword;
        s.KeywordLength = keywordLength;
        s.Alias = view + aliasPos;
        s.AliasLength = indexPos - aliasPos - 1;
        s.Common = common;
        Rank(out, &count, s, length);
    }
    return count;
}

}  // namespace
