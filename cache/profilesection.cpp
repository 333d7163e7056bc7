#include "cache/profilesection.h"

#include <string.h>

namespace {

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

inline bool IsQuote(char c) { return c == '"' || c == '\''; }

inline char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c; }

// A key that the block can answer for: printable ASCII without "=", not a
// comment's or a section's opening.
bool IsPlainKey(const char* key)
{
    if (key[0] == 0 || key[0] == ';' || key[0] == '[')
        return false;
    for (const char* p = key; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c <= 0x20 || c >= 0x7F || c == '=')
            return false;
    }
    return true;
}

bool SameName(const char* name, uint32_t nameLength, const char* key)
{
    uint32_t i = 0;
    for (; i < nameLength; ++i) {
        if (key[i] == 0 || FoldCase(name[i]) != FoldCase(key[i]))
            return false;
    }
    return key[i] == 0;
}

}  // namespace

SectionValue FindSectionValue(const char* block, uint32_t blockLength, const char* key, uint32_t size,
                              const char** value, uint32_t* valueLength)
{
    if (block == nullptr || size == 0 || !IsPlainKey(key))
        return SectionValue::Unsure;
    uint32_t pos = 0;
    while (pos < blockLength && block[pos] != 0) {
        const char* entry = block + pos;
        uint32_t limit = blockLength - pos;
        uint32_t length = 0;
        while (length < limit && entry[length] != 0)
            ++length;
        if (length == limit)
            return SectionValue::Unsure;  // a block cut short
        uint32_t nameLength = 0;
        while (nameLength < length && entry[nameLength] != '=')
            ++nameLength;
        bool plainName = nameLength > 0 && !IsBlank(entry[0]) && !IsBlank(entry[nameLength - 1]);
        for (uint32_t i = 0; plainName && i < nameLength; ++i)
            plainName = static_cast<unsigned char>(entry[i]) < 0x80;
        if (!plainName) {
            // Whether the profile functions would take it for key is theirs
            // to say (trimming, case beyond A to Z, comments).
            return SectionValue::Unsure;
        }
        if (SameName(entry, nameLength, key)) {
            if (nameLength == length)
                return SectionValue::Unsure;  // a name without "=": not ours to read
            const char* text = entry + nameLength + 1;
            uint32_t textLength = length - nameLength - 1;
            if (textLength != 0 && (IsBlank(text[0]) || IsBlank(text[textLength - 1]) || IsQuote(text[0]) ||
                                    IsQuote(text[textLength - 1])))
                return SectionValue::Unsure;
            if (textLength >= size - 1 && textLength != 0)
                return SectionValue::Unsure;  // cut to the buffer: the platform's way with double bytes
            *value = text;
            *valueLength = textLength;
            return SectionValue::Found;
        }
        pos += length + 1;
    }
    return SectionValue::Absent;
}
