// Where the add-in keeps its settings: section "Tembril" of the host's INI file
// (global) or of an assembler's INI file (that assembler alone), read and
// written only through the platform's profile-string functions.
#pragma once
#include <stdint.h>

#define SETTINGS_SECTION "Tembril"
#define KEY_CACHE_FILE "KeywordCacheFile"
#define KEY_LISTS "KeywordLists"
// What the lists were like when the cache file was built (see StampLists).
#define KEY_LIST_STAMP "KeywordListStamp"
#define ASSEMBLER_SECTION "Assembler"
#define ASSEMBLER_KEY "Assembler"
#define HOST_INI_NAME "Varnok.ini"

// "?" as a default marks an absent value; only the first character is tested.
#define ABSENT_VALUE "?"
inline bool IsAbsent(const char* value) { return value[0] == '?'; }

// Buffer sizes, the terminating zero included: a longer value is cut to one
// character less than its buffer, as the profile functions do.
constexpr uint32_t CachePathSize = 260;
constexpr uint32_t EnabledListsSize = 512;
constexpr uint32_t DialogListsSize = 256;
constexpr uint32_t AssemblerListSize = 128;
constexpr uint32_t PathBufferSize = 260;

// A help target is read with one byte more than it holds: the profile read
// gives a quoted value of full length back whole only with room for its
// closing quote.
constexpr uint32_t HelpTargetReadSize = PathBufferSize + 1;

// Whether a keyword list of that name would find its help-target key holding
// one of the add-in's own values: such a list has no help target.
bool IsOwnSettingsKey(const char* name);

// Reads key of the add-in's section (or of section when given).
uint32_t ReadSetting(const char* iniPath, const char* key, const char* fallback, char* buffer, uint32_t size,
                     const char* section = SETTINGS_SECTION);
// False when the file could not be written.
bool WriteSetting(const char* iniPath, const char* key, const char* value);
// Removes the whole add-in section from the file.
void DeleteSettings(const char* iniPath);
