#include "cache/listnames.h"

#include <string.h>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

constexpr uint32_t ExtensionLength = sizeof LIST_EXTENSION - 1;
constexpr uint32_t DefaultLength = sizeof DEFAULT_LIST_NAME - 1;

// The name in [start, end) as the grammar reads it.
ListName ReadName(const char* start, const char* end)
{
    while (start < end && IsBlank(*start))
        ++start;
    while (end > start && IsBlank(end[-1]))
        --end;
    ListName name;
    name.Text = start;
    name.Length = static_cast<uint32_t>(end - start);
    name.Bare = name.Length == DefaultLength && memcmp(start, DEFAULT_LIST_NAME, DefaultLength) == 0;
    // Values are lowercased before they are read, the extension with them.
    if (name.Length >= ExtensionLength && memcmp(end - ExtensionLength, LIST_EXTENSION, ExtensionLength) == 0)
        name.Length -= ExtensionLength;
    return name;
}

}  // namespace

ListName ReadListName(const char* text, uint32_t length) { return ReadName(text, text + length); }

void StartListNames(ListNameWalk* walk, const char* lists) { walk->At = lists; }

bool NextListName(ListNameWalk* walk, ListName* name)
{
    if (walk->At == nullptr)
        return false;
    const char* end = walk->At;
    while (*end != 0 && *end != ',')
        ++end;
    *name = ReadName(walk->At, end);
    walk->At = *end == ',' ? end + 1 : nullptr;
    return true;
}

void StartFromLast(NameWalk* walk, const char* text, uint32_t length)
{
    walk->Text = text;
    walk->End = length;
    walk->More = 1;
}

uint32_t NextFromLast(NameWalk* walk, const char** name, uint32_t* length, bool* bare)
{
    if (!walk->More)
        return 0;
    uint32_t start = walk->End;
    while (start > 0 && walk->Text[start - 1] != ',')
        --start;
    ListName read = ReadName(walk->Text + start, walk->Text + walk->End);
    *name = read.Text;
    *length = read.Length;
    if (bare != nullptr)
        *bare = read.Bare;
    if (start == 0)
        walk->More = 0;
    else
        walk->End = start - 1;
    return 1;
}

uint32_t CountListNames(const char* lists, bool* defaultLast)
{
    uint32_t count = 0;
    ListNameWalk walk;
    ListName name = {};
    StartListNames(&walk, lists);
    while (NextListName(&walk, &name))
        ++count;
    *defaultLast = name.Bare;
    return *defaultLast ? count - 1 : count;
}

namespace {

// Whether the count bytes at text are lower, A to Z folded as values are
// lowercased before they are read.
bool SameFolded(const char* text, const char* lower, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i])
            return false;
    }
    return true;
}

}  // namespace

// A record's name keeps the case of the file on disk: "Default.kwl" is the
// file as much as "default.kwl" is.
bool NeedsExtension(const char* name, uint32_t length)
{
    if (length == DefaultLength && SameFolded(name, DEFAULT_LIST_NAME, DefaultLength))
        return true;
    return length >= ExtensionLength && SameFolded(name + length - ExtensionLength, LIST_EXTENSION, ExtensionLength);
}

bool SettingsCanName(const char* name, uint32_t length)
{
    if (length != 0 && (IsBlank(name[0]) || IsBlank(name[length - 1]) || name[0] == '['))
        return false;
    // Both bytes lie below every trail byte of a double-byte character.
    return memchr(name, ',', length) == nullptr && memchr(name, '=', length) == nullptr;
}
