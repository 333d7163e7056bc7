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

// Flags the zero bytes of a 4-byte group w, each by its top bit. The lowest
// flag is the first zero byte; a flag above it may be false (a borrow), so
// only the lowest one is ever used.
inline uint32_t ZeroFlags(uint32_t w) { return (w - 0x01010101u) & ~w & 0x80808080u; }

inline uint32_t LoadGroup(const char* at)
{
    uint32_t w;
    memcpy(&w, at, 4);  // a plain load; the view need not be aligned here
    return w;
}

// Offset of the first NUL in [pos, limit), or limit when there is none.
// Four bytes per step while a whole group lies inside the bound: a library
// call per string would cost more than the scan.
inline uint32_t FindNul(const char* view, uint32_t pos, uint32_t limit)
{
    while (limit - pos >= 4) {
        uint32_t flags = ZeroFlags(LoadGroup(view + pos));
        if (flags != 0)
            return pos + (static_cast<uint32_t>(__builtin_ctz(flags)) >> 3);
        pos += 4;
    }
    while (pos < limit && view[pos] != 0)
        ++pos;
    return pos;
}

// Offset just past the NUL of the string at pos, or 0 when no NUL lies before limit.
inline uint32_t SkipString(const char* view, uint32_t pos, uint32_t limit)
{
    if (pos >= limit)
        return 0;
    uint32_t nul = FindNul(view, pos, limit);
    return nul < limit ? nul + 1 : 0;
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
        // Most entries have no alias: its NUL follows the keyword's at once.
        uint32_t indexPos = aliasPos < limit && view[aliasPos] == 0 ? aliasPos + 1 : SkipString(view, aliasPos, limit);
        if (indexPos == 0)
            return false;
        if (limit - indexPos < 2)
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
