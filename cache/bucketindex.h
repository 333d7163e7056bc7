// An index of one bucket of the mapped cache, made in memory at the bucket's
// first use and kept until the cache is closed: where every block of about
// IndexBlockEntries entries starts, and which keyword lengths each block
// holds. A lookup then costs a binary search over the blocks and a walk
// through one of them, and the suggestion search a few such searches and the
// blocks that hold the lengths it wants, however long the bucket is.
//
// Both give the answers of the walk through the whole bucket. That is why an
// index is made only for a bucket where a binary search can stand in for the
// walk: every entry lies wholly inside the view, every keyword is of bytes 1
// to 0x7F (where StrCmp is the plain byte order) and begins with the bucket's
// byte, and the keywords stand in that order. A word with a byte of 0x80 or
// above is not served either. A damaged file, or a bucket of other bytes, is
// walked as before. Pure code over the view, like the walk.
#pragma once
#include <stdint.h>

#include "cache/bucketwalk.h"
#include "cache/suggest.h"

constexpr uint32_t IndexBlockEntries = 64;

struct IndexBlock {
    uint32_t Start;       // offset of the block's first entry, whose keyword differs from the one before it
    uint32_t Lengths[4];  // bit L: the block holds a keyword of L bytes, 1 to 127
};

struct BucketIndex {
    const IndexBlock* Blocks;  // in the order of the bucket; the first starts at the bucket's start
    uint32_t Count;
    uint32_t End;  // just past the last entry the walk would take
};

// Blocks that the index of range can need at most, blocks of blockEntries.
uint32_t BucketIndexRoom(const BucketRange& range, uint32_t blockEntries = IndexBlockEntries);

// Makes the index of range in blocks (room of them) and *index: blocks of at
// least blockEntries entries (the fuzz target takes a few, to have many).
// False when the bucket can't be indexed (see above) or room is too small.
bool MakeBucketIndex(const BucketRange& range, IndexBlock* blocks, uint32_t room, BucketIndex* index,
                     uint32_t blockEntries = IndexBlockEntries);

// Whether an index can answer for word (length bytes): bytes 1 to 0x7F only.
bool IndexServes(const char* word, uint32_t length);

// The walk's answer for word through the index of range (made from this range).
bool FindIndexed(const BucketRange& range, const BucketIndex& index, const char* word, uint32_t length,
                 KeywordHit* hit);

// SuggestKeywords' answer for word through the index of range.
uint32_t SuggestIndexed(const BucketRange& range, const BucketIndex& index, const char* word, uint32_t length,
                        Suggestion* out);
