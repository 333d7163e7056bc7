// The bucket of a word, and the walk through it built for any i686.
#include "cache/bucketwalk.h"

#include "cache/bucketwalk_impl.h"

bool FindBucket(const char* view, uint32_t size, const char* word, uint32_t length, BucketRange* range)
{
    if (view == nullptr || size < CacheHeaderSize || length == 0)
        return false;
    uint32_t b = static_cast<unsigned char>(word[0]) & 0x7F;
    if (b == 0 || b == EndOffsetWord)
        return false;
    range->View = view;
    range->Start = ViewWord(view, b);
    if (range->Start < CacheHeaderSize)
        return false;  // 0: no keyword begins with this byte
    uint32_t bucketEnd = 0;
    for (uint32_t j = b + 1; j < CacheHeaderWords && bucketEnd == 0; ++j)
        bucketEnd = ViewWord(view, j);
    uint32_t limit = ViewWord(view, EndOffsetWord);
    if (limit > size)
        limit = size;
    range->Limit = limit;
    range->End = bucketEnd > limit ? limit : bucketEnd;
    range->ListCount = ViewWord(view, ListCountWord);
    return true;
}

bool WalkBucketPlain(const BucketRange& range, const char* word, uint32_t length, KeywordHit* hit, LaneShape shape)
{
    return WalkBucket<GroupNul>(range, word, length, hit, shape);
}
