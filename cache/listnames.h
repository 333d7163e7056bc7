// The grammar of a KeywordLists value, for everyone who reads or writes one:
// names separated by ",", each taken without the blanks and tabs around it
// (people type "x86, kernel32"), a name may carry the list extension, and
// the last name "default" typed bare is the pseudo-list, never a file.
// Pure code (no Win32), so it also builds natively and can be fuzzed.
#pragma once
#include <stdint.h>

// The pseudo-list: enabled as the last name of KeywordLists, never a file.
#define DEFAULT_LIST_NAME "default"
// The extension of a keyword-list file in the add-in directory.
#define LIST_EXTENSION ".kwl"

// One name of the value. A list always holds at least one name, which may be
// empty; so does the text between two adjacent commas.
struct ListName {
    const char* Text;  // the list's name: blanks and tabs trimmed, a trailing ".kwl" left out
    uint32_t Length;
    bool Bare;  // the name as typed, trimmed, is exactly "default": the pseudo-list when it stands last
};

// The name in the length bytes at text (which hold no ",").
ListName ReadListName(const char* text, uint32_t length);

// Walks the names from the first to the last.
struct ListNameWalk {
    const char* At;  // the next name's raw text; null once the last one is handed out
};
void StartListNames(ListNameWalk* walk, const char* lists);
bool NextListName(ListNameWalk* walk, ListName* name);

// Walks a value of length bytes from its last name to its first.
struct NameWalk {
    const char* Text;
    uint32_t End;   // one past the next name to hand out
    uint32_t More;  // 1 while a name is left
};
void StartFromLast(NameWalk* walk, const char* text, uint32_t length);
// Hands out the next name (not NUL-terminated: a start and a length, trimmed
// as ListName's); 0 when none is left. *bare, when given, as ListName's.
uint32_t NextFromLast(NameWalk* walk, const char** name, uint32_t* length, bool* bare = nullptr);

// Names that are lists to merge: all of them but a last bare "default", which
// sets *defaultLast. So "" is one empty name.
uint32_t CountListNames(const char* lists, bool* defaultLast);

// Whether a save writes the list file of that name with its extension, so
// that the value reads back as that file: "default.kwl", which is then never
// the pseudo-list, and a name that itself ends in ".kwl" (any case), whose
// own ending the read would otherwise take for the extension.
bool NeedsExtension(const char* name, uint32_t length);

// Whether the settings can name the list file of that name at all: a ","
// would split it in two, an "=" would end its help target's key, a "[" first
// would make that key's line a section, and blanks or tabs at either end are
// trimmed by every read. Such a file can't be enabled.
bool SettingsCanName(const char* name, uint32_t length);
