// The bucket walk, written once over a NUL finder; each including file builds
// it for one instruction set. Everything here has internal linkage, so the
// two builds never stand in for each other at link time.
#pragma once
#include <stdint.h>
#include <string.h>

#include "cache/bucketwalk.h"
#include "common/text.h"

namespace {

// Four bytes per step while a whole group lies inside the bound: a library
// call per string would cost more than the scan.
struct GroupNul {
    // Offset of the first NUL in [pos, limit), or limit when there is none.
    static uint32_t Find(const char* view, uint32_t pos, uint32_t limit)
    {
        while (limit - pos >= 4) {
            uint32_t w;
            memcpy(&w, view + pos, 4);
            uint32_t flags = ZeroByteFlags(w);
            if (flags != 0)
                return pos + (static_cast<uint32_t>(__builtin_ctz(flags)) >> 3);
            pos += 4;
        }
        while (pos < limit && view[pos] != 0)
            ++pos;
        return pos;
    }
    static bool Split(const char* view, uint32_t pos, uint32_t limit, uint32_t* aliasPos, uint32_t* indexPos);
    static bool Quick(const char* view, uint32_t pos, uint32_t limit, uint32_t length, uint32_t* next);
};

// Offset just past the NUL of the string at pos, or 0 when no NUL lies before limit.
template <typename Nul>
inline uint32_t SkipString(const char* view, uint32_t pos, uint32_t limit)
{
    if (pos >= limit)
        return 0;
    uint32_t nul = Nul::Find(view, pos, limit);
    return nul < limit ? nul + 1 : 0;
}

// Finds the two strings of the entry at pos: *aliasPos just past the
// keyword's NUL, *indexPos just past the alias's, with both list-index bytes
// before limit. False when the entry does not lie wholly before limit.
template <typename Nul>
inline bool SplitEntry(const char* view, uint32_t pos, uint32_t limit, uint32_t* aliasPos, uint32_t* indexPos)
{
    uint32_t alias = SkipString<Nul>(view, pos, limit);
    if (alias == 0)
        return false;
    // Most entries have no alias: its NUL follows the keyword's at once.
    uint32_t index = alias < limit && view[alias] == 0 ? alias + 1 : SkipString<Nul>(view, alias, limit);
    if (index == 0 || limit - index < 2)
        return false;
    *aliasPos = alias;
    *indexPos = index;
    return true;
}

inline bool GroupNul::Split(const char* view, uint32_t pos, uint32_t limit, uint32_t* aliasPos, uint32_t* indexPos)
{
    return SplitEntry<GroupNul>(view, pos, limit, aliasPos, indexPos);
}

inline bool GroupNul::Quick(const char* view, uint32_t pos, uint32_t limit, uint32_t length, uint32_t* next)
{
    uint32_t aliasPos, indexPos;
    if (!Split(view, pos, limit, &aliasPos, &indexPos) || aliasPos - pos - 1 == length)
        return false;
    *next = indexPos + 2;
    return true;
}

enum WalkState : uint32_t { Walking, Found, Stopped };

// One step of the walk through a bucket: the entry at *pos, which lies before
// range.End. Walking: *pos has moved to the next entry. Found: hit is filled.
// Stopped: the word is not in the bucket (an entry not wholly before Limit,
// a keyword of the word's length that sorts after it, a bad list index).
template <typename Nul>
inline WalkState StepWalk(const BucketRange& range, const char* word, uint32_t length, uint32_t* pos, KeywordHit* hit)
{
    const char* view = range.View;
    uint32_t at = *pos;
    uint32_t aliasPos, indexPos;
    if (!Nul::Split(view, at, range.Limit, &aliasPos, &indexPos))
        return Stopped;
    if (aliasPos - at - 1 == length) {
        // Both strings end within their bounds, at the same length.
        int32_t order = StrCmp(view + at, word);
        if (order > 0)
            return Stopped;
        if (order == 0) {
            const unsigned char* index = reinterpret_cast<const unsigned char*>(view) + indexPos;
            uint32_t list = index[0] | (index[1] << 8);
            if (list >= range.ListCount)
                return Stopped;
            hit->List = list;
            hit->Alias = view + aliasPos;
            hit->AliasLength = indexPos - aliasPos - 1;
            return Found;
        }
    }
    *pos = indexPos + 2;
    return Walking;
}

// The walk from pos to range.End, one entry after the other.
template <typename Nul>
inline bool WalkFrom(const BucketRange& range, const char* word, uint32_t length, uint32_t pos, KeywordHit* hit)
{
    while (pos < range.End) {
        WalkState state = StepWalk<Nul>(range, word, length, &pos, hit);
        if (state != Walking)
            return state == Found;
    }
    return false;
}

// Each entry's place follows from the one before, so a single walk waits on
// every load in turn. A long bucket is therefore walked by several lanes at
// once: the first from the bucket's start, each other from a guessed entry
// start further on. A guess only counts once the lane before it, itself
// counted, lands on it exactly: from there on both would walk the same
// entries to the same answer. A lane that walks past a guess voids it and
// walks on in its place. So the answer is always that of the single walk,
// whatever the bytes, and a wrong guess costs only its lane's work.
struct WalkLane {
    uint32_t Start;
    uint32_t Pos;
    WalkState State;
    KeywordHit Hit;
};

constexpr uint32_t GuessReach = 256;  // how far past its share a lane looks for an entry start

// A likely entry start in [from, to), from at least 3: a byte of the word's
// bucket after the previous entry's alias NUL and list index, whose high
// byte is 0 for the first 256 lists. Only a guess: the lanes check it.
inline uint32_t GuessEntryStart(const char* view, uint32_t from, uint32_t to, char first)
{
    for (uint32_t s = from; s < to; ++s) {
        if (view[s] == first && view[s - 1] == 0 && view[s - 3] == 0)
            return s;
    }
    return 0;
}

// Lane 0 at the bucket's start, then one per share where a start is guessed,
// in ascending order. Returns the number of lanes.
inline uint32_t PlaceLanes(const BucketRange& range, char first, LaneShape shape, WalkLane* lanes)
{
    uint32_t span = range.End - range.Start;
    uint32_t share = span / shape.Lanes > shape.Share ? span / shape.Lanes : shape.Share;
    uint32_t count = 0;
    lanes[count++] = {range.Start, range.Start, Walking, {}};
    for (uint32_t from = range.Start; count < shape.Lanes && range.End - from > share;) {
        from += share;
        uint32_t to = range.End - from > GuessReach ? from + GuessReach : range.End;
        uint32_t guess = GuessEntryStart(range.View, from, to, first);
        if (guess > lanes[count - 1].Start)
            lanes[count++] = {guess, guess, Walking, {}};
    }
    return count;
}

// Settles what the counted lane, lanes[*first], has found out: hands over to
// the next lane when it has landed on that lane's start, voids the next lane
// when it has walked past it. Walking when the counted lane has yet to reach
// the next start, or is the last lane; else the walk's answer.
inline WalkState SettleLead(WalkLane* lanes, uint32_t* first, uint32_t* count)
{
    for (;;) {
        const WalkLane& lead = lanes[*first];
        if (lead.State != Walking)
            return lead.State;
        if (*first + 1 == *count || lead.Pos < lanes[*first + 1].Start)
            return Walking;
        if (lead.Pos == lanes[*first + 1].Start) {
            ++*first;
            continue;
        }
        for (uint32_t j = *first + 1; j + 1 < *count; ++j)
            lanes[j] = lanes[j + 1];
        --*count;
    }
}

// Every lane from first on that still walks short of the next lane's start
// takes a step in turn, until one of them ends or gets there. Most steps pass
// over an entry that cannot end the walk and take Nul::Quick.
template <typename Nul>
inline void StepLanes(const BucketRange& range, const char* word, uint32_t length, WalkLane* lanes, uint32_t first,
                      uint32_t count)
{
    WalkLane* live[MaxLanes];
    uint32_t pos[MaxLanes];
    uint32_t bounds[MaxLanes];
    uint32_t n = 0;
    for (uint32_t j = first; j < count; ++j) {
        uint32_t bound = j + 1 < count ? lanes[j + 1].Start : range.End;
        if (lanes[j].State == Walking && lanes[j].Pos < bound) {
            live[n] = &lanes[j];
            pos[n] = lanes[j].Pos;
            bounds[n++] = bound;
        }
    }
    const char* view = range.View;
    const uint32_t limit = range.Limit;
    for (bool changed = false; !changed;) {
        for (uint32_t k = 0; k < n; ++k) {
            uint32_t next;
            if (Nul::Quick(view, pos[k], limit, length, &next)) {
                pos[k] = next;
                changed |= next >= bounds[k];
            } else {
                WalkLane* lane = live[k];
                lane->State = StepWalk<Nul>(range, word, length, &pos[k], &lane->Hit);
                changed |= lane->State != Walking || pos[k] >= bounds[k];
            }
        }
    }
    for (uint32_t k = 0; k < n; ++k)
        live[k]->Pos = pos[k];
}

// Walks only entries that lie wholly before Limit, compares only keywords of
// the word's length and stops at the first of them that sorts after it.
// Nul::Split is SplitEntry, or a faster equivalent. Nul::Quick passes over
// the entry at pos, which lies before limit, when its keyword is not of the
// word's length (a step that cannot end the walk) and sets *next to the
// entry after it; false sends the step the general way.
template <typename Nul>
inline bool WalkBucket(const BucketRange& given, const char* word, uint32_t length, KeywordHit* hit, LaneShape shape)
{
    // Every lane stops short of End, and the quick step reads from where a
    // lane stands: End must not lie past Limit.
    BucketRange range = given;
    if (range.End > range.Limit)
        range.End = range.Limit;
    // The guesses look three bytes back, so the bucket must start past them.
    if (range.Start < 3 || range.End <= range.Start || (range.End - range.Start) / 2 < shape.Share || shape.Lanes < 2 ||
        shape.Share == 0)
        return WalkFrom<Nul>(range, word, length, range.Start, hit);
    if (shape.Lanes > MaxLanes)
        shape.Lanes = MaxLanes;
    WalkLane lanes[MaxLanes];
    uint32_t count = PlaceLanes(range, word[0], shape, lanes);
    uint32_t first = 0;
    for (;;) {
        WalkState state = SettleLead(lanes, &first, &count);
        if (state == Found)
            *hit = lanes[first].Hit;
        if (state != Walking)
            return state == Found;
        if (first + 1 == count)
            return WalkFrom<Nul>(range, word, length, lanes[first].Pos, hit);
        StepLanes<Nul>(range, word, length, lanes, first, count);
    }
}

}  // namespace
