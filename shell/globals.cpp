#include "shell/tembril.h"

HINSTANCE ModuleHandle;
uint32_t OptionFlags;
HostHandlesRecord* HostHandles;
HostProcsRecord* HostProcs;
HostDataRecord* HostData;
char KeywordBuffer[KeywordBufferSize];
