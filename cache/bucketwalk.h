// The walk through one bucket of the mapped cache, in two builds of the same
// code: one for any i686, one that finds an entry's NULs with SSE2, 32 bytes
// in two loads. The lookup picks the second when the processor has it. Both
// give the answer of a plain walk from entry to entry for every view and
// every lane shape, and neither reads outside [View, Limit).
#pragma once
#include <stdint.h>

#include "cache/cacheformat.h"

struct BucketRange {
    const char* View;
    uint32_t Start;      // the bucket's first entry, past the header
    uint32_t End;        // no entry starts at or after it
    uint32_t Limit;      // nothing is read at or after it: EndOffset, at most the view's size
    uint32_t ListCount;  // a list index not below it is no hit
};

// The bucket of word's first byte (word is length bytes followed by a NUL),
// bounded by EndOffset and the view's size. False when no keyword is stored
// under that byte.
bool FindBucket(const char* view, uint32_t size, const char* word, uint32_t length, BucketRange* range);

// How a long bucket is shared out among walks that run side by side: at most
// Lanes of them, over at least Share bytes each.
struct LaneShape {
    uint32_t Lanes;
    uint32_t Share;
};
constexpr uint32_t MaxLanes = 8;
constexpr LaneShape BucketLanes = {MaxLanes, 2048};

bool WalkBucketPlain(const BucketRange& range, const char* word, uint32_t length, KeywordHit* hit,
                     LaneShape shape = BucketLanes);
bool WalkBucketSse2(const BucketRange& range, const char* word, uint32_t length, KeywordHit* hit,
                    LaneShape shape = BucketLanes);
