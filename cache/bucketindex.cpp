#include "cache/bucketindex.h"

#include <string.h>

#include "cache/bucketwalk_impl.h"

namespace {

// StrCmp's sign for strings of bytes 1 to 0x7F: the plain byte order, the
// shorter first where one begins the other.
// Four bytes a step: making an index compares every entry with the one before.
int32_t Order(const char* a, uint32_t aLength, const char* b, uint32_t bLength)
{
    uint32_t shorter = aLength < bLength ? aLength : bLength;
    uint32_t i = 0;
    for (; i + 4 <= shorter; i += 4) {
        uint32_t x, y;
        memcpy(&x, a + i, 4);
        memcpy(&y, b + i, 4);
        if (x != y) {
            i += static_cast<uint32_t>(__builtin_ctz(x ^ y)) >> 3;
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
        }
    }
    for (; i < shorter; ++i) {
        if (a[i] != b[i])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
    }
    return aLength < bLength ? -1 : aLength > bLength ? 1 : 0;
}

// Bytes 1 to 0x7F only.
bool IsPlain(const char* bytes, uint32_t length)
{
    uint32_t i = 0;
    for (; i + 4 <= length; i += 4) {
        uint32_t group;
        memcpy(&group, bytes + i, 4);
        if ((group & 0x80808080u) != 0 || ZeroByteFlags(group) != 0)
            return false;
    }
    for (; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == 0 || c >= 0x80)
            return false;
    }
    return true;
}

struct EntryAt {
    uint32_t Length;  // the keyword's
    uint32_t Alias;   // offset of the alias
    uint32_t Index;   // offset of the list index
};

inline bool ReadEntry(const BucketRange& range, uint32_t pos, EntryAt* entry)
{
    uint32_t alias, index;
    if (!SplitEntry<GroupNul>(range.View, pos, range.Limit, &alias, &index))
        return false;
    entry->Length = alias - pos - 1;
    entry->Alias = alias;
    entry->Index = index;
    return true;
}

inline uint32_t NextEntry(const EntryAt& entry) { return entry.Index + 2; }

inline uint32_t BlockEnd(const BucketIndex& index, uint32_t k)
{
    return k + 1 < index.Count ? index.Blocks[k + 1].Start : index.End;
}

inline bool HoldsLength(const IndexBlock& block, uint32_t length)
{
    return (block.Lengths[length >> 5] & (1u << (length & 31))) != 0;
}

// The first entry whose keyword does not sort before key (keyLength bytes),
// or index.End: a binary search over the blocks' first keywords, then a walk
// through one block.
uint32_t LowerBound(const BucketRange& range, const BucketIndex& index, const char* key, uint32_t keyLength)
{
    uint32_t lo = 0, hi = index.Count;
    while (lo < hi) {
        uint32_t mid = lo + (hi - lo) / 2;
        uint32_t start = index.Blocks[mid].Start;
        EntryAt entry;
        if (!ReadEntry(range, start, &entry))
            return index.End;  // the index was made from whole entries only
        if (Order(range.View + start, entry.Length, key, keyLength) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == 0)
        return index.Blocks[0].Start;
    uint32_t end = BlockEnd(index, lo - 1);
    for (uint32_t pos = index.Blocks[lo - 1].Start; pos < end;) {
        EntryAt entry;
        if (!ReadEntry(range, pos, &entry))
            return index.End;
        if (Order(range.View + pos, entry.Length, key, keyLength) >= 0)
            return pos;
        pos = NextEntry(entry);
    }
    return end;
}

// The block that holds the entry at pos: the last that starts at or before it.
uint32_t BlockOf(const BucketIndex& index, uint32_t pos)
{
    uint32_t lo = 1, hi = index.Count;
    while (lo < hi) {
        uint32_t mid = lo + (hi - lo) / 2;
        if (index.Blocks[mid].Start <= pos)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo - 1;
}

// Up to room entries in [from, to) whose keywords are length bytes long, each
// the first of its run of equal keywords, in the bucket's order. from is the
// bucket's start or a bound that LowerBound gave, so the entry there never
// repeats the one before it; nor does a block's first entry.
uint32_t Collect(const BucketRange& range, const BucketIndex& index, uint32_t from, uint32_t to, uint32_t length,
                 uint32_t* found, uint32_t room)
{
    uint32_t n = 0;
    if (from >= to || room == 0)
        return 0;
    const char* previous = nullptr;
    uint32_t previousLength = 0;
    for (uint32_t k = BlockOf(index, from), pos = from; pos < to && n < room && k < index.Count; ++k) {
        uint32_t end = BlockEnd(index, k);
        if (!HoldsLength(index.Blocks[k], length)) {
            pos = end;
            previous = nullptr;
            continue;
        }
        while (pos < end && pos < to && n < room) {
            EntryAt entry;
            if (!ReadEntry(range, pos, &entry))
                return n;
            const char* keyword = range.View + pos;
            if (entry.Length == length &&
                !(previous != nullptr && previousLength == length && memcmp(previous, keyword, length) == 0))
                found[n++] = pos;
            previous = keyword;
            previousLength = entry.Length;
            pos = NextEntry(entry);
        }
    }
    return n;
}

Suggestion SuggestionAt(const BucketRange& range, uint32_t pos, uint32_t common)
{
    EntryAt entry{};
    ReadEntry(range, pos, &entry);
    Suggestion s;
    s.Keyword = range.View + pos;
    s.KeywordLength = entry.Length;
    s.Alias = range.View + entry.Alias;
    s.AliasLength = entry.Index - entry.Alias - 1;
    s.Common = common;
    return s;
}

// The entries that share exactly common bytes with the word: those in
// [lo, innerLo) and [innerHi, hi). They go to out after the count already
// there, the length nearest the word's first, then in the bucket's order,
// until out is full. Returns the new count.
uint32_t TakeTier(const BucketRange& range, const BucketIndex& index, uint32_t length, uint32_t common, uint32_t lo,
                  uint32_t innerLo, uint32_t innerHi, uint32_t hi, Suggestion* out, uint32_t count)
{
    // Which lengths the tier's blocks hold at all, so that missing ones cost nothing.
    uint32_t held[4] = {0, 0, 0, 0};
    const uint32_t parts[2][2] = {{lo, innerLo}, {innerHi, hi}};
    for (const auto& part : parts) {
        if (part[0] >= part[1])
            continue;
        for (uint32_t k = BlockOf(index, part[0]); k < index.Count && index.Blocks[k].Start < part[1]; ++k) {
            for (int w = 0; w < 4; ++w)
                held[w] |= index.Blocks[k].Lengths[w];
        }
    }
    const uint32_t longest = MaxKeywordLength - 1;
    // d: how far a length lies from the word's; both sides run out in the end.
    for (uint32_t d = length > longest ? length - longest : 0;
         count < MaxSuggestions && (d < length || length + d <= longest); ++d) {
        bool below = d < length && length - d <= longest;  // length - d is a length offered
        bool above = d != 0 && length + d <= longest;      // and length + d
        uint32_t need = MaxSuggestions - count;
        uint32_t a[MaxSuggestions], b[MaxSuggestions];
        uint32_t na = 0, nb = 0;
        for (int side = 0; side < 2; ++side) {
            bool wanted = side == 0 ? below : above;
            uint32_t l = side == 0 ? length - d : length + d;
            if (!wanted || (held[l >> 5] & (1u << (l & 31))) == 0)
                continue;
            uint32_t* into = side == 0 ? a : b;
            uint32_t& n = side == 0 ? na : nb;
            for (const auto& part : parts)
                n += Collect(range, index, part[0], part[1], l, into + n, need - n);
        }
        // Both lengths lie as far from the word's: the bucket's order decides.
        for (uint32_t i = 0, j = 0; count < MaxSuggestions && (i < na || j < nb);) {
            uint32_t pos = j >= nb || (i < na && a[i] < b[j]) ? a[i++] : b[j++];
            out[count++] = SuggestionAt(range, pos, common);
        }
    }
    return count;
}

}  // namespace

uint32_t BucketIndexRoom(const BucketRange& range, uint32_t blockEntries)
{
    uint32_t end = range.End < range.Limit ? range.End : range.Limit;
    uint32_t span = end > range.Start ? end - range.Start : 0;
    // Every block but the last holds at least IndexBlockEntries entries of at least four bytes.
    return span / (4 * (blockEntries != 0 ? blockEntries : 1)) + 2;
}

bool MakeBucketIndex(const BucketRange& range, IndexBlock* blocks, uint32_t room, BucketIndex* index,
                     uint32_t blockEntries)
{
    uint32_t end = range.End < range.Limit ? range.End : range.Limit;
    if (range.View == nullptr || range.Start >= end)
        return false;
    const char* view = range.View;
    const char first = view[range.Start];
    uint32_t count = 0, inBlock = 0, pos = range.Start;
    const char* previous = nullptr;
    uint32_t previousLength = 0;
    while (pos < end) {
        EntryAt entry;
        if (!ReadEntry(range, pos, &entry) || entry.Length == 0 || view[pos] != first ||
            !IsPlain(view + pos, entry.Length))
            return false;
        int32_t order = previous != nullptr ? Order(previous, previousLength, view + pos, entry.Length) : 1;
        if (previous != nullptr && order > 0)
            return false;
        // A block starts where a keyword differs from the one before: a run of
        // equal keywords, one per list, stays in one block.
        if (count == 0 || (inBlock >= blockEntries && order != 0)) {
            if (count == room)
                return false;
            blocks[count] = IndexBlock{pos, {0, 0, 0, 0}};
            ++count;
            inBlock = 0;
        }
        if (entry.Length < MaxKeywordLength)
            blocks[count - 1].Lengths[entry.Length >> 5] |= 1u << (entry.Length & 31);
        ++inBlock;
        previous = view + pos;
        previousLength = entry.Length;
        pos = NextEntry(entry);
    }
    index->Blocks = blocks;
    index->Count = count;
    index->End = pos;
    return true;
}

bool IndexServes(const char* word, uint32_t length) { return length != 0 && IsPlain(word, length); }

bool FindIndexed(const BucketRange& range, const BucketIndex& index, const char* word, uint32_t length, KeywordHit* hit)
{
    // Every keyword before the first that doesn't sort before the word sorts
    // before it, as every one after sorts after it: the walk would find this
    // one or none.
    uint32_t pos = LowerBound(range, index, word, length);
    EntryAt entry;
    if (pos >= index.End || !ReadEntry(range, pos, &entry) || entry.Length != length ||
        memcmp(range.View + pos, word, length) != 0)
        return false;
    const unsigned char* at = reinterpret_cast<const unsigned char*>(range.View) + entry.Index;
    uint32_t list = at[0] | (at[1] << 8);
    if (list >= range.ListCount)
        return false;
    hit->List = list;
    hit->Alias = range.View + entry.Alias;
    hit->AliasLength = entry.Index - entry.Alias - 1;
    return true;
}

uint32_t SuggestIndexed(const BucketRange& range, const BucketIndex& index, const char* word, uint32_t length,
                        Suggestion* out)
{
    if (length == 0 || index.Count == 0 || range.View[index.Blocks[0].Start] != word[0])
        return 0;
    // The keywords that share at least c bytes with the word are those that
    // begin with its first c bytes: in the sorted bucket, one stretch
    // [lo[c], hi[c]), inside the stretch of c - 1. Keywords of 128 bytes and
    // more are never offered, so c stops short of them.
    const uint32_t longest = MaxKeywordLength - 1;
    const uint32_t top = length < longest ? length : longest;
    uint32_t lo[MaxKeywordLength], hi[MaxKeywordLength];
    lo[1] = index.Blocks[0].Start;
    hi[1] = index.End;
    uint32_t deepest = 1;
    for (uint32_t c = 2; c <= top; ++c) {
        char after[MaxKeywordLength];
        memcpy(after, word, c);
        after[c - 1] = static_cast<char>(after[c - 1] + 1);  // at most 0x80, above every byte indexed
        uint32_t from = LowerBound(range, index, word, c);
        uint32_t to = LowerBound(range, index, after, c);
        if (from >= to)
            break;
        lo[c] = from;
        hi[c] = to;
        deepest = c;
    }
    uint32_t count = 0;
    for (uint32_t c = deepest; c >= 1 && count < MaxSuggestions; --c) {
        uint32_t innerLo = c == deepest ? hi[c] : lo[c + 1];
        uint32_t innerHi = c == deepest ? hi[c] : hi[c + 1];
        count = TakeTier(range, index, length, c, lo[c], innerLo, innerHi, hi[c], out, count);
    }
    return count;
}
