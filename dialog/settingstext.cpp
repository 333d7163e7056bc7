#include "dialog/settingstext.h"

#include <string.h>

#include "common/text.h"

void StartFromLast(NameWalk* walk, const char* text, uint32_t length)
{
    walk->Text = text;
    walk->End = length;
    walk->More = 1;
}

uint32_t NextFromLast(NameWalk* walk, const char** name, uint32_t* length)
{
    if (!walk->More)
        return 0;
    uint32_t start = walk->End;
    while (start > 0 && walk->Text[start - 1] != ',')
        --start;
    *name = walk->Text + start;
    *length = walk->End - start;
    if (start == 0)
        walk->More = 0;
    else
        walk->End = start - 1;
    return 1;
}

uint32_t NameIs(const char* name, uint32_t length, const char* word)
{
    return StrLen(word) == length && memcmp(name, word, length) == 0;
}

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
