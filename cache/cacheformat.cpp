#include "cache/cacheformat.h"

#include <string.h>

#include "common/text.h"

uint32_t GetHeaderWord(const CacheHeader* header, uint32_t index)
{
    uint32_t value;
    memcpy(&value, reinterpret_cast<const char*>(header) + 4 * index, 4);
    return value;
}

void SetHeaderWord(CacheHeader* header, uint32_t index, uint32_t value)
{
    memcpy(reinterpret_cast<char*>(header) + 4 * index, &value, 4);
}

uint32_t ViewWord(const char* view, uint32_t index)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(view) + 4 * index;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint32_t ListNameLength(const char* lists)
{
    uint32_t n = 0;
    while (lists[n] != 0 && lists[n] != ',')
        ++n;
    return n;
}

uint32_t CountListNames(const char* lists, bool* defaultLast)
{
    uint32_t count = 1;
    const char* last = lists;
    for (const char* p = lists; *p; ++p) {
        if (*p == ',') {
            ++count;
            last = p + 1;
        }
    }
    *defaultLast = StrCmp(last, "default") == 0;
    return *defaultLast ? count - 1 : count;
}

namespace {

// Offset just past the NUL of the string at pos, or 0 when no NUL lies before limit.
uint32_t SkipString(const char* view, uint32_t pos, uint32_t limit)
{
    if (pos >= limit)
        return 0;
    const void* nul = memchr(view + pos, 0, limit - pos);
    if (nul == nullptr)
        return 0;
    return static_cast<uint32_t>(static_cast<const char*>(nul) - view) + 1;
}

} // namespace

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
    const char* name = lists;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t length = ListNameLength(name);
        uint32_t next = SkipString(view, pos, entries);
        if (next == 0 || next - pos - 1 != length || memcmp(view + pos, name, length) != 0)
            return false;
        if (rows != nullptr)
            rows[i].Name = view + pos;
        pos = SkipString(view, next, entries);  // title
        if (pos == 0)
            return false;
        pos = SkipString(view, pos, entries);  // description
        if (pos == 0)
            return false;
        name += length;
        if (*name == ',')
            ++name;
    }
    return pos == entries;
}

bool FindKeyword(const char* view, uint32_t size, const char* word, uint32_t length, KeywordHit* hit)
{
    if (view == nullptr || size < CacheHeaderSize || length == 0)
        return false;
    uint32_t b = static_cast<unsigned char>(word[0]) & 0x7F;
    if (b == 0 || b == EndOffsetWord)
        return false;
    uint32_t pos = ViewWord(view, b);
    if (pos < CacheHeaderSize)
        return false;  // 0: no keyword begins with this byte
    uint32_t bucketEnd = 0;
    for (uint32_t j = b + 1; j < CacheHeaderWords && bucketEnd == 0; ++j)
        bucketEnd = ViewWord(view, j);
    uint32_t limit = ViewWord(view, EndOffsetWord);
    if (limit > size)
        limit = size;
    if (bucketEnd > limit)
        bucketEnd = limit;
    uint32_t listCount = ViewWord(view, ListCountWord);

    while (pos < bucketEnd) {
        uint32_t aliasPos = SkipString(view, pos, limit);
        if (aliasPos == 0)
            return false;
        uint32_t indexPos = SkipString(view, aliasPos, limit);
        if (indexPos == 0 || limit - indexPos < 2)
            return false;
        if (aliasPos - pos - 1 == length) {
            // Both strings end within their bounds, at the same length.
            int32_t order = StrCmp(view + pos, word);
            if (order > 0)
                return false;
            if (order == 0) {
                const unsigned char* index = reinterpret_cast<const unsigned char*>(view) + indexPos;
                uint32_t list = index[0] | (index[1] << 8);
                if (list >= listCount)
                    return false;
                hit->List = list;
                hit->Alias = view + aliasPos;
                hit->AliasLength = indexPos - aliasPos - 1;
                return true;
            }
        }
        pos = indexPos + 2;
    }
    return false;
}
