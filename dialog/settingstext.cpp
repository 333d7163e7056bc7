#include "dialog/settingstext.h"

#include <string.h>

#include "common/text.h"

uint32_t FormEntry(char* text, uint32_t size, const char* name, uint32_t length, const char* suffix)
{
    uint32_t suffixLength = StrLen(suffix);
    if (size == 0)
        return 0;
    if (length >= size || suffixLength >= size - length) {
        text[0] = 0;
        return 0;
    }
    memcpy(text, name, length);
    memcpy(text + length, suffix, suffixLength + 1);
    return 1;
}

uint32_t EntryFileName(const char* entry, char* fileName, uint32_t size)
{
    static const char marker[] = ".ini - ";
    const uint32_t keep = 4;  // ".ini"
    uint32_t length = StrLen(entry);
    uint32_t cut = length;
    for (uint32_t i = 0; i + sizeof marker - 1 <= length; ++i) {
        if (memcmp(entry + i, marker, sizeof marker - 1) == 0) {
            cut = i + keep;
            break;
        }
    }
    if (size == 0)
        return 0;
    if (cut >= size) {
        fileName[0] = 0;
        return 0;
    }
    memcpy(fileName, entry, cut);
    fileName[cut] = 0;
    return 1;
}

uint32_t AppendListName(char* lists, uint32_t size, const char* name)
{
    uint32_t have = StrLen(lists);
    uint32_t add = StrLen(name);
    if (have >= size || add + 1 >= size - have)
        return 0;
    lists[have] = ',';
    memcpy(lists + have + 1, name, add + 1);
    return 1;
}

namespace {

bool IsQuote(char c) { return c == '"' || c == '\''; }

// What the profile read strips: blanks and control bytes at either end, and a
// pair of like quotes around the whole value.
bool LostOnRead(const char* value, uint32_t length)
{
    if (length == 0)
        return false;
    if (static_cast<unsigned char>(value[0]) <= ' ' || static_cast<unsigned char>(value[length - 1]) <= ' ')
        return true;
    return length >= 2 && IsQuote(value[0]) && value[length - 1] == value[0];
}

}  // namespace

uint32_t FormHelpTargetValue(const char* target, char* value, uint32_t size)
{
    uint32_t length = StrLen(target);
    uint32_t quote = LostOnRead(target, length) ? 1 : 0;
    if (size == 0)
        return 0;
    if (length >= size || 2 * quote >= size - length) {
        value[0] = 0;
        return 0;
    }
    char* out = value;
    if (quote)
        *out++ = '"';
    for (uint32_t i = 0; i < length; ++i)
        *out++ = target[i] == '\r' || target[i] == '\n' ? ' ' : target[i];
    if (quote)
        *out++ = '"';
    *out = 0;
    return 1;
}

uint32_t AppendText(char* text, uint32_t size, const char* more)
{
    uint32_t have = StrLen(text);
    uint32_t add = StrLen(more);
    if (have >= size || add >= size - have)
        return 0;
    memcpy(text + have, more, add + 1);
    return 1;
}
