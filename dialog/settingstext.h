// The texts of the dialog's settings, taken apart and put together without any
// window: comma-separated name lists, combo entries and the enabled-lists value.
// Pure code (no Win32), so it also builds natively for fuzzing.
#pragma once
#include <stdint.h>

#include "cache/listnames.h"

// A profile read that fills its buffer may have cut the value: its last name
// can be a fragment of a longer one.
inline uint32_t MayBeCut(uint32_t length, uint32_t bufferSize) { return length + 1 >= bufferSize; }

// Puts name and suffix into text when both and the NUL fit in size bytes; 0 and
// an empty text when they do not.
uint32_t FormEntry(char* text, uint32_t size, const char* name, uint32_t length, const char* suffix);

// The file a combo entry stands for: its text up to and including the ".ini" of
// its first ".ini - ", or the whole text when it has none. 0 and an empty file
// name when the result does not fit in size bytes.
uint32_t EntryFileName(const char* entry, char* fileName, uint32_t size);

// Appends "," and name to lists when the result fits in size bytes, NUL
// included; otherwise leaves lists as it was and returns 0.
uint32_t AppendListName(char* lists, uint32_t size, const char* name);

// The value a save writes for a help target, so that the profile read gives
// the target back as it was: the target itself, or, when the read would strip
// something from it (blanks or control bytes at an end, like quotes at both), the
// target between double quotes, which the read takes off again. A line break
// cannot stand in a profile line and is written as a blank. 0 and an empty
// value when it does not fit in size bytes.
uint32_t FormHelpTargetValue(const char* target, char* value, uint32_t size);

// Appends more to text when the result fits in size bytes, NUL included;
// otherwise leaves text as it was and returns 0.
uint32_t AppendText(char* text, uint32_t size, const char* more);
