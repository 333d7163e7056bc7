// Settings keys looked up in one copy of a whole INI section, the block that
// GetPrivateProfileSectionA fills: "name=value" strings, each NUL-terminated,
// the last followed by a second NUL. One read of the section replaces one
// profile call per key, each of which opens and checks the settings file.
// Pure code: bytes only, so it builds natively and can be fuzzed.
#pragma once
#include <stdint.h>

enum class SectionValue {
    Absent,  // no entry has that name: the profile functions give the default
    Found,   // *value / *valueLength: what GetPrivateProfileStringA gives into a buffer of that size
    Unsure,  // the block alone can't tell what the profile functions would give: ask them
};

// Looks key up as the profile functions do: the first entry whose name equals
// key, the letters A to Z matching either case. Answers only the plain cases:
// a key of printable ASCII, entry names and the found value without blanks,
// tabs or quotes at their ends, names without bytes of 0x80 and above (whose
// case rules are the platform's), and a value that fits size with its NUL.
// Anything else is Unsure. Reads nothing at or past block + blockLength.
SectionValue FindSectionValue(const char* block, uint32_t blockLength, const char* key, uint32_t size,
                              const char** value, uint32_t* valueLength);
