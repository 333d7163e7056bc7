#include "cache/cacheformat.h"

#include <string.h>

#include "cache/bucketwalk_impl.h"
#include "common/cpu.h"

uint32_t ViewWord(const char* view, uint32_t index)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(view) + 4 * index;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool CheckCacheView(const char* view, uint32_t size, const char* lists, uint32_t count, ListEntry* rows)
{
    if (view == nullptr || size < CacheHeaderSize || count == 0)
        return false;
    if (ViewWord(view, ListCountWord) != count)
        return false;
    uint32_t entries = ViewWord(view, EntriesOffsetWord);
    uint32_t end = ViewWord(view, EndOffsetWord);
    if (end != size || entries < CacheHeaderSize || entries > end)
        return false;
    // Bucket words need not ascend: a keyword whose first byte is 0x80 or
    // above shares a bucket word yet sorts elsewhere. The lookup bounds each
    // walk on its own.
    for (uint32_t b = 2; b < EndOffsetWord; ++b) {
        uint32_t start = ViewWord(view, b);
        if (start != 0 && (start < entries || start >= end))
            return false;
    }

    uint32_t pos = CacheHeaderSize;
    ListNameWalk walk;
    StartListNames(&walk, lists);
    ListName name;
    for (uint32_t i = 0; i < count; ++i) {
        if (!NextListName(&walk, &name))
            return false;
        uint32_t length = name.Length;
        uint32_t next = SkipString<GroupNul>(view, pos, entries);
        if (next == 0 || next - pos - 1 != length || memcmp(view + pos, name.Text, length) != 0)
            return false;
        if (rows != nullptr)
            rows[i].Name = view + pos;
        pos = SkipString<GroupNul>(view, next, entries);  // title
        if (pos == 0)
            return false;
        pos = SkipString<GroupNul>(view, pos, entries);  // description
        if (pos == 0)
            return false;
    }
    return pos == entries;
}

bool FindKeyword(const char* view, uint32_t size, const char* word, uint32_t length, KeywordHit* hit)
{
    return FindKeywordUsing(CpuHasSse2(), view, size, word, length, hit);
}

bool FindKeywordUsing(bool wide, const char* view, uint32_t size, const char* word, uint32_t length, KeywordHit* hit)
{
    BucketRange range;
    if (!FindBucket(view, size, word, length, &range))
        return false;
    return wide ? WalkBucketSse2(range, word, length, hit) : WalkBucketPlain(range, word, length, hit);
}

uint32_t FindKeywordLists(const char* view, uint32_t size, const char* word, uint32_t length, uint32_t* lists,
                          uint32_t room)
{
    if (view == nullptr || size < CacheHeaderSize)
        return 0;
    uint32_t end = ViewWord(view, EndOffsetWord);
    if (end > size)
        end = size;
    uint32_t count = 0;
    uint32_t pos = ViewWord(view, EntriesOffsetWord);
    uint32_t aliasPos, indexPos;
    while (pos < end && SplitEntry<GroupNul>(view, pos, end, &aliasPos, &indexPos)) {
        if (aliasPos - pos - 1 == length && memcmp(view + pos, word, length) == 0) {
            if (count < room)
                lists[count] = static_cast<unsigned char>(view[indexPos]) |
                               (static_cast<unsigned char>(view[indexPos + 1]) << 8);
            ++count;
        }
        pos = indexPos + 2;
    }
    return count;
}
