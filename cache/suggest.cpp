#include "cache/suggest.h"

#include "cache/suggest_impl.h"
#include "common/cpu.h"

uint32_t SuggestKeywords(const char* view, uint32_t size, const char* word, uint32_t length, Suggestion* out)
{
    return SuggestKeywordsUsing(CpuHasSse2(), view, size, word, length, out);
}

uint32_t SuggestKeywordsUsing(bool wide, const char* view, uint32_t size, const char* word, uint32_t length,
                              Suggestion* out)
{
    BucketRange range;
    if (!FindBucket(view, size, word, length, &range))
        return 0;
    return wide ? SuggestInBucketSse2(range, word, length, out) : SuggestFrom<GroupNul>(range, word, length, out);
}
