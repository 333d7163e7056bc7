#include "cache/suggest.h"

#include <string.h>

#include "cache/bucketwalk_impl.h"

namespace {

uint32_t Distance(uint32_t a, uint32_t b) { return a > b ? a - b : b - a; }

bool RanksBefore(const Suggestion& a, const Suggestion& b, uint32_t length)
{
    if (a.Common != b.Common)
        return a.Common > b.Common;
    return Distance(a.KeywordLength, length) < Distance(b.KeywordLength, length);
}

// Puts s into the ranked list behind every entry that ranks before it or
// equal, so that ties keep the cache's order; the eleventh falls off.
void Rank(Suggestion* out, uint32_t* count, const Suggestion& s, uint32_t length)
{
    uint32_t at = *count;
    while (at > 0 && RanksBefore(s, out[at - 1], length))
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

}  // namespace

uint32_t SuggestKeywords(const char* view, uint32_t size, const char* word, uint32_t length, Suggestion* out)
{
    BucketRange range;
    if (!FindBucket(view, size, word, length, &range))
        return 0;
    uint32_t count = 0;
    // Past the word's place in the sorted bucket, the common prefix only
    // shrinks from entry to entry: the walk ends once it can't reach the list.
    bool past = false;
    const char* previous = nullptr;
    uint32_t previousLength = 0;
    for (uint32_t pos = range.Start; pos < range.End;) {
        uint32_t aliasPos, indexPos;
        if (!SplitEntry<GroupNul>(view, pos, range.Limit, &aliasPos, &indexPos))
            break;
        Suggestion s;
        s.Keyword = view + pos;
        s.KeywordLength = aliasPos - pos - 1;
        s.Alias = view + aliasPos;
        s.AliasLength = indexPos - aliasPos - 1;
        pos = indexPos + 2;
        // A first byte of 0x80 and above shares its bucket with another byte.
        if (s.KeywordLength == 0 || s.Keyword[0] != word[0] || s.KeywordLength >= MaxKeywordLength)
            continue;
        // Equal keywords of several lists stand together; the first one wins a lookup.
        bool repeated = previous != nullptr && previousLength == s.KeywordLength &&
                        memcmp(previous, s.Keyword, s.KeywordLength) == 0;
        previous = s.Keyword;
        previousLength = s.KeywordLength;
        if (repeated)
            continue;
        uint32_t common = 0;
        while (common < s.KeywordLength && common < length && s.Keyword[common] == word[common])
            ++common;
        s.Common = common;
        // Both strings end in a NUL within bounds: StrCmp's order from the first difference.
        if (static_cast<signed char>(s.Keyword[common]) > static_cast<signed char>(word[common]))
            past = true;
        if (past && count == MaxSuggestions && common < out[count - 1].Common)
            break;
        Rank(out, &count, s, length);
    }
    return count;
}
