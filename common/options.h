// The option word handed to InstallDll: the host's options and the add-in's
// own bit. It sits at the bottom because the error box consults it too.
#pragma once
#include <stdint.h>

// Bits of the option word handed to InstallDll.
enum OptionBits : uint32_t {
    OptEnable = 1,          // host option: install anything at all
    OptQuiet = 2,           // host option: hide error messages
    OptDefaultList = 4,     // ours: the pseudo-list "default" is enabled (OpenCache)
    OptErrorsToHelp = 8,    // host option: offered, not acted on
    OptSuggestOnMiss = 16,  // host option: a word in no list gets a popup of the nearest keywords
};

// Process-wide, zero when the library loads; set by InstallDll, OptDefaultList by OpenCache.
extern uint32_t OptionFlags;
