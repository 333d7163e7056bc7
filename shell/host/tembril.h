// What the add-in shares across its own parts: the host's records and the
// option word (declared with the host protocol, shell/host/hostprotocol.h and
// common/options.h), the pointers to the records, the module handle and the
// keyword buffer of one help command.
#pragma once
#include <windows.h>

#include <stdint.h>

#include "shell/host/hostprotocol.h"

constexpr uint32_t KeywordBufferSize = 128;  // the terminating zero included

// Process-wide state, zero when the library loads.
extern HINSTANCE ModuleHandle;
extern HostHandlesRecord* HostHandles;
extern HostProcsRecord* HostProcs;
extern HostDataRecord* HostData;
extern char KeywordBuffer[KeywordBufferSize];
